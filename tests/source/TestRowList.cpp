#include "source/ColumnLetters.h"
#include "source/RowList.h"

#include <QTest>

class TestRowList : public QObject
{
    Q_OBJECT

private slots:
    void Letters_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("letters");
        QTest::newRow("row-number column") << 0 << QString();
        QTest::newRow("negative") << -1 << QString();
        QTest::newRow("first") << 1 << QStringLiteral("A");
        QTest::newRow("last single") << 26 << QStringLiteral("Z");
        QTest::newRow("first double") << 27 << QStringLiteral("AA");
        QTest::newRow("end of A group") << 52 << QStringLiteral("AZ");
        QTest::newRow("start of B group") << 53 << QStringLiteral("BA");
        QTest::newRow("last source column") << 256 << QStringLiteral("IV");
        QTest::newRow("last with letters") << 260 << QStringLiteral("IZ");
        QTest::newRow("beyond I group") << 261 << QString();
        QTest::newRow("far beyond") << 100000 << QString();
    }
    void Letters()
    {
        QFETCH(int, n);
        QFETCH(QString, letters);
        QCOMPARE(ColumnLetters(n), letters);
    }

    void RowList_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("rowNumber");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("plain") << QStringLiteral("a\tb\tc") << 1 << QStringList{"1", "a", "b", "c"};
        QTest::newRow("empty between") << QStringLiteral("a\t\tc") << 7 << QStringList{"7", "a", "", "c"};
        QTest::newRow("empty first") << QStringLiteral("\tb") << 2 << QStringList{"2", "", "b"};
        QTest::newRow("trailing tab") << QStringLiteral("a\tb\t") << 3 << QStringList{"3", "a", "b"};
        QTest::newRow("two trailing tabs") << QStringLiteral("a\t\t") << 3 << QStringList{"3", "a", ""};
        QTest::newRow("single cell") << QStringLiteral("only") << 12 << QStringList{"12", "only"};
        QTest::newRow("empty line") << QString() << 5 << QStringList{"5"};
        QTest::newRow("br stays text") << QStringLiteral("x[br]y\tz") << 1 << QStringList{"1", "x[br]y", "z"};
        QTest::newRow("spaces kept") << QStringLiteral(" a \t b ") << 1 << QStringList{"1", " a ", " b "};
    }
    void RowList()
    {
        QFETCH(QString, line);
        QFETCH(int, rowNumber);
        QFETCH(QStringList, expected);
        QCOMPARE(BuildRowList(line, rowNumber), expected);
    }
};

QTEST_GUILESS_MAIN(TestRowList)
#include "TestRowList.moc"
