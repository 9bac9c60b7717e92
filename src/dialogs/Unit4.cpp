#include "dialogs/Unit4.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QTextDocument>
#include <QtMath>

QStringList ImportInstructionLines()
{
    return {
        QStringLiteral("INSTRUCTIONS"),
        QString(),
        QStringLiteral("1. Select a column (field) to import "),
        QStringLiteral("    (start at left-most column)"),
        QStringLiteral("2. Select \"Convert column to...\" or you can"),
        QStringLiteral("    skip the column to avoid importing it."),
        QStringLiteral("3. Choose that column's identity in the "),
        QStringLiteral("    Tab, Box and Field options. For "),
        QStringLiteral("     reference, you can see an image of the"),
        QStringLiteral("     Quillmarsh web page it applies to by"),
        QStringLiteral("     selecting the image at the bottom-right."),
        QStringLiteral("4. Repeat these steps until all columns are"),
        QStringLiteral("     identified."),
    };
}

QPoint InstructionsPosition(const QRect& area, const QRect& mainWindow, const QRect& buttonRow, const QSize& window)
{
    constexpr int Gap = 10;
    const int lowest = qMax(area.top(), area.bottom() + 1 - window.height());
    const int rightmost = qMax(area.left(), area.right() + 1 - window.width());
    if (mainWindow.isEmpty())
        return QPoint(rightmost, lowest);

    // Beside the window, level with its top as far as the screen allows.
    const int top = qBound(area.top(), mainWindow.top(), lowest);
    if (area.right() - mainWindow.right() >= window.width() + Gap)
        return QPoint(mainWindow.right() + 1 + Gap, top);
    if (mainWindow.left() - area.left() >= window.width() + Gap)
        return QPoint(mainWindow.left() - Gap - window.width(), top);

    // No room: the corner farthest from the buttons, which must stay in view.
    const QPoint buttons = (buttonRow.isEmpty() ? mainWindow : buttonRow).center();
    const QPoint corners[] = {QPoint(area.left(), area.top()), QPoint(rightmost, area.top()),
                              QPoint(area.left(), lowest), QPoint(rightmost, lowest)};
    QPoint best = corners[0];
    qint64 farthest = -1;
    for (const QPoint& corner : corners) {
        const QPoint centre = QRect(corner, window).center();
        const qint64 dx = centre.x() - buttons.x();
        const qint64 dy = centre.y() - buttons.y();
        if (dx * dx + dy * dy > farthest) {
            farthest = dx * dx + dy * dy;
            best = corner;
        }
    }
    return best;
}

TForm4::TForm4(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Import Instructions"));
    setAttribute(Qt::WA_QuitOnClose, false);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setAccessibleName(QStringLiteral("Import Instructions"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    QPalette colours = Memo1->palette();
    colours.setColor(QPalette::Base, Qt::yellow);
    Memo1->setPalette(colours);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(17);
    Memo1->setFont(font);
    const QStringList lines = ImportInstructionLines();
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));

    // At least the designed 369 by 297, and large enough for every line in the font
    // this system has, so nothing is cut off and no scroll bar is needed.
    const QFontMetrics metrics(Memo1->font());
    int widest = 0;
    for (const QString& line : lines)
        widest = qMax(widest, metrics.horizontalAdvance(line));
    const int margins = 2 * (qCeil(Memo1->document()->documentMargin()) + Memo1->frameWidth()) + 4;
    const QSize text(widest + margins + metrics.averageCharWidth(), int(lines.size()) * metrics.lineSpacing() + margins);
    Memo1->setGeometry(QRect(QPoint(0, 0), text.expandedTo(QSize(369, 297))));

    setFixedSize(Memo1->size());
}

void TForm4::Follow(QWidget* mainWindow, const QList<QWidget*>& buttonRow)
{
    MainWindow = mainWindow;
    ButtonRow.clear();
    for (QWidget* button : buttonRow)
        ButtonRow.append(button);
}

void TForm4::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QWidget::showEvent(event);
}

void TForm4::FormShow()
{
    const QScreen* shown = MainWindow ? MainWindow->screen() : screen();
    if (!shown)
        shown = QGuiApplication::primaryScreen();
    if (!shown)
        return;
    QRect mainWindow;
    QRect buttonRow;
    if (MainWindow && MainWindow->isVisible()) {
        mainWindow = MainWindow->frameGeometry();
        for (const QPointer<QWidget>& button : ButtonRow) {
            if (button)
                buttonRow |= QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
        }
    }
    move(InstructionsPosition(shown->availableGeometry(), mainWindow, buttonRow, frameGeometry().size()));
}
