#include "importer/ImportRun.h"
#include "importer/ResultsFile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

namespace
{

// Records every call in order; answers each send with a scripted HTTP status (0: no
// reply), can give up (ExitPlease) or request a stop at a chosen send.
class TFakeHost : public IImportHost
{
public:
    QStringList Calls;
    QList<QStringList> Sent;
    QList<qint32> SentRows;
    QStringList SummaryText;
    QList<QPair<qint32, qint32>> Steps;
    QList<int> Statuses; // per send; missing ones answer 200
    bool Exit = false;
    int ExitAfterSends = -1; // the watchdog gives up during this send
    bool StopWhenAsked = true;
    int Answered = 0;
    bool FailClosing = false;
    std::function<void(int)> DuringSend;

    void BeforeRow() override { Calls.append(QStringLiteral("before")); }
    TRecordReply SendRecord(const QStringList& rowList, qint32 cRow) override
    {
        Calls.append(QStringLiteral("send %1").arg(cRow));
        Sent.append(rowList);
        SentRows.append(cRow);
        TRecordReply reply;
        reply.Posts = 1;
        const int status = Statuses.value(Sent.size() - 1, 200);
        if (status != 0) {
            reply.Answered = true;
            reply.HttpStatus = status;
            reply.Text = status < 400 ? QStringLiteral("OK\r\nPOST=Row %1 taken\r\n").arg(cRow + 1)
                                      : QStringLiteral("<h1>Server error</h1>\r\n\r\nTry later");
            Answered += status < 400 ? 1 : 0;
        } else {
            reply.Posts = 7;
        }
        if (Sent.size() == ExitAfterSends)
            Exit = true;
        if (DuringSend)
            DuringSend(int(Sent.size()));
        return reply;
    }
    bool ExitPlease() const override { return Exit; }
    void Progress(qint32 position, qint32 maximum) override { Steps.append({position, maximum}); }
    void RowFailed(const TRowEntry& entry) override { Calls.append(QStringLiteral("failed %1").arg(entry.Row())); }
    bool StopAfterFailures(qint32 failures) override
    {
        Calls.append(QStringLiteral("ask %1").arg(failures));
        return StopWhenAsked;
    }
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

QList<TRowOutcome> Outcomes(const TRunLedger& ledger)
{
    QList<TRowOutcome> outcomes;
    for (const TRowEntry& entry : ledger.Entries())
        outcomes.append(entry.Outcome);
    return outcomes;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

constexpr TRowOutcome Imported = TRowOutcome::Imported;
constexpr TRowOutcome Failed = TRowOutcome::Failed;
constexpr TRowOutcome NotSent = TRowOutcome::NotSent;
constexpr TRowOutcome Skipped = TRowOutcome::Skipped;

} // namespace

class TestImportRun : public QObject
{
    Q_OBJECT

private slots:
    void headings_firstLineNeverSent()
    {
        TFakeHost host;
        TRunLedger ledger;
        TImportRun run(host, ledger);
        QCOMPARE(run.Run(Source, true), TImportOutcome::Finished);
        // The empty line is the row number alone: skipped, no reset, no send.
        QCOMPARE(host.Calls, QStringList({"before", "send 1", "before", "send 3", "closing", "summary"}));
        QCOMPARE(host.Sent.value(0), QStringList({"2", "Ann", "Rome"}));
        QCOMPARE(host.Sent.value(1), QStringList({"4", "Bob"}));
        // The gauge ends one step short of full when the heading line is skipped.
        QCOMPARE(host.Steps.first(), qMakePair(0, 4));
        QCOMPARE(host.Steps.last(), qMakePair(3, 4));
        QCOMPARE(host.Steps.size(), 4);
        // Every row imported: the summary keeps its two lines.
        QCOMPARE(host.SummaryText, QStringList({"2 records imported", "Import finished"}));
        QCOMPARE(Outcomes(ledger), QList<TRowOutcome>({Imported, Skipped, Imported}));
        QCOMPARE(ledger.At(1).Row(), 2);
        QCOMPARE(ledger.At(1).MessageLines(), QStringList{"Row 2 taken"});
    }

    void noHeadings_firstLineIsRowOne()
    {
        TFakeHost host;
        TRunLedger ledger;
        TImportRun run(host, ledger);
        run.Run(Source, false);
        QCOMPARE(host.SentRows, QList<qint32>({0, 1, 3}));
        QCOMPARE(host.Sent.value(0).value(0), QStringLiteral("1"));
        QCOMPARE(host.Steps.last(), qMakePair(4, 4));
    }

