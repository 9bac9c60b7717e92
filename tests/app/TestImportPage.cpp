#include "WindowTestSupport.h"
#include "SandboxProcess.h"
#include "ScriptedPrompt.h"
#include "app/Unit1.h"
#include "exchange/Connection.h"
#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "mapping/FieldCatalogue.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace
{
// The service's documented demo account.
const QString Account = QStringLiteral("123456789");
const QString Login = QStringLiteral("demo@example.org");
const QString DemoPassword = QStringLiteral("sandbox-demo");
const QString Head = QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=31&SI=0");
const QString Closing = QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=110");
const QString TimedOut = QStringLiteral(
    "Timed out waiting for connection. Verify that your Internet connection is active, then try again.");

// Line i describes catalogue index i, numbered as the service numbers its fields.
const QString CatalogueReply = QStringLiteral("OK\r\n"
                                              "1\t2\t0\tLast name\t0\r\n"
                                              "1\t19\t0\tFlags\t0\r\n"
                                              "8\t1\t0\tDate joined\t6\r\n");

// Heading row, a full row, a row of empty cells, a row with no cell at all, a short row.
const QStringList Source{QStringLiteral("Last\tFlag 1\tFlag 2\tJoined"),
                         QStringLiteral("Smith\tDriver\tUsher\t1/2/1990"), QStringLiteral("\t\t\t"), QString(),
                         QStringLiteral("Jones\t\tDriver")};
const QString Row1 = Head + QStringLiteral("&1_2=Smith&1_19_1=Driver&1_19_2=Usher&8_1_F=1&8_1=1/2/1990");
const QString Row2 = Head;
const QString Row4 = Head + QStringLiteral("&1_2=Jones&1_19_1=Driver");

} // namespace

class TestImportPage : public QObject
{
    Q_OBJECT

    TSandboxProcess Sandbox;
    QTemporaryDir SandboxDir;
    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;

    // A shown window on the import page, logged in to the demo account, with the columns
    // A -> Last name, B and C -> Flags, D -> Date joined (day first).
    std::unique_ptr<TForm1> MakeForm(const QStringList& sourceLines, bool headings, QStringList* opened = nullptr)
    {
        auto form = MakeTestWindow(*Dir, Prompt, {Sandbox.Host(), Sandbox.CAFile()}, [opened](const QString& folder) {
            if (opened)
                opened->append(folder);
        });
        // The watchdog is driven by the tests themselves.
        form->Timer1->stop();
        form->AccountNumber = Account;
        form->LoginName = Login;
        form->Password = DemoPassword;
        form->SiteNumber = QStringLiteral("0");
        LoadFieldCatalogue(CatalogueReply, form->FieldCatalogue);
        const QList<QPair<int, int>> mapping{{1, 1}, {2, 2}, {3, 2}, {4, 3}};
        for (const auto& [column, index] : mapping) {
            form->ColumnMap[size_t(column)].Skip = 0;
            form->ColumnMap[size_t(column)].FieldIndex = quint16(index);
        }
        form->ColumnMap[4].DateFormat = 1;
        form->SourceLines = sourceLines;
        form->CheckBox1->setChecked(headings);
        ApplyConnectionSettings(form->Exchange->HTTPS1, form->Setup, form->Endpoint, form->RunLog);
        form->ShowPage(form->TabSheet7);
        return form;
    }

    // Runs `step` every few milliseconds while Start runs (inside the run's waits).
    static std::unique_ptr<QTimer> During(TForm1& form, std::function<void()> step)
    {
        auto timer = std::make_unique<QTimer>();
        timer->setInterval(5);
        QObject::connect(timer.get(), &QTimer::timeout, &form, std::move(step));
        timer->start();
        return timer;
    }

    // A record post that failed or went unanswered, now waiting for the watchdog.
    static bool AwaitingWatchdog(const TForm1& form)
    {
        return form.Exchange->Waiting && form.Exchange->WaitFor == rcRecord && !form.Exchange->HTTPS1.Busy();
    }

