#include "LoopbackServer.h"

#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "exchange/MIMEEncoder.h"

#include <QtTest>

#include <stdexcept>

class TestExchange : public QObject
{
    Q_OBJECT

private slots:
    void watchdogStep_data()
    {
        QTest::addColumn<bool>("waiting");
        QTest::addColumn<quint32>("ticks");
        QTest::addColumn<bool>("exitPlease");
        QTest::addColumn<qint32>("retryCount");
        QTest::addColumn<int>("action");
        QTest::newRow("idle") << false << quint32(500) << false << 0 << int(TWatchdogAction::ResetTicks);
        QTest::newRow("90th tick") << true << quint32(89) << false << 0 << int(TWatchdogAction::Count);
        QTest::newRow("91st tick resends") << true << quint32(90) << false << 0 << int(TWatchdogAction::Resend);
        QTest::newRow("sixth resend") << true << quint32(90) << false << 5 << int(TWatchdogAction::Resend);
        QTest::newRow("seventh gives up") << true << quint32(90) << false << 6 << int(TWatchdogAction::GiveUp);
        QTest::newRow("stopping only counts") << true << quint32(90) << true << 6 << int(TWatchdogAction::Count);
    }
    void watchdogStep()
    {
        QFETCH(bool, waiting);
        QFETCH(quint32, ticks);
        QFETCH(bool, exitPlease);
        QFETCH(qint32, retryCount);
        QFETCH(int, action);
        QCOMPARE(int(WatchdogStep(waiting, ticks, exitPlease, retryCount)), action);
    }

    void timer_endsWaitOn91stTick_thenGivesUpAfterSixResends()
    {
        TRunLog log;
        TExchange ex(log, nullptr);
        int configured = 0;
        QStringList shown;
        quint32 lastTicks = 0;
        ex.ConfigureConnection = [&] { ++configured; };
        ex.ShowTimeoutError = [&](const QString& text) { shown.append(text); };
        ex.OnTicks = [&](quint32 t) { lastTicks = t; };
        for (int resend = 1; resend <= 6; ++resend) {
            ex.Waiting = true;
            for (int i = 0; i < 90; ++i)
                ex.Timer1Timer();
            QVERIFY(ex.Waiting);
            QCOMPARE(lastTicks, quint32(90));
            ex.Timer1Timer();
            QVERIFY(!ex.Waiting);
            QVERIFY(ex.Retry);
            QCOMPARE(ex.RetryCount, resend);
            QCOMPARE(ex.WaitTicks, quint32(0));
            QCOMPARE(configured, resend);
        }
        QVERIFY(shown.isEmpty());
        ex.Waiting = true;
        for (int i = 0; i < 91; ++i)
            ex.Timer1Timer();
        QCOMPARE(shown, QStringList{TExchange::TimeoutMessage()});
        QVERIFY(ex.ExitPlease);
        QVERIFY(!ex.Retry);
        QVERIFY(!ex.Waiting);
        QCOMPARE(ex.RetryCount, 0);
        QCOMPARE(configured, 6);
        // Stopped: the watchdog counts but never acts again.
        ex.Waiting = true;
        const quint32 before = ex.WaitTicks;
        for (int i = 0; i < 200; ++i)
            ex.Timer1Timer();
        QVERIFY(ex.Waiting);
        QCOMPARE(ex.WaitTicks, before + 200);
        QCOMPARE(shown.size(), 1);
    }

    void timer_idleTickClearsCount()
    {
        TRunLog log;
        TExchange ex(log, nullptr);
        ex.WaitTicks = 40;
        ex.Timer1Timer();
        QCOMPARE(ex.WaitTicks, quint32(0));
    }

    void timer_configureFailure_passesOnWithRetrySet()
    {
        TRunLog log;
        TExchange ex(log, nullptr);
        ex.ConfigureConnection = [] { throw THTTPSError(hecBadValue, QStringLiteral("refused")); };
        ex.Waiting = true;
        ex.WaitTicks = 90;
        QVERIFY_THROWS_EXCEPTION(THTTPSError, ex.Timer1Timer());
        QVERIFY(ex.Retry);
        QCOMPARE(ex.RetryCount, 0); // this resend is not counted
    }

