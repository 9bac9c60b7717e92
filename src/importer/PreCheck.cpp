#include "importer/PreCheck.h"

#include "importer/AsciiFold.h"
#include "importer/RecordEncoder.h"
#include "importer/ValueShapes.h"
#include "mapping/ColumnMap.h"
#include "mapping/FieldNames.h"
#include "mapping/MappingPage.h"
#include "source/ColumnLetters.h"
#include "source/RowList.h"

#include <limits>

namespace
{

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// "1 cell with letters changed" / "5 cells with letters changed".
QString Counted(qint32 count, const char* one, const char* many)
{
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

// "K", "K and L", "K, L and M".
QString JoinLetters(const QList<int>& columns)
{
    QStringList letters;
    for (const int column : columns)
        letters.append(ColumnLetters(column));
    if (letters.size() < 2)
        return letters.join(QString());
    const QString last = letters.takeLast();
    return letters.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString FieldPath(const TCatalogue& catalogue, int index)
{
    return TabNameOfIndex(catalogue, index).value_or(QString()) + QStringLiteral(" / ") +
           BoxNameOfIndex(catalogue, index).value_or(QString()) + QStringLiteral(" / ") +
           FieldNameOfIndex(catalogue, index).value_or(QString());
}

// What a kind is called when more of it are found than listed.
const char* KindName(TFindingKind kind)
{
    switch (kind) {
    case TFindingKind::NotADate:
        return "dates not in their column's format";
    case TFindingKind::LettersChanged:
        return "cells with letters changed";
    case TFindingKind::CharactersLost:
        return "cells with characters that cannot be sent";
    case TFindingKind::WrongShape:
        return "cells that do not look like their field's type";
    case TFindingKind::TooManyFlags:
        return "rows with more than 36 Flags";
    case TFindingKind::SkippedRow:
        return "rows with no cells";
    case TFindingKind::DuplicateRow:
        return "rows that repeat an earlier row";
    case TFindingKind::FieldNotSent:
        return "columns mapped to a field that is not sent";
    }
    return "";
}

} // namespace

QString DescribeFinding(const TFinding& f)
{
    QString text;
    if (f.Row > 0)
        text = QStringLiteral("Row ") + QString::number(f.Row);
    if (f.Column > 0)
        text += (text.isEmpty() ? QStringLiteral("Column ") : QStringLiteral(", column ")) + ColumnLetters(f.Column);
    if (!f.Heading.isEmpty())
        text += QLatin1Char(' ') + Quoted(f.Heading);
    if (!f.Field.isEmpty())
        text += QStringLiteral(" (") + f.Field + QLatin1Char(')');
    text += QStringLiteral(": ");
    switch (f.Kind) {
    case TFindingKind::NotADate:
        return text + Quoted(f.Cell) + QStringLiteral(" is not a date in ") + f.Detail;
    case TFindingKind::LettersChanged:
        return text + Quoted(f.Cell) + QStringLiteral(" is sent as ") + Quoted(f.Sent);
    case TFindingKind::CharactersLost:
        return text + Quoted(f.Cell) + QStringLiteral(" is sent as ") + Quoted(f.Sent) + QStringLiteral(": ") +
               f.Detail + QStringLiteral(" cannot be sent");
    case TFindingKind::WrongShape:
        return text + Quoted(f.Cell) + QStringLiteral(" is not ") + f.Detail;
    case TFindingKind::TooManyFlags:
        return text + f.Detail + QStringLiteral(" Flags; only the first 36 are sent");
    case TFindingKind::SkippedRow:
        return text + QStringLiteral("no cells; the row is not sent");
    case TFindingKind::DuplicateRow:
        return text + QStringLiteral("the same as row ") + f.Detail;
    case TFindingKind::FieldNotSent:
        return text + (f.Detail.isEmpty() ? QStringLiteral("this field is never sent; the column is left out of "
                                                           "every record")
                                          : f.Detail);
    }
    return text;
}

qint32 TPreCheckReport::Total() const
{
    qint32 total = 0;
    for (const qint32 count : Counts)
        total += count;
    return total;
}

QString TPreCheckReport::SummaryLine() const
{
    QStringList parts;
    for (int format = 0; format < int(DatesByFormat.size()); ++format)
        if (const qint32 n = DatesByFormat[size_t(format)]; n > 0)
            parts.append(Counted(n, "date not in ", "dates not in ") + DateFormatNames().at(format));
    const struct
    {
        TFindingKind Kind;
        const char* One;
        const char* Many;
    } counted[] = {
        {TFindingKind::LettersChanged, "cell with letters changed", "cells with letters changed"},
        {TFindingKind::CharactersLost, "cell with characters that cannot be sent",
         "cells with characters that cannot be sent"},
        {TFindingKind::WrongShape, "cell that does not look like its field's type",
         "cells that do not look like their field's type"},
        {TFindingKind::TooManyFlags, "row with more than 36 Flags", "rows with more than 36 Flags"},
        {TFindingKind::SkippedRow, "row with no cells (not sent)", "rows with no cells (not sent)"},
        {TFindingKind::DuplicateRow, "row that repeats an earlier row", "rows that repeat an earlier row"},
    };
    for (const auto& kind : counted)
        if (const qint32 n = Count(kind.Kind); n > 0)
            parts.append(Counted(n, kind.One, kind.Many));
    const QList<int> unsent = UnsentColumns();
    if (unsent.size() == 1)
        parts.append(QStringLiteral("column ") + JoinLetters(unsent) +
                     QStringLiteral(" is mapped to a field that is not sent"));
    else if (unsent.size() > 1)
        parts.append(QStringLiteral("columns ") + JoinLetters(unsent) +
                     QStringLiteral(" are mapped to fields that are not sent"));

    const QString rows = Counted(RowsChecked, "row checked", "rows checked");
    if (parts.isEmpty())
        return rows + QStringLiteral(": no problems found");
    return rows + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

QStringList TPreCheckReport::Lines() const
{
    QStringList lines;
    lines.reserve(Findings.size() + FindingKindCount);
    for (const TFinding& finding : Findings)
        lines.append(DescribeFinding(finding));
    for (int kind = 0; kind < FindingKindCount; ++kind) {
        const qint32 unlisted = Counts[size_t(kind)] - MaxListedPerKind;
        if (unlisted > 0)
            lines.append(QStringLiteral("... and %1 more %2, not listed")
                             .arg(unlisted)
                             .arg(QLatin1String(KindName(TFindingKind(kind)))));
    }
    return lines;
}

QList<int> TPreCheckReport::UnsentColumns() const
{
    QList<int> columns;
    for (const TFinding& finding : Findings)
        if (finding.Kind == TFindingKind::FieldNotSent)
            columns.append(finding.Column);
    return columns;
}

TPreCheck::TPreCheck(const QStringList& sourceLines, bool headings, const TColumnMap& columnMap,
                     const TCatalogue& catalogue)
    : Lines(sourceLines)
    , First(headings ? 1 : 0)
    , Next(First)
    , Plan(size_t(ColumnMapSize))
{
    const QStringList headingCells = headings && !Lines.isEmpty() ? SplitSourceRow(Lines.first()) : QStringList();
    for (int column = 1; column < ColumnMapSize; ++column) {
        const ColumnMapping& mapping = columnMap[size_t(column)];
        if (!IsMappedIndex(mapping.FieldIndex))
            continue;
        const CatalogueEntry& entry = catalogue.Entries[mapping.FieldIndex];
        const QString heading = headingCells.value(column - 1).trimmed();
        if (column > LastSentIndex || !IsSentField(entry)) {
            TFinding finding;
            finding.Kind = TFindingKind::FieldNotSent;
            finding.Column = column;
            finding.Heading = heading;
            finding.Field = FieldPath(catalogue, mapping.FieldIndex);
            if (column > LastSentIndex)
                finding.Detail = QStringLiteral("columns after ") + ColumnLetters(LastSentIndex) +
                                 QStringLiteral(" are never sent");
            Add(finding);
            continue;
        }
        TColumnPlan& plan = Plan[size_t(column)];
        plan.Checked = true;
        plan.Flag = IsFlagField(entry);
        plan.Shape = int(ShapeOfFieldType(entry.FieldType));
        plan.DateFormat = ShownDateFormat(mapping.DateFormat);
        plan.Field = catalogue.FieldNames.NameOf(mapping.FieldIndex).value_or(QString());
        plan.Heading = heading;
        LastColumn = column;
    }
    RowHashes.reserve(qMax<qsizetype>(0, Lines.size() - First));
}

void TPreCheck::Add(TFinding finding)
{
    qint32& count = FReport.Counts[size_t(finding.Kind)];
    ++count;
    if (finding.Kind == TFindingKind::NotADate) {
        const int format = DateFormatIndexOf(finding.Detail);
        if (format >= 0)
            ++FReport.DatesByFormat[size_t(format)];
    }
    if (count <= TPreCheckReport::MaxListedPerKind)
        FReport.Findings.append(std::move(finding));
}

bool TPreCheck::Step(qint32 maxRows)
{
    const qint32 end = qint32(qMin<qint64>(Lines.size(), qint64(Next) + qMax(0, maxRows)));
    for (; Next < end; ++Next)
        CheckRow(Next);
    FReport.RowsChecked = Position();
    return IsDone();
}

void TPreCheck::CheckRow(qint32 index)
{
    const QString& line = Lines.at(index);
    const qint32 row = index + 1;
    if (line.isEmpty()) {
        TFinding finding;
        finding.Kind = TFindingKind::SkippedRow;
        finding.Row = row;
        Add(finding);
        return;
    }

    // Only a hash is kept per row; the earlier row itself is still in Lines to compare.
    const size_t hash = qHash(QStringView(line), 0);
    bool repeated = false;
    for (auto it = RowHashes.constFind(hash); it != RowHashes.cend() && it.key() == hash; ++it) {
        if (Lines.at(it.value()) == line) {
            TFinding finding;
            finding.Kind = TFindingKind::DuplicateRow;
            finding.Row = row;
            finding.Detail = QString::number(it.value() + 1);
            Add(finding);
            repeated = true;
            break;
        }
    }
    if (!repeated)
        RowHashes.insert(hash, index);

    qint32 flags = 0;
    const QStringView text(line);
    qsizetype start = 0;
    for (int column = 1; column <= LastColumn && start <= text.size(); ++column) {
        qsizetype tab = text.indexOf(QLatin1Char('\t'), start);
        if (tab < 0)
            tab = text.size();
        const QStringView cell = text.mid(start, tab - start);
        start = tab + 1;
        const TColumnPlan& plan = Plan[size_t(column)];
        if (!plan.Checked || cell.isEmpty())
            continue;
        if (plan.Flag)
            ++flags;

        auto finding = [&](TFindingKind kind) {
            TFinding f;
            f.Kind = kind;
            f.Row = row;
            f.Column = column;
            f.Heading = plan.Heading;
            f.Field = plan.Field;
            f.Cell = cell.toString();
            return f;
        };

        QString sentText;
        QStringView sent = cell;
        if (!IsPlainAscii(cell)) {
            TFolding folding = FoldCell(cell);
            TFinding f = finding(folding.Lost.isEmpty() ? TFindingKind::LettersChanged : TFindingKind::CharactersLost);
            f.Sent = folding.Sent;
            QStringList shown;
            for (const QString& character : folding.Lost)
                shown.append(Quoted(ShowLostCharacter(character)));
            f.Detail = shown.join(QLatin1Char(' '));
            sentText = folding.Sent;
            sent = sentText;
            Add(std::move(f));
        }

        const auto shape = TValueShape(plan.Shape);
        if (shape == TValueShape::Date) {
            if (!IsDateInFormat(sent, plan.DateFormat)) {
                TFinding f = finding(TFindingKind::NotADate);
                f.Detail = DateFormatNames().at(plan.DateFormat);
                Add(std::move(f));
            }
        } else if (shape != TValueShape::Any && !HasShape(sent, shape)) {
            TFinding f = finding(TFindingKind::WrongShape);
            f.Detail = ShapeExpectation(shape);
            Add(std::move(f));
        }
    }
    if (flags > MaxFlagsPerRecord) {
        TFinding f;
        f.Kind = TFindingKind::TooManyFlags;
        f.Row = row;
        f.Detail = QString::number(flags);
        Add(std::move(f));
    }
}

TPreCheckReport PreCheckRows(const QStringList& sourceLines, bool headings, const TColumnMap& columnMap,
                             const TCatalogue& catalogue)
{
    TPreCheck check(sourceLines, headings, columnMap, catalogue);
    check.Step(qint32(qMin<qsizetype>(sourceLines.size(), std::numeric_limits<qint32>::max())));
    return check.Report();
}
