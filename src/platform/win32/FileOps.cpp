#include "platform/FileOps.h"

#include "platform/FileOpsBackend.h"
#include "platform/Paths.h"
#include "platform/win32/Entries.h"
#include "platform/win32/Wide.h"

#include <algorithm>
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
    bool IsLink() const { return win32::IsLink(Attributes, Tag); }
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

/// The names in the open folder `h`, read from the handle itself (no second open of the
/// folder by its path). False on a read error.
bool ListNames(const Handle& h, std::vector<std::string>& names)
{
    names.clear();
    std::vector<unsigned char> buffer(64 * 1024);
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;;
         kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(h.Get(), kind, buffer.data(),
                                          static_cast<DWORD>(buffer.size())))
            return GetLastError() == ERROR_NO_MORE_FILES;
        for (std::size_t at = 0;;) {
            const auto* e = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
            const std::wstring_view name(e->FileName, e->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                names.push_back(win32::Narrow(name));
            if (e->NextEntryOffset == 0)
                break;
            at += e->NextEntryOffset;
        }
    }
}

/// `path` below `top` as a removal reports it: names joined by '/'.
std::string RelativeTo(const std::string& top, const std::string& path)
{
    std::string rel = path.size() > top.size() ? path.substr(top.size() + 1) : std::string();
    std::replace(rel.begin(), rel.end(), '\\', '/');
    return rel;
}

enum class Removal
{
    Removed,
    Partly, ///< something stays: listed in `left`
    Failed, ///< nothing was removed
};

/// Removes the open entry at `path`; a folder with everything below it, depth first
/// without recursion. Every folder is held open while its contents go, so its path keeps
/// naming it; each entry is opened as itself and deleted by its handle. Links inside are
/// removed as links and never followed; a mounted volume is never entered and stays,
/// which makes the removal partial. What stays is appended to `left`.
Removal RemoveTree(Handle top, const EntryInfo& topInfo, const std::string& path,
                   std::vector<TLeftEntry>& left)
{
    if (!topInfo.IsFolder() || topInfo.IsLink())
        return DeleteOpen(top, topInfo) ? Removal::Removed : Removal::Failed;
    struct Frame
    {
        Handle Folder;
        EntryInfo Info;
        std::string Path;
        std::vector<std::string> Names; ///< what is left of its listing
        bool ListFailed = false;
    };
    std::vector<Frame> stack;
    auto enter = [&](Handle folder, const EntryInfo& info, std::string folderPath) {
        Frame f{std::move(folder), info, std::move(folderPath), {}, false};
        f.ListFailed = !ListNames(f.Folder, f.Names);
        std::reverse(f.Names.begin(), f.Names.end()); // taken from the back
        stack.push_back(std::move(f));
    };
    enter(std::move(top), topInfo, path);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.Names.empty()) {
            // Fails when something could not be removed below it.
            const bool gone = !f.ListFailed && DeleteOpen(f.Folder, f.Info);
            const bool isTop = stack.size() == 1;
            if (!gone && (!isTop || f.ListFailed))
                left.push_back({RelativeTo(path, f.Path), f.ListFailed});
            stack.pop_back(); // closing the handle removes the folder
            if (isTop)
                return gone ? Removal::Removed : Removal::Partly;
            continue;
        }
        std::string childPath = f.Path;
        AppendPathComponent(childPath, f.Names.back());
        f.Names.pop_back();
        Handle child = OpenEntry(win32::WidePath(childPath), kRemoveAccess);
        EntryInfo info;
        if (!child.Valid() || !ReadInfo(child, info)) {
            if (GetLastError() != ERROR_FILE_NOT_FOUND)
                left.push_back({RelativeTo(path, childPath), true});
            continue;
        }
        if (info.IsReparse() && info.Tag == IO_REPARSE_TAG_MOUNT_POINT && MountsVolume(child)) {
            left.push_back({RelativeTo(path, childPath), true}); // another volume: stays
            continue;
        }
        if (info.IsFolder() && !info.IsLink()) {
            enter(std::move(child), info, std::move(childPath)); // `f` dangles from here on
            continue;
        }
        if (!DeleteOpen(child, info))
            left.push_back({RelativeTo(path, childPath), true});
    }
    return Removal::Partly;
}

/// A selected path resolved from the scan root that holds it: the folders from the root
/// down to the item's parent, each held open so that none can be renamed or replaced
/// while the item is acted on, and the item's path as the chain spells it.
struct ResolvedItem
{
    std::vector<Handle> Held;
    std::string Path;
};

/// Opens a folder on the way to an item and holds it: without delete sharing nobody can
/// rename it or put a link in its place. `follow` for the scan root, which the scan
/// opened by its path as the user named it. Fails with ERROR_DIRECTORY for what is no
/// folder, ERROR_CANT_RESOLVE_FILENAME for a link or a mounted volume.
Handle HoldFolder(const std::string& path, bool follow)
{
    Handle h(win32::HoldFolder(win32::WidePath(path), follow));
    EntryInfo info;
    if (!h.Valid() || !ReadInfo(h, info))
        return Handle();
    if (!info.IsFolder() || (!follow && info.IsLink())) {
        SetLastError(info.IsLink() ? ERROR_CANT_RESOLVE_FILENAME : ERROR_DIRECTORY);
        return Handle();
    }
    return h;
}

/// Volume serial number and file index of an open entry; none when they cannot be read.
std::optional<FileIdentity> HeldIdentity(const Handle& h)
{
    BY_HANDLE_FILE_INFORMATION id{};
    if (!GetFileInformationByHandle(h.Get(), &id))
        return std::nullopt;
    return FileIdentity{id.dwVolumeSerialNumber,
                        static_cast<std::uint64_t>(id.nFileIndexHigh) << 32 | id.nFileIndexLow};
}

