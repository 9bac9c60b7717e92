#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// An ordered list of texts, each carrying an integer (a catalogue index), as
// the list boxes of the mapping page hold them.
//
// A field-list reply may name thousands of columns on one line, each adding an
// item with the same Tab and Box name. Items are therefore kept in groups: one
// text repeated, or the texts of one line still joined by their tabs, so a list
// costs about what the reply's text does, however many items it holds.
class TNameList
{
public:
    struct Item
    {
        QString Text;
        int Index = 0;

        bool operator==(const Item&) const = default;
    };

    void Append(const QString& text, int index) { AppendRepeated(text, index, 1); }
    // count items, all with the same text and integer.
    void AppendRepeated(const QString& text, int index, qsizetype count);
    // One item per tab-separated text of texts (a text holds no tab), all with the integer.
    void AppendTabSeparated(QStringView texts, int index);
    void Clear();
    int Count() const { return int(FCount); }
    bool IsEmpty() const { return FCount == 0; }

    // Text and integer of item i (0 <= i < Count()).
    QString Text(int i) const;
    int Index(int i) const;

    // The text of the first item carrying the integer; none when no item does.
    // An empty text is a name too (an unknown Tab), so "none" is kept apart.
    std::optional<QString> NameOf(int index) const;
    // Position of the first item carrying the integer, or -1.
    int PositionOfIndex(int index) const;
    // Position of the first item whose text equals text, or -1.
    int PositionOfText(const QString& text, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;

    QStringList Texts() const;
    QList<Item> Items() const;

    // Item by item, whatever the grouping.
    bool operator==(const TNameList& other) const;

private:
    struct TGroup
    {
        QString Text; // the one text, or the texts joined by tabs
        int Index = 0;
        qsizetype Count = 0;
        bool Joined = false;
    };

    // Walks the items in order.
    class TCursor;

    QList<TGroup> FGroups;
    qsizetype FCount = 0;
};
