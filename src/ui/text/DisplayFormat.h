#pragma once

// The display texts every list, tree, hint and status line shares: sizes in
// units of 1024, percentages with two decimals, dates as "yyyy-mm-dd hh:nn". Written
// once here so that all views show the same text for the same number. Qt-free.

#include "scan/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace harrowdale {

class TFileLeaf;

/// "0 B", "1.5 KB", "1024.0 KB", "1.00 GB": the unit chosen by signed comparison (so a
/// negative size is "-5 B"), the template ("%d B", "%.1f KB", "%.1f MB", "%.2f GB",
/// "%.2f TB") passed through Translate, the quotient in double precision with the user's
/// decimal separator.
std::string FormatSize(std::int64_t bytes);
std::string FormatSize(std::int64_t bytes, std::string_view decimalSeparator);

/// "33.33%" for 1 of 3 (locale separator, not translated); "0.00%" with a full stop
/// whenever `total` is not greater than 0.
std::string FormatPercent(std::int64_t part, std::int64_t total);
std::string FormatPercent(std::int64_t part, std::int64_t total, std::string_view decimalSeparator);

/// "yyyy-mm-dd hh:nn" (24-hour clock, ':' between hours and minutes) of a local
/// date-time; "" when `value` is not greater than 0. Not translated.
std::string FormatDateText(TDateTime value);

/// The date text of a file's local last-write time; "" when it has none.
std::string FileDateText(const TFileLeaf& file);

/// Path bytes as one line of display text: invalid UTF-8 as U+FFFD, and the characters
/// that would break the line or reorder what it shows made visible ("\n", "\t", "\r",
/// "\x1b", "\u2028", "\u202e"), so a name cannot pass itself off as other lines or
/// other paths. Never a path again.
std::string VisiblePathText(std::string_view path);

} // namespace harrowdale
