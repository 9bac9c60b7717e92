#include "dialogs/Thumbnails.h"

#include <QFontMetrics>
#include <QLineF>
#include <QPainter>
#include <QPolygonF>

#include <cmath>

namespace {

struct TMockBox
{
    QString Title;
    QStringList Fields;
};

struct TMockPage
{
    QString Heading;
    int SelectedTab;      // position in the tabs row
    QList<TMockBox> Boxes;
    int ShownBox;         // the box the "Box" arrow points at
    int ShownField;       // the field of that box the "Field" arrow points at
};

const QStringList TabCaptions = {QStringLiteral("Core"),    QStringLiteral("Contacts"), QStringLiteral("History"),
                                 QStringLiteral("Notes"),   QStringLiteral("Profile"),  QStringLiteral("Service")};

TMockBox Box(const char* title, std::initializer_list<const char*> fields)
{
    TMockBox box{QLatin1String(title), {}};
    for (const char* field : fields)
        box.Fields << QLatin1String(field);
    return box;
}

TMockPage PageFor(const QString& key)
{
    if (key == QLatin1String("contacts"))
        return {QStringLiteral("The Contacts tab"), 1,
                {Box("Emergency contact", {"Name", "Relationship", "Phone"}),
                 Box("Employer", {"Company", "Job title", "Work phone"}),
                 Box("Reference", {"Name", "Phone", "Checked"})},
                1, 0};
    if (key == QLatin1String("history"))
        return {QStringLiteral("The History tab"), 2,
                {Box("Hours", {"Date", "Hours", "Assignment"}), Box("Awards", {"Award", "Date given"}),
                 Box("Training", {"Course", "Completed"})},
                0, 1};
    if (key == QLatin1String("notes"))
        return {QStringLiteral("The Notes tab"), 3,
                {Box("Notes", {"Date", "Subject", "Note"}), Box("Follow-up", {"Due date", "Assigned to"})}, 0, 1};
    if (key == QLatin1String("profile"))
        return {QStringLiteral("The Profile tab"), 4,
                {Box("Skills", {"Languages", "Certifications", "Driver"}),
                 Box("Interests", {"Area", "Availability"}), Box("Demographics", {"Birth date", "Gender"})},
                0, 0};
    if (key == QLatin1String("service"))
        return {QStringLiteral("The Service tab"), 5,
                {Box("Assignment", {"Role", "Start date", "End date", "Status"}),
                 Box("Orientation", {"Date completed", "Trainer"})},
                0, 1};
    const QList<TMockBox> coreBoxes = {Box("Name", {"First name", "Last name", "Nickname"}),
                                       Box("Address", {"Street", "City", "State", "Zip"}),
                                       Box("Phone", {"Home", "Work", "Mobile"}),
                                       Box("Email", {"Email", "Alternate email"})};
    if (key == QLatin1String("core"))
        return {QStringLiteral("The Core tab"), 0, coreBoxes, 0, 1};
    return {QStringLiteral("Where Tab, Box and Field appear"), 0, coreBoxes, 1, 3};
}

QFont PictureFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A big red arrow from tail to tip, its caption in yellow at the tail.
void BigArrow(QPainter& painter, QPointF tip, QPointF tail, const QString& caption)
{
    const QLineF line(tip, tail);
    const qreal length = line.length();
    const QPolygonF shape = {{0, 0}, {42, -30}, {42, -13}, {length, -13}, {length, 13}, {42, 13}, {42, 30}};
    painter.save();
    painter.translate(tip);
    painter.rotate(-line.angle()); // QLineF angles run counter-clockwise
    painter.setPen(QPen(QColor(128, 0, 0), 3));
    painter.setBrush(QColor(255, 0, 0));
    painter.drawPolygon(shape);
    painter.restore();

    painter.setFont(PictureFont(26, true));
    const QFontMetrics metrics(painter.font());
    QRect label(0, 0, metrics.horizontalAdvance(caption) + 20, metrics.height() + 8);
    label.moveCenter(tail.toPoint());
    painter.setPen(QPen(QColor(128, 0, 0), 3));
    painter.setBrush(QColor(255, 0, 0));
    painter.drawRoundedRect(label, 8, 8);
    painter.setPen(QColor(255, 255, 0));
    painter.drawText(label, Qt::AlignCenter, caption);
}

// Points the arrow at target from the side with more room.
void ArrowAt(QPainter& painter, QPointF target, qreal dy, const QString& caption)
{
    const qreal dx = target.x() < ThumbnailWidth / 2 ? 130 : -130;
    BigArrow(painter, target, target + QPointF(dx, dy), caption);
}

QPixmap DrawPage(const TMockPage& page)
{
    QPixmap picture(ThumbnailWidth, ThumbnailHeight);
    picture.fill(QColor(236, 240, 246));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    // Banner and record heading.
    painter.fillRect(0, 0, ThumbnailWidth, 44, QColor(40, 70, 120));
    painter.setPen(Qt::white);
    painter.setFont(PictureFont(22, true));
    painter.drawText(QRect(16, 0, 400, 44), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Quillmarsh"));
    painter.setFont(PictureFont(13, false));
    painter.drawText(QRect(300, 0, 365, 44), Qt::AlignVCenter | Qt::AlignRight, page.Heading);
    painter.setPen(QColor(30, 30, 30));
    painter.setFont(PictureFont(15, true));
    painter.drawText(QRect(16, 50, 640, 30), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Volunteer record: Sample, Jordan"));

    // Record page with its Tabs row.
    const QRect pageArea(8, 118, 664, 474);
    painter.setPen(QColor(150, 160, 175));
    painter.setBrush(Qt::white);
    painter.drawRect(pageArea);
    QRect shownTab;
    for (int i = 0; i < TabCaptions.size(); ++i) {
        const QRect tab(16 + i * 108, 88, 104, 30);
        const bool selected = i == page.SelectedTab;
        painter.setPen(QColor(150, 160, 175));
        painter.setBrush(selected ? QColor(Qt::white) : QColor(210, 218, 230));
        painter.drawRect(tab);
        painter.setPen(QColor(30, 30, 30));
        painter.setFont(PictureFont(13, selected));
        painter.drawText(tab, Qt::AlignCenter, TabCaptions[i]);
        if (selected) {
            painter.fillRect(tab.left() + 1, tab.bottom(), tab.width() - 1, 2, Qt::white);
            shownTab = tab;
        }
    }

    // Boxes in two columns, each a titled frame of labelled fields.
    int columnTop[2] = {140, 140};
    QRect shownBoxTitle;
    QRect shownField;
    for (int b = 0; b < page.Boxes.size(); ++b) {
        const TMockBox& box = page.Boxes[b];
        const int column = b % 2;
        const QRect frame(24 + column * 328, columnTop[column], 304, 36 + int(box.Fields.size()) * 30);
        columnTop[column] = frame.bottom() + 16;
        painter.setPen(QColor(150, 160, 175));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame);
        const QRect title(frame.left(), frame.top(), frame.width(), 26);
        painter.fillRect(title.adjusted(1, 1, 0, 0), QColor(225, 232, 242));
        painter.setPen(QColor(40, 70, 120));
        painter.setFont(PictureFont(13, true));
        painter.drawText(title.adjusted(8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, box.Title);
        painter.setFont(PictureFont(12, false));
        for (int f = 0; f < box.Fields.size(); ++f) {
            const int y = frame.top() + 32 + f * 30;
            painter.setPen(QColor(30, 30, 30));
            painter.drawText(QRect(frame.left() + 10, y, 108, 22), Qt::AlignVCenter | Qt::AlignLeft,
                             box.Fields[f] + QLatin1Char(':'));
            const QRect input(frame.left() + 120, y, 172, 22);
            painter.setPen(QColor(170, 170, 170));
            painter.setBrush(Qt::white);
            painter.drawRect(input);
            if (b == page.ShownBox && f == page.ShownField)
                shownField = input;
        }
        if (b == page.ShownBox)
            shownBoxTitle = title;
    }

    ArrowAt(painter, QPointF(shownTab.center().x(), shownTab.bottom() + 4), 80, QStringLiteral("Tab"));
    // The Box arrow lies along the title bar, pointing at the end of the title so it stays readable.
    painter.setFont(PictureFont(13, true));
    const int titleEnd = shownBoxTitle.left() + 8 + QFontMetrics(painter.font()).horizontalAdvance(shownBoxTitle.isNull()
                                                                                                        ? QString()
                                                                                                        : page.Boxes[page.ShownBox].Title);
    const QPointF boxEnd(titleEnd + 6, shownBoxTitle.center().y());
    BigArrow(painter, boxEnd, boxEnd + QPointF(150, 0), QStringLiteral("Box"));
    const QPointF fieldEnd = shownField.left() < ThumbnailWidth / 2 - 100
                                 ? QPointF(shownField.right() - 20, shownField.center().y())
                                 : QPointF(shownField.left() + 20, shownField.center().y());
    ArrowAt(painter, fieldEnd, 60, QStringLiteral("Field"));
    return picture;
}

} // namespace

QStringList ThumbnailTabKeys()
{
    return {QStringLiteral("core"),  QStringLiteral("contacts"), QStringLiteral("history"),
            QStringLiteral("notes"), QStringLiteral("profile"),  QStringLiteral("service")};
}

QPixmap ThumbnailPicture(const QString& key)
{
    const QString lower = key.toLower();
    return DrawPage(PageFor(ThumbnailTabKeys().contains(lower) ? lower : QStringLiteral("general")));
}

QString ThumbnailCaption(const QString& key)
{
    const QString lower = key.toLower();
    return QStringLiteral("Quillmarsh volunteer record page: ")
         + PageFor(ThumbnailTabKeys().contains(lower) ? lower : QStringLiteral("general")).Heading;
}
