#pragma once

// The About box's text: version, licence, website, and where updates come from.

#include <QString>

namespace harrowdale::ui {

/// `updateCheck`: whether this build asks the website for new versions itself; a build
/// that a distribution's package manager keeps up to date says so instead.
QString AboutText(bool updateCheck);

} // namespace harrowdale::ui
