#include "mapping/ColumnMap.h"
#include "mapping/FieldCatalogue.h"
#include "mapping/MappingFile.h"

#include <QtTest>

namespace
{
QString Line(int tabNo, int fieldNo, const QString& name, int type = 0)
{
    return QStringLiteral("%1\t%2\t0\t%3\t%4").arg(tabNo).arg(fieldNo).arg(name).arg(type);
}

TCatalogue SampleCatalogue(const QString& header = QStringLiteral("EL=0"))
{
    const QStringList lines{
        header,                                      // 0
        Line(1, 1, QStringLiteral("Last name")),     // 1  Core / Name
        Line(1, 2, QStringLiteral("First name")),    // 2  Core / Name
        Line(8, 1, QStringLiteral("Birthday"), 10),  // 3  Profile / Personal (date)
        Line(1, 21, QStringLiteral("Login name")),   // 4  Core / Portal Access (hidden)
        Line(99, 7, QStringLiteral("Hours owed")),   // 5  Service / Mandatory service
        Line(2, 1, QStringLiteral("Phone")),         // 6  Contacts / Emergency Contact
        Line(1, 6, QStringLiteral("Phone")),         // 7  Core / Address
        Line(99, 8, QStringLiteral("Started"), 6),   // 8  History / Dates (date)
        Line(1, 3, QStringLiteral("  Nick name ")),  // 9  Core / Name, blanks kept
    };
    TCatalogue catalogue;
    LoadFieldCatalogue(lines.join(QLatin1Char('\n')), catalogue);
    return catalogue;
}
} // namespace

