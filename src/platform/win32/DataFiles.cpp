#include "platform/DataFiles.h"

#include "platform/win32/Wide.h"

#include <windows.h>

namespace harrowdale::platform {

ReadResult ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& contents)
{
    contents.clear();
    const std::wstring wide = win32::WidePath(path);
    // Opening follows a link (packagers may link data files); a folder does not open
    // without backup semantics.
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                   ? ReadResult::NotRegular
                   : ReadResult::Missing;
    }
    ReadResult result = ReadResult::Ok;
    BY_HANDLE_FILE_INFORMATION info{};
    // Pipes, consoles and devices such as NUL are not files on a disk.
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result = ReadResult::NotRegular;
    } else {
        const std::uint64_t size =
            (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        if (size > maxBytes) {
            result = ReadResult::TooLarge;
        } else {
            contents.resize(static_cast<std::size_t>(size));
            DWORD n = 0;
            std::size_t done = 0;
            while (done < contents.size() &&
                   ReadFile(h, contents.data() + done, static_cast<DWORD>(contents.size() - done),
                            &n, nullptr) &&
                   n > 0)
                done += n;
            if (done != contents.size())
                result = ReadResult::ReadError;
        }
    }
    CloseHandle(h);
    if (result != ReadResult::Ok)
        contents.clear();
    return result;
}

} // namespace harrowdale::platform
