#include "ui/Settings.h"

#include <QString>

namespace harrowdale::ui {

QSettings SettingsStore()
{
    return QSettings(QStringLiteral("Harrowdale"), QStringLiteral("Harrowdale"));
}

} // namespace harrowdale::ui
