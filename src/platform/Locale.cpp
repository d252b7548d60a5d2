#include "platform/Locale.h"

#include <charconv>

namespace harrowdale::platform {

std::optional<double> ParseDecimal(std::string_view text, std::string_view separator)
{
    if (text.empty() || separator.empty())
        return std::nullopt;
    std::string normal;
    normal.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, separator.size(), separator) == 0) {
            normal.push_back('.');
            i += separator.size();
        } else {
            const char c = text[i];
            // A full stop is only a separator when the locale says so.
            if (c == '.')
                return std::nullopt;
            normal.push_back(c);
            ++i;
        }
    }
    // Only digits, one sign, the separator and an exponent: no "inf", "nan" or hex.
    for (const char c : normal)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E'))
            return std::nullopt;
    const char* first = normal.data();
    const char* last = first + normal.size();
    if (*first == '+')
        ++first;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last)
        return std::nullopt;
    return value;
}

} // namespace harrowdale::platform
