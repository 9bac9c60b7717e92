#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The lines of the import page's message list. Lines are only ever added at the
// end, a batch at a time, so the list lays out and repaints only what a batch
// added, however long a run's list grows.
class TMessageListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void Append(const QStringList& lines);
    void Append(const QString& line) { Append(QStringList{line}); }
    const QStringList& Lines() const { return FLines; }

private:
    QStringList FLines;
};
