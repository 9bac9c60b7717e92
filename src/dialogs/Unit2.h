#pragma once

#include <QWidget>

// Connection Settings dialog.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
};
