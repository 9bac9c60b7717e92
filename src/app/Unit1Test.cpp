#include "app/Unit1.h"

#include "dialogs/Unit4.h"
#include "importer/PreCheck.h"
#include "importer/Preview.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace
{
// Rows per step and the time one slice of the check may take before the window
// gets its turn again.
constexpr qint32 RowsPerStep = 500;
constexpr qint64 SliceMs = 20;
} // namespace

void TForm1::ConnectTestPage()
{
    // Next (Button6) belongs to the site choice and is wired there.
    connect(Button10, &QPushButton::clicked, this, Guard(&TForm1::Button10Click));
    connect(Button8, &QPushButton::clicked, this, Guard(&TForm1::Button8Click));
    connect(Button17, &QPushButton::clicked, this, Guard(&TForm1::Button17Click));
    connect(Timer2, &QTimer::timeout, this, Guard(&TForm1::Timer2Timer));
    connect(ListBox7, &QListWidget::itemSelectionChanged, this, Guard(&TForm1::ListBox7Click));
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
    StartPreCheck();
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

void TForm1::StartPreCheck()
{
    PreCheck = std::make_shared<TPreCheck>(SourceLines, CheckBox1->isChecked(), ColumnMap, FieldCatalogue);
    ListBox7->clear();
    Label34->setText(QStringLiteral("Checking every row..."));
    Timer2->start();
}

// One slice of the check; the timer comes back once the window has handled its events.
void TForm1::Timer2Timer()
{
    if (!PreCheck) {
        Timer2->stop();
        return;
    }
    QElapsedTimer spent;
    spent.start();
    bool done = PreCheck->Step(RowsPerStep);
    while (!done && spent.elapsed() < SliceMs)
        done = PreCheck->Step(RowsPerStep);
    if (!done) {
        Label34->setText(QStringLiteral("Checking every row: %1 of %2")
                             .arg(PreCheck->Position())
                             .arg(PreCheck->RowCount()));
        return;
    }
    Timer2->stop();
    ShowPreCheck(PreCheck->Report());
}

void TForm1::ShowPreCheck(const TPreCheckReport& report)
{
    const QString summary = report.SummaryLine();
    Label34->setText(summary);
    RunLog.Add(QStringLiteral("Check: ") + summary);
    const QSignalBlocker blocker(ListBox7);
    ListBox7->clear();
    for (const TFinding& finding : report.Findings) {
        auto* item = new QListWidgetItem(DescribeFinding(finding), ListBox7);
        item->setData(Qt::UserRole, finding.Row);
    }
    const QStringList lines = report.Lines();
    for (qsizetype i = report.Findings.size(); i < lines.size(); ++i)
        ListBox7->addItem(lines.at(i));
}

// A finding chosen: its row is previewed, and testing goes on from there.
void TForm1::ListBox7Click()
{
    const QListWidgetItem* item = ListBox7->currentItem();
    const int row = item ? item->data(Qt::UserRole).toInt() : 0;
    if (row <= 0)
        return;
    TestRow = row - 1;
    Button17->setEnabled(true);
    Button17Click();
}
