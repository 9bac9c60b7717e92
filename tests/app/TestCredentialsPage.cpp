#include "WindowTestSupport.h"
#include "SandboxProcess.h"
#include "ScriptedPrompt.h"
#include "app/Unit1.h"
#include "dialogs/Unit2.h"
#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "exchange/HTTPSClient.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace
{
// The service's documented demo account.
const QString Account = QStringLiteral("123456789");
const QString Login = QStringLiteral("demo@example.org");
const QString DemoPassword = QStringLiteral("sandbox-demo");

const QString CannotConnect = QStringLiteral(
    "Unable to connect to the Internet. Check your Connection Settings and your Internet connection, then try again.");
const QString TimedOut = QStringLiteral(
    "Timed out waiting for connection. Verify that your Internet connection is active, then try again.");

// Which of the credentials page's message labels are showing, as a short text ("8 6 7" etc.).
QString MessagesShown(const TForm1& form)
{
    QStringList shown;
    const QList<QPair<QString, QLabel*>> labels{{QStringLiteral("8"), form.Label8},
                                                 {QStringLiteral("6"), form.Label6},
                                                 {QStringLiteral("7"), form.Label7},
                                                 {QStringLiteral("10"), form.Label10},
                                                 {QStringLiteral("24"), form.Label24}};
    for (const auto& [name, label] : labels)
        if (label->isVisibleTo(form.TabSheet2))
            shown << name;
    return shown.join(QLatin1Char(' '));
}
// Where the shown messages overprint one another or the credentials box, or are cut off;
// empty when every one can be read.
QString Overprinted(const TForm1& form)
{
    QCoreApplication::sendPostedEvents(); // the stack of messages lays itself out
    QList<QPair<QString, QRect>> shown{{QStringLiteral("credentials box"), form.GroupBox1->geometry()}};
    QStringList faults;
    for (QLabel* label : {form.Label8, form.Label6, form.Label7, form.Label10, form.Label24}) {
        if (!label->isVisibleTo(form.TabSheet2))
            continue;
        const QRect rect(label->mapTo(form.TabSheet2, QPoint(0, 0)), label->size());
        if (rect.height() < label->heightForWidth(rect.width()))
            faults << label->objectName() + QStringLiteral(" cut off");
        for (const auto& [name, other] : shown)
            if (rect.intersects(other))
                faults << label->objectName() + QStringLiteral(" over ") + name;
        shown.append({label->objectName(), rect});
    }
    return faults.join(QStringLiteral(", "));
}
} // namespace

class TestCredentialsPage : public QObject
{
    Q_OBJECT

    TSandboxProcess Sandbox;
    QTemporaryDir SandboxDir;
    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;

    // A shown window on the credentials page, pointed at the local service.
    std::unique_ptr<TForm1> MakeForm()
    {
        auto form = MakeTestWindow(*Dir, Prompt, {Sandbox.Host(), Sandbox.CAFile()});
        // The watchdog is driven by the tests themselves.
        form->Timer1->stop();
        form->Button1->click();
        return form;
    }

    static void Fill(TForm1& form, const QString& account, const QString& login, const QString& password)
    {
        form.Edit1->setText(account);
        form.Edit2->setText(login);
        form.Edit3->setText(password);
    }

