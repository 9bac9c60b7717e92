#pragma once

#include <QWidget>

// Quick tutorial overlay.
class TForm5 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm5(QWidget* parent = nullptr);
};
