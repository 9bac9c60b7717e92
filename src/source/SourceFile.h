#pragma once

#include "core/RunLog.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>

// Decides the delimiter of a file's lines by counting: 0 none, 1 tab, 2 comma.
// Writes the reason for 0 to the log.
int DetectDelimiter(const QStringList& lines, TRunLog& log);
int DetectDelimiter(std::span<const QStringView> lines, TRunLog& log);

// The text a load found: characters of its lines, each followed by CR LF, and
// the number of lines.
struct TSourceFigures
{
    qsizetype Size = 0;
    qsizetype Count = 0;
};

// Reads fileName, decides its delimiter and rebuilds its rows into sourceLines:
// cells joined by one tab, every row equally wide, line breaks inside cells
// written as "[br]", blank rows left out. Returns true (invalid) when no
// delimiter was found; sourceLines then holds the file's first raw lines, whole,
// up to rawCharsKept characters (each line counted with its CR LF), while
// figures describes all of them. A file that cannot be read, or that is not a
// regular file (a pipe, a device, a folder), also returns true, leaves
// sourceLines and sourceDelimiter untouched, and puts the reason in readError.
// figures gets the rebuilt rows, or the raw lines of an invalid file.
// The file is read and decoded blockBytes at a time; the result does not
// depend on the block size. Memory and time grow in proportion to the file
// whatever its cells look like.
constexpr qsizetype SourceBlockBytes = 256 * 1024;
constexpr qsizetype SourceRawCharsKept = 256 * 1024;
bool ReadSourceTable(const QString& fileName, QStringList& sourceLines, QChar& sourceDelimiter, TRunLog& log,
                     QString* readError = nullptr, qsizetype blockBytes = SourceBlockBytes,
                     TSourceFigures* figures = nullptr, qsizetype rawCharsKept = SourceRawCharsKept);

enum class TSourceStatus
{
    Loaded,    // rows are in sourceLines
    Invalid,   // neither tab nor comma delimited
    Empty,     // delimited, but no row with any content
    Unreadable // could not be opened or read; sourceLines kept what it had
};

struct TSourceLoad
{
    TSourceStatus Status = TSourceStatus::Unreadable;
    QString Error;       // why an unreadable file could not be read
    qsizetype Size = 0;  // characters of the rebuilt rows (or raw lines), each followed by CR LF
    qsizetype Count = 0; // rows in sourceLines (raw lines in the file when it is invalid)
};

// The file page's load without the window: logs the file name and saves the log
// to logPath (a failure to save is ignored), reads the table, logs its size and
// row count and the outcome. The caller shows the message for the status.
TSourceLoad LoadSourceLines(const QString& fileName, QStringList& sourceLines, QChar& sourceDelimiter, TRunLog& log,
                            const QString& logPath, qsizetype blockBytes = SourceBlockBytes);

QString ErrorTitle();
QString InvalidFormatMessage();
QString EmptyFileMessage();
QString UnreadableFileMessage(const QString& fileName, const QString& reason);
