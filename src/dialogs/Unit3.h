#pragma once

#include <QWidget>

// Picture viewer.
class TForm3 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);
};
