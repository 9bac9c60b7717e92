#include "importer/ResultsFile.h"

#include "core/Conversions.h"
#include "source/ColumnLetters.h"
#include "source/RowList.h"

#include <QDir>
#include <QFileInfo>

#include <charconv>
#include <functional>
#include <limits>

namespace
{
const char ByteOrderMark[] = "\xEF\xBB\xBF";
const QString MessageSeparator = QStringLiteral(" | ");

// Calls onRecord with the fields of every CSV record of text, in order, until it
// returns false. Blank lines are no records.
bool ForEachCsvRecord(const QString& text, const std::function<bool(const QStringList&)>& onRecord)
{
    QStringList fields;
    QString field;
    bool inQuotes = false;
    bool fieldQuoted = false;
    const qsizetype size = text.size();
    auto endRecord = [&] {
        fields.append(field);
        field.clear();
        fieldQuoted = false;
        const bool blank = fields.size() == 1 && fields.first().isEmpty();
        const bool go = blank || onRecord(fields);
        fields.clear();
        return go;
    };
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < size && text.at(i + 1) == QLatin1Char('"'))
                field += text.at(++i);
            else
                inQuotes = false;
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty() && !fieldQuoted) {
            inQuotes = true;
            fieldQuoted = true;
        } else if (c == QLatin1Char(',')) {
            fields.append(field);
            field.clear();
            fieldQuoted = false;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            if (!endRecord())
                return false;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !fields.isEmpty() || fieldQuoted)
        return endRecord();
    return true;
}

// Cells compared as the import sends them: empty cells at the end send nothing.
QStringList WithoutTrailingEmpty(QStringList cells)
{
    while (!cells.isEmpty() && cells.last().isEmpty())
        cells.removeLast();
    return cells;
}

bool ParseCount(const QString& text, qint32 low, qint32 high, qint32& value)
{
    return TryStrToInt(text, value) && value >= low && value <= high && QString::number(value) == text;
}
} // namespace

namespace
{
bool NeedsQuotes(QStringView text)
{
    for (const QChar c : text)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    return false;
}

// Appends one field to a line in the making; a results file writes one line per row.
void AppendCsvField(QString& line, QStringView text)
{
    if (!NeedsQuotes(text)) {
        line += text;
        return;
    }
    line += u'"';
    for (const QChar c : text) {
        if (c == u'"')
            line += u'"';
        line += c;
    }
    line += u'"';
}

void AppendNumber(QString& line, qint64 number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    line += QLatin1StringView(digits, end - digits);
}
} // namespace

QString CsvField(const QString& text)
{
    if (!NeedsQuotes(text))
        return text;
    QString quoted;
    AppendCsvField(quoted, text);
    return quoted;
}

QByteArray CsvRecord(const QStringList& fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(',');
        AppendCsvField(line, fields.at(i));
    }
    line += QStringLiteral("\r\n");
    return line.toUtf8();
}

QStringList TResultsFile::FixedHeadings()
{
    return {QStringLiteral("Row"), QStringLiteral("Outcome"), QStringLiteral("HTTP status"), QStringLiteral("Posts"),
            QStringLiteral("Messages")};
}

bool TResultsFile::Create(const QString& path, const QStringList& cellHeadings, bool replace)
{
    File.close();
    File.setFileName(path);
    FError.clear();
    FRows = 0;
    FCellColumns = cellHeadings.size();
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | (replace ? QIODevice::Truncate : QIODevice::NewOnly);
    if (!File.open(mode)) {
        FError = File.errorString();
        return false;
    }
    const QByteArray head = QByteArray(ByteOrderMark) + CsvRecord(FixedHeadings() + cellHeadings);
    if (File.write(head) != head.size() || !File.flush()) {
        FError = File.errorString();
        File.close();
        return false;
    }
    return true;
}

bool TResultsFile::Append(const TRowEntry& entry, const QStringList& cells, qsizetype firstCell)
{
    if (!File.isOpen() || !FError.isEmpty())
        return false;
    // The line is made in one buffer: a run writes one per row.
    qsizetype size = 48 + entry.Messages.size() * 2;
    for (qsizetype i = firstCell; i < cells.size(); ++i)
        size += cells.at(i).size() + 3;
    QString line;
    line.reserve(size + qMax<qsizetype>(0, FCellColumns - (cells.size() - firstCell)));
    AppendNumber(line, entry.Row());
    line += u',';
    line += RowOutcomeText(entry.Outcome);
    line += u',';
    if (entry.HttpStatus > 0)
        AppendNumber(line, entry.HttpStatus);
    line += u',';
    AppendNumber(line, entry.Posts);
    line += u',';
    // The reply's lines joined by " | ", quoted as one field.
    if (entry.Messages.contains(u'\n')) {
        QString joined = entry.Messages;
        joined.replace(u'\n', MessageSeparator);
        AppendCsvField(line, joined);
    } else {
        AppendCsvField(line, entry.Messages);
    }
    qsizetype written = 0;
    for (qsizetype i = firstCell; i < cells.size(); ++i, ++written) {
        line += u',';
        AppendCsvField(line, cells.at(i));
    }
    for (; written < FCellColumns; ++written)
        line += u',';
    line += QLatin1StringView("\r\n");
    const QByteArray bytes = line.toUtf8();
    if (File.write(bytes) != bytes.size() || !File.flush()) {
        FError = File.errorString();
        return false;
    }
    ++FRows;
    return true;
}

QString ResultsFileName(const QString& sourcePath, const QDateTime& now)
{
    QString name = QFileInfo(sourcePath).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("import");
    return name + QStringLiteral("-results-") + now.toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
           QStringLiteral(".csv");
}

