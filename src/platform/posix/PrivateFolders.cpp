#include "platform/PrivateFolders.h"

#include "platform/posix/Descriptors.h"
#include "platform/posix/TrashDirs.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale::platform {

std::string OpenPrivateDataFolder(std::string_view app, std::string_view name, std::string& error)
{
    const std::string home = posix::DataHome();
    if (home.empty()) {
        error = "no data folder: neither XDG_DATA_HOME nor HOME is an absolute path";
        return {};
    }
    const std::string appPath = home + "/" + std::string(app);
    const std::string path = appPath + "/" + std::string(name);
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
        error = path + ": " +
                (why == ELOOP || why == EPERM || why == ENOTDIR
                     ? std::string("not used: it must be a folder (not a link) of this user's "
                                   "that no one else may write to")
                     : std::string(std::strerror(why)));
        return {};
    }
    return path;
}

std::vector<TFolderFile> RegularFilesIn(const std::string& folder)
{
    std::vector<TFolderFile> files;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

bool RemoveRegularFileIn(const std::string& folder, std::string_view name)
{
    const posix::Fd dir(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const std::string n(name);
    struct stat st
    {
    };
    if (!dir.Valid() || n.find('/') != std::string::npos ||
        ::fstatat(dir.Get(), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return false;
    return ::unlinkat(dir.Get(), n.c_str(), 0) == 0;
}

} // namespace harrowdale::platform
