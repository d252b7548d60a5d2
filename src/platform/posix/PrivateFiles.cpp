#include "platform/PrivateFiles.h"

#include "platform/posix/Descriptors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace harrowdale::platform {

namespace {

std::string TemporaryFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp == '/' ? tmp : "/tmp";
}

TCreatedFile Failed(const std::string& what)
{
    TCreatedFile out;
    out.Error = what + ": " + std::strerror(errno);
    return out;
}

} // namespace

TCreatedFile CreatePrivateFile(std::string_view fileName)
{
    if (fileName.empty() || fileName == "." || fileName == ".." ||
        fileName.find('/') != std::string_view::npos) {
        errno = EINVAL;
        return Failed("Cannot create \"" + std::string(fileName) + "\"");
    }
    std::string folder = TemporaryFolder() + "/harrowdale-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr)
        return Failed("Cannot create a folder in " + TemporaryFolder());
    // mkdtemp made it 0700 under a name nobody could guess; check what the name now
    // leads to all the same before creating anything in it.
    const posix::Fd dir(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    posix::FileId id;
    if (!dir.Valid() || !posix::StatAt(dir.Get(), "", id))
        return Failed("Cannot open " + folder);
    if (!id.IsDir() || id.Uid != ::getuid() || (id.Mode & 077) != 0) {
        errno = EPERM;
        return Failed("Cannot trust " + folder);
    }
    const std::string name(fileName);
    const int fd = ::openat(dir.Get(), name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return Failed("Cannot create " + folder + "/" + name);
    TCreatedFile out;
    out.Descriptor = fd;
    out.Path = folder + "/" + name;
    return out;
}

} // namespace harrowdale::platform
