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

std::string RemovePrivateFile(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return "Cannot remove " + path + ": not a file of its own folder";
    const std::string folder = path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    // The folder as CreatePrivateFile left it: ours alone, so its entries are ours too.
    const posix::Fd dir(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    posix::FileId id;
    if (!dir.Valid() || !posix::StatAt(dir.Get(), "", id))
        return Failed("Cannot open " + folder).Error;
    if (!id.IsDir() || id.Uid != ::getuid() || (id.Mode & 077) != 0) {
        errno = EPERM;
        return Failed("Cannot trust " + folder).Error;
    }
    if (::unlinkat(dir.Get(), name.c_str(), 0) != 0 && errno != ENOENT)
        return Failed("Cannot remove " + path).Error;
    // rmdir takes only an empty folder; the one the name leads to is checked to be ours.
    const std::size_t parentEnd = folder.rfind('/');
    const std::string parent = parentEnd == 0 ? "/" : folder.substr(0, parentEnd);
    // The temporary folder itself may be reached through the user's own links; the
    // folder removed from it is checked to be the one opened above.
    const posix::Fd up(::open(parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    posix::FileId again;
    const std::string folderName = folder.substr(parentEnd + 1);
    if (!up.Valid() || !posix::StatAt(up.Get(), folderName.c_str(), again) ||
        !posix::SameFile(id, again))
        return "Cannot remove " + folder + ": it was replaced";
    if (::unlinkat(up.Get(), folderName.c_str(), AT_REMOVEDIR) != 0)
        return Failed("Cannot remove " + folder).Error;
    return {};
}

} // namespace harrowdale::platform
