#include "dialogs/Unit3.h"

#include <QLabel>

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Quillmarsh Import Utility"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setGeometry(0, 0, 681, 601);
    Image1->setAccessibleName(QStringLiteral("Picture"));
    setFixedSize(Image1->size());

    FormCreate();
}

void TForm3::FormCreate()
{
    move(100, 100);
}

void TForm3::SetPicture(const QPixmap& picture, const QString& caption)
{
    Image1->setAccessibleName(caption.isEmpty() ? QStringLiteral("Picture") : caption);
    Image1->setPixmap(picture.copy());
    Image1->setGeometry(QRect(QPoint(0, 0), picture.size()));
    setFixedSize(picture.size());
}

QPixmap TForm3::Picture() const
{
    return Image1->pixmap();
}
