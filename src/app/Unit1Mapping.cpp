// The column mapping page: the Skip/Convert choice and the Tab, Box and Field
// lists for the grid's current column, plus the page's help windows.
#include "app/SampleGridDelegate.h"
#include "app/Unit1.h"

#include "dialogs/Thumbnails.h"
#include "dialogs/Unit3.h"
#include "dialogs/Unit4.h"
#include "dialogs/Unit5.h"
#include "mapping/ColumnMap.h"
#include "mapping/FieldNames.h"
#include "mapping/MappingPage.h"
#include "source/ColumnLetters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include <memory>

namespace
{
const char* const PictureProperty = "Picture";

// The column of the map whose choice the page shows: the grid's current column
// plus one, as the map's column 0 stands for the row numbers; 0 (never edited)
// when no column is current.
int CurrentColumn(const QTableWidget* grid)
{
    return qBound(0, grid->currentColumn() + 1, ColumnMapSize - 1);
}

// The selected row of a list, or -1; a current row that is not selected does not count.
int SelectedRow(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->currentRow() : -1;
}

// Clears a list's selection from the program: its click handler is not raised.
void ClearSelection(QListWidget* list)
{
    const QSignalBlocker blocker(list);
    list->clearSelection();
    list->setCurrentRow(-1);
}

// Selects a row from the program: its click handler is not raised.
void SelectRow(QListWidget* list, int row)
{
    const QSignalBlocker blocker(list);
    if (row < 0) {
        list->clearSelection();
        list->setCurrentRow(-1);
    } else {
        list->setCurrentRow(row);
    }
}

int FindItem(const QListWidget* list, const std::optional<QString>& text)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->item(i)->text());
    return FindListItem(items, text);
}

void SetDateFormatEnabled(TForm1& form, bool enabled)
{
    form.ComboBox2->setEnabled(enabled);
    form.Label15->setEnabled(enabled);
}

