#pragma once

#include "importer/RunLedger.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <set>

class TResultsFile;

// What became of one record request.
struct TRecordReply
{
    bool Answered = false; // a reply was dispatched
    int HttpStatus = 0;    // its HTTP status; 0 when the client knew none
    QString Text;          // its body
    qint32 Posts = 0;      // posts made: the first one and every resend
};

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
    // was answered, the exchange gave up or the run was told to stop. cRow is the
    // zero-based source line.
    virtual TRecordReply SendRecord(const QStringList& rowList, qint32 cRow) = 0;
    // The row SendRecord is likely to get next, said just before the current one is
    // sent: work that needs nothing from the service may be done while its reply is
    // awaited. Nothing may go out for it yet.
    virtual void UpcomingRecord(const QStringList& rowList, qint32 cRow)
    {
        Q_UNUSED(rowList);
        Q_UNUSED(cRow);
    }
    // Once true, no further record is sent (the watchdog gave up, or the program
    // is being closed).
    virtual bool ExitPlease() const = 0;
    virtual void Progress(qint32 position, qint32 maximum) = 0;
    // A row was not imported: the service answered it with an HTTP error, or never.
    virtual void RowFailed(const TRowEntry& entry) = 0;
    // FailuresInARow rows in a row have failed: true stops the run there.
    virtual bool StopAfterFailures(qint32 failures) = 0;
    // The import-finished request, posted once at the end of every run. A failure
    // it throws leaves the run without summary, as the caller's error.
    virtual void PostClosing() = 0;
    // Replies below HTTP 400 received to record requests (counted by the reply dispatch).
    virtual qint32 RecordsImported() const = 0;
    // The closing lines for the message list.
    virtual void Summary(const QStringList& lines) = 0;
};

// What the import run needs besides to keep several records in flight at once
// (the command line's --parallel; the wizard sends one at a time).
class IParallelImportHost
{
public:
    virtual ~IParallelImportHost() = default;

    // Composes the row's record and starts posting it, with its own wait and
    // resend; false when the row makes no request. done is called once, from
    // the event loop, with what became of it, not yet dispatched.
    virtual bool StartRecord(const QStringList& rowList, qint32 cRow, std::function<void(TRecordReply&& reply)> done) = 0;
    // The row StartRecord is likely to get next, while the run waits for a reply: work
    // that needs nothing from the service may be done now. Nothing may go out yet.
    virtual void PrepareRecord(const QStringList& rowList, qint32 cRow)
    {
        Q_UNUSED(rowList);
        Q_UNUSED(cRow);
    }
    // The reply to a row, in the file's order: what the reply dispatch does for
    // one record at a time (the service's messages, the count of records imported).
    virtual void DispatchRecord(const TRecordReply& reply) = 0;
    // Sleeps until something happens: a reply, a tick, an interrupt.
    virtual void WaitForEvents() = 0;
    // A stop was asked for: records awaiting a resend end now; those on the wire finish.
    virtual void StopRecords() = 0;
    // Posts made so far for the row's record while it has no outcome.
    virtual qint32 PostsOf(qint32 cRow) const = 0;
};

// After this many failed rows in a row the run asks whether to go on.
inline constexpr qint32 FailuresInARow = 5;

// The lines listed when a run ends: the count of records imported; where the
// run stopped, when it stopped early (stoppedAfterRow: the number of the last row
// posted, 0 when none was); how many rows were not imported, when any; and
// "Import finished".
QStringList SummaryLines(qint32 recordsImported, bool stopped, qint32 stoppedAfterRow, qint32 notImported);

// A failed row as said while the run goes: "Row 4 not imported: HTTP 500" or "... no reply".
QString RowFailedNote(const TRowEntry& entry);
// Why the run pauses after failures in a row.
QString FailuresInARowText(qint32 failures);

enum class TImportOutcome
{
    Finished,   // every row was considered
    Stopped,    // a stop was requested (Stop, a close, failures in a row)
    NotStarted, // a run was already in progress
};

// Sends every data row of the source lines, one record per row, then the
// import-finished request and the summary, and accounts for every row in the
// ledger and, when given, the results file, row by row as the run goes.
//
// A stop (RequestStop: the Stop button, an interrupt, a close confirmed while a
// reply is awaited) lets the record in flight finish and posts no further
// record; the rows after it are not sent, the run still tells the service the
// import is finished, and Run() returns Stopped.
class TImportRun
{
public:
    TImportRun(IImportHost& host, TRunLedger& ledger);

    // previous: the ledger of an earlier run over the same lines; its imported
    // rows are not sent again but kept as they were.
    TImportOutcome Run(const QStringList& sourceLines, bool headings, const TRunLedger* previous = nullptr);
    // Every row is written here as soon as its outcome is known.
    void SetResultsFile(TResultsFile* file) { Results = file; }
    // Off: a row's messages leave the ledger once the row was written to the results
    // file (the counts and outcomes stay), for an owner that never reads them again.
    void SetMessagesKept(bool kept) { MessagesKept = kept; }
    // Up to records requests in flight at once through host, driven from the event loop
    // (none set: one at a time through SendRecord, which waits for each reply). The rows
    // are still accounted for, written and summed up in the file's order, exactly as one
    // at a time with the same replies; with records 1 the requests go out in the same
    // order, one at a time, too.
    void SetParallel(IParallelImportHost* host, qint32 records)
    {
        Parallel = host;
        ParallelRecords = records;
    }

    void RequestStop() { StopRequested = true; }
    bool IsStopRequested() const { return StopRequested; }
    bool IsRunning() const { return Running; }
    // Zero-based source line of the row being considered (last one after the run).
    qint32 CurrentRow() const { return CRow; }
    // The run is ended at once, from inside a wait: the row in flight is failed
    // (it was posted, its reply is unknown), every row after it not sent, and all
    // of them written to the results file. Run() then returns at once, posting
    // nothing more.
    void Abandon(qint32 postsInFlight);

private:
    // The entry of a row that is not sent now: kept from the earlier run when
    // imported there, skipped when it has no cell, else not sent.
    void SettleUnsent(qint32 line, const QStringList& rowList);
    void Record(qint32 line, const QStringList& rowList);
    // The ledger entry of a record's reply; true when the row was sent.
    bool Account(qint32 line, const TRecordReply& reply);
    // A row's turn is over: its entry settled and written, a failure told and
    // counted towards a pause (failuresInARow), a success ending the count.
    void Conclude(qint32 line, const QStringList& rowList, bool sent, qint32& failuresInARow);
    TImportOutcome RunParallel(qint32 first, qint32 maximum);

    IImportHost& Host;
    TRunLedger& Ledger;
    TResultsFile* Results = nullptr;
    const TRunLedger* Previous = nullptr;
    QStringList Lines;
    bool MessagesKept = true;
    bool StopRequested = false;
    bool Abandoned = false;
    bool Running = false;
    qint32 CRow = 0;
    qint32 NextLine = 0;  // the first row not yet in the ledger
    qint32 InFlight = -1; // the row whose record is being posted
    IParallelImportHost* Parallel = nullptr;
    qint32 ParallelRecords = 1;
    std::set<qint32> Posting;                  // parallel: rows whose records are on their way
    std::map<qint32, TRecordReply> Answered;   // parallel: rows with an outcome, awaiting their turn
    std::map<qint32, QStringList> RowLists;    // parallel: the cells of rows started or prepared
};
