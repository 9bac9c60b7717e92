#pragma once

#include "core/HandlerGuard.h"

#include <QEvent>
#include <QObject>
#include <QRadioButton>
#include <QStyledItemDelegate>

#include <functional>

class QTableWidget;

// Paints the sample grid: every cell of the current column is filled with the
// inactive highlight colour so the column being mapped stands out. The row
// numbers and column letters are the grid's headers, which stay in view.
class TSampleGridDelegate : public QStyledItemDelegate
{
public:
    explicit TSampleGridDelegate(QTableWidget* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QTableWidget* FGrid;
};

// Widens every column of the grid to its widest text plus 10 pixels; never narrows one.
void WidenColumnsToText(QTableWidget* grid, int firstRow, int lastRow);

// Calls a function for the events of the objects it is installed on; the
// function returns true to stop an event. A failure it lets out is shown through
// prompt (ShowHandlerFailure) and the event goes on as though not filtered.
class TEventHook : public QObject
{
public:
    using THandler = std::function<bool(QObject*, QEvent*)>;
    TEventHook(QObject* parent, IPrompt* prompt, THandler handler)
        : QObject(parent)
        , FPrompt(prompt)
        , FHandler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        try {
            return FHandler(watched, event);
        } catch (...) {
            ShowHandlerFailure(FPrompt);
            return false;
        }
    }

private:
    IPrompt* FPrompt;
    THandler FHandler;
};

// A radio button that reports the mouse button's release after it has taken
// the click, so the handler sees the state the click left.
class TMouseUpRadioButton : public QRadioButton
{
public:
    using QRadioButton::QRadioButton;
    std::function<void()> OnMouseUp;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QRadioButton::mouseReleaseEvent(event);
        if (OnMouseUp)
            OnMouseUp();
    }
};
