#include "core/RunLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace
{
// The Ansi form of an existing log is learned from at most this much of it,
// a few chunks at a time, never holding more than one chunk.
constexpr qint64 FormScanLimit = 16 * 1024 * 1024;
constexpr qint64 FormScanChunk = 64 * 1024;

// Walks bytes as UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF), one piece after another.
class TUtf8Scan
{
public:
    void Feed(QByteArrayView bytes)
    {
        for (const char ch : bytes) {
            const auto b = static_cast<unsigned char>(ch);
            if (Need == 0) {
                if (b < 0x80)
                    continue;
                NonAscii = true;
                Lo = 0x80;
                Hi = 0xBF;
                if (b >= 0xC2 && b <= 0xDF) {
                    Need = 1;
                } else if (b >= 0xE0 && b <= 0xEF) {
                    Need = 2;
                    if (b == 0xE0)
                        Lo = 0xA0;
                    else if (b == 0xED)
                        Hi = 0x9F;
                } else if (b >= 0xF0 && b <= 0xF4) {
                    Need = 3;
                    if (b == 0xF0)
                        Lo = 0x90;
                    else if (b == 0xF4)
                        Hi = 0x8F;
                } else {
                    Invalid = true;
                    return;
                }
            } else {
                if (b < Lo || b > Hi) {
                    Invalid = true;
                    return;
                }
                Lo = 0x80;
                Hi = 0xBF;
                --Need;
            }
        }
    }
    // At the end of the text a sequence still open is not UTF-8.
    void End()
    {
        if (Need > 0)
            Invalid = true;
    }

    bool Invalid = false;
    bool NonAscii = false;

private:
    int Need = 0;
    unsigned char Lo = 0x80;
    unsigned char Hi = 0xBF;
};

TRunLog::TAnsiForm FormOf(const TUtf8Scan& scan)
{
    if (scan.Invalid)
        return TRunLog::TAnsiForm::Windows1252;
    return scan.NonAscii ? TRunLog::TAnsiForm::Utf8 : TRunLog::TAnsiForm::Unknown;
}

// Reads bytes from..end of the file in chunks; stops at the first byte that is not UTF-8.
void ScanForm(QFile& file, qint64 from, qint64 end, TUtf8Scan& scan)
{
    const qint64 stop = qMin(end, from + FormScanLimit);
    if (!file.seek(from))
        return;
    qint64 at = from;
    while (at < stop && !scan.Invalid) {
        const QByteArray chunk = file.read(qMin(FormScanChunk, stop - at));
        if (chunk.isEmpty())
            return;
        scan.Feed(chunk);
        at += chunk.size();
    }
    if (at >= end)
        scan.End();
}

QByteArray MarkOf(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return QByteArrayLiteral("\xEF\xBB\xBF");
    case TextEncoding::Utf16LE:
        return QByteArrayLiteral("\xFF\xFE");
    case TextEncoding::Utf16BE:
        return QByteArrayLiteral("\xFE\xFF");
    case TextEncoding::Ansi:
        break;
    }
    return QByteArray();
}

TextEncoding EncodingOfHead(const QByteArray& head)
{
    for (TextEncoding e : {TextEncoding::Utf8Bom, TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
        if (head.startsWith(MarkOf(e)))
            return e;
    }
    return TextEncoding::Ansi;
}

bool IsUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

// The mark of the file at path, read from its first bytes only.
TextEncoding EncodingOfFile(QFile& file)
{
    if (!file.seek(0))
        return TextEncoding::Ansi;
    return EncodingOfHead(file.read(3));
}

// Whether the file's last character is a line break: new lines must not join an unfinished one.
bool EndsWithBreak(QFile& file, qint64 size, TextEncoding encoding)
{
    const qsizetype width = IsUtf16(encoding) ? 2 : 1;
    if (size - MarkOf(encoding).size() < width)
        return true; // nothing but the mark
    if (!file.seek(size - width))
        return true;
    const QByteArray tail = file.read(width);
    if (tail.size() != width)
        return true;
    auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return isBreak(tail.at(0)) && tail.at(1) == 0;
    case TextEncoding::Utf16BE:
        return tail.at(0) == 0 && isBreak(tail.at(1));
    default:
        return isBreak(tail.at(0));
    }
}

bool HasNonAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7F)
            return true;
    }
    return false;
}

QByteArray EncodeWithoutMark(const QString& text, TextEncoding encoding)
{
    QByteArray bytes = EncodeText(text, encoding);
    bytes.remove(0, MarkOf(encoding).size());
    return bytes;
}

bool MoveReplacing(const QString& from, const QString& to)
{
    const std::filesystem::path source(from.toStdU16String());
    const std::filesystem::path target(to.toStdU16String());
    std::error_code error;
    std::filesystem::rename(source, target, error);
    if (error && QFile::exists(to) && QFile::remove(to)) {
        // Where a rename does not replace: the older file goes first.
        error.clear();
        std::filesystem::rename(source, target, error);
    }
    return !error;
}
} // namespace

