#include "platform/Drives.h"

#include "platform/win32/Wide.h"

#include <windows.h>

namespace harrowdale::platform {

std::vector<std::string> ListDriveRoots()
{
    // "C:\<NUL>D:\<NUL><NUL>", in the system's order.
    wchar_t buffer[4096] = {};
    const DWORD n = GetLogicalDriveStringsW(4095, buffer);
    if (n == 0 || n > 4095)
        return {};
    std::vector<std::string> roots;
    for (const wchar_t* root = buffer; *root != L'\0'; root += wcslen(root) + 1) {
        const UINT type = GetDriveTypeW(root);
        if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE)
            continue;
        // A removable drive without a medium has no root folder.
        const DWORD attributes = GetFileAttributesW(root);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            continue;
        roots.push_back(win32::Narrow(root));
    }
    return roots;
}

std::int64_t UsedBytes(const std::string& root)
{
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExW(win32::WidePath(root).c_str(), &available, &total, &free))
        return 0;
    if (total.QuadPart <= free.QuadPart)
        return 0;
    const unsigned long long used = total.QuadPart - free.QuadPart;
    return used > 0x7FFFFFFFFFFFFFFFULL ? 0x7FFFFFFFFFFFFFFFLL : static_cast<std::int64_t>(used);
}

} // namespace harrowdale::platform
