#pragma once

// Qt's own texts in the program's language: the standard buttons (Yes, No, OK), the file
// and folder dialogs, the context menu of a text box; and the locale whose month and day
// names the calendar shows. They come from Qt's translation files (qtbase_de.qm and so
// on, Debian package qt6-translations-l10n), looked for in Qt's translations folder; when
// one is missing, Qt's texts stay English without a word.
//
// Thread: UI thread only.

#include <QLocale>
#include <string>

namespace harrowdale::ui {

/// The locale of a language code of transl.dt ("de", "fr"; "jp", "cn" and "kr" for
/// Japanese, Chinese and Korean); English for "en" and any code it does not know.
QLocale LocaleOfLanguage(const std::string& code);

/// The code of the language the window shows: the current column's, "en" for English.
std::string ShownLanguageCode();

/// Installs Qt's translation for `code` in place of the one installed before (none for
/// English) and makes its locale the default one. Returns whether a translation was found
/// and installed.
bool ApplyQtLanguage(const std::string& code);

} // namespace harrowdale::ui
