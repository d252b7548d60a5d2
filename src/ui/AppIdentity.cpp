#include "ui/AppIdentity.h"

#include <QGuiApplication>
#include <QString>

namespace harrowdale::ui {

void SetApplicationNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("Harrowdale"));
    QCoreApplication::setOrganizationName(QStringLiteral("Harrowdale"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HARROWDALE_VERSION));
    QGuiApplication::setDesktopFileName(QLatin1String(kAppId));
}

QIcon ApplicationIcon()
{
    const QString id = QLatin1String(kAppId);
    // The built-in copy keeps a build tree and a moved install tree (whose icon the theme
    // does not know) showing the same icon.
    return QIcon::fromTheme(id, QIcon(QStringLiteral(":/icons/") + id + QStringLiteral(".svg")));
}

} // namespace harrowdale::ui
