#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

// Import Instructions: a yellow note with the mapping page's four steps.
class TForm4 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm4(QWidget* parent = nullptr);

    // Places the window at the bottom right of the screen; runs whenever it is shown.
    void FormShow();

    QPlainTextEdit* Memo1;

protected:
    void showEvent(QShowEvent* event) override;
};

// The note's lines, blanks included.
QStringList ImportInstructionLines();
