#include "exchange/Connection.h"
#include "exchange/HTTPSClient.h"

#include <QtTest>

namespace {

SetupRecord OwnSettings()
{
    SetupRecord s;
    s.UseWininet = false;
    s.UseSSL = true;
    return s;
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void systemSettings_logAndApplyNoProxy()
    {
        THTTPSClient client;
        TRunLog log;
        SetupRecord s;
        s.UseWininet = true;
        s.ProxyServer = QStringLiteral("proxy.local");
        s.ProxyPort = 3128;
        s.FirewallHost = QStringLiteral("fw.local");
        s.FirewallType = 2;
        ApplyConnectionSettings(client, s, QStringLiteral("example.test"), log);
        QCOMPARE(log.AllLines(), (QStringList{QStringLiteral("Connect - "), QStringLiteral(" SSL off")}));
        QCOMPARE(client.URL(), QStringLiteral("http://example.test/ex/import.dll"));
        QVERIFY(client.ProxyServer().isEmpty());
        QVERIFY(client.FirewallHost().isEmpty());
        QVERIFY(client.UseSystemProxy());
        QCOMPARE(client.Config(QStringLiteral("SSLEnabledProtocols")), QStringLiteral("3072"));
    }

    void ownSettingsWithoutProxy_threeLines()
    {
        THTTPSClient client;
        TRunLog log;
        ApplyConnectionSettings(client, OwnSettings(), QStringLiteral("h:8443"), log);
        QCOMPARE(log.AllLines(), (QStringList{QStringLiteral("Connect - "), QStringLiteral(" SSL on"),
                                             QStringLiteral(" Use local connection settings")}));
        QCOMPARE(client.URL(), QStringLiteral("https://h:8443/ex/import.dll"));
        QVERIFY(!client.UseSystemProxy());
    }

    void proxyAndFirewall_loggedMaskedAndMapped_data()
    {
        QTest::addColumn<int>("proxySSL");
        QTest::addColumn<int>("clientProxySSL");
        QTest::addColumn<QString>("proxySSLLine");
        QTest::addColumn<int>("firewallType");
        QTest::addColumn<int>("clientFirewallType");
        QTest::addColumn<QString>("firewallLine");
        QTest::newRow("0/0") << 0 << int(psAutomatic) << " ProxySSL : Automatic" << 0 << int(fwNone)
                             << " FirewallType : None";
        QTest::newRow("1/1") << 1 << int(psAlways) << " ProxySSL : Always" << 1 << int(fwSOCKS4)
                             << " FirewallType : Socks 4";
        QTest::newRow("2/2") << 2 << int(psNever) << " ProxySSL : Never" << 2 << int(fwSOCKS5)
                             << " FirewallType : Socks 5";
        QTest::newRow("3/3") << 3 << int(psTunnel) << " ProxySSL : Tunnel" << 3 << int(fwTunnel)
                             << " FirewallType : Tunnel";
        QTest::newRow("7/9 out of range") << 7 << int(psAutomatic) << " ProxySSL : Automatic" << 9 << int(fwNone)
                                          << " FirewallType : None";
    }
    void proxyAndFirewall_loggedMaskedAndMapped()
    {
        QFETCH(int, proxySSL);
        QFETCH(int, clientProxySSL);
        QFETCH(QString, proxySSLLine);
        QFETCH(int, firewallType);
        QFETCH(int, clientFirewallType);
        QFETCH(QString, firewallLine);
        SetupRecord s = OwnSettings();
        s.UseSSL = false;
        s.ProxyServer = QStringLiteral("proxy.local");
        s.ProxyPort = 3128;
        s.ProxySSLServer = QStringLiteral("sslproxy.local");
        s.ProxySSLPort = 8443;
        s.ProxyUser = QStringLiteral("pu");
        s.ProxyPassword = QStringLiteral("abcde");
        s.ProxySSL = quint8(proxySSL);
        s.FirewallHost = QStringLiteral("fw.local");
        s.FirewallPort = 1080;
        s.FirewallUser = QStringLiteral("fu");
        s.FirewallPassword = QStringLiteral("xyz");
        s.FirewallType = quint8(firewallType);
        THTTPSClient client;
        TRunLog log;
        ApplyConnectionSettings(client, s, QStringLiteral("h"), log);
        const QStringList expected{QStringLiteral("Connect - "),
                                   QStringLiteral(" SSL off"),
                                   QStringLiteral(" Use local connection settings"),
                                   QStringLiteral(" Proxy addr: proxy.local"),
                                   QStringLiteral(" Proxy port: 3128"),
                                   QStringLiteral(" SSL proxy addr: sslproxy.local"),
                                   QStringLiteral(" SSL proxy port: 8443"),
                                   QStringLiteral(" Proxy user : pu"),
                                   QStringLiteral(" Proxy password : *****"),
                                   proxySSLLine,
                                   QStringLiteral(" Firewall addr: fw.local"),
                                   QStringLiteral(" Firewall port: 1080"),
                                   QStringLiteral(" Firewall user : fu"),
                                   QStringLiteral(" Firewall password : ***"),
                                   firewallLine};
        QCOMPARE(log.AllLines(), expected);
        QVERIFY(!log.AllLines().join(QLatin1Char('\n')).contains(QStringLiteral("abcde")));
        QCOMPARE(client.ProxyServer(), QStringLiteral("proxy.local"));
        QCOMPARE(client.ProxyPort(), quint16(3128));
        QCOMPARE(client.ProxyUser(), QStringLiteral("pu"));
        QCOMPARE(client.ProxyPassword(), QStringLiteral("abcde"));
        QCOMPARE(int(client.ProxySSL()), clientProxySSL);
        QCOMPARE(client.FirewallHost(), QStringLiteral("fw.local"));
        QCOMPARE(client.FirewallPort(), quint16(1080));
        QCOMPARE(client.FirewallPassword(), QStringLiteral("xyz"));
        QCOMPARE(int(client.FirewallType()), clientFirewallType);
    }

    void emptyProxyPassword_labelOnly_sslProxyAloneIgnored()
    {
        SetupRecord s = OwnSettings();
        s.ProxyServer = QStringLiteral("p");
        s.ProxyPort = 8080;
        THTTPSClient client;
        TRunLog log;
        ApplyConnectionSettings(client, s, QStringLiteral("h"), log);
        QVERIFY(log.AllLines().contains(QStringLiteral(" Proxy password : ")));

        SetupRecord t = OwnSettings();
        t.ProxySSLServer = QStringLiteral("sslproxy.local");
        t.ProxySSLPort = 8443;
        TRunLog log2;
        ApplyConnectionSettings(client, t, QStringLiteral("h"), log2);
        QCOMPARE(log2.AllLines().size(), 3);
        QVERIFY(client.ProxyServer().isEmpty());
    }

    void removedSettings_stopApplying()
    {
        SetupRecord s = OwnSettings();
        s.ProxyServer = QStringLiteral("p");
        s.ProxyPort = 8080;
        s.ProxyUser = QStringLiteral("u");
        s.ProxyPassword = QStringLiteral("pw");
        s.ProxySSL = 3;
        s.FirewallHost = QStringLiteral("fw");
        s.FirewallPort = 1080;
        s.FirewallUser = QStringLiteral("fu");
        s.FirewallPassword = QStringLiteral("fp");
        s.FirewallType = 2;
        THTTPSClient client;
        TRunLog log;
        ApplyConnectionSettings(client, s, QStringLiteral("h"), log);
        s.UseWininet = true;
        ApplyConnectionSettings(client, s, QStringLiteral("h"), log);
        QVERIFY(client.ProxyServer().isEmpty());
        QCOMPARE(client.ProxyPort(), quint16(80));
        QCOMPARE(int(client.ProxySSL()), int(psAutomatic));
        QVERIFY(client.ProxyUser().isEmpty());
        QVERIFY(client.ProxyPassword().isEmpty());
        QVERIFY(client.FirewallHost().isEmpty());
        QVERIFY(client.FirewallUser().isEmpty());
        QVERIFY(client.FirewallPassword().isEmpty());
        QCOMPARE(int(client.FirewallType()), int(fwNone));
    }

    void refusedValue_throwsAfterEarlierLines()
    {
        SetupRecord s = OwnSettings();
        s.ProxyServer = QStringLiteral("bad host/name");
        s.ProxyPort = 8080;
        THTTPSClient client;
        TRunLog log;
        QVERIFY_THROWS_EXCEPTION(THTTPSError, ApplyConnectionSettings(client, s, QStringLiteral("h"), log));
        // The block's own lines are left out when a value is refused.
        QCOMPARE(log.AllLines(), (QStringList{QStringLiteral("Connect - "), QStringLiteral(" SSL on"),
                                             QStringLiteral(" Use local connection settings")}));
    }

    void endpointOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("envHost");
        QTest::addColumn<QString>("envCA");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("ca");
        QTest::newRow("default") << QStringList() << QString() << QString() << "import.quillmarsh.com" << QString();
        QTest::newRow("env") << QStringList() << "127.0.0.1:9" << "/env/ca.pem" << "127.0.0.1:9" << "/env/ca.pem";
        QTest::newRow("option wins") << QStringList{"prog", "--host", "a:1", "--ca-file=/o/ca.pem"} << "b:2"
                                     << "/env/ca.pem" << "a:1" << "/o/ca.pem";
        QTest::newRow("equals form") << QStringList{"prog", "--host=c", "--ca-file", "/x"} << QString() << QString()
                                     << "c" << "/x";
        QTest::newRow("dangling option") << QStringList{"prog", "--host"} << "e" << QString() << "e" << QString();
    }
    void endpointOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, envHost);
        QFETCH(QString, envCA);
        QFETCH(QString, host);
        QFETCH(QString, ca);
        QProcessEnvironment env;
        if (!envHost.isEmpty())
            env.insert(QStringLiteral("QIMPORT_HOST"), envHost);
        if (!envCA.isEmpty())
            env.insert(QStringLiteral("QIMPORT_CA_FILE"), envCA);
        const TEndpointOptions options = EndpointOptionsFrom(args, env);
        QCOMPARE(options.Host, host);
        QCOMPARE(options.CAFile, ca);
        QVERIFY(EndpointHelpText().contains(QStringLiteral("--ca-file")));
    }

    void endpointCAFile_overridesSettings()
    {
        SetupRecord s = OwnSettings();
        s.CAFile = QStringLiteral("/settings/ca.pem");
        THTTPSClient client;
        TRunLog log;
        ApplyConnectionSettings(client, s, TEndpointOptions{QStringLiteral("h"), QStringLiteral("/opt/ca.pem")}, log);
        QCOMPARE(client.CAFile(), QStringLiteral("/opt/ca.pem"));
        ApplyConnectionSettings(client, s, TEndpointOptions{QStringLiteral("h"), QString()}, log);
        QCOMPARE(client.CAFile(), QStringLiteral("/settings/ca.pem"));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "TestConnection.moc"
