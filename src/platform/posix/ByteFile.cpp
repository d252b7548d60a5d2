#include "platform/ByteFile.h"

#include "platform/Paths.h"
#include "platform/PrivateFolders.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <pthread.h>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace harrowdale::platform {

namespace {

[[noreturn]] void Throw(const char* what, int err)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(err));
}

std::string FolderOf(const std::string& path)
{
    const std::string_view folder = ParentPath(path);
    return folder.empty() ? std::string(".") : std::string(folder);
}

int Fd(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

// The temporary files being written, for RemoveUnfinishedOutputFiles in a signal handler:
// a slot is claimed, filled, then published; the handler reads published slots only.
enum : int
{
    kFree,
    kClaimed,
    kPublished
};
struct PendingFile
{
    std::atomic<int> State{kFree};
    int Folder = -1;
    char Name[32] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);
PendingFile gPending[16];

/// SIGINT and SIGTERM held back while a temporary file is created and published, or
/// renamed and withdrawn, so a handler never sees it half-way.
class TSignalsHeld
{
public:
    TSignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &held, &FOld);
    }
    ~TSignalsHeld() { pthread_sigmask(SIG_SETMASK, &FOld, nullptr); }
    TSignalsHeld(const TSignalsHeld&) = delete;
    TSignalsHeld& operator=(const TSignalsHeld&) = delete;

private:
    sigset_t FOld;
};

int Publish(int folder, const char* name)
{
    for (int i = 0; i < static_cast<int>(std::size(gPending)); ++i) {
        int expected = kFree;
        if (!gPending[i].State.compare_exchange_strong(expected, kClaimed))
            continue;
        gPending[i].Folder = folder;
        std::snprintf(gPending[i].Name, sizeof gPending[i].Name, "%s", name);
        gPending[i].State.store(kPublished);
        return i;
    }
    return -1; // more files at once than slots: this one is removed only by its owner
}

void Withdraw(int slot)
{
    if (slot >= 0)
        gPending[slot].State.store(kFree);
}

bool IsStream(mode_t mode)
{
    return S_ISFIFO(mode) || S_ISCHR(mode);
}

/// The pipe or device at `name`, opened to write into; -1 when what is there now is
/// neither.
int OpenStream(int folder, const char* name, int flags)
{
    const int fd = ::openat(folder, name, O_WRONLY | O_NOCTTY | O_CLOEXEC | flags);
    if (fd < 0)
        Throw("cannot open", errno);
    struct stat st
    {
    };
    if (::fstat(fd, &st) == 0 && IsStream(st.st_mode))
        return fd;
    ::close(fd);
    return -1;
}

constexpr int kMaxLinks = 40; // as the kernel follows at most 40 links in one path

/// How long a read waits for input before it asks again whether it is still wanted.
constexpr int kWaitSliceMs = 50;

/// Waits at most `timeoutMs` (-1: for good) for `fd` to have input, its end or an error
/// (all of which read() reports); false when the time passed or a signal came first.
bool WaitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    const int rc = ::poll(&p, 1, timeoutMs);
    if (rc < 0 && errno != EINTR)
        Throw("cannot read", errno);
    return rc > 0;
}

} // namespace

TInputFile::TInputFile(const std::string& path, TReadCancelCheck cancelled)
    : FCancelled(std::move(cancelled))
{
    const bool own = path != "-";
    int fd = STDIN_FILENO;
    if (own) {
        // O_NONBLOCK: opening a named pipe would otherwise wait for a writer in the kernel,
        // where nothing can call it off; the first read waits for it instead. O_NOCTTY: a
        // terminal named here does not become the program's own.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            Throw("cannot open", errno);
    }
    struct stat st
    {
    };
    const bool known = ::fstat(fd, &st) == 0;
    if (own && known && S_ISDIR(st.st_mode)) {
        ::close(fd);
        Throw("cannot read", EISDIR);
    }
    FHandle = fd;
    FOwned = own;
    // Files and disks always have their bytes at hand; anything else may keep a read
    // waiting. Standard input keeps its flags: they are shared with whoever else holds it.
    FMayWait = !known || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
    if (FOwned && !FMayWait)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
}

