#include "platform/ByteFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

TInputFile::TInputFile(const std::string& path)
{
    if (path == "-") {
        FFd = STDIN_FILENO;
        return;
    }
    FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (FFd < 0)
        Throw("cannot open", errno);
    FOwned = true;
    struct stat st
    {
    };
    if (::fstat(FFd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(FFd);
        FFd = -1;
        Throw("cannot read", EISDIR);
    }
}

TInputFile::~TInputFile()
{
    if (FOwned && FFd >= 0)
        ::close(FFd);
}

std::size_t TInputFile::Read(char* data, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(FFd, data, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            Throw("cannot read", errno);
    }
}

TOutputFile::TOutputFile(const std::string& path) : FPath(path)
{
    if (path == "-") {
        FFd = STDOUT_FILENO;
        return;
    }
    if (path.empty() || path.back() == '/')
        Throw("cannot write", EISDIR);
    std::string temp = FolderOf(path) + "/.harrowdale-XXXXXX";
    // mkostemp creates with O_EXCL, so an existing name (or a planted link) is never used.
    FFd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (FFd < 0)
        Throw("cannot create a file in its folder", errno);
    FTempPath = std::move(temp);
}

TOutputFile::~TOutputFile()
{
    if (!FTempPath.empty()) {
        ::close(FFd);
        ::unlink(FTempPath.c_str());
    }
}

void TOutputFile::Write(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(FFd, data, size);
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
    if (::fsync(FFd) != 0)
        Throw("cannot write", errno);
    if (::rename(FTempPath.c_str(), FPath.c_str()) != 0)
        Throw("cannot replace", errno);
    FTempPath.clear();
    if (::close(FFd) != 0)
        Throw("cannot write", errno);
    FFd = -1;
}

} // namespace harrowdale::platform
