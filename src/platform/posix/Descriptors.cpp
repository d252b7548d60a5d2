#include "platform/posix/Descriptors.h"

#include "platform/Paths.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace harrowdale::platform::posix {

namespace {

// openat2 resolves a whole relative path in one call with links and mount crossings
// refused by the kernel. Where it is missing (or filtered) each component is opened and
// checked in turn.
std::atomic<bool> gNoOpenat2{false};

bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

bool IsPlainRelative(std::string_view rel)
{
    std::size_t pos = 0;
    for (;;) {
        const std::size_t slash = rel.find('/', pos);
        if (!IsPlainName(
                rel.substr(pos, slash == std::string_view::npos ? rel.size() - pos : slash - pos)))
            return false;
        if (slash == std::string_view::npos)
            return true;
        pos = slash + 1;
    }
}

int OpenEachComponent(int dirfd, std::string_view rel, int flags)
{
    FileId prev;
    if (!StatAt(dirfd, "", prev))
        return -1;
    Fd cur;
    int at = dirfd;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t slash = rel.find('/', pos);
        const bool last = slash == std::string_view::npos;
        const std::string name(rel.substr(pos, last ? rel.size() - pos : slash - pos));
        const int how = last ? flags : O_PATH | O_DIRECTORY;
        Fd next(::openat(at, name.c_str(), how | O_CLOEXEC | O_NOFOLLOW));
        if (!next.Valid()) {
            // Asked for a folder, a link fails as "not a folder": say it is a link, so
            // that a link on the way is not taken for something gone.
            struct stat st;
            if (errno == ENOTDIR && ::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode))
                errno = ELOOP;
            return -1;
        }
        FileId id;
        if (!StatAt(next.Get(), "", id))
            return -1;
        // O_PATH | O_NOFOLLOW opens a link itself instead of failing.
        if (id.IsLink()) {
            errno = ELOOP;
            return -1;
        }
        if (OnOtherMount(prev, id)) {
            errno = EXDEV;
            return -1;
        }
        prev = id;
        cur = std::move(next);
        at = cur.Get();
        if (last)
            return cur.Release();
        pos = slash + 1;
    }
}

} // namespace

void Fd::Reset(int fd)
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = fd;
}

bool FileId::IsDir() const
{
    return S_ISDIR(Mode);
}

bool FileId::IsLink() const
{
    return S_ISLNK(Mode);
}

