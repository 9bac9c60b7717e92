#include "mapping/MappingFile.h"

#include "core/TextDecoder.h"
#include "mapping/ColumnMap.h"
#include "mapping/FieldNames.h"
#include "mapping/MappingPage.h"
#include "source/ColumnLetters.h"

#include <QSet>

namespace
{
constexpr QChar Tab = QLatin1Char('\t');
constexpr int LastColumn = ColumnMapSize - 1;

// Names of one catalogue index, looked up once per file.
struct TIndexNames
{
    QString Tab;
    QString Box;
    QString Field;
    bool Named = false;
    bool Offered = false;
};

QList<TIndexNames> NamesByIndex(const TCatalogue& catalogue)
{
    QList<TIndexNames> names(CatalogueSize);
    for (int i = 0; i < CatalogueSize; ++i) {
        const std::optional<QString> tabName = TabNameOfIndex(catalogue, i);
        const std::optional<QString> boxName = BoxNameOfIndex(catalogue, i);
        const std::optional<QString> fieldName = FieldNameOfIndex(catalogue, i);
        if (!catalogue.IsInUse(i) || !tabName || !boxName || !fieldName)
            continue;
        names[i] = TIndexNames{*tabName, *boxName, *fieldName, true, IsOfferedField(catalogue, i)};
    }
    return names;
}

bool SameName(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QString Describe(const TIndexNames& names)
{
    return names.Tab + QStringLiteral(" / ") + names.Box + QStringLiteral(" / ") + names.Field;
}
} // namespace

int ColumnOfLetters(const QString& letters)
{
    const QString text = letters.trimmed().toUpper();
    if (text.isEmpty())
        return 0;
    int column = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            return 0;
        column = column * 26 + (c.unicode() - 'A' + 1);
        if (column > LastColumn)
            return 0;
    }
    return column;
}

QString WriteMappingFile(const TColumnMap& map, const TCatalogue& catalogue, int columnCount)
{
    const QList<TIndexNames> names = NamesByIndex(catalogue);
    QString text = QStringLiteral("# Column mapping: column, Tab, Box, Field and, for date fields, the date format "
                                  "(one of MDY, DMY, YMD, MY (no day), MD (Y optional), DM (Y optional)), "
                                  "separated by tabs.\n");
    const int last = qMin(columnCount, LastColumn);
    for (int column = 1; column <= last; ++column) {
        const ColumnMapping& mapping = map[size_t(column)];
        if (!IsMappedIndex(mapping.FieldIndex) || !names[mapping.FieldIndex].Named)
            continue;
        const TIndexNames& field = names[mapping.FieldIndex];
        QStringList columns{ColumnLetters(column), field.Tab, field.Box, field.Field};
        if (DateFormatApplies(catalogue, mapping.FieldIndex))
            columns.append(DateFormatNames().at(ShownDateFormat(mapping.DateFormat)));
        text += columns.join(Tab) + QLatin1Char('\n');
    }
    return text;
}

TMappingLoad ResolveMappingFile(const QString& text, const TCatalogue& catalogue, int columnCount)
{
    const QList<TIndexNames> names = NamesByIndex(catalogue);
    const int last = qMin(columnCount, LastColumn);
    TMappingLoad load;
    QSet<int> columnsSeen;
    const QStringList lines = SplitTextLines(text);
    for (int n = 0; n < lines.size(); ++n) {
        const QString& line = lines.at(n);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        auto problem = [&](const QString& reason) { load.Problems.append(TMappingProblem{n + 1, line, reason}); };

        QStringList columns = line.split(Tab);
        while (columns.size() > 4 && columns.last().trimmed().isEmpty())
            columns.removeLast();
        if (columns.size() < 4) {
            problem(QStringLiteral("Expected a column, a Tab, a Box and a Field separated by tabs"));
            continue;
        }
        if (columns.size() > 5) {
            problem(QStringLiteral("Too many entries on the line"));
            continue;
        }
        const int column = ColumnOfLetters(columns.at(0));
        if (column == 0) {
            problem(QStringLiteral("\"%1\" is not a column").arg(columns.at(0).trimmed()));
            continue;
        }
        if (column > last) {
            problem(QStringLiteral("Column %1 is not in the source file").arg(ColumnLetters(column)));
            continue;
        }
        if (columnsSeen.contains(column)) {
            problem(QStringLiteral("Column %1 is mapped on an earlier line").arg(ColumnLetters(column)));
            continue;
        }

        int found = -1;
        bool hidden = false;
        for (int i = 1; i <= 255 && found < 0; ++i) {
            const TIndexNames& field = names[i];
            if (!field.Named || !SameName(field.Tab, columns.at(1)) || !SameName(field.Box, columns.at(2)) ||
                !SameName(field.Field, columns.at(3)))
                continue;
            if (field.Offered)
                found = i;
            else
                hidden = true;
        }
        if (found < 0) {
            problem(hidden ? QStringLiteral("This field cannot be chosen on the mapping page")
                           : QStringLiteral("No such Tab, Box and Field in the field list"));
            continue;
        }

        int dateFormat = 0;
        const QString formatName = columns.size() > 4 ? columns.at(4).trimmed() : QString();
        if (!formatName.isEmpty()) {
            dateFormat = DateFormatIndexOf(formatName);
            if (dateFormat < 0) {
                problem(QStringLiteral("\"%1\" is not a date format").arg(formatName));
                continue;
            }
            if (!DateFormatApplies(catalogue, found)) {
                problem(QStringLiteral("A date format is given for a field that is not a date"));
                continue;
            }
        }
        columnsSeen.insert(column);
        load.Entries.append(TMappingEntry{column, quint16(found), quint16(dateFormat)});
    }
    return load;
}

void ApplyMappingEntries(const QList<TMappingEntry>& entries, TColumnMap& map)
{
    for (const TMappingEntry& entry : entries) {
        StoreFieldChoice(map, entry.Column, entry.FieldIndex);
        StoreDateFormat(map, entry.Column, entry.DateFormat);
    }
}

QString DescribeProblem(const TMappingProblem& problem)
{
    return QStringLiteral("Line %1: %2: %3").arg(problem.LineNumber).arg(problem.Reason, problem.Line);
}

THeadingMatch MatchByHeadings(const QStringList& headings, const TCatalogue& catalogue)
{
    const QList<TIndexNames> names = NamesByIndex(catalogue);
    THeadingMatch match;
    const int last = int(qMin<qsizetype>(headings.size(), LastColumn));
    for (int column = 1; column <= last; ++column) {
        const QString heading = headings.at(column - 1).trimmed();
        if (heading.isEmpty())
            continue;
        QList<int> candidates;
        for (int i = 1; i <= 255; ++i) {
            if (names[i].Offered && SameName(names[i].Field, heading))
                candidates.append(i);
        }
        if (candidates.size() == 1) {
            match.Entries.append(TMappingEntry{column, quint16(candidates.first()), 0});
        } else if (candidates.size() > 1) {
            THeadingProblem problem{column, heading, {}};
            for (const int i : candidates)
                problem.Fields.append(Describe(names[i]));
            match.Ambiguous.append(problem);
        }
    }
    return match;
}