// Puts a picture into a thumbnail, shown scaled to its frame with its proportions kept.
void SetThumbnailPicture(QLabel* thumbnail, const QPixmap& picture, const QString& caption)
{
    thumbnail->setProperty(PictureProperty, picture);
    thumbnail->setAccessibleName(caption);
    thumbnail->setPixmap(picture.scaled(thumbnail->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void ShowGeneralPicture(TForm1& form)
{
    SetThumbnailPicture(form.Image7, form.Image11->pixmap(), ThumbnailCaption(QStringLiteral("general")));
}

bool IsLeftRelease(QEvent* event)
{
    return event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
}
} // namespace

void TForm1::ConnectMappingPage()
{
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, Guard([this](int, int, int, int) {
        StringGrid1Click();
    }));
    // A click on a column's letters chooses that column.
    connect(StringGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, Guard([this](int column) {
        StringGrid1->setCurrentCell(qMax(StringGrid1->currentRow(), 0), column);
    }));
    connect(ListBox4, &QListWidget::itemSelectionChanged, this, Guard(&TForm1::ComboBox3Change));
    connect(ListBox5, &QListWidget::itemSelectionChanged, this, Guard(&TForm1::ComboBox4Change));
    connect(ListBox6, &QListWidget::itemSelectionChanged, this, Guard(&TForm1::ComboBox5Change));
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, Guard(&TForm1::ComboBox2Change));
    connect(RadioButton20, &QRadioButton::toggled, this, Guard(&TForm1::RadioButton20Click));
    connect(RadioButton21, &QRadioButton::toggled, this, Guard(&TForm1::RadioButton20Click));
    if (auto* skip = dynamic_cast<TMouseUpRadioButton*>(RadioButton20))
        skip->OnMouseUp = Guard([this] { RadioButton20MouseUp(); });
    connect(Button9, &QPushButton::clicked, this, Guard(&TForm1::Button9Click));
    connect(Button22, &QPushButton::clicked, this, Guard(&TForm1::Button22Click));
    connect(Button23, &QPushButton::clicked, this, Guard(&TForm1::Button23Click));
    connect(Button24, &QPushButton::clicked, this, Guard(&TForm1::Button24Click));
    connect(Button25, &QPushButton::clicked, this, Guard(&TForm1::Button25Click));

    ListBox5->viewport()->setMouseTracking(true);
    ListBox6->viewport()->setMouseTracking(true);
    // A click on the item that is already chosen changes no selection, yet it is a choice:
    // the lists are rebuilt from it as from any other click.
    auto pressedChosen = std::make_shared<QListWidgetItem*>(nullptr);
    const auto clickOnChosen = [this, pressedChosen](QObject* watched, QEvent* event) {
        for (QListWidget* list : {ListBox4, ListBox5, ListBox6}) {
            if (watched != list->viewport())
                continue;
            auto* mouse = static_cast<QMouseEvent*>(event);
            QListWidgetItem* item = list->itemAt(mouse->position().toPoint());
            const bool plainLeft = mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier;
            if (event->type() == QEvent::MouseButtonPress) {
                const bool chosen = item && item == list->currentItem() && item->isSelected();
                *pressedChosen = plainLeft && chosen ? item : nullptr;
            } else if (plainLeft && item && item == *pressedChosen && item->isSelected()) {
                *pressedChosen = nullptr;
                if (list == ListBox4)
                    ComboBox3Change();
                else if (list == ListBox5)
                    ComboBox4Change();
                else
                    ComboBox5Change();
            }
        }
    };
    auto* hook = new TEventHook(this, FPrompt, [this, clickOnChosen](QObject* watched, QEvent* event) {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)
            clickOnChosen(watched, event);
        if (watched == Image7 && IsLeftRelease(event) && Image7->rect().contains(
                static_cast<QMouseEvent*>(event)->position().toPoint()))
            Image7Click();
        else if (type == QEvent::Enter && watched == Label30)
            Label30MouseEnter();
        else if (type == QEvent::Enter && watched == Label31)
            Label31MouseEnter();
        else if (type == QEvent::Enter && watched == Label32)
            Label32MouseEnter();
        else if (type == QEvent::MouseMove && watched == ListBox5->viewport())
            ListBox5MouseMove();
        else if (type == QEvent::MouseMove && watched == ListBox6->viewport())
            ListBox6MouseMove();
        else if ((type == QEvent::Move || type == QEvent::NonClientAreaMouseButtonPress) && watched == this)
            WMEnterSizeMove();
        return false;
    });
    for (QObject* watched : std::initializer_list<QObject*>{Image7, Label30, Label31, Label32, ListBox4->viewport(),
                                                            ListBox5->viewport(), ListBox6->viewport(), this})
        watched->installEventFilter(hook);
    // Removed before the window's members go (see the destructor).
    FMappingHook = hook;

    ShowGeneralPicture(*this);
}

void TForm1::TabSheet4Show()
{
    Label14->clear();
    Label14->move(Label13->x() + Label13->width() + 2, Label13->y());
    {
        const QSignalBlocker blocker(ComboBox2);
        ComboBox2->setCurrentIndex(0);
    }
    SetDateFormatEnabled(*this, false);
    ComboBox2->move(Label15->x() + Label15->width() + 2, Label15->y() + (Label15->height() - ComboBox2->height()) / 2);
    ShownMes2 = false;
    // Back from the test page the current column keeps its choice: show its field's type,
    // and its date format when that applies, rather than nothing.
    const ColumnMapping mapping = ColumnMap[size_t(CurrentColumn(StringGrid1))];
    if (mapping.Skip == 0 && IsMappedIndex(mapping.FieldIndex)) {
        Label14->setText(FieldTypeName(FieldCatalogue.Entries[size_t(mapping.FieldIndex)].FieldType));
        if (DateFormatApplies(FieldCatalogue, mapping.FieldIndex)) {
            const QSignalBlocker blocker(ComboBox2);
            ComboBox2->setCurrentIndex(mapping.DateFormat < DateFormatCount ? mapping.DateFormat : 0);
            SetDateFormatEnabled(*this, true);
        }
    }

    Button25->setEnabled(CheckBox1->isChecked() && !SourceLines.isEmpty());
    // The written instructions accompany the page; the test page hides them again.
    if (Form4)
        Form4->show();
}

