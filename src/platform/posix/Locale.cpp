#include "platform/Locale.h"

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

} // namespace harrowdale::platform
