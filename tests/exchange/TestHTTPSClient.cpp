#include "LoopbackServer.h"
#include "Proxies.h"

#include "exchange/HTTPSClient.h"

#include <QtTest>

#include <curl/curl.h>

namespace {

// Records the client's events as short tokens: S0 T0 E0 S1 T1 E1, Err<code>.
struct TEventLog
{
    QStringList Events;
    QString ReplyText;
    bool OtherThread = false;

    void Attach(THTTPSClient& client)
    {
        QObject::connect(&client, &THTTPSClient::StartTransfer, [this](int d) { Note(QStringLiteral("S%1").arg(d)); });
        QObject::connect(&client, &THTTPSClient::Transfer, [this](int d, qint64, int, const QString& text) {
            Note(QStringLiteral("T%1").arg(d));
            if (d == 1)
                ReplyText += text;
        });
        QObject::connect(&client, &THTTPSClient::EndTransfer, [this](int d) { Note(QStringLiteral("E%1").arg(d)); });
        QObject::connect(&client, &THTTPSClient::Error,
                         [this](int code, const QString&) { Note(QStringLiteral("Err%1").arg(code)); });
    }
    void Note(const QString& event)
    {
        OtherThread = OtherThread || QThread::currentThread() != QCoreApplication::instance()->thread();
        Events.append(event);
    }
};

QString EndpointOf(const TLoopbackServer& server, bool tls = false)
{
    return QStringLiteral("%1://%2/ex/import.dll").arg(tls ? QStringLiteral("https") : QStringLiteral("http"),
                                                         server.Host());
}

} // namespace

class TestHTTPSClient : public QObject
{
    Q_OBJECT

    QTemporaryDir CertDir;
    bool HaveCerts = false;
    QString CertError;

    QString Cert(const char* name) const { return CertDir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        HaveCerts = CertDir.isValid() && MakeTestCertificates(CertDir.path(), &CertError);
    }

