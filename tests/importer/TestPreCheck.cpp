#include "importer/PreCheck.h"
#include "importer/ValueShapes.h"

#include <QtTest>

namespace
{
// Line i of the reply is catalogue index i.
const QString CatalogueReply = QStringLiteral("OK\r\n"
                                              "1\t1\t0\tFirst name\t0\r\n"   // 1 Core / Name
                                              "1\t19\t0\tFlags\t0\r\n"       // 2 Core / Flags
                                              "8\t1\t0\tDate joined\t6\r\n"  // 3 Profile / Personal, a date
                                              "8\t5\t0\tAge\t8\r\n"          // 4 Profile / Personal, an age
                                              "9\t1\t0\tLanguages\t16\r\n"   // 5 Profile / Characteristic: never sent
                                              "99\t13\t0\tNotes\t0\r\n"      // 6 Notes / Notes
                                              "8\t4\t0\tHas car\t3\r\n");    // 7 true or false

TCatalogue Catalogue()
{
    TCatalogue catalogue;
    LoadFieldCatalogue(CatalogueReply, catalogue);
    return catalogue;
}

// A: First name, B: Date joined (DMY), C: Age, D: Languages, E: Notes, F: Has car, G..AQ: 37 Flags.
constexpr int FlagColumns = 37;
TColumnMap Map()
{
    TColumnMap map{};
    const int fields[] = {1, 3, 4, 5, 6, 7};
    for (int c = 1; c <= 6; ++c)
        map[size_t(c)] = ColumnMapping{0, quint16(fields[c - 1]), 0};
    map[2].DateFormat = 1;
    for (int c = 7; c < 7 + FlagColumns; ++c)
        map[size_t(c)] = ColumnMapping{0, 2, 0};
    return map;
}

QString Row(const QStringList& first, int flags = 0)
{
    QStringList cells = first;
    for (int f = 0; f < FlagColumns; ++f)
        cells.append(f < flags ? QStringLiteral("flag%1").arg(f) : QString());
    return cells.join(QLatin1Char('\t'));
}

// One finding of every kind, in rows 2 to 9 (row 1 holds the headings).
QStringList SourceLines()
{
    return {
        Row({"First", "Joined", "Age", "Lang", "Notes", "Car"}),
        Row({QString::fromUtf8("Jos\u00e9"), "14/03/2019", "30", "fr", "", "Yes"}, 2),
        Row({"Ann", "1.3.2019", "41", "de", QString::fromUtf8("Ann \u263a"), "n"}),
        Row({"Cy", "31/02/2019", "52", "", "", ""}),
        Row({"Di", "", "twelve", "", "", ""}),
        Row({"Ed", "", "", "", "", ""}, 37),
        QString(),
        Row({"Bob", "29/02/2020", "40", "", "fine", "No"}),
        Row({"Bob", "29/02/2020", "40", "", "fine", "No"}),
    };
}
} // namespace