    void headingOnlySource_closingAndZeroSummary()
    {
        TFakeHost host;
        TRunLedger ledger;
        TImportRun run(host, ledger);
        QCOMPARE(run.Run({QStringLiteral("Name\tCity")}, true), TImportOutcome::Finished);
        QCOMPARE(host.Calls, QStringList({"closing", "summary"}));
        QCOMPARE(host.SummaryText, QStringList({"0 records imported", "Import finished"}));
        QVERIFY(ledger.IsEmpty());
    }

    // An error reply is no answer: the row fails, is not sent again, and the run goes on; the
    // results file says so row by row, in CSV a spreadsheet reads.
    void httpError_rowFailedRunGoesOnResultsFileExact()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QStringList lines{QStringLiteral("Name\tNote, \"quoted\""), QStringLiteral("Ann\tline one[br]two"),
                                QStringLiteral("Bob\ta,b"), QString(), QStringLiteral("Cy\t\t\tx")};
        TResultsFile results;
        QVERIFY(results.Create(dir.filePath(QStringLiteral("r.csv")), ResultsCellHeadings(lines, true), false));
        TFakeHost host;
        host.Statuses = {200, 500, 200};
        TRunLedger ledger;
        TImportRun run(host, ledger);
        run.SetResultsFile(&results);
        QCOMPARE(run.Run(lines, true), TImportOutcome::Finished);
        results.Close();

        QCOMPARE(host.Calls, QStringList({"before", "send 1", "before", "send 2", "failed 3", "before", "send 4",
                                          "closing", "summary"}));
        QCOMPARE(Outcomes(ledger), QList<TRowOutcome>({Imported, Failed, Skipped, Imported}));
        QCOMPARE(host.SummaryText, QStringList({"2 records imported", "1 rows not imported", "Import finished"}));
        QCOMPARE(ReadAll(results.Path()),
                 QByteArray("\xEF\xBB\xBFRow,Outcome,HTTP status,Posts,Messages,Name,\"Note, \"\"quoted\"\"\",C,D\r\n"
                            "2,imported,200,1,Row 2 taken,Ann,line one[br]two,,\r\n"
                            "3,failed,500,1,<h1>Server error</h1> | Try later,Bob,\"a,b\",,\r\n"
                            "4,skipped,,0,,,,,\r\n"
                            "5,imported,200,1,Row 5 taken,Cy,,,x\r\n"));
        QCOMPARE(results.RowsWritten(), 4);
    }

    void failuresInARow_askThenStopOrGoOn_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::addColumn<int>("sends");
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("stop: the rest not sent") << true << 8 << QStringList{"ask 5"};
        QTest::newRow("go on: asked again five later") << false << 13 << QStringList{"ask 5", "ask 5"};
    }
    void failuresInARow_askThenStopOrGoOn()
    {
        QFETCH(bool, stop);
        QFETCH(int, sends);
        QFETCH(QStringList, asked);
        QStringList lines;
        for (int row = 1; row <= 13; ++row)
            lines << QStringLiteral("Row %1").arg(row);
        TFakeHost host;
        host.StopWhenAsked = stop;
        // One success breaks the count: the fifth failure in a row is the eighth send.
        host.Statuses = {500, 503, 200, 500, 500, 500, 500, 500, 500, 500, 500, 500, 500};
        TRunLedger ledger;
        TImportRun run(host, ledger);
        QCOMPARE(run.Run(lines, false), stop ? TImportOutcome::Stopped : TImportOutcome::Finished);
        QCOMPARE(host.Sent.size(), sends);
        QCOMPARE(host.Calls.filter(QStringLiteral("ask")), asked);
        if (stop) {
            QCOMPARE(ledger.Count(TRowOutcome::NotSent), 5);
            QCOMPARE(host.SummaryText, QStringList({"1 records imported", "Stopped after row 8", "12 rows not imported",
                                                    "Import finished"}));
        } else {
            QCOMPARE(ledger.Count(TRowOutcome::Failed), 12);
        }
        QCOMPARE(host.Calls.mid(host.Calls.size() - 2), QStringList({"closing", "summary"}));
    }

    void exitPlease_remainingRowsNotSentClosingStillPosted()
    {
        TFakeHost host;
        host.ExitAfterSends = 1;
        host.Statuses = {0}; // the given-up record was never answered
        TRunLedger ledger;
        TImportRun run(host, ledger);
        QCOMPARE(run.Run(Source, false), TImportOutcome::Finished);
        QCOMPARE(host.Calls,
                 QStringList({"before", "send 0", "failed 1", "before", "before", "closing", "summary"}));
        QCOMPARE(host.Steps.last(), qMakePair(4, 4));
        QCOMPARE(run.CurrentRow(), 3);
        QCOMPARE(Outcomes(ledger), QList<TRowOutcome>({Failed, NotSent, Skipped, NotSent}));
        QCOMPARE(int(ledger.At(0).Posts), 7);
        QCOMPARE(host.SummaryText,
                 QStringList({"0 records imported", "Stopped after row 1", "3 rows not imported", "Import finished"}));
    }

