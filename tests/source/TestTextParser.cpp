#include "source/csvdata.h"

#include <QTemporaryDir>
#include <QTest>

using TTable = QList<QStringList>;

namespace
{
TTable TableOf(const TTextParser& parser)
{
    TTable table;
    for (int r = 0; r < parser.Rows(); ++r) {
        QStringList row;
        for (int c = 0; c < parser.Cols(); ++c)
            row.append(parser.Cell(r, c));
        table.append(row);
    }
    return table;
}
} // namespace

class TestTextParser : public QObject
{
    Q_OBJECT

private slots:
    void NewParser()
    {
        TTextParser parser;
        QCOMPARE(parser.Rows(), 0);
        QCOMPARE(parser.Cols(), 0);
        QCOMPARE(parser.Delim(), QChar(0));
        QCOMPARE(parser.Quote(), QChar(0));
    }

    void Comma_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<TTable>("expected");
        const QString q = QStringLiteral("\"");
        QTest::newRow("three cells") << QStringList{"a,b,c"} << TTable{{"a", "b", "c"}};
        QTest::newRow("empty middle") << QStringList{"a,,c"} << TTable{{"a", "", "c"}};
        QTest::newRow("trailing comma") << QStringList{"a,b,"} << TTable{{"a", "b", ""}};
        QTest::newRow("quoted comma") << QStringList{q + "x,y" + q + ",z"} << TTable{{"x,y", "z"}};
        QTest::newRow("doubled quote") << QStringList{q + "hi" + q + q + "j" + q} << TTable{{"hi\"j"}};
        QTest::newRow("quote mid cell") << QStringList{"a" + q + "b,c" + q + "d"} << TTable{{"ab,cd"}};
        QTest::newRow("quoted break") << QStringList{"x," + q + "first", "second" + q}
                                      << TTable{{"x", "first\r\nsecond"}};
        QTest::newRow("ragged") << QStringList{"a,b", "a,b,c,d", "a,b,c"}
                                << TTable{{"a", "b", "", ""}, {"a", "b", "c", "d"}, {"a", "b", "c", ""}};
        QTest::newRow("empty list") << QStringList{} << TTable{};
        QTest::newRow("unclosed drops row") << QStringList{"a,b", "c," + q + "d", "e,f"} << TTable{{"a", "b"}};
        QTest::newRow("unclosed first line") << QStringList{q + "a,b", "c"} << TTable{};
        QTest::newRow("empty quoted cell") << QStringList{q + q + ",x"} << TTable{{"", "x"}};
        QTest::newRow("four quotes") << QStringList{q + q + q + q} << TTable{{"\""}};
        QTest::newRow("tab inside quotes") << QStringList{q + "a\tb" + q + ",c"} << TTable{{"a\tb", "c"}};
        QTest::newRow("empty line") << QStringList{"a,b", "", "c"} << TTable{{"a", "b"}, {"", ""}, {"c", ""}};
        QTest::newRow("break and doubled quote")
            << QStringList{q + "say " + q + q + "hi", q + q + q + ",2"} << TTable{{"say \"hi\r\n\"", "2"}};
        QTest::newRow("lone CR in item dropped") << QStringList{"a\rb,c"} << TTable{{"ab", "c"}};
        QTest::newRow("CR LF inside item ends row") << QStringList{"a\r\nb"} << TTable{{"a"}, {"b"}};
    }
    void Comma()
    {
        QFETCH(QStringList, lines);
        QFETCH(TTable, expected);
        TTextParser parser;
        parser.SetDelim(QLatin1Char(','));
        parser.SetQuote(QLatin1Char('"'));
        parser.Push_TStringList_Into_Array(lines);
        QCOMPARE(TableOf(parser), expected);
        QCOMPARE(parser.Rows(), int(expected.size()));
        QCOMPARE(parser.Cols(), expected.isEmpty() ? 0 : int(expected.first().size()));
    }

    void TabWithoutQuote_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<TTable>("expected");
        QTest::newRow("quotes are text") << QStringList{"\"a\"\tb\"\"c", "x"}
                                         << TTable{{"\"a\"", "b\"\"c"}, {"x", ""}};
        QTest::newRow("comma is text") << QStringList{"a,b\tc"} << TTable{{"a,b", "c"}};
        QTest::newRow("NUL is not a quote") << QStringList{QString(QChar(0)) + "a\tb"}
                                            << TTable{{QString(QChar(0)) + "a", "b"}};
    }
    void TabWithoutQuote()
    {
        QFETCH(QStringList, lines);
        QFETCH(TTable, expected);
        TTextParser parser;
        parser.SetDelim(QLatin1Char('\t'));
        parser.Push_TStringList_Into_Array(lines);
        QCOMPARE(TableOf(parser), expected);
    }

    void QuoteWinsOverEqualDelimiter()
    {
        TTextParser parser;
        parser.SetDelim(QLatin1Char('"'));
        parser.SetQuote(QLatin1Char('"'));
        parser.Push_TStringList_Into_Array({"a\"b\"c"});
        QCOMPARE(TableOf(parser), TTable({{"abc"}}));
    }

    void PushReplacesTableAndCellsCanBeSet()
    {
        TTextParser parser;
        parser.SetDelim(QLatin1Char(','));
        parser.Push_TStringList_Into_Array({"a,b,c", "d,e,f"});
        parser.SetCell(1, 2, QStringLiteral("z"));
        QCOMPARE(parser.GetCell(1, 2), QStringLiteral("z"));
        parser.Push_TStringList_Into_Array({"x"});
        QCOMPARE(TableOf(parser), TTable({{"x"}}));
    }

    void LoadFromFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xEF\xBB\xBFn,\"a\nb\"\rc,d");
        file.close();
        TTextParser parser;
        parser.SetDelim(QLatin1Char(','));
        parser.SetQuote(QLatin1Char('"'));
        QVERIFY(parser.LoadFromFile(path));
        QCOMPARE(TableOf(parser), TTable({{"n", "a\r\nb"}, {"c", "d"}}));

        QString error;
        QVERIFY(!parser.LoadFromFile(dir.filePath(QStringLiteral("missing.csv")), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(parser.Rows(), 2); // the failed load kept the table
    }
};

QTEST_GUILESS_MAIN(TestTextParser)
#include "TestTextParser.moc"
