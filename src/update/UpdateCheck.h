#pragma once

// The update check as start-up runs it, before the main window exists.

#include "update/UpdateConfig.h"

#include <functional>

namespace harrowdale::ui {
class IMessageBoxes;
class IShell;
} // namespace harrowdale::ui

namespace harrowdale::update {

class TfrmNewVersion;

/// Shows the dialog and returns when it has closed; the program shows it modally, tests
/// drive it themselves.
using TShowDialog = std::function<void(TfrmNewVersion& dialog)>;

/// Checks for a new version and, when there is one, shows the dialog. Returns false when
/// the program must end now (a mandatory update, or an update that was started).
bool RunUpdateCheck(const TUpdateConfig& config, ui::IMessageBoxes& messages, ui::IShell& shell,
                    const TShowDialog& show = {});

} // namespace harrowdale::update
