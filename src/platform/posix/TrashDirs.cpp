#include "platform/posix/TrashDirs.h"

#include "platform/posix/MountInfo.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale::platform::posix {

std::string DataHome()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data == '/')
        return data;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/')
        return std::string(home) + "/.local/share";
    return {};
}

// The user's own data folder, made where missing. Links in it are the user's own
// arrangement and are followed.
Fd OpenOrMakeDataHome(const std::string& path)
{
    Fd dir(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid() || errno != ENOENT)
        return dir;
    dir = Fd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::size_t pos = 1;
    while (dir.Valid() && pos < path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string::npos)
            slash = path.size();
        const std::string name = path.substr(pos, slash - pos);
        pos = slash + 1;
        if (name.empty())
            continue;
        if (::mkdirat(dir.Get(), name.c_str(), 0700) != 0 && errno != EEXIST)
            return {};
        dir = Fd(::openat(dir.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return dir;
}

// Folder `name` of `at`, made with mode 0700 when missing. It must be a real folder on
// the same mount (no link), owned by this user, and with `closed` nobody else may enter
// or read it.
Fd OpenOwnFolder(int at, const char* name, bool closed)
{
    if (::mkdirat(at, name, 0700) != 0 && errno != EEXIST)
        return {};
    Fd dir(OpenBeneath(at, name, O_PATH | O_DIRECTORY));
    FileId id;
    if (!dir.Valid() || !StatAt(dir.Get(), "", id))
        return {};
    if (!id.IsDir() || id.Uid != ::getuid() || (closed && (id.Mode & 077) != 0)) {
        errno = EPERM;
        return {};
    }
    return dir;
}

namespace {

bool OpenFilesAndInfo(int trash, TrashTarget& out)
{
    out.Files = OpenOwnFolder(trash, "files", false);
    out.Info = OpenOwnFolder(trash, "info", false);
    return out.Files.Valid() && out.Info.Valid();
}

// The top folder of the mount `item` lies on, checked to be that mount's root.
Fd OpenMountTop(const FileId& item, std::string& topPath)
{
    if (!item.HasMountId)
        return {}; // kernels before 5.8: the mount cannot be told safely
    for (const MountEntry& m : ReadMountInfo()) {
        if (m.MountId != item.MountId)
            continue;
        Fd top(::open(m.MountPoint.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        FileId id;
        if (!top.Valid() || !StatAt(top.Get(), "", id) || !id.HasMountId ||
            id.MountId != item.MountId || !id.MountRoot)
            return {};
        topPath = m.MountPoint;
        return top;
    }
    return {};
}

bool OnSameMountAndDevice(const FileId& a, const FileId& b)
{
    const bool sameMount =
        a.HasMountId && b.HasMountId ? a.MountId == b.MountId : !a.MountRoot && !b.MountRoot;
    return sameMount && a.Dev == b.Dev;
}

} // namespace

bool OpenTrashFor(const FileId& item, TrashTarget& out)
{
    const std::string dataHome = DataHome();
    const Fd home = dataHome.empty() ? Fd() : OpenOrMakeDataHome(dataHome);
    FileId homeId;
    if (home.Valid() && StatAt(home.Get(), "", homeId) && OnSameMountAndDevice(homeId, item)) {
        const Fd trash = OpenOwnFolder(home.Get(), "Trash", false);
        out.TopDir.clear();
        return trash.Valid() && OpenFilesAndInfo(trash.Get(), out);
    }

    std::string topPath;
    const Fd top = OpenMountTop(item, topPath);
    if (!top.Valid())
        return false;
    out.TopDir = topPath;
    const std::string uid = std::to_string(::getuid());
    // An administrator's shared $topdir/.Trash: a sticky folder, not a link, holding one
    // folder per user.
    FileId shared;
    if (StatAt(top.Get(), ".Trash", shared) && shared.IsDir() && (shared.Mode & S_ISVTX) != 0) {
        const Fd sharedDir(OpenBeneath(top.Get(), ".Trash", O_PATH | O_DIRECTORY));
        FileId opened;
        if (sharedDir.Valid() && StatAt(sharedDir.Get(), "", opened) && SameFile(opened, shared)) {
            const Fd own = OpenOwnFolder(sharedDir.Get(), uid.c_str(), true);
            if (own.Valid() && OpenFilesAndInfo(own.Get(), out))
                return true;
        }
    }
    const Fd own = OpenOwnFolder(top.Get(), (".Trash-" + uid).c_str(), true);
    return own.Valid() && OpenFilesAndInfo(own.Get(), out);
}

} // namespace harrowdale::platform::posix
