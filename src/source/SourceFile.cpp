#include "source/SourceFile.h"

#include "core/TextDecoder.h"
#include "source/DelimitedWalker.h"
#include "source/csvdata.h"

#include <QFile>
#include <QStringDecoder>

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

// How the file's bytes become text, as DecodeText decides it: a mark selects
// UTF-8 or UTF-16; without one the bytes are UTF-8 when all of them decode as
// UTF-8, and Windows-1252 otherwise.
enum class TByteCode
{
    Utf8OrAnsi,
    Windows1252,
    Utf8,
    Utf16LE,
    Utf16BE
};

bool IsUtf16(TByteCode code)
{
    return code == TByteCode::Utf16LE || code == TByteCode::Utf16BE;
}

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

// Reads a file from an offset in blocks, all into one reused buffer. With
// wholeUtf8 a block ends just after an ASCII byte (or at the end), so that no
// UTF-8 sequence is split between two blocks; the bytes after it are held back
// for the next block.
class TBlockReader
{
public:
    TBlockReader(QFile& file, qint64 start, qsizetype blockBytes, bool wholeUtf8, qint64 limit)
        : File(file), BlockBytes(std::max<qsizetype>(blockBytes, 1)), WholeUtf8(wholeUtf8),
          Left(limit < 0 ? std::numeric_limits<qint64>::max() : limit)
    {
        if (!File.seek(start))
            ReadError = true;
    }

    // The next block; empty at the end of the file or of the limit.
    QByteArrayView Next()
    {
        if (Held > 0)
            std::memmove(Buffer.data(), Buffer.constData() + HeldFrom, size_t(Held));
        qsizetype filled = Held;
        Held = 0;
        for (;;) {
            const qint64 want = ReadError ? 0 : std::min<qint64>(BlockBytes, Left);
            if (Buffer.size() < filled + want)
                Buffer.resize(filled + want);
            qint64 got = want > 0 ? File.read(Buffer.data() + filled, want) : 0;
            if (got < 0) {
                ReadError = true;
                got = 0;
            }
            Left -= got;
            filled += got;
            qsizetype cut = filled;
            if (WholeUtf8 && got > 0) {
                const char* data = Buffer.constData();
                while (cut > 0 && static_cast<unsigned char>(data[cut - 1]) >= 0x80)
                    --cut;
                if (cut == 0)
                    continue; // no ASCII byte yet: read on
            }
            HeldFrom = cut;
            Held = filled - cut;
            return QByteArrayView(Buffer.constData(), cut);
        }
    }

    bool Failed() const { return ReadError; }

private:
    QFile& File;
    const qsizetype BlockBytes;
    const bool WholeUtf8;
    qint64 Left;
    QByteArray Buffer;
    qsizetype HeldFrom = 0;
    qsizetype Held = 0;
    bool ReadError = false;
};

// The file's text in pieces, decoded block by block into one reused buffer.
// byteLimit and charLimit (negative: none) end the text early.
class TTextPieces
{
public:
    TTextPieces(QFile& file, qint64 start, TByteCode code, qsizetype blockBytes, qint64 byteLimit,
                qsizetype charLimit)
        : Code(code), Reader(file, start, blockBytes, code == TByteCode::Utf8OrAnsi || code == TByteCode::Utf8,
                             byteLimit),
          Decoder(DecoderFor(code)), CharsLeft(charLimit)
    {
    }

    // The next piece, valid until the next call; empty at the end.
    QStringView Next()
    {
        for (;;) {
            if (CharsLeft == 0)
                return {};
            const QByteArrayView bytes = Reader.Next();
            if (bytes.isEmpty())
                return {};
            qsizetype size = 0;
            if (Code == TByteCode::Windows1252) {
                Text.resize(bytes.size());
                size = DecodeWindows1252(bytes, Text.data()) - Text.constData();
            } else {
                Text.resize(Decoder.requiredSpace(bytes.size()));
                size = Decoder.appendToBuffer(Text.data(), bytes) - Text.constData();
                if (Decoder.hasError())
                    SawError = true;
            }
            if (CharsLeft > 0) {
                size = std::min(size, CharsLeft);
                CharsLeft -= size;
            }
            if (size > 0)
                return QStringView(Text.constData(), size);
        }
    }

