#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

// Quick tutorial overlay: a frameless window laid over the main window's client
// area, showing a frozen picture of the mapping page with four numbered arrows.
class TForm5 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm5(QWidget* parent = nullptr);

    // Runs the tutorial over mainWindow. snapshot is the main window's client area as shown;
    // quickTutorial and image7 are the Quick Tutorial button's and the thumbnail's geometry in
    // their parents' coordinates; panel1Height is the height of the mapping controls' panel.
    void RunTutorial(QWidget* mainWindow, const QPixmap& snapshot, const QRect& quickTutorial, const QRect& image7,
                     int panel1Height);

    // Draws one numbered arrow with its caption onto the overlay's picture.
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

    QLabel* Image1;
    QPushButton* Button2;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RepaintPicture();
    void Pause();

    QPixmap FPicture;
    QPointer<QWidget> MainWindow;
    int PauseDuration = 1500;
};

// Where the overlay goes for a main window with this frame: over its client area.
QRect TutorialOverlayRect(const QRect& frame);

// The two lines written in arrow aText's shaft; empty for an arrow without a caption.
QStringList TutorialCaption(const QString& aText);