void TForm1::StringGrid1Click()
{
    const int col = CurrentColumn(StringGrid1);
    const QString letters = ColumnLetters(col);
    // Without a source column in the grid (a file that failed to load) there is nothing to map.
    Panel1->setEnabled(col > 0);
    // The underlined letters choose the radio buttons from the keyboard.
    RadioButton20->setText(QStringLiteral("&Skip column ") + letters);
    RadioButton21->setText(QStringLiteral("Con&vert column ") + letters + QStringLiteral(" to... "));

    const ColumnMapping mapping = ColumnMap[size_t(col)];
    if (mapping.Skip != 0) {
        RadioButton20->setChecked(true);
        {
            const QSignalBlocker blocker(ComboBox2);
            ComboBox2->setCurrentIndex(-1);
        }
        ClearSelection(ListBox6);
        // A skipped column has no field, so no field type.
        Label14->clear();
        StringGrid1->setFocus();
    } else {
        RadioButton21->setChecked(true);
        const int index = mapping.FieldIndex;
        SelectRow(ListBox4, FindItem(ListBox4, TabNameOfIndex(FieldCatalogue, index)));
        ComboBox3Change();
        SelectRow(ListBox5, FindItem(ListBox5, BoxNameOfIndex(FieldCatalogue, index)));
        ComboBox4Change();
        const int fieldRow = FindItem(ListBox6, FieldNameOfIndex(FieldCatalogue, index));
        SelectRow(ListBox6, fieldRow);
        {
            const QSignalBlocker blocker(ComboBox2);
            ComboBox2->setCurrentIndex(mapping.DateFormat < DateFormatCount ? mapping.DateFormat : 0);
        }
        const bool dated = fieldRow >= 0 && DateFormatApplies(FieldCatalogue, ListBox6->item(fieldRow)->data(Qt::UserRole).toInt());
        SetDateFormatEnabled(*this, dated);
        // The type of the field this column is mapped to, not of the one chosen last elsewhere.
        if (IsMappedIndex(index))
            Label14->setText(FieldTypeName(FieldCatalogue.Entries[size_t(index)].FieldType));
        else
            Label14->clear();
    }
    StringGrid1->viewport()->update();
    Label16->setText(QStringLiteral("What to do with Column ") + letters + QStringLiteral(":"));
}

void TForm1::ComboBox3Change()
{
    {
        const QSignalBlocker blocker(ListBox5);
        ListBox5->clear();
    }
    const int tabRow = SelectedRow(ListBox4);
    if (tabRow >= 0) {
        const QString tabName = ListBox4->item(tabRow)->text();
        const TBoxOffer offer = BoxesOffered(FieldCatalogue, tabName);
        {
            const QSignalBlocker blocker(ListBox5);
            ListBox5->addItems(offer.Boxes);
        }
        if (offer.ThumbnailChanged) {
            const QString key = ThumbnailKey(tabName);
            SetThumbnailPicture(Image7, ThumbnailPicture(key), ThumbnailCaption(key));
        }
    }
    ClearSelection(ListBox5);
    ComboBox4Change();
    if (!ShownMes2) {
        Prompt().ShowMessage(ThumbnailMessage());
        ShowGeneralPicture(*this);
        ShownMes2 = true;
    }
    ListBox5->setFocus();
}

void TForm1::ComboBox4Change()
{
    {
        const QSignalBlocker blocker(ListBox6);
        ListBox6->clear();
    }
    const int tabRow = SelectedRow(ListBox4);
    const int boxRow = SelectedRow(ListBox5);
    if (tabRow >= 0 && boxRow >= 0) {
        const TNameList fields =
            FieldsOffered(FieldCatalogue, ListBox4->item(tabRow)->text(), ListBox5->item(boxRow)->text());
        const QSignalBlocker blocker(ListBox6);
        for (const TNameList::Item& field : fields.Items()) {
            auto* item = new QListWidgetItem(field.Text, ListBox6);
            item->setData(Qt::UserRole, field.Index);
        }
    }
    ClearSelection(ListBox6);
    ListBox6->setFocus();
}

