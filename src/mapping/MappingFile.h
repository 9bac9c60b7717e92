#pragma once

#include "mapping/ColumnMapping.h"
#include "mapping/FieldCatalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

// Reusable column mappings: a plain-text file, one line per mapped column,
//   B<TAB>Core<TAB>Name<TAB>Last name
//   F<TAB>Profile<TAB>Personal<TAB>Birthday<TAB>DMY
// (column letters, Tab, Box, Field, and a date format for date fields).
// Lines starting with '#' and blank lines are ignored. Fields are found by
// their names without regard to case, never by catalogue index, so a file
// survives a catalogue whose line order changed.

// "A" = 1, "Z" = 26, "AA" = 27, "IV" = 256, without regard to case and
// surrounding blanks; 0 for anything that is not letters or lies past "IV".
int ColumnOfLetters(const QString& letters);

// One column's choice to apply.
struct TMappingEntry
{
    int Column = 0; // 1 = "A"
    quint16 FieldIndex = 0;
    quint16 DateFormat = 0;

    bool operator==(const TMappingEntry&) const = default;
};

// A line that was not applied; LineNumber counts from 1.
struct TMappingProblem
{
    int LineNumber = 0;
    QString Line;
    QString Reason;

    bool operator==(const TMappingProblem&) const = default;
};

struct TMappingLoad
{
    QList<TMappingEntry> Entries;
    QList<TMappingProblem> Problems;
};

// The text of a mapping file for the mapped columns 1..columnCount, with a
// header comment. Columns mapped to a field without names are left out.
QString WriteMappingFile(const TColumnMap& map, const TCatalogue& catalogue, int columnCount);

// Reads a mapping file against the catalogue and the grid's column count.
// Only fields the page offers can be chosen. Lines naming no such field, a
// column outside the grid or mapped twice, or a bad date format are reported
// and not applied; the others are returned to apply.
TMappingLoad ResolveMappingFile(const QString& text, const TCatalogue& catalogue, int columnCount);

// Stores the entries in the map (as choosing their fields on the page does,
// with their date formats); other columns keep their choice.
void ApplyMappingEntries(const QList<TMappingEntry>& entries, TColumnMap& map);

// "Line 4: <reason>: <line>", for showing to the user.
QString DescribeProblem(const TMappingProblem& problem);

// A heading that names several offered fields; Fields describes each as
// "Tab / Box / Field".
struct THeadingProblem
{
    int Column = 0;
    QString Heading;
    QStringList Fields;

    bool operator==(const THeadingProblem&) const = default;
};

struct THeadingMatch
{
    QList<TMappingEntry> Entries;
    QList<THeadingProblem> Ambiguous;
};

// Maps every column whose heading (headings[0] is column "A") equals the name
// of exactly one field offered on the page, without regard to case and
// surrounding blanks. Headings naming several fields are left unmapped and
// reported.
THeadingMatch MatchByHeadings(const QStringList& headings, const TCatalogue& catalogue);