    // Bytes without a mark turned out not to be UTF-8.
    bool NotUtf8() const { return Code == TByteCode::Utf8OrAnsi && SawError; }
    bool Failed() const { return Reader.Failed(); }

private:
    static QStringDecoder DecoderFor(TByteCode code)
    {
        switch (code) {
        case TByteCode::Utf16LE:
            return QStringDecoder(QStringDecoder::Utf16LE); // keeps a unit split between blocks
        case TByteCode::Utf16BE:
            return QStringDecoder(QStringDecoder::Utf16BE);
        default:
            // The marks are skipped before; a block never splits a sequence.
            return QStringDecoder(QStringDecoder::Utf8,
                                  QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        }
    }

    const TByteCode Code;
    TBlockReader Reader;
    QStringDecoder Decoder;
    qsizetype CharsLeft;
    QString Text;
    bool SawError = false;
};

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

// Feeds text with every lone CR or LF made a CR LF, as if the text had been
// split into lines and joined again with CR LF. afterCR carries over pieces.
void FeedLines(TDelimitedWalker& walker, QStringView text, bool& afterCR)
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
    QString line;
    const TRowSink keep = [&](std::span<const QStringView> cells) {
        if (RebuildRow(cells, line)) {
            // An exact-size copy: line keeps its spare room for the next row.
            rows.append(QString(line.constData(), line.size()));
            widths.push_back(qsizetype(cells.size()));
        }
    };
    const QChar quote = delim == QLatin1Char(',') ? QChar(u'"') : QChar(0);
    TDelimitedWalker walker(delim, quote, keep);
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
        walker.KeepPendingRow();                   // the next piece reuses the buffer
    }
    if (pieces.Failed())
        return {0, false, true};
    if (scan.EndsInLine())
        walker.Feed(kLineEnd, 2);
    return {walker.Widest(), false, false};
}

// The file is read twice, a block at a time, so that neither its bytes nor its
// whole decoded text are ever held: once to count for the delimiter decision,
// once to walk and rebuild the rows.
TReadResult ReadTable(const QString& fileName, QStringList& sourceLines, QChar& sourceDelimiter, TRunLog& log,
                      QString& error, qsizetype blockBytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return TReadResult::Unreadable;
    }
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
    if (found == 0) {
        // Only a file that is not loaded is kept as its raw lines.
        QByteArray bytes;
        if (file.seek(0))
            bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            error = file.errorString();
            return TReadResult::Unreadable;
        }
        sourceLines = SplitTextLines(DecodeText(bytes));
        return TReadResult::NoDelimiter;
    }
    const QChar delim = found == 1 ? QLatin1Char('\t') : QLatin1Char(',');
    if (code == TByteCode::Utf8OrAnsi && scan.Ended) {
        // The bytes after the NUL are no text, but they too must be UTF-8 for
        // the text to be read as UTF-8.
        TTextPieces rest(file, start + scan.Length, code, blockBytes, -1, -1);
        while (!rest.Next().isEmpty() && !rest.NotUtf8()) {
        }
        if (rest.NotUtf8())
            code = TByteCode::Windows1252;
    }

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
    for (qsizetype i = 0; i < rebuilt.size(); ++i) {
        const qsizetype missing = walk.Widest + 1 - widths[size_t(i)];
        if (missing > 0)
            rebuilt[i].append(QString(missing, QLatin1Char('\t')));
    }
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
                     QString* readError, qsizetype blockBytes)
{
    QString error;
    const TReadResult result = ReadTable(fileName, sourceLines, sourceDelimiter, log, error, blockBytes);
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
