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
    const char* Glyph; // drawn on our own picture
};

const IconSpec kIcons[] = {
    {"scan", "system-search", QColor(40, 120, 200), "\u25B6"},
    {"stop", "process-stop", QColor(200, 50, 50), "\u25A0"},
    {"open-file", "document-open", QColor(60, 150, 90), "\u2197"},
    {"clipboard", "edit-copy", QColor(120, 100, 180), "\u2398"},
    {"open-folder", "folder-open", QColor(210, 160, 40), "\u25A4"},
    {"file-properties", "document-properties", QColor(90, 110, 130), "i"},
    {"recycle", "user-trash", QColor(70, 140, 70), "\u267B"},
    {"delete-file", "edit-delete", QColor(170, 40, 40), "\u2715"},
    {"domain", "applications-internet", QColor(30, 110, 170), "\u25CE"},
    {"info (2)", "help-about", QColor(60, 90, 160), "?"},
    {"file (4)", "text-x-generic", QColor(120, 120, 120), "\u25AF"},
};

QIcon OwnPicture(const IconSpec& spec)
{
    QPixmap pm(70, 70);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(4, 4, 62, 62), 12, 12);
    p.fillPath(path, spec.Color);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(38);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(4, 4, 62, 62), Qt::AlignCenter, QString::fromUtf8(spec.Glyph));
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
