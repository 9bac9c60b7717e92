#include "app/Pictures.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace
{
const QColor Orange(0xF0, 0x7D, 0x00);
const QColor DarkOrange(0xB0, 0x50, 0x00);
const QColor Navy(0x1F, 0x3A, 0x5F);
const QColor PaleBlue(0xE8, 0xEF, 0xF7);
} // namespace

QPixmap LogoPicture()
{
    QPixmap pixmap(420, 150);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A quill over a marsh-blue wave.
    QLinearGradient wave(0, 90, 0, 150);
    wave.setColorAt(0, QColor(0x4A, 0x86, 0xC5));
    wave.setColorAt(1, Navy);
    QPainterPath water;
    water.moveTo(10, 120);
    water.cubicTo(50, 95, 90, 140, 130, 115);
    water.lineTo(130, 140);
    water.lineTo(10, 140);
    water.closeSubpath();
    p.fillPath(water, wave);
    QPainterPath quill;
    quill.moveTo(30, 112);
    quill.cubicTo(60, 60, 95, 25, 125, 10);
    quill.cubicTo(110, 45, 80, 85, 30, 112);
    p.fillPath(quill, Orange);
    p.setPen(QPen(DarkOrange, 2));
    p.drawLine(QPointF(30, 112), QPointF(118, 18));

    QFont title(QStringLiteral("Sans Serif"), 30, QFont::Bold);
    p.setFont(title);
    p.setPen(Navy);
    p.drawText(QRect(145, 20, 275, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillmarsh"));
    QFont sub(QStringLiteral("Sans Serif"), 16);
    p.setFont(sub);
    p.setPen(Orange);
    p.drawText(QRect(147, 80, 275, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Import Utility"));
    return pixmap;
}

QPixmap HeadingPicture(const QString& words)
{
    QFont font(QStringLiteral("Sans Serif"), 26, QFont::Bold);
    const QFontMetrics metrics(font);
    const QSize size(metrics.horizontalAdvance(words) + 16, metrics.height() + 8);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    // A darker shadow under the lettering.
    p.setPen(DarkOrange);
    p.drawText(QRect(QPoint(6, 6), size - QSize(6, 6)), Qt::AlignLeft | Qt::AlignVCenter, words);
    p.setPen(Orange);
    p.drawText(QRect(QPoint(4, 4), size - QSize(8, 8)), Qt::AlignLeft | Qt::AlignVCenter, words);
    return pixmap;
}

QPixmap PadlockPicture()
{
    QPixmap pixmap(15, 18);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Shackle.
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3, 1, 9, 10), 0, 180 * 16);
    p.drawLine(QPointF(3, 6), QPointF(3, 8));
    p.drawLine(QPointF(12, 6), QPointF(12, 8));
    // Body.
    p.setPen(QPen(QColor(0xA0, 0x78, 0x00), 1));
    p.setBrush(QColor(0xFF, 0xD7, 0x00));
    p.drawRoundedRect(QRectF(1, 8, 13, 9.5), 1.5, 1.5);
    // Keyhole.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x60, 0x48, 0x00));
    p.drawEllipse(QRectF(6, 10.5, 3, 3));
    p.drawRect(QRectF(7, 12.5, 1, 3));
    return pixmap;
}

QPixmap MailboxPicture(const QSize& size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    const int w = size.width();
    const int h = size.height();
    QFont normal(QStringLiteral("Sans Serif"), 9);
    QFont bold(QStringLiteral("Sans Serif"), 9, QFont::Bold);

    // Browser frame and the service's banner.
    p.fillRect(0, 0, w, 28, QColor(0xDD, 0xDD, 0xDD));
    p.fillRect(60, 6, w - 80, 16, Qt::white);
    p.setPen(Qt::darkGray);
    p.setFont(normal);
    p.drawText(QRect(66, 6, w - 90, 16), Qt::AlignVCenter, QStringLiteral("https://www.quillmarsh.example/mailbox"));
    p.fillRect(0, 28, w, 40, Navy);
    p.setPen(Qt::white);
    p.setFont(QFont(QStringLiteral("Sans Serif"), 14, QFont::Bold));
    p.drawText(QRect(12, 28, w, 40), Qt::AlignVCenter, QStringLiteral("Quillmarsh  Mailbox"));

    // Tabs, "Applications" open.
    const QStringList tabs = {QStringLiteral("Messages"), QStringLiteral("Applications"), QStringLiteral("Sent"),
                              QStringLiteral("Archive")};
    int x = 12;
    p.setFont(bold);
    for (const QString& tab : tabs) {
        const bool open = tab == QStringLiteral("Applications");
        const int tabWidth = 110;
        p.fillRect(x, 76, tabWidth, 26, open ? PaleBlue : QColor(0xC8, 0xC8, 0xC8));
        p.setPen(open ? Orange : Qt::black);
        p.drawText(QRect(x, 76, tabWidth, 26), Qt::AlignCenter, tab);
        x += tabWidth + 4;
    }
    p.fillRect(8, 102, w - 16, h - 110, PaleBlue);

    // The list of pending applications.
    const int top = 112;
    p.setPen(Navy);
    p.drawText(QRect(20, top, w - 40, 20), Qt::AlignVCenter, QStringLiteral("Pending applications"));
    const QStringList columns = {QStringLiteral("Received"), QStringLiteral("Name"), QStringLiteral("Source"),
                                 QStringLiteral("Action")};
    const int colWidth = (w - 40) / int(columns.size());
    p.fillRect(20, top + 24, w - 40, 22, QColor(0xB8, 0xCC, 0xE4));
    for (int c = 0; c < columns.size(); ++c)
        p.drawText(QRect(24 + c * colWidth, top + 24, colWidth, 22), Qt::AlignVCenter, columns[c]);
    const QStringList names = {QStringLiteral("Avery Brook"), QStringLiteral("Jordan Fen"),
                               QStringLiteral("Casey Reed"), QStringLiteral("Morgan Heath"),
                               QStringLiteral("Riley Moss"), QStringLiteral("Quinn Marsh")};
    p.setFont(normal);
    int y = top + 48;
    for (int r = 0; r < names.size() && y + 22 < h - 10; ++r, y += 24) {
        p.fillRect(20, y, w - 40, 22, r % 2 ? QColor(0xF4, 0xF7, 0xFB) : Qt::white);
        p.setPen(Qt::black);
        p.drawText(QRect(24, y, colWidth, 22), Qt::AlignVCenter, QStringLiteral("03-%1-2019").arg(10 + r));
        p.drawText(QRect(24 + colWidth, y, colWidth, 22), Qt::AlignVCenter, names[r]);
        p.drawText(QRect(24 + 2 * colWidth, y, colWidth, 22), Qt::AlignVCenter, QStringLiteral("Import Utility"));
        p.setPen(Orange);
        p.drawText(QRect(24 + 3 * colWidth, y, colWidth, 22), Qt::AlignVCenter, QStringLiteral("Receive"));
    }
    return pixmap;
}