    void dispatch_onceWhileWaiting_lateReplyIgnored()
    {
        TRunLog log;
        TExchange ex(log, nullptr);
        QList<QPair<quint16, QString>> dispatched;
        ex.OnReply = [&](quint16 code, const QString& reply) {
            QVERIFY(ex.Waiting); // dispatch runs before the state is cleared
            dispatched.append({code, reply});
        };
        ex.Waiting = true;
        ex.WaitFor = 4;
        ex.Retry = true;
        ex.HTTPS1StartTransfer(1);
        ex.HTTPS1Transfer(1, 3, 50, QStringLiteral("POS"));
        ex.HTTPS1Transfer(1, 5, 100, QStringLiteral("T=ok"));
        ex.HTTPS1EndTransfer(0); // the request's end does nothing
        QVERIFY(dispatched.isEmpty());
        ex.HTTPS1EndTransfer(1);
        QCOMPARE(dispatched.size(), 1);
        QCOMPARE(dispatched[0].first, quint16(4));
        QCOMPARE(dispatched[0].second, QStringLiteral("POST=ok"));
        QVERIFY(!ex.Waiting);
        QVERIFY(!ex.Retry);
        QCOMPARE(ex.WaitFor, quint16(0));
        ex.HTTPS1EndTransfer(1);
        QCOMPARE(dispatched.size(), 1);

        // A reply after the watchdog ended the wait: kept in ResponseText, not dispatched, Retry untouched.
        ex.Retry = true;
        ex.HTTPS1StartTransfer(1);
        ex.HTTPS1Transfer(1, 4, 100, QStringLiteral("late"));
        ex.HTTPS1EndTransfer(1);
        QCOMPARE(dispatched.size(), 1);
        QCOMPARE(ex.ResponseText, QStringLiteral("late"));
        QVERIFY(ex.Retry);
    }

    void errorEvent_logsAndSavesEachTime()
    {
        TRunLog log;
        int saves = 0;
        TExchange ex(log, [&] {
            ++saves;
            throw std::runtime_error("disk full"); // swallowed
        });
        ex.HTTPS1Error(500, QStringLiteral("Server error"));
        ex.HTTPS1Error(12, QStringLiteral("again"));
        QCOMPARE(log.AllLines(),
                 (QStringList{QStringLiteral("Http error 500 Server error"), QStringLiteral("Http error 12 again")}));
        QCOMPARE(saves, 2);
    }

