#pragma once

// Case mapping of names and paths. Input is UTF-8 bytes that need not be valid: bytes
// that do not decode are copied through unchanged, so a key built from a name still
// tells that name apart from every other.

#include <string>
#include <string_view>

namespace harrowdale::platform {

/// Simple (one code point to one code point) upper-case mapping, locale-independent.
std::string UpperCase(std::string_view utf8);

/// Full lower-case mapping under the user's locale (LC_ALL / LC_CTYPE / LANG), so that
/// for example a Turkish user's "I" lower-cases to dotless i.
std::string LowerCaseLocale(std::string_view utf8);

/// The locale LowerCaseLocale uses, as an ICU locale id ("tr_TR", "" for root).
std::string CasingLocale();

} // namespace harrowdale::platform
