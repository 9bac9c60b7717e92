#include "app/StatusPanel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace
{
// Reads the panel's name when asked, so it follows the panel's content without
// anybody having to remember to update it.
class TStatusPanelAccessible : public QAccessibleWidget
{
public:
    explicit TStatusPanelAccessible(TStatusPanel* panel)
        : QAccessibleWidget(panel, QAccessible::Graphic)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<const TStatusPanel*>(object())->Name();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* StatusPanelAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("TStatusPanel") && object && object->isWidgetType())
        return new TStatusPanelAccessible(static_cast<TStatusPanel*>(object));
    return nullptr;
}
} // namespace

TStatusPanel::TStatusPanel(int panel, TDrawPanel draw, QWidget* parent)
    : QWidget(parent)
    , FPanel(panel)
    , FDraw(std::move(draw))
{
    static const bool installed = [] {
        QAccessible::installFactory(StatusPanelAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

void TStatusPanel::SetNameSource(TPanelName name)
{
    FName = std::move(name);
}

QString TStatusPanel::Name() const
{
    return FName ? FName() : QString();
}

bool TStatusPanel::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && FName) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), Name(), this);
        return true;
    }
    return QWidget::event(event);
}

void TStatusPanel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    if (FDraw)
        FDraw(painter, FPanel, rect());
    // The picture changed with the setting: tell a screen reader the new words too.
    const QString name = Name();
    if (name != FPaintedName) {
        FPaintedName = name;
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}