    void stopRequested_inFlightFinishesNoFurtherRecord()
    {
        TFakeHost host;
        TRunLedger ledger;
        TImportRun run(host, ledger);
        host.DuringSend = [&](int sends) {
            QVERIFY(run.IsRunning());
            if (sends == 1)
                run.RequestStop();
        };
        QCOMPARE(run.Run(Source, false), TImportOutcome::Stopped);
        QCOMPARE(host.Calls, QStringList({"before", "send 0", "closing", "summary"}));
        QCOMPARE(Outcomes(ledger), QList<TRowOutcome>({Imported, NotSent, Skipped, NotSent}));
        QCOMPARE(host.SummaryText,
                 QStringList({"1 records imported", "Stopped after row 1", "2 rows not imported", "Import finished"}));
        QVERIFY(!run.IsRunning());
    }

    // A second run over the same lines sends only what the first did not import; a run
    // abandoned mid-wait still accounts for every row in its results file.
    void previousLedger_onlyRowsNotImportedSent_abandonWritesTheRest()
    {
        QStringList lines;
        for (int row = 1; row <= 6; ++row)
            lines << QStringLiteral("R%1\tx").arg(row);
        TFakeHost first;
        first.Statuses = {200, 500, 200, 500};
        first.ExitAfterSends = 4;
        TRunLedger before;
        TImportRun firstRun(first, before);
        firstRun.Run(lines, false);
        QCOMPARE(Outcomes(before), QList<TRowOutcome>({Imported, Failed, Imported, Failed, NotSent, NotSent}));

        QTemporaryDir dir;
        TResultsFile results;
        QVERIFY(results.Create(dir.filePath(QStringLiteral("again.csv")), ResultsCellHeadings(lines, false), false));
        TFakeHost second;
        TRunLedger after;
        TImportRun secondRun(second, after);
        secondRun.SetResultsFile(&results);
        // The second row sent (row 4) is in flight when the run is ended at once.
        second.DuringSend = [&](int sends) {
            if (sends == 2)
                secondRun.Abandon(3);
        };
        secondRun.Run(lines, false, &before);
        QCOMPARE(second.SentRows, QList<qint32>({1, 3}));
        QCOMPARE(Outcomes(after), QList<TRowOutcome>({Imported, Imported, Imported, Failed, NotSent, NotSent}));
        QCOMPARE(int(after.At(3).Posts), 3);
        // The rows imported before keep what the first run learnt.
        QCOMPARE(after.At(2).MessageLines(), QStringList{"Row 3 taken"});
        results.Close();
        const QList<QByteArray> written = ReadAll(results.Path()).split('\n');
        QCOMPARE(written.size(), 8); // heading, six rows, nothing after the last line break
        QCOMPARE(written.at(4), QByteArray("4,failed,,3,,R4,x\r"));
        QCOMPARE(written.at(6), QByteArray("6,not sent,,0,,R6,x\r"));
    }

