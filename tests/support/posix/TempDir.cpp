#include "support/TempDir.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <linux/fs.h>
#include <set>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace harrowdale::test {

namespace {

// Removes everything below the open folder `fd` and closes it, one level at a time from
// descriptors: trees in tests may be far deeper than a path can be long.
void RemoveBelow(int fd)
{
    struct stat top
    {
    };
    if (::fstat(fd, &top) != 0) {
        ::close(fd);
        return;
    }
    std::vector<std::string> names; // the way down from the top folder
    std::set<ino_t> stuck;          // folders that could not be opened: left alone
    for (;;) {
        std::string sub;
        if (DIR* d = ::fdopendir(::dup(fd))) {
            ::rewinddir(d);
            while (const dirent* e = ::readdir(d)) {
                const std::string name = e->d_name;
                if (name == "." || name == "..")
                    continue;
                struct stat st
                {
                };
                if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                if (S_ISDIR(st.st_mode) && st.st_dev == top.st_dev) {
                    if (sub.empty() && !stuck.contains(st.st_ino))
                        sub = name;
                } else {
                    ::unlinkat(fd, name.c_str(), 0);
                }
            }
            ::closedir(d);
        }
        if (!sub.empty()) {
            int child = ::openat(fd, sub.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (child < 0 && ::fchmodat(fd, sub.c_str(), 0700, 0) == 0)
                child = ::openat(fd, sub.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (child >= 0) {
                ::close(fd);
                fd = child;
                names.push_back(sub);
                continue;
            }
            struct stat st
            {
            };
            if (::fstatat(fd, sub.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                stuck.insert(st.st_ino);
            continue;
        }
        if (names.empty())
            break;
        struct stat here
        {
        };
        ::fstat(fd, &here);
        const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        if (parent < 0)
            return;
        fd = parent;
        if (::unlinkat(fd, names.back().c_str(), AT_REMOVEDIR) != 0)
            stuck.insert(here.st_ino); // something below it stayed
        names.pop_back();
    }
    ::close(fd);
}

thread_local WalkTotals* gWalk = nullptr;

int CountEntry(const char*, const struct stat* st, int flag, struct FTW*)
{
    if (flag == FTW_D || flag == FTW_DNR || flag == FTW_DP) {
        ++gWalk->Dirs;
    } else if (flag == FTW_SL || flag == FTW_SLN) {
        // links are not counted
    } else if (flag == FTW_F && !S_ISLNK(st->st_mode)) {
        ++gWalk->Files;
        gWalk->Bytes += st->st_size;
    }
    return 0;
}

} // namespace

namespace {

std::string DefaultBase()
{
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

} // namespace

TempDir::TempDir() : TempDir(DefaultBase()) {}

TempDir::TempDir(const std::string& base)
{
    std::string templ = base + "/harrowdale-test-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed in " + base);
    FPath = templ;
}

std::string MemoryScratchBase()
{
    return ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : DefaultBase();
}

TempDir::~TempDir()
{
    const int fd = ::open(FPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        RemoveBelow(fd);
    ::rmdir(FPath.c_str());
}

void TempDir::MakeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        throw std::runtime_error("mkdir failed: " + path);
}

std::string TempDir::MakeFile(std::string_view rel, std::int64_t size, std::int64_t mtime) const
{
    const std::string path = *this / rel;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    if (size > 0 && ::ftruncate(fd, size) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot size " + path);
    }
    if (mtime >= 0) {
        const timespec times[2] = {{mtime, 0}, {mtime, 0}};
        ::futimens(fd, times);
    }
    ::close(fd);
    return path;
}

bool CanMakeLinks(std::string&)
{
    return true;
}

std::string TempDir::MakeLink(std::string_view target, std::string_view rel) const
{
    const std::string path = *this / rel;
    if (::symlink(std::string(target).c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot link " + path);
    return path;
}

std::string TempDir::MakeHardLink(std::string_view existing, std::string_view rel) const
{
    const std::string path = *this / rel;
    if (::link((*this / existing).c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot link " + path);
    return path;
}

WalkTotals IndependentWalk(const std::string& root)
{
    WalkTotals totals;
    gWalk = &totals;
    ::nftw(root.c_str(), CountEntry, 64, FTW_PHYS | FTW_MOUNT);
    gWalk = nullptr;
    return totals;
}

void MakeFolderChain(const std::string& root, int depth, int every, std::int64_t bytes)
{
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 1; level <= depth && fd >= 0; ++level) {
        if (::mkdirat(fd, "d", 0755) != 0)
            throw std::runtime_error("mkdirat failed");
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(fd);
        fd = next;
        if (level % every == 0) {
            const int f = ::openat(fd, "f", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (f < 0 || ::ftruncate(f, bytes) != 0)
                throw std::runtime_error("cannot make a file in the chain");
            ::close(f);
        }
    }
    if (fd < 0)
        throw std::runtime_error("cannot open the chain");
    ::close(fd);
}

bool SetImmutable(const std::string& path, bool on)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

} // namespace harrowdale::test
