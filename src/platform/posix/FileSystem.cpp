#include "platform/FileSystem.h"

#include "platform/PathForms.h"
#include "platform/Paths.h"
#include "platform/posix/Descriptors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <linux/magic.h>
#include <linux/openat2.h>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace harrowdale::platform {

namespace {

// openat2 lets one system call both open a folder and refuse a mount crossing, which
// spares a statx per folder. Older kernels lack it; we then fall back to statx flags.
std::atomic<int> gHaveOpenat2{-1}; // -1 unknown, 0 no, 1 yes (a fact of the kernel)

struct LinuxDirent64
{
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1]; // really as long as the record says
};

int OpenDirAt(int dirfd, const char* name, bool& crossedMount)
{
    crossedMount = false;
    if (gHaveOpenat2.load(std::memory_order_relaxed) != 0) {
        open_how how{};
        how.flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        how.resolve = RESOLVE_NO_XDEV | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        const long fd = syscall(SYS_openat2, dirfd, name, &how, sizeof how);
        if (fd >= 0) {
            gHaveOpenat2.store(1, std::memory_order_relaxed);
            return static_cast<int>(fd);
        }
        if (errno == EXDEV) {
            crossedMount = true;
            return -1;
        }
        if (errno != ENOSYS && errno != EPERM) // EPERM: seccomp filters that deny it
            return -1;
        gHaveOpenat2.store(0, std::memory_order_relaxed);
    }
    return openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

std::int64_t TicksOf(const struct statx_timestamp& t)
{
    return UnixTimeToTicks(t.tv_sec, t.tv_nsec);
}

} // namespace

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : FFd(other.FFd), FDev(other.FDev), FEndMarked(other.FEndMarked)
{
    other.FFd = -1;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        FFd = other.FFd;
        FDev = other.FDev;
        FEndMarked = other.FEndMarked;
        other.FFd = -1;
    }
    return *this;
}

bool FolderHandle::IsOpen() const
{
    return FFd >= 0;
}

void FolderHandle::Close()
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
}

OpenResult OpenScanRoot(const std::string& path, FolderHandle& out)
{
    out.Close();
    // The folder as the user named it, links followed as any tool follows them.
    return AdoptFolder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), out);
}

OpenResult OpenFolderInScan(std::span<const ScanRoot> scanRoots, const std::string& path,
                            FolderHandle& out)
{
    out.Close();
    const ScanRoot* root = RootHolding(scanRoots, path);
    if (root == nullptr)
        return OpenResult::NotEntered;
    // Gone, a file, a link or another mount on the way, another folder in the root's place:
    // not the folder the scan saw.
    auto notThere = [] {
        return errno == ENOENT || errno == ENOTDIR || errno == ELOOP || errno == EXDEV ||
                       errno == EINVAL || errno == ESTALE
                   ? OpenResult::NotEntered
                   : OpenResult::Failed;
    };
    if (SamePath(root->Path, path)) {
        const int fd = posix::OpenRecordedRoot(*root, O_RDONLY | O_DIRECTORY);
        return fd < 0 ? notThere() : AdoptFolder(fd, out);
    }
    posix::ResolvedItem item;
    if (!posix::ResolveFromRoots(scanRoots, path, item))
        return notThere();
    const int fd = posix::OpenBeneath(item.Parent.Get(), item.Name, O_RDONLY | O_DIRECTORY);
    return fd < 0 ? notThere() : AdoptFolder(fd, out);
}

OpenResult AdoptFolder(int fd, FolderHandle& out)
{
    out.FFd = fd;
    if (out.FFd < 0)
        return OpenResult::Failed;
    struct stat st
    {
    };
    if (fstat(out.FFd, &st) == 0)
        out.FDev = st.st_dev;
    struct statfs fs
    {
    };
    out.FEndMarked = fstatfs(out.FFd, &fs) == 0 && fs.f_type == EXT4_SUPER_MAGIC;
    return OpenResult::Opened;
}

OpenResult OpenSubfolder(const FolderHandle& parent, std::string_view name, FolderHandle& out)
{
    out.Close();
    if (!parent.IsOpen())
        return OpenResult::Failed;
    char stackName[256];
    std::string heapName;
    const char* cname = nullptr;
    if (name.size() < sizeof stackName) {
        std::memcpy(stackName, name.data(), name.size());
        stackName[name.size()] = '\0';
        cname = stackName;
    } else {
        heapName.assign(name);
        cname = heapName.c_str();
    }
    bool crossed = false;
    out.FFd = OpenDirAt(parent.FFd, cname, crossed);
    if (crossed)
        return OpenResult::NotEntered;
    // ELOOP or ENOTDIR: the folder became a link (or a file) after it was listed.
    if (out.FFd < 0)
        return errno == ELOOP || errno == ENOTDIR ? OpenResult::NotEntered : OpenResult::Failed;
    out.FDev = parent.FDev;
    out.FEndMarked = parent.FEndMarked;
    return OpenResult::Opened;
}

