#include "ui/text/DisplayFormat.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/Utf8.h"
#include "scan/ScanTree.h"

#include <cstdio>

namespace harrowdale {

namespace {

// Characters with no glyph of their own that change how the rest of a line reads: the
// C0 and C1 controls, line and paragraph separators, and the bidirectional marks,
// embeddings, overrides and isolates.
bool NeedsEscape(std::int32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x061C || cp == 0x200E ||
           cp == 0x200F || (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

void AppendEscape(std::string& out, std::int32_t cp)
{
    switch (cp) {
    case '\n':
        out += "\\n";
        return;
    case '\t':
        out += "\\t";
        return;
    case '\r':
        out += "\\r";
        return;
    default:
        break;
    }
    char buf[16];
    if (cp < 0x80)
        std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned>(cp));
    else
        std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(cp));
    out += buf;
}

} // namespace

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

std::string VisiblePathText(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    std::size_t pos = 0;
    while (pos < path.size()) {
        const std::size_t start = pos;
        std::int32_t cp = platform::DecodeUtf8(path, pos);
        if (cp < 0) {
            platform::AppendUtf8(out, U'\uFFFD');
            continue;
        }
        if (NeedsEscape(cp))
            AppendEscape(out, cp);
        else
            out.append(path.substr(start, pos - start));
    }
    return out;
}

} // namespace harrowdale
