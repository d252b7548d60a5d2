#pragma once

// Who the program is to the desktop: its name and organization (which also name the
// settings store), the desktop file name (Wayland compositors and task bars match the
// window to the menu entry by it, so it shows our icon and groups our windows) and the
// window icon.

#include <QIcon>

namespace harrowdale::ui {

/// The menu entry's id: the .desktop file's and the icon's name without extension.
inline constexpr const char* kAppId = "example.harrowdale.Harrowdale";

/// Names, organization and desktop file name; needs no application object yet, so the
/// command line can be read before a display is opened.
void SetApplicationNames();

/// The icon theme's icon of our id (installed under share/icons/hicolor), else the SVG
/// built into the program. Null when Qt cannot read SVG (its SVG image plugin is missing).
QIcon ApplicationIcon();

} // namespace harrowdale::ui
