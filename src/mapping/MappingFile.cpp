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

bool SameField(const TIndexNames& a, const TIndexNames& b)
{
    return SameName(a.Tab, b.Tab) && SameName(a.Box, b.Box) && SameName(a.Field, b.Field);
}

// How many offered fields share the Tab, Box and Field names of index.
int SameNamedFields(const QList<TIndexNames>& names, int index)
{
    int count = 0;
    for (int i = 1; i <= 255; ++i)
        if (names[i].Offered && SameField(names[i], names[index]))
            ++count;
    return count;
}

// Named entries after the Field (and the date format).
const QString HeadingKey = QStringLiteral("heading=");
const QString NumbersKey = QStringLiteral("numbers=");

// "99-2-18": what tells apart two fields of one name in one Box.
QString NumbersOf(const CatalogueEntry& entry)
{
    return QStringLiteral("%1-%2-%3").arg(entry.TabNo).arg(entry.FieldNo).arg(entry.ItemNo);
}

bool StartsWithKey(const QString& column, const QString& key)
{
    return column.trimmed().startsWith(key, Qt::CaseInsensitive);
}

QString ValueOfKey(const QString& column, const QString& key)
{
    return column.trimmed().mid(key.size()).trimmed();
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

QString WriteMappingFile(const TColumnMap& map, const TCatalogue& catalogue, int columnCount,
                         const QStringList& headings)
{
    const QList<TIndexNames> names = NamesByIndex(catalogue);
    QString text = QStringLiteral("# Column mapping: column, Tab, Box, Field and, for date fields, the date format "
                                  "(one of MDY, DMY, YMD, MY (no day), MD (Y optional), DM (Y optional)), "
                                  "separated by tabs; then heading= the column's heading, and numbers= the "
                                  "field's Tab, Field and Item numbers where its Box has several fields of "
                                  "that name.\n");
    const int last = qMin(columnCount, LastColumn);
    for (int column = 1; column <= last; ++column) {
        const ColumnMapping& mapping = map[size_t(column)];
        if (!IsMappedIndex(mapping.FieldIndex) || !names[mapping.FieldIndex].Named)
            continue;
        const TIndexNames& field = names[mapping.FieldIndex];
        QStringList columns{ColumnLetters(column), field.Tab, field.Box, field.Field};
        if (DateFormatApplies(catalogue, mapping.FieldIndex))
            columns.append(DateFormatNames().at(ShownDateFormat(mapping.DateFormat)));
        const QString heading = headings.value(column - 1).trimmed();
        if (!heading.isEmpty())
            columns.append(HeadingKey + heading);
        if (SameNamedFields(names, mapping.FieldIndex) > 1)
            columns.append(NumbersKey + NumbersOf(catalogue.Entries[mapping.FieldIndex]));
        text += columns.join(Tab) + QLatin1Char('\n');
    }
    return text;
}

TMappingLoad ResolveMappingFile(const QString& text, const TCatalogue& catalogue, int columnCount,
                                const QStringList& headings, bool followHeadings)
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
        int column = ColumnOfLetters(columns.at(0));
        if (column == 0) {
            problem(QStringLiteral("\"%1\" is not a column").arg(columns.at(0).trimmed()));
            continue;
        }

        // After the Field: the date format, then named entries in any order.
        QString formatName;
        QString heading;
        QString numbers;
        QString extra;
        for (qsizetype k = 4; k < columns.size(); ++k) {
            const QString& entry = columns.at(k);
            if (StartsWithKey(entry, HeadingKey))
                heading = ValueOfKey(entry, HeadingKey);
            else if (StartsWithKey(entry, NumbersKey))
                numbers = ValueOfKey(entry, NumbersKey);
            else if (k == 4)
                formatName = entry.trimmed();
            else if (!entry.trimmed().isEmpty() && extra.isEmpty())
                extra = entry.trimmed();
        }
        if (!extra.isEmpty()) {
            problem(QStringLiteral("Too many entries on the line"));
            continue;
        }

        QList<int> candidates;
        bool hidden = false;
        for (int i = 1; i <= 255; ++i) {
            const TIndexNames& field = names[i];
            if (!field.Named || !SameName(field.Tab, columns.at(1)) || !SameName(field.Box, columns.at(2)) ||
                !SameName(field.Field, columns.at(3)))
                continue;
            if (field.Offered)
                candidates.append(i);
            else
                hidden = true;
        }
        if (candidates.isEmpty()) {
            problem(hidden ? QStringLiteral("This field cannot be chosen on the mapping page")
                           : QStringLiteral("No such Tab, Box and Field in the field list"));
            continue;
        }
        // Several fields of one name in one Box: the saved numbers say which one.
        int found = candidates.first();
        if (!numbers.isEmpty()) {
            found = -1;
            for (const int i : candidates)
                if (NumbersOf(catalogue.Entries[size_t(i)]) == numbers) {
                    found = i;
                    break;
                }
            if (found < 0) {
                problem(QStringLiteral("No field of that name has the numbers %1 any more").arg(numbers));
                continue;
            }
        }

        int dateFormat = 0;
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

        if (!headings.isEmpty() && !heading.isEmpty() && !SameName(headings.value(column - 1), heading)) {
            THeadingChange change{column, heading, {}};
            const int shown = int(qMin<qsizetype>(headings.size(), last));
            for (int c = 1; c <= shown; ++c)
                if (SameName(headings.at(c - 1), heading))
                    change.NowColumns.append(c);
            load.Changes.append(change);
            if (followHeadings) {
                // Listed among the changes; a heading that is gone or ambiguous leaves its field unmapped.
                if (change.NowColumns.size() != 1)
                    continue;
                column = change.NowColumns.first();
            }
        }

        if (column > last) {
            problem(QStringLiteral("Column %1 is not in the source file").arg(ColumnLetters(column)));
            continue;
        }
        if (columnsSeen.contains(column)) {
            problem(QStringLiteral("Column %1 is mapped on an earlier line").arg(ColumnLetters(column)));
            continue;
        }
        if (DateFormatApplies(catalogue, found) && formatName.isEmpty())
            load.Notes.append(QStringLiteral("Column %1 (%2): no date format given; MDY is used")
                                  .arg(ColumnLetters(column), names[found].Field));
        columnsSeen.insert(column);
        load.Entries.append(TMappingEntry{column, quint16(found), quint16(dateFormat), heading});
    }
    return load;
}

