#include "source/RowList.h"

namespace
{
void AppendCells(QStringList& cells, const QString& sourceLine)
{
    const qsizetype size = sourceLine.size();
    qsizetype start = 0;
    for (;;) {
        const qsizetype tab = sourceLine.indexOf(QLatin1Char('\t'), start);
        if (tab < 0)
            break;
        cells.append(sourceLine.mid(start, tab - start));
        start = tab + 1;
    }
    // The piece after the last tab is a cell only when it holds something:
    // a trailing separator does not open a new cell.
    if (start < size)
        cells.append(sourceLine.mid(start));
}
} // namespace

QStringList SplitSourceRow(const QString& sourceLine)
{
    QStringList cells;
    cells.reserve(sourceLine.count(QLatin1Char('\t')) + 1);
    AppendCells(cells, sourceLine);
    return cells;
}

QStringList BuildRowList(const QString& sourceLine, int rowNumber)
{
    // Sized once: the import builds one per row.
    QStringList row;
    row.reserve(sourceLine.count(QLatin1Char('\t')) + 2);
    row.append(QString::number(rowNumber));
    AppendCells(row, sourceLine);
    return row;
}
