#include "WindowTestSupport.h"
#include "ScriptedPrompt.h"
#include "app/Unit1.h"
#include "dialogs/Thumbnails.h"
#include "dialogs/Unit3.h"
#include "dialogs/Unit4.h"
#include "dialogs/Unit5.h"
#include "mapping/ColumnMap.h"
#include "mapping/MappingPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{
// Line i of the reply describes catalogue index i.
const QString CatalogueReply = QStringLiteral("OK\r\n"
                                              "1\t2\t0\tLast name\t0\r\n"             // 1 Core / Name
                                              "1\t3\t0\tFirst name\t0\r\n"            // 2 Core / Name
                                              "1\t6\t0\tCity\t0\r\n"                  // 3 Core / Address
                                              "1\t21\t0\tLOGIN NAME\t0\r\n"           // 4 Core / Portal Access
                                              "1\t37\t0\tPortal login\t1\r\n"         // 5 Core / Portal Access
                                              "2\t1\t0\tEmergency Contact Kind\t0\r\n" // 6 Contacts
                                              "2\t2\t0\tContact name\t0\r\n"          // 7 Contacts
                                              "8\t2\t0\tBirth date\t10\r\n"           // 8 Profile / Personal
                                              "8\t3\t0\tVeteran\t3\r\n"               // 9 Profile / Personal
                                              "99\t7\t0\tRequired hours\t0\r\n"       // 10 Service / Mandatory service
                                              "99\t6\t0\tHours served\t0\r\n"         // 11 Service / Service
                                              "8\t4\t0\tNickname\t0\r\n"              // 12 Profile / Personal
                                              "8\t5\t0\tNickname\t0\r\n"              // 13 Profile / Personal
                                              "8\t6\t0\tStart date\t6\r\n");          // 14 Profile / Personal

QString Selected(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

// Clicks an item with the mouse, as the user chooses it.
void ClickItem(QListWidget* list, QListWidgetItem* item)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void Choose(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text + " not offered: " + Items(list).join(", ")));
    ClickItem(list, found.first());
}

ColumnMapping Mapping(quint8 skip, quint16 index, quint16 dateFormat)
{
    ColumnMapping mapping;
    mapping.Skip = skip;
    mapping.FieldIndex = index;
    mapping.DateFormat = dateFormat;
    return mapping;
}
} // namespace

class TestMappingPage : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;

    QString WriteFile(const QString& name, const QByteArray& bytes) { return WriteTestFile(*Dir, name, bytes); }

    // The window as the field-list reply leaves it: catalogue loaded, map reset, file in the grid, page shown.
    std::unique_ptr<TForm1> MakeForm(const QByteArray& source = "Last name\tNickname\tCity\tWhatever\r\n"
                                                                 "Smith\tSmithy\tOslo\tx\r\n",
                                     bool headings = true)
    {
        auto form = MakeTestWindow(*Dir, Prompt);
        ResetColumnMap(form->ColumnMap);
        form->LoadFieldCatalogue(CatalogueReply);
        form->FileName = WriteFile(QStringLiteral("source.txt"), source);
        form->LoadSourceFile();
        form->StringGrid1Click();
        form->CheckBox1->setChecked(headings);
        form->ShowPage(form->TabSheet4);
        return form;
    }

    // Maps the current column by choosing its Tab, Box and Field as the user does.
    static void MapTo(TForm1& form, const QString& tab, const QString& box, const QString& field, int occurrence = 0)
    {
        form.RadioButton21->click();
        Choose(form.ListBox4, tab);
        Choose(form.ListBox5, box);
        const QList<QListWidgetItem*> found = form.ListBox6->findItems(field, Qt::MatchExactly);
        QVERIFY(found.size() > occurrence);
        ClickItem(form.ListBox6, found.at(occurrence));
    }

    // Makes source column `column` current: 1 is column A, the grid's first.
    static void GoToColumn(TForm1& form, int column) { form.StringGrid1->setCurrentCell(0, column - 1); }

