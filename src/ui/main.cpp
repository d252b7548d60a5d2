// Start-up: names, the command line, translation for the saved or the system language, the
// update check, then the main window.

#include "i18n/Translation.h"
#include "ui/AppIdentity.h"
#include "ui/CommandLine.h"
#include "ui/LanguageSettings.h"
#include "ui/MainWindow.h"
#include "ui/QtLanguage.h"
#include "ui/Services.h"
#include "ui/Settings.h"
#include "update/UpdateCheck.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

int Print(const QString& text, std::FILE* to)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
    return 0;
}

int UsageError(const QString& text)
{
    Print(QStringLiteral("harrowdale: %1\nTry 'harrowdale --help'.\n").arg(text), stderr);
    return 2;
}

/// False when Qt will find no display: the X11 or Wayland platform (Qt's choices when none
/// is named) with no display of its kind, and no platform named on the command line.
bool DisplayMayOpen(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "-platform", 9) == 0 ||
            std::strncmp(argv[i], "--platform", 10) == 0)
            return true;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.isEmpty())
        return x11 || wayland;
    if (platform.startsWith("xcb"))
        return x11;
    if (platform.startsWith("wayland"))
        return wayland;
    return true; // offscreen, vnc, eglfs...: Qt decides
}

} // namespace

int main(int argc, char** argv)
{
    using harrowdale::ui::TCommandLine;
    harrowdale::ui::SetApplicationNames();
    // --help and --version answer without a display: no QApplication yet.
    {
        const QCoreApplication early(argc, argv);
        const TCommandLine asked =
            harrowdale::ui::ParseCommandLine(harrowdale::ui::ArgumentBytes(argc, argv));
        if (asked.Action == TCommandLine::TAction::Help ||
            asked.Action == TCommandLine::TAction::Version)
            return Print(asked.Text, stdout);
        // Qt's own options (-platform, -style...) look unknown until QApplication has taken
        // them, so a usage error is final here only where no window could open anyway:
        // QApplication would abort before saying what was wrong.
        if (asked.Action == TCommandLine::TAction::Error && !DisplayMayOpen(argc, argv))
            return UsageError(asked.Text);
    }

    // Takes Qt's own options (-platform, -style, ...) out of argc and argv.
    QApplication app(argc, argv);
    QApplication::setWindowIcon(harrowdale::ui::ApplicationIcon());
    const TCommandLine command =
        harrowdale::ui::ParseCommandLine(harrowdale::ui::ArgumentBytes(argc, argv));
    if (command.Action == TCommandLine::TAction::Error)
        return UsageError(command.Text);

    // The settings store is named after the application, so the names come first.
    harrowdale::LoadTranslation(harrowdale::ui::SavedLanguage());
    harrowdale::ui::ApplyQtLanguage(harrowdale::ui::ShownLanguageCode());

    harrowdale::ui::TUiServices services = harrowdale::ui::DesktopServices();
    // The dialog of the check may end the program before any window exists. The build and
    // the menu setting can each switch the check off.
    harrowdale::update::TUpdateConfig updates = harrowdale::update::DefaultUpdateConfig();
    updates.Enabled = updates.Enabled && harrowdale::ui::UpdateCheckAtStartUp();
    if (!harrowdale::update::RunUpdateCheck(updates, *services.Messages, *services.Shell))
        return 0;

    harrowdale::ui::TMainWindow window(std::move(services));
    // The first run opens maximised; later ones where and as the last one closed.
    if (window.RestoreSettings())
        window.show();
    else
        window.showMaximized();
    if (!command.OpenFiles.empty()) {
        // Scan files to show, as File > "Open Scan..." would.
        window.OpenScanFiles(command.OpenFiles);
    } else if (command.Path) {
        // Once the window is shown and laid out, as if the user had pressed Scan.
        QTimer::singleShot(0, &window,
                           [&window, path = *command.Path] { window.ScanFolder(path); });
    }
    return QApplication::exec();
}