    void reentrantStart_refused()
    {
        TFakeHost host;
        TRunLedger ledger;
        TImportRun run(host, ledger);
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
        TRunLedger ledger;
        TImportRun run(host, ledger);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, run.Run(Source, true));
        QVERIFY(host.SummaryText.isEmpty());
        QVERIFY(!run.IsRunning());
    }

    void callerClearsLines_rowsReadAsAtStart()
    {
        TFakeHost host;
        TRunLedger ledger;
        TImportRun run(host, ledger);
        QStringList lines = Source;
        host.DuringSend = [&](int) { lines.clear(); };
        run.Run(lines, false);
        QCOMPARE(host.SentRows, QList<qint32>({0, 1, 3}));
    }

    void ledgerMessages_cappedPerRowAndMarked()
    {
        QString reply;
        for (int i = 1; i <= 12; ++i)
            reply += QStringLiteral("POST=message %1\r\nignored\r\n").arg(i);
        const QStringList kept = TRowEntry{0, Imported, 200, 1, LedgerMessages(200, reply)}.MessageLines();
        QCOMPARE(kept.size(), MaxLedgerLinesPerRow + 1);
        QCOMPARE(kept.first(), QStringLiteral("message 1"));
        QCOMPARE(kept.last(), LedgerCutMarker());
        const QString page = LedgerMessages(500, QString(5000, QLatin1Char('x')));
        QCOMPARE(page, QString(MaxLedgerCharsPerRow, QLatin1Char('x')) + QLatin1Char('\n') + LedgerCutMarker());
        QCOMPARE(LedgerMessages(200, QStringLiteral("POST=a\nPOST=A")), QStringLiteral("a\nA")); // not de-duplicated
    }

    // A results file read back for a resumed run: accepted only while the rows to send
    // again still hold what it lists.
    void resume_checksTheSourceAgainstTheResultsFile_data()
    {
        QTest::addColumn<QStringList>("now");
        QTest::addColumn<bool>("headings");
        QTest::addColumn<QString>("problem");
        const QStringList same{"Name\tCity", "Ann\tRome", "Bob\t\"x\", y", "Cy\tOslo\t"};
        QTest::newRow("same") << same << true << QString();
        QTest::newRow("imported row edited") << QStringList{"Name\tCity", "Ann\tParis", "Bob\t\"x\", y", "Cy\tOslo"}
                                             << true << QString();
        QTest::newRow("failed row edited") << QStringList{"Name\tCity", "Ann\tRome", "Bob\tz", "Cy\tOslo"} << true
                                           << "row 3 holds other cells now";
        QTest::newRow("row added") << same + QStringList{"Di\tRiga"} << true << "it lists 3 rows, the file now has 4";
        QTest::newRow("row removed") << same.mid(0, 3) << true << "it lists row 4, which the file no longer has";
        QTest::newRow("headings taken otherwise") << same << false << "it lists row 2 where the file's row 1";
    }
    void resume_checksTheSourceAgainstTheResultsFile()
    {
        QFETCH(QStringList, now);
        QFETCH(bool, headings);
        QFETCH(QString, problem);
        const QStringList then{"Name\tCity", "Ann\tRome", "Bob\t\"x\", y", "Cy\tOslo"};
        QTemporaryDir dir;
        TResultsFile results;
        QVERIFY(results.Create(dir.filePath(QStringLiteral("then.csv")), ResultsCellHeadings(then, true), false));
        TFakeHost host;
        host.Statuses = {200, 500, 0};
        TRunLedger ledger;
        TImportRun run(host, ledger);
        run.SetResultsFile(&results);
        run.Run(then, true);
        results.Close();

        TRunLedger previous;
        QString error;
        const bool accepted = LoadResultsForResume(results.Path(), QStringLiteral("then.txt"), now, headings,
                                                   previous, &error);
        QCOMPARE(accepted, problem.isEmpty());
        if (!accepted) {
            QVERIFY2(error.contains(problem), qPrintable(error));
            QVERIFY(error.startsWith(QStringLiteral("then.txt has changed since")));
            return;
        }
        QCOMPARE(Outcomes(previous), Outcomes(ledger));
        QCOMPARE(int(previous.At(2).HttpStatus), 500);
        QCOMPARE(previous.At(2).MessageLines(), ledger.At(2).MessageLines());
        QCOMPARE(int(previous.At(3).Posts), 7);
    }

    void resume_refusesWhatIsNoResultsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("other.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Name,City\r\nAnn,Rome\r\n");
        file.close();
        TRunLedger previous;
        QString error;
        QVERIFY(!LoadResultsForResume(path, QStringLiteral("a.txt"), {"Ann\tRome"}, false, previous, &error));
        QVERIFY2(error.contains(QStringLiteral("is not a results file")), qPrintable(error));
        QVERIFY(!LoadResultsForResume(dir.filePath(QStringLiteral("missing.csv")), QStringLiteral("a.txt"),
                                      {"Ann\tRome"}, false, previous, &error));
        QVERIFY2(error.startsWith(QStringLiteral("Unable to read the results file")), qPrintable(error));
    }

    void resultsPlace_besideSourceElseProgramFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("src")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("prog")));
        const QString source = dir.filePath(QStringLiteral("src/monthly.data.csv"));
        const QDateTime now(QDate(2024, 3, 9), QTime(7, 5, 2));
        TResultsFile first;
        TResultsPlace place = CreateResultsFile(first, source, dir.filePath(QStringLiteral("prog")), now, {"A"});
        QVERIFY(place.Created && !place.FellBack);
        QCOMPARE(first.Path(), dir.filePath(QStringLiteral("src/monthly.data-results-2024-03-09-070502.csv")));
        // The same second again: never replaces a results file.
        TResultsFile second;
        place = CreateResultsFile(second, source, dir.filePath(QStringLiteral("prog")), now, {"A"});
        QCOMPARE(second.Path(), dir.filePath(QStringLiteral("src/monthly.data-results-2024-03-09-070502-2.csv")));

        // A folder that cannot be written (here: one that is gone): the program's folder, and why.
        TResultsFile third;
        place = CreateResultsFile(third, dir.filePath(QStringLiteral("gone/monthly.csv")),
                                  dir.filePath(QStringLiteral("prog")), now, {"A"});
        QVERIFY(place.Created && place.FellBack);
        QVERIFY(!place.SourceDirError.isEmpty());
        QCOMPARE(QFileInfo(third.Path()).absolutePath(), dir.filePath(QStringLiteral("prog")));
    }
};

QTEST_GUILESS_MAIN(TestImportRun)
#include "TestImportRun.moc"