class TestMappingFile : public QObject
{
    Q_OBJECT

private slots:
    void columnOfLetters_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("column");
        QTest::newRow("A") << "A" << 1;
        QTest::newRow("Z") << "Z" << 26;
        QTest::newRow("aa lower") << "aa" << 27;
        QTest::newRow("IV last") << " IV " << 256;
        QTest::newRow("IW past map") << "IW" << 0;
        QTest::newRow("long") << "AAAA" << 0;
        QTest::newRow("digit") << "A1" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("accented") << QString(QChar(0xC9)) << 0;
    }
    void columnOfLetters()
    {
        QFETCH(QString, letters);
        QFETCH(int, column);
        QCOMPARE(ColumnOfLetters(letters), column);
    }

    void roundTrip_restoresMapAcrossReorderedCatalogue()
    {
        const TCatalogue catalogue = SampleCatalogue();
        TColumnMap map;
        ResetColumnMap(map);
        map[1] = ColumnMapping{0, 2, 0};
        map[2] = ColumnMapping{0, 3, 1};  // date field, DMY
        map[4] = ColumnMapping{0, 8, 9};  // stored past the list: written as the first
        map[5] = ColumnMapping{0, 9, 0};
        map[28] = ColumnMapping{0, 1, 0}; // AB
        map[30] = ColumnMapping{0, 1, 0}; // beyond the grid: not written
        const QString text = WriteMappingFile(map, catalogue, 29);
        QVERIFY(text.startsWith(QLatin1Char('#')));
        QVERIFY(text.contains(QStringLiteral("B\tProfile\tPersonal\tBirthday\tDMY\n")));
        QVERIFY(text.contains(QStringLiteral("D\tHistory\tDates\tStarted\tMDY\n")));
        QVERIFY(text.contains(QStringLiteral("A\tCore\tName\tFirst name\n")));

        // The service now lists the fields one line further down.
        const TCatalogue moved = SampleCatalogue(QStringLiteral("EL=0\nsecond status line"));
        const TMappingLoad load = ResolveMappingFile(text, moved, 29);
        QVERIFY2(load.Problems.isEmpty(), qPrintable(load.Problems.value(0).Reason));
        TColumnMap restored;
        ResetColumnMap(restored);
        ApplyMappingEntries(load.Entries, restored);
        TColumnMap expected;
        ResetColumnMap(expected);
        expected[1] = ColumnMapping{0, 3, 0};
        expected[2] = ColumnMapping{0, 4, 1};
        expected[4] = ColumnMapping{0, 9, 0};
        expected[5] = ColumnMapping{0, 10, 0};
        expected[28] = ColumnMapping{0, 2, 0};
        QCOMPARE(restored, expected);
    }

    void resolve_reportsProblemsAndAppliesTheRest()
    {
        const QString text = QStringList({
                                 QStringLiteral("# my mapping"),                          // 1
                                 QString(),                                               // 2
                                 QStringLiteral("a\tcore\tNAME\tlast NAME"),              // 3 ok
                                 QStringLiteral("B\tCore\tName\tShoe size"),              // 4 no field
                                 QStringLiteral("C\tCore\tPortal Access\tLogin name"),    // 5 hidden
                                 QStringLiteral("D\tService\tMandatory service\tHours owed"), // 6 hidden
                                 QStringLiteral("K\tCore\tName\tFirst name"),             // 7 outside
                                 QStringLiteral("E\tProfile\tPersonal\tBirthday\tDYM"),   // 8 bad format
                                 QStringLiteral("F\tCore\tName\tFirst name\tDMY"),        // 9 not a date
                                 QStringLiteral("A\tCore\tName\tFirst name"),             // 10 twice
                                 QStringLiteral("G Core Name First name"),                // 11 no tabs
                                 QStringLiteral("7\tCore\tName\tFirst name"),             // 12 not letters
                                 QStringLiteral(" G \t Profile \tPersonal\tbirthday\t ymd "), // 13 ok
                                 QStringLiteral("H\tCore\tName\tNick name\t\t"),          // 14 ok
                                 QStringLiteral("I\tCore\tName\tFirst name\tDMY\tx"),     // 15 too many
                             })
                                 .join(QStringLiteral("\r\n"));
        const TMappingLoad load = ResolveMappingFile(text, SampleCatalogue(), 10);
        QCOMPARE(load.Entries, QList<TMappingEntry>({{1, 1, 0, {}}, {7, 3, 2, {}}, {8, 9, 0, {}}}));
        QList<int> lines;
        for (const TMappingProblem& problem : load.Problems) {
            lines.append(problem.LineNumber);
            QVERIFY(!problem.Reason.isEmpty());
        }
        QCOMPARE(lines, QList<int>({4, 5, 6, 7, 8, 9, 10, 11, 12, 15}));
        QCOMPARE(load.Problems.at(0).Line, QStringLiteral("B\tCore\tName\tShoe size"));
        QVERIFY(load.Problems.at(1).Reason != load.Problems.at(0).Reason);
        QCOMPARE(load.Problems.at(1).Reason, load.Problems.at(2).Reason);
        QVERIFY(DescribeProblem(load.Problems.at(0)).startsWith(QStringLiteral("Line 4: ")));
    }

    void apply_keepsOtherColumns()
    {
        TColumnMap map;
        ResetColumnMap(map);
        map[2] = ColumnMapping{0, 7, 3};
        ApplyMappingEntries({{1, 6, 0, {}}, {3, 3, 4, {}}}, map);
        QCOMPARE(map[1], (ColumnMapping{0, 6, 0}));
        QCOMPARE(map[2], (ColumnMapping{0, 7, 3}));
        QCOMPARE(map[3], (ColumnMapping{0, 3, 4}));
    }

    void matchByHeadings_mapsUniqueAndReportsAmbiguous()
    {
        const QStringList headings{
            QStringLiteral(" last NAME "), // A -> 1
            QStringLiteral("Phone"),       // B ambiguous: Contacts and Core
            QStringLiteral("Login name"),  // C hidden: not offered
            QStringLiteral("Hours owed"),  // D mandatory service: not offered
            QString(),                     // E
            QStringLiteral("Notes"),       // F no field
            QStringLiteral("nick name"),   // G -> 9, blanks of both ignored
            QStringLiteral("Last name"),   // H -> 1 again
        };
        const THeadingMatch match = MatchByHeadings(headings, SampleCatalogue());
        QCOMPARE(match.Entries,
                 QList<TMappingEntry>({{1, 1, 0, "last NAME"}, {7, 9, 0, "nick name"}, {8, 1, 0, "Last name"}}));
        QCOMPARE(match.Ambiguous.size(), 1);
        QCOMPARE(match.Ambiguous.at(0).Column, 2);
        QCOMPARE(match.Ambiguous.at(0).Heading, QStringLiteral("Phone"));
        QCOMPARE(match.Ambiguous.at(0).Fields,
                 QStringList({"Contacts / Emergency Contact / Phone", "Core / Address / Phone"}));
    }

    // Two fields of one name in one Box, and the file's headings, survive a save and a load
    // against a field list that lists the two the other way round.
    void roundTrip_sameNamedFieldsAndHeadings()
    {
        const auto catalogueOf = [](const QStringList& fieldLines) {
            TCatalogue catalogue;
            LoadFieldCatalogue((QStringList{QStringLiteral("EL=0")} + fieldLines).join(QLatin1Char('\n')), catalogue);
            return catalogue;
        };
        const QString first = QStringLiteral("99\t2\t17\tNewsletter\t3");
        const QString second = QStringLiteral("99\t2\t18\tNewsletter\t3");
        const QString born = Line(8, 1, QStringLiteral("Birthday"), 10);
        const TCatalogue saved = catalogueOf({Line(1, 1, QStringLiteral("Last name")), first, second, born});
        TColumnMap map;
        ResetColumnMap(map);
        map[1] = ColumnMapping{0, 1, 0};
        map[3] = ColumnMapping{0, 3, 0}; // the second Newsletter
        map[4] = ColumnMapping{0, 2, 0};
        map[5] = ColumnMapping{0, 4, 2};
        const QStringList headings{"Surname", "Unmapped", " News B ", "News A", "Born"};
        const QString text = WriteMappingFile(map, saved, 5, headings);
        QVERIFY2(text.contains(QStringLiteral("C\tProfile\tEmail preference\tNewsletter\theading=News B\t"
                                              "numbers=99-2-18\n")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("E\tProfile\tPersonal\tBirthday\tYMD\theading=Born\n")));
        QVERIFY(text.contains(QStringLiteral("A\tCore\tName\tLast name\theading=Surname\n")));
        QVERIFY(MappingRecordsHeadings(text));
        QVERIFY(!MappingRecordsHeadings(WriteMappingFile(map, saved, 5)));

        const TCatalogue reordered = catalogueOf({born, second, first, Line(1, 1, QStringLiteral("Last name"))});
        const TMappingLoad load = ResolveMappingFile(text, reordered, 5, headings);
        QVERIFY(load.Problems.isEmpty() && load.Changes.isEmpty() && load.Notes.isEmpty());
        TColumnMap restored;
        ResetColumnMap(restored);
        ApplyMappingEntries(load.Entries, restored);
        QCOMPARE(restored[1].FieldIndex, quint16(4));
        QCOMPARE(restored[3].FieldIndex, quint16(2)); // still the one with item 18
        QCOMPARE(restored[4].FieldIndex, quint16(3));
        QCOMPARE(restored[5], (ColumnMapping{0, 1, 2}));

        // The saved numbers are gone from the field list: that line is not applied to another field.
        const TMappingLoad lost = ResolveMappingFile(text, catalogueOf({first, born}), 5, headings);
        QCOMPARE(lost.Problems.size(), 2); // column A's field and column C's numbers
        QCOMPARE(lost.Problems.at(1).LineNumber, 3);
    }

    // Next month's export has a new column B and lost its "Born" column.
    void headings_movedAndGone_reportedThenFollowed()
    {
        const QString text = QStringLiteral("A\tCore\tName\tLast name\theading=Surname\n"
                                            "B\tCore\tName\tFirst name\theading=Given\n"
                                            "C\tProfile\tPersonal\tBirthday\tDMY\theading=Born\n"
                                            "D\tHistory\tDates\tStarted\n"); // no heading saved, no format
        const QStringList headings{"surname", "Inserted", "Given", "DOB", "Start"};
        const TMappingLoad kept = ResolveMappingFile(text, SampleCatalogue(), 5, headings);
        QVERIFY(kept.Problems.isEmpty());
        QCOMPARE(kept.Changes, (QList<THeadingChange>{{2, "Given", {3}}, {3, "Born", {}}}));
        QCOMPARE(DescribeHeadingChange(kept.Changes.at(0)), QStringLiteral("Given was column B, is now C"));
        QCOMPARE(DescribeHeadingChange(kept.Changes.at(1)), QStringLiteral("Born was column C, is no longer in the file"));
        QCOMPARE(DescribeHeadingChange({1, "X", {2, 4}}), QStringLiteral("X was column A, now heads several columns: B, D"));
        QCOMPARE(kept.Entries.size(), 4);
        QCOMPARE(kept.Entries.at(1).Column, 2);
        QCOMPARE(kept.Notes, QStringList{QStringLiteral("Column D (Started): no date format given; MDY is used")});

        const TMappingLoad followed = ResolveMappingFile(text, SampleCatalogue(), 5, headings, true);
        QCOMPARE(followed.Changes, kept.Changes);
        QList<int> columns;
        for (const TMappingEntry& entry : followed.Entries)
            columns.append(entry.Column);
        QCOMPARE(columns, QList<int>({1, 3, 4})); // Given moved to C; Born left unmapped

        // A column that went beyond the grid follows its heading too.
        const TMappingLoad shrunk = ResolveMappingFile(QStringLiteral("F\tCore\tName\tLast name\theading=Surname"),
                                                       SampleCatalogue(), 2, {"Given", "Surname"}, true);
        QVERIFY(shrunk.Problems.isEmpty());
        QCOMPARE(shrunk.Entries.value(0).Column, 2);
        // Without headings nothing is compared.
        QVERIFY(ResolveMappingFile(text, SampleCatalogue(), 5).Changes.isEmpty());
    }

    void applyFieldChoices_keepsChosenDateFormat()
    {
        TColumnMap map;
        ResetColumnMap(map);
        map[3] = ColumnMapping{1, 0, 2};
        ApplyFieldChoices({{3, 8, 0, {}}, {4, 1, 0, {}}}, map);
        QCOMPARE(map[3], (ColumnMapping{0, 8, 2}));
        QCOMPARE(map[4], (ColumnMapping{0, 1, 0}));
    }

    void matchByHeadings_firstLineEntryNeverMapped()
    {
        TCatalogue catalogue;
        LoadFieldCatalogue(Line(1, 1, QStringLiteral("Last name")), catalogue);
        QVERIFY(MatchByHeadings({QStringLiteral("Last name")}, catalogue).Entries.isEmpty());
        QCOMPARE(ResolveMappingFile(QStringLiteral("A\tCore\tName\tLast name"), catalogue, 1).Problems.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestMappingFile)
#include "TestMappingFile.moc"
