#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;

// Picture viewer: shows one picture at its own size.
class TForm3 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);

    // Places the viewer at screen position (100, 100).
    void FormCreate();
    // Shows a copy of picture; the window takes the picture's size. The caption tells a
    // screen reader what the picture shows.
    void SetPicture(const QPixmap& picture, const QString& caption = QString());
    QPixmap Picture() const;

    QLabel* Image1;
};
