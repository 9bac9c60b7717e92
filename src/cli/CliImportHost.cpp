#include "cli/CliImportHost.h"

#include "cli/CommandLine.h"
#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "exchange/ParallelPosts.h"

#include <QCoreApplication>
#include <QEventLoop>

TCliImportHost::TCliImportHost(TCommandLine& commandLine, bool dryRun, const QString& maskedHead)
    : C(commandLine)
    , Dry(dryRun)
    , Head(RecordHead(C.AccountNumber, C.LoginName, C.Password, C.SiteNumber))
    , MaskedHead(maskedHead)
    , Preparer(C.ColumnMap, C.FieldCatalogue.Entries, Head)
{
}

TRecordReply TCliImportHost::SendRecord(const QStringList& rowList, qint32 cRow)
{
    // Composed for this line of output only: nothing of it is kept.
    const TRecordText record = Preparer.Composer().Compose(rowList, cRow);
    if (record.IsRequest()) {
        ++C.ComposedCount;
        C.Print(TCommandLine::MaskRecord(record.Text, Head, MaskedHead));
    }
    return {};
}

bool TCliImportHost::StartRecord(const QStringList& rowList, qint32 cRow, std::function<void(TRecordReply&&)> done)
{
    TPreparedRecord prepared = Preparer.Take(rowList, cRow);
    if (!prepared.Record.IsRequest())
        return false;
    // Nothing of the request is kept once it was answered.
    Keys[cRow] = Posts->Start(std::move(prepared.Body), [this, cRow, done = std::move(done)](TParallelPosts::TOutcome&& o) {
        Keys.erase(cRow);
        TRecordReply reply;
        reply.Answered = o.Answered;
        reply.HttpStatus = o.Status;
        reply.Text = std::move(o.Text);
        reply.Posts = o.Posts;
        done(std::move(reply));
    });
    return true;
}

void TCliImportHost::DispatchRecord(const TRecordReply& reply)
{
    if (reply.Answered)
        C.ListRecordReply(reply.HttpStatus, reply.Text);
}

void TCliImportHost::WaitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TCliImportHost::StopRecords()
{
    Posts->Stop();
}

qint32 TCliImportHost::PostsOf(qint32 cRow) const
{
    const auto it = Keys.find(cRow);
    return it == Keys.end() ? 0 : Posts->PostsOf(it->second);
}

bool TCliImportHost::ExitPlease() const
{
    return !Dry && C.Exchange->ExitPlease;
}

void TCliImportHost::RowFailed(const TRowEntry& entry)
{
    C.PrintError(RowFailedNote(entry));
}

bool TCliImportHost::StopAfterFailures(qint32 failures)
{
    // Nobody to ask: stop, and leave the rest to --resume.
    C.PrintError(FailuresInARowText(failures) + QStringLiteral(" The import stops here."));
    C.RunLog.Add(QStringLiteral("Import stopped after %1 failed rows in a row").arg(failures));
    return true;
}

void TCliImportHost::Progress(qint32 position, qint32 maximum)
{
    if (Dry || !C.E.ErrIsTerminal || maximum <= 0)
        return;
    constexpr int Width = 40;
    const int filled = int(qint64(position) * Width / maximum);
    C.Err << '\r' << '[' << QString(filled, QLatin1Char('#')) << QString(Width - filled, QLatin1Char('.')) << "] "
          << position << '/' << maximum;
    C.Err.flush();
    C.BarShown = true;
}

void TCliImportHost::PostClosing()
{
    if (Dry)
        return;
    C.Exchange->PostRequest(ImportFinishedRequest(C.AccountNumber, C.LoginName, C.Password), rcImportFinished, false);
}

qint32 TCliImportHost::RecordsImported() const
{
    return C.RecordsImported;
}

void TCliImportHost::Summary(const QStringList& lines)
{
    if (Dry)
        return;
    for (const QString& line : lines)
        C.Print(line);
}
