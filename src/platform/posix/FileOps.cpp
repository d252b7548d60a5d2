#include "platform/FileOps.h"

#include "platform/FileOpsBackend.h"
#include "platform/posix/Descriptors.h"
#include "platform/posix/RemoveTree.h"
#include "platform/posix/TrashDirs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale::platform {

namespace {

using posix::Fd;
using posix::FileId;

constexpr const char* kInfoSuffix = ".trashinfo";

// A failure by errno: refused, or anything else.
TRemovalOutcome Failure()
{
    const bool refused = errno == EACCES || errno == EPERM || errno == EROFS;
    return detail::Outcome(TRemovalStatus::Failed,
                           refused ? TRemovalError::NoPermission : TRemovalError::Other);
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

// The outcome of an item that could not be reached or looked at, by errno.
TRemovalOutcome NotReached()
{
    switch (errno) {
    case ENOENT:
    case ENOTDIR: // a file on the way: nothing can be at the path
        return detail::Outcome(TRemovalStatus::AlreadyGone);
    case ELOOP:
    case EXDEV:
        return detail::Outcome(TRemovalStatus::Failed, TRemovalError::LinkOrMount);
    case EINVAL:
        return detail::Outcome(TRemovalStatus::Failed, TRemovalError::NotInScan);
    case ESTALE: // the scan root is another folder now
        return detail::Outcome(TRemovalStatus::Changed);
    default:
        return Failure();
    }
}

// The item resolved from its scan root and looked at from its parent: `id` is what is
// there now. Nothing when it may be acted on, else the outcome that stops it.
std::optional<TRemovalOutcome> ResolveChecked(std::span<const ScanRoot> roots,
                                              const TRecordedItem& record,
                                              posix::ResolvedItem& item, FileId& id)
{
    if (!posix::ResolveFromRoots(roots, record.Path, item) ||
        !posix::StatAt(item.Parent.Get(), item.Name.c_str(), id))
        return NotReached();
    // A link or a mount root was never counted by a scan: something else is there now.
    if (id.IsLink() || posix::OnOtherMount(item.ParentId, id) ||
        !detail::MatchesRecord(record, id.IsDir(), {id.Dev, id.Ino}))
        return detail::Outcome(TRemovalStatus::Changed);
    return std::nullopt;
}

// The name of the item in the trash at the `attempt`th try (from 1): its own, with ".n"
// from the second try on, shortened where the name of its info file would be longer than
// a name may be.
std::string TrashEntryName(const std::string& name, int attempt)
{
    const std::string number = attempt > 1 ? "." + std::to_string(attempt) : std::string();
    constexpr std::size_t kNameMax = 255;
    const std::size_t room = kNameMax - std::strlen(kInfoSuffix) - number.size();
    if (name.size() <= room)
        return name + number;
    // Too long for its info file: keep the start and a short extension, so the entry
    // still shows what it was; the info file keeps the whole name.
    const std::size_t dot = name.rfind('.');
    const std::string ext =
        dot != std::string::npos && dot > 0 && name.size() - dot <= 16 ? name.substr(dot) : "";
    std::size_t cut = room - ext.size() - 1;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 character
    return name.substr(0, cut) + "~" + ext + number;
}

} // namespace

TRemovalOutcome detail::TrashOne(std::span<const ScanRoot> roots, const TRecordedItem& record)
{
    posix::ResolvedItem item;
    FileId id;
    if (auto stop = ResolveChecked(roots, record, item, id))
        return *stop;
    posix::TrashTarget trash;
    if (!posix::OpenTrashFor(id, trash))
        return Outcome(TRemovalStatus::Failed, TRemovalError::NoTrash);
    const std::string& path = record.Path;
    std::string infoPath = path;
    if (!trash.TopDir.empty() && trash.TopDir != "/" && path.starts_with(trash.TopDir + "/"))
        infoPath = path.substr(trash.TopDir.size() + 1);
    const std::string info = "[Trash Info]\nPath=" + PercentEncodePath(infoPath) +
                             "\nDeletionDate=" + DeletionDate() + "\n";
    // Reserve a name by creating its info file exclusively, then move the item.
    for (int n = 1; n < 10000; ++n) {
        const std::string name = TrashEntryName(item.Name, n);
        const std::string infoName = name + kInfoSuffix;
        const Fd infoFile(::openat(trash.Info.Get(), infoName.c_str(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!infoFile.Valid()) {
            if (errno == EEXIST)
                continue;
            return Failure();
        }
        if (!WriteAll(infoFile.Get(), info)) {
            const int err = errno;
            ::unlinkat(trash.Info.Get(), infoName.c_str(), 0);
            errno = err;
            return Failure();
        }
        if (RenameNoReplace(item.Parent.Get(), item.Name, trash.Files.Get(), name)) {
            // The name may have been given to something else between the look and the
            // move: then that goes back where it was.
            FileId moved;
            if (posix::StatAt(trash.Files.Get(), name.c_str(), moved) && posix::SameFile(moved, id))
                return Outcome(TRemovalStatus::Removed);
            if (RenameNoReplace(trash.Files.Get(), name, item.Parent.Get(), item.Name))
                ::unlinkat(trash.Info.Get(), infoName.c_str(), 0);
            return Outcome(TRemovalStatus::Changed);
        }
        const int err = errno;
        ::unlinkat(trash.Info.Get(), infoName.c_str(), 0);
        if (err != EEXIST && err != ENOTEMPTY) { // a leftover without its info: next name
            errno = err;
            return err == ENOENT ? Outcome(TRemovalStatus::AlreadyGone) : Failure();
        }
    }
    return Failure();
}

TRemovalOutcome detail::RemoveOne(std::span<const ScanRoot> roots, const TRecordedItem& record)
{
    posix::ResolvedItem item;
    FileId id;
    if (auto stop = ResolveChecked(roots, record, item, id))
        return *stop;
    TRemovalOutcome out;
    switch (posix::RemoveEntry(item.Parent.Get(), item.ParentId, item.Name, id, out.Left)) {
    case posix::RemoveResult::Removed:
        out.Status = TRemovalStatus::Removed;
        out.Left.clear();
        return out;
    case posix::RemoveResult::Partly:
        out.Status = TRemovalStatus::PartlyRemoved;
        return out;
    case posix::RemoveResult::Failed:
        // ESTALE: the folder opened is not the one looked at a moment before.
        return errno == ESTALE ? Outcome(TRemovalStatus::Changed) : NotReached();
    case posix::RemoveResult::Lost:
        break;
    }
    return Outcome(TRemovalStatus::Failed, TRemovalError::Other);
}

bool PathExists(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

} // namespace harrowdale::platform
