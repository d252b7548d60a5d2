#pragma once

// What each backend supplies to the shared case mapping in Casing.cpp.

#include <string>
#include <string_view>

namespace harrowdale::platform::detail {

/// Appends the full lower-case form of `run`, which decodes (WTF-8), under the user's
/// locale.
void AppendLowerRun(std::string_view run, std::string& out);

/// False for the user's languages whose lower-casing of plain ASCII differs from the
/// ASCII rule (Turkish and Azeri: "I" becomes dotless i).
bool AsciiLowerIsPlain();

} // namespace harrowdale::platform::detail
