#pragma once

#include "core/TextDecoder.h"

#include <QDateTime>
#include <QStringList>

// The run log: the user's diary of every run, kept as lines and written back
// whole at a few save points. Lines are only ever appended.
class TRunLog
{
public:
    // Reads the existing diary; a missing or unreadable file leaves the list empty.
    void LoadFrom(const QString& path);
    void Add(const QString& line) { Lines.append(line); }
    // Best effort: returns false on failure and keeps every line for the next save.
    // An empty path means the caller keeps no log file: nothing is written.
    bool SaveTo(const QString& path) const noexcept;

    const QStringList& AllLines() const { return Lines; }
    TextEncoding Encoding() const { return FileEncoding; }

private:
    QStringList Lines;
    TextEncoding FileEncoding = TextEncoding::Ansi;
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
