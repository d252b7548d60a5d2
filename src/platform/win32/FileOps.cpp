#include "platform/FileOps.h"

#include "platform/FileOpsBatch.h"
#include "platform/Paths.h"
#include "platform/win32/Wide.h"

#include <vector>
#include <windows.h>
// after windows.h, whose types they use
#include <shellapi.h>
#include <winioctl.h>

namespace harrowdale::platform {

namespace {

/// One open file or folder, closed on destruction.
class Handle
{
public:
    Handle() = default;
    explicit Handle(HANDLE h) : FHandle(h) {}
    ~Handle() { Reset(); }
    Handle(Handle&& other) noexcept : FHandle(other.FHandle)
    {
        other.FHandle = INVALID_HANDLE_VALUE;
    }
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            Reset();
            FHandle = other.FHandle;
            other.FHandle = INVALID_HANDLE_VALUE;
        }
        return *this;
    }
    HANDLE Get() const { return FHandle; }
    bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
    void Reset()
    {
        if (Valid())
            CloseHandle(FHandle);
        FHandle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE FHandle = INVALID_HANDLE_VALUE;
};

/// What removal needs to know of an entry it has open.
struct EntryInfo
{
    DWORD Attributes = 0;
    DWORD Tag = 0;
    bool IsFolder() const { return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsReparse() const { return (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    /// A symbolic link, a junction, a mounted folder or another name surrogate.
    bool IsLink() const
    {
        return IsReparse() && (Tag == IO_REPARSE_TAG_SYMLINK || Tag == IO_REPARSE_TAG_MOUNT_POINT ||
                               IsReparseTagNameSurrogate(Tag));
    }
};

/// Opens the entry at `path` itself: a link is opened as the link, never followed. The
/// entry cannot be renamed or replaced while it is open (no delete sharing).
Handle OpenEntry(const std::wstring& path, DWORD access)
{
    return Handle(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool ReadInfo(const Handle& h, EntryInfo& info)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(h.Get(), FileAttributeTagInfo, &tag, sizeof tag))
        return false;
    info.Attributes = tag.FileAttributes;
    info.Tag = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? tag.ReparseTag : 0;
    return true;
}

/// Whether the junction-type reparse point of `h` mounts a volume ("\??\Volume{...}\")
/// rather than pointing at a folder.
bool MountsVolume(const Handle& h)
{
    std::vector<unsigned char> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD got = 0;
    if (!DeviceIoControl(h.Get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &got, nullptr))
        return true; // unknown: treat as a mount, which is left alone
    // The mount-point layout: tag, lengths, then four name offsets and lengths.
    struct MountPointData
    {
        DWORD Tag;
        WORD DataLength;
        WORD Reserved;
        WORD SubstituteNameOffset;
        WORD SubstituteNameLength;
        WORD PrintNameOffset;
        WORD PrintNameLength;
        WCHAR PathBuffer[1];
    };
    if (got < offsetof(MountPointData, PathBuffer))
        return true;
    const auto* data = reinterpret_cast<const MountPointData*>(buffer.data());
    const std::size_t start = offsetof(MountPointData, PathBuffer) + data->SubstituteNameOffset;
    if (start + data->SubstituteNameLength > got)
        return true;
    const std::wstring_view target(reinterpret_cast<const wchar_t*>(buffer.data() + start),
                                   data->SubstituteNameLength / sizeof(wchar_t));
    return target.starts_with(L"\\??\\Volume{");
}

/// Marks the open entry for deletion (it goes when the handle closes). A read-only file
/// loses its read-only flag first, as the shell's delete does.
bool DeleteOpen(const Handle& h, const EntryInfo& info)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (SetFileInformationByHandle(h.Get(), FileDispositionInfo, &disposition, sizeof disposition))
        return true;
    if (GetLastError() != ERROR_ACCESS_DENIED || (info.Attributes & FILE_ATTRIBUTE_READONLY) == 0)
        return false;
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(h.Get(), FileBasicInfo, &basic, sizeof basic))
        return false;
    basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(h.Get(), FileBasicInfo, &basic, sizeof basic) &&
           SetFileInformationByHandle(h.Get(), FileDispositionInfo, &disposition,
                                      sizeof disposition);
}

constexpr DWORD kRemoveAccess = DELETE | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY;

/// Removes the open entry at `path`; a folder with everything below it, depth first
/// without recursion. Links inside are removed as links and never followed; a mounted
/// volume is never entered and stays, which makes the removal incomplete.
bool RemoveTree(Handle top, const EntryInfo& topInfo, const std::string& path)
{
    if (!topInfo.IsFolder() || topInfo.IsLink())
        return DeleteOpen(top, topInfo);
    struct Frame
    {
        Handle Folder; ///< held, so that the path keeps naming this folder
        EntryInfo Info;
        std::string Path;
        HANDLE Find = INVALID_HANDLE_VALUE;
        bool Started = false;
    };
    std::vector<Frame> stack;
    stack.push_back({std::move(top), topInfo, path});
    bool complete = true;
    while (!stack.empty()) {
        Frame& f = stack.back();
        WIN32_FIND_DATAW data{};
        bool got = false;
        if (!f.Started) {
            f.Started = true;
            std::wstring pattern = win32::WidePath(f.Path);
            if (pattern.back() != L'\\')
                pattern.push_back(L'\\');
            pattern.push_back(L'*');
            f.Find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                      FindExSearchNameMatch, nullptr, 0);
            got = f.Find != INVALID_HANDLE_VALUE;
            if (!got && GetLastError() != ERROR_FILE_NOT_FOUND)
                complete = false;
        } else {
            got = f.Find != INVALID_HANDLE_VALUE && FindNextFileW(f.Find, &data);
        }
        if (!got) {
            if (f.Find != INVALID_HANDLE_VALUE)
                FindClose(f.Find);
            f.Find = INVALID_HANDLE_VALUE;
            // Fails when something could not be removed below it.
            complete = DeleteOpen(f.Folder, f.Info) && complete;
            stack.pop_back(); // closing the handle removes the folder
            continue;
        }
        const wchar_t* n = data.cFileName;
        if (n[0] == L'.' && (n[1] == L'\0' || (n[1] == L'.' && n[2] == L'\0')))
            continue;
        std::string childPath = f.Path;
        AppendPathComponent(childPath, win32::Narrow(n));
        Handle child = OpenEntry(win32::WidePath(childPath), kRemoveAccess);
        EntryInfo info;
        if (!child.Valid() || !ReadInfo(child, info)) {
            complete = false;
            continue;
        }
        if (info.IsReparse() && info.Tag == IO_REPARSE_TAG_MOUNT_POINT && MountsVolume(child)) {
            complete = false; // another volume: not entered, and its folder stays
            continue;
        }
        if (info.IsFolder() && !info.IsLink()) {
            stack.push_back({std::move(child), info, std::move(childPath)});
            continue; // `f` dangles from here on
        }
        complete = DeleteOpen(child, info) && complete;
    }
    return complete;
}

bool RemoveOne(const std::string& path)
{
    Handle h = OpenEntry(win32::WidePath(path), kRemoveAccess);
    EntryInfo info;
    if (!h.Valid() || !ReadInfo(h, info))
        return false;
    if (info.IsReparse() && info.Tag == IO_REPARSE_TAG_MOUNT_POINT && MountsVolume(h))
        return false;
    return RemoveTree(std::move(h), info, path);
}

bool TrashOne(const std::string& path)
{
    // The item itself must not be a link (the shell would move the link, but the user chose
    // what the scan saw).
    {
        const Handle h(CreateFileW(
            win32::WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        EntryInfo info;
        if (!h.Valid() || !ReadInfo(h, info) || info.IsLink())
            return false;
    }
    // The shell's delete request: NUL-terminated paths, the list ended by another NUL. The
    // shell does not take \\?\ paths, so the plain form goes.
    std::wstring from = win32::Wide(path);
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_ALLOWUNDO;
    return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

} // namespace

bool PathExists(const std::string& path)
{
    return !path.empty() &&
           GetFileAttributesW(win32::WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MoveToTrash(const std::vector<std::string>& paths, std::vector<std::string>* failures)
{
    return detail::ForEachPath(paths, failures, TrashOne);
}

bool RemovePermanently(const std::vector<std::string>& paths, std::vector<std::string>* failures)
{
    return detail::ForEachPath(paths, failures, RemoveOne);
}

} // namespace harrowdale::platform