TInputFile::TInputFile(const TPrivateFolder& folder, std::string_view name)
{
    const std::string n(name);
    if (n.empty() || n == "." || n == ".." || n.find('/') != std::string::npos)
        Throw("cannot open", EINVAL);
    const int fd = folder.IsOpen()
                       ? ::openat(static_cast<int>(folder.Handle()), n.c_str(),
                                  O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)
                       : (errno = EBADF, -1);
    if (fd < 0)
        Throw("cannot open", errno);
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        Throw("cannot read", S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FHandle = fd;
    FOwned = true;
}

TInputFile::~TInputFile()
{
    if (FOwned && FHandle >= 0)
        ::close(Fd(FHandle));
}

std::size_t TInputFile::Read(char* data, std::size_t size)
{
    const int fd = Fd(FHandle);
    for (;;) {
        if (FCancelled && FCancelled())
            throw EReadCancelled();
        // Waiting happens in poll(), never in read(): a named pipe that no writer has opened
        // yet reads as ended, where poll() waits for the writer to come.
        if (FMayWait && !WaitReadable(fd, FCancelled ? kWaitSliceMs : -1))
            continue;
        const ssize_t n = ::read(fd, data, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            FMayWait = true; // another reader took what poll() saw
        else if (errno != EINTR)
            Throw("cannot read", errno);
    }
}

TOutputFile::TOutputFile(const std::string& path) : FPath(path)
{
    if (path == "-") {
        FHandle = STDOUT_FILENO;
#ifdef F_SETPIPE_SZ
        // Into a pipe (ssh, scanning this machine for another one) the writer runs 1 MiB
        // ahead of its reader, not 64 KiB; on anything else the call fails, harmlessly.
        ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1024 * 1024);
#endif
        return;
    }
    if (path.empty() || path.back() == '/')
        Throw("cannot write", EISDIR);
    // The folder is opened once, as the user named it; everything after happens relative
    // to that descriptor, or to the folder a link there leads to.
    int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        Throw("cannot create a file in its folder", errno);
    FFolder = folder;
    FOwned = true;
    // A constructor that throws runs no destructor: this one closes what is open then.
    struct Unwind
    {
        TOutputFile& File;
        bool Done = false;
        ~Unwind()
        {
            if (Done)
                return;
            if (File.FHandle >= 0)
                ::close(Fd(File.FHandle));
            ::close(Fd(File.FFolder));
        }
    } unwind{*this};
    FTarget = std::string(LastPathComponent(path));
    for (int links = 0;; ++links) {
        if (FTarget == "." || FTarget == "..")
            Throw("cannot write", EISDIR);
        struct stat st
        {
        };
        if (::fstatat(folder, FTarget.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                Throw("cannot write", errno);
            break; // a new name
        }
        if (S_ISREG(st.st_mode)) {
            FExisted = true;
            break;
        }
        const bool link = S_ISLNK(st.st_mode);
        if (links == kMaxLinks)
            Throw("cannot write", ELOOP);
        struct stat behind
        {
        };
        // A pipe or a device, also behind a link (/dev/stdout, whose link in /proc names no
        // path): written into where the system's own resolution leads.
        if (IsStream(st.st_mode) || (link && ::fstatat(folder, FTarget.c_str(), &behind, 0) == 0 &&
                                     IsStream(behind.st_mode))) {
            const int fd = OpenStream(folder, FTarget.c_str(), link ? 0 : O_NOFOLLOW);
            if (fd < 0)
                continue; // it changed meanwhile: look again
            FHandle = fd;
            unwind.Done = true;
            return;
        }
        if (!link)
            Throw("cannot write", S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        // The link's text leads on, from the link's own folder.
        std::string text(4096, '\0');
        const ssize_t n = ::readlinkat(folder, FTarget.c_str(), text.data(), text.size());
        if (n < 0)
            Throw("cannot write", errno);
        if (static_cast<std::size_t>(n) == text.size())
            Throw("cannot write", ENAMETOOLONG);
        text.resize(static_cast<std::size_t>(n));
        if (text.empty() || text.back() == '/')
            Throw("cannot write", EISDIR);
        const int next =
            ::openat(folder, FolderOf(text).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (next < 0)
            Throw("cannot create a file in its folder", errno);
        ::close(folder);
        FFolder = folder = next;
        FTarget = std::string(LastPathComponent(text));
    }
    CreateTemporary();
    unwind.Done = true;
}

TOutputFile::TOutputFile(const TPrivateFolder& folder, std::string_view name)
    : FPath(folder.Path() + "/" + std::string(name)), FTarget(name)
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos)
        Throw("cannot write", EINVAL);
    const int dir = folder.IsOpen() ? ::fcntl(static_cast<int>(folder.Handle()), F_DUPFD_CLOEXEC, 0)
                                    : (errno = EBADF, -1);
    if (dir < 0)
        Throw("cannot create a file in its folder", errno);
    FFolder = dir;
    FOwned = true;
    try {
        struct stat st
        {
        };
        if (::fstatat(dir, FTarget.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISREG(st.st_mode))
                Throw("cannot write", S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
            FExisted = true;
        } else if (errno != ENOENT) {
            Throw("cannot write", errno);
        }
        CreateTemporary();
    } catch (...) {
        // A constructor that throws runs no destructor.
        ::close(dir);
        throw;
    }
}

void TOutputFile::CreateTemporary()
{
    const int folder = Fd(FFolder);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".harrowdale-%08x", static_cast<unsigned>(random()));
        const TSignalsHeld held;
        // O_EXCL: an existing name (or a planted link) is never used.
        const int fd =
            ::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            FHandle = fd;
            FTempPath = name;
            FSlot = Publish(folder, name);
            return;
        }
        if (errno != EEXIST)
            break;
    }
    Throw("cannot create a file in its folder", errno);
}

