#include "app/Unit1.h"

#include "dialogs/Unit4.h"
#include "importer/Preview.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

void TForm1::ConnectTestPage()
{
    // Next (Button6) belongs to the site choice and is wired there.
    connect(Button10, &QPushButton::clicked, this, &TForm1::Button10Click);
    connect(Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
    connect(Button17, &QPushButton::clicked, this, &TForm1::Button17Click);
}

void TForm1::Button10Click()
{
    if (CounterBelowTwo(Label33->text()))
        Prompt().ShowMessage(CounterWarningText());
    ShowPage(TabSheet5);
    for (const QString& line : TranslationTableLines(ColumnMap, FieldCatalogue.Entries))
        RunLog.Add(line);
    // Testing restarts at the first data row every time the page is entered from the mapping page.
    TestRow = CheckBox1->isChecked() ? 1 : 0;
    Button17->setEnabled(true);
    Button17Click();
}

void TForm1::TabSheet5Show()
{
    Button8->setEnabled(true);
    Button6->setEnabled(true);
    if (Form4)
        Form4->hide();
}

void TForm1::Button8Click()
{
    ShowPage(TabSheet4);
}

void TForm1::Button17Click()
{
    const TPreviewStep step = PreviewSourceLine(SourceLines, TestRow, ColumnMap, FieldCatalogue.FieldNames);
    ListBox2->clear();
    ListBox2->addItems(step.Lines);
    if (step.EndOfFile) {
        Button17->setEnabled(false);
        return;
    }
    if (step.OneFieldWarning)
        Prompt().ShowMessage(OneFieldMessageText());
    TestRow += 1;
}
