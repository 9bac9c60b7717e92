#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// An ordered list of texts, each carrying an integer (a catalogue index), as
// the list boxes of the mapping page hold them.
class TNameList
{
public:
    struct Item
    {
        QString Text;
        int Index = 0;

        bool operator==(const Item&) const = default;
    };

    void Append(const QString& text, int index);
    void Clear();
    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.isEmpty(); }

    // Text and integer of item i (0 <= i < Count()).
    const QString& Text(int i) const { return FItems.at(i).Text; }
    int Index(int i) const { return FItems.at(i).Index; }

    // The text of the first item carrying the integer; none when no item does.
    // An empty text is a name too (an unknown Tab), so "none" is kept apart.
    std::optional<QString> NameOf(int index) const;
    // Position of the first item carrying the integer, or -1.
    int PositionOfIndex(int index) const;
    // Position of the first item whose text equals text, or -1.
    int PositionOfText(const QString& text, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;

    QStringList Texts() const;
    const QList<Item>& Items() const { return FItems; }

    bool operator==(const TNameList&) const = default;

private:
    QList<Item> FItems;
};
