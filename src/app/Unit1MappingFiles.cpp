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

// Source columns shown in the grid (its first column holds row numbers).
int SourceColumns(const QTableWidget* grid)
{
    return qMax(0, grid->columnCount() - 1);
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
    const QByteArray bytes = EncodeText(WriteMappingFile(ColumnMap, FieldCatalogue, columns), TextEncoding::Ansi);
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
    const TMappingLoad load = ResolveMappingFile(lines.join(QLatin1Char('\n')), FieldCatalogue,
                                                 SourceColumns(StringGrid1));
    ResetColumnMap(ColumnMap);
    ApplyMappingEntries(load.Entries, ColumnMap);
    RunLog.Add(QStringLiteral("Mapping loaded from: ") + path);
    RunLog.Add(QStringLiteral(" Columns mapped: ") + QString::number(load.Entries.size()));

    if (!load.Problems.isEmpty()) {
        QStringList described;
        for (const TMappingProblem& problem : load.Problems)
            described.append(DescribeProblem(problem));
        Prompt().ShowMessage(QStringLiteral("These lines of the mapping file were not applied:\r\n")
                             + described.join(QStringLiteral("\r\n")));
    }
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
    const QStringList headings = BuildRowList(SourceLines.first(), 1).mid(1).mid(0, SourceColumns(StringGrid1));
    const THeadingMatch match = MatchByHeadings(headings, FieldCatalogue);
    ApplyMappingEntries(match.Entries, ColumnMap);
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
