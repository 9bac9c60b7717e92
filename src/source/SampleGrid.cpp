#include "source/SampleGrid.h"

#include "source/ColumnLetters.h"
#include "source/RowList.h"

#include <algorithm>

QList<QStringList> SampleGridRows(const QStringList& sourceLines, int n)
{
    const qsizetype count = std::clamp<qsizetype>(n, 0, sourceLines.size());
    QList<QStringList> rows;
    rows.reserve(count);
    for (qsizetype k = 0; k < count; ++k)
        rows.append(BuildRowList(sourceLines[k], int(k + 1)));
    return rows;
}

int SampleGridColumns(int previousCols, const QList<QStringList>& rows)
{
    qsizetype cols = previousCols;
    for (const QStringList& row : rows)
        cols = std::max(cols, row.size());
    return int(std::min<qsizetype>(cols, MaxSampleGridColumns));
}

QStringList SampleGridHeader(int cols)
{
    QStringList header;
    header.reserve(cols);
    for (int c = 0; c < cols; ++c)
        header.append(ColumnLetters(c));
    return header;
}
