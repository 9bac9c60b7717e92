#include "mapping/ColumnMap.h"
#include "mapping/FieldCatalogue.h"
#include "mapping/MappingPage.h"

#include <QtTest>

namespace
{
QString Line(int tabNo, int fieldNo, const QString& name, int type = 0)
{
    return QStringLiteral("%1\t%2\t0\t%3\t%4").arg(tabNo).arg(fieldNo).arg(name).arg(type);
}

// Reply line numbers are the catalogue indexes; line 0 is a status line.
TCatalogue SampleCatalogue()
{
    const QStringList lines{
        QStringLiteral("EL=0"),                          // 0
        Line(1, 1, QStringLiteral("Last name")),         // 1  Core / Name
        Line(1, 2, QStringLiteral("First name")),        // 2  Core / Name
        Line(1, 21, QStringLiteral("LOGIN NAME")),       // 3  Core / Portal Access (hidden)
        Line(1, 37, QStringLiteral("Access Disabled")),  // 4  Core / Portal Access (hidden)
        Line(1, 39, QStringLiteral("Portal email")),     // 5  Core / Portal Access
        Line(2, 1, QStringLiteral("Contact name")),      // 6  Contacts / Emergency Contact
        Line(2, 2, QStringLiteral("Emergency Contact Kind")),        // 7 hidden
        Line(2, 3, QStringLiteral("emergency contact SPARE field")), // 8 hidden
        Line(2, 4, QStringLiteral("Login name")),        // 9  offered: not a portal Box
        Line(99, 7, QStringLiteral("Hours owed")),       // 10 Service / Mandatory service
        Line(99, 6, QStringLiteral("Hours served")),     // 11 Service / Service
        Line(8, 1, QStringLiteral("Birthday"), 10),      // 12 Profile / Personal
        Line(8, 2, QStringLiteral("Shirt size"), 1),     // 13 Profile / Personal
        Line(8, 3, QStringLiteral("Shirt size"), 6),     // 14 Profile / Personal, same name
        QStringLiteral("9\t1"),                          // 15 short line: not in use
        Line(20, 1, QStringLiteral("Mystery")),          // 16 empty Tab name
        Line(1, 3, QStringLiteral("Middle name")),       // 17 Core / Name
        Line(99, 7, QStringLiteral("Hours owed later")), // 18 Service / Mandatory service
        Line(99, 8, QStringLiteral("Started"), 6),       // 19 History / Dates
    };
    TCatalogue catalogue;
    LoadFieldCatalogue(lines.join(QLatin1Char('\n')), catalogue);
    return catalogue;
}
} // namespace

class TestMappingPage : public QObject
{
    Q_OBJECT

private slots:
    void resetColumnMap_allSkipped()
    {
        TColumnMap map;
        for (ColumnMapping& column : map)
            column = ColumnMapping{0, 77, 4};
        ResetColumnMap(map);
        for (const ColumnMapping& column : map)
            QCOMPARE(column, (ColumnMapping{1, 0, 0}));
    }

    void dateFormats_namesAndLookup()
    {
        QCOMPARE(DateFormatNames(), QStringList({"MDY", "DMY", "YMD", "MY (no day)", "MD (Y optional)",
                                                 "DM (Y optional)"}));
        QCOMPARE(DateFormatIndexOf(QStringLiteral(" dm (y OPTIONAL) ")), 5);
        QCOMPARE(DateFormatIndexOf(QStringLiteral("DM")), -1);
        QCOMPARE(ShownDateFormat(5), 5);
        QCOMPARE(ShownDateFormat(6), 0);
    }

    void tabList_skipsShortLineAndKeepsEmptyTab()
    {
        const TCatalogue catalogue = SampleCatalogue();
        QCOMPARE(catalogue.TabList, QStringList({"Core", "Contacts", "Service", "Profile", "", "History"}));
    }

