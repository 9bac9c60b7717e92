// What a screen reader and a keyboard user need of the main window: names for
// the controls that do not carry their words as text, the labels that name the
// boxes and lists, the Tab key's order, and Return for each page's main button.
#include "app/StatusPanel.h"
#include "app/Unit1.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>

#include <algorithm>

namespace
{
// Controls whose tops lie this close count as one line of the page.
constexpr int SameLine = 8;

bool TakesTabFocus(const QWidget* widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !widget->focusProxy();
}

// Parts of a compound control (the edit of an editable list, the bars of a list) follow their control.
bool InsideControl(const QWidget* widget, const QWidget* page)
{
    for (const QWidget* parent = widget->parentWidget(); parent && parent != page; parent = parent->parentWidget()) {
        if (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractScrollArea*>(parent))
            return true;
    }
    return false;
}

QString SecureConnectionText(bool useSSL)
{
    return useSSL ? QStringLiteral("Secure connection") : QStringLiteral("Connection not secure");
}

QList<QWidget*> ReadingOrder(QWidget* page)
{
    struct TPlaced
    {
        QWidget* Widget;
        QPoint At;
    };
    QList<TPlaced> placed;
    for (QWidget* widget : page->findChildren<QWidget*>()) {
        if (TakesTabFocus(widget) && !InsideControl(widget, page))
            placed.append({widget, widget->mapTo(page, QPoint(0, 0))});
    }
    // Top to bottom; controls on one line left to right.
    std::stable_sort(placed.begin(), placed.end(),
                     [](const TPlaced& a, const TPlaced& b) { return a.At.y() < b.At.y(); });
    for (qsizetype first = 0; first < placed.size();) {
        qsizetype end = first + 1;
        while (end < placed.size() && placed[end].At.y() - placed[first].At.y() <= SameLine)
            ++end;
        std::stable_sort(placed.begin() + first, placed.begin() + end,
                         [](const TPlaced& a, const TPlaced& b) { return a.At.x() < b.At.x(); });
        first = end;
    }
    QList<QWidget*> order;
    for (const TPlaced& entry : placed)
        order.append(entry.Widget);
    return order;
}
} // namespace

void TForm1::CreateAccessibility()
{
    // Pages are named after their headings, so a screen reader says where the user is.
    const QList<QPair<QWidget*, QString>> pages = {
        {TabSheet1, QStringLiteral("Quillmarsh Import Utility")}, {TabSheet2, QStringLiteral("Step 1: Connect")},
        {TabSheet3, QStringLiteral("Step 2: Choose File")},      {TabSheet4, QStringLiteral("Step 3: Choose Fields")},
        {TabSheet5, QStringLiteral("Step 4: Test Run")},         {TabSheet6, QStringLiteral("Step 5: Choose Site")},
        {TabSheet7, QStringLiteral("Step 6: Import")},           {TabSheet8, QStringLiteral("Finished")}};
    for (const auto& [page, name] : pages)
        page->setAccessibleName(name);

    // Pictures, by the words they show.
    Image1->setAccessibleName(QStringLiteral("Quillmarsh Import Utility"));
    Image9->setAccessibleName(SecureConnectionText(true));
    Image12->setAccessibleName(QStringLiteral("Quillmarsh Mailbox with its Applications tab open, listing the "
                                              "pending applications"));
    StatusPanel1->SetNameSource([this] { return SecureConnectionText(Setup.UseSSL); });

    // Boxes that a label stands beside are named by it; the label's underlined letter reaches the box or list.
    Label2->setBuddy(Edit1);
    Label3->setBuddy(Edit2);
    Label4->setBuddy(Edit3);
    Label5->setBuddy(Edit4);
    Label12->setBuddy(StringGrid1);
    Label30->setBuddy(ListBox4);
    Label31->setBuddy(ListBox5);
    Label32->setBuddy(ListBox6);
    Label15->setBuddy(ComboBox2);

    // Lists are not named by their labels; the others have none. All are named after what they hold.
    ListBox4->setAccessibleName(QStringLiteral("Tab"));
    ListBox5->setAccessibleName(QStringLiteral("Box"));
    ListBox6->setAccessibleName(QStringLiteral("Field"));
    StringGrid1->setAccessibleName(QStringLiteral("Source file sample"));
    ListBox1->setAccessibleName(QStringLiteral("Record diagnostics"));
    ListBox2->setAccessibleName(QStringLiteral("Test record"));
    ListBox7->setAccessibleName(QStringLiteral("Findings of the row check"));
    ListBox3->setAccessibleName(QStringLiteral("Import messages"));
    ComboBox1->setAccessibleName(QStringLiteral("Site"));
    if (QLineEdit* typed = ComboBox1->lineEdit())
        typed->setAccessibleName(QStringLiteral("Site"));
    Gauge1->setAccessibleName(QStringLiteral("Login progress"));
    Gauge2->setAccessibleName(QStringLiteral("Field list progress"));
    Gauge3->setAccessibleName(QStringLiteral("Import progress"));

    // Tab leaves the grid; the arrow keys move within it.
    StringGrid1->setTabKeyNavigation(false);
    // The corner where the row numbers meet the letters selects nothing in a grid of single cells.
    StringGrid1->setCornerButtonEnabled(false);
    if (auto* corner = StringGrid1->findChild<QAbstractButton*>())
        corner->setAccessibleName(QStringLiteral("Row numbers and column letters"));
    // Return on a focused button presses that button, as in any dialog; elsewhere it presses
    // the page's main button (keyPressEvent).
    for (QPushButton* button : PageControl1->findChildren<QPushButton*>())
        button->setAutoDefault(true);

    ApplyReadingOrder();
    if (const QList<QWidget*> first = ReadingOrder(TabSheet1); !first.isEmpty())
        first.first()->setFocus();
}

void TForm1::ApplyReadingOrder()
{
    // One chain through all pages in page order, each page's controls in reading order: a page
    // entered from any other then starts at its first control.
    QList<QWidget*> chain;
    for (int index = 0; index < PageControl1->count(); ++index)
        chain += ReadingOrder(PageControl1->widget(index));
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

QPushButton* TForm1::MainButton() const
{
    QWidget* page = PageControl1->currentWidget();
    if (page == TabSheet1)
        return Button1;
    if (page == TabSheet2)
        return Button2;
    if (page == TabSheet3)
        return Button4;
    if (page == TabSheet4)
        return Button10;
    if (page == TabSheet5)
        return Button6;
    if (page == TabSheet6)
        return Button15;
    if (page == TabSheet7)
        return Button18->isEnabled() ? Button18 : Button20; // Start until the run has ended
    if (page == TabSheet8)
        return Button21;
    return nullptr;
}

void TForm1::FocusPage(QWidget* page)
{
    const QWidget* focused = focusWidget();
    if (focused && page->isAncestorOf(focused))
        return;
    for (QWidget* widget : ReadingOrder(page)) {
        if (widget->isVisibleTo(page) && widget->isEnabled()) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    // Return that no control took (edits, lists, the grid, check boxes) presses the page's main
    // button when it is enabled. Holding the key down presses it once.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        if (event->isAutoRepeat())
            return;
        QPushButton* button = MainButton();
        if (button && button->isVisible() && button->isEnabled())
            button->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
