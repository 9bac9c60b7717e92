#include "source/SourceFile.h"

#include "core/TextDecoder.h"
#include "source/DelimitedWalker.h"
#include "source/FileBlocks.h"
#include "source/csvdata.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace
{
enum class TReadResult
{
    Rebuilt,
    NoDelimiter,
    Unreadable
};

// 0 none, 1 tab, 2 comma, from the counts over all lines; logs the reason for 0.
int DecideDelimiter(qsizetype commas, qsizetype tabs, qsizetype lineCount, TRunLog& log)
{
    if (lineCount == 0) {
        log.Add(QStringLiteral(" No lines in text file, setting delimiter result as 0."));
        return 0;
    }
    if (commas < lineCount && tabs < lineCount) {
        log.Add(QStringLiteral(" Comma & Tab counts were less than text file line count, setting delimiter result as 0."));
        return 0;
    }
    return commas <= tabs ? 1 : 2;
}

const QChar kLineEnd[2] = {QChar(u'\r'), QChar(u'\n')};

inline char16_t Unit(char c)
{
    return static_cast<unsigned char>(c);
}
inline char16_t Unit(QChar c)
{
    return c.unicode();
}

// What the delimiter decision and the walk need to know of the text, read in
// pieces (bytes or characters: the characters counted are all ASCII). The text
// ends at its first NUL; a line ends at CR LF, a lone CR or a lone LF.
struct TTextScan
{
    qsizetype Commas = 0;
    qsizetype Tabs = 0;
    qsizetype Breaks = 0;   // CR LF counts once
    qsizetype Length = 0;   // units before the NUL
    bool LoneBreak = false; // a CR or LF that is not half of a CR LF pair
    bool Ended = false;     // the NUL was met
    char16_t Last = 0;      // the text's last character
    bool PendingCR = false; // the last piece ended with CR

    // A break at the very end gives no empty last line.
    qsizetype Lines() const { return Breaks + (EndsInLine() ? 1 : 0); }
    bool EndsInLine() const { return Length > 0 && Last != u'\r' && Last != u'\n'; }

    template <typename Char> void Feed(const Char* data, qsizetype size)
    {
        if (Ended || size == 0)
            return;
        qsizetype i = 0;
        if (PendingCR) {
            PendingCR = false;
            if (Unit(data[0]) == u'\n')
                i = 1;
            else
                LoneBreak = true;
        }
        constexpr quint64 kStops = (1ull << 0) | (1ull << '\t') | (1ull << '\n') | (1ull << '\r') | (1ull << ',');
        for (; i < size; ++i) {
            const char16_t u = Unit(data[i]);
            if (u >= 64 || !((kStops >> u) & 1))
                continue;
            if (u == u',') {
                ++Commas;
            } else if (u == u'\t') {
                ++Tabs;
            } else if (u == u'\n') {
                ++Breaks;
                LoneBreak = true; // a LF after CR is taken with its CR
            } else if (u == u'\r') {
                ++Breaks;
                if (i + 1 == size)
                    PendingCR = true;
                else if (Unit(data[i + 1]) == u'\n')
                    ++i;
                else
                    LoneBreak = true;
            } else {
                Ended = true;
                Length += i;
                if (i > 0)
                    Last = Unit(data[i - 1]);
                return;
            }
        }
        Length += size;
        Last = Unit(data[size - 1]);
    }

    void Finish()
    {
        if (PendingCR)
            LoneBreak = true;
        PendingCR = false;
    }
};

// Builds the rebuilt rows straight from the walk: cells joined by one tab, each
// CR LF inside a cell written as "[br]", blank rows (nothing but spaces and
// control characters) left out. The row in progress is the only text held
// besides the finished rows, and every character is copied into it once, so a
// cell of any length (a stray quote can make the rest of a file one cell) costs
// memory and time in proportion to its length.
class TRowBuilder
{
public:
    TRowBuilder(QStringList& rows, std::vector<qsizetype>& widths) : Rows(rows), Widths(widths)
    {
        Line.reserve(1024);
    }

    void Text(const QChar* begin, qsizetype length)
    {
        const QChar* p = begin;
        const QChar* const end = begin + length;
        if (CellEndsInCR && p->unicode() == u'\n') {
            // The pair's CR came with the run before.
            Line.chop(1);
            Line.append(kBreak, 4);
            Content = true;
            ++p;
        }
        const QChar* run = p;
        while (p < end) {
            const char16_t u = p->unicode();
            if (u == u'\r' && p + 1 < end && p[1].unicode() == u'\n') {
                Line.append(run, p - run);
                Line.append(kBreak, 4);
                Content = true;
                p += 2;
                run = p;
                continue;
            }
            if (u > u' ')
                Content = true;
            ++p;
        }
        Line.append(run, end - run);
        CellEndsInCR = end[-1].unicode() == u'\r';
    }

    void EndCell()
    {
        Line.append(QLatin1Char('\t'));
        CellEndsInCR = false;
    }

    void EndRow(int cells)
    {
        if (Content) {
            if (Line.size() >= kOwnRowChars) {
                // A long row is handed over as it is, not copied.
                Line.squeeze();
                Rows.append(std::move(Line));
                Line = QString();
            } else {
                // An exact-size copy: Line keeps its room for the next row.
                Rows.append(QString(Line.constData(), Line.size()));
            }
            Widths.push_back(cells);
        }
        if (Line.capacity() > kOwnRowChars)
            Line = QString(); // a long blank row leaves no large buffer behind
        Line.resize(0);
        Content = false;
        CellEndsInCR = false;
    }

private:
    static constexpr qsizetype kOwnRowChars = 64 * 1024;
    static constexpr QChar kBreak[4] = {QChar(u'['), QChar(u'b'), QChar(u'r'), QChar(u']')};

    QStringList& Rows;
    std::vector<qsizetype>& Widths;
    QString Line;
    bool Content = false;
    bool CellEndsInCR = false;
};

using TRowWalker = TDelimitedWalker<TRowBuilder>;

// Feeds text with every lone CR or LF made a CR LF, as if the text had been
// split into lines and joined again with CR LF. afterCR carries over pieces.
void FeedLines(TRowWalker& walker, QStringView text, bool& afterCR)
{
    const QChar* data = text.data();
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = data[i].unicode();
        if (u == u'\n') {
            walker.Feed(data + start, i - start);
            if (!afterCR)
                walker.Feed(kLineEnd, 2);
            start = i + 1;
        } else if (u == u'\r') {
            walker.Feed(data + start, i + 1 - start);
            walker.Feed(kLineEnd + 1, 1);
            start = i + 1;
        }
        afterCR = u == u'\r';
    }
    walker.Feed(data + start, text.size() - start);
}