void TRunLog::LoadFrom(const QString& path)
{
    AnsiFormPath.clear();
    AnsiForm = TAnsiForm::Unknown;
    AnsiFormEnd = 0;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    FileEncoding = EncodingOfFile(file);
    const qint64 size = file.size();
    file.close();
    // A new log begins; the old one is kept whole beside it. When it cannot be
    // moved it is extended as before rather than lose anything.
    if (size > MaxFileBytes)
        MoveReplacing(path, OldLogFilePath(path));
}

QByteArray TRunLog::EncodeNew(const QString& text, const QString& path, qint64 size, TextEncoding encoding)
{
    if (encoding != TextEncoding::Ansi)
        return EncodeWithoutMark(text, encoding);
    if (!HasNonAscii(text))
        return text.toLatin1();
    QFile file(path);
    if (size > 0 && !file.open(QIODevice::ReadOnly))
        size = 0;
    if (AnsiFormPath != path || size < AnsiFormEnd) {
        // Another file, or one replaced since: learn its form afresh.
        AnsiFormPath = path;
        AnsiFormEnd = 0;
        AnsiForm = TAnsiForm::Unknown;
    }
    if (AnsiForm != TAnsiForm::Windows1252 && size > AnsiFormEnd) {
        // Only bytes not yet looked at: this run's own lines are known already.
        TUtf8Scan scan;
        ScanForm(file, AnsiFormEnd, size, scan);
        if (FormOf(scan) != TAnsiForm::Unknown)
            AnsiForm = FormOf(scan);
    }
    AnsiFormEnd = size;

    QByteArray bytes;
    switch (AnsiForm) {
    case TAnsiForm::Utf8:
        bytes = text.toUtf8();
        break;
    case TAnsiForm::Windows1252:
        bytes = EncodeWindows1252(text);
        break;
    case TAnsiForm::Unknown: {
        // Plain ASCII so far: the first text beyond it decides, as a whole file's would.
        bytes = EncodeText(text, TextEncoding::Ansi);
        TUtf8Scan scan;
        scan.Feed(bytes);
        scan.End();
        AnsiForm = FormOf(scan);
        break;
    }
    }
    return bytes;
}

bool TRunLog::SaveTo(const QString& path) noexcept
{
    if (path.isEmpty() || Saved == Lines.size())
        return true;
    try {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return false;
        const qint64 size = out.size();

        QString text;
        TextEncoding encoding = FileEncoding;
        QByteArray bytes;
        if (size == 0) {
            bytes = MarkOf(encoding);
        } else {
            QFile in(path);
            if (in.open(QIODevice::ReadOnly)) {
                encoding = EncodingOfFile(in);
                // An odd byte left over in UTF-16 would shift every new character.
                if (IsUtf16(encoding) && size % 2 != 0)
                    bytes.append('\0');
                if (!bytes.isEmpty() || !EndsWithBreak(in, size, encoding))
                    text = QStringLiteral("\r\n");
            }
        }
        qsizetype length = text.size();
        for (qsizetype i = Saved; i < Lines.size(); ++i)
            length += Lines.at(i).size() + 2;
        text.reserve(length);
        for (qsizetype i = Saved; i < Lines.size(); ++i) {
            text += Lines.at(i);
            text += QLatin1String("\r\n");
        }
        if (encoding == TextEncoding::Ansi && size == 0)
            AnsiFormPath.clear();
        bytes += EncodeNew(text, path, size, encoding);

        const qint64 written = out.write(bytes);
        if (written != bytes.size()) {
            // Take back a partial line so the next save does not repeat it; only
            // when nobody else has written meanwhile.
            if (written > 0 && out.size() == size + written)
                out.resize(size);
            AnsiFormPath.clear();
            return false;
        }
        // Our own bytes are known; anyone else's are looked at when it matters.
        if (encoding == TextEncoding::Ansi && AnsiFormPath == path && AnsiFormEnd == size)
            AnsiFormEnd = size + written;
        Saved = Lines.size();
        return true;
    } catch (...) {
        return false;
    }
}

QString LogTime(const QTime& time, const QString& separator)
{
    int hour = time.hour() % 12;
    if (hour == 0)
        hour = 12;
    return QString::number(hour) + separator + QStringLiteral("%1").arg(time.minute(), 2, 10, QLatin1Char('0'))
         + (time.hour() < 12 ? QStringLiteral(" am") : QStringLiteral(" pm"));
}

QString LogDate(const QDate& date)
{
    return QStringLiteral("%1-%2-%3")
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString StartedLine(const QDateTime& now)
{
    return QStringLiteral("Started ") + LogTime(now.time()) + QLatin1Char(' ') + LogDate(now.date());
}

QString StoppedLine(const QDateTime& now)
{
    return QStringLiteral("Stopped ") + LogTime(now.time()) + QLatin1Char(' ') + LogDate(now.date());
}

QString LogFilePath(const QString& hostDirectory)
{
    return QDir(hostDirectory).filePath(QStringLiteral("Log.txt"));
}

QString OldLogFilePath(const QString& logPath)
{
    const QFileInfo info(logPath);
    const QString suffix = info.suffix();
    const QString name = suffix.isEmpty() ? info.fileName() + QStringLiteral(".old")
                                          : info.completeBaseName() + QStringLiteral(".old.") + suffix;
    return info.dir().filePath(name);
}
