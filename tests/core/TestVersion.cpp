#include "core/Version.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestVersion : public QObject
{
    Q_OBJECT

private slots:
    void getFileVersionText_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        const TFileVersion v{1, 2, 3, 4};
        QTest::newRow("record in the middle")
            << QByteArray(5000, 'x') + VersionRecordBytes(v) + QByteArray(100, '\0') << "1.2.3.4";
        QTest::newRow("large parts") << VersionRecordBytes({65535, 256, 0, 10}) << "65535.256.0.10";
        QTest::newRow("record across the read chunks")
            << QByteArray((1 << 20) - 7, 'y') + VersionRecordBytes(v) << "1.2.3.4";
        QTest::newRow("first record wins")
            << VersionRecordBytes({9, 8, 7, 6}) + VersionRecordBytes(v) << "9.8.7.6";
        QTest::newRow("no record") << QByteArray(3000, 'z') << "0.0.0.0";
        QTest::newRow("record cut short") << VersionRecordBytes(v).left(25) << "0.0.0.0";
        QTest::newRow("empty file") << QByteArray() << "0.0.0.0";
    }
    void getFileVersionText()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("qimport"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QCOMPARE(GetFileVersionText(path), expected);
    }

    void getFileVersionText_missingFile()
    {
        QTemporaryDir dir;
        QCOMPARE(GetFileVersionText(dir.filePath(QStringLiteral("absent"))), QStringLiteral("0.0.0.0"));
    }

    void thisTestCarriesTheBuiltVersion()
    {
        // Every executable of the project has the record compiled in, this test included.
        const TFileVersion built = BuiltVersion();
        const QString expected = QStringLiteral("%1.%2.%3.%4").arg(built[0]).arg(built[1]).arg(built[2]).arg(built[3]);
        QCOMPARE(GetFileVersionText(QCoreApplication::applicationFilePath()), expected);
        QVERIFY(expected != QStringLiteral("0.0.0.0"));
    }
};

QTEST_GUILESS_MAIN(TestVersion)
#include "TestVersion.moc"