TOutputFile::~TOutputFile()
{
    if (!FTempPath.empty()) {
        const TSignalsHeld held;
        ::unlinkat(Fd(FFolder), FTempPath.c_str(), 0);
        Withdraw(FSlot);
    }
    if (FOwned && FHandle >= 0)
        ::close(Fd(FHandle));
    if (FFolder >= 0)
        ::close(Fd(FFolder));
}

void TOutputFile::Write(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(Fd(FHandle), data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Throw("cannot write", errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void TOutputFile::Commit()
{
    if (FTempPath.empty())
        return; // a stream: written as it came
    if (::fsync(Fd(FHandle)) != 0)
        Throw("cannot write", errno);
    const int folder = Fd(FFolder);
    {
        const TSignalsHeld held;
        // Only a regular file is replaced: a name that was free is taken only while it
        // still is, and one that was a file only while it still is one.
        int rc = -1;
        if (!FExisted) {
            rc = ::renameat2(folder, FTempPath.c_str(), folder, FTarget.c_str(), RENAME_NOREPLACE);
            if (rc != 0 && errno != EEXIST && errno != EINVAL && errno != ENOSYS)
                Throw("cannot replace", errno);
        }
        if (rc != 0) {
            struct stat st
            {
            };
            if (::fstatat(folder, FTarget.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                !S_ISREG(st.st_mode))
                throw std::runtime_error("cannot replace: it is no longer a regular file");
            if (::renameat(folder, FTempPath.c_str(), folder, FTarget.c_str()) != 0)
                Throw("cannot replace", errno);
        }
        FTempPath.clear();
        Withdraw(FSlot);
    }
    const int fd = Fd(FHandle);
    FHandle = -1;
    if (::close(fd) != 0)
        Throw("cannot write", errno);
}

void RemoveUnfinishedOutputFiles() noexcept
{
    for (PendingFile& p : gPending)
        if (p.State.load() == kPublished)
            ::unlinkat(p.Folder, p.Name, 0);
}

} // namespace harrowdale::platform
