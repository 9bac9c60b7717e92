#pragma once

#include <QString>
#include <QStringList>

// What the import run needs from whoever drives it (the main window or the
// command line). Every call comes on the caller's thread, in the order below.
class IImportHost
{
public:
    virtual ~IImportHost() = default;

    // A row with at least one cell is about to be considered: resend state
    // (Retry, RetryCount) starts afresh for it.
    virtual void BeforeRow() = 0;
    // Compose the record for the row list and post it with retry; return when it
    // was answered or the exchange gave up. cRow is the zero-based source line.
    virtual void SendRecord(const QStringList& rowList, qint32 cRow) = 0;
    // Once true, no further record is sent (the watchdog gave up, or the program
    // is being closed).
    virtual bool ExitPlease() const = 0;
    virtual void Progress(qint32 position, qint32 maximum) = 0;
    // The import-finished request, posted once at the end of every run. A failure
    // it throws leaves the run without summary, as the caller's error.
    virtual void PostClosing() = 0;
    // Replies received to record requests so far (counted by the reply dispatch).
    virtual qint32 RecordsImported() const = 0;
    // The two closing lines for the message list.
    virtual void Summary(const QStringList& lines) = 0;
};

// The two lines listed when a run ends.
QStringList SummaryLines(qint32 recordsImported);

enum class TImportOutcome
{
    Finished,   // every row was considered
    Stopped,    // a stop was requested; the caller now runs its close procedure
    NotStarted, // a run was already in progress
};

// Sends every data row of the source lines, one record per row, then the
// import-finished request and the summary.
//
// A close confirmed while the run waits for a reply must not tear down the
// lines and lists the run still reads: the close handler calls RequestStop()
// and defers the close; the record in flight finishes, no further record is
// posted, the run still tells the service the import is finished, and Run()
// returns Stopped so the caller closes once.
class TImportRun
{
public:
    explicit TImportRun(IImportHost& host);

    TImportOutcome Run(const QStringList& sourceLines, bool headings);

    void RequestStop() { StopRequested = true; }
    bool IsStopRequested() const { return StopRequested; }
    bool IsRunning() const { return Running; }
    // Zero-based source line of the row being considered (last one after the run).
    qint32 CurrentRow() const { return CRow; }

private:
    IImportHost& Host;
    bool StopRequested = false;
    bool Running = false;
    qint32 CRow = 0;
};