bool IdentityOf(const FolderHandle& folder, FileIdentity& id)
{
    struct statx stx
    {
    };
    if (!folder.IsOpen() || statx(folder.FFd, "", AT_EMPTY_PATH, STATX_INO, &stx) != 0 ||
        !(stx.stx_mask & STATX_INO))
        return false;
    id.Device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    id.Inode = stx.stx_ino;
    return true;
}

ListingMeasures WhatListingsMeasure()
{
    return {true, true};
}

std::size_t FolderHandleBudget()
{
    // Half of what is left above a reserve for the rest of the program; the scanner's
    // threads and transient handles come out of the other half.
    constexpr std::size_t kReserve = 64, kMin = 8, kMax = 4096;
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) != 0)
        return kMin;
    if (lim.rlim_cur == RLIM_INFINITY)
        return kMax;
    const auto cur = static_cast<std::size_t>(lim.rlim_cur);
    return cur <= kReserve + 2 * kMin ? kMin : std::min(kMax, (cur - kReserve) / 2);
}

DirReader::~DirReader() = default;

void DirReader::Start(const FolderHandle& folder)
{
    FFd = folder.FFd;
    FDev = folder.FDev;
    FEndMarked = folder.FEndMarked;
    FPos = FEnd = 0;
    FEof = false;
    FFailed = false;
}

bool DirReader::Fill()
{
    if (FEof || FFd < 0)
        return false;
    const long n = syscall(SYS_getdents64, FFd, FBuffer.data(), FBuffer.size());
    if (n <= 0) {
        FFailed = FFailed || n < 0;
        FEof = true;
        return false;
    }
    FPos = 0;
    FEnd = static_cast<std::size_t>(n);
    return true;
}

bool DirReader::StatEntry(std::string_view name, unsigned char type, DirEntry& entry)
{
    const char* cname = name.data(); // NUL-terminated: it points into d_name
    const bool needDirCheck = gHaveOpenat2.load(std::memory_order_relaxed) != 1;
    entry.NotRegular = false;
    entry.Links = 1;
    if (type == DT_DIR && !needDirCheck) {
        // Mount roots are refused when the folder is opened.
        entry.Kind = EntryKind::Directory;
        entry.Size = entry.Allocated = entry.LastWriteTicks = 0;
        return true;
    }
    struct statx stx
    {
    };
    const unsigned mask =
        STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BLOCKS | STATX_NLINK | STATX_INO;
    if (statx(FFd, cname, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &stx) != 0) {
        // Gone between the listing and the look: not there. Anything else hides an entry.
        if (errno != ENOENT)
            FFailed = true;
        return false;
    }
    const unsigned fmt = stx.stx_mode & S_IFMT;
    if (fmt == S_IFLNK)
        return false;
    if (fmt == S_IFDIR) {
        if (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) {
            if (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT)
                return false;
        } else if (makedev(stx.stx_dev_major, stx.stx_dev_minor) != FDev) {
            return false;
        }
        entry.Kind = EntryKind::Directory;
        entry.Size = entry.Allocated = entry.LastWriteTicks = 0;
        return true;
    }
    entry.Kind = EntryKind::File;
    entry.NotRegular = fmt != S_IFREG;
    entry.Size = static_cast<std::int64_t>(stx.stx_size);
    entry.Allocated =
        (stx.stx_mask & STATX_BLOCKS) ? static_cast<std::int64_t>(stx.stx_blocks) * 512 : 0;
    entry.LastWriteTicks = TicksOf(stx.stx_mtime);
    entry.Links = (stx.stx_mask & STATX_NLINK) ? stx.stx_nlink : 1;
    entry.Id.Device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    entry.Id.Inode = stx.stx_ino;
    return true;
}

bool DirReader::Next(DirEntry& entry)
{
    for (;;) {
        if (FPos >= FEnd && !Fill())
            return false;
        auto* d = reinterpret_cast<LinuxDirent64*>(FBuffer.data() + FPos);
        FPos += d->d_reclen;
        // The last record's position is where the next read would start; ext4 puts its
        // end-of-listing mark there (no entry can lie beyond the largest position).
        if (FPos >= FEnd && FEndMarked && d->d_off == std::numeric_limits<off64_t>::max())
            FEof = true;
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        if (d->d_type == DT_LNK)
            continue;
        const std::string_view name(n);
        if (!StatEntry(name, d->d_type, entry))
            continue;
        entry.Name = name;
        return true;
    }
}

bool DirectoryExists(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string AbsolutePath(std::string_view path)
{
    if (path.empty() || path.front() == '/')
        return std::string(path);
    std::string buf(4096, '\0');
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE)
            return "/" + std::string(path);
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::strlen(buf.c_str()));
    AppendPathComponent(buf, path);
    return buf;
}

std::string ResolvedPath(std::string_view path)
{
    if (path.empty())
        return {};
    const std::unique_ptr<char, decltype(&std::free)> real(
        ::realpath(std::string(path).c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

} // namespace harrowdale::platform
