#include "dialogs/Unit5.h"

#include "core/HandlerGuard.h"

#include <QEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPolygon>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace {

const QColor ArrowOutline(128, 0, 0);
const QColor ArrowFill(255, 0, 0);
const QColor ArrowText(255, 255, 0);

// The arrows were laid out in points on a 96 dpi screen; pictures are in pixels,
// so the sizes are fixed in pixels and do not follow the device's resolution.
int PointsToPixels(int points)
{
    return (points * 96 + 36) / 72;
}

// The position to draw an arrow at for its tip to lie at tip.
QPoint ArrowAt(const QPoint& tip)
{
    return tip - ArrowTip(QPoint(0, 0));
}

// Paints a white frame round area, side pixels wide left and right and ends pixels
// high above and below, leaving the area itself as it was.
void FrameInWhite(QPainter& painter, const QRect& area, int side, int ends)
{
    if (area.isEmpty())
        return;
    const QRect outer = area.adjusted(-side, -ends, side, ends);
    painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), ends), Qt::white);
    painter.fillRect(QRect(outer.left(), area.bottom() + 1, outer.width(), ends), Qt::white);
    painter.fillRect(QRect(outer.left(), area.top(), side, area.height()), Qt::white);
    painter.fillRect(QRect(area.right() + 1, area.top(), side, area.height()), Qt::white);
}

// Writes text with its top-left corner at (x, y) on the current background colour.
void WriteText(QPainter& painter, int x, int y, const QString& text)
{
    const QFontMetrics metrics(painter.font());
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), painter.background());
    painter.drawText(x, y + metrics.ascent(), text);
}

} // namespace

QPoint ArrowTip(const QPoint& position)
{
    return position + QPoint(2, 102);
}

QList<TTutorialArrow> TutorialArrows(const TTutorialTargets& targets)
{
    // 1 well inside the grid's first columns, level with its middle; 2 at the end of the
    // choices' words; 3 in the middle of the Tab list; 4, from the left, just inside Next.
    const QRect& grid = targets.Grid;
    const QRect& choices = targets.Choices;
    const QRect& next = targets.Next;
    return {
        {ArrowAt(QPoint(grid.left() + qMin(86, grid.width() / 2), grid.center().y())), QStringLiteral("1")},
        {ArrowAt(QPoint(choices.right() - qMin(4, choices.width() / 2), choices.center().y())), QStringLiteral("2")},
        {ArrowAt(targets.TabList.center()), QStringLiteral("3")},
        {ArrowAt(QPoint(next.left() + qMin(8, next.width() / 2), next.center().y())), QStringLiteral("4")},
    };
}

int ArrowShaftEnd(const TTutorialTargets& targets)
{
    // The thumbnail's white frame reaches 15 pixels to its left; the shafts stop short of it.
    if (targets.Thumbnail.isEmpty())
        return 700;
    return qMin(700, targets.Thumbnail.left() - 15 - 10);
}

QRect CloseTutorialRect(const QRect& quickTutorial, const QSize& button, const QSize& overlay)
{
    constexpr int Gap = 10;
    int left = quickTutorial.right() + 1 + Gap;
    if (left + button.width() > overlay.width())
        left = quickTutorial.left() - Gap - button.width();
    const int top = quickTutorial.top() + (quickTutorial.height() - button.height()) / 2;
    return QRect(QPoint(qBound(0, left, qMax(0, overlay.width() - button.width())),
                        qBound(0, top, qMax(0, overlay.height() - button.height()))),
                 button);
}

