#include "platform/ByteFile.h"

#include "platform/Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

TInputFile::TInputFile(const std::string& path)
{
    if (path == "-") {
        FHandle = STDIN_FILENO;
        return;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Throw("cannot open", errno);
    struct stat st
    {
    };
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        Throw("cannot read", EISDIR);
    }
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
    for (;;) {
        const ssize_t n = ::read(Fd(FHandle), data, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            Throw("cannot read", errno);
    }
}

TOutputFile::TOutputFile(const std::string& path) : FPath(path)
{
    if (path == "-") {
        FHandle = STDOUT_FILENO;
        return;
    }
    if (path.empty() || path.back() == '/')
        Throw("cannot write", EISDIR);
    // The folder is opened once, as the user named it; everything after happens relative
    // to that descriptor.
    const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        Throw("cannot create a file in its folder", errno);
    FFolder = folder;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".harrowdale-%08x", static_cast<unsigned>(random()));
        // O_EXCL: an existing name (or a planted link) is never used.
        const int fd =
            ::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            FHandle = fd;
            FTempPath = name;
            return;
        }
        if (errno != EEXIST)
            break;
    }
    const int err = errno;
    ::close(folder);
    FFolder = -1;
    Throw("cannot create a file in its folder", err);
}

TOutputFile::~TOutputFile()
{
    if (!FTempPath.empty()) {
        ::close(Fd(FHandle));
        ::unlinkat(Fd(FFolder), FTempPath.c_str(), 0);
    }
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
        return; // standard output: written as it came
    if (::fsync(Fd(FHandle)) != 0)
        Throw("cannot write", errno);
    const std::string target(LastPathComponent(FPath));
    if (::renameat(Fd(FFolder), FTempPath.c_str(), Fd(FFolder), target.c_str()) != 0)
        Throw("cannot replace", errno);
    FTempPath.clear();
    const int fd = Fd(FHandle);
    FHandle = -1;
    if (::close(fd) != 0)
        Throw("cannot write", errno);
}

} // namespace harrowdale::platform
