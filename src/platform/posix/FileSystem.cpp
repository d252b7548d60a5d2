#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace harrowdale::platform {

namespace {

constexpr std::int64_t kEpochDeltaSeconds = 11644473600LL; // 1601-01-01 .. 1970-01-01

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

std::int64_t UnixTimeToTicks(std::int64_t seconds, std::int64_t nanoseconds)
{
    if (seconds == 0 && nanoseconds == 0)
        return 0;
    return (seconds + kEpochDeltaSeconds) * 10000000LL + nanoseconds / 100;
}

DirReader::~DirReader()
{
    ReleaseHandle();
}

void DirReader::ReleaseHandle()
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
}

OpenResult DirReader::OpenPath(const std::string& path)
{
    ReleaseHandle();
    FPos = FEnd = 0;
    FEof = false;
    FFd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FFd < 0)
        return OpenResult::Failed;
    struct stat st
    {
    };
    if (fstat(FFd, &st) == 0)
        FDev = st.st_dev;
    return OpenResult::Opened;
}

OpenResult DirReader::OpenChild(const DirReader& parent, std::string_view name)
{
    ReleaseHandle();
    FPos = FEnd = 0;
    FEof = false;
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
    FFd = OpenDirAt(parent.FFd, cname, crossed);
    if (crossed)
        return OpenResult::NotEntered;
    if (FFd < 0) // ELOOP: the folder became a link after it was listed
        return errno == ELOOP ? OpenResult::NotEntered : OpenResult::Failed;
    FDev = parent.FDev;
    return OpenResult::Opened;
}

OpenResult DirReader::OpenChildPath(const std::string& fullPath)
{
    ReleaseHandle();
    FPos = FEnd = 0;
    FEof = false;
    FFd = ::open(fullPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (FFd < 0)
        return OpenResult::Failed;
    struct statx stx
    {
    };
    if (statx(FFd, "", AT_EMPTY_PATH, STATX_TYPE, &stx) == 0 &&
        (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
        (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT)) {
        ReleaseHandle();
        return OpenResult::NotEntered;
    }
    return OpenResult::Opened;
}

bool DirReader::Fill()
{
    if (FEof || FFd < 0)
        return false;
    const long n = syscall(SYS_getdents64, FFd, FBuffer.data(), FBuffer.size());
    if (n <= 0) {
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
    if (type == DT_DIR && !needDirCheck) {
        // Mount roots are refused when the folder is opened.
        entry.Kind = EntryKind::Directory;
        entry.Size = 0;
        entry.LastWriteTicks = 0;
        return true;
    }
    struct statx stx
    {
    };
    const unsigned mask = STATX_TYPE | STATX_SIZE | STATX_MTIME;
    if (statx(FFd, cname, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &stx) != 0)
        return false; // vanished between the listing and the look: not there
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
        entry.Size = 0;
        entry.LastWriteTicks = 0;
        return true;
    }
    entry.Kind = EntryKind::File;
    entry.Size = static_cast<std::int64_t>(stx.stx_size);
    entry.LastWriteTicks = TicksOf(stx.stx_mtime);
    return true;
}

bool DirReader::Next(DirEntry& entry)
{
    for (;;) {
        if (FPos >= FEnd && !Fill())
            return false;
        auto* d = reinterpret_cast<LinuxDirent64*>(FBuffer.data() + FPos);
        FPos += d->d_reclen;
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

std::string CurrentDirectory()
{
    std::string buf(4096, '\0');
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE)
            return "/";
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::strlen(buf.c_str()));
    if (buf.empty() || buf.back() != '/')
        buf.push_back('/');
    return buf;
}

} // namespace harrowdale::platform
