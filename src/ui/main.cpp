// Start-up: title, translation for the saved or the system language, the update check,
// then the main window.

#include "i18n/Translation.h"
#include "ui/AppIdentity.h"
#include "ui/LanguageSettings.h"
#include "ui/MainWindow.h"
#include "ui/Services.h"
#include "update/UpdateCheck.h"

#include <QApplication>
#include <string>
#include <string_view>

int main(int argc, char** argv)
{
    harrowdale::ui::SetApplicationNames();
    QApplication app(argc, argv);
    QApplication::setWindowIcon(harrowdale::ui::ApplicationIcon());

    // The settings store is named after the application, so the title comes first.
    harrowdale::LoadTranslation(harrowdale::ui::SavedLanguage());

    harrowdale::ui::TUiServices services = harrowdale::ui::DesktopServices();
    // The dialog of the check may end the program before any window exists.
    if (!harrowdale::update::RunUpdateCheck(harrowdale::update::DefaultUpdateConfig(),
                                            *services.Messages, *services.Shell))
        return 0;

    harrowdale::ui::TMainWindow window(std::move(services));
    window.showMaximized();
    // --open FILE: a scan file to show, as File > "Open Scan..." would. Taken from argv
    // after Qt removed its own options, so the name stays the bytes given.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--open" && i + 1 < argc)
            window.OpenScanFile(argv[i + 1]);
        else if (arg.starts_with("--open="))
            window.OpenScanFile(std::string(arg.substr(7)));
    }
    return QApplication::exec();
}
