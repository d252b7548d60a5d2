#include "support/TempDir.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"

#include <random>
#include <stdexcept>
#include <vector>
#include <windows.h>
// after windows.h, whose types it uses
#include <winioctl.h>

namespace harrowdale::test {

namespace {

// The engine's WTF-8 path as the system takes it, the long-path form for absolute ones,
// so that names ending in a dot or a blank are made as they are written.
std::wstring Wide(std::string_view path)
{
    std::string prefixed(path);
    if (platform::IsAbsolutePath(path) && path.rfind("\\\\", 0) != 0)
        prefixed = "\\\\?\\" + prefixed;
    const std::u16string units = platform::Utf16FromWtf8(prefixed);
    return std::wstring(units.begin(), units.end());
}

std::string Narrow(const wchar_t* s)
{
    std::string out;
    platform::AppendWtf8(out, std::u16string_view(reinterpret_cast<const char16_t*>(s), wcslen(s)));
    return out;
}

bool IsDots(const wchar_t* n)
{
    return n[0] == L'.' && (n[1] == L'\0' || (n[1] == L'.' && n[2] == L'\0'));
}

// Calls fn(path, data) for every entry below `folder`, parents before their contents
// unless `contentsFirst`; links are not entered.
template <typename Fn> void Walk(const std::string& folder, bool contentsFirst, Fn&& fn)
{
    WIN32_FIND_DATAW data{};
    std::string pattern = folder;
    platform::AppendPathComponent(pattern, "*");
    const HANDLE h = FindFirstFileW(Wide(pattern).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (IsDots(data.cFileName))
            continue;
        std::string path = folder;
        platform::AppendPathComponent(path, Narrow(data.cFileName));
        const bool enter = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                           (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        const WIN32_FIND_DATAW entry = data;
        if (!contentsFirst)
            fn(path, entry);
        if (enter)
            Walk(path, contentsFirst, fn);
        if (contentsFirst)
            fn(path, entry);
    } while (FindNextFileW(h, &data));
    FindClose(h);
}

} // namespace

namespace {

std::string DefaultBase()
{
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH)
        throw std::runtime_error("no temporary folder");
    return std::string(platform::TrimTrailingSeparators(Narrow(base)));
}

} // namespace

TempDir::TempDir() : TempDir(DefaultBase()) {}

TempDir::TempDir(const std::string& base)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "harrowdale-test-%08x", static_cast<unsigned>(random()));
        std::string path = base;
        platform::AppendPathComponent(path, name);
        if (CreateDirectoryW(Wide(path).c_str(), nullptr)) {
            FPath = path;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    throw std::runtime_error("cannot make a folder in " + base);
}

void MakeFolderChain(const std::string& root, int depth, int every, std::int64_t bytes)
{
    // By \\?\ paths, the only way Windows has: the chain ends where they do, at 32,767
    // characters.
    std::string path = root;
    for (int level = 1; level <= depth; ++level) {
        platform::AppendPathComponent(path, "d");
        if (!CreateDirectoryW(Wide(path).c_str(), nullptr))
            throw std::runtime_error("cannot make level " + std::to_string(level) +
                                     " of the chain");
        if (level % every == 0) {
            const HANDLE h = CreateFileW(Wide(path + "\\f").c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            LARGE_INTEGER end{};
            end.QuadPart = bytes;
            const bool ok = h != INVALID_HANDLE_VALUE &&
                            SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
            if (h != INVALID_HANDLE_VALUE)
                CloseHandle(h);
            if (!ok)
                throw std::runtime_error("cannot make a file in the chain");
        }
    }
}

std::string MemoryScratchBase()
{
    return DefaultBase(); // Windows has no folder in memory
}

TempDir::~TempDir()
{
    Walk(FPath, true, [](const std::string& path, const WIN32_FIND_DATAW& data) {
        const std::wstring wide = Wide(path);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryW(wide.c_str()); // a link to a folder goes as the link
        else
            DeleteFileW(wide.c_str());
    });
    RemoveDirectoryW(Wide(FPath).c_str());
}

void TempDir::MakeFolder(const std::string& path)
{
    if (!CreateDirectoryW(Wide(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot make the folder " + path);
}

std::string TempDir::MakeFile(std::string_view rel, std::int64_t size, std::int64_t mtime) const
{
    const std::string path = *this / rel;
    const HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    // Sparse where the file system can, so that a big size takes no room; where it
    // cannot, the length is still right.
    DWORD returned = 0;
    DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = size;
    bool ok = size <= 0 || (SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h));
    if (ok && mtime >= 0) {
        // Windows has no "no date": 0 stays the first second of 1970.
        const std::int64_t ticks = (mtime + 11644473600LL) * 10000000LL;
        const FILETIME ft{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
        ok = SetFileTime(h, nullptr, &ft, &ft);
    }
    CloseHandle(h);
    if (!ok)
        throw std::runtime_error("cannot size or date " + path);
    return path;
}

bool CanMakeLinks(std::string& why)
{
    static const std::string reason = [] {
        TempDir t;
        t.MakeFile("target", 1);
        const std::string link = t / "link";
        const BOOL made = CreateSymbolicLinkW(Wide(link).c_str(), L"target",
                                              SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
        const DWORD attributes = GetFileAttributesW(Wide(link).c_str());
        if (!made)
            return std::string("symbolic links cannot be made here: they need Developer Mode "
                               "or an administrator");
        if (attributes == INVALID_FILE_ATTRIBUTES ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            return std::string("symbolic links cannot be made here: the system reports one "
                               "made and none is there (as under Wine)");
        return std::string();
    }();
    why = reason;
    return reason.empty();
}

std::string TempDir::MakeHardLink(std::string_view existing, std::string_view rel) const
{
    const std::string path = *this / rel;
    if (!CreateHardLinkW(Wide(path).c_str(), Wide(*this / existing).c_str(), nullptr))
        throw std::runtime_error("cannot link " + path);
    return path;
}

std::string TempDir::MakeLink(std::string_view target, std::string_view rel) const
{
    const std::string path = *this / rel;
    const std::string nativeTarget = NativePath(target);
    DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    std::string resolved = nativeTarget;
    if (!platform::IsAbsolutePath(nativeTarget)) {
        resolved = std::string(platform::ParentPath(path));
        platform::AppendPathComponent(resolved, nativeTarget);
    }
    if (platform::DirectoryExists(resolved))
        flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
    if (!CreateSymbolicLinkW(Wide(path).c_str(), Wide(nativeTarget).c_str(), flags))
        throw std::runtime_error("cannot link " + path);
    return path;
}

WalkTotals IndependentWalk(const std::string& root)
{
    WalkTotals totals;
    totals.Dirs = 1; // the root
    Walk(root, false, [&totals](const std::string&, const WIN32_FIND_DATAW& data) {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return; // links are not counted
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ++totals.Dirs;
        } else {
            ++totals.Files;
            totals.Bytes += static_cast<std::int64_t>(
                (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        }
    });
    return totals;
}

bool SetImmutable(const std::string&, bool)
{
    return false;
}

} // namespace harrowdale::test