    static qsizetype CountLines(const TForm1& form, const QString& line)
    {
        return form.RunLog.AllLines().count(line);
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

    void pageShown_hidesMessagesAndPlacesButtons()
    {
        auto form = MakeForm();
        form->ShowPage(form->TabSheet1);
        Fill(*form, Account, Login, DemoPassword);
        for (QLabel* label : {form->Label6, form->Label7, form->Label8, form->Label10, form->Label24})
            label->setVisible(true);
        form->Gauge1->move(3, form->Gauge1->y());
        form->Button19->move(5, form->Button19->y());

        form->ShowPage(form->TabSheet2);
        QCOMPARE(MessagesShown(*form), QString());
        QVERIFY(!form->Button2->isEnabled());
        QCOMPARE(form->Gauge1->x(), form->Button2->x());
        QCOMPARE(form->Button19->x(), form->Button2->x());
        QVERIFY(form->Label24->text().endsWith(QStringLiteral(
            "Please download the latest version from https://www.quillmarsh.com/download, then try again.")));
    }

    void next_enabledExactlyWhenAllBoxesHoldText_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("all filled") << "1" << "x" << "y" << true;
        QTest::newRow("account empty") << "" << "x" << "y" << false;
        QTest::newRow("login empty") << "1" << "" << "y" << false;
        QTest::newRow("password empty") << "1" << "x" << "" << false;
        QTest::newRow("blanks count as text") << " " << " " << " " << true;
        QTest::newRow("all empty") << "" << "" << "" << false;
    }
    void next_enabledExactlyWhenAllBoxesHoldText()
    {
        QFETCH(QString, account);
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(bool, enabled);
        auto form = MakeForm();
        // Start from the opposite state so each case has to change it.
        Fill(*form, enabled ? QString() : QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
        QCOMPARE(form->Button2->isEnabled(), !enabled);
        Fill(*form, account, login, password);
        QCOMPARE(form->Button2->isEnabled(), enabled);
    }

    void next_checksBoxesBeforeSending_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QString>("sentAccount"); // empty: nothing sent
        QTest::newRow("separators dropped") << "123-456-789" << Login << "" << Account;
        QTest::newRow("letters dropped") << "A1B2C3D4E5F6G7H8I9" << Login << "" << Account;
        QTest::newRow("eight digits") << "12345678" << Login << "8 6" << "";
        QTest::newRow("ten digits") << "1234567890" << Login << "8 6" << "";
        QTest::newRow("login too short") << Account << "a@b.cd" << "8 7" << "";
        QTest::newRow("login '@' first after blanks") << Account << "  @example.org" << "8 7" << "";
        QTest::newRow("login '.' only last") << Account << "demo@exampleorg." << "8 7" << "";
        QTest::newRow("both wrong, both shown") << "1" << "nobody" << "8 6 7" << "";
        QTest::newRow("seven characters pass, service refuses") << Account << "a@b.cde" << "8 10" << Account;
    }
    void next_checksBoxesBeforeSending()
    {
        QFETCH(QString, account);
        QFETCH(QString, login);
        QFETCH(QString, messages);
        QFETCH(QString, sentAccount);
        auto form = MakeForm();
        Fill(*form, account, login, DemoPassword);
        form->Button2->click();

        QCOMPARE(MessagesShown(*form), messages);
        QCOMPARE(Overprinted(*form), QString());
        const QStringList requests = Sandbox.Requests();
        if (sentAccount.isEmpty()) {
            QCOMPARE(requests, QStringList());
            QVERIFY(form->Button2->isEnabled());
            QCOMPARE(CountLines(*form, QStringLiteral("Quillmarsh account : ") + Account), 0);
            QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet2);
        } else {
            QCOMPARE(requests.size(), 1);
            QVERIFY(requests.first().startsWith(QStringLiteral("AC=") + sentAccount + QStringLiteral("&EL=")));
            QCOMPARE(form->AccountNumber, sentAccount);
            QCOMPARE(CountLines(*form, QStringLiteral("Quillmarsh account : ") + sentAccount), 1);
        }
    }

    void login_accepted_opensFilePageAndKeepsPasswordOutOfLog()
    {
        auto form = MakeForm();
        Fill(*form, QStringLiteral("123 456 789"), QStringLiteral("  demo@example.org \t"),
             QStringLiteral(" ") + DemoPassword + QStringLiteral(" "));
        form->Button2->click();

        QCOMPARE(Sandbox.Requests(), QStringList(QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo"
                                                                "&RT=1&VE=002")));
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet3);
        QCOMPARE(form->LoginName, Login);
        QCOMPARE(form->Password, DemoPassword);
        const QStringList log = form->RunLog.AllLines();
        const qsizetype account = log.indexOf(QStringLiteral("Quillmarsh account : 123456789"));
        QVERIFY(account > log.indexOf(QStringLiteral("Connect - ")));
        QCOMPARE(log.indexOf(QStringLiteral("Quillmarsh account credentials validated")), account + 1);
        QVERIFY(!form->Exchange->Waiting);
        QCOMPARE(form->Exchange->WaitFor, quint16(0));
        QCOMPARE(form->Exchange->ResponseText, QStringLiteral("EL=0\r\nWelcome to the sandbox, demo@example.org.\r\n"));

        Prompt.QueueConfirm(true);
        form->close();
        QVERIFY(!log.join(QLatin1Char('\n')).contains(DemoPassword));
        QFile logFile(form->LogPath());
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        const QByteArray written = logFile.readAll();
        QVERIFY(written.contains("Quillmarsh account credentials validated"));
        QVERIFY(!written.contains(DemoPassword.toLatin1()));
        QFile ini(form->SettingsPath());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(!ini.readAll().contains(DemoPassword.toLatin1()));
    }

    void login_passwordSentEncoded()
    {
        auto form = MakeForm();
        Fill(*form, Account, Login, QStringLiteral("a b&%41[x]"));
        form->Button2->click();
        QCOMPARE(Sandbox.Requests(), QStringList(QStringLiteral("AC=123456789&EL=demo@example.org"
                                                                "&EP=a%20b%26%2541%5Bx%5D&RT=1&VE=002")));
    }

    void login_refused_showsMessagesUntilBoxChanged_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << "none" << "wrong";
        QTest::newRow("empty body") << "empty" << DemoPassword;
    }
    void login_refused_showsMessagesUntilBoxChanged()
    {
        QFETCH(QString, fault);
        QFETCH(QString, password);
        QVERIFY(Sandbox.Fault(fault, 1));
        auto form = MakeForm();
        Fill(*form, Account, Login, password);
        form->Button2->click();

        QCOMPARE(Sandbox.Requests().size(), 1);
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet2);
        QCOMPARE(MessagesShown(*form), QStringLiteral("8 10"));
        QCOMPARE(CountLines(*form, QStringLiteral("Invalid Quillmarsh account credentials")), 1);
        QCOMPARE(CountLines(*form, QStringLiteral("Quillmarsh account credentials validated")), 0);
        QVERIFY(!form->Exchange->Waiting);
        QVERIFY(Prompt.Shown.isEmpty());

        QVERIFY(!form->Button2->isEnabled());
        form->Edit1->setText(QStringLiteral("123-456-789"));
        QVERIFY(form->Button2->isEnabled());
        form->Edit3->setText(DemoPassword);
        // The next attempt starts without the old messages.
        form->Button2->click();
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet3);
        QCOMPARE(MessagesShown(*form), QString());
    }

    // An error page is no verdict, no catalogue and no site list: the user is told what it
    // was, the page stays, and its button can be pressed again.
    void httpErrorReply_saidAsSuchAndStepCanBeRepeated_data()
    {
        QTest::addColumn<int>("rt");
        QTest::addColumn<QString>("request");
        QTest::newRow("login check") << 1 << "the login check";
        QTest::newRow("field list") << 2 << "the field-list request";
        QTest::newRow("site list") << 32 << "the site-list request";
    }
    void httpErrorReply_saidAsSuchAndStepCanBeRepeated()
    {
        QFETCH(int, rt);
        QFETCH(QString, request);
        auto form = MakeForm();
        Fill(*form, Account, Login, DemoPassword);
        QVERIFY(Sandbox.Fault(QStringLiteral("status500"), 1, 0, rt));
        QPushButton* again = form->Button2;
        if (rt != 1) {
            form->Button2->click();
            QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet3);
            if (rt == 2) {
                form->Edit4->setText(WriteTestFile(*Dir, QStringLiteral("people.txt"), "Name\tCity\r\nAnn\tRome\r\n"));
                form->Edit4Exit();
                again = form->Button4;
            } else {
                form->ShowPage(form->TabSheet5);
                again = form->Button8;
            }
        }
        QWidget* page = form->PageControl1->currentWidget();
        (rt == 1 ? form->Button2 : rt == 2 ? form->Button4 : form->Button6)->click();

        const QString message =
            QStringLiteral("The service answered ") + request + QStringLiteral(" with an error (HTTP 500). Try again later.");
        QCOMPARE(Prompt.Errors, QStringList{message});
        QCOMPARE(form->PageControl1->currentWidget(), page);
        QVERIFY(again->isEnabled());
        QCOMPARE(MessagesShown(*form), QString());
        QCOMPARE(CountLines(*form, QStringLiteral("Invalid Quillmarsh account credentials")), 0);
        QCOMPARE(CountLines(*form, message), 1);
        QVERIFY(!form->Exchange->Waiting);
        QVERIFY(form->SourceLines.isEmpty());
        QCOMPARE(form->ComboBox1->count(), 0);
    }

    void login_outdatedVersion_overTheWire()
    {
        auto form = MakeForm();
        form->ConfigureConnection();
        // Only the version pair differs from the utility's own login check.
        QString text = LoginRequest(Account, Login, DemoPassword);
        text.replace(QStringLiteral("&VE=002"), QStringLiteral("&VE=001"));
        form->PostRequest(text, rcLogin, false);
        QCOMPARE(MessagesShown(*form), QStringLiteral("8 24"));
        QCOMPARE(CountLines(*form, QStringLiteral("Outdated import utility version")), 1);
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet2);
    }

    void loginReply_verdicts_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<bool>("filePage");
        const QString ok = QStringLiteral("Quillmarsh account credentials validated");
        const QString old = QStringLiteral("Outdated import utility version");
        const QString bad = QStringLiteral("Invalid Quillmarsh account credentials");
        QTest::newRow("EL=0 with more lines") << "EL=0\r\nWelcome\r\n" << "" << ok << true;
        QTest::newRow("EL=1") << "EL=1" << "8 24" << old << false;
        QTest::newRow("EL=10 counts as outdated") << "EL=10\n" << "8 24" << old << false;
        QTest::newRow("EL=2") << "EL=2\r\n" << "8 10" << bad << false;
        QTest::newRow("blank before EL=0") << " EL=0" << "8 10" << bad << false;
        QTest::newRow("lower case") << "el=0" << "8 10" << bad << false;
        QTest::newRow("empty") << "" << "8 10" << bad << false;
    }
    void loginReply_verdicts()
    {
        QFETCH(QString, reply);
        QFETCH(QString, messages);
        QFETCH(QString, logLine);
        QFETCH(bool, filePage);
        auto form = MakeForm();
        const qsizetype before = form->RunLog.AllLines().size();
        form->DispatchReply(rcLogin, reply);
        QCOMPARE(MessagesShown(*form), messages);
        QCOMPARE(Overprinted(*form), QString());
        QCOMPARE(form->RunLog.AllLines().mid(before), QStringList(logLine));
        QCOMPARE(form->PageControl1->currentWidget(), filePage ? form->TabSheet3 : form->TabSheet2);
    }

    void configureFailure_reportsLogsAndPassesOn()
    {
        auto form = MakeForm();
        Fill(*form, Account, Login, DemoPassword);
        form->Setup.UseWininet = false;
        form->Setup.ProxyServer = QStringLiteral("proxy host"); // the client refuses a host with a blank
        form->Exchange->WaitFor = rcFieldList;
        form->Exchange->Waiting = true;
        form->Exchange->ResponseText = QStringLiteral("stale");
        form->Exchange->WaitTicks = 17;
        form->Gauge1->setValue(17);

        QVERIFY_THROWS_EXCEPTION(THTTPSError, form->Button2Click());

        QCOMPARE(Prompt.Errors, QStringList(CannotConnect));
        QCOMPARE(Sandbox.Requests(), QStringList());
        QCOMPARE(form->Exchange->WaitFor, quint16(0));
        QVERIFY(!form->Exchange->Waiting);
        QCOMPARE(form->Exchange->ResponseText, QString());
        QCOMPARE(form->Exchange->WaitTicks, quint32(0));
        QCOMPARE(form->Gauge1->value(), 0);
        QCOMPARE(MessagesShown(*form), QString());
        QVERIFY(form->Button2->isEnabled());
        const QStringList log = form->RunLog.AllLines();
        const qsizetype connect = log.lastIndexOf(QStringLiteral("Connect - "));
        QVERIFY(connect >= 0);
        // The lines written before the failure stay; the proxy block never got as far as its lines.
        QCOMPARE(log.mid(connect), QStringList({QStringLiteral("Connect - "), QStringLiteral(" SSL on"),
                                                QStringLiteral(" Use local connection settings"),
                                                QStringLiteral(" Exception in http initialization")}));
    }

    void watchdogResend_reappliesSettingsAndPassesFailureOn()
    {
        auto form = MakeForm();
        form->Exchange->WaitFor = rcRecord;
        form->Exchange->Waiting = true;
        form->Exchange->WaitTicks = 90;
        form->Setup.UseSSL = false;
        form->Timer1Timer();
        QVERIFY(form->Exchange->Retry);
        QVERIFY(!form->Exchange->Waiting);
        QCOMPARE(form->Exchange->RetryCount, 1);
        QVERIFY(form->Exchange->HTTPS1.URL().startsWith(QStringLiteral("http://") + Sandbox.Host()));

        form->Exchange->Waiting = true;
        form->Exchange->WaitTicks = 90;
        form->Setup.UseWininet = false;
        form->Setup.FirewallHost = QStringLiteral("fire wall");
        QVERIFY_THROWS_EXCEPTION(THTTPSError, form->Timer1Timer());
        QCOMPARE(Prompt.Errors, QStringList(CannotConnect));
        QVERIFY(form->Exchange->Retry);
        QVERIFY(!form->Exchange->Waiting);
        // The failure ends the tick before the resend is counted.
        QCOMPARE(form->Exchange->RetryCount, 1);
    }

    void watchdogTicks_moveBothGaugesAndGiveUpShowsBox()
    {
        auto form = MakeForm();
        form->Exchange->Waiting = true;
        for (int i = 0; i < 3; ++i)
            form->Timer1Timer();
        QCOMPARE(form->Gauge1->value(), 3);
        QCOMPARE(form->Gauge2->value(), 3);

        // A stopping run keeps counting past the gauges' scale.
        form->Exchange->ExitPlease = true;
        form->Exchange->WaitTicks = 130;
        form->Timer1Timer();
        QCOMPARE(form->Gauge1->value(), 120);
        // The field list's gauge has the same scale: full, not stuck where a 0-100 bar stops.
        QCOMPARE(form->Gauge2->value(), 120);
        QVERIFY(Prompt.Errors.isEmpty());

        form->Exchange->ExitPlease = false;
        form->Exchange->WaitTicks = 90;
        form->Exchange->RetryCount = 6;
        form->Timer1Timer();
        QCOMPARE(Prompt.Errors, QStringList(TimedOut));
        QVERIFY(form->Exchange->ExitPlease);
        QVERIFY(!form->Exchange->Waiting);
    }

    void timer_drivesWatchdog()
    {
        auto form = MakeForm();
        form->Exchange->Waiting = true;
        form->Timer1->setInterval(10);
        form->Timer1->start();
        QTRY_VERIFY_WITH_TIMEOUT(form->Exchange->WaitTicks >= 2, 5000);
        QVERIFY(form->Gauge1->value() >= 2);
    }

    void recordReplies_countAndListNewMessagesOnce()
    {
        auto form = MakeForm();
        form->DispatchReply(rcRecord, QStringLiteral("POST=Record 1 received\r\npost=quiet\r\nPOST=Check the date"));
        form->DispatchReply(rcRecord, QStringLiteral("POST=CHECK THE DATE\nnothing else\rPOST=Record 2 received"));
        form->DispatchReply(rcRecord, QString());
        QCOMPARE(Items(form->ListBox3), QStringList({QStringLiteral("Record 1 received"),
                                                     QStringLiteral("Check the date"),
                                                     QStringLiteral("Record 2 received")}));
        QCOMPARE(form->RecordsImported, 3);
        QCOMPARE(form->StatusPanel0->text(), QStringLiteral("Records imported: 3"));
    }

    void otherReplyCodes_changeNothing()
    {
        auto form = MakeForm();
        const QStringList log = form->RunLog.AllLines();
        form->DispatchReply(rcImportFinished, QStringLiteral("EL=0\r\nPOST=x\r\nSI_1=a\r\nSI_2=b"));
        form->DispatchReply(rcNone, QStringLiteral("EL=0"));
        QCOMPARE(form->RunLog.AllLines(), log);
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet2);
        QCOMPARE(form->ListBox3->model()->rowCount(), 0);
        QCOMPARE(form->RecordsImported, 0);
    }

    void fieldListReply_fillsHiddenListAndOpensMappingPage()
    {
        auto form = MakeForm();
        form->ListBox1->addItem(QStringLiteral("old"));
        form->Button4->setEnabled(true);
        form->DispatchReply(rcFieldList, QStringLiteral("OK\r\n1\t2\t0\tLast name\t0\r\n1\t3\t0\tFirst name\t0"));
        QCOMPARE(Items(form->ListBox1), QStringList({QStringLiteral("OK"), QStringLiteral("1\t2\t0\tLast name\t0"),
                                                     QStringLiteral("1\t3\t0\tFirst name\t0")}));
        QVERIFY(!form->Button4->isEnabled());
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet4);

        // A reply of a million empty lines: the lines the catalogue can use, then a count.
        form->DispatchReply(rcFieldList, QStringLiteral("OK\r\n") + QString(1000000, QLatin1Char('\n')));
        QCOMPARE(form->ListBox1->count(), 257);
        QCOMPARE(form->ListBox1->item(0)->text(), QStringLiteral("OK"));
        QCOMPARE(form->ListBox1->item(255)->text(), QString());
        QCOMPARE(form->ListBox1->item(256)->text(), QStringLiteral("... 999745 more lines not kept"));
    }

    void connectionSettings_reappliedOnlyAfterSave()
    {
        auto form = MakeForm();
        TForm2 dialog(form->Setup, Prompt);
        form->AttachWindows(&dialog, nullptr, nullptr, nullptr);
        form->ConfigureConnection();
        QVERIFY(form->Exchange->HTTPS1.URL().startsWith(QStringLiteral("https://")));
        // Never leave a test hanging on the modal dialog.
        auto closeLate = [&dialog] {
            if (dialog.isVisible())
                dialog.done(QDialog::Rejected);
        };

        // Cancel: the settings record and the client stay as they were.
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.CheckBox1->setChecked(false);
            dialog.Button1Click();
        });
        QTimer::singleShot(5000, &dialog, closeLate);
        const qsizetype connects = CountLines(*form, QStringLiteral("Connect - "));
        form->Button19->click();
        QVERIFY(form->Setup.UseSSL);
        QCOMPARE(CountLines(*form, QStringLiteral("Connect - ")), connects);
        QVERIFY(form->Exchange->HTTPS1.URL().startsWith(QStringLiteral("https://")));

        // Save: applied to the client at once.
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.CheckBox1->setChecked(false);
            dialog.Button2Click();
        });
        QTimer::singleShot(5000, &dialog, closeLate);
        form->Button19->click();
        QVERIFY(!form->Setup.UseSSL);
        QCOMPARE(CountLines(*form, QStringLiteral("Connect - ")), connects + 1);
        QCOMPARE(form->RunLog.AllLines().last(), QStringLiteral(" SSL off"));
        QVERIFY(form->Exchange->HTTPS1.URL().startsWith(QStringLiteral("http://") + Sandbox.Host()));

        // And the login then goes over plain HTTP to the same service.
        Fill(*form, Account, Login, DemoPassword);
        form->Button2->click();
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet3);
    }
};

QTEST_MAIN(TestCredentialsPage)
#include "TestCredentialsPage.moc"
