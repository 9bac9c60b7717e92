#include "app/StatusPanel.h"

#include <QPainter>

TStatusPanel::TStatusPanel(int panel, TDrawPanel draw, QWidget* parent)
    : QWidget(parent)
    , FPanel(panel)
    , FDraw(std::move(draw))
{
}

void TStatusPanel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    if (FDraw)
        FDraw(painter, FPanel, rect());
}