QStringList ResultsCellHeadings(const QStringList& sourceLines, bool headings)
{
    qsizetype columns = 0;
    for (const QString& line : sourceLines)
        columns = qMax(columns, SplitSourceRow(line).size());
    const QStringList names = headings && !sourceLines.isEmpty() ? SplitSourceRow(sourceLines.first()) : QStringList();
    QStringList result;
    result.reserve(columns);
    for (qsizetype j = 1; j <= columns; ++j) {
        QString name = names.value(j - 1);
        if (name.isEmpty())
            name = ColumnLetters(int(j));
        if (name.isEmpty())
            name = QStringLiteral("Column ") + QString::number(j);
        result.append(name);
    }
    return result;
}

TResultsPlace CreateResultsFile(TResultsFile& file, const QString& sourcePath, const QString& fallbackDir,
                                const QDateTime& now, const QStringList& cellHeadings)
{
    const QString name = ResultsFileName(sourcePath, now);
    const QString stem = name.left(name.size() - 4);
    auto createIn = [&](const QString& dir, QString& why) {
        for (int attempt = 1; attempt <= 100; ++attempt) {
            const QString candidate =
                QDir(dir).filePath(attempt == 1 ? name : stem + QLatin1Char('-') + QString::number(attempt) +
                                                             QStringLiteral(".csv"));
            if (file.Create(candidate, cellHeadings, false))
                return true;
            // Only a name already taken is worth another try.
            if (!QFileInfo::exists(candidate)) {
                why = file.Error();
                return false;
            }
        }
        why = QStringLiteral("too many results files of that name");
        return false;
    };

    TResultsPlace place;
    if (!sourcePath.isEmpty()) {
        if (createIn(QFileInfo(sourcePath).absolutePath(), place.SourceDirError)) {
            place.Created = true;
            return place;
        }
        place.FellBack = true;
    }
    place.Created = createIn(fallbackDir, place.Error);
    return place;
}

bool LoadResultsForResume(const QString& resultsPath, const QString& sourceName, const QStringList& sourceLines,
                          bool headings, TRunLedger& previous, QString* error)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    QFile file(resultsPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Unable to read the results file ") + resultsPath + QStringLiteral(": ") +
                    file.errorString());
    QByteArray bytes = file.readAll();
    if (bytes.startsWith(ByteOrderMark))
        bytes.remove(0, 3);
    const QString text = QString::fromUtf8(bytes);
    bytes.clear();

    const qint32 first = headings ? 1 : 0;
    const qint32 lineCount = qint32(sourceLines.size());
    previous.Reset(first, lineCount);
    const QString changed = QStringLiteral("%1 has changed since %2 was written (or the first row is taken as "
                                           "headings differently): ")
                                .arg(sourceName, resultsPath);
    bool sawHeading = false;
    qint32 expectedLine = first;
    QString problem;
    const bool read = ForEachCsvRecord(text, [&](const QStringList& fields) {
        if (!sawHeading) {
            sawHeading = true;
            if (fields.mid(0, 5) != TResultsFile::FixedHeadings()) {
                problem = resultsPath + QStringLiteral(" is not a results file: its first line does not begin with "
                                                       "Row, Outcome, HTTP status, Posts, Messages.");
                return false;
            }
            return true;
        }
        if (fields.size() < 5) {
            problem = resultsPath + QStringLiteral(" is damaged: a line has fewer than five fields.");
            return false;
        }
        qint32 row = 0;
        if (!ParseCount(fields.at(0), 1, std::numeric_limits<qint32>::max(), row)) {
            problem = resultsPath + QStringLiteral(" is damaged: \"") + fields.at(0) +
                      QStringLiteral("\" is no row number.");
            return false;
        }
        if (expectedLine >= lineCount || row != expectedLine + 1) {
            problem = changed + (expectedLine >= lineCount
                                     ? QStringLiteral("it lists row %1, which the file no longer has.").arg(row)
                                     : QStringLiteral("it lists row %1 where the file's row %2 is expected.")
                                           .arg(row)
                                           .arg(expectedLine + 1));
            return false;
        }
        const std::optional<TRowOutcome> outcome = ParseRowOutcome(fields.at(1));
        qint32 status = 0;
        qint32 posts = 0;
        if (!outcome || (!fields.at(2).isEmpty() && !ParseCount(fields.at(2), 100, 999, status)) ||
            !ParseCount(fields.at(3), 0, 32767, posts)) {
            problem = resultsPath + QStringLiteral(" is damaged: row %1 has no valid outcome, HTTP status or "
                                                   "number of posts.")
                                        .arg(row);
            return false;
        }
        // The rows to send again must be the very rows that were not imported.
        if (*outcome != TRowOutcome::Imported &&
            WithoutTrailingEmpty(fields.mid(5)) != WithoutTrailingEmpty(SplitSourceRow(sourceLines.at(expectedLine)))) {
            problem = changed + QStringLiteral("row %1 holds other cells now.").arg(row);
            return false;
        }
        TRowEntry& entry = previous.At(expectedLine);
        entry.Outcome = *outcome;
        entry.HttpStatus = qint16(status);
        entry.Posts = qint16(posts);
        entry.Messages = fields.at(4).isEmpty() ? QString() : fields.at(4).split(MessageSeparator).join(QLatin1Char('\n'));
        ++expectedLine;
        return true;
    });
    if (!read)
        return fail(problem);
    if (!sawHeading)
        return fail(resultsPath + QStringLiteral(" is empty: it is not a results file."));
    if (expectedLine != lineCount)
        return fail(changed + QStringLiteral("it lists %1 rows, the file now has %2 rows to import.")
                                  .arg(expectedLine - first)
                                  .arg(lineCount - first));
    return true;
}