bool StatAt(int dirfd, const char* name, FileId& out)
{
    struct statx stx
    {
    };
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (*name == '\0' ? AT_EMPTY_PATH : 0);
    if (::statx(dirfd, name, flags, STATX_TYPE | STATX_MODE | STATX_INO | STATX_UID | STATX_MNT_ID,
                &stx) != 0)
        return false;
    out = {};
    out.HasMountId = (stx.stx_mask & STATX_MNT_ID) != 0;
    out.MountId = out.HasMountId ? stx.stx_mnt_id : 0;
    out.MountRoot = (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
                    (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    out.Dev = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    out.Ino = stx.stx_ino;
    out.Mode = stx.stx_mode;
    out.Uid = stx.stx_uid;
    return true;
}

bool SameFile(const FileId& a, const FileId& b)
{
    return a.Dev == b.Dev && a.Ino == b.Ino;
}

bool OnOtherMount(const FileId& parent, const FileId& child)
{
    if (child.MountRoot)
        return true;
    if (parent.HasMountId && child.HasMountId)
        return parent.MountId != child.MountId;
    return parent.Dev != child.Dev;
}

int OpenBeneath(int dirfd, std::string_view rel, int flags)
{
    if (!IsPlainRelative(rel)) {
        errno = EINVAL;
        return -1;
    }
    if (!gNoOpenat2.load(std::memory_order_relaxed)) {
        const std::string path(rel);
        open_how how{};
        how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC | O_NOFOLLOW);
        how.resolve =
            RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV | RESOLVE_NO_MAGICLINKS;
        const long fd = ::syscall(SYS_openat2, dirfd, path.c_str(), &how, sizeof how);
        if (fd >= 0)
            return static_cast<int>(fd);
        // "Not a folder" may be a link on the way: the walk by components tells which.
        if (errno == ENOTDIR)
            return OpenEachComponent(dirfd, rel, flags);
        if (errno != ENOSYS && errno != EPERM) // EPERM: a seccomp filter that denies it
            return -1;
        gNoOpenat2.store(true, std::memory_order_relaxed);
    }
    return OpenEachComponent(dirfd, rel, flags);
}

int OpenRefusingLinks(const std::string& path, int flags)
{
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    if (!gNoOpenat2.load(std::memory_order_relaxed)) {
        open_how how{};
        how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC | O_NOFOLLOW);
        how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        const long fd = ::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
        if (fd >= 0)
            return static_cast<int>(fd);
        if (errno != ENOSYS && errno != EPERM)
            return -1;
        gNoOpenat2.store(true, std::memory_order_relaxed);
    }
    Fd at(::open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::size_t pos = 0;
    while (at.Valid()) {
        pos = path.find_first_not_of('/', pos);
        if (pos == std::string::npos) // the root, or a path of slashes only
            return ::openat(at.Get(), ".", (flags & ~O_NOFOLLOW) | O_CLOEXEC);
        std::size_t end = path.find('/', pos);
        const bool last = path.find_first_not_of('/', end) == std::string::npos;
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(pos, end - pos);
        Fd next(::openat(at.Get(), name.c_str(),
                         (last ? flags : O_PATH | O_DIRECTORY) | O_CLOEXEC | O_NOFOLLOW));
        FileId id;
        if (next.Valid() && (!StatAt(next.Get(), "", id) || id.IsLink()))
            errno = ELOOP, next = Fd(); // O_PATH | O_NOFOLLOW opens a link itself
        if (last || !next.Valid())
            return next.Release();
        at = std::move(next);
        pos = end;
    }
    return -1;
}

Fd OpenChildFolder(int dirfd, const FileId& parent, const std::string& name, const FileId& expected)
{
    Fd fd(OpenBeneath(dirfd, name, O_RDONLY | O_DIRECTORY));
    if (!fd.Valid())
        return fd;
    FileId id;
    if (!StatAt(fd.Get(), "", id))
        return {};
    if (!SameFile(id, expected) || OnOtherMount(parent, id)) {
        errno = ESTALE; // swapped since it was looked at
        return {};
    }
    return fd;
}

int OpenRecordedRoot(const platform::ScanRoot& root, int flags)
{
    // By its path, links in it followed, as the scan opened it: the user named it. What
    // lies below it is reached from this descriptor only, so the folder itself must be the
    // one scanned: a link put in its place since would lead every command elsewhere.
    Fd fd(::open(root.Path.c_str(), flags | O_CLOEXEC));
    if (!fd.Valid() || !root.Id)
        return fd.Release();
    FileId now;
    if (!StatAt(fd.Get(), "", now))
        return -1;
    if (!platform::MatchesRecordedIdentity(root.Id, {now.Dev, now.Ino})) {
        errno = ESTALE;
        return -1;
    }
    return fd.Release();
}

bool ResolveFromRoots(std::span<const platform::ScanRoot> roots, const std::string& path,
                      ResolvedItem& out)
{
    const platform::ScanRoot* root = platform::RootHolding(roots, path);
    if (root == nullptr) {
        errno = EINVAL;
        return false;
    }
    const std::string& rootPath = root->Path;
    platform::ScanRoot base = *root;
    std::string rel;
    if (path.size() == rootPath.size()) {
        // The scanned folder itself: its parent lies outside every root, and what the scan
        // recorded of the folder is checked on the entry found there.
        const std::size_t slash = rootPath.rfind('/');
        if (rootPath.size() == 1) {
            errno = EBUSY;
            return false;
        }
        base = platform::ScanRoot(slash == 0 ? std::string("/") : rootPath.substr(0, slash));
        rel = rootPath.substr(slash + 1);
    } else {
        rel = path.substr(rootPath.size() + (rootPath.back() == '/' ? 0 : 1));
    }
    if (!IsPlainRelative(rel)) {
        errno = EINVAL;
        return false;
    }
    Fd parent(OpenRecordedRoot(base, O_PATH | O_DIRECTORY));
    if (!parent.Valid())
        return false;
    const std::size_t slash = rel.rfind('/');
    if (slash != std::string::npos) {
        parent = Fd(OpenBeneath(parent.Get(), std::string_view(rel).substr(0, slash),
                                O_PATH | O_DIRECTORY));
        if (!parent.Valid())
            return false;
    }
    if (!StatAt(parent.Get(), "", out.ParentId))
        return false;
    out.Parent = std::move(parent);
    out.Name = slash == std::string::npos ? rel : rel.substr(slash + 1);
    return true;
}

} // namespace harrowdale::platform::posix