struct TWalk
{
    int Widest = 0;
    bool NotUtf8 = false;
    bool Failed = false;
};

// Walks the text once, piece by piece, rebuilding every non-blank row into
// rows and its cell count into widths.
TWalk WalkText(QFile& file, qint64 start, TByteCode code, qsizetype blockBytes, const TTextScan& scan, QChar delim,
               QStringList& rows, std::vector<qsizetype>& widths)
{
    rows.clear();
    rows.reserve(scan.Lines());
    widths.clear();
    widths.reserve(size_t(scan.Lines()));
    TRowBuilder builder(rows, widths);
    const QChar quote = delim == QLatin1Char(',') ? QChar(u'"') : QChar(0);
    TRowWalker walker(delim, quote, builder);
    const bool utf16 = IsUtf16(code);
    TTextPieces pieces(file, start, code, blockBytes, utf16 ? -1 : scan.Length, utf16 ? scan.Length : -1);
    bool afterCR = false;
    for (QStringView text = pieces.Next(); !text.isEmpty(); text = pieces.Next()) {
        if (pieces.NotUtf8())
            return {0, true, false};
        if (scan.LoneBreak)
            FeedLines(walker, text, afterCR);
        else
            walker.Feed(text.data(), text.size()); // every break is already CR LF
    }
    if (pieces.Failed())
        return {0, false, true};
    if (scan.EndsInLine())
        walker.Feed(kLineEnd, 2);
    return {walker.Widest(), false, false};
}

struct TRawLines
{
    QStringList Kept;
    TSourceFigures Figures;
    bool NotUtf8 = false;
    bool Failed = false;
};

