#pragma once

#include "importer/ImportRun.h"
#include "importer/RecordEncoder.h"

#include <map>

class TCommandLine;
class TParallelPosts;

// The import run's view of the command line: records are composed with the same
// library call the wizard uses and posted through the same exchange, from the
// event loop, up to --parallel at once. The dry run goes through the run's own
// one-at-a-time loop and posts nothing.
class TCliImportHost : public IImportHost, public IParallelImportHost
{
public:
    // maskedHead: for the dry run, the record head as printed, the password starred.
    TCliImportHost(TCommandLine& commandLine, bool dryRun, const QString& maskedHead);

    // Where the records go (not for the dry run).
    void SetPosts(TParallelPosts* posts) { Posts = posts; }

    // One at a time: the dry run only.
    void BeforeRow() override {}
    TRecordReply SendRecord(const QStringList& rowList, qint32 cRow) override;

    // Side by side.
    void PrepareRecord(const QStringList& rowList, qint32 cRow) override { Preparer.Prepare(rowList, cRow); }
    bool StartRecord(const QStringList& rowList, qint32 cRow, std::function<void(TRecordReply&&)> done) override;
    void DispatchRecord(const TRecordReply& reply) override;
    void WaitForEvents() override;
    void StopRecords() override;
    qint32 PostsOf(qint32 cRow) const override;

    bool ExitPlease() const override;
    void RowFailed(const TRowEntry& entry) override;
    bool StopAfterFailures(qint32 failures) override;
    void Progress(qint32 position, qint32 maximum) override;
    void PostClosing() override;
    qint32 RecordsImported() const override;
    void Summary(const QStringList& lines) override;

private:
    TCommandLine& C;
    bool Dry;
    QString Head;
    QString MaskedHead;
    TRecordPreparer Preparer;
    TParallelPosts* Posts = nullptr;
    std::map<qint32, quint64> Keys; // rows in flight and their records' keys
};
