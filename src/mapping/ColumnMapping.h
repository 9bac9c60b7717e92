#pragma once

#include <QtGlobal>

#include <array>

// The choice for one sample-grid column.
struct ColumnMapping
{
    quint8 Skip = 1;        // 1: not imported; only tells the page which radio to show
    quint16 FieldIndex = 0; // catalogue index; a column counts as mapped when 1..255
    quint16 DateFormat = 0; // position in the date-format list

    bool operator==(const ColumnMapping&) const = default;
};

// Index 0 is the grid's row-number column; index c is source column c-1 ("A" is 1).
constexpr int ColumnMapSize = 257;
using TColumnMap = std::array<ColumnMapping, ColumnMapSize>;

inline bool IsMappedIndex(quint16 fieldIndex)
{
    return fieldIndex >= 1 && fieldIndex <= 255;
}
