#include "ui/LanguageSettings.h"

#include "i18n/Translation.h"
#include "ui/Settings.h"

#include <QString>
#include <QVariant>

namespace harrowdale::ui {

namespace {

QString ValueName()
{
    return QStringLiteral("CurrentLanguage");
}

} // namespace

std::optional<std::string> SavedLanguage()
{
    const QVariant value = SettingsStore().value(ValueName());
    // A list or a number would convert to some text; only a text is a saved code.
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString().toStdString();
}

void SaveLanguage()
{
    SettingsStore().setValue(ValueName(), QString::fromStdString(Translation().LangCode()));
}

} // namespace harrowdale::ui
