#include "importer/ImportRun.h"

#include "exchange/Replies.h"
#include "importer/ResultsFile.h"
#include "source/RowList.h"

QStringList SummaryLines(qint32 recordsImported, bool stopped, qint32 stoppedAfterRow, qint32 notImported)
{
    QStringList lines{QString::number(recordsImported) + QStringLiteral(" records imported")};
    if (stopped)
        lines.append(stoppedAfterRow > 0 ? QStringLiteral("Stopped after row ") + QString::number(stoppedAfterRow)
                                         : QStringLiteral("Stopped before any row was sent"));
    if (notImported > 0)
        lines.append(QString::number(notImported) + QStringLiteral(" rows not imported"));
    lines.append(QStringLiteral("Import finished"));
    return lines;
}

QString RowFailedNote(const TRowEntry& entry)
{
    return QStringLiteral("Row ") + QString::number(entry.Row()) + QStringLiteral(" not imported: ") +
           (entry.HttpStatus > 0 ? QStringLiteral("HTTP ") + QString::number(entry.HttpStatus)
                                 : QStringLiteral("no reply"));
}

QString FailuresInARowText(qint32 failures)
{
    return QStringLiteral("The last %1 rows in a row were not imported: the service answered each of them with an "
                          "error, or not at all.")
        .arg(failures);
}

TImportRun::TImportRun(IImportHost& host, TRunLedger& ledger)
    : Host(host)
    , Ledger(ledger)
{
}

void TImportRun::SettleUnsent(qint32 line, const QStringList& rowList)
{
    TRowEntry& entry = Ledger.At(line);
    if (Previous && Previous->Contains(line) && Previous->At(line).Outcome == TRowOutcome::Imported)
        entry = Previous->At(line);
    else
        entry.Outcome = rowList.size() >= 2 ? TRowOutcome::NotSent : TRowOutcome::Skipped;
}

void TImportRun::Record(qint32 line, const QStringList& rowList)
{
    if (Results)
        Results->Append(Ledger.At(line), rowList, 1);
    // Written out: the outcome stays, the reply's text goes, so a long run's memory does not grow with it.
    if (!MessagesKept)
        Ledger.At(line).Messages = QString();
    NextLine = line + 1;
}

bool TImportRun::Account(qint32 line, const TRecordReply& reply)
{
    TRowEntry& entry = Ledger.At(line);
    entry.Posts = qint16(qMin<qint32>(reply.Posts, 32767));
    if (reply.Answered) {
        entry.HttpStatus = qint16(reply.HttpStatus);
        entry.Messages = LedgerMessages(reply.HttpStatus, reply.Text);
        entry.Outcome = IsHttpError(reply.HttpStatus) ? TRowOutcome::Failed : TRowOutcome::Imported;
    } else {
        // Posted and never answered: it may have reached the service.
        entry.Outcome = reply.Posts > 0 ? TRowOutcome::Failed : TRowOutcome::NotSent;
    }
    return entry.Outcome != TRowOutcome::NotSent;
}

void TImportRun::Conclude(qint32 line, const QStringList& rowList, bool sent, qint32& failuresInARow)
{
    if (!sent)
        SettleUnsent(line, rowList);
    Record(line, rowList);

    const TRowEntry& entry = Ledger.At(line);
    if (entry.Outcome == TRowOutcome::Failed) {
        Host.RowFailed(entry);
        // Failures in a row usually mean the service is in trouble, not the rows.
        if (++failuresInARow >= FailuresInARow && !StopRequested && !Host.ExitPlease()) {
            if (Host.StopAfterFailures(failuresInARow))
                StopRequested = true;
            else
                failuresInARow = 0;
        }
    } else if (sent) {
        failuresInARow = 0;
    }
}

