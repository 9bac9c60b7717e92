#pragma once

#include "mapping/CatalogueEntry.h"
#include "mapping/NameList.h"

#include <QString>
#include <QStringList>

#include <array>

// The destination fields the service offers, with the words the user sees.
// Every other part names a field by its catalogue index (the reply line number).
struct TCatalogue
{
    TFieldCatalogue Entries{};
    // One item per parsed name column, all three carrying the entry's index.
    TNameList TabNames;
    TNameList BoxNames;
    TNameList FieldNames;
    // Distinct Tab names in order of first appearance; only ever appended to.
    QStringList TabList;
    // Set for an index whose last parsed line had a Tab number but no name
    // column: such an entry has numbers and no names of its own, so it is
    // treated as not in use.
    std::array<bool, CatalogueSize> Unnamed{};

    // All entries zeroed (a new record kind); the names stay.
    void ClearEntries();
    // Everything emptied, as when the lists are first created.
    void Clear();

    // In use: a nonzero Tab number and names from its own line. Only such
    // entries reach the Tab list and the mapping page's lists.
    bool IsInUse(int index) const;

    bool operator==(const TCatalogue&) const = default;
};

// Parses one reply line into entry index and the three name lists. Columns
// are separated by single tabs and nothing is trimmed; columns the line lacks
// leave the entry's fields as they were. Indexes outside 0..255 are ignored.
void ParseCatalogueLine(const QString& line, int index, TCatalogue& catalogue);

// Loads the whole field-list reply: the field names are emptied, every line
// numbered below 256 that contains a tab is parsed under its line number, then
// the Tab names of the entries in use are appended to the Tab list.
void LoadFieldCatalogue(const QString& text, TCatalogue& catalogue);
