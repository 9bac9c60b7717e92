// Reusable mappings on the mapping page: saving the columns' choices to a
// file, loading them back, and matching columns to fields by their headings.
#include "app/Unit1.h"

#include "core/TextDecoder.h"
#include "mapping/ColumnMap.h"
#include "mapping/MappingFile.h"
#include "source/ColumnLetters.h"
#include "source/RowList.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>

namespace
{
const QString MappingFilter = QStringLiteral("Mapping files|*.qmap;*.txt");

// Source columns shown in the grid (the row numbers are its header).
int SourceColumns(const QTableWidget* grid)
{
    return grid->columnCount();
}

// The source file's column headings as the grid shows them; none when the first
// row is not a heading row.
QStringList GridHeadings(const QStringList& sourceLines, bool headings, const QTableWidget* grid)
{
    if (!headings || sourceLines.isEmpty())
        return {};
    return SplitSourceRow(sourceLines.first()).mid(0, SourceColumns(grid));
}

bool AnyColumnMapped(const TColumnMap& map, int columns)
{
    for (int column = 1; column <= columns && column < ColumnMapSize; ++column) {
        if (IsMappedIndex(map[size_t(column)].FieldIndex))
            return true;
    }
    return false;
}
} // namespace

void TForm1::Button23Click()
{
    const int columns = SourceColumns(StringGrid1);
    if (!AnyColumnMapped(ColumnMap, columns)) {
        Prompt().ShowMessage(QStringLiteral("No column is mapped yet, so there is no mapping to save."));
        return;
    }
    const QString path = Prompt().SaveFileName(MappingFilter);
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    const QStringList headings = GridHeadings(SourceLines, CheckBox1->isChecked(), StringGrid1);
    const QByteArray bytes =
        EncodeText(WriteMappingFile(ColumnMap, FieldCatalogue, columns, headings), TextEncoding::Ansi);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        RunLog.Add(QStringLiteral("Unable to save mapping file: ") + path);
        Prompt().ShowError(QStringLiteral("Unable to save the mapping file ") + path + QStringLiteral(": ")
                           + file.errorString());
        return;
    }
    RunLog.Add(QStringLiteral("Mapping saved to: ") + path);
}

// Loading replaces the whole map: columns the file does not name end up skipped,
// so the page shows exactly the mapping that was saved.
void TForm1::Button24Click()
{
    const QString path = Prompt().OpenFileName(MappingFilter);
    if (path.isEmpty())
        return;
    QStringList lines;
    QString error;
    if (!ReadTextFileLines(path, lines, nullptr, &error)) {
        RunLog.Add(QStringLiteral("Unable to read mapping file: ") + path);
        Prompt().ShowError(QStringLiteral("Unable to read the mapping file ") + path + QStringLiteral(": ") + error);
        return;
    }
    const QString text = lines.join(QLatin1Char('\n'));
    const QStringList headings = GridHeadings(SourceLines, CheckBox1->isChecked(), StringGrid1);
    const int columns = SourceColumns(StringGrid1);
    TMappingLoad load = ResolveMappingFile(text, FieldCatalogue, columns, headings);

    // The file's columns moved since the mapping was saved: the user decides whether
    // the letters or the headings hold.
    QStringList changes;
    for (const THeadingChange& change : load.Changes)
        changes.append(DescribeHeadingChange(change));
    bool followed = false;
    if (!changes.isEmpty()) {
        followed = Prompt().Confirm(
            QStringLiteral("The column headings differ from those saved with the mapping:\r\n") +
            changes.join(QStringLiteral("\r\n")) +
            QStringLiteral("\r\n\r\nFollow the headings? Yes maps each field to the column that has its heading "
                           "now (a field whose heading is gone or heads several columns is left unmapped). No "
                           "keeps the columns as saved."));
        if (followed)
            load = ResolveMappingFile(text, FieldCatalogue, columns, headings, true);
    }

    ResetColumnMap(ColumnMap);
    ApplyMappingEntries(load.Entries, ColumnMap);
    RunLog.Add(QStringLiteral("Mapping loaded from: ") + path);
    RunLog.Add(QStringLiteral(" Columns mapped: ") + QString::number(load.Entries.size()));
    for (const QString& change : changes)
        RunLog.Add(QLatin1Char(' ') + change + (followed ? QStringLiteral(" (followed)") : QString()));

    QStringList report;
    if (!load.Problems.isEmpty()) {
        report.append(QStringLiteral("These lines of the mapping file were not applied:"));
        for (const TMappingProblem& problem : load.Problems)
            report.append(DescribeProblem(problem));
    }
    report += load.Notes;
    if (!report.isEmpty())
        Prompt().ShowMessage(report.join(QStringLiteral("\r\n")));
    StringGrid1Click();
    if (!load.Entries.isEmpty())
        Button10->setEnabled(true);
}

// Maps the columns whose heading names exactly one offered field; other columns keep their choice.
void TForm1::Button25Click()
{
    if (!CheckBox1->isChecked() || SourceLines.isEmpty()) {
        Prompt().ShowMessage(QStringLiteral("Columns can be matched by their headings only when the first row "
                                            "of the source file contains column headings."));
        return;
    }
    const QStringList headings = GridHeadings(SourceLines, true, StringGrid1);
    const THeadingMatch match = MatchByHeadings(headings, FieldCatalogue);
    // A date format already chosen for a column stays.
    ApplyFieldChoices(match.Entries, ColumnMap);
    RunLog.Add(QStringLiteral("Columns matched by headings: ") + QString::number(match.Entries.size()));

    QStringList report;
    if (match.Entries.isEmpty())
        report.append(QStringLiteral("No column heading matches the name of a field."));
    if (!match.Ambiguous.isEmpty()) {
        report.append(QStringLiteral("These headings name more than one field; choose their fields yourself:"));
        for (const THeadingProblem& problem : match.Ambiguous)
            report.append(QStringLiteral("Column ") + ColumnLetters(problem.Column) + QStringLiteral(" \"")
                          + problem.Heading + QStringLiteral("\": ") + problem.Fields.join(QStringLiteral("; ")));
    }
    if (!report.isEmpty())
        Prompt().ShowMessage(report.join(QStringLiteral("\r\n")));
    StringGrid1Click();
    if (!match.Entries.isEmpty())
        Button10->setEnabled(true);
}
