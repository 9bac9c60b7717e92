#pragma once

#include <QWidget>

#include <functional>

class QPainter;

// A status bar panel whose content the owner paints (the SSL indicator). What the
// panel shows is told in words by its name function: screen readers and the
// tooltip read the same words the picture stands for.
class TStatusPanel : public QWidget
{
    Q_OBJECT

public:
    using TDrawPanel = std::function<void(QPainter&, int, const QRect&)>;
    using TPanelName = std::function<QString()>;

    TStatusPanel(int panel, TDrawPanel draw, QWidget* parent = nullptr);

    void SetNameSource(TPanelName name);
    // The words for what the panel shows now.
    QString Name() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int FPanel;
    TDrawPanel FDraw;
    TPanelName FName;
    QString FPaintedName; // the name of what was painted last, to announce a change
};
