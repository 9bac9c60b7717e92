#include "WindowTestSupport.h"
#include "ScriptedPrompt.h"
#include "app/Unit1.h"
#include "dialogs/Unit4.h"
#include "mapping/FieldCatalogue.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{
// Line i of a field-list reply describes catalogue index i.
const QString CatalogueReply = QStringLiteral("OK\r\n"
                                              "1\t2\t0\tLast name\t0\r\n"
                                              "1\t19\t0\tFlags\t0\r\n"
                                              "8\t2\t0\tBirth date\t10\r\n"
                                              "99\t13\t0\tNotes\t0\r\n");

const QString Warning = QStringLiteral("If your data does not appear as you expect,\r"
                                       "click the Prev button to reconfigure the settings. \r"
                                       "For additional information see the QImport.pdf\r"
                                       "file included with your download.");
const QString OneField = QStringLiteral("Data will NOT import correctly with only one field.\r\r") + Warning;

const QStringList EndOfFile{
    QStringLiteral("You have reached the end of the file."), QStringLiteral(" "),
    QStringLiteral("Click \"Prev\" to go back and make changes, or \"Next\" to perform the conversion.")};
} // namespace

class TestTestPage : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;

    // A shown window on the mapping page with the catalogue above loaded and the given
    // columns (1 = "A") mapped to catalogue indexes.
    std::unique_ptr<TForm1> MakeForm(const QList<QPair<int, int>>& mapping, const QStringList& sourceLines,
                                     bool headings, const QString& clicks = QStringLiteral("2"))
    {
        auto form = MakeTestWindow(*Dir, Prompt);
        LoadFieldCatalogue(CatalogueReply, form->FieldCatalogue);
        for (const auto& [column, index] : mapping) {
            form->ColumnMap[size_t(column)].Skip = 0;
            form->ColumnMap[size_t(column)].FieldIndex = quint16(index);
        }
        form->SourceLines = sourceLines;
        form->CheckBox1->setChecked(headings);
        form->Label33->setText(clicks);
        form->PageControl1->setCurrentWidget(form->TabSheet4);
        // The mapping page enables Next once a column is chosen; that is not under test here.
        form->Button10->setEnabled(true);
        return form;
    }

    // The lines the run log gained since `before` lines.
    static QStringList LogSince(const TForm1& form, qsizetype before)
    {
        return form.RunLog.AllLines().mid(before);
    }

