#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

// Import Instructions: a yellow note with the mapping page's four steps.
class TForm4 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm4(QWidget* parent = nullptr);

    // The window the note accompanies and the buttons it must never hide (the mapping
    // page's "< Prev", "Next >" and "Cancel"); without them the note goes to the bottom
    // right of the screen.
    void Follow(QWidget* mainWindow, const QList<QWidget*>& buttonRow);

    // Places the window where it hides none of the main window's controls (InstructionsPosition);
    // runs whenever it is shown.
    void FormShow();

    QPlainTextEdit* Memo1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> MainWindow;
    QList<QPointer<QWidget>> ButtonRow;
};

// The note's lines, blanks included.
QStringList ImportInstructionLines();

// Where a window of the given outer size goes on the screen's available area,
// beside the main window (its frame; right of it, else left of it) when there is
// room there; otherwise in the corner of the area farthest from the button row.
// Rectangles are in screen coordinates; without a main window, the bottom right.
QPoint InstructionsPosition(const QRect& area, const QRect& mainWindow, const QRect& buttonRow, const QSize& window);