/// Resolves `path` from the longest of `roots` that holds it, one component at a time,
/// refusing links and mounted volumes on the way. A path equal to its root is resolved
/// from the root's parent; a drive's root cannot be. Fails with ERROR_INVALID_NAME when
/// no root holds the path.
bool Resolve(std::span<const ScanRoot> roots, const std::string& path, ResolvedItem& out)
{
    const ScanRoot* found = RootHolding(roots, path);
    if (found == nullptr) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    const std::string& root = found->Path;
    std::string folder;
    std::string_view rel;
    // The scanned folder itself is checked on the item; any other path must lie in the
    // folder the scan recorded, not in whatever has taken its name since.
    std::optional<FileIdentity> topId;
    if (SamePath(path, root)) {
        folder = std::string(ParentPath(root));
        rel = LastPathComponent(root);
        if (folder.empty() || rel == root) {
            SetLastError(ERROR_INVALID_NAME);
            return false;
        }
    } else {
        folder = root;
        rel = *PathBelow(path, root);
        topId = found->Id;
    }
    Handle top = HoldFolder(folder, true);
    if (!top.Valid())
        return false;
    const std::optional<FileIdentity> topNow = topId ? HeldIdentity(top) : std::nullopt;
    if (topId && (!topNow || !MatchesRecordedIdentity(topId, *topNow))) {
        SetLastError(ERROR_FILE_INVALID);
        return false;
    }
    out.Held.push_back(std::move(top));
    for (;;) {
        std::size_t sep = 0;
        while (sep < rel.size() && !IsPathSeparator(rel[sep]))
            ++sep;
        const std::string_view name = rel.substr(0, sep);
        if (name.empty() || name == "." || name == "..") {
            SetLastError(ERROR_INVALID_NAME);
            return false;
        }
        AppendPathComponent(folder, name);
        if (sep == rel.size())
            break;
        rel.remove_prefix(sep + 1);
        Handle next = HoldFolder(folder, false);
        if (!next.Valid())
            return false; // a link, a mounted volume or a file on the way
        out.Held.push_back(std::move(next));
    }
    out.Path = std::move(folder);
    return true;
}

/// The outcome of an item that could not be reached or opened, by GetLastError.
TRemovalOutcome NotReached()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
        return detail::Outcome(TRemovalStatus::AlreadyGone);
    case ERROR_CANT_RESOLVE_FILENAME:
        return detail::Outcome(TRemovalStatus::Failed, TRemovalError::LinkOrMount);
    case ERROR_INVALID_NAME:
        return detail::Outcome(TRemovalStatus::Failed, TRemovalError::NotInScan);
    case ERROR_FILE_INVALID: // the scan root is another folder now
        return detail::Outcome(TRemovalStatus::Changed);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return detail::Outcome(TRemovalStatus::Failed, TRemovalError::NoPermission);
    default:
        return detail::Outcome(TRemovalStatus::Failed, TRemovalError::Other);
    }
}

/// Whether the open item is what the result recorded: not a link, and a folder or not
/// with the identity it had.
bool IsAsRecorded(const Handle& h, const EntryInfo& info, const TRecordedItem& record)
{
    const std::optional<FileIdentity> found = HeldIdentity(h);
    return !info.IsLink() && found && detail::MatchesRecord(record, info.IsFolder(), *found);
}

} // namespace

TRemovalOutcome detail::RemoveOne(std::span<const ScanRoot> roots, const TRecordedItem& record)
{
    ResolvedItem item;
    if (!Resolve(roots, record.Path, item))
        return NotReached();
    Handle h = OpenEntry(win32::WidePath(item.Path), kRemoveAccess);
    EntryInfo info;
    if (!h.Valid() || !ReadInfo(h, info))
        return NotReached();
    // The item itself must be what the scan saw: not a link, not a mounted volume.
    if (!IsAsRecorded(h, info, record))
        return Outcome(TRemovalStatus::Changed);
    TRemovalOutcome out;
    switch (RemoveTree(std::move(h), info, item.Path, out.Left)) {
    case Removal::Removed:
        out.Status = TRemovalStatus::Removed;
        out.Left.clear();
        return out;
    case Removal::Partly:
        out.Status = TRemovalStatus::PartlyRemoved;
        return out;
    case Removal::Failed:
        break;
    }
    return NotReached();
}

TRemovalOutcome detail::TrashOne(std::span<const ScanRoot> roots, const TRecordedItem& record)
{
    ResolvedItem item;
    if (!Resolve(roots, record.Path, item))
        return NotReached();
    {
        const Handle h(CreateFileW(
            win32::WidePath(item.Path).c_str(), FILE_READ_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        EntryInfo info;
        if (!h.Valid() || !ReadInfo(h, info))
            return NotReached();
        if (!IsAsRecorded(h, info, record))
            return Outcome(TRemovalStatus::Changed);
    }
    // The shell's delete request: NUL-terminated paths, the list ended by another NUL. The
    // shell does not take \\?\ paths, so the plain form goes; the folders on its way stay
    // held until the shell is done.
    std::wstring from = win32::Wide(item.Path);
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_ALLOWUNDO;
    if (SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted)
        return Outcome(TRemovalStatus::Removed);
    return Outcome(TRemovalStatus::Failed, TRemovalError::Other);
}

bool PathExists(const std::string& path)
{
    return !path.empty() &&
           GetFileAttributesW(win32::WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace harrowdale::platform