class TestPreCheck : public QObject
{
    Q_OBJECT

private slots:
    void smallFile_oneFindingOfEachKind()
    {
        const TPreCheckReport report = PreCheckRows(SourceLines(), true, Map(), Catalogue());
        QCOMPARE(report.RowsChecked, 8);
        QCOMPARE(report.Lines(),
                 QStringList({
                     "Column D \"Lang\" (Profile / Characteristic / Languages): this field is never sent; the column "
                     "is left out of every record",
                     QString::fromUtf8("Row 2, column A \"First\" (First name): \"Jos\u00e9\" is sent as \"Jose\""),
                     QString::fromUtf8("Row 3, column E \"Notes\" (Notes): \"Ann \u263a\" is sent as \"Ann \": "
                                       "\"\u263a\" cannot be sent"),
                     "Row 4, column B \"Joined\" (Date joined): \"31/02/2019\" is not a date in DMY",
                     "Row 5, column C \"Age\" (Age): \"twelve\" is not an age in whole years",
                     "Row 6: 37 Flags; only the first 36 are sent",
                     "Row 7: no cells; the row is not sent",
                     "Row 9: the same as row 8",
                 }));
        QCOMPARE(report.SummaryLine(),
                 QStringLiteral("8 rows checked: 1 date not in DMY, 1 cell with letters changed, 1 cell with "
                                "characters that cannot be sent, 1 cell that does not look like its field's type, 1 "
                                "row with more than 36 Flags, 1 row with no cells (not sent), 1 row that repeats an "
                                "earlier row, column D is mapped to a field that is not sent"));
        QCOMPARE(report.UnsentColumns(), QList<int>{4});
        QCOMPARE(report.Findings.at(1).Row, 2);
        QCOMPARE(report.Findings.at(1).Sent, QStringLiteral("Jose"));

        // Without headings the first row is data too: it holds no finding of its own, and
        // nothing is named by a heading.
        const TPreCheckReport noHeadings = PreCheckRows(SourceLines(), false, Map(), Catalogue());
        QCOMPARE(noHeadings.RowsChecked, 9);
        QCOMPARE(noHeadings.Count(TFindingKind::NotADate), 2); // "Joined" is not a date either
        QVERIFY(noHeadings.Findings.first().Heading.isEmpty());
    }

    void cleanFile_summarySaysSo()
    {
        TColumnMap map{};
        map[1] = ColumnMapping{0, 1, 0};
        map[2] = ColumnMapping{0, 3, 2}; // YMD
        const TPreCheckReport report =
            PreCheckRows({QStringLiteral("Ann\t2019-03-14"), QStringLiteral("Bo\t")}, false, map, Catalogue());
        QVERIFY(report.IsClean());
        QVERIFY(report.Lines().isEmpty());
        QCOMPARE(report.SummaryLine(), QStringLiteral("2 rows checked: no problems found"));
    }

    // Slices give the report of one pass; findings past the cap are counted, not kept.
    void slicesAndCap()
    {
        TColumnMap map{};
        map[1] = ColumnMapping{0, 1, 0};
        map[2] = ColumnMapping{0, 5, 0};
        map[3] = ColumnMapping{0, 6, 0};
        map[256] = ColumnMapping{0, 1, 0}; // the encoding stops short of this column
        const qint32 rows = TPreCheckReport::MaxListedPerKind + 5;
        QStringList lines;
        for (qint32 r = 0; r < rows; ++r)
            lines.append(QString::fromUtf8("Ren\u00e9e\tx\tnote %1").arg(r));

        const TPreCheckReport whole = PreCheckRows(lines, false, map, Catalogue());
        TPreCheck sliced(lines, false, map, Catalogue());
        int steps = 0;
        while (!sliced.Step(7) && steps < rows)
            ++steps;
        QVERIFY(sliced.IsDone());
        QCOMPARE(sliced.Position(), rows);
        QCOMPARE(sliced.Report().Findings, whole.Findings);
        QCOMPARE(sliced.Report().SummaryLine(), whole.SummaryLine());

        QCOMPARE(whole.Count(TFindingKind::LettersChanged), rows);
        QCOMPARE(whole.Findings.size(), TPreCheckReport::MaxListedPerKind + 2);
        QCOMPARE(whole.UnsentColumns(), QList<int>({2, 256}));
        QCOMPARE(whole.Lines().last(), QStringLiteral("... and 5 more cells with letters changed, not listed"));
        QVERIFY(whole.SummaryLine().endsWith(QStringLiteral("columns B and IV are mapped to fields that are not sent")));
        QVERIFY(DescribeFinding(whole.Findings.at(1)).endsWith(QStringLiteral("columns after IU are never sent")));
    }

