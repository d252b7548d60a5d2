// Start-up: title, translation for the saved or the system language, the update check,
// then the main window.

#include "i18n/Translation.h"
#include "ui/LanguageSettings.h"
#include "ui/MainWindow.h"
#include "ui/Services.h"
#include "update/UpdateCheck.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Harrowdale"));
    QApplication::setOrganizationName(QStringLiteral("Harrowdale"));

    // The settings store is named after the application, so the title comes first.
    harrowdale::LoadTranslation(harrowdale::ui::SavedLanguage());

    harrowdale::ui::TUiServices services = harrowdale::ui::DesktopServices();
    // The dialog of the check may end the program before any window exists.
    if (!harrowdale::update::RunUpdateCheck(harrowdale::update::DefaultUpdateConfig(),
                                            *services.Messages, *services.Shell))
        return 0;

    harrowdale::ui::TMainWindow window(std::move(services));
    window.showMaximized();
    return QApplication::exec();
}