bool MappingRecordsHeadings(const QString& text)
{
    for (const QString& line : SplitTextLines(text)) {
        if (line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const QStringList columns = line.split(Tab);
        for (qsizetype k = 4; k < columns.size(); ++k)
            if (StartsWithKey(columns.at(k), HeadingKey) && !ValueOfKey(columns.at(k), HeadingKey).isEmpty())
                return true;
    }
    return false;
}

QString DescribeHeadingChange(const THeadingChange& change)
{
    const QString was = change.Heading + QStringLiteral(" was column ") + ColumnLetters(change.SavedColumn);
    if (change.NowColumns.isEmpty())
        return was + QStringLiteral(", is no longer in the file");
    if (change.NowColumns.size() == 1)
        return was + QStringLiteral(", is now ") + ColumnLetters(change.NowColumns.first());
    QStringList letters;
    for (const int column : change.NowColumns)
        letters.append(ColumnLetters(column));
    return was + QStringLiteral(", now heads several columns: ") + letters.join(QStringLiteral(", "));
}

void ApplyMappingEntries(const QList<TMappingEntry>& entries, TColumnMap& map)
{
    for (const TMappingEntry& entry : entries) {
        StoreFieldChoice(map, entry.Column, entry.FieldIndex);
        StoreDateFormat(map, entry.Column, entry.DateFormat);
    }
}

void ApplyFieldChoices(const QList<TMappingEntry>& entries, TColumnMap& map)
{
    for (const TMappingEntry& entry : entries)
        StoreFieldChoice(map, entry.Column, entry.FieldIndex);
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
            match.Entries.append(TMappingEntry{column, quint16(candidates.first()), 0, heading});
        } else if (candidates.size() > 1) {
            THeadingProblem problem{column, heading, {}};
            for (const int i : candidates)
                problem.Fields.append(Describe(names[i]));
            match.Ambiguous.append(problem);
        }
    }
    return match;
}
