#pragma once

#include "mapping/ColumnMapping.h"
#include "mapping/FieldCatalogue.h"

#include <QList>
#include <QMultiHash>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// A look at every data row before anything is sent: what the record encoding
// will change or leave out, and values the service is likely to misread. GUI-free,
// one pass, linear in the size of the file.

enum class TFindingKind
{
    NotADate,       // not a date in the column's chosen format
    LettersChanged, // folding to ASCII changes the cell's text
    CharactersLost, // the cell has characters with no ASCII form: they are dropped
    WrongShape,     // not shaped as its field's type (numbers, true or false, times)
    TooManyFlags,   // more than 36 Flags in the row: the rest are dropped
    SkippedRow,     // a row without a cell: not sent
    DuplicateRow,   // the same as an earlier row
    FieldNotSent,   // the column's field is never sent (one finding per column)
};
constexpr int FindingKindCount = 8;

struct TFinding
{
    TFindingKind Kind = TFindingKind::LettersChanged;
    qint32 Row = 0;  // as the sample grid numbers rows (the file's first row is 1); 0 for a column
    int Column = 0;  // 1 = "A"; 0 for a whole row
    QString Heading; // the column's heading, when the file has headings
    QString Field;   // the destination field's name ("Tab / Box / Field" for a column finding)
    QString Cell;    // the file's text of the cell
    QString Sent;    // the value as it will be sent, before escaping
    QString Detail;  // lost characters, the date format, the earlier row, the number of Flags...

    bool operator==(const TFinding&) const = default;
};

// One line for the user: "Row 7, column B "Name" (First name): "José" is sent as "Jose"".
QString DescribeFinding(const TFinding& finding);

struct TPreCheckReport
{
    // Only so many findings of each kind are kept for listing; all are counted.
    static constexpr qint32 MaxListedPerKind = 1000;

    qint32 RowsChecked = 0;
    QList<TFinding> Findings; // column findings first, then by row and column
    std::array<qint32, FindingKindCount> Counts{};
    std::array<qint32, 6> DatesByFormat{}; // NotADate counted by the column's date format

    qint32 Count(TFindingKind kind) const { return Counts[size_t(kind)]; }
    qint32 Total() const;
    bool IsClean() const { return Total() == 0; }

    // "43 rows checked: 2 dates not in DMY, 5 cells with letters changed, column K
    // is mapped to a field that is not sent", or "... : no problems found".
    QString SummaryLine() const;
    // One line per finding, then one per kind with more findings than are listed.
    QStringList Lines() const;
    // Columns (1 = "A") mapped to a field that is never sent.
    QList<int> UnsentColumns() const;
};

// The check of one file, done a slice of rows at a time so a window can keep
// answering between slices. Holds its own (shared, unchanging) copy of the rows
// and what it needs of the map and the catalogue.
class TPreCheck
{
public:
    TPreCheck(const QStringList& sourceLines, bool headings, const TColumnMap& columnMap, const TCatalogue& catalogue);

    // Checks up to maxRows further rows; true once every row has been checked.
    bool Step(qint32 maxRows);
    bool IsDone() const { return Next >= Lines.size(); }
    // Rows checked so far and rows to check in all.
    qint32 Position() const { return qMax<qint32>(0, Next - First); }
    qint32 RowCount() const { return qMax<qint32>(0, qint32(Lines.size()) - First); }
    const TPreCheckReport& Report() const { return FReport; }

private:
    struct TColumnPlan
    {
        bool Checked = false; // mapped to a field that is sent
        bool Flag = false;
        int Shape = 0;        // TValueShape
        int DateFormat = 0;   // position in the date-format list
        QString Field;
        QString Heading;
    };

    void CheckRow(qint32 index);
    void Add(TFinding finding);

    QStringList Lines;
    qint32 First = 0;
    qint32 Next = 0;
    int LastColumn = 0; // highest mapped column that is sent
    std::vector<TColumnPlan> Plan; // by column, 0 unused
    QMultiHash<size_t, qint32> RowHashes; // hash of a row's text -> its index
    TPreCheckReport FReport;
};

// The whole check in one call.
TPreCheckReport PreCheckRows(const QStringList& sourceLines, bool headings, const TColumnMap& columnMap,
                             const TCatalogue& catalogue);
