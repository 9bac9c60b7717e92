#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

// Where the controls the tutorial talks about are, in the main window's coordinates,
// which are the overlay's: it lies exactly over the main window's client area.
struct TTutorialTargets
{
    QRect QuickTutorial; // the Quick Tutorial button, framed in white
    QRect Thumbnail;     // the thumbnail picture, framed in white
    QRect Grid;          // arrow 1: the sample grid
    QRect Choices;       // arrow 2: the Skip and Convert choices, as far as their words go
    QRect TabList;       // arrow 3: the Tab list
    QRect Next;          // arrow 4: the Next button
};

// One arrow of the tutorial: the position drawArrow takes and its number.
struct TTutorialArrow
{
    QPoint Position;
    QString Text;
    bool operator==(const TTutorialArrow&) const = default;
};

// The four arrows, placed so that each tip lies on its target: 1 to 3 point left
// at the grid, the choices and the Tab list; 4 points right at Next.
QList<TTutorialArrow> TutorialArrows(const TTutorialTargets& targets);
// Where the tip of an arrow drawn at position lies.
QPoint ArrowTip(const QPoint& position);
// Where the shafts of the left-pointing arrows end: short of the thumbnail's frame.
int ArrowShaftEnd(const TTutorialTargets& targets);
// Close Tutorial beside Quick Tutorial, on its right when it fits there, else on its
// left, always wholly inside an overlay of the given size.
QRect CloseTutorialRect(const QRect& quickTutorial, const QSize& button, const QSize& overlay);

// Quick tutorial overlay: a frameless window laid over the main window's client
// area, showing a frozen picture of the mapping page with four numbered arrows.
class TForm5 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm5(QWidget* parent = nullptr);

    // Runs the tutorial over mainWindow. snapshot is the main window's client area as shown;
    // targets are where its controls are, in its own coordinates.
    void RunTutorial(QWidget* mainWindow, const QPixmap& snapshot, const TTutorialTargets& targets);

    // Draws one numbered arrow with its caption onto the overlay's picture. The shaft of an
    // arrow pointing left runs to x = 700, or to the end the tutorial set for its layout.
    void drawArrow(int xPos, int yPos, const QString& aText);

    // Fits the overlay over the watched main window; runs whenever the overlay is shown.
    void FormShow();
    // Close Tutorial.
    void Button2Click();
    // The user began to move or size the main window.
    void WMEnterSizeMove();
    // Closes the overlay whenever mainWindow is moved or sized, or pressed on its frame.
    void WatchMainWindow(QWidget* mainWindow);

    // Pause between arrows, in milliseconds (1500 unless changed).
    void SetPauseDuration(int milliseconds) { PauseDuration = milliseconds; }

    // The overlay's picture as last repainted.
    const QPixmap& Picture() const { return FPicture; }
    // Where the arrows drawn since the tutorial started point, in the overlay's coordinates.
    const QList<QPoint>& ArrowTips() const { return FArrowTips; }

    QLabel* Image1;
    QPushButton* Button2;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RepaintPicture();
    void Pause();

    QPixmap FPicture;
    QList<QPoint> FArrowTips;
    int FShaftEnd = 700;
    QPointer<QWidget> MainWindow;
    int PauseDuration = 1500;
};

// The two lines written in arrow aText's shaft; empty for an arrow without a caption.
QStringList TutorialCaption(const QString& aText);
