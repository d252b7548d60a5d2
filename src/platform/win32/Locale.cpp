#include "platform/Locale.h"

#include "platform/win32/Wide.h"

#include <windows.h>

namespace harrowdale::platform {

std::string UiLanguage()
{
    // The language of the user's interface, as a name such as "de-DE".
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const LCID lcid = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    const int n = LCIDToLocaleName(lcid, name, LOCALE_NAME_MAX_LENGTH, 0);
    return n > 1 ? win32::Narrow(std::wstring_view(name, static_cast<std::size_t>(n - 1)))
                 : std::string();
}

std::string DecimalSeparator()
{
    wchar_t sep[8] = {};
    const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8);
    if (n <= 1)
        return ".";
    return win32::Narrow(std::wstring_view(sep, static_cast<std::size_t>(n - 1)));
}

} // namespace harrowdale::platform
