#include "platform/FileSystem.h"

#include "platform/PathForms.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"
#include "platform/win32/Entries.h"
#include "platform/win32/Wide.h"

#include <memory>
#include <windows.h>

namespace harrowdale::platform {

namespace {

// Windows sets no limit on a process's handles that a scan could reach; this many held
// at once keep a deep walk from reopening folders often.
constexpr std::size_t kFolderHandles = 4096;

bool IsDotOrDotDot(const wchar_t* n)
{
    return n[0] == L'.' && (n[1] == L'\0' || (n[1] == L'.' && n[2] == L'\0'));
}

std::int64_t Join(DWORD high, DWORD low)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

// Where the listing's entry lives: at the start of the reader's buffer.
WIN32_FIND_DATAW* FindData(std::span<char> buffer)
{
    void* p = buffer.data();
    std::size_t space = buffer.size();
    return static_cast<WIN32_FIND_DATAW*>(
        std::align(alignof(WIN32_FIND_DATAW), sizeof(WIN32_FIND_DATAW), p, space));
}

} // namespace

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : FHandle(other.FHandle), FPattern(std::move(other.FPattern))
{
    other.FHandle = nullptr;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        FHandle = other.FHandle;
        FPattern = std::move(other.FPattern);
        other.FHandle = nullptr;
    }
    return *this;
}

bool FolderHandle::IsOpen() const
{
    return FHandle != nullptr;
}

void FolderHandle::Close()
{
    if (FHandle != nullptr)
        CloseHandle(FHandle);
    FHandle = nullptr;
    FPattern = std::wstring();
}

OpenResult OpenScanRoot(const std::string& path, FolderHandle& out)
{
    out.Close();
    if (path.empty())
        return OpenResult::Failed;
    // Children are reached by path: the root's must be absolute.
    const std::string full = IsAbsolutePath(path) ? path : win32::FullPath(path);
    if (full.empty())
        return OpenResult::Failed;
    std::wstring wide = win32::WidePath(full);
    HANDLE h = win32::HoldFolder(wide, true); // the user named it: a link is followed
    if (h == INVALID_HANDLE_VALUE)
        return OpenResult::Failed;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(h);
        return OpenResult::Failed;
    }
    if (wide.back() != L'\\')
        wide.push_back(L'\\');
    wide.push_back(L'*');
    out.FHandle = h;
    out.FPattern = std::move(wide);
    return OpenResult::Opened;
}

OpenResult OpenSubfolder(const FolderHandle& parent, std::string_view name, FolderHandle& out)
{
    out.Close();
    if (!parent.IsOpen() || parent.FPattern.empty())
        return OpenResult::Failed;
    const std::wstring wideName = win32::Wide(name);
    std::wstring path;
    path.reserve(parent.FPattern.size() + wideName.size() + 2);
    path.append(parent.FPattern, 0, parent.FPattern.size() - 1); // without the '*'
    path.append(wideName);
    HANDLE h = win32::HoldFolder(path, false);
    if (h == INVALID_HANDLE_VALUE)
        return OpenResult::Failed;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag)) {
        CloseHandle(h);
        return OpenResult::Failed;
    }
    // A link, or a file, now where the listing saw a folder: not entered.
    if (win32::IsLink(tag.FileAttributes, tag.ReparseTag) ||
        (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(h);
        return OpenResult::NotEntered;
    }
    path.append(L"\\*");
    out.FHandle = h;
    out.FPattern = std::move(path);
    return OpenResult::Opened;
}

