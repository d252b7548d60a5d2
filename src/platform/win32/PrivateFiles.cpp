#include "platform/PrivateFiles.h"

#include "platform/Paths.h"
#include "platform/win32/Security.h"
#include "platform/win32/Wide.h"

#include <fcntl.h>
#include <io.h>
#include <random>
#include <stdexcept>
#include <windows.h>

namespace harrowdale::platform {

namespace {

TCreatedFile Failed(std::string why)
{
    TCreatedFile f;
    f.Error = std::move(why);
    return f;
}

bool IsPlainName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name)
        if (IsPathSeparator(c) || c == ':')
            return false;
    return true;
}

} // namespace

TCreatedFile CreatePrivateFile(std::string_view fileName)
{
    if (!IsPlainName(fileName))
        return Failed("not a plain file name");
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH)
        return Failed("no temporary folder: " + win32::ErrorText(GetLastError()));
    const std::string temp(TrimTrailingSeparators(win32::Narrow(base)));
    try {
        // The folder and the file are the user's alone (the access list of mode 0700 and
        // 0600), so nobody can put or change anything in them.
        win32::TOwnerOnly security;
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            char name[40];
            std::snprintf(name, sizeof name, "harrowdale-%08x%08x", static_cast<unsigned>(random()),
                          static_cast<unsigned>(random()));
            std::string folder = temp;
            AppendPathComponent(folder, name);
            if (!CreateDirectoryW(win32::WidePath(folder).c_str(), security.Attributes())) {
                if (GetLastError() == ERROR_ALREADY_EXISTS)
                    continue;
                return Failed("cannot make a folder in " + temp + ": " +
                              win32::ErrorText(GetLastError()));
            }
            std::string path = folder;
            AppendPathComponent(path, fileName);
            const HANDLE h = CreateFileW(
                win32::WidePath(path).c_str(), GENERIC_WRITE, 0, security.Attributes(), CREATE_NEW,
                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (h == INVALID_HANDLE_VALUE)
                return Failed("cannot create " + path + ": " + win32::ErrorText(GetLastError()));
            // A C runtime descriptor, as the caller takes on every system.
            const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
            if (fd < 0) {
                CloseHandle(h);
                return Failed("cannot create " + path);
            }
            TCreatedFile created;
            created.Descriptor = fd;
            created.Path = std::move(path);
            return created;
        }
    } catch (const std::runtime_error& e) {
        return Failed(e.what());
    }
    return Failed("cannot make a folder of its own in " + temp);
}

std::string RemovePrivateFile(const std::string& path)
{
    // The folder's access list lets nobody else put anything in it or change it.
    std::string folder = path;
    while (!folder.empty() && !IsPathSeparator(folder.back()))
        folder.pop_back();
    if (folder.empty())
        return "cannot remove " + path + ": not a file of its own folder";
    folder = std::string(TrimTrailingSeparators(folder));
    if (!DeleteFileW(win32::WidePath(path).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return "cannot remove " + path + ": " + win32::ErrorText(GetLastError());
    if (!RemoveDirectoryW(win32::WidePath(folder).c_str()))
        return "cannot remove " + folder + ": " + win32::ErrorText(GetLastError());
    return {};
}

} // namespace harrowdale::platform
