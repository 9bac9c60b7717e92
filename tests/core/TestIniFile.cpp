#include "core/IniFile.h"
#include "core/TextDecoder.h"

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
} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void readInteger_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("defaultValue");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << "42" << 7 << 42;
        QTest::newRow("negative") << "-5" << 7 << -5;
        QTest::newRow("0x hex") << "0x1F" << 7 << 31;
        QTest::newRow("0X hex") << "0X1f" << 7 << 31;
        QTest::newRow("dollar hex") << "$10" << 7 << 16;
        QTest::newRow("0x alone is not hex") << "0x" << 7 << 7;
        QTest::newRow("yes is not a number") << "yes" << 1 << 1;
        QTest::newRow("empty value") << "" << 9 << 9;
        QTest::newRow("blanks around") << "   12   " << 7 << 12;
        QTest::newRow("trailing junk") << "12abc" << 7 << 7;
        QTest::newRow("overflow") << "4294967296" << 3 << 3;
    }
    void readInteger()
    {
        QFETCH(QString, value);
        QFETCH(int, defaultValue);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.INI"));
        WriteBytes(path, QByteArray("[Sec]\r\nKey=") + value.toLatin1() + QByteArray("\r\n"));
        const TIniFile ini(path);
        QCOMPARE(ini.ReadInteger(QStringLiteral("Sec"), QStringLiteral("Key"), defaultValue), expected);
    }

    void readBool_followsIntegerRules_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("1") << "1" << false << true;
        QTest::newRow("0") << "0" << true << false;
        QTest::newRow("2") << "2" << false << true;
        QTest::newRow("yes -> default true") << "yes" << true << true;
        QTest::newRow("yes -> default false") << "yes" << false << false;
        QTest::newRow("0x0") << "0x0" << true << false;
    }
    void readBool_followsIntegerRules()
    {
        QFETCH(QString, value);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.INI"));
        WriteBytes(path, QByteArray("[Sec]\r\nFlag=") + value.toLatin1() + QByteArray("\r\n"));
        QCOMPARE(TIniFile(path).ReadBool(QStringLiteral("Sec"), QStringLiteral("Flag"), defaultValue), expected);
    }

    void readString_namesIgnoreCaseAndValuesAreTrimmed()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.INI"));
        WriteBytes(path, "; comment=not a key\r\n[other]\r\nname=wrong\r\n  [ Account ]  \r\n"
                         "  LOGIN  =  someone@example.org  \r\nlogin=second\r\nEquals=a=b\r\n");
        const TIniFile ini(path);
        QCOMPARE(ini.ReadString(QStringLiteral("account"), QStringLiteral("Login"), QString()),
                 QStringLiteral("someone@example.org"));
        QCOMPARE(ini.ReadString(QStringLiteral("ACCOUNT"), QStringLiteral("equals"), QString()),
                 QStringLiteral("a=b"));
        QCOMPARE(ini.ReadString(QStringLiteral("Account"), QStringLiteral("Name"), QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
        QCOMPARE(ini.ReadString(QStringLiteral("Missing"), QStringLiteral("Login"), QStringLiteral("d")),
                 QStringLiteral("d"));
    }

    void readString_cutAt2047()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.INI"));
        WriteBytes(path, QByteArray("[S]\r\nK=") + QByteArray(3000, 'x') + QByteArray("\r\n"));
        QCOMPARE(TIniFile(path).ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()).size(), 2047);
    }

    void write_keepsEveryOtherLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.INI"));
        const QByteArray original = "; kept comment\r\n[Account]\r\nNumber=5\r\nUnknown = stays\r\n\r\n"
                                    "[Extra]\r\nX=1\r\n";
        WriteBytes(path, original);
        TIniFile ini(path);
        ini.WriteInteger(QStringLiteral("account"), QStringLiteral("NUMBER"), 123456789);
        ini.WriteString(QStringLiteral("Account"), QStringLiteral("Login"), QStringLiteral("me@example.org"));
        ini.WriteBool(QStringLiteral("File"), QStringLiteral("ColHeadings"), true);
        QVERIFY(ini.Save());
        QCOMPARE(ReadBytes(path), QByteArray("; kept comment\r\n[Account]\r\nNUMBER=123456789\r\nUnknown = stays\r\n"
                                             "Login=me@example.org\r\n\r\n[Extra]\r\nX=1\r\n"
                                             "[File]\r\nColHeadings=1\r\n"));
    }

    void write_sameValuesLeaveFileByteIdentical()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.INI"));
        const QByteArray original = "[Connection]\r\nUseSSL=1\r\nProxyPort=80\r\n";
        WriteBytes(path, original);
        TIniFile ini(path);
        ini.WriteBool(QStringLiteral("Connection"), QStringLiteral("UseSSL"), true);
        ini.WriteInteger(QStringLiteral("Connection"), QStringLiteral("ProxyPort"), 80);
        QVERIFY(ini.Save());
        QCOMPARE(ReadBytes(path), original);
    }

    void write_missingFileIsCreated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new.INI"));
        TIniFile ini(path);
        QCOMPARE(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("B"), 17), 17);
        ini.WriteInteger(QStringLiteral("A"), QStringLiteral("B"), -3);
        QVERIFY(ini.Save());
        QCOMPARE(ReadBytes(path), QByteArray("[A]\r\nB=-3\r\n"));
    }

    void write_lineBreaksCannotAddKeys()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.INI"));
        TIniFile ini(path);
        ini.WriteString(QStringLiteral("File"), QStringLiteral("Name"), QStringLiteral("a\r\n[Account]\nNumber=9"));
        QVERIFY(ini.Save());
        const TIniFile back(path);
        QCOMPARE(back.ReadInteger(QStringLiteral("Account"), QStringLiteral("Number"), 0), 0);
        QCOMPARE(back.Lines().size(), 2);
    }

    void save_keepsByteOrderMark()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.INI"));
        WriteBytes(path, EncodeText(QStringLiteral("[S]\r\nK=\u00e9t\u00e9\r\n"), TextEncoding::Utf8Bom));
        TIniFile ini(path);
        QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()), QStringLiteral("\u00e9t\u00e9"));
        ini.WriteInteger(QStringLiteral("S"), QStringLiteral("N"), 1);
        QVERIFY(ini.Save());
        QCOMPARE(ReadBytes(path), EncodeText(QStringLiteral("[S]\r\nK=\u00e9t\u00e9\r\nN=1\r\n"), TextEncoding::Utf8Bom));
    }

    void save_failureReported()
    {
        QTemporaryDir dir;
        // A directory where the file should be cannot be written, not even by root.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("blocked.INI")));
        TIniFile ini(dir.filePath(QStringLiteral("blocked.INI")));
        ini.WriteInteger(QStringLiteral("A"), QStringLiteral("B"), 1);
        QString error;
        QVERIFY(!ini.Save(&error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "TestIniFile.moc"
