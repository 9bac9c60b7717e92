#include "importer/ImportRun.h"

#include "source/RowList.h"

QStringList SummaryLines(qint32 recordsImported)
{
    return {QString::number(recordsImported) + QStringLiteral(" records imported"), QStringLiteral("Import finished")};
}

TImportRun::TImportRun(IImportHost& host)
    : Host(host)
{
}

TImportOutcome TImportRun::Run(const QStringList& sourceLines, bool headings)
{
    // Sending pumps window messages, so Start could in principle be reached again.
    if (Running)
        return TImportOutcome::NotStarted;
    Running = true;
    struct TRunningGuard
    {
        bool& Flag;
        ~TRunningGuard() { Flag = false; }
    } guard{Running};

    // A shared copy: whatever the caller does to its list while a reply is
    // awaited, the rows read here stay as they were at Start.
    const QStringList lines = sourceLines;
    const qint32 first = headings ? 1 : 0;
    const qint32 maximum = qint32(lines.size());
    qint32 position = 0;
    Host.Progress(position, maximum);

    for (qint32 r = first; r < maximum && !StopRequested; ++r) {
        CRow = r;
        const QStringList rowList = BuildRowList(lines[r], r + 1);
        if (rowList.size() >= 2) {
            Host.BeforeRow();
            if (!Host.ExitPlease())
                Host.SendRecord(rowList, r);
        }
        Host.Progress(++position, maximum);
    }

    // The service learns the import ended whatever stopped the sending. A throw
    // here passes to the caller: no summary, and the run counts as over.
    Host.PostClosing();
    Host.Summary(SummaryLines(Host.RecordsImported()));
    return StopRequested ? TImportOutcome::Stopped : TImportOutcome::Finished;
}
