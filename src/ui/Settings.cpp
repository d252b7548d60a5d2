#include "ui/Settings.h"

#include <QString>
#include <QVariant>

namespace harrowdale::ui {

namespace {

const QString kUpdateCheck = QStringLiteral("CheckForUpdatesAtStartUp");

} // namespace

QSettings SettingsStore()
{
    return QSettings(QStringLiteral("Harrowdale"), QStringLiteral("Harrowdale"));
}

bool UpdateCheckAtStartUp()
{
    const QVariant value = SettingsStore().value(kUpdateCheck);
    // Only an explicit "false" switches it off (the ini format keeps booleans as text).
    return !(value.isValid() && value.toString() == QLatin1String("false"));
}

void SetUpdateCheckAtStartUp(bool on)
{
    SettingsStore().setValue(kUpdateCheck, on);
}

} // namespace harrowdale::ui