    // One whole wait of the watchdog, without waiting 91 seconds.
    static void NinetyOneTicks(TForm1& form)
    {
        for (int tick = 0; tick < 91; ++tick)
            form.Timer1Timer();
    }

private slots:
    void initTestCase() { QVERIFY2(Sandbox.Start(SandboxDir.path()), qPrintable(Sandbox.ErrorText())); }
    void init()
    {
        QVERIFY(Sandbox.Reset());
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TScriptedPrompt();
    }
    void cleanup() { QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n')))); }

    void pageShown_nextDisabledStartEnabled()
    {
        auto form = MakeForm(Source, true);
        QVERIFY(!form->Button18->isEnabled());
        QVERIFY(form->Button20->isEnabled());
        QVERIFY(form->Label20->isVisible());
    }

    void start_postsEveryDataRowThenClosingRequest()
    {
        auto form = MakeForm(Source, true);
        form->RecordsImported = 99;
        form->Button20->click();

        QCOMPARE(Sandbox.Requests(), QStringList({Row1, Row2, Row4, Closing}));
        QCOMPARE(Items(form->ListBox3),
                 QStringList({QStringLiteral("Record 1 received: 5 fields"),
                              QStringLiteral("Record 2 received: 0 fields"), QStringLiteral("Record has no fields"),
                              QStringLiteral("Record 3 received: 2 fields"), QStringLiteral("3 records imported"),
                              QStringLiteral("Import finished")}));
        QCOMPARE(form->RecordsImported, 3);
        QCOMPARE(form->StatusPanel0->text(), QStringLiteral("Records imported: 3"));
        QCOMPARE(form->CRow, 4);
        // The heading line counts in the range, so the gauge stops one step short.
        QCOMPARE(form->Gauge3->maximum(), 5);
        QCOMPARE(form->Gauge3->value(), 4);
        QVERIFY(!form->Gauge3->isVisible());
        QVERIFY(!form->Label20->isVisible());
        QVERIFY(!form->Button20->isEnabled());
        QVERIFY(!form->Button16->isEnabled());
        QVERIFY(form->Button18->isEnabled());
        QCOMPARE(form->ListBox1->count(), 0);
        QVERIFY(Prompt.Shown.isEmpty());
        QVERIFY(form->isVisible());

        form->Button18->click();
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet8);
        // Close on the final page asks nothing.
        form->Button21->click();
        QVERIFY(!form->isVisible());
        QVERIFY(Prompt.Shown.isEmpty());
    }

    // The list and the count are brought up to date while the run goes on, not only at its end.
    void midRun_messagesAndCountShownWhileRecordsAwaitReplies()
    {
        auto form = MakeForm(Source, true);
        bool seenMidRun = false;
        bool ahead = false;
        auto observer = During(*form, [&] {
            if (!form->Exchange->Waiting || form->Exchange->WaitFor != rcRecord)
                return;
            const QString shown = form->StatusPanel0->text();
            // Never more than has been counted.
            if (form->ListBox3->model()->rowCount() > form->RecordsImported * 2)
                ahead = true;
            if (form->RecordsImported == 1 && shown == QStringLiteral("Records imported: 1")
                && Items(form->ListBox3) == QStringList{QStringLiteral("Record 1 received: 5 fields")})
                seenMidRun = true;
        });
        // Every record reply takes longer than the window's refresh interval.
        QVERIFY(Sandbox.Fault(QStringLiteral("delay"), 0, 250, 31));
        form->Button20->click();
        observer->stop();
        QVERIFY(seenMidRun);
        QVERIFY(!ahead);
        QCOMPARE(form->StatusPanel0->text(), QStringLiteral("Records imported: 3"));
        QCOMPARE(form->ListBox3->model()->rowCount(), 6);
    }

    void recordReplyOverTheLimits_listCutAndLogged()
    {
        auto form = MakeForm(Source, true);
        QString reply;
        for (int i = 0; i < 150; ++i)
            reply += QStringLiteral("POST=Row %1 saved\r\n").arg(i);
        form->DispatchReply(rcRecord, reply);
        const QStringList items = Items(form->ListBox3);
        QCOMPARE(items.size(), 101);
        QCOMPARE(items.at(99), QStringLiteral("Row 99 saved"));
        QCOMPARE(items.last(), QStringLiteral("... 50 more lines from the service not shown"));
        QCOMPARE(form->RunLog.AllLines().last(), QStringLiteral("Messages from the service cut: 50 lines not shown"));
    }