    void postRequest_once_dispatchesReplyAndResetsTicks()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Body = "EL=0\r\nwelcome";
        TRunLog log;
        TExchange ex(log, nullptr);
        ex.HTTPS1.SetURL(QStringLiteral("http://%1/ex/import.dll").arg(server.Host()));
        QString reply;
        quint32 ticksAtReply = 99;
        ex.OnReply = [&](quint16 code, const QString& text) {
            QCOMPARE(code, quint16(1));
            reply = text;
            ticksAtReply = ex.WaitTicks;
        };
        ex.WaitTicks = 85; // left over from an earlier wait
        const QString envelope = LoginRequest(QStringLiteral("123456789"), QStringLiteral("a@b.cd"), QStringLiteral("p w"));
        ex.PostRequest(envelope, 1, false);
        QCOMPARE(reply, QStringLiteral("EL=0\r\nwelcome"));
        QCOMPARE(ticksAtReply, quint32(0));
        QVERIFY(!ex.Waiting);
        QCOMPARE(server.Requests.size(), 1);
        const TReceivedRequest& r = server.Requests[0];
        QCOMPARE(r.Path, QByteArray("/ex/import.dll"));
        QCOMPARE(r.Headers.value("content-type"), QByteArray("text/plain"));
        bool ok = false;
        QCOMPARE(DecodeSinglePartBody(r.Body, &ok), envelope);
        QVERIFY(ok);
        QVERIFY(r.Body.contains("charset=\"iso-8859-1\""));
    }

    void postRequest_onceFailure_passesOnAndKeepsWaiting()
    {
        TRunLog log;
        TExchange ex(log, nullptr);
        ex.HTTPS1.SetURL(QStringLiteral("http://127.0.0.1:1/ex/import.dll"));
        QVERIFY_THROWS_EXCEPTION(THTTPSError, ex.PostRequest(QStringLiteral("AC=1"), 2, false));
        QVERIFY(ex.Waiting);
        QCOMPARE(ex.WaitFor, quint16(2));
        QVERIFY(log.AllLines().isEmpty());
    }

    // A failing reply dispatch ends the post and leaves through its caller, never
    // through the client's signal: a handler connected after the exchange's still runs.
    void postRequest_dispatchFailure_leavesThroughCallerNotSignal()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Body = "EL=0";
        TRunLog log;
        TExchange ex(log, nullptr);
        ex.HTTPS1.SetURL(QStringLiteral("http://%1/ex/import.dll").arg(server.Host()));
        ex.OnReply = [](quint16, const QString&) { throw std::runtime_error("dispatch failed"); };
        bool laterHandlerRan = false;
        connect(&ex.HTTPS1, &THTTPSClient::EndTransfer, this, [&](int direction) { laterHandlerRan |= direction == 1; });
        QString failure;
        try {
            ex.PostRequest(QStringLiteral("AC=1"), 1, false);
        } catch (const std::runtime_error& e) {
            failure = QString::fromUtf8(e.what());
        }
        QCOMPARE(failure, QStringLiteral("dispatch failed"));
        QVERIFY(laterHandlerRan);
        QVERIFY(!ex.Waiting);
        // The failure is spent: the next post goes through.
        ex.OnReply = nullptr;
        ex.PostRequest(QStringLiteral("AC=2"), 1, false);
        QCOMPARE(server.Requests.size(), 2);
    }

    void postRequest_record_answeredOnce()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Body = "POST=Saved";
        TRunLog log;
        TExchange ex(log, nullptr);
        ex.HTTPS1.SetURL(QStringLiteral("http://%1/ex/import.dll").arg(server.Host()));
        int replies = 0;
        ex.OnReply = [&](quint16 code, const QString&) { replies += code == 4 ? 1 : 100; };
        ex.RetryCount = 3;
        ex.PostRequest(QStringLiteral("AC=1&RT=31"), 4, true);
        QCOMPARE(replies, 1);
        QCOMPARE(server.Requests.size(), 1);
        QCOMPARE(ex.RetryCount, 0);
        QVERIFY(!ex.Retry);
    }

    void postRequest_record_noReply_sevenPostsThenGiveUp()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.NoReply = true;
        TRunLog log;
        TExchange ex(log, nullptr);
        ex.HTTPS1.SetURL(QStringLiteral("http://%1/ex/import.dll").arg(server.Host()));
        ex.HTTPS1.SetTimeout(1);
        int shown = 0;
        ex.ShowTimeoutError = [&](const QString&) { ++shown; };
        QTimer fast; // stands in for the one-second watchdog timer
        fast.setInterval(5);
        connect(&fast, &QTimer::timeout, this, [&] { ex.Timer1Timer(); });
        fast.start();
        QElapsedTimer clock;
        clock.start();
        ex.PostRequest(QStringLiteral("AC=1&RT=31&SI=0"), 4, true);
        fast.stop();
        QVERIFY(clock.elapsed() < 60000);
        QCOMPARE(server.Requests.size(), 7);
        QCOMPARE(server.Requests.first().Body, server.Requests.last().Body);
        QCOMPARE(shown, 1);
        QVERIFY(ex.ExitPlease);
        QCOMPARE(log.AllLines().count(QStringLiteral("Http exception rasied")), 7);
        // Stopped: nothing more is posted.
        ex.PostRequest(QStringLiteral("AC=1&RT=31&SI=0"), 4, true);
        QCOMPARE(server.Requests.size(), 7);
    }

    void postRequest_record_stopRequestEndsWait()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.NoReply = true;
        TRunLog log;
        TExchange ex(log, nullptr);
        ex.HTTPS1.SetURL(QStringLiteral("http://%1/ex/import.dll").arg(server.Host()));
        ex.HTTPS1.SetTimeout(1);
        QTimer::singleShot(1500, this, [&] { ex.ExitPlease = true; }); // the user closes the window
        ex.PostRequest(QStringLiteral("AC=1&RT=31"), 4, true);
        QCOMPARE(server.Requests.size(), 1);
        QVERIFY(ex.Waiting);
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "TestExchange.moc"
