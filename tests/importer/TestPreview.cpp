#include "importer/Preview.h"

#include <QtTest>

namespace
{

QString NameOf(int index)
{
    return index == 300 ? QString() : QStringLiteral("F%1").arg(index);
}

TFieldCatalogue MakeCatalogue()
{
    TFieldCatalogue c{};
    c[5] = {1, 5, 0, 0};
    c[7] = {99, 22, 0, 0};
    c[255] = {8, 1, 0, 0};
    return c;
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void translationTable_onlyIndexes1To255()
    {
        TColumnMap map{};
        map[1].FieldIndex = 5;
        map[3].FieldIndex = 7;
        map[4].FieldIndex = 256; // out of the catalogue's range: not listed
        map[256].FieldIndex = 255;
        const QStringList expected{QStringLiteral("Translation table follows"), QStringLiteral(" 1 : 1-5"),
                                   QStringLiteral(" 3 : 99-22"), QStringLiteral(" 256 : 8-1"),
                                   QStringLiteral("End translation table")};
        QCOMPARE(TranslationTableLines(map, MakeCatalogue()), expected);
    }

    void translationTable_nothingMapped_framingOnly()
    {
        const QStringList expected{QStringLiteral("Translation table follows"), QStringLiteral("End translation table")};
        QCOMPARE(TranslationTableLines(TColumnMap{}, MakeCatalogue()), expected);
    }

    // The value as it will be sent (before escaping), the file's text beside it where they differ.
    void previewLines_sentValuesEmptyAndMissing()
    {
        TColumnMap map{};
        map[1].FieldIndex = 5;
        map[2].FieldIndex = 7;
        map[3].FieldIndex = 300; // shown although never sent
        map[4].FieldIndex = 7;
        map[5].FieldIndex = 7;
        map[6].FieldIndex = 5; // beyond the row's last cell
        const QStringList row{QStringLiteral("4"), QString::fromUtf8("Jos\u00e9"), QString(), QStringLiteral("x"),
                              QStringLiteral("a&b 5%"), QString::fromUtf8("\u4e2d")};
        const QStringList expected{QString::fromUtf8("F5: Jose [Jos\u00e9]"), QStringLiteral("F7: "),
                                   QStringLiteral(": x"), QStringLiteral("F7: a&b 5%"),
                                   QString::fromUtf8("F7:  [\u4e2d]"), QStringLiteral("F5")};
        QCOMPARE(PreviewLines(row, map, NameOf), expected);
    }

    void previewLines_columnZeroShowsRowNumber()
    {
        TColumnMap map{};
        map[0].FieldIndex = 5;
        QCOMPARE(PreviewLines({QStringLiteral("12"), QStringLiteral("a")}, map, NameOf),
                 QStringList{QStringLiteral("F5: 12")});
    }

    void previewLines_nameListFirstItemCarryingIndex()
    {
        TNameList names;
        names.Append(QStringLiteral("Last name"), 5);
        names.Append(QStringLiteral("Surname again"), 5);
        names.Append(QStringLiteral("Hire date"), 7);
        TColumnMap map{};
        map[1].FieldIndex = 7;
        map[2].FieldIndex = 5;
        map[3].FieldIndex = 9; // no item carries it
        const QStringList expected{QStringLiteral("Hire date: 1/2/2003"), QStringLiteral("Last name: Ann"),
                                   QStringLiteral(": x")};
        QCOMPARE(PreviewLines({QStringLiteral("1"), QStringLiteral("1/2/2003"), QStringLiteral("Ann"), QStringLiteral("x")},
                              map, names),
                 expected);
        QCOMPARE(PreviewSourceLine({QStringLiteral("Ann")}, 0, TColumnMap{}, names).Lines, QStringList());
    }

    void previewSourceLine_data()
    {
        QTest::addColumn<QStringList>("sourceLines");
        QTest::addColumn<int>("testRow");
        QTest::addColumn<QList<int>>("mapped");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("endOfFile");
        QTest::addColumn<bool>("oneField");

        const QStringList twoRows{QStringLiteral("Name\tCity"), QStringLiteral("Ann\tRome")};
        QTest::newRow("one field warns") << twoRows << 1 << QList<int>{1} << QStringList{"F5: Ann"} << false << true;
        QTest::newRow("two fields") << twoRows << 0 << QList<int>{1, 2} << QStringList{"F5: Name", "F7: City"}
                                    << false << false;
        QTest::newRow("nothing mapped, no message") << twoRows << 0 << QList<int>{} << QStringList{} << false << false;
        QTest::newRow("past the end") << twoRows << 2 << QList<int>{1} << EndOfFileLines() << true << false;
        QTest::newRow("heading only source") << QStringList{"Name\tCity"} << 1 << QList<int>{1, 2} << EndOfFileLines()
                                             << true << false;
        QTest::newRow("trailing tab drops last cell")
            << QStringList{"a\t"} << 0 << QList<int>{1, 2} << QStringList{"F5: a", "F7"} << false << false;
    }
    void previewSourceLine()
    {
        QFETCH(QStringList, sourceLines);
        QFETCH(int, testRow);
        QFETCH(QList<int>, mapped);
        QFETCH(QStringList, lines);
        QFETCH(bool, endOfFile);
        QFETCH(bool, oneField);

        TColumnMap map{};
        const int indexes[] = {5, 7};
        for (int column : mapped)
            map[std::size_t(column)].FieldIndex = quint16(indexes[column - 1]);
        const TPreviewStep step = PreviewSourceLine(sourceLines, testRow, map, NameOf);
        QCOMPARE(step.Lines, lines);
        QCOMPARE(step.EndOfFile, endOfFile);
        QCOMPARE(step.OneFieldWarning, oneField);
    }

    void counterBelowTwo_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("below");
        QTest::newRow("zero") << "0" << true;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("two") << "2" << false;
        QTest::newRow("many") << "17" << false;
        QTest::newRow("negative") << "-3" << true;
        QTest::newRow("not a number counts one") << "Label33" << true;
        QTest::newRow("empty counts one") << "" << true;
    }
    void counterBelowTwo()
    {
        QFETCH(QString, caption);
        QFETCH(bool, below);
        QCOMPARE(CounterBelowTwo(caption), below);
    }

    void messages_brokenByLoneCarriageReturns()
    {
        const QString warning = CounterWarningText();
        QCOMPARE(warning.split(QLatin1Char('\r')),
                 QStringList({QStringLiteral("If your data does not appear as you expect,"),
                              QStringLiteral("click the Prev button to reconfigure the settings. "),
                              QStringLiteral("For additional information see the QImport.pdf"),
                              QStringLiteral("file included with your download.")}));
        QVERIFY(!warning.contains(QLatin1Char('\n')));
        QCOMPARE(OneFieldMessageText(),
                 QStringLiteral("Data will NOT import correctly with only one field.\r\r") + warning);
        QCOMPARE(EndOfFileLines().value(2),
                 QStringLiteral("Click \"Prev\" to go back and make changes, or \"Next\" to perform the conversion."));
    }
};

QTEST_GUILESS_MAIN(TestPreview)
#include "TestPreview.moc"
