#include "platform/FileOps.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale::platform {

namespace {

bool IsDir(const std::string& p, struct stat* out = nullptr)
{
    struct stat st
    {
    };
    if (::lstat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (out != nullptr)
        *out = st;
    return true;
}

bool MakeDir(const std::string& p)
{
    return ::mkdir(p.c_str(), 0700) == 0 || (errno == EEXIST && IsDir(p));
}

bool MakeDirs(const std::string& p)
{
    for (std::size_t i = 1; i <= p.size(); ++i)
        if (i == p.size() || p[i] == '/')
            if (!MakeDir(p.substr(0, i)))
                return false;
    return true;
}

std::string Parent(const std::string& p)
{
    const auto slash = p.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : p.substr(0, slash);
}

std::string BaseName(const std::string& p)
{
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string HomeTrash()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data == '/')
        return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "/") + "/.local/share/Trash";
}

// The top folder of the mount that holds `path`: walk up while the device stays the same.
std::string MountTop(const std::string& path, dev_t dev)
{
    std::string cur = path;
    for (;;) {
        const std::string up = Parent(cur);
        struct stat st
        {
        };
        if (up == cur || ::lstat(up.c_str(), &st) != 0 || st.st_dev != dev)
            return cur;
        cur = up;
    }
}

struct TrashDir
{
    std::string Dir;     ///< holds files/ and info/
    std::string RelBase; ///< the info Path is relative to this ("" for absolute paths)
};

bool FindTrash(const std::string& path, const struct stat& item, TrashDir& out)
{
    const std::string home = HomeTrash();
    MakeDirs(Parent(home));
    struct stat homeSt
    {
    };
    if (::stat(Parent(home).c_str(), &homeSt) == 0 && homeSt.st_dev == item.st_dev) {
        out = {home, ""};
        return MakeDir(home) && MakeDir(home + "/files") && MakeDir(home + "/info");
    }
    const std::string top = MountTop(path, item.st_dev);
    const std::string uid = std::to_string(::getuid());
    // An administrator-made $topdir/.Trash must be a real, sticky folder to be trusted.
    struct stat shared
    {
    };
    if (::lstat((top + "/.Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX) != 0) {
        const std::string dir = top + "/.Trash/" + uid;
        if (MakeDir(dir) && MakeDir(dir + "/files") && MakeDir(dir + "/info")) {
            out = {dir, top};
            return true;
        }
    }
    const std::string dir = (top == "/" ? std::string() : top) + "/.Trash-" + uid;
    out = {dir, top};
    return MakeDir(dir) && MakeDir(dir + "/files") && MakeDir(dir + "/info");
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
    return buf;
}

bool TrashOne(const std::string& path)
{
    struct stat item
    {
    };
    if (path.empty() || path.front() != '/' || ::lstat(path.c_str(), &item) != 0)
        return false;
    TrashDir trash;
    if (!FindTrash(path, item, trash))
        return false;
    std::string infoPath = path;
    if (!trash.RelBase.empty() && trash.RelBase != "/" &&
        path.compare(0, trash.RelBase.size() + 1, trash.RelBase + "/") == 0)
        infoPath = path.substr(trash.RelBase.size() + 1);
    const std::string info = "[Trash Info]\nPath=" + PercentEncodePath(infoPath) +
                             "\nDeletionDate=" + DeletionDate() + "\n";
    const std::string base = BaseName(path);
    // Reserve a name by creating its info file exclusively, then move the item.
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const std::string infoFile = trash.Dir + "/info/" + name + ".trashinfo";
        const int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const bool written =
            ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
        ::close(fd);
        if (!written) {
            ::unlink(infoFile.c_str());
            return false;
        }
        struct stat taken
        {
        };
        const std::string target = trash.Dir + "/files/" + name;
        if (::lstat(target.c_str(), &taken) == 0) {
            ::unlink(infoFile.c_str()); // a leftover without its info file: next name
            continue;
        }
        if (::rename(path.c_str(), target.c_str()) == 0)
            return true;
        ::unlink(infoFile.c_str());
        return false;
    }
    return false;
}

// Removes the entry `name` of the folder `dirfd`; a folder with its contents. Links are
// removed, never followed; the walk stays on the device `dev`.
bool RemoveAt(int dirfd, const char* name, dev_t dev)
{
    struct stat st
    {
    };
    if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(dirfd, name, 0) == 0;
    if (st.st_dev != dev)
        return false; // another mount: not entered
    const int fd = ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* d = ::fdopendir(fd);
    if (d == nullptr) {
        ::close(fd);
        return false;
    }
    bool ok = true;
    while (dirent* e = ::readdir(d)) {
        const std::string_view n(e->d_name);
        if (n == "." || n == "..")
            continue;
        ok = RemoveAt(::dirfd(d), e->d_name, dev) && ok;
    }
    ::closedir(d);
    return ::unlinkat(dirfd, name, AT_REMOVEDIR) == 0 && ok;
}

bool RemoveOne(const std::string& path)
{
    struct stat st
    {
    };
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return false;
    const std::string parent = Parent(path);
    const std::string name = BaseName(path);
    if (name.empty() || name == "." || name == "..")
        return false;
    const int pfd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (pfd < 0)
        return false;
    const bool ok = RemoveAt(pfd, name.c_str(), st.st_dev);
    ::close(pfd);
    return ok;
}

template <typename Fn>
bool ForEachPath(const std::vector<std::string>& paths, std::vector<std::string>* failures, Fn&& fn)
{
    bool all = true;
    std::vector<std::string> done;
    for (const std::string& p : paths) {
        // A path given twice (a group and one of its files) is one item.
        bool seen = false;
        for (const std::string& d : done)
            seen = seen || d == p;
        if (p.empty() || seen)
            continue;
        if (fn(p)) {
            done.push_back(p);
        } else {
            all = false;
            if (failures != nullptr)
                failures->push_back(p);
        }
    }
    return all;
}

} // namespace

bool PathExists(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

std::string PercentEncodePath(const std::string& path)
{
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

bool MoveToTrash(const std::vector<std::string>& paths, std::vector<std::string>* failures)
{
    return ForEachPath(paths, failures, TrashOne);
}

bool RemovePermanently(const std::vector<std::string>& paths, std::vector<std::string>* failures)
{
    return ForEachPath(paths, failures, RemoveOne);
}

} // namespace harrowdale::platform