private slots:
    void init()
    {
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TScriptedPrompt();
    }
    void cleanup() { QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n')))); }

    void columnsStartSkipped()
    {
        auto form = MakeForm();
        QCOMPARE(form->Label16->text(), QStringLiteral("What to do with Column A:"));
        QVERIFY(form->RadioButton20->isChecked());
        QCOMPARE(ShownCaption(form->RadioButton20->text()), QStringLiteral("Skip column A"));
        QCOMPARE(ShownCaption(form->RadioButton21->text()), QStringLiteral("Convert column A to... "));
        QVERIFY(!form->ListBox4->isEnabled());
        QVERIFY(!form->Button10->isEnabled());
        QCOMPARE(Items(form->ListBox4), QStringList({QStringLiteral("Core"), QStringLiteral("Contacts"),
                                                     QStringLiteral("Profile"), QStringLiteral("Service")}));

        GoToColumn(*form, 3);
        QCOMPARE(form->Label16->text(), QStringLiteral("What to do with Column C:"));
        QCOMPARE(ShownCaption(form->RadioButton20->text()), QStringLiteral("Skip column C"));
        QVERIFY(form->RadioButton20->isChecked());
        // A click on a column's letters chooses that column.
        QHeaderView* letters = form->StringGrid1->horizontalHeader();
        QCOMPARE(letters->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("B"));
        QTest::mouseClick(letters->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(letters->sectionViewportPosition(1) + 5, letters->height() / 2));
        QCOMPARE(form->Label16->text(), QStringLiteral("What to do with Column B:"));
        QVERIFY(Prompt.Shown.isEmpty());
    }

    void tabAndBoxAlone_changeNothing_fieldMaps()
    {
        auto form = MakeForm();
        form->RadioButton21->click();
        QVERIFY(form->ListBox4->isEnabled());
        Choose(form->ListBox4, QStringLiteral("Core"));
        QCOMPARE(Items(form->ListBox5), QStringList({QStringLiteral("Name"), QStringLiteral("Address"),
                                                     QStringLiteral("Portal Access")}));
        Choose(form->ListBox5, QStringLiteral("Name"));
        QCOMPARE(Items(form->ListBox6), QStringList({QStringLiteral("Last name"), QStringLiteral("First name")}));
        QCOMPARE(form->ColumnMap[1], Mapping(1, 0, 0));
        QVERIFY(!form->Button10->isEnabled());
        QCOMPARE(form->Label33->text(), QStringLiteral("0"));

        Choose(form->ListBox6, QStringLiteral("First name"));
        QCOMPARE(form->ColumnMap[1], Mapping(0, 2, 0));
        QVERIFY(form->Button10->isEnabled());
        QCOMPARE(form->Label33->text(), QStringLiteral("1"));
        QCOMPARE(form->Label14->text(), QStringLiteral("Text"));
        QVERIFY(!form->ComboBox2->isEnabled());
        // A new Tab choice empties the Box and Field lists but keeps the map.
        Choose(form->ListBox4, QStringLiteral("Contacts"));
        QCOMPARE(Items(form->ListBox6), QStringList());
        QCOMPARE(form->ColumnMap[1], Mapping(0, 2, 0));
    }

    void hiddenFieldsAreNeverOffered_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("portal access") << QStringLiteral("Core")
                                       << QStringList({"Name", "Address", "Portal Access"})
                                       << QStringLiteral("Portal Access") << QStringList({"Portal login"});
        QTest::newRow("emergency contact") << QStringLiteral("Contacts") << QStringList({"Emergency Contact"})
                                           << QStringLiteral("Emergency Contact") << QStringList({"Contact name"});
        QTest::newRow("mandatory service") << QStringLiteral("Service") << QStringList({"Service"})
                                           << QStringLiteral("Service") << QStringList({"Hours served"});
        QTest::newRow("same names twice") << QStringLiteral("Profile") << QStringList({"Personal"})
                                          << QStringLiteral("Personal")
                                          << QStringList({"Birth date", "Veteran", "Nickname", "Nickname",
                                                          "Start date"});
    }
    void hiddenFieldsAreNeverOffered()
    {
        QFETCH(QString, tab);
        QFETCH(QStringList, boxes);
        QFETCH(QString, box);
        QFETCH(QStringList, fields);
        auto form = MakeForm();
        form->RadioButton21->click();
        Choose(form->ListBox4, tab);
        QCOMPARE(Items(form->ListBox5), boxes);
        Choose(form->ListBox5, box);
        QCOMPARE(Items(form->ListBox6), fields);
    }

    void secondOfTwoEqualNames_showsFirstButKeepsItsIndex()
    {
        auto form = MakeForm();
        MapTo(*form, QStringLiteral("Profile"), QStringLiteral("Personal"), QStringLiteral("Nickname"), 1);
        QCOMPARE(form->ColumnMap[1], Mapping(0, 13, 0));
        GoToColumn(*form, 2);
        GoToColumn(*form, 1);
        QVERIFY(form->RadioButton21->isChecked());
        QCOMPARE(form->ListBox6->currentRow(), 2);
        QCOMPARE(form->ColumnMap[1], Mapping(0, 13, 0));
    }

    void dateFormat_keptAcrossFieldsAndOnlyForDates()
    {
        auto form = MakeForm();
        MapTo(*form, QStringLiteral("Profile"), QStringLiteral("Personal"), QStringLiteral("Birth date"));
        QVERIFY(form->ComboBox2->isEnabled());
        QVERIFY(form->Label15->isEnabled());
        QCOMPARE(form->Label14->text(), QStringLiteral("Date of birth"));
        form->ComboBox2->setCurrentIndex(1);
        QCOMPARE(form->ColumnMap[1], Mapping(0, 8, 1));

        Choose(form->ListBox6, QStringLiteral("Nickname"));
        QVERIFY(!form->ComboBox2->isEnabled());
        QCOMPARE(form->ColumnMap[1], Mapping(0, 12, 1));
        Choose(form->ListBox6, QStringLiteral("Start date"));
        QCOMPARE(form->ColumnMap[1], Mapping(0, 14, 1));

        GoToColumn(*form, 2);
        QCOMPARE(form->ComboBox2->currentIndex(), -1);
        GoToColumn(*form, 1);
        QCOMPARE(form->ComboBox2->currentIndex(), 1);
        QVERIFY(form->ComboBox2->isEnabled());

        // A stored format past the list is shown as the first.
        form->ColumnMap[2] = Mapping(0, 8, 9);
        GoToColumn(*form, 2);
        QCOMPARE(form->ComboBox2->currentIndex(), 0);
        QCOMPARE(form->ColumnMap[2], Mapping(0, 8, 9));
    }

    // Coming back to a column, by the grid or from the test page, shows its own field's type
    // and date format, not those of the field chosen last for another column.
    void revisitingDateColumn_showsItsTypeAndFormat()
    {
        auto form = MakeForm();
        MapTo(*form, QStringLiteral("Profile"), QStringLiteral("Personal"), QStringLiteral("Birth date"));
        form->ComboBox2->setCurrentIndex(1);
        GoToColumn(*form, 2);
        QCOMPARE(form->Label14->text(), QString()); // skipped: no field, no type
        MapTo(*form, QStringLiteral("Core"), QStringLiteral("Name"), QStringLiteral("Last name"));
        QCOMPARE(form->Label14->text(), QStringLiteral("Text"));

        GoToColumn(*form, 1);
        QCOMPARE(form->Label14->text(), QStringLiteral("Date of birth"));
        QVERIFY(form->ComboBox2->isEnabled());
        QCOMPARE(form->ComboBox2->currentIndex(), 1);

        form->ShowPage(form->TabSheet5);
        form->ShowPage(form->TabSheet4);
        QCOMPARE(form->Label14->text(), QStringLiteral("Date of birth"));
        QVERIFY(form->ComboBox2->isEnabled());
        QCOMPARE(form->ComboBox2->currentIndex(), 1);
        QCOMPARE(form->ColumnMap[1], Mapping(0, 8, 1));
    }

    void skipByMouseClears_skipByKeyboardDoesNot()
    {
        auto form = MakeForm();
        MapTo(*form, QStringLiteral("Profile"), QStringLiteral("Personal"), QStringLiteral("Birth date"));
        form->ComboBox2->setCurrentIndex(2);

        QTest::keyClick(form->RadioButton20, Qt::Key_Space);
        QVERIFY(form->RadioButton20->isChecked());
        QVERIFY(!form->ListBox4->isEnabled());
        QCOMPARE(form->ColumnMap[1], Mapping(0, 8, 2));

        form->RadioButton21->click();
        QTest::mouseClick(form->RadioButton20, Qt::LeftButton, {}, QPoint(6, form->RadioButton20->height() / 2));
        QVERIFY(form->RadioButton20->isChecked());
        QCOMPARE(form->ColumnMap[1], Mapping(1, 0, 2));
        QCOMPARE(form->Label14->text(), QString());
        QCOMPARE(form->ComboBox2->currentIndex(), 0);
        QVERIFY(!form->ComboBox2->isEnabled());
        QVERIFY(!form->ListBox6->isEnabled());
    }

    void comingBack_showsStoredChoiceNotTheAbandonedOne()
    {
        auto form = MakeForm();
        MapTo(*form, QStringLiteral("Core"), QStringLiteral("Name"), QStringLiteral("First name"));
        GoToColumn(*form, 2);
        form->RadioButton21->click();
        Choose(form->ListBox4, QStringLiteral("Contacts"));
        Choose(form->ListBox5, QStringLiteral("Emergency Contact"));
        QCOMPARE(form->ColumnMap[2], Mapping(1, 0, 0));

        GoToColumn(*form, 1);
        QVERIFY(form->RadioButton21->isChecked());
        QCOMPARE(ShownCaption(form->RadioButton21->text()), QStringLiteral("Convert column A to... "));
        QCOMPARE(Selected(form->ListBox4), QStringLiteral("Core"));
        QCOMPARE(Selected(form->ListBox5), QStringLiteral("Name"));
        QCOMPARE(Selected(form->ListBox6), QStringLiteral("First name"));
        QVERIFY(!form->ComboBox2->isEnabled());

        // Back on the skipped column, the Tab and Box lists keep what they show, no Field is chosen.
        GoToColumn(*form, 2);
        QVERIFY(form->RadioButton20->isChecked());
        QCOMPARE(Selected(form->ListBox4), QStringLiteral("Core"));
        QCOMPARE(Selected(form->ListBox6), QString());
    }

    void oneTimeMessages()
    {
        auto form = MakeForm();
        MapTo(*form, QStringLiteral("Profile"), QStringLiteral("Personal"), QStringLiteral("Veteran"));
        QCOMPARE(form->Label14->text(), QStringLiteral("True or false"));
        GoToColumn(*form, 2);
        MapTo(*form, QStringLiteral("Core"), QStringLiteral("Name"), QStringLiteral("Last name"));
        MapTo(*form, QStringLiteral("Profile"), QStringLiteral("Personal"), QStringLiteral("Veteran"));
        QCOMPARE(Prompt.Shown, QStringList({ThumbnailMessage(), BooleanMessage()}));

        // Each entry to the page allows the thumbnail message once more; the boolean one stays shown.
        form->Button9->click();
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet3);
        form->LoadFieldCatalogue(CatalogueReply); // Next on the file page fetches it again
        form->ShowPage(form->TabSheet4);
        // Choosing the Tab already shown counts as a choice too.
        MapTo(*form, QStringLiteral("Profile"), QStringLiteral("Personal"), QStringLiteral("Veteran"));
        QCOMPARE(Prompt.Shown, QStringList({ThumbnailMessage(), BooleanMessage(), ThumbnailMessage()}));
        QCOMPARE(form->Label33->text(), QStringLiteral("4"));
    }

    void thumbnailFollowsTabAndHelp()
    {
        auto form = MakeForm();
        TForm3 viewer;
        form->AttachWindows(nullptr, &viewer, nullptr, nullptr);
        const QImage general = ThumbnailPicture(QStringLiteral("general")).toImage();
        const QImage core = ThumbnailPicture(QStringLiteral("core")).toImage();

        form->RadioButton21->click();
        Choose(form->ListBox4, QStringLiteral("Core"));
        form->Image7Click();
        QCOMPARE(viewer.Picture().toImage(), general); // the first Tab choice puts the general picture back
        Choose(form->ListBox4, QStringLiteral("Core"));
        Choose(form->ListBox4, QStringLiteral("Contacts"));
        Choose(form->ListBox4, QStringLiteral("Core"));
        QTest::mouseClick(form->Image7, Qt::LeftButton);
        QVERIFY(viewer.isVisible());
        QCOMPARE(viewer.Picture().toImage(), core);
        // Scaled to its frame with its proportions kept: 681 x 601 fits 320 x 273 by its height.
        QCOMPARE(form->Image7->pixmap().size(), QSize(309, 273));

        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(form->Label31, &enter);
        form->Image7Click();
        QCOMPARE(viewer.Picture().toImage(), general);
    }

    void helpWindowsFollowThePage()
    {
        auto form = MakeForm();
        TForm4 instructions;
        TForm5 overlay;
        overlay.SetPauseDuration(0);
        form->AttachWindows(nullptr, nullptr, &instructions, &overlay);
        form->ShowPage(form->TabSheet3);
        form->ShowPage(form->TabSheet4);
        QVERIFY(instructions.isVisible());
        form->Button22->click();
        QVERIFY(overlay.isVisible());
        // On this window's own layout: Close Tutorial wholly on the overlay, each arrow's tip
        // on the control it names (the grid, the Skip and Convert choices, the Tab list, Next).
        QVERIFY(overlay.rect().contains(overlay.Button2->geometry()));
        const auto placed = [&form](const QWidget* widget) {
            return QRect(widget->mapTo(form.get(), QPoint(0, 0)), widget->size());
        };
        const QList<QRect> targets{placed(form->StringGrid1),
                                   placed(form->RadioButton20).united(placed(form->RadioButton21)),
                                   placed(form->ListBox4), placed(form->Button10)};
        const QList<QPoint> tips = overlay.ArrowTips();
        QCOMPARE(tips.size(), targets.size());
        for (int i = 0; i < tips.size(); ++i)
            QVERIFY2(targets[i].contains(tips[i]), qPrintable(QStringLiteral("arrow %1").arg(i + 1)));
        form->WMEnterSizeMove();
        QVERIFY(!overlay.isVisible());
        form->Button9->click();
        QVERIFY(!instructions.isVisible());
    }

    void saveAndLoadMapping_roundTrip()
    {
        auto form = MakeForm();
        MapTo(*form, QStringLiteral("Core"), QStringLiteral("Name"), QStringLiteral("Last name"));
        GoToColumn(*form, 3);
        MapTo(*form, QStringLiteral("Profile"), QStringLiteral("Personal"), QStringLiteral("Birth date"));
        form->ComboBox2->setCurrentIndex(1);
        const TColumnMap saved = form->ColumnMap;

        const QString path = Dir->filePath(QStringLiteral("people.qmap"));
        Prompt.QueueFileName(path);
        form->Button23->click();
        QVERIFY(QFile::exists(path));

        ResetColumnMap(form->ColumnMap);
        form->ColumnMap[2] = Mapping(0, 7, 0); // a column the file does not name ends up skipped
        form->Button10->setEnabled(false);
        Prompt.QueueFileName(path);
        form->Button24->click();
        QVERIFY(form->ColumnMap == saved);
        QVERIFY(form->Button10->isEnabled());
        QCOMPARE(Prompt.Shown.size(), 3); // the two filters and the thumbnail message, no problems
        // The page shows the loaded choice of the current column.
        QVERIFY(form->RadioButton21->isChecked());
        QCOMPARE(Selected(form->ListBox6), QStringLiteral("Birth date"));
    }

    void loadMapping_reportsProblemsInOneMessage()
    {
        auto form = MakeForm();
        const QString path = WriteFile(QStringLiteral("mixed.qmap"), "# columns\n"
                                                                     "A\tCore\tName\tFirst name\n"
                                                                     "B\tCore\tName\tNo such field\n"
                                                                     "C\tCore\tPortal Access\tLogin name\n");
        Prompt.QueueFileName(path);
        form->Button24Click();
        QCOMPARE(form->ColumnMap[1], Mapping(0, 2, 0));
        QCOMPARE(form->ColumnMap[2], Mapping(1, 0, 0));
        QCOMPARE(form->ColumnMap[3], Mapping(1, 0, 0));
        const QStringList messages = Prompt.Shown.mid(1);
        QCOMPARE(messages.size(), 2); // the problems, then the thumbnail message of the refreshed column
        QVERIFY(messages.first().startsWith(QStringLiteral("These lines of the mapping file were not applied:")));
        QVERIFY(messages.first().contains(QStringLiteral("Line 3")));
        QVERIFY(messages.first().contains(QStringLiteral("No such field")));
        QVERIFY(messages.first().contains(QStringLiteral("Line 4")));
        QVERIFY(!messages.first().contains(QStringLiteral("Line 2")));
    }

    void matchByHeadings_reportsAmbiguousHeading()
    {
        auto form = MakeForm();
        QVERIFY(form->Button25->isEnabled());
        form->ColumnMap[4] = Mapping(0, 11, 0);
        form->Button25->click();
        QCOMPARE(form->ColumnMap[1], Mapping(0, 1, 0));
        QCOMPARE(form->ColumnMap[2], Mapping(1, 0, 0)); // "Nickname" names two fields
        QCOMPARE(form->ColumnMap[3], Mapping(0, 3, 0));
        QCOMPARE(form->ColumnMap[4], Mapping(0, 11, 0)); // no match: keeps its choice
        QVERIFY(form->Button10->isEnabled());
        QCOMPARE(Prompt.Shown.size(), 2);
        QVERIFY(Prompt.Shown.first().contains(QStringLiteral("Column B \"Nickname\"")));
        QCOMPARE(Prompt.Shown.at(1), ThumbnailMessage());
    }

    // Next month's export has a column more in front: the saved headings say where the fields went.
    void loadMapping_shiftedColumns_followedOnlyWhenConfirmed()
    {
        auto form = MakeForm("Id\tLast name\tNickname\tCity\r\n1\tSmith\tSmithy\tOslo\r\n");
        const QString path = WriteFile(QStringLiteral("last-month.qmap"),
                                       "A\tCore\tName\tLast name\theading=Last name\n"
                                       "C\tCore\tAddress\tCity\theading=City\n"
                                       "D\tProfile\tPersonal\tStart date\theading=Started\n");
        const QString question = QStringLiteral("Last name was column A, is now B\r\nCity was column C, is now D\r\n"
                                                "Started was column D, is no longer in the file\r\n");
        Prompt.QueueFileName(path);
        Prompt.QueueConfirm(false);
        form->Button24Click();
        QVERIFY2(Prompt.Shown.at(1).contains(question), qPrintable(Prompt.Shown.at(1)));
        QCOMPARE(form->ColumnMap[1], Mapping(0, 1, 0)); // kept as saved
        QCOMPARE(form->ColumnMap[3], Mapping(0, 3, 0));
        QCOMPARE(form->ColumnMap[4], Mapping(0, 14, 0));
        QVERIFY(Prompt.Shown.at(2).contains(QStringLiteral("Column D (Start date): no date format given; MDY is used")));

        Prompt.QueueFileName(path);
        Prompt.QueueConfirm(true);
        form->Button24Click();
        QCOMPARE(form->ColumnMap[1], Mapping(1, 0, 0));
        QCOMPARE(form->ColumnMap[2], Mapping(0, 1, 0));
        QCOMPARE(form->ColumnMap[3], Mapping(1, 0, 0));
        QCOMPARE(form->ColumnMap[4], Mapping(0, 3, 0));
        QVERIFY(form->RunLog.AllLines().contains(QStringLiteral(" City was column C, is now D (followed)")));

        // Saving records the headings the grid shows now.
        const QString saved = Dir->filePath(QStringLiteral("this-month.qmap"));
        Prompt.QueueFileName(saved);
        form->Button23Click();
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("B\tCore\tName\tLast name\theading=Last name\n"));
    }

    void matchByHeadings_keepsChosenDateFormat()
    {
        auto form = MakeForm("Birth date\tCity\r\n1/2/1990\tOslo\r\n");
        form->ColumnMap[1] = Mapping(1, 0, 1); // DMY chosen earlier, then skipped
        form->Button25Click();
        QCOMPARE(form->ColumnMap[1], Mapping(0, 8, 1));
        QCOMPARE(form->ColumnMap[2], Mapping(0, 3, 0));
    }

    void matchByHeadings_needsHeadingRow()
    {
        auto form = MakeForm("Last name\tCity\r\n", false);
        QVERIFY(!form->Button25->isEnabled());
        const TColumnMap before = form->ColumnMap;
        form->Button25Click();
        QVERIFY(form->ColumnMap == before);
        QCOMPARE(Prompt.Shown.size(), 1);
    }
};

QTEST_MAIN(TestMappingPage)
#include "TestMappingPage.moc"
