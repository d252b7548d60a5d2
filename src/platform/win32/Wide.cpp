#include "platform/win32/Wide.h"

#include "platform/Paths.h"
#include "platform/Utf8.h"

#include <windows.h>

namespace harrowdale::platform::win32 {

namespace {

// wchar_t holds UTF-16 code units on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

} // namespace

std::wstring Wide(std::string_view wtf8)
{
    const std::u16string units = Utf16FromWtf8(wtf8);
    return std::wstring(units.begin(), units.end());
}

std::wstring WidePath(std::string_view wtf8)
{
    if (!IsAbsolutePath(wtf8, PathStyle::Windows))
        return Wide(wtf8);
    const auto sep = [](char c) { return c == '\\' || c == '/'; };
    // Already in a form the system takes literally: \\?\ and \\.\ (devices).
    if (wtf8.size() >= 4 && sep(wtf8[0]) && sep(wtf8[1]) && (wtf8[2] == '?' || wtf8[2] == '.') &&
        sep(wtf8[3]))
        return Wide(wtf8);
    std::string prefixed;
    if (sep(wtf8[0])) { // \\server\share\...
        prefixed = "\\\\?\\UNC\\";
        prefixed.append(wtf8.substr(2));
    } else {
        prefixed = "\\\\?\\";
        prefixed.append(wtf8);
        if (wtf8.size() == 2)
            prefixed.push_back('\\'); // "C:" is the drive's root, not its current folder
    }
    // Past the prefix nothing is parsed, so '/' must already be '\'.
    for (std::size_t i = 4; i < prefixed.size(); ++i)
        if (prefixed[i] == '/')
            prefixed[i] = '\\';
    return Wide(prefixed);
}

std::string FullPath(std::string_view wtf8)
{
    if (wtf8.size() == 2 && wtf8[1] == ':')
        return std::string(wtf8);
    const std::wstring wide = Wide(wtf8);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0)
            return {};
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n); // n counts the terminating NUL when the buffer was too small
    }
    return WithoutLongPathPrefix(Narrow(full));
}

std::string WithoutLongPathPrefix(std::string path)
{
    if (path.rfind("\\\\?\\UNC\\", 0) == 0)
        return "\\\\" + path.substr(8);
    if (path.rfind("\\\\?\\", 0) == 0)
        return path.substr(4);
    return path;
}

std::string Narrow(std::wstring_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    AppendWtf8(out,
               std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
    return out;
}

std::string ErrorText(unsigned long code)
{
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (n > 0 && buffer != nullptr)
        text = Narrow(std::wstring_view(buffer, n));
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        text = "error " + std::to_string(code);
    return text;
}

} // namespace harrowdale::platform::win32
