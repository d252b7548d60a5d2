#include "platform/win32/Entries.h"

namespace harrowdale::platform::win32 {

bool IsLink(DWORD attributes, DWORD reparseTag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (reparseTag == IO_REPARSE_TAG_SYMLINK || reparseTag == IO_REPARSE_TAG_MOUNT_POINT ||
            IsReparseTagNameSurrogate(reparseTag));
}

HANDLE HoldFolder(const std::wstring& path, bool follow)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING, flags,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
        h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, share | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, flags, nullptr);
    return h;
}

} // namespace harrowdale::platform::win32
