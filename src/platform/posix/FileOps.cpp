#include "platform/FileOps.h"

#include "platform/FileOpsBackend.h"
#include "platform/posix/Descriptors.h"
#include "platform/posix/RemoveTree.h"
#include "platform/posix/TrashDirs.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale::platform {

namespace {

using posix::Fd;
using posix::FileId;

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
    return buf;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Renames `name` of `from` to `to` of `into`, never replacing what is there.
bool RenameNoReplace(int from, const std::string& name, int into, const std::string& to)
{
    if (::renameat2(from, name.c_str(), into, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system without RENAME_NOREPLACE. Only this user can write into the trash
    // folder, so a check before the rename holds.
    FileId taken;
    if (posix::StatAt(into, to.c_str(), taken)) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(from, name.c_str(), into, to.c_str()) == 0;
}

// The selected item resolved from its scan root: neither a link nor a mount root.
bool ResolveItem(std::span<const std::string> roots, const std::string& path,
                 posix::ResolvedItem& item, FileId& id)
{
    if (!posix::ResolveFromRoots(roots, path, item) ||
        !posix::StatAt(item.Parent.Get(), item.Name.c_str(), id))
        return false;
    return !id.IsLink() && !posix::OnOtherMount(item.ParentId, id);
}

} // namespace

bool detail::TrashOne(std::span<const std::string> roots, const std::string& path)
{
    posix::ResolvedItem item;
    FileId id;
    posix::TrashTarget trash;
    if (!ResolveItem(roots, path, item, id) || !posix::OpenTrashFor(id, trash))
        return false;
    std::string infoPath = path;
    if (!trash.TopDir.empty() && trash.TopDir != "/" && path.starts_with(trash.TopDir + "/"))
        infoPath = path.substr(trash.TopDir.size() + 1);
    const std::string info = "[Trash Info]\nPath=" + PercentEncodePath(infoPath) +
                             "\nDeletionDate=" + DeletionDate() + "\n";
    // Reserve a name by creating its info file exclusively, then move the item.
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? item.Name : item.Name + "." + std::to_string(n);
        const std::string infoName = name + ".trashinfo";
        const Fd infoFile(::openat(trash.Info.Get(), infoName.c_str(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!infoFile.Valid()) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (!WriteAll(infoFile.Get(), info)) {
            ::unlinkat(trash.Info.Get(), infoName.c_str(), 0);
            return false;
        }
        if (RenameNoReplace(item.Parent.Get(), item.Name, trash.Files.Get(), name))
            return true;
        const int err = errno;
        ::unlinkat(trash.Info.Get(), infoName.c_str(), 0);
        if (err != EEXIST && err != ENOTEMPTY) // a leftover without its info: next name
            return false;
    }
    return false;
}

bool detail::RemoveOne(std::span<const std::string> roots, const std::string& path)
{
    posix::ResolvedItem item;
    FileId id;
    return ResolveItem(roots, path, item, id) &&
           posix::RemoveEntry(item.Parent.Get(), item.ParentId, item.Name);
}

bool PathExists(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

} // namespace harrowdale::platform
