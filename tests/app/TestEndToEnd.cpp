#include "SandboxProcess.h"
#include "ScriptedPrompt.h"
#include "WindowTestSupport.h"
#include "app/Unit1.h"

#include <QFrame>
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
void Select(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text + QStringLiteral(" not offered: ") + Items(list).join(", ")));
    list->setCurrentItem(found.first());
}
} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

    TSandboxProcess Sandbox;
    QTemporaryDir SandboxDir;
    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;

private slots:
    void initTestCase() { QVERIFY2(Sandbox.Start(SandboxDir.path()), qPrintable(Sandbox.ErrorText())); }
    void init()
    {
        QVERIFY(Sandbox.Reset());
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TScriptedPrompt();
    }
    void cleanup() { QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n')))); }

    void wholeWizard()
    {
        const QString fileName = WriteTestFile(*Dir, QStringLiteral("people.csv"),
                                               "Last name,Nickname,City,Notes\r\n"
                                               "\"Smith, Jr.\",Bob,\"Springfield, IL\",\"Line one\r\nline two\"\r\n"
                                               "Jones,Ann,Portland,plain\r\n");
        auto window = MakeTestWindow(*Dir, Prompt, {Sandbox.Host(), Sandbox.CAFile()});
        TForm1& form = *window;

        const QString loggedIn = WizardSteps::LogIn(form, QStringLiteral("123456789"),
                                                    QStringLiteral("demo@example.org"), QStringLiteral("sandbox-demo"));
        QVERIFY2(loggedIn.isEmpty(), qPrintable(loggedIn));
        const QString opened = WizardSteps::OpenSourceFile(form, fileName, true);
        QVERIFY2(opened.isEmpty(), qPrintable(opened));
        const QList<QStringList> mapping{{"Core", "Name", "Last name"},
                                         {"Core", "Name", "Nickname"},
                                         {"Core", "Address", "City"},
                                         {"Notes", "Notes", "Notes"}};
        for (int column = 1; column <= mapping.size(); ++column) {
            const QStringList& choice = mapping.at(column - 1);
            form.StringGrid1->setCurrentCell(0, column - 1);
            form.StringGrid1Click();
            form.RadioButton21->click();
            Select(form.ListBox4, choice.at(0));
            form.ComboBox3Change();
            Select(form.ListBox5, choice.at(1));
            form.ComboBox4Change();
            Select(form.ListBox6, choice.at(2));
            form.ComboBox5Change();
        }
        const QString toImport = WizardSteps::ChooseSecondSite(form);
        QVERIFY2(toImport.isEmpty(), qPrintable(toImport));

        QVERIFY(Sandbox.Reset());
        form.Button20Click();
        QTRY_VERIFY_WITH_TIMEOUT(form.Button18->isEnabled(), 10000);
        form.Button18Click();
        QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet8);

        // Cells keep their commas, the line break inside a quoted cell stays in its cell, the chosen Site rides along.
        const QString head = QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=31&SI=2");
        QCOMPARE(Sandbox.Requests(),
                 QStringList({head + QStringLiteral("&1_2=Smith, Jr.&1_20=Bob&1_8=Springfield, IL"
                                                    "&99_13=Line one[br]line two"),
                              head + QStringLiteral("&1_2=Jones&1_20=Ann&1_8=Portland&99_13=plain"),
                              QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=110")}));
        QCOMPARE(Items(form.ListBox3),
                 QStringList({QStringLiteral("Record 1 received: 4 fields"),
                              QStringLiteral("Record 2 received: 4 fields"), QStringLiteral("2 records imported"),
                              QStringLiteral("Import finished")}));
        QCOMPARE(form.StatusPanel0->text(), QStringLiteral("Records imported: 2"));
        QCOMPARE(form.RecordsImported, 2);

        const QStringList log = form.RunLog.AllLines();
        QVERIFY2(log.size() >= 2, qPrintable(log.join('\n')));
        QVERIFY(log.at(0).startsWith(QStringLiteral("Started ")));
        QVERIFY(log.at(1).startsWith(QStringLiteral("Version: ")));
        const QStringList expected{QStringLiteral("Connect - "),
                                   QStringLiteral("Quillmarsh account : 123456789"),
                                   QStringLiteral("Quillmarsh account credentials validated"),
                                   QStringLiteral("Source file: ") + fileName,
                                   QStringLiteral("Comma delimiters found"),
                                   QStringLiteral("Source line count: 3"),
                                   QStringLiteral("Translation table follows"),
                                   QStringLiteral(" 1 : 1-2"),
                                   QStringLiteral(" 2 : 1-20"),
                                   QStringLiteral(" 3 : 1-8"),
                                   QStringLiteral(" 4 : 99-13"),
                                   QStringLiteral("End translation table"),
                                   QStringLiteral("SiteNumber changed to 1 (SiteSelectionClick)"),
                                   QStringLiteral("SiteNumber changed to 2 (ComboBox change)")};
        // In this order, each after the one before.
        qsizetype at = 0;
        for (const QString& line : expected) {
            const qsizetype found = log.indexOf(line, at);
            QVERIFY2(found >= 0, qPrintable(line + QStringLiteral(" missing or out of order in:\n") + log.join('\n')));
            at = found + 1;
        }
        QCOMPARE(log.count(QStringLiteral("Translation table follows")), 1);
        QVERIFY2(!log.join('\n').contains(QStringLiteral("sandbox-demo")), "password in the run log");
        // Only the one-time thumbnail hint was shown: no errors along the way.
        QCOMPARE(Prompt.Shown.size(), 1);
        QVERIFY(Prompt.Errors.isEmpty());
    }

    // Back to the file page for a file without delimiters: nothing of it, and nothing of the file
    // shown before, can be imported; only the rows the grid shows are ever sent.
    void revisitWithUndelimitedFile_onlyShownRowsImported()
    {
        const QString good = WriteTestFile(*Dir, QStringLiteral("people.txt"), "Smith\tBob\r\nJones\tAnn\r\n");
        const QString words = WriteTestFile(*Dir, QStringLiteral("words.txt"), "just words\r\nmore words\r\n");
        auto window = MakeTestWindow(*Dir, Prompt, {Sandbox.Host(), Sandbox.CAFile()});
        TForm1& form = *window;
        QString step = WizardSteps::LogIn(form, QStringLiteral("123456789"), QStringLiteral("demo@example.org"),
                                          QStringLiteral("sandbox-demo"));
        QVERIFY2(step.isEmpty(), qPrintable(step));
        const auto mapFirstColumn = [&] {
            form.StringGrid1->setCurrentCell(0, 0);
            form.RadioButton21->click();
            Select(form.ListBox4, QStringLiteral("Core"));
            Select(form.ListBox5, QStringLiteral("Name"));
            Select(form.ListBox6, QStringLiteral("Last name"));
        };
        step = WizardSteps::OpenSourceFile(form, good, false);
        QVERIFY2(step.isEmpty(), qPrintable(step));
        mapFirstColumn();
        QVERIFY(form.Button10->isEnabled());

        form.Button9Click();
        step = WizardSteps::OpenSourceFile(form, words, false);
        QVERIFY2(step.isEmpty(), qPrintable(step));
        QCOMPARE(Prompt.Errors.size(), 1);
        QCOMPARE(form.StringGrid1->rowCount(), 0);
        QVERIFY(form.SourceLines.isEmpty());
        QVERIFY(!form.Panel1->isEnabled());
        QVERIFY(!form.Button10->isEnabled());

        // The good file again: shown, mapped afresh, and its rows are the ones sent.
        form.Button9Click();
        step = WizardSteps::OpenSourceFile(form, good, false);
        QVERIFY2(step.isEmpty(), qPrintable(step));
        QCOMPARE(form.StringGrid1->item(1, 0)->text(), QStringLiteral("Jones"));
        QVERIFY(form.Panel1->isEnabled());
        QVERIFY(!form.Button10->isEnabled());
        mapFirstColumn();
        QVERIFY(form.Button10->isEnabled());
        step = WizardSteps::ChooseSecondSite(form);
        QVERIFY2(step.isEmpty(), qPrintable(step));
        QVERIFY(Sandbox.Reset());
        form.Button20Click();
        QTRY_VERIFY_WITH_TIMEOUT(form.Button18->isEnabled(), 10000);
        const QString head = QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=31&SI=2");
        QCOMPARE(Sandbox.Requests(), QStringList({head + QStringLiteral("&1_2=Smith"), head + QStringLiteral("&1_2=Jones"),
                                                  QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=110")}));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "TestEndToEnd.moc"
