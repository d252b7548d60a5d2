#pragma once

// Line splitting for the plain text files the program reads (the translation file, the
// update check's answers): UTF-8 with an optional byte-order mark, lines ending in CR LF,
// LF or CR, a break after the last line optional.

#include <string_view>
#include <vector>

namespace harrowdale {

/// The lines of `text`, each exactly as written (no trimming); a leading UTF-8 byte-order
/// mark is skipped. "a\n\nb\n" gives "a", "", "b"; "" gives no line. The views point into
/// `text`.
std::vector<std::string_view> SplitTextLines(std::string_view text);

} // namespace harrowdale