// The lines of a file that is not delimited, as splitting its whole text would
// give them: all of them are counted, but only the first are kept, whole, up to
// keptChars characters (each line counted with its CR LF, as the size figure
// counts them), so that a file of any size costs no more than that.
TRawLines ReadRawLines(QFile& file, qint64 start, TByteCode code, qsizetype blockBytes, const TTextScan& scan,
                       qsizetype keptChars)
{
    TRawLines raw;
    qsizetype keptSize = 0;
    bool keeping = true;
    QString line;            // the line in progress while it may still be kept
    qsizetype lineChars = 0; // the line in progress, kept or not
    const auto take = [&](const QChar* begin, qsizetype length) {
        lineChars += length;
        if (!keeping)
            return;
        if (keptSize + lineChars + 2 <= keptChars) {
            line.append(begin, length);
        } else {
            keeping = false;
            line = QString();
        }
    };
    const auto endLine = [&] {
        raw.Figures.Size += lineChars + 2;
        ++raw.Figures.Count;
        if (keeping) {
            keptSize += lineChars + 2;
            raw.Kept.append(line);
            line.resize(0);
        }
        lineChars = 0;
    };

    bool afterCR = false;
    const bool utf16 = IsUtf16(code);
    TTextPieces pieces(file, start, code, blockBytes, utf16 ? -1 : scan.Length, utf16 ? scan.Length : -1);
    for (QStringView text = pieces.Next(); !text.isEmpty(); text = pieces.Next()) {
        if (pieces.NotUtf8()) {
            raw.NotUtf8 = true;
            return raw;
        }
        const QChar* data = text.data();
        qsizetype from = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t u = data[i].unicode();
            if (u != u'\r' && u != u'\n')
                continue;
            take(data + from, i - from);
            from = i + 1;
            if (u == u'\n' && i == 0 && afterCR)
                continue; // the LF of a CR LF pair split between pieces
            if (u == u'\n' && i > 0 && data[i - 1].unicode() == u'\r')
                continue; // the LF of a CR LF pair
            endLine();
        }
        take(data + from, text.size() - from);
        afterCR = data[text.size() - 1].unicode() == u'\r';
    }
    raw.Failed = pieces.Failed();
    if (lineChars > 0)
        endLine();
    return raw;
}

