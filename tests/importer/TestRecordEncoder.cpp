#include "importer/AsciiFold.h"
#include "importer/RecordEncoder.h"

#include "exchange/Envelope.h"

#include <QtTest>

namespace
{

const QString Head = QStringLiteral("AC=123456789&EL=jo&EP=pw&RT=31&SI=0");

// Catalogue entries used below, by index.
TFieldCatalogue MakeCatalogue()
{
    TFieldCatalogue c{};
    c[1] = {1, 1, 0, 0};
    c[2] = {1, 19, 0, 0};
    c[3] = {1, 5, 0, 0};
    c[4] = {8, 1, 0, 0};
    c[5] = {99, 2, 17, 0};
    c[6] = {2, 7, 0, 0};
    c[7] = {8, 3, 0, 0};
    c[8] = {99, 6, 0, 0};
    c[9] = {99, 8, 0, 0};
    c[10] = {99, 13, 0, 0};
    c[11] = {99, 22, 0, 0};
    c[12] = {99, 4, 0, 0};
    c[13] = {5, 2, 0, 0};
    c[255] = {1, 9, 0, 0};
    return c;
}

TColumnMap MapColumns(const QList<int>& fieldIndexes, const QList<int>& dateFormats = {})
{
    TColumnMap map{};
    for (qsizetype i = 0; i < fieldIndexes.size(); ++i) {
        map[std::size_t(i + 1)].FieldIndex = quint16(fieldIndexes[i]);
        map[std::size_t(i + 1)].Skip = fieldIndexes[i] == 0;
        if (i < dateFormats.size())
            map[std::size_t(i + 1)].DateFormat = quint16(dateFormats[i]);
    }
    return map;
}

TRecordText Compose(const QStringList& rowList, const TColumnMap& map, qint32 cRow = 4)
{
    return ComposeRecord(rowList, map, MakeCatalogue(), QStringLiteral("123456789"), QStringLiteral("jo"),
                         QStringLiteral("pw"), QStringLiteral("0"), cRow);
}

} // namespace

