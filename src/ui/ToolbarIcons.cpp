#include "ui/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cstring>

namespace harrowdale::ui {

namespace {

struct IconSpec
{
    const char* Name;
    const char* Theme;
    QColor Color;
    void (*Draw)(QPainter&); // our own picture, on a 70 x 70 tile
};

void Document(QPainter& p)
{
    QPainterPath page;
    page.moveTo(22, 14);
    page.lineTo(42, 14);
    page.lineTo(50, 22);
    page.lineTo(50, 56);
    page.lineTo(22, 56);
    page.closeSubpath();
    p.drawPath(page);
}

void Folder(QPainter& p)
{
    QPainterPath f;
    f.moveTo(14, 22);
    f.lineTo(28, 22);
    f.lineTo(32, 27);
    f.lineTo(56, 27);
    f.lineTo(56, 52);
    f.lineTo(14, 52);
    f.closeSubpath();
    p.drawPath(f);
}

const IconSpec kIcons[] = {
    {"scan", "system-search", QColor(40, 120, 200),
     [](QPainter& p) {
         p.drawEllipse(QPointF(31, 31), 13, 13);
         p.drawLine(QPointF(41, 41), QPointF(54, 54));
     }},
    {"stop", "process-stop", QColor(200, 50, 50),
     [](QPainter& p) { p.drawRect(QRectF(22, 22, 26, 26)); }},
    {"open-file", "document-open", QColor(60, 150, 90),
     [](QPainter& p) {
         Document(p);
         p.drawLine(QPointF(29, 44), QPointF(43, 30));
         p.drawLine(QPointF(35, 30), QPointF(43, 30));
         p.drawLine(QPointF(43, 30), QPointF(43, 38));
     }},
    {"clipboard", "edit-copy", QColor(120, 100, 180),
     [](QPainter& p) {
         p.drawRect(QRectF(20, 18, 30, 38));
         p.drawRect(QRectF(28, 13, 14, 8));
         p.drawLine(QPointF(26, 32), QPointF(44, 32));
         p.drawLine(QPointF(26, 42), QPointF(44, 42));
     }},
    {"open-folder", "folder-open", QColor(210, 160, 40), Folder},
    {"file-properties", "document-properties", QColor(90, 110, 130),
     [](QPainter& p) {
         Document(p);
         for (int y : {28, 36, 44})
             p.drawLine(QPointF(28, y), QPointF(44, y));
     }},
    {"recycle", "user-trash", QColor(70, 140, 70),
     [](QPainter& p) {
         p.drawLine(QPointF(18, 22), QPointF(52, 22));
         p.drawRect(QRectF(30, 15, 10, 7));
         QPainterPath bin;
         bin.moveTo(22, 22);
         bin.lineTo(26, 56);
         bin.lineTo(44, 56);
         bin.lineTo(48, 22);
         p.drawPath(bin);
     }},
    {"delete-file", "edit-delete", QColor(170, 40, 40),
     [](QPainter& p) {
         p.drawLine(QPointF(22, 22), QPointF(48, 48));
         p.drawLine(QPointF(48, 22), QPointF(22, 48));
     }},
    {"domain", "applications-internet", QColor(30, 110, 170),
     [](QPainter& p) {
         p.drawEllipse(QPointF(35, 35), 19, 19);
         p.drawEllipse(QPointF(35, 35), 8, 19);
         p.drawLine(QPointF(16, 35), QPointF(54, 35));
     }},
    {"info (2)", "help-about", QColor(60, 90, 160),
     [](QPainter& p) {
         p.drawLine(QPointF(35, 32), QPointF(35, 52));
         p.drawPoint(QPointF(35, 22));
     }},
    {"file (4)", "text-x-generic", QColor(120, 120, 120), Document},
};

QIcon OwnPicture(const IconSpec& spec)
{
    QPixmap pm(70, 70);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(4, 4, 62, 62), 12, 12);
    p.fillPath(tile, spec.Color);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    spec.Draw(p);
    return QIcon(pm);
}

} // namespace

QIcon ToolbarIcon(const char* name)
{
    for (const IconSpec& spec : kIcons) {
        if (std::strcmp(spec.Name, name) != 0)
            continue;
        const QIcon themed = QIcon::fromTheme(QLatin1String(spec.Theme));
        return themed.isNull() ? OwnPicture(spec) : themed;
    }
    return {};
}

} // namespace harrowdale::ui