TImportOutcome TImportRun::Run(const QStringList& sourceLines, bool headings, const TRunLedger* previous)
{
    // Sending pumps window messages, so Start could in principle be reached again.
    if (Running)
        return TImportOutcome::NotStarted;
    Running = true;
    struct TRunningGuard
    {
        bool& Flag;
        qint32& InFlight;
        ~TRunningGuard()
        {
            Flag = false;
            InFlight = -1;
        }
    } guard{Running, InFlight};

    // A shared copy: whatever the caller does to its list while a reply is
    // awaited, the rows read here stay as they were at Start.
    Lines = sourceLines;
    Previous = previous;
    const qint32 first = headings ? 1 : 0;
    const qint32 maximum = qint32(Lines.size());
    Ledger.Reset(first, maximum);
    NextLine = first;
    qint32 position = 0;
    qint32 failuresInARow = 0;
    qint32 lastPosted = 0;
    Host.Progress(position, maximum);
    if (Parallel)
        return RunParallel(first, maximum);

    const auto carriedOver = [this](qint32 r) {
        return Previous && Previous->Contains(r) && Previous->At(r).Outcome == TRowOutcome::Imported;
    };
    // The next row's cells, split while the current row's reply was awaited.
    QStringList upcoming;
    qint32 upcomingRow = -1;
    for (qint32 r = first; r < maximum; ++r) {
        CRow = r;
        const QStringList rowList = upcomingRow == r ? std::move(upcoming) : BuildRowList(Lines[r], r + 1);
        upcomingRow = -1;
        const bool carried = carriedOver(r);
        bool sent = false;
        if (!carried && rowList.size() >= 2 && !StopRequested) {
            Host.BeforeRow();
            if (!Host.ExitPlease() && !StopRequested) {
                if (r + 1 < maximum && !carriedOver(r + 1)) {
                    upcoming = BuildRowList(Lines[r + 1], r + 2);
                    upcomingRow = r + 1;
                    if (upcoming.size() >= 2)
                        Host.UpcomingRecord(upcoming, r + 1);
                }
                InFlight = r;
                const TRecordReply reply = Host.SendRecord(rowList, r);
                // Ended at once while it waited: every row is accounted for already.
                if (Abandoned)
                    return TImportOutcome::Stopped;
                InFlight = -1;
                sent = Account(r, reply);
                if (reply.Posts > 0)
                    lastPosted = r + 1;
            }
        }
        Conclude(r, rowList, sent, failuresInARow);
        Host.Progress(++position, maximum);
    }

    // A stop asked for while the closing request goes stopped nothing.
    const bool stopped = StopRequested || Host.ExitPlease();
    // The service learns the import ended whatever stopped the sending. A throw
    // here passes to the caller: no summary, and the run counts as over.
    Host.PostClosing();
    Host.Summary(SummaryLines(Host.RecordsImported(), stopped, lastPosted, Ledger.NotImported()));
    return stopped && StopRequested ? TImportOutcome::Stopped : TImportOutcome::Finished;
}

namespace
{
// How far past the first row still awaiting its reply new records may start: a reply
// held for the watchdog holds back the others only after this many rows, so the
// replies kept for their turn stay few.
constexpr qint32 MaxRowsAhead = 4096;
} // namespace