    void start_firstRow_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("headings");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<int>("gauge");
        QTest::newRow("no headings: first line sent")
            << QStringList{QStringLiteral("Smith\tA"), QStringLiteral("Jones")} << false
            << QStringList({Head + QStringLiteral("&1_2=Smith&1_19_1=A"), Head + QStringLiteral("&1_2=Jones"), Closing})
            << 2;
        QTest::newRow("heading line only") << QStringList{QStringLiteral("Last\tFlag")} << true
                                           << QStringList{Closing} << 0;
        QTest::newRow("single blank cell is sent") << QStringList{QStringLiteral(" ")} << false
                                                   << QStringList({Head + QStringLiteral("&1_2= "), Closing}) << 1;
    }
    void start_firstRow()
    {
        QFETCH(QStringList, lines);
        QFETCH(bool, headings);
        QFETCH(QStringList, requests);
        QFETCH(int, gauge);
        auto form = MakeForm(lines, headings);
        form->Button20->click();
        QCOMPARE(Sandbox.Requests(), requests);
        QCOMPARE(form->Gauge3->value(), gauge);
        const int records = int(requests.size()) - 1;
        QCOMPARE(form->RecordsImported, records);
        QCOMPARE(Items(form->ListBox3).mid(form->ListBox3->model()->rowCount() - 2),
                 QStringList({QString::number(records) + QStringLiteral(" records imported"),
                              QStringLiteral("Import finished")}));
    }

    void start_tooManyFlags_diagnosticLine()
    {
        auto form = MakeForm({QStringLiteral("x")}, false);
        for (int column = 2; column <= 39; ++column)
            form->ColumnMap[size_t(column)].FieldIndex = 2;
        QStringList cells{QStringLiteral("Smith")};
        for (int flag = 1; flag <= 38; ++flag)
            cells << QStringLiteral("F%1").arg(flag);
        form->SourceLines = {cells.join(QLatin1Char('\t'))};
        form->Button20->click();
        QCOMPARE(Items(form->ListBox1),
                 QStringList({QStringLiteral("Row 0 has too many Flags"), QStringLiteral("Row 0 has too many Flags")}));
        const QStringList requests = Sandbox.Requests();
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests[0].endsWith(QStringLiteral("&1_19_36=F36")));
    }

    void unansweredRecord_postedAgainWithSameBody()
    {
        auto form = MakeForm(Source, true);
        // The service never answers the first record; the client gives up on it after a second.
        form->Exchange->HTTPS1.SetTimeout(1);
        QVERIFY(Sandbox.Fault(QStringLiteral("noreply"), 1, 0, 31));
        int waits = 0;
        auto driver = During(*form, [&] {
            if (!AwaitingWatchdog(*form))
                return;
            ++waits;
            NinetyOneTicks(*form);
        });
        form->Button20->click();
        driver->stop();

        QCOMPARE(waits, 1);
        QCOMPARE(Sandbox.Requests(), QStringList({Row1, Row1, Row2, Row4, Closing}));
        QCOMPARE(form->RecordsImported, 3);
        QCOMPARE(form->RunLog.AllLines().count(QStringLiteral("Http exception rasied")), 1);
        QVERIFY(!form->Exchange->ExitPlease);
        QVERIFY(Prompt.Errors.isEmpty());
        QCOMPARE(Items(form->ListBox3).last(), QStringLiteral("Import finished"));
    }

    void lastResendUnanswered_stopsRemainingRowsAndListsSummary()
    {
        auto form = MakeForm(Source, true);
        QVERIFY(Sandbox.Fault(QStringLiteral("drop"), 0, 0, 31));
        int waits = 0;
        auto driver = During(*form, [&] {
            if (!AwaitingWatchdog(*form) || waits > 10)
                return;
            ++waits;
            NinetyOneTicks(*form);
        });
        form->Button20->click();
        driver->stop();

        // One first post and six resends, then the give-up box once.
        QCOMPARE(waits, 7);
        QCOMPARE(Sandbox.Requests(), QStringList({Row1, Row1, Row1, Row1, Row1, Row1, Row1, Closing}));
        QCOMPARE(Prompt.Errors, QStringList{TimedOut});
        QVERIFY(form->Exchange->ExitPlease);
        QCOMPARE(form->RecordsImported, 0);
        QCOMPARE(form->Gauge3->value(), 4);
        // Where it stopped, and what that left undone.
        QCOMPARE(Items(form->ListBox3),
                 QStringList({"Row 2 not imported: no reply", "0 records imported", "Stopped after row 2",
                              "3 rows not imported", "Import finished"}));
        QVERIFY(!form->Button16->isEnabled());
        QVERIFY(form->Button18->isEnabled());
        QCOMPARE(form->RunLog.AllLines().count(QStringLiteral("Http exception rasied")), 7);
    }

    void closeConfirmedMidRun_endsAfterRecordInFlight()
    {
        auto form = MakeForm(Source, true);
        QVERIFY(Sandbox.Fault(QStringLiteral("delay"), 0, 300, 31));
        int asked = 0;
        auto driver = During(*form, [&] {
            if (asked < 2 && form->Exchange->WaitFor == rcRecord && form->Exchange->HTTPS1.Busy()) {
                if (asked == 0)
                    Prompt.QueueConfirm(true);
                ++asked;
                // A second close while the first waits asks nothing more.
                form->close();
                QVERIFY(form->isVisible());
            }
        });
        form->Button20->click();
        driver->stop();
        QCOMPARE(asked, 2);
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);

        QCOMPARE(Sandbox.Requests(), QStringList({Row1, Closing}));
        QCOMPARE(Prompt.Shown, QStringList{QStringLiteral("Close the Quillmarsh Import Utility?")});
        QCOMPARE(form->RecordsImported, 1);
        QCOMPARE(Items(form->ListBox3), QStringList({"Record 1 received: 5 fields", "1 records imported",
                                                     "Stopped after row 2", "2 rows not imported", "Import finished"}));
        // The close procedure ran once, after everything the run wrote.
        const QStringList log = form->RunLog.AllLines();
        QVERIFY(log[log.size() - 2].startsWith(QStringLiteral("Stopped ")));
        QCOMPARE(log.last(), QStringLiteral(" "));
        QCOMPARE(log.count(log[log.size() - 2]), 1);
        QVERIFY(QFile::exists(form->SettingsPath()));
        QVERIFY(form->SourceLines.isEmpty());
    }

    void closeConfirmedWhileRecordAwaitsWatchdog_noResend()
    {
        auto form = MakeForm(Source, true);
        QVERIFY(Sandbox.Fault(QStringLiteral("drop"), 1, 0, 31));
        bool closed = false;
        auto driver = During(*form, [&] {
            if (closed || !AwaitingWatchdog(*form))
                return;
            closed = true;
            Prompt.QueueConfirm(true);
            form->close();
        });
        form->Button20->click();
        driver->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
        QCOMPARE(Sandbox.Requests(), QStringList({Row1, Closing}));
        QCOMPARE(Items(form->ListBox3),
                 QStringList({"Row 2 not imported: no reply", "0 records imported", "Stopped after row 2",
                              "3 rows not imported", "Import finished"}));
    }

    void closeAnsweredNoMidRun_runGoesOn()
    {
        auto form = MakeForm(Source, true);
        bool asked = false;
        auto driver = During(*form, [&] {
            if (asked || form->Exchange->WaitFor != rcRecord)
                return;
            asked = true;
            Prompt.QueueConfirm(false);
            form->Button16->click();
        });
        // The first reply is held back so the question surely comes while a record is on its way.
        QVERIFY(Sandbox.Fault(QStringLiteral("delay"), 1, 200, 31));
        form->Button20->click();
        driver->stop();
        QVERIFY(asked);
        QCOMPARE(Sandbox.Requests(), QStringList({Row1, Row2, Row4, Closing}));
        QTest::qWait(50);
        QVERIFY(form->isVisible());
        QVERIFY(!form->RunLog.AllLines().last().startsWith(QStringLiteral("Stopped")));
    }

    void closeConfirmedDuringLoginWait_closesWhenReplyDispatched()
    {
        auto form = MakeForm(Source, true);
        form->ShowPage(form->TabSheet2);
        QVERIFY(Sandbox.Fault(QStringLiteral("delay"), 1, 300, 1));
        bool closed = false;
        auto driver = During(*form, [&] {
            if (closed || !form->Exchange->HTTPS1.Busy())
                return;
            closed = true;
            Prompt.QueueConfirm(true);
            form->close();
            QVERIFY(form->isVisible());
        });
        form->PostRequest(LoginRequest(Account, Login, DemoPassword), rcLogin, false);
        driver->stop();
        QVERIFY(closed);
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
        const QStringList log = form->RunLog.AllLines();
        const qsizetype accepted = log.indexOf(QStringLiteral("Quillmarsh account credentials validated"));
        QVERIFY(accepted >= 0);
        QVERIFY(accepted < log.size() - 2);
        QVERIFY(log[log.size() - 2].startsWith(QStringLiteral("Stopped ")));
    }

    // Stop: the record in flight finishes, nothing more is posted, the closing request goes
    // once. The results file and the final page account for every row, and the rows not
    // imported can be sent from there, once each.
    void stop_thenImportTheRowsNotImported()
    {
        QStringList opened;
        auto form = MakeForm(Source, true, &opened);
        QVERIFY(!form->Button26->isEnabled());
        QVERIFY(Sandbox.Fault(QStringLiteral("delay"), 1, 300, 31));
        bool stopped = false;
        auto driver = During(*form, [&] {
            if (stopped || form->Exchange->WaitFor != rcRecord || !form->Exchange->HTTPS1.Busy())
                return;
            stopped = true;
            QVERIFY(form->Button26->isEnabled());
            form->Button26->click();
        });
        form->Button20->click();
        driver->stop();
        QVERIFY(stopped);
        QVERIFY(!form->Button26->isEnabled());
        QCOMPARE(Sandbox.Requests(), QStringList({Row1, Closing}));
        QCOMPARE(Items(form->ListBox3), QStringList({"Record 1 received: 5 fields", "1 records imported",
                                                     "Stopped after row 2", "2 rows not imported", "Import finished"}));
        QCOMPARE(form->StatusPanel0->text(), QStringLiteral("Records imported: 1"));

        // No source file name here: the results go to the program's folder.
        const QString first = form->Results.Path();
        QCOMPARE(QFileInfo(first).absolutePath(), QFileInfo(Dir->path()).absoluteFilePath());
        QFile file(first);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBFRow,Outcome,HTTP status,Posts,Messages,Last,Flag 1,Flag 2,Joined\r\n"
                                            "2,imported,200,1,Record 1 received: 5 fields,Smith,Driver,Usher,1/2/1990\r\n"
                                            "3,not sent,,0,,,,,\r\n"
                                            "4,skipped,,0,,,,,\r\n"
                                            "5,not sent,,0,,Jones,,Driver,\r\n"));

        form->Button18->click();
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet8);
        QVERIFY2(form->Label35->text().contains(QDir::toNativeSeparators(first)), qPrintable(form->Label35->text()));
        QVERIFY(form->Label35->text().endsWith(
            QStringLiteral("Rows imported: 1, failed: 0, not sent: 2, skipped (no cell): 1")));
        QVERIFY(form->Button27->isVisible());
        form->Button27->click();
        QCOMPARE(opened, QStringList{QFileInfo(first).absolutePath()});

        QVERIFY(form->Button28->isVisible());
        QVERIFY(Sandbox.Reset());
        form->Button28->click();
        QCOMPARE(Sandbox.Requests(), QStringList({Row2, Row4, Closing}));
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet7);
        QVERIFY(form->Button18->isEnabled());
        QCOMPARE(Items(form->ListBox3).last(), QStringLiteral("Import finished"));
        form->Button18->click();
        QVERIFY(form->Label35->text().endsWith(
            QStringLiteral("Rows imported: 3, failed: 0, not sent: 0, skipped (no cell): 1")));
        QVERIFY(!form->Button28->isVisible());
        // A new results file, again of every row: the first run's import kept as it was.
        QVERIFY(form->Results.Path() != first);
        QFile second(form->Results.Path());
        QVERIFY(second.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = second.readAll().split('\n');
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows.at(1), QByteArray("2,imported,200,1,Record 1 received: 5 fields,Smith,Driver,Usher,1/2/1990\r"));
        QVERIFY(rows.at(2).startsWith("3,imported,200,1,"));
        QVERIFY(rows.at(4).startsWith("5,imported,200,1,"));
    }

    void failuresInARow_userAskedWhetherToStop_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("stop") << true;
        QTest::newRow("go on") << false;
    }
    void failuresInARow_userAskedWhetherToStop()
    {
        QFETCH(bool, stop);
        QStringList lines;
        for (int row = 1; row <= 7; ++row)
            lines << QStringLiteral("Name%1").arg(row);
        auto form = MakeForm(lines, false);
        QVERIFY(Sandbox.Fault(QStringLiteral("status500"), 0, 0, 31));
        Prompt.QueueConfirm(stop);
        form->Button20->click();

        QCOMPARE(Sandbox.Requests().filter(QStringLiteral("&RT=31&")).size(), stop ? 5 : 7);
        QCOMPARE(Sandbox.Requests().last(), Closing);
        QCOMPARE(Prompt.Shown.size(), 1);
        QVERIFY(Prompt.Shown.first().startsWith(FailuresInARowText(5)));
        // Error pages are not counted as imported, nor are their lines listed as the service's messages.
        QCOMPARE(form->RecordsImported, 0);
        QVERIFY(form->StatusPanel0->text().isEmpty());
        QStringList expected;
        for (int row = 1; row <= (stop ? 5 : 7); ++row)
            expected << QStringLiteral("Row %1 not imported: HTTP 500").arg(row);
        expected << QStringLiteral("0 records imported");
        if (stop)
            expected << QStringLiteral("Stopped after row 5");
        expected << QStringLiteral("7 rows not imported") << QStringLiteral("Import finished");
        QCOMPARE(Items(form->ListBox3), expected);
    }

    void closeConfirmedWhenIdle_closesAtOnce()
    {
        auto form = MakeForm(Source, true);
        Prompt.QueueConfirm(true);
        form->close();
        QVERIFY(!form->isVisible());
        QVERIFY(Sandbox.Requests().isEmpty());
    }
};

QTEST_MAIN(TestImportPage)
#include "TestImportPage.moc"
