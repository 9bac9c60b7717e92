#pragma once

#include <QString>
#include <QStringList>

// Splits one rebuilt source row (cells joined by tabs) into its cells. Empty
// cells between tabs stay; a tab at the very end gives no further cell, and an
// empty row gives no cells at all.
QStringList SplitSourceRow(const QString& sourceLine);

// One source row as the preview and the import read it: item 0 is the row's
// one-based position in the source lines, item j the cell of source column j
// (column "A" is item 1).
QStringList BuildRowList(const QString& sourceLine, int rowNumber);
