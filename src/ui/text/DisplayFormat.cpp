#include "ui/text/DisplayFormat.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "scan/ScanTree.h"

#include <cstdio>

namespace harrowdale {

std::string FormatSize(std::int64_t bytes)
{
    return FormatSize(bytes, UserDecimalSeparator());
}

std::string FormatSize(std::int64_t bytes, std::string_view decimalSeparator)
{
    constexpr std::int64_t kKB = 1024;
    constexpr std::int64_t kMB = kKB * 1024;
    constexpr std::int64_t kGB = kMB * 1024;
    constexpr std::int64_t kTB = kGB * 1024;
    const auto quotient = [bytes](std::int64_t unit) {
        return static_cast<double>(bytes) / static_cast<double>(unit);
    };
    if (bytes < kKB)
        return FormatWithSeparator(decimalSeparator, Translate("%d B"), bytes);
    if (bytes < kMB)
        return FormatWithSeparator(decimalSeparator, Translate("%.1f KB"), quotient(kKB));
    if (bytes < kGB)
        return FormatWithSeparator(decimalSeparator, Translate("%.1f MB"), quotient(kMB));
    if (bytes < kTB)
        return FormatWithSeparator(decimalSeparator, Translate("%.2f GB"), quotient(kGB));
    return FormatWithSeparator(decimalSeparator, Translate("%.2f TB"), quotient(kTB));
}

std::string FormatPercent(std::int64_t part, std::int64_t total)
{
    return FormatPercent(part, total, UserDecimalSeparator());
}

std::string FormatPercent(std::int64_t part, std::int64_t total, std::string_view decimalSeparator)
{
    if (total <= 0)
        return "0.00%"; // fixed text: a full stop under every locale
    const double share = static_cast<double>(part) / static_cast<double>(total) * 100.0;
    return FormatWithSeparator(decimalSeparator, "%.2f%%", share);
}

std::string FormatDateText(TDateTime value)
{
    // Not after 0 (no date), and not a date at all past any year a file time can reach
    // (FILETIME ends in 30828; 1e8 days is year 275,000), so decoding stays defined.
    if (!(value > 0) || !(value < 1e8))
        return {};
    const TDateParts p = DecodeDateTime(value);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.Year, p.Month, p.Day, p.Hour,
                  p.Minute);
    return buf;
}

std::string FileDateText(const TFileLeaf& file)
{
    return FormatDateText(file.GetModifiedDateTime());
}

} // namespace harrowdale