QStringList TutorialCaption(const QString& aText)
{
    if (aText == QLatin1String("1"))
        return {QStringLiteral("Select a column you want"), QStringLiteral("imported into Quillmarsh.")};
    if (aText == QLatin1String("2"))
        return {QStringLiteral("Choose to import this field,"), QStringLiteral("or ignore it.")};
    if (aText == QLatin1String("3"))
        return {QStringLiteral("Choose the Tab, Box and Field you want"), QStringLiteral("the source data transferred to.")};
    if (aText == QLatin1String("4"))
        return {QStringLiteral("Repeat steps 1-3 for each column (field)"),
                QStringLiteral("of data, then click \"Next\" to finish.")};
    return {};
}

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Quick Tutorial"));
    // Closing the overlay must never end the program, even with the main window hidden.
    setAttribute(Qt::WA_QuitOnClose, false);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->move(0, 0);
    // The arrows' captions are painted; a screen reader gets them as words.
    QStringList steps;
    for (const QString& arrow : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")})
        steps << arrow + QStringLiteral(". ") + TutorialCaption(arrow).join(QLatin1Char(' '));
    Image1->setAccessibleName(QStringLiteral("Quick Tutorial"));
    Image1->setAccessibleDescription(steps.join(QLatin1Char('\n')));

    Button2 = new QPushButton(QStringLiteral("&Close Tutorial"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setFixedSize(105, 41);
    Button2->raise();
    // No prompt of its own: a failure is shown through the application's.
    connect(Button2, &QPushButton::clicked, this, Guarded(nullptr, this, &TForm5::Button2Click));
}

void TForm5::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QWidget::showEvent(event);
}

void TForm5::FormShow()
{
    if (!MainWindow)
        return;
    // Exactly over the main window's client area, wherever its frame puts that.
    const QRect area(MainWindow->mapToGlobal(QPoint(0, 0)), MainWindow->size());
    setGeometry(area);
    Image1->setGeometry(0, 0, area.width(), area.height());
}

void TForm5::Button2Click()
{
    hide();
}

void TForm5::WMEnterSizeMove()
{
    // Nothing to report if the overlay is already gone.
    if (isVisible())
        close();
}

void TForm5::WatchMainWindow(QWidget* mainWindow)
{
    if (MainWindow == mainWindow)
        return;
    if (MainWindow)
        MainWindow->removeEventFilter(this);
    MainWindow = mainWindow;
    if (MainWindow)
        MainWindow->installEventFilter(this);
}

bool TForm5::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == MainWindow) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::NonClientAreaMouseButtonPress:
            WMEnterSizeMove();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm5::RunTutorial(QWidget* mainWindow, const QPixmap& snapshot, const TTutorialTargets& targets)
{
    WatchMainWindow(mainWindow);
    show();
    raise();

    // A fresh picture every time, so nothing of an earlier run shows through.
    const QSize area = mainWindow->size();
    FArrowTips.clear();
    FShaftEnd = ArrowShaftEnd(targets);
    FPicture = QPixmap(area);
    FPicture.fill(palette().color(QPalette::Button));
    {
        QPainter painter(&FPicture);
        painter.drawPixmap(0, 0, snapshot);
        // Frame the two places the tutorial talks about.
        FrameInWhite(painter, targets.QuickTutorial, 5, 5);
        FrameInWhite(painter, targets.Thumbnail, 15, 5);
    }

    Button2->setGeometry(CloseTutorialRect(targets.QuickTutorial, Button2->size(), area));
    Button2->raise();
    RepaintPicture();

    const QList<TTutorialArrow> arrows = TutorialArrows(targets);
    for (qsizetype i = 0; i < arrows.size(); ++i) {
        drawArrow(arrows[i].Position.x(), arrows[i].Position.y(), arrows[i].Text);
        if (i > 0)
            Pause();
        RepaintPicture();
    }
}

void TForm5::drawArrow(int xPos, int yPos, const QString& aText)
{
    if (FPicture.isNull())
        return;
    const bool pointsRight = aText == QLatin1String("4");
    const QPoint tip(xPos + 2, yPos + 102);
    FArrowTips.append(tip);
    QPolygon outline;
    if (pointsRight) {
        outline << tip << QPoint(xPos - 88, yPos + 12) << QPoint(xPos - 88, yPos + 72) << QPoint(220, yPos + 72)
                << QPoint(220, yPos + 132) << QPoint(xPos - 88, yPos + 132) << QPoint(xPos - 88, yPos + 192);
    } else {
        // A shaft at least as long as the head, whatever end was set.
        const int end = qMax(FShaftEnd, xPos + 92 + 90);
        outline << tip << QPoint(xPos + 92, yPos + 12) << QPoint(xPos + 92, yPos + 72) << QPoint(end, yPos + 72)
                << QPoint(end, yPos + 132) << QPoint(xPos + 92, yPos + 132) << QPoint(xPos + 92, yPos + 192);
    }

    QPainter painter(&FPicture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(ArrowOutline, 3));
    painter.setBrush(ArrowFill);
    painter.drawPolygon(outline);

    painter.setPen(ArrowText);
    painter.setBackground(ArrowFill);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(PointsToPixels(35));
    painter.setFont(font);
    WriteText(painter, pointsRight ? xPos - 68 : xPos + 42, yPos + 72, aText);

    const QStringList caption = TutorialCaption(aText);
    if (caption.size() == 2) {
        font.setPixelSize(PointsToPixels(13));
        painter.setFont(font);
        const int x = pointsRight ? 240 : xPos + 112;
        WriteText(painter, x, yPos + 75, caption[0]);
        WriteText(painter, x, yPos + 102, caption[1]);
    }
}

void TForm5::RepaintPicture()
{
    Image1->setPixmap(FPicture);
    Image1->repaint();
}

void TForm5::Pause()
{
    if (PauseDuration <= 0)
        return;
    // Keeps painting but ignores the user until the arrow sequence is done.
    QEventLoop loop;
    QTimer::singleShot(PauseDuration, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
