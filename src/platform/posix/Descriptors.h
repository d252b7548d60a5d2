#pragma once

// Descriptor-based building blocks for the file commands: owned descriptors, the identity
// of a file (mount, device, inode), and opening below a folder without following links or
// crossing into another mount. Linux backend only; nothing outside posix/ includes this.

#include "platform/FileSystem.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace harrowdale::platform::posix {

/// An owned descriptor; -1 when empty.
class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd) : FFd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : FFd(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    int Release()
    {
        const int fd = FFd;
        FFd = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int FFd = -1;
};

/// What a file is and where it lives, from statx.
struct FileId
{
    std::uint64_t MountId = 0;
    bool HasMountId = false; ///< kernels before 5.8 do not report mount ids
    bool MountRoot = false;  ///< the root of a mount (where the kernel says so)
    std::uint64_t Dev = 0;
    std::uint64_t Ino = 0;
    std::uint32_t Mode = 0;
    std::uint32_t Uid = 0;

    bool IsDir() const;
    bool IsLink() const;
};

/// statx of entry `name` of `dirfd` without following a link or triggering an automount;
/// an empty `name` describes `dirfd` itself. False with errno set on failure.
bool StatAt(int dirfd, const char* name, FileId& out);

/// The same file: same device and inode.
bool SameFile(const FileId& a, const FileId& b);

/// Whether `child`, met inside the folder `parent`, lies on another mount than it: the
/// root of a mount (bind mounts of the same file system included, which share the device
/// number), told by the mount id where the kernel has one, else by the mount-root flag
/// and the device.
bool OnOtherMount(const FileId& parent, const FileId& child);

/// Opens `rel` (components separated by single '/', none empty, "." or "..") below
/// `dirfd`, refusing every link on the way, the last component included, and every mount
/// crossing. `flags` adds to O_CLOEXEC | O_NOFOLLOW (for example O_RDONLY | O_DIRECTORY
/// or O_PATH | O_DIRECTORY). Returns -1 with errno set (ELOOP for a link, EXDEV for a
/// mount) on failure.
int OpenBeneath(int dirfd, std::string_view rel, int flags);

/// Opens the path a caller has chosen, refusing a link in any of its components (ELOOP),
/// so that a link planted anywhere on the way leads nowhere else. Unlike OpenBeneath it
/// may cross mounts and need not be relative: the whole path was named on purpose.
int OpenRefusingLinks(const std::string& path, int flags);

/// Opens the folder entry `name` of `dirfd` for listing, and checks that it is the
/// folder `expected` and on the same mount as `parent` (the identity of `dirfd`).
Fd OpenChildFolder(int dirfd, const FileId& parent, const std::string& name,
                   const FileId& expected);

/// A selected path resolved to its parent folder and its name in it.
struct ResolvedItem
{
    Fd Parent; ///< O_PATH descriptor of the parent folder
    FileId ParentId;
    std::string Name;
};

/// Opens a scan root again after its scan (removal, rescan, reading contents), with
/// `flags`. Every folder and file below a root is reached from this descriptor; the root
/// itself is the one place a path is opened as it stands. -1 with ESTALE when the folder
/// there now is not the one the scan recorded.
int OpenRecordedRoot(const platform::ScanRoot& root, int flags);

/// Resolves `path` from the scan root that holds it. The root is opened by its path, as
/// the scan opened it; every component below it is opened relative to the one before,
/// refusing links and mount crossings. A path equal to its root is resolved from the
/// root's parent. False (errno set) when no root holds the path or a component is
/// empty, "." or ".." (EINVAL), when the root is no longer the folder the scan recorded
/// (ESTALE), or when a link or another mount is on the way.
bool ResolveFromRoots(std::span<const ScanRoot> roots, const std::string& path, ResolvedItem& out);

} // namespace harrowdale::platform::posix
