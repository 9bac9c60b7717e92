#include "app/SampleGridDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTableWidget>

namespace
{
constexpr int BorderGrip = 3;
constexpr int MinColumnWidth = 8;
constexpr int TextMargin = 10;

bool IsFixedCell(const QModelIndex& index)
{
    return index.row() == 0 || index.column() == 0;
}
} // namespace

TSampleGridDelegate::TSampleGridDelegate(QTableWidget* grid) : QStyledItemDelegate(grid), FGrid(grid) {}

void TSampleGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    const QPalette& palette = option.palette;
    const QRect textRect = option.rect.adjusted(2, 0, -2, 0);
    if (IsFixedCell(index)) {
        painter->fillRect(option.rect, palette.color(QPalette::Button));
        painter->setPen(palette.color(QPalette::Active, QPalette::ButtonText));
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
        return;
    }
    if (index.column() == FGrid->currentColumn()) {
        const QRect fill = option.rect.adjusted(1, 1, 0, 0);
        painter->fillRect(fill, palette.color(QPalette::Inactive, QPalette::Highlight));
        painter->setPen(palette.color(QPalette::Inactive, QPalette::HighlightedText));
        painter->drawText(textRect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        return;
    }
    QStyledItemDelegate::paint(painter, option, index);
}

TGridColumnSizer::TGridColumnSizer(QTableWidget* grid)
    : QObject(grid)
    , FGrid(grid)
    , FViewport(grid->viewport())
{
    FViewport->setMouseTracking(true);
    FViewport->installEventFilter(this);
}

int TGridColumnSizer::BorderAt(int x) const
{
    const int column = FGrid->columnAt(x);
    if (column < 0)
        return -1;
    const int right = FGrid->columnViewportPosition(column) + FGrid->columnWidth(column);
    if (qAbs(x - right) <= BorderGrip)
        return column;
    const int left = FGrid->columnViewportPosition(column);
    if (column > 0 && qAbs(x - left) <= BorderGrip)
        return column - 1;
    return -1;
}

bool TGridColumnSizer::eventFilter(QObject* watched, QEvent* event)
{
    // The viewport still gets events while the grid around it is being destroyed:
    // nothing here may call into the grid before a mouse event says it is alive.
    if (watched != FViewport)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        if (mouse->button() != Qt::LeftButton || FGrid->rowAt(pos.y()) != 0)
            return false;
        FColumn = BorderAt(pos.x());
        if (FColumn < 0)
            return false;
        FStartX = pos.x();
        FStartWidth = FGrid->columnWidth(FColumn);
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        if (FColumn >= 0) {
            FGrid->setColumnWidth(FColumn, qMax(MinColumnWidth, FStartWidth + pos.x() - FStartX));
            return true;
        }
        const bool onBorder = FGrid->rowAt(pos.y()) == 0 && BorderAt(pos.x()) >= 0;
        if (onBorder)
            FGrid->viewport()->setCursor(Qt::SplitHCursor);
        else
            FGrid->viewport()->unsetCursor();
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (FColumn >= 0) {
            FColumn = -1;
            return true;
        }
        return false;
    default:
        return false;
    }
}

void WidenColumnsToText(QTableWidget* grid, int firstRow, int lastRow)
{
    const QFontMetrics metrics(grid->font());
    for (int column = 0; column < grid->columnCount(); ++column) {
        int needed = 0;
        for (int row = firstRow; row <= lastRow && row < grid->rowCount(); ++row) {
            if (const QTableWidgetItem* item = grid->item(row, column))
                needed = qMax(needed, metrics.horizontalAdvance(item->text()) + TextMargin);
        }
        if (needed > grid->columnWidth(column))
            grid->setColumnWidth(column, needed);
    }
}