private slots:
    void init()
    {
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TScriptedPrompt();
    }
    void cleanup() { QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n')))); }

    void next_logsTranslationTableAndShowsFirstDataRow()
    {
        // Column A -> Last name, C -> Birth date, E -> Notes; B and D skipped.
        auto form = MakeForm({{1, 1}, {3, 3}, {5, 4}},
                             {QStringLiteral("Name\tX\tBorn\tY\tRemarks"), QStringLiteral("Smith\t\t1/2/1990\tq\t"),
                              QStringLiteral("Jones")},
                             true);
        const qsizetype before = form->RunLog.AllLines().size();
        form->Button10->click();

        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet5);
        QCOMPARE(LogSince(*form, before),
                 QStringList({QStringLiteral("Translation table follows"), QStringLiteral(" 1 : 1-2"),
                              QStringLiteral(" 3 : 8-2"), QStringLiteral(" 5 : 99-13"),
                              QStringLiteral("End translation table")}));
        // The heading row is skipped; the empty last cell is gone, so Notes shows its name alone.
        QCOMPARE(Items(form->ListBox2), QStringList({QStringLiteral("Last name: Smith"),
                                                     QStringLiteral("Birth date: 1/2/1990"),
                                                     QStringLiteral("Notes")}));
        QCOMPARE(form->TestRow, 2);
        QVERIFY(form->Button17->isEnabled());
        QVERIFY(Prompt.Shown.isEmpty());

        form->Button17->click();
        QCOMPARE(Items(form->ListBox2), QStringList({QStringLiteral("Last name: Jones"), QStringLiteral("Birth date"),
                                                     QStringLiteral("Notes")}));
        QCOMPARE(form->TestRow, 3);

        form->Button17->click();
        QCOMPARE(Items(form->ListBox2), EndOfFile);
        QVERIFY(!form->Button17->isEnabled());
        QCOMPARE(form->TestRow, 3);

        // Back and forward again: the table is written again and testing restarts.
        form->Button8->click();
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet4);
        const qsizetype second = form->RunLog.AllLines().size();
        form->Button10->click();
        QCOMPARE(LogSince(*form, second).size(), 5);
        QCOMPARE(LogSince(*form, second).first(), QStringLiteral("Translation table follows"));
        QVERIFY(form->Button17->isEnabled());
        QCOMPARE(form->TestRow, 2);
        QCOMPARE(Items(form->ListBox2).first(), QStringLiteral("Last name: Smith"));
    }

    void next_warnsBelowTwoClicks_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("warned");
        QTest::newRow("none") << QStringLiteral("0") << true;
        QTest::newRow("one") << QStringLiteral("1") << true;
        QTest::newRow("not a number counts one") << QStringLiteral("many") << true;
        QTest::newRow("negative") << QStringLiteral("-3") << true;
        QTest::newRow("two") << QStringLiteral("2") << false;
        QTest::newRow("ten") << QStringLiteral("10") << false;
    }
    void next_warnsBelowTwoClicks()
    {
        QFETCH(QString, caption);
        QFETCH(bool, warned);
        auto form = MakeForm({{1, 1}, {2, 3}}, {QStringLiteral("a\tb")}, false, caption);
        form->Button10->click();
        QCOMPARE(Prompt.Shown, warned ? QStringList{Warning} : QStringList());
        if (warned) {
            QVERIFY(!Prompt.Shown.first().contains(QLatin1Char('\n')));
            QCOMPARE(Prompt.Shown.first().count(QLatin1Char('\r')), 3);
        }
        // The step goes on after the box either way.
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet5);
        QCOMPARE(Items(form->ListBox2), QStringList({QStringLiteral("Last name: a"), QStringLiteral("Birth date: b")}));
    }

    void preview_oneMappedColumn_givesOneFieldMessageEveryRow()
    {
        auto form = MakeForm({{2, 1}}, {QStringLiteral("x\tSmith"), QStringLiteral("y\tJones")}, false);
        form->Button10->click();
        QCOMPARE(Items(form->ListBox2), QStringList{QStringLiteral("Last name: Smith")});
        QCOMPARE(Prompt.Shown, QStringList{OneField});
        form->Button17->click();
        QCOMPARE(Items(form->ListBox2), QStringList{QStringLiteral("Last name: Jones")});
        QCOMPARE(Prompt.Shown, QStringList({OneField, OneField}));
        // The end of the file is not a preview: no message.
        form->Button17->click();
        QCOMPARE(Prompt.Shown.size(), 2);
    }

    void preview_noMappedColumn_staysEmptyWithoutMessage()
    {
        auto form = MakeForm({}, {QStringLiteral("a\tb")}, false);
        form->Button10->click();
        QCOMPARE(form->ListBox2->count(), 0);
        QVERIFY(Prompt.Shown.isEmpty());
        QCOMPARE(form->TestRow, 1);
        QCOMPARE(form->RunLog.AllLines().mid(form->RunLog.AllLines().size() - 2),
                 QStringList({QStringLiteral("Translation table follows"), QStringLiteral("End translation table")}));
    }

    void preview_firstRow_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("headings");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("buttonOn");
        const QStringList two{QStringLiteral("Last\tBorn"), QStringLiteral("Smith\t1990")};
        QTest::newRow("headings skipped") << two << true
                                          << QStringList({QStringLiteral("Last name: Smith"),
                                                          QStringLiteral("Birth date: 1990")})
                                          << true;
        QTest::newRow("no headings: first line is data")
            << two << false
            << QStringList({QStringLiteral("Last name: Last"), QStringLiteral("Birth date: Born")}) << true;
        QTest::newRow("heading line only") << QStringList{QStringLiteral("Last\tBorn")} << true << EndOfFile << false;
        QTest::newRow("empty source") << QStringList() << false << EndOfFile << false;
        QTest::newRow("empty middle cell shows the name and colon")
            << QStringList{QStringLiteral("\t1990")} << false
            << QStringList({QStringLiteral("Last name: "), QStringLiteral("Birth date: 1990")}) << true;
        QTest::newRow("values as sent, with the file's text where it differs")
            << QStringList{QStringLiteral("Jos\u00e9 [br]x\t&=%")} << false
            << QStringList({QStringLiteral("Last name: Jose [br]x [Jos\u00e9 [br]x]"), QStringLiteral("Birth date: &=%")})
            << true;
    }
    void preview_firstRow()
    {
        QFETCH(QStringList, lines);
        QFETCH(bool, headings);
        QFETCH(QStringList, shown);
        QFETCH(bool, buttonOn);
        auto form = MakeForm({{1, 1}, {2, 3}}, lines, headings);
        form->Button10->click();
        QCOMPARE(Items(form->ListBox2), shown);
        QCOMPARE(form->Button17->isEnabled(), buttonOn);
    }

    // Entering the page checks every row; choosing a finding previews its row.
    void check_runsOnEntry_findingShowsItsRow()
    {
        // A -> Last name, B -> Birth date (read DMY), C -> Notes.
        auto form = MakeForm({{1, 1}, {2, 3}, {3, 4}},
                             {QStringLiteral("Name\tBorn\tRemarks"), QStringLiteral("Smith\t31/12/1990\tok"),
                              QStringLiteral("Jos\u00e9\t12/31/1990\t"), QStringLiteral("Smith\t31/12/1990\tok")},
                             true);
        form->ColumnMap[2].DateFormat = 1;
        form->Button10->click();
        const QString summary = QStringLiteral("3 rows checked: 1 date not in DMY, 1 cell with letters changed, 1 row "
                                               "that repeats an earlier row");
        QTRY_COMPARE_WITH_TIMEOUT(form->Label34->text(), summary, 5000);
        QCOMPARE(Items(form->ListBox7),
                 QStringList({QStringLiteral("Row 3, column A \"Name\" (Last name): \"Jos\u00e9\" is sent as \"Jose\""),
                              QStringLiteral("Row 3, column B \"Born\" (Birth date): \"12/31/1990\" is not a date in DMY"),
                              QStringLiteral("Row 4: the same as row 2")}));
        QVERIFY(form->RunLog.AllLines().contains(QStringLiteral("Check: ") + summary));
        QVERIFY(form->Button6->isEnabled()); // findings never hold the user back

        form->ListBox7->setCurrentRow(1);
        QCOMPARE(Items(form->ListBox2), QStringList({QStringLiteral("Last name: Jose [Jos\u00e9]"),
                                                     QStringLiteral("Birth date: 12/31/1990"), QStringLiteral("Notes")}));
        QCOMPARE(form->TestRow, 3);
    }

    void testPageShown_enablesButtonsAndHidesInstructions()
    {
        auto form = MakeForm({{1, 1}}, {QStringLiteral("a")}, false);
        TForm4 instructions;
        form->AttachWindows(nullptr, nullptr, &instructions, nullptr);
        instructions.show();
        form->Button8->setEnabled(false);
        form->Button6->setEnabled(false);
        form->ShowPage(form->TabSheet5);
        QVERIFY(form->Button8->isEnabled());
        QVERIFY(form->Button6->isEnabled());
        QVERIFY(!instructions.isVisible());
        form->AttachWindows(nullptr, nullptr, nullptr, nullptr);
    }

    void testPageShown_withoutInstructionsWindow()
    {
        auto form = MakeForm({{1, 1}}, {QStringLiteral("a")}, false);
        form->Button8->setEnabled(false);
        form->ShowPage(form->TabSheet5);
        QVERIFY(form->Button8->isEnabled());
    }
};

QTEST_MAIN(TestTestPage)
#include "TestTestPage.moc"
