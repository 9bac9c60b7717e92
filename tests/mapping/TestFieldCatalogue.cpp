#include "mapping/FieldCatalogue.h"
#include "mapping/FieldNames.h"

#include <QtTest>

#include "Sanitizers.h"

#ifdef QIMPORT_ASAN
// Declared here: GCC ships the sanitizer runtime but not this header (only clang does).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace
{
QString Line(const QStringList& columns)
{
    return columns.join(QLatin1Char('\t'));
}

// Bytes the heap holds for the program right now.
qint64 HeapInUse()
{
#ifdef QIMPORT_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#endif
}
} // namespace

class TestFieldCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void tabNameOf_data()
    {
        QTest::addColumn<int>("tabNo");
        QTest::addColumn<int>("fieldNo");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1 any") << 1 << 500 << "Core";
        QTest::newRow("7") << 7 << 1 << "Coordinators";
        QTest::newRow("9") << 9 << 30 << "Profile";
        QTest::newRow("10 low edge") << 10 << 2 << "Assignment";
        QTest::newRow("10 high edge") << 10 << 20 << "Assignment";
        QTest::newRow("10 below") << 10 << 1 << "Profile";
        QTest::newRow("10 above") << 10 << 21 << "Profile";
        QTest::newRow("12") << 12 << 3 << "Site";
        QTest::newRow("95") << 95 << 3 << "Profile";
        QTest::newRow("98") << 98 << 3 << "Profile";
        QTest::newRow("94") << 94 << 3 << "";
        QTest::newRow("15") << 15 << 1 << "";
        QTest::newRow("20") << 20 << 1 << "";
        QTest::newRow("0") << 0 << 1 << "";
        QTest::newRow("100") << 100 << 1 << "";
        QTest::newRow("99 0") << 99 << 0 << "";
        QTest::newRow("99 1") << 99 << 1 << "Core";
        QTest::newRow("99 4") << 99 << 4 << "Profile";
        QTest::newRow("99 7") << 99 << 7 << "Service";
        QTest::newRow("99 12") << 99 << 12 << "History";
        QTest::newRow("99 22") << 99 << 22 << "History";
        QTest::newRow("99 13") << 99 << 13 << "Notes";
        QTest::newRow("99 14") << 99 << 14 << "Coordinator";
        QTest::newRow("99 16") << 99 << 16 << "Mission";
        QTest::newRow("99 17") << 99 << 17 << "Place";
        QTest::newRow("99 19") << 99 << 19 << "Assignment";
        QTest::newRow("99 20") << 99 << 20 << "Description";
        QTest::newRow("99 21") << 99 << 21 << "";
        QTest::newRow("99 23") << 99 << 23 << "";
    }
    void tabNameOf()
    {
        QFETCH(int, tabNo);
        QFETCH(int, fieldNo);
        QFETCH(QString, expected);
        QCOMPARE(TabNameOf(quint16(tabNo), quint16(fieldNo)), expected);
    }

    void boxNameOf_data()
    {
        QTest::addColumn<int>("tabNo");
        QTest::addColumn<int>("fieldNo");
        QTest::addColumn<QString>("expected");
        QTest::newRow("13 4 numbers") << 13 << 4 << "13 4";
        QTest::newRow("14 keeps numbers") << 14 << 22 << "14 22";
        QTest::newRow("0 0 numbers") << 0 << 0 << "0 0";
        QTest::newRow("1 0 address") << 1 << 0 << "Address";
        QTest::newRow("1 5 name") << 1 << 5 << "Name";
        QTest::newRow("1 6 address") << 1 << 6 << "Address";
        QTest::newRow("1 19 flags") << 1 << 19 << "Flags";
        QTest::newRow("1 38 name") << 1 << 38 << "Name";
        QTest::newRow("1 39 portal") << 1 << 39 << "Portal Access";
        QTest::newRow("3 27 numbers") << 3 << 27 << "3 27";
        QTest::newRow("3 33 portal") << 3 << 33 << "Portal Access";
        QTest::newRow("3 36 address") << 3 << 36 << "Address";
        QTest::newRow("4 35 numbers") << 4 << 35 << "4 35";
        QTest::newRow("6 38 name") << 6 << 38 << "Name";
        QTest::newRow("5 42 name") << 5 << 42 << "Name";
        QTest::newRow("5 43 numbers") << 5 << 43 << "5 43";
        QTest::newRow("8 21 availability") << 8 << 21 << "Availability";
        QTest::newRow("8 26 numbers") << 8 << 26 << "8 26";
        QTest::newRow("9 40 preference") << 9 << 40 << "Preference";
        QTest::newRow("10 27 time") << 10 << 27 << "Time needed";
        QTest::newRow("10 1 numbers") << 10 << 1 << "10 1";
        QTest::newRow("12 any detail") << 12 << 99 << "Detail";
        QTest::newRow("97 availability") << 97 << 1 << "Availability";
        QTest::newRow("99 7 mandatory") << 99 << 7 << "Mandatory service";
        QTest::newRow("99 14 email") << 99 << 14 << "Email preference";
        QTest::newRow("99 19 name") << 99 << 19 << "Name";
        QTest::newRow("99 21 empty") << 99 << 21 << "";
        QTest::newRow("99 22 dates") << 99 << 22 << "Dates";
        QTest::newRow("99 23 numbers") << 99 << 23 << "99 23";
        QTest::newRow("99 0 numbers") << 99 << 0 << "99 0";
        QTest::newRow("large numbers unsigned") << 65535 << 65535 << "65535 65535";
    }
    void boxNameOf()
    {
        QFETCH(int, tabNo);
        QFETCH(int, fieldNo);
        QFETCH(QString, expected);
        QCOMPARE(BoxNameOf(quint16(tabNo), quint16(fieldNo)), expected);
    }

    void fieldTypeName_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("isDate");
        QTest::newRow("0") << 0 << "Text" << false;
        QTest::newRow("1") << 1 << "Drop down" << false;
        QTest::newRow("5") << 5 << "True or false" << false;
        QTest::newRow("6") << 6 << "Date" << true;
        QTest::newRow("9") << 9 << "Text" << false;
        QTest::newRow("10") << 10 << "Date of birth" << true;
        QTest::newRow("13") << 13 << "Numbers with 2 decimal places" << false;
        QTest::newRow("19") << 19 << "Time" << false;
        QTest::newRow("20") << 20 << "Date" << true;
        QTest::newRow("21") << 21 << "Text" << false;
        QTest::newRow("24") << 24 << "Hours and minutes" << false;
        QTest::newRow("25") << 25 << "Text" << false;
    }
    void fieldTypeName()
    {
        QFETCH(int, code);
        QFETCH(QString, expected);
        QFETCH(bool, isDate);
        QCOMPARE(FieldTypeName(quint16(code)), expected);
        QCOMPARE(IsDateType(quint16(code)), isDate);
    }

    void parseLine_portalLoginAtLineFive()
    {
        TCatalogue catalogue;
        const QString text = QStringLiteral("status\nsecond\n\n\nfour\n") + Line({"1", "21", "0", "Portal login", "1"});
        LoadFieldCatalogue(text, catalogue);
        const CatalogueEntry& entry = catalogue.Entries[5];
        QCOMPARE(entry.TabNo, quint16(1));
        QCOMPARE(entry.FieldNo, quint16(21));
        QCOMPARE(entry.ItemNo, 0);
        QCOMPARE(entry.FieldType, quint16(1));
        QCOMPARE(FieldTypeName(entry.FieldType), QStringLiteral("Drop down"));
        QCOMPARE(catalogue.TabNames.Items(), QList<TNameList::Item>({{"Core", 5}}));
        QCOMPARE(catalogue.BoxNames.Items(), QList<TNameList::Item>({{"Portal Access", 5}}));
        QCOMPARE(catalogue.FieldNames.Items(), QList<TNameList::Item>({{"Portal login", 5}}));
        QCOMPARE(catalogue.TabList, QStringList({"Core"}));
        for (int i = 0; i < CatalogueSize; ++i) {
            if (i != 5)
                QCOMPARE(catalogue.Entries[size_t(i)], CatalogueEntry{});
        }
    }

    void parseLine_keepsSpacesAndLowSixteenBits()
    {
        TCatalogue catalogue;
        ParseCatalogueLine(Line({"65537", "65554", "-3", "  Nick name ", "65542"}), 7, catalogue);
        QCOMPARE(catalogue.Entries[7].TabNo, quint16(1));
        QCOMPARE(catalogue.Entries[7].FieldNo, quint16(18));
        QCOMPARE(catalogue.Entries[7].ItemNo, -3);
        QCOMPARE(catalogue.Entries[7].FieldType, quint16(6));
        QCOMPARE(catalogue.FieldNames.NameOf(7), std::optional<QString>(QStringLiteral("  Nick name ")));
        QCOMPARE(catalogue.BoxNames.NameOf(7), std::optional<QString>(QStringLiteral("Name")));
    }

    void parseLine_emptyFifthColumnLeavesFieldType()
    {
        TCatalogue catalogue;
        catalogue.Entries[3] = CatalogueEntry{9, 9, 9, 13};
        ParseCatalogueLine(Line({"8", "1", "x", "Birthday", ""}), 3, catalogue);
        QCOMPARE(catalogue.Entries[3], (CatalogueEntry{8, 1, 0, 13}));
    }

    void parseLine_extraColumnsAppendMoreNames()
    {
        TCatalogue catalogue;
        ParseCatalogueLine(Line({"2", "4", "0", "Phone", "Mobile", "2"}), 9, catalogue);
        QCOMPARE(catalogue.FieldNames.Items(), QList<TNameList::Item>({{"Phone", 9}, {"Mobile", 9}}));
        QCOMPARE(catalogue.TabNames.Count(), 2);
        QCOMPARE(catalogue.Entries[9].FieldType, quint16(2));
    }

    void parseLine_indexOutsideCatalogueIgnored()
    {
        TCatalogue catalogue;
        ParseCatalogueLine(Line({"1", "1", "0", "Last name", "0"}), 256, catalogue);
        ParseCatalogueLine(Line({"1", "1", "0", "Last name", "0"}), -1, catalogue);
        QCOMPARE(catalogue, TCatalogue{});
    }

    void load_emptyOrTablessReplyChangesNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("no tabs") << "EL=0\r\nnothing here\rmore\n";
    }
    void load_emptyOrTablessReplyChangesNothing()
    {
        QFETCH(QString, text);
        TCatalogue catalogue;
        catalogue.Entries[2] = CatalogueEntry{1, 2, 0, 0};
        catalogue.TabNames.Append(QStringLiteral("Core"), 2);
        catalogue.FieldNames.Append(QStringLiteral("stale"), 2);
        TCatalogue expected = catalogue;
        expected.FieldNames.Clear();
        LoadFieldCatalogue(text, catalogue);
        QCOMPARE(catalogue.Entries, expected.Entries);
        QCOMPARE(catalogue.FieldNames.Count(), 0);
        QCOMPARE(catalogue.TabNames, expected.TabNames);
    }

    void load_firstLineAndLinesPast255()
    {
        QStringList lines;
        lines << Line({"1", "1", "0", "First name", "0"});
        for (int i = 1; i < 300; ++i)
            lines << Line({"14", QString::number(i), "0", QStringLiteral("F%1").arg(i), "0"});
        TCatalogue catalogue;
        LoadFieldCatalogue(lines.join(QStringLiteral("\r\n")), catalogue);
        QCOMPARE(catalogue.Entries[0].TabNo, quint16(1));
        QCOMPARE(catalogue.FieldNames.NameOf(0), std::optional<QString>(QStringLiteral("First name")));
        QCOMPARE(catalogue.Entries[255].FieldNo, quint16(255));
        QCOMPARE(catalogue.Entries[256], CatalogueEntry{});
        QCOMPARE(catalogue.FieldNames.Count(), 256);
        QVERIFY(!catalogue.FieldNames.NameOf(256));
        QCOMPARE(catalogue.TabList, QStringList({"Core", "History"}));
    }

    void load_tabListOrderRepeatsAndUnknownTabs()
    {
        const QString text = QStringList({
                                 QStringLiteral("header without tabs"),
                                 Line({"8", "1", "0", "Birthday", "10"}),
                                 Line({"1", "1", "0", "Last name", "0"}),
                                 Line({"20", "1", "0", "Mystery", "0"}),
                                 Line({"8", "2", "0", "Gender", "1"}),
                                 Line({"99", "1", "0", "Site", "0"}),
                                 Line({"0", "1", "0", "Unused", "0"}),
                                 Line({"21", "1", "0", "Mystery two", "0"}),
                             })
                                 .join(QLatin1Char('\n'));
        TCatalogue catalogue;
        LoadFieldCatalogue(text, catalogue);
        QCOMPARE(catalogue.TabList, QStringList({"Profile", "Core", ""}));
        QCOMPARE(catalogue.Entries[1].TabNo, quint16(8));
        QCOMPARE(catalogue.FieldNames.NameOf(6), std::optional<QString>(QStringLiteral("Unused")));
        QVERIFY(!catalogue.IsInUse(6));
        QCOMPARE(catalogue.TabNames.NameOf(3), std::optional<QString>(QString()));

        // A second load appends to the Tab list only what is new to it.
        LoadFieldCatalogue(Line({"13", "1", "0", "Hours", "24"}) + QStringLiteral("\n") +
                               Line({"1", "2", "0", "First name", "0"}),
                           catalogue);
        QCOMPARE(catalogue.TabList, QStringList({"Profile", "Core", "", "Service"}));
        QCOMPARE(catalogue.FieldNames.Items(), QList<TNameList::Item>({{"Hours", 0}, {"First name", 1}}));
    }

    void load_shortLineWithTabNumberIsNotInUse_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("one tab") << QStringLiteral("13\t4");
        QTest::newRow("two tabs") << QStringLiteral("13\t4\t");
        QTest::newRow("three tabs") << QStringLiteral("13\t4\t0\tHours");
    }
    void load_shortLineWithTabNumberIsNotInUse()
    {
        QFETCH(QString, line);
        TCatalogue catalogue;
        LoadFieldCatalogue(Line({"1", "1", "0", "Last name", "0"}) + QLatin1Char('\n') + line, catalogue);
        QCOMPARE(catalogue.Entries[1].TabNo, quint16(13));
        QVERIFY(catalogue.IsInUse(0));
        QVERIFY(!catalogue.IsInUse(1));
        QCOMPARE(catalogue.TabList, QStringList({"Core"}));

        // The same index parsed again with a name column is in use again.
        LoadFieldCatalogue(QStringLiteral("x\n") + Line({"13", "4", "0", "Hours", "24"}), catalogue);
        QVERIFY(catalogue.IsInUse(1));
        QCOMPARE(catalogue.TabList, QStringList({"Core", "Service"}));
    }

    void load_tabsByTheMillionCostAboutTheReplysOwnSize()
    {
        // One line of a field with two million name columns, all empty.
        const qsizetype names = 2 * 1024 * 1024;
        const QString reply = Line({"1", "1", "0", QString(names - 1, QLatin1Char('\t')) + QStringLiteral("\t7")});
        const qint64 before = HeapInUse();
        TCatalogue catalogue;
        LoadFieldCatalogue(reply, catalogue);
        const qint64 kept = HeapInUse() - before;
        QCOMPARE(catalogue.Entries[0], (CatalogueEntry{1, 1, 0, 7}));
        QCOMPARE(catalogue.FieldNames.Count(), int(names));
        QCOMPARE(catalogue.TabNames.Count(), int(names));
        QCOMPARE(catalogue.BoxNames.Text(int(names) - 1), QStringLiteral("Name"));
        QCOMPARE(catalogue.FieldNames.NameOf(0), std::optional<QString>(QString()));
        QCOMPARE(catalogue.TabList, QStringList{QStringLiteral("Core")});
        const qint64 replyBytes = reply.size() * qint64(sizeof(QChar));
        QVERIFY2(kept < 2 * replyBytes,
                 qPrintable(QStringLiteral("%1 bytes kept for a reply of %2").arg(kept).arg(replyBytes)));

        // Names of one line are items like any others.
        TCatalogue small;
        LoadFieldCatalogue(Line({"x"}) + QLatin1Char('\n') + Line({"2", "4", "0", "Phone", "", "Mobile", "2"}), small);
        TNameList expected;
        for (const char* name : {"Phone", "", "Mobile"})
            expected.Append(QString::fromLatin1(name), 1);
        QCOMPARE(small.FieldNames, expected);
        QCOMPARE(small.FieldNames.Text(2), QStringLiteral("Mobile"));
        QCOMPARE(small.FieldNames.PositionOfText(QStringLiteral("mobile")), 2);
        QCOMPARE(small.FieldNames.Texts(), (QStringList{"Phone", "", "Mobile"}));
    }

    void clearEntries_keepsNames()
    {
        TCatalogue catalogue;
        LoadFieldCatalogue(Line({"1", "1", "0", "Last name", "0"}) + QStringLiteral("\n7\t1"), catalogue);
        catalogue.ClearEntries();
        QCOMPARE(catalogue.Entries, TFieldCatalogue{});
        QVERIFY(!catalogue.Unnamed[1]);
        QCOMPARE(catalogue.FieldNames.Count(), 1);
        catalogue.Clear();
        QCOMPARE(catalogue, TCatalogue{});
    }
};

QTEST_GUILESS_MAIN(TestFieldCatalogue)
#include "TestFieldCatalogue.moc"