    void boxesOffered_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("thumbnail");
        QTest::newRow("core") << "Core" << QStringList({"Name", "Portal Access"}) << true;
        QTest::newRow("mandatory service never offered") << "Service" << QStringList({"Service"}) << true;
        QTest::newRow("empty tab name") << "" << QStringList({"20 1"}) << true;
        QTest::newRow("tab compared exactly") << "core" << QStringList() << false;
        QTest::newRow("unknown tab") << "Mission" << QStringList() << false;
    }
    void boxesOffered()
    {
        QFETCH(QString, tab);
        QFETCH(QStringList, boxes);
        QFETCH(bool, thumbnail);
        const TBoxOffer offer = BoxesOffered(SampleCatalogue(), tab);
        QCOMPARE(offer.Boxes, boxes);
        QCOMPARE(offer.ThumbnailChanged, thumbnail);
    }

    void boxesOffered_onlyMandatoryServiceStillChangesThumbnail()
    {
        TCatalogue catalogue;
        LoadFieldCatalogue(Line(99, 7, QStringLiteral("Hours owed")), catalogue);
        const TBoxOffer offer = BoxesOffered(catalogue, QStringLiteral("Service"));
        QVERIFY(offer.Boxes.isEmpty());
        QVERIFY(offer.ThumbnailChanged);
    }

    void boxesOffered_reloadedShortLineNotOfferedFromOldNames()
    {
        TCatalogue catalogue;
        LoadFieldCatalogue(QStringLiteral("x\n") + Line(1, 1, QStringLiteral("Last name")), catalogue);
        QCOMPARE(BoxesOffered(catalogue, QStringLiteral("Core")).Boxes, QStringList({"Name"}));
        // The Tab and Box lists keep their items between loads; the entry's new
        // line has no names of its own.
        LoadFieldCatalogue(QStringLiteral("x\n1\t1\t0"), catalogue);
        QCOMPARE(catalogue.TabNames.Count(), 1);
        const TBoxOffer offer = BoxesOffered(catalogue, QStringLiteral("Core"));
        QVERIFY(offer.Boxes.isEmpty());
        QVERIFY(!offer.ThumbnailChanged);
        QVERIFY(!IsOfferedField(catalogue, 1));
    }

    void thumbnailKey_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("key");
        QTest::newRow("core") << "Core" << "core";
        QTest::newRow("upper") << "CONTACTS" << "contacts";
        QTest::newRow("history") << "History" << "history";
        QTest::newRow("notes") << "Notes" << "notes";
        QTest::newRow("profile") << "Profile" << "profile";
        QTest::newRow("service") << "Service" << "service";
        QTest::newRow("other") << "Mission" << "general";
        QTest::newRow("empty") << "" << "general";
        QTest::newRow("not trimmed") << "Core " << "general";
    }
    void thumbnailKey()
    {
        QFETCH(QString, tab);
        QFETCH(QString, key);
        QCOMPARE(ThumbnailKey(tab), key);
    }

    void fieldsOffered_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("indexes");
        QTest::newRow("catalogue order") << "Core" << "Name" << QStringList({"Last name", "First name", "Middle name"})
                                         << QList<int>({1, 2, 17});
        QTest::newRow("portal login hidden any case")
            << "Core" << "Portal Access" << QStringList({"Portal email"}) << QList<int>({5});
        QTest::newRow("contacts hidden any case") << "Contacts" << "Emergency Contact"
                                                  << QStringList({"Contact name", "Login name"}) << QList<int>({6, 9});
        QTest::newRow("duplicates kept") << "Profile" << "Personal"
                                         << QStringList({"Birthday", "Shirt size", "Shirt size"})
                                         << QList<int>({12, 13, 14});
        QTest::newRow("mandatory service") << "Service" << "Mandatory service" << QStringList() << QList<int>();
        QTest::newRow("box compared exactly") << "Core" << "name" << QStringList() << QList<int>();
    }
    void fieldsOffered()
    {
        QFETCH(QString, tab);
        QFETCH(QString, box);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, indexes);
        const TNameList fields = FieldsOffered(SampleCatalogue(), tab, box);
        QCOMPARE(fields.Texts(), names);
        QList<int> got;
        for (int i = 0; i < fields.Count(); ++i)
            got.append(fields.Index(i));
        QCOMPARE(got, indexes);
    }

    void hiddenField_rules_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("portal on another tab") << "Coordinator" << "PORTAL ACCESS" << "Login Name" << true;
        QTest::newRow("portal box wins over contacts")
            << "Contacts" << "Portal Access" << "Emergency contact kind" << false;
        QTest::newRow("contacts any box") << "contacts" << "Other" << "EMERGENCY CONTACT KIND" << true;
        QTest::newRow("names not trimmed") << "Contacts" << "Other" << " emergency contact kind" << false;
        QTest::newRow("other tab") << "Core" << "Name" << "login name" << false;
    }
    void hiddenField_rules()
    {
        QFETCH(QString, tab);
        QFETCH(QString, box);
        QFETCH(QString, field);
        QFETCH(bool, hidden);
        QCOMPARE(IsHiddenField(tab, box, field), hidden);
    }

    void shownChoice_secondDuplicateShowsFirst()
    {
        const TCatalogue catalogue = SampleCatalogue();
        const TShownChoice shown = ShownChoiceOf(catalogue, ColumnMapping{0, 14, 1});
        QCOMPARE(shown.TabItem, 3);
        QCOMPARE(shown.Boxes, QStringList({"Personal"}));
        QCOMPARE(shown.BoxItem, 0);
        QCOMPARE(shown.FieldItem, 1);
        QCOMPARE(shown.Fields.Index(shown.FieldItem), 13);
        QCOMPARE(shown.DateFormatItem, 1);
        // The shown item's own type decides: entry 13 is a drop down, 14 a date.
        QVERIFY(!shown.DateFormatEnabled);
        QVERIFY(shown.ThumbnailChanged);
    }

    void shownChoice_dateFieldAndLargeFormat()
    {
        const TShownChoice shown = ShownChoiceOf(SampleCatalogue(), ColumnMapping{0, 12, 9});
        QCOMPARE(shown.FieldItem, 0);
        QCOMPARE(shown.DateFormatItem, 0);
        QVERIFY(shown.DateFormatEnabled);
    }

    void shownChoice_indexWithoutNamesSelectsNothing()
    {
        const TShownChoice shown = ShownChoiceOf(SampleCatalogue(), ColumnMapping{0, 200, 0});
        QCOMPARE(shown.TabItem, -1);
        QVERIFY(shown.Boxes.isEmpty());
        QCOMPARE(shown.FieldItem, -1);
        QVERIFY(!shown.DateFormatEnabled);
    }

    void storeChoices_keepDateFormatAndBounds()
    {
        TColumnMap map;
        ResetColumnMap(map);
        StoreDateFormat(map, 3, 2);
        StoreFieldChoice(map, 3, 12);
        QCOMPARE(map[3], (ColumnMapping{0, 12, 2}));
        StoreDateFormat(map, 3, -1);
        StoreDateFormat(map, 3, 6);
        QCOMPARE(map[3].DateFormat, quint16(2));
        StoreSkipChoice(map, 3);
        QCOMPARE(map[3], (ColumnMapping{1, 0, 2}));

        TColumnMap untouched = map;
        StoreFieldChoice(map, 0, 5);
        StoreFieldChoice(map, 257, 5);
        StoreSkipChoice(map, -1);
        QCOMPARE(map, untouched);
        StoreFieldChoice(map, 256, 5);
        QCOMPARE(map[256], (ColumnMapping{0, 5, 0}));
    }

    void counterCaption_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("next");
        QTest::newRow("start") << "0" << "1";
        QTest::newRow("counting") << "7" << "8";
        QTest::newRow("not a number") << "abc" << "2";
        QTest::newRow("empty") << "" << "2";
        QTest::newRow("largest stays") << "2147483647" << "2147483647";
    }
    void counterCaption()
    {
        QFETCH(QString, caption);
        QFETCH(QString, next);
        QCOMPARE(NextCounterCaption(caption), next);
    }

    void messages_exactText()
    {
        QCOMPARE(ThumbnailMessage().split(QLatin1Char('\r')),
                 QStringList({"Click the thumbnail image at the bottom right",
                              "to see how the \"Tab\", \"Box\" and \"Field\"", "data are used in Quillmarsh.\""}));
        QVERIFY(!ThumbnailMessage().contains(QLatin1Char('\n')));

        const QStringList lines = BooleanMessage().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines.at(0), QStringLiteral("For reference, \"boolean\" (true/false) fields such as this"));
        QCOMPARE(lines.at(2), QString(QStringLiteral("  ") + QChar(0xBA) + QStringLiteral(" True")));
        QCOMPARE(lines.at(8), QString(QStringLiteral("  ") + QChar(0xBA) + QStringLiteral(" N")));
        QCOMPARE(lines.at(9), QString(QStringLiteral("  ") + QChar(0xBA) +
                                      QStringLiteral("    (blank)-unless \"Default Entry\" in Quillmarsh Setup "
                                                     "overrides")));
        QCOMPARE(lines.at(10),
                 QStringLiteral("All other values are considered \"false\". Values are not case-sensitive."));
        QCOMPARE(BooleanMessage().count(QLatin1Char('\r')), 10);
    }
};

QTEST_GUILESS_MAIN(TestMappingPage)
#include "TestMappingPage.moc"