    void http_eventsInOrderOnCallingThread()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Body = "EL=0\r\nline two";
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        client.SetPostData("--b\r\n\r\nAC=1\r\n--b--\r\n");
        client.SetContentType(QStringLiteral("text/plain"));
        client.Post(EndpointOf(server));
        QCOMPARE(log.Events, (QStringList{"S0", "T0", "E0", "S1", "T1", "E1"}));
        QCOMPARE(log.ReplyText, QStringLiteral("EL=0\r\nline two"));
        QVERIFY(!log.OtherThread);
        QCOMPARE(server.Requests.size(), 1);
        QCOMPARE(server.Requests[0].Method, QByteArray("POST"));
        QCOMPARE(server.Requests[0].Body, QByteArray("--b\r\n\r\nAC=1\r\n--b--\r\n"));
        QCOMPARE(server.Requests[0].Headers.value("content-type"), QByteArray("text/plain"));
    }

    void emptyReply_stillStartsAndEnds()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Body.clear();
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        client.SetPostData("x");
        client.Post(EndpointOf(server));
        QCOMPARE(log.Events, (QStringList{"S0", "T0", "E0", "S1", "E1"}));
    }

    void replyDecoding_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\u00e9");
        QTest::newRow("windows-1252") << QByteArray("caf\xe9 \x80") << QStringLiteral("caf\u00e9 \u20ac");
    }
    void replyDecoding()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Body = body;
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        client.Post(EndpointOf(server));
        QCOMPARE(log.ReplyText, text);
    }

    void connectionReusedAcrossPosts()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        THTTPSClient client;
        for (int i = 0; i < 3; ++i)
            client.Post(EndpointOf(server));
        QCOMPARE(server.Requests.size(), 3);
        QCOMPARE(server.Connections, 1);
    }

    void replyCap_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("fails");
        QTest::newRow("at the cap") << THTTPSClient::MaxReplyBytes << false;
        QTest::newRow("one byte over") << THTTPSClient::MaxReplyBytes + 1 << true;
    }
    void replyCap()
    {
        QFETCH(qint64, size);
        QFETCH(bool, fails);
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Body = QByteArray(size, 'a');
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        int code = 0;
        try {
            client.Post(EndpointOf(server));
        } catch (const THTTPSError& e) {
            code = e.Code();
        }
        QCOMPARE(code, fails ? int(hecReplyTooLarge) : 0);
        QCOMPARE(log.Events.contains(QStringLiteral("E1")), !fails);
        if (!fails)
            QCOMPARE(log.ReplyText.size(), size);
    }

    void errorStatus_raisesErrorEventAndDeliversBody()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Status = 500;
        server.Reply.Body = "boom";
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        client.Post(EndpointOf(server));
        QVERIFY(log.Events.contains(QStringLiteral("Err500")));
        QCOMPARE(log.ReplyText, QStringLiteral("boom"));
    }

    void timeout_throws()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.NoReply = true;
        THTTPSClient client;
        client.SetTimeout(1);
        int code = 0;
        try {
            client.Post(EndpointOf(server));
        } catch (const THTTPSError& e) {
            code = e.Code();
        }
        QCOMPARE(code, int(CURLE_OPERATION_TIMEDOUT));
    }

    void eventLoopRuns_andSecondPostRefused()
    {
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.DelayMs = 400;
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        int ticks = 0;
        int refusedCode = 0;
        QTimer timer;
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, [&] {
            if (++ticks != 3)
                return;
            client.SetContentType(QStringLiteral("application/x-next")); // applies to the next post only
            try {
                client.Post(EndpointOf(server));
            } catch (const THTTPSError& e) {
                refusedCode = e.Code();
            }
        });
        timer.start();
        client.SetContentType(QStringLiteral("text/plain"));
        client.Post(EndpointOf(server));
        timer.stop();
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QCOMPARE(refusedCode, int(hecPostInProgress));
        QCOMPARE(server.Requests.size(), 1);
        QCOMPARE(server.Requests[0].Headers.value("content-type"), QByteArray("text/plain"));
        QCOMPARE(log.Events.count(QStringLiteral("E1")), 1);
        server.Reply.DelayMs = 0;
        client.Post(EndpointOf(server));
        QCOMPARE(server.Requests[1].Headers.value("content-type"), QByteArray("application/x-next"));
    }

    void https_trustedWithCAFile_refusedWithout()
    {
        if (!HaveCerts)
            QSKIP(qPrintable(QStringLiteral("openssl could not make certificates: ") + CertError));
        TLoopbackServer server;
        QVERIFY(server.Listen(Cert("server.pem"), Cert("server.key")));
        server.Reply.Body = "EL=0";
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        QString message;
        try {
            client.Post(EndpointOf(server, true));
        } catch (const THTTPSError& e) {
            message = e.Message();
        }
        QVERIFY2(message.contains(QStringLiteral("not trusted")), qPrintable(message));
        QCOMPARE(server.Requests.size(), 0);

        client.SetCAFile(Cert("ca.pem"));
        client.Config(QStringLiteral("SSLEnabledProtocols=3072"));
        client.Post(EndpointOf(server, true));
        QCOMPARE(log.ReplyText, QStringLiteral("EL=0"));
        QCOMPARE(server.Requests.size(), 1);
    }

    void https_hostNameChecked()
    {
        if (!HaveCerts)
            QSKIP("openssl could not make certificates");
        TLoopbackServer server;
        QVERIFY(server.Listen(Cert("other.pem"), Cert("server.key"))); // trusted CA, wrong name
        THTTPSClient client;
        client.SetCAFile(Cert("ca.pem"));
        int code = 0;
        try {
            client.Post(EndpointOf(server, true));
        } catch (const THTTPSError& e) {
            code = e.Code();
        }
        QCOMPARE(code, int(CURLE_PEER_FAILED_VERIFICATION));
        QCOMPARE(server.Requests.size(), 0);
    }

    // Each failure a person can act on is put in words naming what to check, the library's own
    // text after them; real servers on loopback produce each one.
    void failuresExplained_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("plain HTTP server, SSL on") << QStringLiteral("plain");
        QTest::newRow("certificate not trusted") << QStringLiteral("untrusted");
        QTest::newRow("certificate for another name") << QStringLiteral("othername");
        QTest::newRow("closed port") << QStringLiteral("closed");
    }

    void failuresExplained()
    {
        QFETCH(QString, kind);
        if (kind != QLatin1String("closed") && kind != QLatin1String("plain") && !HaveCerts)
            QSKIP(qPrintable(QStringLiteral("openssl could not make certificates: ") + CertError));
        THTTPSClient client;
        client.Config(QStringLiteral("SSLEnabledProtocols=3072"));
        TLoopbackServer tls;
        // A plain HTTP server answers the TLS greeting as it answers any bad request.
        QTcpServer plain;
        connect(&plain, &QTcpServer::newConnection, this, [&plain] {
            while (QTcpSocket* socket = plain.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    socket->disconnectFromHost();
                });
            }
        });
        QString url;
        QString words;
        if (kind == QLatin1String("plain")) {
            QVERIFY(plain.listen(QHostAddress::LocalHost, 0));
            url = QStringLiteral("https://127.0.0.1:%1/ex/import.dll").arg(plain.serverPort());
            words = QStringLiteral("The server did not answer with a secure connection. Check the SSL setting and "
                                   "the port. (");
        } else if (kind == QLatin1String("closed")) {
            QVERIFY(plain.listen(QHostAddress::LocalHost, 0));
            const quint16 port = plain.serverPort();
            plain.close(); // nothing listens there now
            url = QStringLiteral("http://127.0.0.1:%1/ex/import.dll").arg(port);
            words = QStringLiteral("The connection to 127.0.0.1 port %1 was refused. Check the host name and the "
                                   "port, and that the service is running there. (")
                        .arg(port);
        } else if (kind == QLatin1String("untrusted")) {
            QVERIFY(tls.Listen(Cert("server.pem"), Cert("server.key")));
            url = EndpointOf(tls, true);
            words = QStringLiteral("The certificate of 127.0.0.1 is not trusted. If the service uses its own "
                                   "certificate authority, name its CA file with --ca-file or as CAFile in "
                                   "[Connection] of the settings file. (");
        } else {
            QVERIFY(tls.Listen(Cert("other.pem"), Cert("server.key")));
            client.SetCAFile(Cert("ca.pem"));
            url = EndpointOf(tls, true);
            words = QStringLiteral("The certificate of 127.0.0.1 was issued for another host name. Check the host "
                                   "name. (");
        }
        client.SetTimeout(20);
        QString message;
        try {
            client.Post(url);
        } catch (const THTTPSError& e) {
            message = e.Message();
        }
        QVERIFY2(message.startsWith(words), qPrintable(message));
        // The library's text follows, whole, in brackets.
        QVERIFY2(message.endsWith(QLatin1Char(')')) && message.size() > words.size() + 10, qPrintable(message));
        QCOMPARE(tls.Requests.size(), 0);
    }

    void tunnelFirewallWithProxy_refused()
    {
        THTTPSClient client;
        client.SetProxyServer(QStringLiteral("127.0.0.1"));
        client.SetProxyPort(9);
        client.SetFirewallHost(QStringLiteral("127.0.0.1"));
        client.SetFirewallType(fwTunnel);
        int code = 0;
        try {
            client.Post(QStringLiteral("http://127.0.0.1:9/ex/import.dll"));
        } catch (const THTTPSError& e) {
            code = e.Code();
        }
        QCOMPARE(code, int(hecUnsupportedRoute));
    }

    void tinyproxy_basicAuth_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::addColumn<int>("proxySSL");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("http forwarded") << false << int(psNever) << "secret" << true;
        QTest::newRow("http tunnel") << false << int(psTunnel) << "secret" << true;
        QTest::newRow("https via CONNECT") << true << int(psAutomatic) << "secret" << true;
        QTest::newRow("wrong password") << false << int(psAutomatic) << "wrong" << false;
    }
    void tinyproxy_basicAuth()
    {
        QFETCH(bool, tls);
        QFETCH(int, proxySSL);
        QFETCH(QString, password);
        QFETCH(bool, arrives);
        if (!TProxyProcess::Available(TProxyProcess::Tinyproxy))
            QSKIP("tinyproxy is not installed");
        if (tls && !HaveCerts)
            QSKIP("openssl could not make certificates");
        TProxyProcess proxy(TProxyProcess::Tinyproxy);
        QVERIFY2(proxy.Start(QStringLiteral("quser"), QStringLiteral("secret")), qPrintable(proxy.ErrorText()));
        TLoopbackServer server;
        QVERIFY(tls ? server.Listen(Cert("server.pem"), Cert("server.key")) : server.Listen());
        server.Reply.Body = "through";
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        client.SetCAFile(Cert("ca.pem"));
        client.SetProxyServer(QStringLiteral("127.0.0.1"));
        client.SetProxyPort(quint16(proxy.Port()));
        client.SetProxyUser(QStringLiteral("quser"));
        client.SetProxyPassword(password);
        client.SetProxySSL(TProxySSL(proxySSL));
        bool failed = false;
        try {
            client.Post(EndpointOf(server, tls));
        } catch (const THTTPSError&) {
            failed = true;
        }
        QCOMPARE(server.Requests.size(), arrives ? 1 : 0);
        if (arrives) {
            QVERIFY(!failed);
            QCOMPARE(log.ReplyText, QStringLiteral("through"));
        } else {
            // The proxy refuses with an authentication status (tinyproxy answers 401).
            QVERIFY(failed || log.Events.contains(QStringLiteral("Err401"))
                    || log.Events.contains(QStringLiteral("Err407")));
        }
    }

    void danteSocks_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("socks4") << int(fwSOCKS4);
        QTest::newRow("socks5") << int(fwSOCKS5);
    }
    void danteSocks()
    {
        QFETCH(int, type);
        if (!TProxyProcess::Available(TProxyProcess::Dante))
            QSKIP("danted is not installed");
        TProxyProcess socks(TProxyProcess::Dante);
        QVERIFY2(socks.Start(), qPrintable(socks.ErrorText()));
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Body = "via socks";
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        client.SetFirewallHost(QStringLiteral("127.0.0.1"));
        client.SetFirewallPort(quint16(socks.Port()));
        client.SetFirewallType(TFirewallType(type));
        client.Post(EndpointOf(server));
        QCOMPARE(log.ReplyText, QStringLiteral("via socks"));
        QCOMPARE(server.Requests.size(), 1);
    }

    void microsocks_userPassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("right") << "s0cks:p@ss" << true;
        QTest::newRow("wrong") << "nope" << false;
    }
    void microsocks_userPassword()
    {
        QFETCH(QString, password);
        QFETCH(bool, arrives);
        if (!TProxyProcess::Available(TProxyProcess::Microsocks))
            QSKIP("microsocks is not installed");
        TProxyProcess socks(TProxyProcess::Microsocks);
        QVERIFY2(socks.Start(QStringLiteral("suser"), QStringLiteral("s0cks:p@ss")), qPrintable(socks.ErrorText()));
        TLoopbackServer server;
        QVERIFY(server.Listen());
        THTTPSClient client;
        client.SetFirewallHost(QStringLiteral("127.0.0.1"));
        client.SetFirewallPort(quint16(socks.Port()));
        client.SetFirewallUser(QStringLiteral("suser"));
        client.SetFirewallPassword(password);
        client.SetFirewallType(fwSOCKS5);
        bool failed = false;
        try {
            client.Post(EndpointOf(server));
        } catch (const THTTPSError&) {
            failed = true;
        }
        QCOMPARE(failed, !arrives);
        QCOMPARE(server.Requests.size(), arrives ? 1 : 0);
    }

    void socksFirewallChainedBeforeProxy_data()
    {
        QTest::addColumn<QString>("socksUser");
        QTest::addColumn<QString>("socksPassword");
        QTest::addColumn<bool>("refused");
        QTest::newRow("socks without login") << QString() << QString() << false;
        QTest::newRow("same login on both") << "quser" << "secret" << false;
        QTest::newRow("different logins") << "suser" << "spass" << true;
    }
    void socksFirewallChainedBeforeProxy()
    {
        QFETCH(QString, socksUser);
        QFETCH(QString, socksPassword);
        QFETCH(bool, refused);
        if (!TProxyProcess::Available(TProxyProcess::Microsocks) || !TProxyProcess::Available(TProxyProcess::Tinyproxy))
            QSKIP("microsocks or tinyproxy is not installed");
        TProxyProcess socks(TProxyProcess::Microsocks);
        QVERIFY2(socks.Start(socksUser, socksPassword), qPrintable(socks.ErrorText()));
        TProxyProcess proxy(TProxyProcess::Tinyproxy);
        QVERIFY2(proxy.Start(QStringLiteral("quser"), QStringLiteral("secret")), qPrintable(proxy.ErrorText()));
        TLoopbackServer server;
        QVERIFY(server.Listen());
        server.Reply.Body = "chained";
        THTTPSClient client;
        TEventLog log;
        log.Attach(client);
        client.SetProxyServer(QStringLiteral("127.0.0.1"));
        client.SetProxyPort(quint16(proxy.Port()));
        client.SetProxyUser(QStringLiteral("quser"));
        client.SetProxyPassword(QStringLiteral("secret"));
        client.SetFirewallHost(QStringLiteral("127.0.0.1"));
        client.SetFirewallPort(quint16(socks.Port()));
        client.SetFirewallUser(socksUser);
        client.SetFirewallPassword(socksPassword);
        client.SetFirewallType(fwSOCKS5);
        int code = 0;
        try {
            client.Post(EndpointOf(server));
        } catch (const THTTPSError& e) {
            code = e.Code();
        }
        QCOMPARE(code, refused ? int(hecUnsupportedRoute) : 0);
        QCOMPARE(server.Requests.size(), refused ? 0 : 1);
        if (!refused)
            QCOMPARE(log.ReplyText, QStringLiteral("chained"));
        // The SOCKS hop is really taken: with the SOCKS server gone nothing gets through.
        if (!refused) {
            socks.Stop();
            QVERIFY_THROWS_EXCEPTION(THTTPSError, client.Post(EndpointOf(server)));
            QCOMPARE(server.Requests.size(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestHTTPSClient)
#include "TestHTTPSClient.moc"