// The file is read twice, a block at a time, so that neither its bytes nor its
// whole decoded text are ever held: once to count for the delimiter decision,
// once to walk and rebuild the rows (or to split a file that is not delimited
// into lines).
TReadResult ReadTable(const QString& fileName, QStringList& sourceLines, QChar& sourceDelimiter, TRunLog& log,
                      QString& error, qsizetype blockBytes, TSourceFigures& figures, qsizetype rawCharsKept)
{
    QFile file(fileName);
    if (!OpenRegularFile(file, error))
        return TReadResult::Unreadable;
    const QByteArray head = file.read(6);
    TByteCode code = TByteCode::Utf8OrAnsi;
    qint64 start = 0;
    if (head.startsWith("\xEF\xBB\xBF")) {
        code = TByteCode::Utf8;
        // Decoding drops a second mark that follows the first at once.
        start = head.sliced(3).startsWith("\xEF\xBB\xBF") ? 6 : 3;
    } else if (head.startsWith("\xFF\xFE")) {
        code = TByteCode::Utf16LE;
        start = 2;
    } else if (head.startsWith("\xFE\xFF")) {
        code = TByteCode::Utf16BE;
        start = 2;
    }

    TTextScan scan;
    bool failed = false;
    if (IsUtf16(code)) {
        TTextPieces pieces(file, start, code, blockBytes, -1, -1);
        for (QStringView text = pieces.Next(); !text.isEmpty() && !scan.Ended; text = pieces.Next())
            scan.Feed(text.data(), text.size());
        failed = pieces.Failed();
    } else {
        TBlockReader reader(file, start, blockBytes, false, -1);
        for (QByteArrayView bytes = reader.Next(); !bytes.isEmpty() && !scan.Ended; bytes = reader.Next())
            scan.Feed(bytes.data(), bytes.size());
        failed = reader.Failed();
    }
    scan.Finish();
    if (failed) {
        error = file.errorString();
        return TReadResult::Unreadable;
    }

    const int found = DecideDelimiter(scan.Commas, scan.Tabs, scan.Lines(), log);
    if (found == 0 && scan.Lines() == 0) {
        sourceLines.clear();
        figures = {};
        return TReadResult::NoDelimiter;
    }
    if (code == TByteCode::Utf8OrAnsi && scan.Ended) {
        // The bytes after the NUL are no text, but they too must be UTF-8 for
        // the text to be read as UTF-8.
        TTextPieces rest(file, start + scan.Length, code, blockBytes, -1, -1);
        while (!rest.Next().isEmpty() && !rest.NotUtf8()) {
        }
        if (rest.NotUtf8())
            code = TByteCode::Windows1252;
    }
    if (found == 0) {
        // Only a file that is not loaded is kept as its raw lines.
        TRawLines raw = ReadRawLines(file, start, code, blockBytes, scan, rawCharsKept);
        if (raw.NotUtf8)
            raw = ReadRawLines(file, start, TByteCode::Windows1252, blockBytes, scan, rawCharsKept);
        if (raw.Failed) {
            error = file.errorString();
            return TReadResult::Unreadable;
        }
        sourceLines.swap(raw.Kept);
        figures = raw.Figures;
        return TReadResult::NoDelimiter;
    }
    const QChar delim = found == 1 ? QLatin1Char('\t') : QLatin1Char(',');

    QStringList rebuilt;
    std::vector<qsizetype> widths; // cells per kept row, to pad the narrow ones after
    TWalk walk = WalkText(file, start, code, blockBytes, scan, delim, rebuilt, widths);
    if (walk.NotUtf8)
        walk = WalkText(file, start, TByteCode::Windows1252, blockBytes, scan, delim, rebuilt, widths);
    if (walk.Failed) {
        error = file.errorString();
        return TReadResult::Unreadable;
    }

    sourceDelimiter = delim;
    log.Add(found == 1 ? QStringLiteral("Tab delimiters found") : QStringLiteral("Comma delimiters found"));
    figures = {};
    for (qsizetype i = 0; i < rebuilt.size(); ++i) {
        QString& row = rebuilt[i];
        const qsizetype missing = walk.Widest + 1 - widths[size_t(i)];
        if (missing > 0)
            row.resize(row.size() + missing, QLatin1Char('\t'));
        figures.Size += row.size() + 2;
    }
    figures.Count = rebuilt.size();
    sourceLines.swap(rebuilt);
    return TReadResult::Rebuilt;
}

template <typename Lines> int DetectIn(const Lines& lines, qsizetype lineCount, TRunLog& log)
{
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
    return DecideDelimiter(commas, tabs, lineCount, log);
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
                     QString* readError, qsizetype blockBytes, TSourceFigures* figures, qsizetype rawCharsKept)
{
    QString error;
    TSourceFigures found;
    const TReadResult result =
        ReadTable(fileName, sourceLines, sourceDelimiter, log, error, blockBytes, found, rawCharsKept);
    if (result == TReadResult::Unreadable && error.isEmpty())
        error = QStringLiteral("Unknown error");
    if (readError)
        *readError = result == TReadResult::Unreadable ? error : QString();
    if (figures)
        *figures = result == TReadResult::Unreadable ? TSourceFigures() : found;
    return result != TReadResult::Rebuilt;
}

TSourceLoad LoadSourceLines(const QString& fileName, QStringList& sourceLines, QChar& sourceDelimiter, TRunLog& log,
                            const QString& logPath, qsizetype blockBytes)
{
    log.Add(QStringLiteral("Source file: ") + fileName);
    log.SaveTo(logPath);

    TSourceLoad load;
    QString error;
    TSourceFigures figures;
    const bool invalid =
        ReadSourceTable(fileName, sourceLines, sourceDelimiter, log, &error, blockBytes, &figures);
    if (invalid && !error.isEmpty()) {
        load.Status = TSourceStatus::Unreadable;
        load.Error = error;
        log.Add(QStringLiteral("Unable to read source file: ") + error);
        return load;
    }

    load.Size = figures.Size;
    load.Count = figures.Count;
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
