#include "platform/Process.h"

#include "platform/win32/Wide.h"

#include <windows.h>

namespace harrowdale::platform {

std::string ExecutablePath()
{
    // GetModuleFileNameW truncates silently when the buffer is too small: grow it until
    // the path fits with room to spare (paths reach 32,767 characters).
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 65536)
            return {};
        path.resize(path.size() * 2);
    }
    // The loader may report the long-path form; the program's own paths carry no prefix.
    return win32::WithoutLongPathPrefix(win32::Narrow(path));
}

} // namespace harrowdale::platform
