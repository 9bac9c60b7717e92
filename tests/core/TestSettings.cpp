#include "core/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace
{
void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

const QByteArray DefaultFile = "[Account]\r\nNumber=0\r\nSite=0\r\nLogin=\r\n"
                               "[Connection]\r\nProxyServer=\r\nProxyPort=0\r\nProxySSLServer=\r\nProxySSLPort=0\r\n"
                               "ProxyUser=\r\nProxyPassword=\r\nProxySSL=0\r\nFirewallHost=\r\nFirewallPort=0\r\n"
                               "FirewallUser=\r\nFirewallPassword=\r\nFirewallType=0\r\nUseSSL=1\r\nUseWininet=1\r\n"
                               "[File]\r\nColHeadings=1\r\nName=\r\n";
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void settingsPathFor_data()
    {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no extension") << "/opt/q/bin/qimport" << "/opt/q/bin/qimport.INI";
        QTest::newRow("exe") << "/opt/q/QImport.exe" << "/opt/q/QImport.INI";
        QTest::newRow("last dot of the name") << "/opt/q/q.v2.bin" << "/opt/q/q.v2.INI";
        QTest::newRow("dot only in directory") << "/opt/q.d/qimport" << "/opt/q.d/qimport.INI";
        QTest::newRow("bare name") << "qimport" << "qimport.INI";
    }
    void settingsPathFor()
    {
        QFETCH(QString, exe);
        QFETCH(QString, expected);
        QCOMPARE(SettingsPathFor(exe), expected);
    }

    void read_missingFileGivesDefaults()
    {
        QTemporaryDir dir;
        const TLoadedSettings loaded = ReadSettingsFile(dir.filePath(QStringLiteral("none.INI")));
        SetupRecord expected;
        expected.UseSSL = true;
        expected.UseWininet = true;
        QCOMPARE(loaded.Setup, expected);
        QVERIFY(loaded.ColHeadings);
        QVERIFY(loaded.FileName.isEmpty());
    }

    void read_valuesAndLimits()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("q.INI"));
        const QByteArray password70(70, 'p');
        WriteBytes(path, QByteArray("[account]\r\nnumber=0x1F\r\nSite=12\r\nLogin=me@example.org\r\n"
                                    "[CONNECTION]\r\nProxyPort=70000\r\nProxySSL=258\r\nFirewallType=3\r\n"
                                    "ProxyPassword=") + password70 + "\r\nProxyServer=" + QByteArray(120, 'h')
                             + "\r\nUseSSL=yes\r\nUseWininet=0\r\nCAFile=/etc/ca.pem\r\n"
                               "[File]\r\nColHeadings=0\r\nName=/home/u/data.csv\r\n");
        const TLoadedSettings loaded = ReadSettingsFile(path);
        QCOMPARE(loaded.Setup.Account, 31);
        QCOMPARE(loaded.Setup.SiteNumber, 12);
        QCOMPARE(loaded.Setup.Email, QStringLiteral("me@example.org"));
        QCOMPARE(loaded.Setup.ProxyPort, quint16(4464));
        QCOMPARE(loaded.Setup.ProxySSL, quint8(2));
        QCOMPARE(loaded.Setup.FirewallType, quint8(3));
        QCOMPARE(loaded.Setup.ProxyPassword, QString::fromLatin1(password70.left(64)));
        QCOMPARE(loaded.Setup.ProxyServer.size(), 100);
        QCOMPARE(loaded.Setup.UseSSL, true);
        QCOMPARE(loaded.Setup.UseWininet, false);
        QCOMPARE(loaded.Setup.CAFile, QStringLiteral("/etc/ca.pem"));
        QCOMPARE(loaded.ColHeadings, false);
        QCOMPARE(loaded.FileName, QStringLiteral("/home/u/data.csv"));
    }

    void write_defaultsInTableOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("q.INI"));
        SetupRecord setup;
        setup.UseSSL = true;
        setup.UseWininet = true;
        QString error;
        QVERIFY(WriteSettingsFile(path, setup, QString(), QStringLiteral("0"), QString(), true, QString(), &error));
        QCOMPARE(ReadBytes(path), DefaultFile);
    }

    void write_roundTripsValuesAndNormalises()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("q.INI"));
        WriteBytes(path, "[Connection]\r\nUseSSL=2\r\nProxyPassword=" + QByteArray(70, 'p') + "\r\n");
        TLoadedSettings loaded = ReadSettingsFile(path);
        loaded.Setup.ProxyPort = 8080;
        loaded.Setup.CAFile = QStringLiteral("/tmp/ca.pem");
        QString error;
        QVERIFY(WriteSettingsFile(path, loaded.Setup, QStringLiteral("123456789"), QStringLiteral("x"),
                                  QStringLiteral("me@example.org"), false, QStringLiteral("/d/f.txt"), &error));
        const QByteArray bytes = ReadBytes(path);
        QVERIFY(bytes.contains("UseSSL=1\r\n"));
        QVERIFY(bytes.contains("ProxyPassword=" + QByteArray(64, 'p') + "\r\n"));
        QVERIFY(bytes.contains("UseWininet=1\r\nCAFile=/tmp/ca.pem\r\n"));
        const TLoadedSettings back = ReadSettingsFile(path);
        // Account and login come from the credentials given, not from the record.
        SetupRecord expected = loaded.Setup;
        expected.Account = 123456789;
        expected.SiteNumber = 0; // "x" is not a number
        expected.Email = QStringLiteral("me@example.org");
        QCOMPARE(back.Setup, expected);
        QCOMPARE(back.ColHeadings, false);
        QCOMPARE(back.FileName, QStringLiteral("/d/f.txt"));
    }

    void write_failureNamesThePath()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("q.INI"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("q.INI")));
        QString error;
        QVERIFY(!WriteSettingsFile(path, SetupRecord(), QString(), QString(), QString(), true, QString(), &error));
        QCOMPARE(error, QStringLiteral("Unable to write to ") + path);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "TestSettings.moc"
