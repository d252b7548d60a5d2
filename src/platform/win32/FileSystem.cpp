#include "platform/FileSystem.h"

#include "platform/Paths.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace harrowdale::platform {

namespace {

// Reparse points that stand for another place: symbolic links, junctions, mounted folders
// (IO_REPARSE_TAG_SYMLINK, IO_REPARSE_TAG_MOUNT_POINT) and every other tag Windows marks
// as a name surrogate (WSL links among them). Other reparse points, such as cloud
// placeholders and deduplicated files, hold the user's data where they are.
bool IsLink(DWORD attributes, DWORD tag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT ||
            IsReparseTagNameSurrogate(tag));
}

bool IsDotOrDotDot(const wchar_t* n)
{
    return n[0] == L'.' && (n[1] == L'\0' || (n[1] == L'.' && n[2] == L'\0'));
}

} // namespace

struct DirReader::State
{
    std::string Path;                     ///< the folder, as the engine writes it
    HANDLE Folder = INVALID_HANDLE_VALUE; ///< held open while the folder is walked
    HANDLE Find = INVALID_HANDLE_VALUE;   ///< the listing
    WIN32_FIND_DATAW Data{};              ///< the entry read last
    bool Pending = false;                 ///< Data holds an entry not yet returned
    std::string Name;                     ///< WTF-8 of the entry returned last

    void Close()
    {
        if (Find != INVALID_HANDLE_VALUE)
            FindClose(Find);
        if (Folder != INVALID_HANDLE_VALUE)
            CloseHandle(Folder);
        Find = Folder = INVALID_HANDLE_VALUE;
        Pending = false;
    }

    OpenResult Open(std::string path, bool refuseLinks);
};

OpenResult DirReader::State::Open(std::string path, bool refuseLinks)
{
    Close();
    Path = std::move(path);
    const std::wstring wide = win32::WidePath(Path);
    // Hold the folder while it is listed and walked: without delete sharing nobody can
    // rename it or put a link in its place, so the path stays this folder's.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (refuseLinks ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    Folder = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING, flags,
                         nullptr);
    if (Folder == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
        Folder = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, share | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, flags, nullptr);
    if (Folder == INVALID_HANDLE_VALUE)
        return OpenResult::Failed;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(Folder, FileAttributeTagInfo, &tag, sizeof tag)) {
        if (refuseLinks && IsLink(tag.FileAttributes, tag.ReparseTag)) {
            Close();
            return OpenResult::NotEntered; // became a link after it was listed
        }
        if ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            Close();
            return OpenResult::Failed;
        }
    }
    std::wstring pattern = wide;
    if (pattern.back() != L'\\')
        pattern.push_back(L'\\');
    pattern.push_back(L'*');
    Find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &Data, FindExSearchNameMatch, nullptr,
                            FIND_FIRST_EX_LARGE_FETCH);
    if (Find == INVALID_HANDLE_VALUE) {
        // The root of an empty volume has no "." entry: nothing found is an empty listing.
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return OpenResult::Opened;
        Close();
        return OpenResult::Failed;
    }
    Pending = true;
    return OpenResult::Opened;
}

DirReader::DirReader(std::span<char> buffer) : FBuffer(buffer), FState(std::make_unique<State>()) {}

DirReader::~DirReader()
{
    FState->Close();
}

void DirReader::ReleaseHandle()
{
    FState->Close();
}

bool DirReader::HasHandle() const
{
    return FState->Folder != INVALID_HANDLE_VALUE;
}

OpenResult DirReader::OpenPath(const std::string& path)
{
    return FState->Open(path, false); // the user named it: a link is followed
}

OpenResult DirReader::OpenChild(const DirReader& parent, std::string_view name)
{
    std::string path = parent.FState->Path;
    AppendPathComponent(path, name);
    return FState->Open(std::move(path), true);
}

OpenResult DirReader::OpenChildPath(const std::string& fullPath)
{
    return FState->Open(fullPath, true);
}

bool DirReader::Next(DirEntry& entry)
{
    State& s = *FState;
    for (;;) {
        if (!s.Pending) {
            if (s.Find == INVALID_HANDLE_VALUE || !FindNextFileW(s.Find, &s.Data)) {
                // The end, or a read error: the entries so far stay. The folder stays held
                // until it has been walked.
                if (s.Find != INVALID_HANDLE_VALUE)
                    FindClose(s.Find);
                s.Find = INVALID_HANDLE_VALUE;
                return false;
            }
        }
        s.Pending = false;
        const WIN32_FIND_DATAW& d = s.Data;
        if (IsDotOrDotDot(d.cFileName) || IsLink(d.dwFileAttributes, d.dwReserved0))
            continue;
        s.Name = win32::Narrow(d.cFileName);
        entry.Name = s.Name;
        if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            entry.Kind = EntryKind::Directory;
            entry.Size = 0;
            entry.LastWriteTicks = 0;
        } else {
            entry.Kind = EntryKind::File;
            entry.Size = static_cast<std::int64_t>(
                (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
            entry.LastWriteTicks = static_cast<std::int64_t>(
                (static_cast<std::uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) |
                d.ftLastWriteTime.dwLowDateTime);
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

} // namespace harrowdale::platform
