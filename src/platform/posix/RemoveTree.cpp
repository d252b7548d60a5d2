#include "platform/posix/RemoveTree.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <span>
#include <unistd.h>
#include <vector>

namespace harrowdale::platform::posix {

namespace {

constexpr std::size_t kListBufferWords = 4096; // 32 KiB of getdents64 records

/// One folder on the way down.
struct Frame
{
    Frame(std::string name, std::string rel, const FileId& id, Fd dir)
        : Name(std::move(name)), Rel(std::move(rel)), Id(id), Dir(std::move(dir))
    {
    }
    std::string Name; ///< its name in the folder above
    std::string Rel;  ///< its path below the item ("" for the item)
    FileId Id;
    Fd Dir;                           ///< empty while given up for depth
    std::vector<std::string> Folders; ///< subfolders still to remove
    std::size_t Next = 0;
    bool Incomplete = false; ///< something inside stays
    bool ListFailed = false; ///< not read whole: what it still holds is unknown
};

std::string Below(const std::string& rel, const char* name)
{
    return rel.empty() ? std::string(name) : rel + "/" + name;
}

bool IsDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Reads the folder once: every entry that is not a folder goes at once, the folders'
// names are kept to be entered one by one afterwards. So the listing never has to be
// resumed after a descent, and the folder's descriptor can be given up meanwhile.
void ListFolder(Frame& f, std::span<std::uint64_t> buffer, std::vector<TLeftEntry>& left)
{
    const int fd = f.Dir.Get();
    for (;;) {
        const ssize_t n = ::getdents64(fd, buffer.data(), buffer.size_bytes());
        if (n <= 0) {
            f.ListFailed = n < 0;
            f.Incomplete = f.Incomplete || f.ListFailed;
            return;
        }
        const char* base = reinterpret_cast<const char*>(buffer.data());
        for (ssize_t off = 0; off < n;) {
            const auto* d = reinterpret_cast<const dirent64*>(base + off);
            off += d->d_reclen;
            const char* name = d->d_name;
            if (IsDotOrDotDot(name))
                continue;
            unsigned char type = d->d_type;
            if (type == DT_UNKNOWN) {
                FileId id;
                if (!StatAt(fd, name, id)) {
                    if (errno != ENOENT) {
                        f.Incomplete = true;
                        left.push_back({Below(f.Rel, name), true});
                    }
                    continue;
                }
                type = id.IsDir() ? DT_DIR : DT_REG;
            }
            if (type != DT_DIR) {
                if (::unlinkat(fd, name, 0) == 0 || errno == ENOENT)
                    continue;
                if (errno != EISDIR) { // EISDIR: became a folder since it was listed
                    f.Incomplete = true;
                    left.push_back({Below(f.Rel, name), true});
                    continue;
                }
            }
            f.Folders.emplace_back(name);
        }
    }
}

// The folder above `childFd`, provided it is still `expected`: if the tree was moved
// meanwhile, ".." leads elsewhere and the removal stops.
Fd OpenParent(int childFd, const FileId& expected)
{
    Fd up(::openat(childFd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    FileId id;
    if (!up.Valid() || !StatAt(up.Get(), "", id))
        return {};
    if (!SameFile(id, expected) || OnOtherMount(expected, id)) {
        errno = ESTALE;
        return {};
    }
    return up;
}

} // namespace

RemoveResult RemoveEntry(int parentFd, const FileId& parent, const std::string& name,
                         const FileId& id, std::vector<TLeftEntry>& left)
{
    if (!id.IsDir())
        return ::unlinkat(parentFd, name.c_str(), 0) == 0 ? RemoveResult::Removed
                                                          : RemoveResult::Failed;
    Fd top = OpenChildFolder(parentFd, parent, name, id);
    if (!top.Valid())
        return RemoveResult::Failed;
    const auto words = std::make_unique<std::uint64_t[]>(kListBufferWords);
    const std::span<std::uint64_t> buffer(words.get(), kListBufferWords);
    std::vector<Frame> stack;
    stack.emplace_back(name, std::string(), id, std::move(top));
    ListFolder(stack.back(), buffer, left);
    for (;;) {
        Frame& f = stack.back();
        if (f.Next < f.Folders.size()) {
            std::string child = std::move(f.Folders[f.Next++]);
            std::string rel = Below(f.Rel, child.c_str());
            FileId cid;
            if (!StatAt(f.Dir.Get(), child.c_str(), cid)) {
                if (errno != ENOENT) {
                    f.Incomplete = true;
                    left.push_back({std::move(rel), true});
                }
                continue;
            }
            if (!cid.IsDir()) { // swapped for a file or a link since the listing
                if (::unlinkat(f.Dir.Get(), child.c_str(), 0) != 0 && errno != ENOENT) {
                    f.Incomplete = true;
                    left.push_back({std::move(rel), true});
                }
                continue;
            }
            Fd childDir;
            if (!OnOtherMount(f.Id, cid))
                childDir = OpenChildFolder(f.Dir.Get(), f.Id, child, cid);
            if (!childDir.Valid()) { // another mount, or not to be opened: it stays
                f.Incomplete = true;
                left.push_back({std::move(rel), true});
                continue;
            }
            if (stack.size() >= kRemoveOpenFolders)
                stack[stack.size() - kRemoveOpenFolders].Dir.Reset();
            stack.emplace_back(std::move(child), std::move(rel), cid, std::move(childDir));
            ListFolder(stack.back(), buffer, left);
            continue;
        }
        // Everything that could go from this folder has gone: remove it from its parent.
        Frame done = std::move(f);
        stack.pop_back();
        if (stack.empty()) {
            if (!done.Incomplete && ::unlinkat(parentFd, done.Name.c_str(), AT_REMOVEDIR) == 0)
                return RemoveResult::Removed;
            if (done.ListFailed)
                left.push_back({std::string(), true}); // the item itself, as it is
            return RemoveResult::Partly;
        }
        Frame& up = stack.back();
        if (!up.Dir.Valid()) {
            up.Dir = OpenParent(done.Dir.Get(), up.Id);
            if (!up.Dir.Valid())
                return RemoveResult::Lost; // the tree moved: what is left stays
        }
        done.Dir.Reset();
        if (done.Incomplete || ::unlinkat(up.Dir.Get(), done.Name.c_str(), AT_REMOVEDIR) != 0) {
            up.Incomplete = true;
            left.push_back({std::move(done.Rel), done.ListFailed});
        }
    }
}

} // namespace harrowdale::platform::posix
