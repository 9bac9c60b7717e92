#include "importer/ImportRun.h"

#include <QtTest>

#include <stdexcept>

namespace
{

// Records every call in order; can give up (ExitPlease) or request a stop at a chosen send.
class TFakeHost : public IImportHost
{
public:
    QStringList Calls;
    QList<QStringList> Sent;
    QList<qint32> SentRows;
    QStringList SummaryText;
    QList<QPair<qint32, qint32>> Steps;
    bool Exit = false;
    int ExitAfterSends = -1; // the watchdog gives up during this send
    int AnswerUpTo = 1000;   // sends beyond this are never answered
    int Answered = 0;
    bool FailClosing = false;
    std::function<void(int)> DuringSend;

    void BeforeRow() override { Calls.append(QStringLiteral("before")); }
    void SendRecord(const QStringList& rowList, qint32 cRow) override
    {
        Calls.append(QStringLiteral("send %1").arg(cRow));
        Sent.append(rowList);
        SentRows.append(cRow);
        if (Sent.size() <= AnswerUpTo)
            ++Answered;
        if (Sent.size() == ExitAfterSends)
            Exit = true;
        if (DuringSend)
            DuringSend(int(Sent.size()));
    }
    bool ExitPlease() const override { return Exit; }
    void Progress(qint32 position, qint32 maximum) override { Steps.append({position, maximum}); }
    void PostClosing() override
    {
        Calls.append(QStringLiteral("closing"));
        if (FailClosing)
            throw std::runtime_error("post failed");
    }
    qint32 RecordsImported() const override { return Answered; }
    void Summary(const QStringList& lines) override
    {
        Calls.append(QStringLiteral("summary"));
        SummaryText = lines;
    }
};

const QStringList Source{QStringLiteral("Name\tCity"), QStringLiteral("Ann\tRome"), QStringLiteral(""),
                         QStringLiteral("Bob\t")};

} // namespace

class TestImportRun : public QObject
{
    Q_OBJECT

private slots:
    void headings_firstLineNeverSent()
    {
        TFakeHost host;
        TImportRun run(host);
        QCOMPARE(run.Run(Source, true), TImportOutcome::Finished);
        // The empty line is the row number alone: skipped, no reset, no send.
        QCOMPARE(host.Calls, QStringList({"before", "send 1", "before", "send 3", "closing", "summary"}));
        QCOMPARE(host.Sent.value(0), QStringList({"2", "Ann", "Rome"}));
        QCOMPARE(host.Sent.value(1), QStringList({"4", "Bob"}));
        // The gauge ends one step short of full when the heading line is skipped.
        QCOMPARE(host.Steps.first(), qMakePair(0, 4));
        QCOMPARE(host.Steps.last(), qMakePair(3, 4));
        QCOMPARE(host.Steps.size(), 4);
        QCOMPARE(host.SummaryText, QStringList({"2 records imported", "Import finished"}));
    }

    void noHeadings_firstLineIsRowOne()
    {
        TFakeHost host;
        TImportRun run(host);
        run.Run(Source, false);
        QCOMPARE(host.SentRows, QList<qint32>({0, 1, 3}));
        QCOMPARE(host.Sent.value(0).value(0), QStringLiteral("1"));
        QCOMPARE(host.Steps.last(), qMakePair(4, 4));
    }

    void headingOnlySource_closingAndZeroSummary()
    {
        TFakeHost host;
        TImportRun run(host);
        QCOMPARE(run.Run({QStringLiteral("Name\tCity")}, true), TImportOutcome::Finished);
        QCOMPARE(host.Calls, QStringList({"closing", "summary"}));
        QCOMPARE(host.SummaryText, QStringList({"0 records imported", "Import finished"}));
    }

    void exitPlease_remainingRowsSkippedClosingStillPosted()
    {
        TFakeHost host;
        host.ExitAfterSends = 1;
        host.AnswerUpTo = 0; // the given-up record was never answered
        TImportRun run(host);
        QCOMPARE(run.Run(Source, false), TImportOutcome::Finished);
        QCOMPARE(host.Calls, QStringList({"before", "send 0", "before", "before", "closing", "summary"}));
        QCOMPARE(host.Steps.last(), qMakePair(4, 4));
        QCOMPARE(run.CurrentRow(), 3);
        QCOMPARE(host.SummaryText.value(0), QStringLiteral("0 records imported"));
    }

    void stopRequested_inFlightFinishesNoFurtherRecord()
    {
        TFakeHost host;
        TImportRun run(host);
        host.DuringSend = [&](int sends) {
            QVERIFY(run.IsRunning());
            if (sends == 1)
                run.RequestStop();
        };
        QCOMPARE(run.Run(Source, false), TImportOutcome::Stopped);
        QCOMPARE(host.Calls, QStringList({"before", "send 0", "closing", "summary"}));
        QCOMPARE(host.SummaryText.value(0), QStringLiteral("1 records imported"));
        QVERIFY(!run.IsRunning());
    }

    void reentrantStart_refused()
    {
        TFakeHost host;
        TImportRun run(host);
        TImportOutcome inner = TImportOutcome::Finished;
        host.DuringSend = [&](int sends) {
            if (sends == 1)
                inner = run.Run(Source, false);
        };
        QCOMPARE(run.Run(Source, true), TImportOutcome::Finished);
        QCOMPARE(inner, TImportOutcome::NotStarted);
        QCOMPARE(host.Sent.size(), 2);
    }

    void closingFails_noSummaryAndRunOver()
    {
        TFakeHost host;
        host.FailClosing = true;
        TImportRun run(host);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, run.Run(Source, true));
        QVERIFY(host.SummaryText.isEmpty());
        QVERIFY(!run.IsRunning());
    }

    void callerClearsLines_rowsReadAsAtStart()
    {
        TFakeHost host;
        TImportRun run(host);
        QStringList lines = Source;
        host.DuringSend = [&](int) { lines.clear(); };
        run.Run(lines, false);
        QCOMPARE(host.SentRows, QList<qint32>({0, 1, 3}));
    }
};

QTEST_GUILESS_MAIN(TestImportRun)
#include "TestImportRun.moc"
