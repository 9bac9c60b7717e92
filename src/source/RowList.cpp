#include "source/RowList.h"

QStringList SplitSourceRow(const QString& sourceLine)
{
    QStringList cells;
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
    return cells;
}

QStringList BuildRowList(const QString& sourceLine, int rowNumber)
{
    QStringList row = SplitSourceRow(sourceLine);
    row.prepend(QString::number(rowNumber));
    return row;
}
