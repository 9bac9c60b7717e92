#include "SandboxProcess.h"
#include "ScriptedPrompt.h"
#include "app/Unit1.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QComboBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace
{
QStringList Items(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

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
        const QString fileName = Dir->filePath(QStringLiteral("people.csv"));
        {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Last name,Nickname,City,Notes\r\n"
                       "\"Smith, Jr.\",Bob,\"Springfield, IL\",\"Line one\r\nline two\"\r\n"
                       "Jones,Ann,Portland,plain\r\n");
        }
        TForm1Options options;
        options.HostDirectory = Dir->path();
        options.Prompt = &Prompt;
        options.SettingsPath = Dir->filePath(QStringLiteral("test.INI"));
        options.Endpoint.Host = Sandbox.Host();
        options.Endpoint.CAFile = Sandbox.CAFile();
        TForm1 form(options);
        form.show();

        form.Button1->click();
        QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet2);
        QTest::keyClicks(form.Edit1, QStringLiteral("123456789"));
        QTest::keyClicks(form.Edit2, QStringLiteral("demo@example.org"));
        QTest::keyClicks(form.Edit3, QStringLiteral("sandbox-demo"));
        QVERIFY(form.Button2->isEnabled());
        form.Button2Click();
        QTRY_COMPARE_WITH_TIMEOUT(form.PageControl1->currentWidget(), form.TabSheet3, 10000);

        form.Edit4->setText(fileName);
        form.Edit4Exit();
        form.CheckBox1->setChecked(true);
        QVERIFY(form.Button4->isEnabled());
        form.Button4Click();
        QTRY_COMPARE_WITH_TIMEOUT(form.PageControl1->currentWidget(), form.TabSheet4, 10000);
        const QList<QStringList> mapping{{"Core", "Name", "Last name"},
                                         {"Core", "Name", "Nickname"},
                                         {"Core", "Address", "City"},
                                         {"Notes", "Notes", "Notes"}};
        for (int column = 1; column <= mapping.size(); ++column) {
            const QStringList& choice = mapping.at(column - 1);
            form.StringGrid1->setCurrentCell(1, column);
            form.StringGrid1Click();
            form.RadioButton21->click();
            Select(form.ListBox4, choice.at(0));
            form.ComboBox3Change();
            Select(form.ListBox5, choice.at(1));
            form.ComboBox4Change();
            Select(form.ListBox6, choice.at(2));
            form.ComboBox5Change();
        }
        form.Button10Click();
        QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet5);

        form.Button6Click();
        QTRY_COMPARE_WITH_TIMEOUT(form.PageControl1->currentWidget(), form.TabSheet6, 10000);
        form.RadioButton19->click();
        form.ComboBox1->setCurrentIndex(1);
        QCOMPARE(form.SiteNumber, QStringLiteral("2"));
        form.Button15Click();
        QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet7);

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
};

QTEST_MAIN(TestEndToEnd)
#include "TestEndToEnd.moc"
