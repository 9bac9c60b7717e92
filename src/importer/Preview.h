#pragma once

#include "mapping/CatalogueEntry.h"
#include "mapping/ColumnMapping.h"
#include "mapping/NameList.h"

#include <QString>
#include <QStringList>

#include <functional>

// A destination field's name for a catalogue index; empty when none carries it.
using TNameOfIndex = std::function<QString(int)>;

// The chosen mapping as the run log keeps it: a framing line, then " i : t-f"
// for every column i whose field index is 1..255, then the closing line.
QStringList TranslationTableLines(const TColumnMap& columnMap, const TFieldCatalogue& catalogue);

// A cell as the preview shows it: the value as it will be sent (folded to ASCII,
// before "%" and "&" are escaped), and where that differs from the file's text,
// a space and the file's text in square brackets ("Jose [José]"), so a changed
// letter is seen before the import.
QString PreviewValue(const QString& cell);

// One preview: for every column i (0..256) with a field index other than 0, the
// field's name, followed by ": " and PreviewValue of item i when the row list
// has one. No flag limit is applied.
QStringList PreviewLines(const QStringList& rowList, const TColumnMap& columnMap, const TNameOfIndex& nameOf);

// The same, naming each field from a name list (its first item carrying the index).
QStringList PreviewLines(const QStringList& rowList, const TColumnMap& columnMap, const TNameList& fieldNames);

// What the preview shows once every row has been tested.
QStringList EndOfFileLines();

// The warning shown on leaving the mapping page with fewer than two Field list
// clicks; lines broken by a lone CR.
QString CounterWarningText();

// Shown when a preview has exactly one line.
QString OneFieldMessageText();

// Whether the Field list click counter (a label caption) is below two; a caption
// that is not a number counts as one click.
bool CounterBelowTwo(const QString& caption);

// The outcome of testing the source line at testRow.
struct TPreviewStep
{
    QStringList Lines;
    bool EndOfFile = false;       // Lines are the end-of-file lines; the test button goes off
    bool OneFieldWarning = false; // show OneFieldMessageText()

    bool operator==(const TPreviewStep&) const = default;
};

// Previews source line testRow (zero-based); the caller advances testRow afterwards
// unless EndOfFile.
TPreviewStep PreviewSourceLine(const QStringList& sourceLines, qint32 testRow, const TColumnMap& columnMap,
                               const TNameOfIndex& nameOf);
TPreviewStep PreviewSourceLine(const QStringList& sourceLines, qint32 testRow, const TColumnMap& columnMap,
                               const TNameList& fieldNames);
