#include "SandboxProcess.h"

#include "exchange/Connection.h"
#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "exchange/Replies.h"

#include <QtTest>

// Round trips against the local stand-in service, over HTTP and HTTPS.
class TestExchangeRoundTrip : public QObject
{
    Q_OBJECT

    QTemporaryDir Dir;
    TSandboxProcess Sandbox;
    // The service's documented demo account.
    const QString Account = QStringLiteral("123456789");
    const QString Login = QStringLiteral("demo@example.org");
    const QString Password = QStringLiteral("sandbox-demo");

private slots:
    void initTestCase() { QVERIFY2(Sandbox.Start(Dir.path()), qPrintable(Sandbox.ErrorText())); }
    void init() { QVERIFY(Sandbox.Reset()); }

    void login_acceptedOverBothSchemes_data()
    {
        QTest::addColumn<bool>("useSSL");
        QTest::newRow("http") << false;
        QTest::newRow("https") << true;
    }
    void login_acceptedOverBothSchemes()
    {
        QFETCH(bool, useSSL);
        TRunLog log;
        TExchange ex(log, nullptr);
        SetupRecord setup;
        setup.UseSSL = useSSL;
        ApplyConnectionSettings(ex.HTTPS1, setup, TEndpointOptions{Sandbox.Host(), Sandbox.CAFile()}, log);
        QString reply;
        ex.OnReply = [&](quint16, const QString& text) { reply = text; };
        ex.PostRequest(LoginRequest(Account, Login, Password), 1, false);
        QCOMPARE(LoginVerdict(reply), TLoginVerdict::Accepted);
        const QStringList requests = Sandbox.Requests();
        QCOMPARE(requests.size(), 1);
        QVERIFY(requests[0].startsWith(QStringLiteral("AC=123456789&EL=demo@example.org&EP=")));
        QVERIFY(requests[0].endsWith(QStringLiteral("&RT=1&VE=002")));
    }

    void record_droppedConnection_resentAndAnswered()
    {
        TRunLog log;
        TExchange ex(log, nullptr);
        ApplyConnectionSettings(ex.HTTPS1, SetupRecord(), TEndpointOptions{Sandbox.Host(), Sandbox.CAFile()}, log);
        QVERIFY(Sandbox.Fault(QStringLiteral("drop"), 1, 0, 31));
        int replies = 0;
        ex.OnReply = [&](quint16 code, const QString&) { replies += code == 4 ? 1 : 100; };
        int configured = 0;
        ex.ConfigureConnection = [&] { ++configured; };
        QTimer fast; // stands in for the one-second watchdog
        fast.setInterval(2);
        connect(&fast, &QTimer::timeout, this, [&] { ex.Timer1Timer(); });
        fast.start();
        const QString text = RecordHead(Account, Login, Password, QStringLiteral("0")) + QStringLiteral("&F1=x");
        ex.PostRequest(text, 4, true);
        fast.stop();
        QCOMPARE(replies, 1);
        QCOMPARE(configured, 1);
        QCOMPARE(log.AllLines().count(QStringLiteral("Http exception rasied")), 1);
        const QStringList requests = Sandbox.Requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[0], requests[1]);
        QVERIFY(!ex.ExitPlease);
    }
};

QTEST_GUILESS_MAIN(TestExchangeRoundTrip)
#include "TestExchangeRoundTrip.moc"