OpenResult OpenFolderInScan(std::span<const ScanRoot> scanRoots, const std::string& path,
                            FolderHandle& out)
{
    out.Close();
    const ScanRoot* found = RootHolding(scanRoots, path);
    if (found == nullptr)
        return OpenResult::NotEntered;
    const std::string& root = found->Path;
    // Whether a failure means that nothing is there any more (only to tell the two apart).
    auto failed = [&path] {
        return GetFileAttributesW(win32::WidePath(path).c_str()) == INVALID_FILE_ATTRIBUTES
                   ? OpenResult::NotEntered
                   : OpenResult::Failed;
    };
    FolderHandle cur;
    if (OpenScanRoot(root, cur) != OpenResult::Opened)
        return failed();
    // Another folder where the scanned one was (renamed away, a link in its place) is not
    // the folder the scan saw.
    FileIdentity now;
    if (found->Id && (!IdentityOf(cur, now) || !MatchesRecordedIdentity(found->Id, now)))
        return OpenResult::NotEntered;
    std::string_view rel = SamePath(root, path) ? std::string_view() : *PathBelow(path, root);
    while (!rel.empty()) {
        std::size_t sep = 0;
        while (sep < rel.size() && !IsPathSeparator(rel[sep]))
            ++sep;
        const std::string_view name = rel.substr(0, sep);
        if (name.empty() || name == "." || name == "..")
            return OpenResult::NotEntered;
        FolderHandle next;
        const OpenResult r = OpenSubfolder(cur, name, next);
        if (r != OpenResult::Opened)
            return r == OpenResult::NotEntered ? r : failed();
        cur = std::move(next);
        rel.remove_prefix(sep < rel.size() ? sep + 1 : sep);
    }
    out = std::move(cur);
    return OpenResult::Opened;
}

bool IdentityOf(const FolderHandle& folder, FileIdentity& id)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder.IsOpen() || !GetFileInformationByHandle(folder.FHandle, &info))
        return false;
    id.Device = info.dwVolumeSerialNumber;
    id.Inode = static_cast<std::uint64_t>(Join(info.nFileIndexHigh, info.nFileIndexLow));
    return true;
}

ListingMeasures WhatListingsMeasure()
{
    return {false, false}; // see DirReader::Next
}

std::size_t FolderHandleBudget()
{
    return kFolderHandles;
}

DirReader::~DirReader()
{
    if (FFind != nullptr)
        FindClose(FFind);
}

void DirReader::Start(const FolderHandle& folder)
{
    if (FFind != nullptr)
        FindClose(FFind);
    FFind = nullptr;
    FPending = false;
    FFailed = false;
    WIN32_FIND_DATAW* data = FindData(FBuffer);
    if (data == nullptr || !folder.IsOpen()) {
        FFailed = true;
        return;
    }
    // The basic level leaves out the short 8.3 names; the large fetch asks for many
    // entries per call to the file system.
    HANDLE h = FindFirstFileExW(folder.FPattern.c_str(), FindExInfoBasic, data,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        // The root of an empty volume has no "." entry: nothing found is an empty listing.
        FFailed = GetLastError() != ERROR_FILE_NOT_FOUND;
        return;
    }
    FFind = h;
    FPending = true;
}

bool DirReader::Next(DirEntry& entry)
{
    WIN32_FIND_DATAW* d = FindData(FBuffer);
    for (;;) {
        if (FFind == nullptr)
            return false;
        if (!FPending && !FindNextFileW(FFind, d)) {
            // The end, or a read error: the entries so far stay.
            if (GetLastError() != ERROR_NO_MORE_FILES)
                FFailed = true;
            FindClose(FFind);
            FFind = nullptr;
            return false;
        }
        FPending = false;
        // For a reparse point the listing gives its tag in dwReserved0.
        if (IsDotOrDotDot(d->cFileName) || win32::IsLink(d->dwFileAttributes, d->dwReserved0))
            continue;
        FName.clear();
        AppendWtf8(FName, std::u16string_view(reinterpret_cast<const char16_t*>(d->cFileName)));
        entry.Name = FName;
        entry.NotRegular = false;
        entry.Links = 1; // the listing does not tell; a look per file would
        entry.Id = {};
        if ((d->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            entry.Kind = EntryKind::Directory;
            entry.Size = entry.Allocated = entry.LastWriteTicks = 0;
        } else {
            entry.Kind = EntryKind::File;
            entry.Size = Join(d->nFileSizeHigh, d->nFileSizeLow);
            entry.Allocated = entry.Size; // not in the listing (see DirEntry)
            entry.LastWriteTicks =
                Join(d->ftLastWriteTime.dwHighDateTime, d->ftLastWriteTime.dwLowDateTime);
        }
        return true;
    }
}

bool DirectoryExists(const std::string& path)
{
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(win32::WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string AbsolutePath(std::string_view path)
{
    if (path.empty())
        return {};
    std::string full = win32::FullPath(path);
    return full.empty() ? std::string(path) : full;
}

std::string ResolvedPath(std::string_view path)
{
    if (path.empty())
        return {};
    return win32::FullPath(path);
}

} // namespace harrowdale::platform
