#include "app/MessageListModel.h"

int TMessageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(FLines.size());
}

QVariant TMessageListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= FLines.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return FLines.at(index.row());
    return QVariant();
}

void TMessageListModel::Append(const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    const int first = int(FLines.size());
    beginInsertRows(QModelIndex(), first, first + int(lines.size()) - 1);
    FLines.append(lines);
    endInsertRows();
}