TImportOutcome TImportRun::RunParallel(qint32 first, qint32 maximum)
{
    // Records start in the file's order and their rows are accounted for in that order
    // as their turn comes, so the messages, the ledger, the results file and the summary
    // are those of a run one record at a time with the same replies; only the order on
    // the wire differs.
    struct TClearGuard
    {
        TImportRun& Run;
        ~TClearGuard()
        {
            Run.Posting.clear();
            Run.Answered.clear();
            Run.RowLists.clear();
        }
    } clear{*this};
    qint32 position = 0;
    qint32 failuresInARow = 0;
    qint32 lastPosted = 0;
    qint32 next = first; // the next row to consider sending
    bool stopPassedOn = false;
    const auto stopping = [this] { return StopRequested || Host.ExitPlease(); };
    // A row's cells, split once for its start and its turn.
    const auto rowListOf = [this](qint32 r) {
        if (const auto it = RowLists.find(r); it != RowLists.end())
            return it->second;
        return RowLists.emplace(r, BuildRowList(Lines[r], r + 1)).first->second;
    };
    // The rows whose turn has come, in order; those never started once the run stops.
    const auto settle = [&] {
        while (NextLine < maximum) {
            const qint32 r = NextLine;
            if (Posting.count(r) > 0 || (r >= next && !stopping()))
                break;
            const QStringList rowList = rowListOf(r);
            RowLists.erase(r);
            bool sent = false;
            if (const auto it = Answered.find(r); it != Answered.end()) {
                const TRecordReply reply = std::move(it->second);
                Answered.erase(it);
                Parallel->DispatchRecord(reply);
                sent = Account(r, reply);
                if (reply.Posts > 0)
                    lastPosted = r + 1;
            }
            Conclude(r, rowList, sent, failuresInARow);
            Host.Progress(++position, maximum);
        }
    };
    for (;;) {
        // Outcomes first, so a stop they bring (failures in a row) comes before the next record
        // starts, as one at a time.
        settle();
        if (NextLine >= maximum)
            break;
        if (stopping() && !stopPassedOn) {
            stopPassedOn = true;
            Parallel->StopRecords();
        }
        while (next < maximum && qint32(Posting.size()) < ParallelRecords && next - NextLine < MaxRowsAhead &&
               !stopping()) {
            const qint32 r = next++;
            const QStringList rowList = rowListOf(r);
            const bool carried =
                Previous && Previous->Contains(r) && Previous->At(r).Outcome == TRowOutcome::Imported;
            if (carried || rowList.size() < 2)
                continue; // settled in its turn
            CRow = r;
            Posting.insert(r);
            const bool started = Parallel->StartRecord(rowList, r, [this, r](TRecordReply&& reply) {
                Posting.erase(r);
                Answered[r] = std::move(reply);
            });
            if (!started) {
                Posting.erase(r);
                Answered[r] = TRecordReply();
            }
        }
        settle();
        if (NextLine >= maximum)
            break;
        const bool canStart =
            next < maximum && qint32(Posting.size()) < ParallelRecords && next - NextLine < MaxRowsAhead && !stopping();
        if (canStart)
            continue;
        if (stopping() && !stopPassedOn)
            continue;
        // The next record can be made ready while the service answers.
        if (next < maximum && next - NextLine < MaxRowsAhead && !stopping()) {
            const bool carried =
                Previous && Previous->Contains(next) && Previous->At(next).Outcome == TRowOutcome::Imported;
            const QStringList rowList = rowListOf(next);
            if (!carried && rowList.size() >= 2)
                Parallel->PrepareRecord(rowList, next);
        }
        // Nothing to do until a record has its outcome.
        Parallel->WaitForEvents();
        if (Abandoned)
            return TImportOutcome::Stopped;
    }

    const bool stopped = StopRequested || Host.ExitPlease();
    Host.PostClosing();
    Host.Summary(SummaryLines(Host.RecordsImported(), stopped, lastPosted, Ledger.NotImported()));
    return stopped && StopRequested ? TImportOutcome::Stopped : TImportOutcome::Finished;
}

void TImportRun::Abandon(qint32 postsInFlight)
{
    if (!Running)
        return;
    StopRequested = true;
    Abandoned = true;
    for (qint32 r = NextLine; r < qint32(Lines.size()); ++r) {
        const QStringList rowList = BuildRowList(Lines[r], r + 1);
        if (const auto it = Answered.find(r); it != Answered.end()) {
            if (!Account(r, it->second))
                SettleUnsent(r, rowList);
        } else if (Parallel && Posting.count(r) > 0) {
            TRowEntry& entry = Ledger.At(r);
            entry.Outcome = TRowOutcome::Failed; // posted, its reply unknown
            entry.Posts = qint16(qMin<qint32>(qMax(1, Parallel->PostsOf(r)), 32767));
        } else if (r == InFlight) {
            TRowEntry& entry = Ledger.At(r);
            entry.Outcome = postsInFlight > 0 ? TRowOutcome::Failed : TRowOutcome::NotSent;
            entry.Posts = qint16(qMin<qint32>(postsInFlight, 32767));
        } else {
            SettleUnsent(r, rowList);
        }
        Record(r, rowList);
    }
    InFlight = -1;
}
