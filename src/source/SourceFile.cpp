#include "source/SourceFile.h"

#include "source/csvdata.h"

#include <QFile>

#include <vector>

namespace
{
enum class TReadResult
{
    Rebuilt,
    NoDelimiter,
    Unreadable
};

// Line views over the decoded text, split the way every text file is read: a
// line ends at CR LF, a lone LF or a lone CR; NUL ends the text; a break at the
// very end gives no empty last line.
std::vector<QStringView> SplitLineViews(const QString& text)
{
    std::vector<QStringView> lines;
    const qsizetype nul = text.indexOf(QChar(0));
    const qsizetype end = nul < 0 ? text.size() : nul;
    const QChar* data = text.constData();
    qsizetype start = 0;
    for (qsizetype i = 0; i < end; ++i) {
        const char16_t u = data[i].unicode();
        if (u != u'\r' && u != u'\n')
            continue;
        lines.emplace_back(data + start, i - start);
        if (u == u'\r' && i + 1 < end && data[i + 1].unicode() == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < end)
        lines.emplace_back(data + start, end - start);
    return lines;
}

bool ReadFileText(const QString& fileName, QString& text, QString& error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    text = DecodeText(bytes);
    return true;
}

// Joins one parsed row with tabs, each CR LF inside a cell written as "[br]".
// Returns false for a blank row: nothing but spaces and control characters.
bool RebuildRow(std::span<const QStringView> cells, QString& line)
{
    qsizetype size = qsizetype(cells.size()) - 1;
    for (const QStringView cell : cells)
        size += cell.size() * 2; // "[br]" is twice as long as CR LF
    line.resize(size);
    QChar* out = line.data();
    bool content = false;
    bool first = true;
    for (const QStringView cell : cells) {
        if (!first)
            *out++ = QLatin1Char('\t');
        first = false;
        const QChar* p = cell.data();
        const QChar* end = p + cell.size();
        for (; p < end; ++p) {
            const char16_t u = p->unicode();
            if (u == u'\r' && p + 1 < end && p[1].unicode() == u'\n') {
                *out++ = QLatin1Char('[');
                *out++ = QLatin1Char('b');
                *out++ = QLatin1Char('r');
                *out++ = QLatin1Char(']');
                ++p;
                content = true;
                continue;
            }
            if (u > u' ')
                content = true;
            *out++ = *p;
        }
    }
    line.resize(out - line.constData());
    return content;
}

TReadResult ReadTable(const QString& fileName, QStringList& sourceLines, QChar& sourceDelimiter, TRunLog& log,
                      QString& error)
{
    QString text;
    if (!ReadFileText(fileName, text, error))
        return TReadResult::Unreadable;
    const std::vector<QStringView> lines = SplitLineViews(text);

    const int found = DetectDelimiter(lines, log);
    if (found == 0) {
        QStringList raw;
        raw.reserve(qsizetype(lines.size()));
        for (const QStringView line : lines)
            raw.append(line.toString());
        sourceLines.swap(raw);
        return TReadResult::NoDelimiter;
    }
    if (found == 1) {
        sourceDelimiter = QLatin1Char('\t');
        log.Add(QStringLiteral("Tab delimiters found"));
    } else {
        sourceDelimiter = QLatin1Char(',');
        log.Add(QStringLiteral("Comma delimiters found"));
    }
    const QChar quote = found == 1 ? QChar(0) : QChar(u'"');

    QStringList rebuilt;
    rebuilt.reserve(qsizetype(lines.size()));
    std::vector<qsizetype> widths; // cells per kept row, to pad the narrow ones after
    widths.reserve(lines.size());
    QString line;
    const int widest = WalkDelimitedLines(lines, sourceDelimiter, quote, [&](std::span<const QStringView> cells) {
        if (RebuildRow(cells, line)) {
            // An exact-size copy: line keeps its spare room for the next row.
            rebuilt.append(QString(line.constData(), line.size()));
            widths.push_back(qsizetype(cells.size()));
        }
    });
    for (qsizetype i = 0; i < rebuilt.size(); ++i) {
        const qsizetype missing = widest + 1 - widths[size_t(i)];
        if (missing > 0)
            rebuilt[i].append(QString(missing, QLatin1Char('\t')));
    }
    sourceLines.swap(rebuilt);
    return TReadResult::Rebuilt;
}

template <typename Lines> int DetectIn(const Lines& lines, qsizetype lineCount, TRunLog& log)
{
    if (lineCount == 0) {
        log.Add(QStringLiteral(" No lines in text file, setting delimiter result as 0."));
        return 0;
    }
    qsizetype commas = 0;
    qsizetype tabs = 0;
    for (const auto& line : lines) {
        for (const QChar c : line) {
            if (c == QLatin1Char(','))
                ++commas;
            else if (c == QLatin1Char('\t'))
                ++tabs;
        }
    }
    if (commas < lineCount && tabs < lineCount) {
        log.Add(QStringLiteral(" Comma & Tab counts were less than text file line count, setting delimiter result as 0."));
        return 0;
    }
    return commas <= tabs ? 1 : 2;
}
} // namespace

int DetectDelimiter(const QStringList& lines, TRunLog& log)
{
    return DetectIn(lines, lines.size(), log);
}

int DetectDelimiter(std::span<const QStringView> lines, TRunLog& log)
{
    return DetectIn(lines, qsizetype(lines.size()), log);
}

bool ReadSourceTable(const QString& fileName, QStringList& sourceLines, QChar& sourceDelimiter, TRunLog& log,
                     QString* readError)
{
    QString error;
    const TReadResult result = ReadTable(fileName, sourceLines, sourceDelimiter, log, error);
    if (result == TReadResult::Unreadable && error.isEmpty())
        error = QStringLiteral("Unknown error");
    if (readError)
        *readError = result == TReadResult::Unreadable ? error : QString();
    return result != TReadResult::Rebuilt;
}

TSourceLoad LoadSourceLines(const QString& fileName, QStringList& sourceLines, QChar& sourceDelimiter, TRunLog& log,
                            const QString& logPath)
{
    log.Add(QStringLiteral("Source file: ") + fileName);
    log.SaveTo(logPath);

    TSourceLoad load;
    QString error;
    const bool invalid = ReadSourceTable(fileName, sourceLines, sourceDelimiter, log, &error);
    if (invalid && !error.isEmpty()) {
        load.Status = TSourceStatus::Unreadable;
        load.Error = error;
        log.Add(QStringLiteral("Unable to read source file: ") + error);
        return load;
    }

    for (const QString& line : sourceLines)
        load.Size += line.size() + 2;
    load.Count = sourceLines.size();
    log.Add(QStringLiteral("Source file size: ") + QString::number(load.Size));
    log.Add(QStringLiteral("Source line count: ") + QString::number(load.Count));

    if (invalid) {
        load.Status = TSourceStatus::Invalid;
        log.Add(QStringLiteral("Invalid source file format"));
    } else if (sourceLines.isEmpty()) {
        load.Status = TSourceStatus::Empty;
        log.Add(QStringLiteral("Source file empty"));
    } else {
        load.Status = TSourceStatus::Loaded;
    }
    return load;
}

QString ErrorTitle()
{
    return QStringLiteral("Error");
}

QString InvalidFormatMessage()
{
    return QStringLiteral("Invalid source file format. The source file does not appear to be tab or comma delimited. "
                          "Check the source file format and then try again.");
}

QString EmptyFileMessage()
{
    return QStringLiteral("Source file appears empty. The source file does not appear to contain any tab or comma "
                          "delimited data. Check the source file and then try again.");
}

QString UnreadableFileMessage(const QString& fileName, const QString& reason)
{
    return QStringLiteral("Unable to read the source file \"%1\": %2. Check that the file still exists and is not "
                          "locked by another program, and then try again.")
        .arg(fileName, reason);
}
