#include "platform/PrivateFolders.h"

#include "platform/posix/Descriptors.h"
#include "platform/posix/TrashDirs.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace harrowdale::platform {

TPrivateFolder::~TPrivateFolder()
{
    if (FHandle != -1)
        ::close(static_cast<int>(FHandle));
}

TPrivateFolder::TPrivateFolder(TPrivateFolder&& other) noexcept
    : FPath(std::move(other.FPath)), FHandle(std::exchange(other.FHandle, -1))
{
}

TPrivateFolder& TPrivateFolder::operator=(TPrivateFolder&& other) noexcept
{
    if (this != &other) {
        if (FHandle != -1)
            ::close(static_cast<int>(FHandle));
        FPath = std::move(other.FPath);
        FHandle = std::exchange(other.FHandle, -1);
    }
    return *this;
}

TPrivateFolder TPrivateFolder::OpenData(std::string_view app, std::string_view name,
                                        std::string& error)
{
    TPrivateFolder folder;
    const std::string home = posix::DataHome();
    if (home.empty()) {
        error = "no data folder: neither XDG_DATA_HOME nor HOME is an absolute path";
        return folder;
    }
    folder.FPath = home + "/" + std::string(app) + "/" + std::string(name);
    const posix::Fd base = posix::OpenOrMakeDataHome(home);
    posix::Fd appDir = base.Valid()
                           ? posix::OpenOwnFolder(base.Get(), std::string(app).c_str(), false)
                           : posix::Fd();
    posix::Fd dir = appDir.Valid()
                        ? posix::OpenOwnFolder(appDir.Get(), std::string(name).c_str(), false)
                        : posix::Fd();
    posix::FileId id;
    if (dir.Valid() && posix::StatAt(dir.Get(), "", id) && (id.Mode & 022) != 0)
        errno = EPERM, dir = posix::Fd();
    if (!dir.Valid()) {
        const int why = errno;
        error = folder.FPath + ": " +
                (why == ELOOP || why == EPERM || why == ENOTDIR
                     ? std::string("not used: it must be a folder (not a link) of this user's "
                                   "that no one else may write to")
                     : std::string(std::strerror(why)));
        return folder;
    }
    folder.FHandle = dir.Release();
    return folder;
}

TPrivateFolder TPrivateFolder::Hold(const std::string& path)
{
    TPrivateFolder folder;
    folder.FPath = path;
    folder.FHandle = posix::OpenRefusingLinks(path, O_RDONLY | O_DIRECTORY);
    return folder;
}

std::vector<TFolderFile> TPrivateFolder::RegularFiles() const
{
    std::vector<TFolderFile> files;
    // A listing of its own: a DIR stream reads from its descriptor's position.
    const int fd = FHandle == -1 ? -1
                                 : ::openat(static_cast<int>(FHandle), ".",
                                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return files;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return files;
    }
    while (const dirent* e = ::readdir(dir)) {
        struct stat st
        {
        };
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            files.push_back({e->d_name, static_cast<std::int64_t>(st.st_size)});
    }
    ::closedir(dir);
    return files;
}

bool TPrivateFolder::RemoveRegularFile(std::string_view name) const
{
    const std::string n(name);
    struct stat st
    {
    };
    if (FHandle == -1 || n.empty() || n == "." || n == ".." || n.find('/') != std::string::npos ||
        ::fstatat(static_cast<int>(FHandle), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
        return false;
    return ::unlinkat(static_cast<int>(FHandle), n.c_str(), 0) == 0;
}

} // namespace harrowdale::platform