class TestRecordEncoder : public QObject
{
    Q_OBJECT

private slots:
    void printableOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ascii kept") << " ~AZaz09&=%" << " ~AZaz09&=%";
        QTest::newRow("accent") << QString::fromUtf8("Jos\u00e9") << "Jos";
        QTest::newRow("controls") << "a\tb\rc\nd" << "abcd";
        QTest::newRow("delete and above") << QString::fromUtf8("x\u007f\u00a0\u20acy") << "xy";
        QTest::newRow("only outside") << QString::fromUtf8("\u00e9\u00e8") << "";
    }
    void printableOnly()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(PrintableOnly(text), expected);
    }

    // Fold, then keep 32..126: what each value becomes and what had no ASCII form.
    void foldToAscii_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QStringList>("lost");
        QTest::newRow("plain ascii untouched") << " ~AZaz09&=%" << " ~AZaz09&=%" << QStringList();
        QTest::newRow("accent") << QString::fromUtf8("Jos\u00e9") << "Jose" << QStringList();
        QTest::newRow("already decomposed accent") << QString::fromUtf8("Jose\u0301") << "Jose" << QStringList();
        QTest::newRow("umlauts and stroke")
            << QString::fromUtf8("D\u00f6rte M\u00fcller-\u0141ukasiewicz") << "Dorte Muller-Lukasiewicz"
            << QStringList();
        QTest::newRow("diaeresis, dash and curly quotes")
            << QString::fromUtf8("na\u00efve caf\u00e9 \u2014 \u201cquoted\u201d") << "naive cafe - \"quoted\""
            << QStringList();
        QTest::newRow("compatibility forms")
            << QString::fromUtf8("\ufb01le\u00a0x\u00b2\u2026") << "file x2..." << QStringList();
        QTest::newRow("table letters")
            << QString::fromUtf8("\u00df\u1e9e\u00e6\u00c6\u0153\u0152\u00f8\u00d8\u0142\u0141\u0111\u0110\u00f0"
                                 "\u00d0\u00fe\u00de\u0131")
            << "ssSSaeAEoeOEoOlLdDdDthThi" << QStringList();
        QTest::newRow("table punctuation")
            << QString::fromUtf8("\u2018\u2019\u201a\u201b\u2032\u201c\u201d\u201e\u201f\u00ab\u00bb"
                                 "\u2010\u2011\u2012\u2013\u2014\u2015\u2212\u2044")
            << "'''''\"\"\"\"\"\"-------/" << QStringList();
        QTest::newRow("no ascii form, emoji kept whole")
            << QString::fromUtf8("Ann \u4e2d\U0001F600!\u4e2d") << "Ann !"
            << QStringList{QString::fromUtf8("\u4e2d"), QString::fromUtf8("\U0001F600")};
        QTest::newRow("controls are lost") << "a\x01" "b" << "ab" << QStringList{"\x01"};
    }
    void foldToAscii()
    {
        QFETCH(QString, text);
        QFETCH(QString, sent);
        QFETCH(QStringList, lost);
        QCOMPARE(FoldToAscii(text), sent);
        const TFolding folding = FoldCell(text);
        QCOMPARE(folding.Sent, sent);
        QCOMPARE(folding.Lost, lost);
    }

    // The encoding and IsSentField agree on every Tab and Field number.
    void isSentField_matchesWhatTheRecordCarries()
    {
        const QString head = RecordHead("1", "l", "p", "0");
        for (const int tab : {0, 1, 2, 3, 5, 8, 9, 10, 95, 98, 99, 100}) {
            for (int field = 0; field <= 40; ++field) {
                TFieldCatalogue catalogue{};
                catalogue[1] = {quint16(tab), quint16(field), 4, 0};
                const TRecordText record = ComposeRecord({"1", "v"}, MapColumns({1}), catalogue, "1", "l", "p", "0", 0);
                const bool carried = record.Text.size() > head.size();
                QVERIFY2(carried == IsSentField(catalogue[1]), qPrintable(QStringLiteral("%1-%2").arg(tab).arg(field)));
            }
        }
    }

    void compose_data()
    {
        QTest::addColumn<QStringList>("rowList");
        QTest::addColumn<QList<int>>("fieldIndexes");
        QTest::addColumn<QList<int>>("dateFormats");
        QTest::addColumn<QString>("pairs");

        QTest::newRow("example row") << QStringList{"3", "Smith", "", "Driver", "Usher"} << QList<int>{1, 0, 2, 2}
                                     << QList<int>{} << "&1_1=Smith&1_19_1=Driver&1_19_2=Usher";
        QTest::newRow("accent folded") << QStringList{"1", QString::fromUtf8("Jos\u00e9")} << QList<int>{3}
                                       << QList<int>{} << "&1_5=Jose";
        // Escaping comes after folding: a full-width ampersand folds to "&" and is escaped like one.
        QTest::newRow("folded ampersand and percent escaped")
            << QStringList{"1", QString::fromUtf8("\uff06 \u00e9t\u00e9 100\uff05")} << QList<int>{1} << QList<int>{}
            << "&1_1=%26 ete 100%25";
        QTest::newRow("all mapped cells empty") << QStringList{"1", "", "x"} << QList<int>{1, 0} << QList<int>{} << "";
        QTest::newRow("empty gives no pair, unprintable gives empty value")
            << QStringList{"1", "", QString::fromUtf8("\u4e2d\t")} << QList<int>{1, 3} << QList<int>{} << "&1_5=";
        QTest::newRow("single blank is sent") << QStringList{"1", " "} << QList<int>{1} << QList<int>{} << "&1_1= ";
        QTest::newRow("date DMY") << QStringList{"1", "14/03/2019"} << QList<int>{4} << QList<int>{1}
                                  << "&8_1_F=1&8_1=14/03/2019";
        QTest::newRow("date never chosen") << QStringList{"1", "3/14/2019"} << QList<int>{4} << QList<int>{}
                                           << "&8_1_F=0&8_1=3/14/2019";
        QTest::newRow("email preference item") << QStringList{"1", "Yes"} << QList<int>{5} << QList<int>{}
                                               << "&99_2_17=Yes";
        QTest::newRow("contacts and profile") << QStringList{"1", "Ann", "tall"} << QList<int>{6, 7} << QList<int>{}
                                              << "&2_7=Ann&8_3=tall";
        QTest::newRow("tab 99 fields") << QStringList{"1", "s", "a", "n", "b", "x"} << QList<int>{8, 9, 10, 11, 12}
                                       << QList<int>{0, 2, 0, 5} << "&99_6=s&1_44_F=2&1_44=a&99_13=n&1_43_F=5&1_43=b";
        QTest::newRow("two columns one entry") << QStringList{"1", "a", "b"} << QList<int>{3, 3} << QList<int>{}
                                               << "&1_5=a&1_5=b";
        QTest::newRow("equals and brackets kept, ampersand and percent escaped")
            << QStringList{"1", "a&b=c%20[br]d"} << QList<int>{1} << QList<int>{} << "&1_1=a%26b=c%2520[br]d";
        QTest::newRow("a cell cannot add a field of its own")
            << QStringList{"1", "Smith&99_13=not mine"} << QList<int>{1} << QList<int>{}
            << "&1_1=Smith%2699_13=not mine";
        QTest::newRow("index 0 and 256 never sent") << QStringList{"1", "a", "b", "c"} << QList<int>{0, 256, 255}
                                                    << QList<int>{} << "&1_9=c";
        QTest::newRow("empty flag takes no number, unprintable flag does")
            << QStringList{"1", "", QString::fromUtf8("\u2603"), "z"} << QList<int>{2, 2, 2} << QList<int>{}
            << "&1_19_1=&1_19_2=z";
    }
    void compose()
    {
        QFETCH(QStringList, rowList);
        QFETCH(QList<int>, fieldIndexes);
        QFETCH(QList<int>, dateFormats);
        QFETCH(QString, pairs);
        const TRecordText record = Compose(rowList, MapColumns(fieldIndexes, dateFormats));
        QCOMPARE(record.Text, Head + pairs);
        QVERIFY(record.Diagnostics.isEmpty());
    }

    void compose_rowNumberAlone_noRequest()
    {
        QVERIFY(!Compose({QStringLiteral("7")}, MapColumns({1})).IsRequest());
        QVERIFY(!Compose({}, MapColumns({1})).IsRequest());
        QVERIFY(Compose({QStringLiteral("7"), QString()}, MapColumns({1})).IsRequest());
    }

    void compose_thirtySevenFlags_oneDiagnostic()
    {
        QStringList row{QStringLiteral("9")};
        QList<int> indexes;
        QString expected = Head;
        for (int n = 1; n <= 37; ++n) {
            row.append(QStringLiteral("f%1").arg(n));
            indexes.append(2);
            if (n <= 36)
                expected += QStringLiteral("&1_19_%1=f%1").arg(n);
        }
        row.append(QStringLiteral("Smith"));
        indexes.append(1);
        expected += QStringLiteral("&1_1=Smith");

        const TRecordText record = Compose(row, MapColumns(indexes), 8);
        QCOMPARE(record.Text, expected);
        QCOMPARE(record.Diagnostics, QStringList{QStringLiteral("Row 8 has too many Flags")});
    }

    void compose_unknownTab_diagnosticAndRestSent()
    {
        const TRecordText record = Compose({"1", "x", "y"}, MapColumns({13, 1}), 12);
        QCOMPARE(record.Text, Head + QStringLiteral("&1_1=y"));
        QCOMPARE(record.Diagnostics, QStringList{QStringLiteral("Row 12 FSet 5")});
    }

    void compose_item256_neverSent()
    {
        TColumnMap map{};
        map[255].FieldIndex = 1;
        map[256].FieldIndex = 1;
        QStringList row{QStringLiteral("1")};
        for (int j = 1; j <= 256; ++j)
            row.append(QStringLiteral("c%1").arg(j));
        QCOMPARE(Compose(row, map).Text, Head + QStringLiteral("&1_1=c255"));
    }

    void compose_headCarriesEncodedPasswordOnly()
    {
        const TRecordText record = ComposeRecord({"1", "a"}, MapColumns({1}), MakeCatalogue(), QStringLiteral("000000042"),
                                                 QStringLiteral("a&b=c"), QStringLiteral(" &%41*#<>[]=+"),
                                                 QStringLiteral("17"), 0);
        QCOMPARE(record.Text, QStringLiteral("AC=000000042&EL=a&b=c&EP=%20%26%2541%2A%23%3C%3E%5B%5D=+&RT=31&SI=17&1_1=a"));
    }
};

QTEST_GUILESS_MAIN(TestRecordEncoder)
#include "TestRecordEncoder.moc"
