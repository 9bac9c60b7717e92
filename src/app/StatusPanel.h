#pragma once

#include <QWidget>

#include <functional>

class QPainter;

// A status bar panel whose content the owner paints (the SSL indicator).
class TStatusPanel : public QWidget
{
public:
    using TDrawPanel = std::function<void(QPainter&, int, const QRect&)>;

    TStatusPanel(int panel, TDrawPanel draw, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int FPanel;
    TDrawPanel FDraw;
};