void TForm1::ComboBox5Change()
{
    const int col = CurrentColumn(StringGrid1);
    const int fieldRow = SelectedRow(ListBox6);
    if (fieldRow >= 0) {
        const int index = ListBox6->item(fieldRow)->data(Qt::UserRole).toInt();
        const QString caption = FieldTypeName(FieldCatalogue.Entries[size_t(index)].FieldType);
        Label14->setText(caption);
        Label14->repaint();
        if (caption == QLatin1String("True or false") && !ShownMes) {
            Prompt().ShowMessage(BooleanMessage());
            ShownMes = true;
        }
        SetDateFormatEnabled(*this, DateFormatApplies(FieldCatalogue, index));
        StoreFieldChoice(ColumnMap, col, quint16(index));
    }
    Button10->setEnabled(true);
    Label33->setText(NextCounterCaption(Label33->text()));
}

void TForm1::ComboBox2Change()
{
    StoreDateFormat(ColumnMap, CurrentColumn(StringGrid1), ComboBox2->currentIndex());
}

void TForm1::RadioButton20Click()
{
    const bool convert = RadioButton21->isChecked();
    for (QListWidget* list : {ListBox4, ListBox5, ListBox6})
        list->setEnabled(convert);
}

void TForm1::RadioButton20MouseUp()
{
    if (!RadioButton20->isChecked())
        return;
    StoreSkipChoice(ColumnMap, CurrentColumn(StringGrid1));
    Label14->clear();
    {
        const QSignalBlocker blocker(ComboBox2);
        ComboBox2->setCurrentIndex(0);
    }
    SetDateFormatEnabled(*this, false);
}

void TForm1::Button9Click()
{
    if (Form4)
        Form4->hide();
    ShowPage(TabSheet3);
}

void TForm1::Button22Click()
{
    if (!Form5)
        return;
    // Everything in the window's own coordinates, which the overlay over its client area shares.
    const auto placed = [this](const QWidget* widget, const QRect& rect) {
        return QRect(widget->mapTo(this, rect.topLeft()), rect.size());
    };
    const auto whole = [&placed](const QWidget* widget) { return placed(widget, widget->rect()); };
    // The choices as far as their words go, not the empty rest of their rows.
    QRect choices;
    for (const QRadioButton* choice : {RadioButton20, RadioButton21})
        choices |= placed(choice, QRect(QPoint(0, 0), QSize(qMin(choice->width(), choice->sizeHint().width()),
                                                             choice->height())));
    TTutorialTargets targets;
    targets.QuickTutorial = whole(Button22);
    targets.Thumbnail = whole(Image7);
    targets.Grid = whole(StringGrid1);
    targets.Choices = choices;
    targets.TabList = whole(ListBox4);
    targets.Next = whole(Button10);
    Form5->WatchMainWindow(this);
    Form5->RunTutorial(this, grab(), targets);
}

void TForm1::Image7Click()
{
    if (!Form3)
        return;
    Form3->show();
    Form3->SetPicture(Image7->property(PictureProperty).value<QPixmap>().copy(), Image7->accessibleName());
}

void TForm1::Label30MouseEnter()
{
    ShowGeneralPicture(*this);
}

void TForm1::Label31MouseEnter()
{
    ShowGeneralPicture(*this);
}

void TForm1::Label32MouseEnter()
{
    ShowGeneralPicture(*this);
}

void TForm1::ListBox5MouseMove()
{
    ListBox5->setFocus();
}

void TForm1::ListBox6MouseMove()
{
    ListBox6->setFocus();
}

void TForm1::WMEnterSizeMove()
{
    // Closing an overlay that is already gone is nothing to report.
    if (Form5)
        Form5->WMEnterSizeMove();
}
