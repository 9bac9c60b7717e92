#pragma once

#include "mapping/ColumnMapping.h"
#include "mapping/FieldCatalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

// Reusable column mappings: a plain-text file, one line per mapped column,
//   B<TAB>Core<TAB>Name<TAB>Last name<TAB>heading=Surname
//   F<TAB>Profile<TAB>Personal<TAB>Birthday<TAB>DMY<TAB>heading=Born
//   G<TAB>Profile<TAB>Email preference<TAB>Newsletter<TAB>numbers=99-2-18
// (column letters, Tab, Box, Field, a date format for date fields, then
// optional named entries: the column's heading when the file had headings, and
// the field's Tab, Field and Item numbers when its Box holds several fields of
// that name). Lines starting with '#' and blank lines are ignored. Fields are
// found by their names without regard to case, never by catalogue index, so a
// file survives a catalogue whose line order changed.

// "A" = 1, "Z" = 26, "AA" = 27, "IV" = 256, without regard to case and
// surrounding blanks; 0 for anything that is not letters or lies past "IV".
int ColumnOfLetters(const QString& letters);

// One column's choice to apply.
struct TMappingEntry
{
    int Column = 0; // 1 = "A"
    quint16 FieldIndex = 0;
    quint16 DateFormat = 0;
    QString Heading; // as saved; empty when the mapping did not record one

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

// A saved heading that no longer heads its column in the file.
struct THeadingChange
{
    int SavedColumn = 0;
    QString Heading;
    QList<int> NowColumns; // the columns that have the heading now: none (gone), one (moved) or several

    bool operator==(const THeadingChange&) const = default;
};

// "Email was column C, is now D"; "Email (column C) is gone from the file";
// "Email (column C) now heads several columns: D, F".
QString DescribeHeadingChange(const THeadingChange& change);

struct TMappingLoad
{
    QList<TMappingEntry> Entries;
    QList<TMappingProblem> Problems;
    QList<THeadingChange> Changes;
    QStringList Notes; // applied, but worth telling: "Column D (Joined): no date format given; MDY is used"
};

// The text of a mapping file for the mapped columns 1..columnCount, with a
// header comment. Columns mapped to a field without names are left out.
// headings (headings[0] is column "A") are recorded when the file has them.
QString WriteMappingFile(const TColumnMap& map, const TCatalogue& catalogue, int columnCount,
                         const QStringList& headings = {});

// Reads a mapping file against the catalogue and the grid's column count.
// Only fields the page offers can be chosen. Lines naming no such field, a
// column outside the grid or mapped twice, or a bad date format are reported
// and not applied; the others are returned to apply.
//
// With the file's headings given, every saved heading is compared with its
// column's (without regard to case and surrounding blanks); each that differs
// is a change. followHeadings moves an entry to the one column that now has
// its heading, and leaves out one whose heading is gone or heads several
// columns; otherwise entries keep their saved columns.
TMappingLoad ResolveMappingFile(const QString& text, const TCatalogue& catalogue, int columnCount,
                                const QStringList& headings = {}, bool followHeadings = false);

// Whether the text records column headings (saved from a file that had them).
bool MappingRecordsHeadings(const QString& text);

// Stores the entries in the map (as choosing their fields on the page does,
// with their date formats); other columns keep their choice.
void ApplyMappingEntries(const QList<TMappingEntry>& entries, TColumnMap& map);

// Stores the entries' fields only: each column keeps the date format already
// chosen for it (matching by headings has no format to give).
void ApplyFieldChoices(const QList<TMappingEntry>& entries, TColumnMap& map);

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
