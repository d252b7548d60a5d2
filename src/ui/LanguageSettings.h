#pragma once

// The language choice kept between runs: the settings value CurrentLanguage of the
// "Harrowdale" settings (the registry on Windows, ~/.config/Harrowdale/ on Linux). Start-up
// reads it before the translation is loaded; the language menu writes it.

#include <optional>
#include <string>

namespace harrowdale::ui {

/// The saved language code, when there is one. A value that is not text (edited by hand)
/// is ignored, so start-up falls back to the system language.
std::optional<std::string> SavedLanguage();

/// Writes the current LangCode to CurrentLanguage. A store that cannot be written loses
/// the choice silently; the language still applies for this run.
void SaveLanguage();

} // namespace harrowdale::ui
