#include "dialogs/Unit4.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>

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
    Memo1->setGeometry(0, 0, 369, 297);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    QPalette colours = Memo1->palette();
    colours.setColor(QPalette::Base, Qt::yellow);
    Memo1->setPalette(colours);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(17);
    Memo1->setFont(font);
    Memo1->setPlainText(ImportInstructionLines().join(QLatin1Char('\n')));

    setFixedSize(Memo1->size());
}

void TForm4::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QWidget::showEvent(event);
}

void TForm4::FormShow()
{
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!shown)
        return;
    const QRect area = shown->geometry();
    const QSize outer = frameGeometry().size();
    move(area.left() + area.width() - outer.width() - 10, area.top() + area.height() - outer.height() - 60);
}
