#pragma once

#include "importer/RunLedger.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

// One CSV field or record (RFC 4180): a field holding a comma, a quote or a line
// break is quoted, its quotes doubled; a record ends in CR LF.
QString CsvField(const QString& text);
QByteArray CsvRecord(const QStringList& fields);

// The results of a run, one CSV line per data row, written while the run goes:
// Row, Outcome, HTTP status, Posts, Messages (the reply's lines joined by " | "),
// then the row's cells. UTF-8 with a byte-order mark, so spreadsheet programs
// read it. Every row is flushed as it is written, so a crash or a kill keeps the
// rows so far. It never holds a request's text, so never the password.
class TResultsFile
{
public:
    static QStringList FixedHeadings();

    // Creates the file and writes the byte-order mark and the heading line. An
    // existing file is replaced only when replace is set.
    bool Create(const QString& path, const QStringList& cellHeadings, bool replace);
    // Appends and flushes one row, its cells those of cells from firstCell on; false
    // once writing has failed (Error() says why).
    bool Append(const TRowEntry& entry, const QStringList& cells, qsizetype firstCell = 0);
    void Close() { File.close(); }

    bool IsOpen() const { return File.isOpen(); }
    QString Path() const { return File.fileName(); }
    QString Error() const { return FError; }
    qint64 RowsWritten() const { return FRows; }

private:
    QFile File;
    QString FError;
    qsizetype FCellColumns = 0;
    qint64 FRows = 0;
};

// "<source name>-results-<yyyy-mm-dd-hhmmss>.csv", the source name being the
// source file's name without its last extension ("import" when there is none).
QString ResultsFileName(const QString& sourcePath, const QDateTime& now);

// Headings of the cell columns, as many as the widest row has cells: the
// heading line's cells when the file has one (letters where a heading is
// empty), else the column letters.
QStringList ResultsCellHeadings(const QStringList& sourceLines, bool headings);

struct TResultsPlace
{
    bool Created = false;
    bool FellBack = false;  // the source file's folder could not be written
    QString SourceDirError; // why not, when FellBack
    QString Error;          // why neither place could be used, when not Created
};

// Creates a new results file named by ResultsFileName beside the source file,
// or in fallbackDir when that folder cannot be written. Never replaces a file:
// a name already taken gets "-2", "-3"... before ".csv".
TResultsPlace CreateResultsFile(TResultsFile& file, const QString& sourcePath, const QString& fallbackDir,
                                const QDateTime& now, const QStringList& cellHeadings);

// Reads a results file for a resumed run and checks it against the source
// lines as they are now: the same data rows (headings as given), and every row
// not imported then holding the same cells now. Fills previous with the rows'
// outcomes; false with a message naming what does not match otherwise.
bool LoadResultsForResume(const QString& resultsPath, const QString& sourceName, const QStringList& sourceLines,
                          bool headings, TRunLedger& previous, QString* error);
