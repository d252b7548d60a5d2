#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace harrowdale::platform {

/// The user's interface language as a POSIX locale name ("de_DE", "ja", "C"), from
/// LANGUAGE, LC_ALL, LC_MESSAGES and LANG in that order; empty when none is set.
std::string UiLanguage();

/// The decimal separator of the user's numeric locale (LC_NUMERIC), such as "." or ",".
std::string DecimalSeparator();

/// Parses a whole decimal number (surrounding blanks not allowed) whose decimal
/// separator is `separator`; an exponent is accepted. nullopt when it is not a number.
std::optional<double> ParseDecimal(std::string_view text, std::string_view separator);

} // namespace harrowdale::platform
