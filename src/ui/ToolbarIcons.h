#pragma once

#include <QIcon>

namespace harrowdale::ui {

/// The toolbar picture of a name ("scan", "stop", "open-file", "clipboard",
/// "open-folder", "file-properties", "recycle", "delete-file", "domain", "info (2)",
/// "file (4)"): the desktop theme's fitting icon when it has one, otherwise a picture of
/// our own, so every button shows one.
QIcon ToolbarIcon(const char* name);

} // namespace harrowdale::ui
