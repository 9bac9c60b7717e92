// The file page: choosing the source file, the field-list request, loading the
// file and the sample grid of the mapping page.
#include "app/Unit1.h"

#include "app/SampleGridDelegate.h"
#include "exchange/Envelope.h"
#include "mapping/ColumnMap.h"
#include "source/SampleGrid.h"
#include "source/SourceFile.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include <algorithm>

namespace
{
constexpr quint16 VolunteerRecords = 2;

bool FileExists(const QString& fileName)
{
    return !fileName.isEmpty() && QFileInfo(fileName).isFile();
}

QTableWidgetItem* CellItem(QTableWidget* grid, int row, int column)
{
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid->setItem(row, column, item);
    }
    return item;
}
} // namespace

void TForm1::ConnectFilePage()
{
    // The kinds sit in different boxes but only one can be chosen.
    auto* kinds = new QButtonGroup(this);
    for (QRadioButton* button : RecordKindButtons) {
        kinds->addButton(button);
        connect(button, &QRadioButton::toggled, this, Guard([this, button](bool checked) {
            if (checked)
                RadioButton1Click(button);
        }));
    }
    connect(Button4, &QPushButton::clicked, this, Guard(&TForm1::Button4Click));
    connect(Button13, &QPushButton::clicked, this, Guard(&TForm1::Button13Click));
    connect(Edit4, &QLineEdit::editingFinished, this, Guard(&TForm1::Edit4Exit));
}

void TForm1::TabSheet3Show()
{
    Button4->setEnabled(!FileName.isEmpty());

    QRadioButton* kind = nullptr;
    for (QRadioButton* button : RecordKindButtons) {
        const int tag = button->property("Tag").toInt();
        if (tag != VolunteerRecords && tag == FileType)
            kind = button;
    }
    if (!kind) {
        FileType = VolunteerRecords;
        kind = RecordKindButtons.value(0);
    }
    // Selecting it raises its click when its state changes, which clears the catalogue.
    if (kind)
        kind->setChecked(true);

    Gauge2->move(Button4->x(), Gauge2->y());
    const QRect edit = Edit4->geometry();
    Button13->setGeometry(edit.x() + edit.width() + 15, edit.y(), Button13->width(), edit.height());
}

void TForm1::RadioButton1Click(QRadioButton* sender)
{
    FileType = quint16(sender->property("Tag").toInt());
    FieldCatalogue.ClearEntries();
}

void TForm1::Button4Click()
{
    // Every column starts skipped again, so the mapping page's Next waits for a field.
    ResetColumnMap(ColumnMap);
    Button10->setEnabled(false);
    Gauge2->setValue(0);
    Button4->setEnabled(false);
    PostRequest(FieldListRequest(AccountNumber, LoginName, Password, FileType), 2, false);
}

void TForm1::Button13Click()
{
    const QString chosen = Prompt().OpenFileName(QStringLiteral("Text files|*.txt;*.csv;*.tab"),
                                                 FileName.isEmpty() ? QString() : QFileInfo(FileName).path());
    if (!chosen.isEmpty()) {
        Edit4->setText(chosen);
        FileName = Edit4->text();
    }
    Button4->setEnabled(FileExists(FileName));
}

void TForm1::Edit4Exit()
{
    FileName = Edit4->text();
    Button4->setEnabled(FileExists(FileName));
}

void TForm1::LoadFieldCatalogue(const QString& text)
{
    ::LoadFieldCatalogue(text, FieldCatalogue);
    const QSignalBlocker blocker(ListBox4);
    // The Tab list only grows, so what is shown stays selected; rebuild only if the names were replaced.
    for (int i = 0; i < ListBox4->count(); ++i) {
        if (i >= FieldCatalogue.TabList.size() || ListBox4->item(i)->text() != FieldCatalogue.TabList.at(i)) {
            ListBox4->clear();
            break;
        }
    }
    for (qsizetype i = ListBox4->count(); i < FieldCatalogue.TabList.size(); ++i)
        ListBox4->addItem(FieldCatalogue.TabList.at(i));
}

void TForm1::LoadSourceFile()
{
    const TSourceLoad load = LoadSourceLines(FileName, SourceLines, SourceDelimiter, RunLog, LogPath());
    switch (load.Status) {
    case TSourceStatus::Invalid:
        Prompt().ShowError(InvalidFormatMessage(), ErrorTitle());
        break;
    case TSourceStatus::Empty:
        Prompt().ShowError(EmptyFileMessage(), ErrorTitle());
        break;
    case TSourceStatus::Unreadable:
        Prompt().ShowError(UnreadableFileMessage(FileName, load.Error), ErrorTitle());
        break;
    case TSourceStatus::Loaded:
        FillSampleGrid(int(std::min<qsizetype>(MaxSampleGridRows, SourceLines.size())));
        Button4->setEnabled(true);
        StringGrid1->viewport()->update();
        return;
    }
    // Nothing of this file can be imported, and nothing of the file shown before it
    // either: the grid and the rows a run would send always come from one file.
    SourceLines.clear();
    const QSignalBlocker blocker(StringGrid1);
    StringGrid1->setRowCount(0);
    StringGrid1->setColumnCount(0);
    Button10->setEnabled(false);
}

void TForm1::FillSampleGrid(int n)
{
    const QList<QStringList> rows = SampleGridRows(SourceLines, n);
    // The column map counts the row numbers as column 0; the grid shows them in its
    // header, so grid column c is source column c and map column c + 1.
    const int columns = SampleGridColumns(StringGrid1->columnCount() + 1, rows) - 1;

    // Filling the grid moves no choice: the current cell is reported by the caller.
    const QSignalBlocker blocker(StringGrid1);
    StringGrid1->setRowCount(int(rows.size()));
    StringGrid1->setColumnCount(columns);
    StringGrid1->setHorizontalHeaderLabels(SampleGridHeader(columns + 1).mid(1));
    QStringList numbers;
    for (int k = 0; k < rows.size(); ++k) {
        const QStringList& cells = rows.at(k);
        numbers.append(cells.value(0));
        for (int column = 0; column < columns; ++column)
            CellItem(StringGrid1, k, column)->setText(column + 1 < cells.size() ? cells.at(column + 1) : QString());
    }
    StringGrid1->setVerticalHeaderLabels(numbers);
    // The first source cell is current unless the user already chose one.
    if ((StringGrid1->currentRow() < 0 || StringGrid1->currentColumn() < 0) && columns > 0 && rows.size() > 0)
        StringGrid1->setCurrentCell(0, 0);
    WidenColumnsToText(StringGrid1, 0, StringGrid1->rowCount() - 1);
}
