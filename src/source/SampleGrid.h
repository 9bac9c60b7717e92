#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The sample grid: a fixed row-number column and at most 256 source columns.
constexpr int MaxSampleGridColumns = 257;
constexpr int MaxSampleGridRows = 100;

// Grid rows 1..n for the first n source lines (n is clamped to what exists):
// each is the row number then the row's cells.
QList<QStringList> SampleGridRows(const QStringList& sourceLines, int n);

// The grid's column count after showing rows: it never shrinks within a run,
// grows to the widest row, and stops at the cap.
int SampleGridColumns(int previousCols, const QList<QStringList>& rows);

// Row 0 of the grid: the letters of every column, empty for column 0.
QStringList SampleGridHeader(int cols);
