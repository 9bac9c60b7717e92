#pragma once

#include <QString>

// Spreadsheet letters of a sample-grid column: 1 = "A", 26 = "Z", 27 = "AA",
// 256 = "IV", 260 = "IZ". Column 0 (the row-number column) and anything above
// 260 have no letters and give the empty text.
QString ColumnLetters(int n);
