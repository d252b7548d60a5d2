#include "update/UpdateCheck.h"

#include "update/NewVersionCheck.h"
#include "update/NewVersionDialog.h"

#include <QApplication>

namespace harrowdale::update {

bool RunUpdateCheck(const TUpdateConfig& config, ui::IMessageBoxes& messages, ui::IShell& shell,
                    const TShowDialog& show)
{
    if (!config.Enabled)
        return true;
    TNewVersionState state;
    if (!CheckForNewVersion(config, state))
        return true;
    // The dialog is the only window yet: closing it must not end the application.
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    TfrmNewVersion dialog(state, config, messages, shell);
    if (show)
        show(dialog);
    else
        dialog.exec();
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
    return dialog.Tag() != 0;
}

} // namespace harrowdale::update
