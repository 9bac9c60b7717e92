#include "app/SampleGridDelegate.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTableWidget>

namespace
{
constexpr int TextMargin = 10;
} // namespace

TSampleGridDelegate::TSampleGridDelegate(QTableWidget* grid) : QStyledItemDelegate(grid), FGrid(grid) {}

void TSampleGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    const QPalette& palette = option.palette;
    const QRect textRect = option.rect.adjusted(2, 0, -2, 0);
    if (index.column() == FGrid->currentColumn()) {
        const QRect fill = option.rect.adjusted(1, 1, 0, 0);
        painter->fillRect(fill, palette.color(QPalette::Inactive, QPalette::Highlight));
        painter->setPen(palette.color(QPalette::Inactive, QPalette::HighlightedText));
        painter->drawText(textRect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        return;
    }
    QStyledItemDelegate::paint(painter, option, index);
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
