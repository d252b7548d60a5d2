#include "platform/Casing.h"

#include "platform/CaseRuns.h"
#include "platform/Utf8.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace harrowdale::platform {

namespace {

std::string UserLocaleName()
{
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const int n = GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return n > 1 ? win32::Narrow(std::wstring_view(name, static_cast<std::size_t>(n - 1)))
                 : std::string();
}

void UpperValidRun(std::string_view run, std::string& out)
{
    std::wstring units = win32::Wide(run);
    // One code unit to one code unit, in place, whatever the user's language.
    CharUpperBuffW(units.data(), static_cast<DWORD>(units.size()));
    out += win32::Narrow(units);
}

} // namespace

bool detail::AsciiLowerIsPlain()
{
    static const bool plain = [] {
        const std::string name = UserLocaleName();
        const std::string lang = name.substr(0, name.find('-'));
        return lang != "tr" && lang != "az";
    }();
    return plain;
}

void detail::AppendLowerRun(std::string_view run, std::string& out)
{
    const std::wstring units = win32::Wide(run);
    const DWORD flags = LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING;
    const int len = static_cast<int>(units.size());
    const int need = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, units.data(), len, nullptr, 0,
                                   nullptr, nullptr, 0);
    std::wstring lower(static_cast<std::size_t>(need > 0 ? need : 0), L'\0');
    if (need <= 0 || LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, units.data(), len, lower.data(),
                                   need, nullptr, nullptr, 0) != need) {
        out.append(run);
        return;
    }
    out += win32::Narrow(lower);
}

std::string CasingLocale()
{
    std::string id = UserLocaleName();
    for (char& c : id)
        if (c == '-')
            c = '_';
    return id;
}

std::string UpperCase(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    if (IsAscii(s)) {
        for (const char c : s)
            out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
        return out;
    }
    ForEachValidRun(
        s, [&out](std::string_view run) { UpperValidRun(run, out); },
        [&out](std::string_view bad) { out.append(bad); });
    return out;
}

} // namespace harrowdale::platform