    void dateInFormat_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("date");
        QTest::newRow("MDY") << "3/14/2019" << 0 << true;
        QTest::newRow("MDY two-digit year, blanks around") << " 3/14/19 " << 0 << true;
        QTest::newRow("MDY given DMY") << "14/3/2019" << 0 << false;
        QTest::newRow("MDY with a time") << "3/14/2019 10:00" << 0 << false;
        QTest::newRow("doubled separator") << "3//14/2019" << 0 << false;
        QTest::newRow("words") << "March 3, 2019" << 0 << false;
        QTest::newRow("DMY dots") << "14.03.2019" << 1 << true;
        QTest::newRow("DMY 29 Feb, not leap") << "29/02/2019" << 1 << false;
        QTest::newRow("DMY 29 Feb, leap") << "29-02-2020" << 1 << true;
        QTest::newRow("DMY 29 Feb 1900") << "29/02/1900" << 1 << false;
        QTest::newRow("DMY 31 April") << "31/04/2019" << 1 << false;
        QTest::newRow("DMY three-digit year") << "1/1/201" << 1 << false;
        QTest::newRow("YMD spaces") << "2019 3 14" << 2 << true;
        QTest::newRow("YMD day 0") << "2019-03-00" << 2 << false;
        QTest::newRow("MY") << "03/2019" << 3 << true;
        QTest::newRow("MY month 13") << "13/2019" << 3 << false;
        QTest::newRow("MY with a day") << "3/14/2019" << 3 << false;
        QTest::newRow("MD no year") << "3/14" << 4 << true;
        QTest::newRow("MD with year") << "3/14/2019" << 4 << true;
        QTest::newRow("MD given DM") << "14/3" << 4 << false;
        QTest::newRow("DM 29 Feb without year") << "29/2" << 5 << true;
        QTest::newRow("format past the list reads as MDY") << "3/14/2019" << 9 << true;
    }
    void dateInFormat()
    {
        QFETCH(QString, value);
        QFETCH(int, format);
        QFETCH(bool, date);
        QCOMPARE(IsDateInFormat(value, format), date);
    }

    void shapes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("shaped");
        QTest::newRow("age") << 8 << "30" << true;
        QTest::newRow("age with decimals") << 8 << "3.5" << false;
        QTest::newRow("age four digits") << 8 << "1000" << false;
        QTest::newRow("positive decimal") << 11 << "12.5" << true;
        QTest::newRow("positive negative") << 11 << "-1" << false;
        QTest::newRow("one decimal") << 12 << "-2.5" << true;
        QTest::newRow("one decimal, two given") << 12 << "2.55" << false;
        QTest::newRow("two decimals") << 13 << "2.55" << true;
        QTest::newRow("two decimals, three given") << 13 << "2.555" << false;
        QTest::newRow("currency") << 14 << "$1,250.00" << true;
        QTest::newRow("currency plain") << 14 << "1250" << true;
        QTest::newRow("currency decimal comma") << 14 << "12,50" << false;
        QTest::newRow("true or false word") << 3 << "yes" << true;
        QTest::newRow("true or false letter") << 5 << " N " << true;
        QTest::newRow("true or false other") << 3 << "1" << false;
        QTest::newRow("time 24h") << 18 << "14:05:00" << true;
        QTest::newRow("time pm") << 19 << "2:15 PM" << true;
        QTest::newRow("time am no minutes") << 18 << "9 a.m." << true;
        QTest::newRow("time 13 pm") << 18 << "13:00 PM" << false;
        QTest::newRow("time 24:00") << 18 << "24:00" << false;
        QTest::newRow("time bare hour") << 18 << "9" << false;
        QTest::newRow("hours and minutes") << 24 << "2:30" << true;
        QTest::newRow("hours decimal") << 24 << "1.5" << true;
        QTest::newRow("hours 75 minutes") << 24 << "2:75" << false;
        QTest::newRow("text takes anything") << 0 << "anything" << true;
    }
    void shapes()
    {
        QFETCH(int, type);
        QFETCH(QString, value);
        QFETCH(bool, shaped);
        QCOMPARE(HasShape(value, ShapeOfFieldType(quint16(type))), shaped);
    }
};

QTEST_GUILESS_MAIN(TestPreCheck)
#include "TestPreCheck.moc"
