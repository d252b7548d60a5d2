#include "platform/Locale.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

namespace harrowdale::platform {

std::string UiLanguage()
{
    const char* vars[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char* v : vars) {
        const char* value = std::getenv(v);
        if (value == nullptr || *value == '\0')
            continue;
        std::string s(value);
        if (const auto colon = s.find(':'); colon != std::string::npos)
            s.resize(colon); // LANGUAGE is a priority list
        if (!s.empty())
            return s;
    }
    return {};
}

std::string DecimalSeparator()
{
    // Ask the user's locale without touching the process-wide one.
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr))
        return ".";
    std::string sep = nl_langinfo_l(RADIXCHAR, loc);
    freelocale(loc);
    return sep.empty() ? std::string(".") : sep;
}

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
