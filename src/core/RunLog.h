#pragma once

#include "core/TextDecoder.h"

#include <QDateTime>
#include <QStringList>

// The run log: the user's diary of every run. This run's lines are kept in
// memory and appended to the file at a few save points; what earlier runs
// wrote is never read back, rewritten or moved except by the size limit below.
class TRunLog
{
public:
    // A diary over this size at start is moved aside and a new one begins.
    static constexpr qint64 MaxFileBytes = 10 * 1024 * 1024;

    // Opens the diary for this run. Only its byte-order mark is read; a file over
    // MaxFileBytes becomes OldLogFilePath(path) (replacing an older one) and the
    // new one keeps its mark. A missing or unreadable file is no failure.
    void LoadFrom(const QString& path);
    void Add(const QString& line) { Lines.append(line); }
    // Best effort: appends the lines added since the last successful save and
    // returns false on failure, keeping them for the next save. Bytes already
    // in the file are never touched; a partly written save is taken back.
    // An empty path means the caller keeps no log file: nothing is written.
    bool SaveTo(const QString& path) noexcept;

    // This run's lines, in order; never the file's earlier content.
    const QStringList& AllLines() const { return Lines; }
    // The mark a new file gets; an existing file's own mark always wins.
    TextEncoding Encoding() const { return FileEncoding; }

    // How a file without a mark holds text beyond ASCII, as far as is known.
    enum class TAnsiForm
    {
        Unknown,    // nothing beyond ASCII seen yet
        Utf8,       // valid UTF-8
        Windows1252 // bytes that are not UTF-8: the single-byte code page
    };

private:
    QByteArray EncodeNew(const QString& text, const QString& path, qint64 size, TextEncoding encoding);

    QStringList Lines;
    qsizetype Saved = 0;
    TextEncoding FileEncoding = TextEncoding::Ansi;
    // Known for AnsiFormPath only, up to AnsiFormEnd bytes of it.
    QString AnsiFormPath;
    qint64 AnsiFormEnd = 0;
    TAnsiForm AnsiForm = TAnsiForm::Unknown;
};

// "h:nn am/pm", the hour on the 12-hour clock without a leading zero.
QString LogTime(const QTime& time, const QString& separator = QStringLiteral(":"));
// "mm-dd-yyyy".
QString LogDate(const QDate& date);
// "Started 9:05 pm 03-14-2019" and "Stopped ...".
QString StartedLine(const QDateTime& now);
QString StoppedLine(const QDateTime& now);

// The log file beside the executable.
QString LogFilePath(const QString& hostDirectory);
// Where an oversized log is moved: "Log.txt" -> "Log.old.txt" in the same folder.
QString OldLogFilePath(const QString& logPath);
