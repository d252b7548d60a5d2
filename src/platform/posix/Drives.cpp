#include "platform/Drives.h"

#include "platform/FileSystem.h"
#include "platform/posix/MountInfo.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <sstream>
#include <sys/statvfs.h>

namespace harrowdale::platform {

namespace {

std::string Unescape(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const char a = s[i + 1], b = s[i + 2], c = s[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

std::vector<std::string_view> SplitBlanks(std::string_view line)
{
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            parts.push_back(line.substr(start, i - start));
    }
    return parts;
}

bool StartsWithFolder(const std::string& path, std::string_view folder)
{
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

// `inner` is `outer` or lies below it, compared by whole components.
bool IsInsideFolder(const std::string& inner, const std::string& outer)
{
    return inner == outer || outer == "/" || StartsWithFolder(inner, outer);
}

} // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text)
{
    std::vector<MountEntry> result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const auto parts = SplitBlanks(text.substr(pos, end - pos));
        pos = end + 1;
        // id parent major:minor root mountpoint options [optional...] - fstype source super
        const auto dash = std::find(parts.begin(), parts.end(), std::string_view("-"));
        if (parts.size() < 5 || dash == parts.end() || dash + 1 == parts.end() ||
            dash - parts.begin() < 6)
            continue;
        MountEntry e;
        std::from_chars(parts[0].data(), parts[0].data() + parts[0].size(), e.MountId);
        e.Device = std::string(parts[2]);
        e.Root = Unescape(parts[3]);
        e.MountPoint = Unescape(parts[4]);
        e.FsType = std::string(*(dash + 1));
        result.push_back(std::move(e));
    }
    return result;
}

DriveKind ClassifyMount(const MountEntry& entry)
{
    static constexpr std::array<std::string_view, 13> kLocal = {
        "ext2", "ext3",  "ext4", "xfs",   "btrfs",   "f2fs",   "zfs",
        "vfat", "exfat", "ntfs", "ntfs3", "fuseblk", "overlay"};
    if (std::find(kLocal.begin(), kLocal.end(), entry.FsType) == kLocal.end())
        return DriveKind::Other;
    if (StartsWithFolder(entry.MountPoint, "/media") ||
        StartsWithFolder(entry.MountPoint, "/run/media"))
        return DriveKind::Removable;
    return DriveKind::Fixed;
}

std::vector<std::string> SelectDriveRoots(const std::vector<MountEntry>& mounts,
                                          bool (*exists)(const std::string&))
{
    std::vector<std::string> roots;
    std::vector<const MountEntry*> chosen;
    for (const MountEntry& m : mounts) {
        if (ClassifyMount(m) == DriveKind::Other)
            continue;
        const bool repeat = std::any_of(chosen.begin(), chosen.end(), [&m](const MountEntry* c) {
            return c->Device == m.Device && IsInsideFolder(m.Root, c->Root);
        });
        if (repeat || !exists(m.MountPoint))
            continue;
        chosen.push_back(&m);
        roots.push_back(m.MountPoint);
    }
    return roots;
}

std::vector<MountEntry> ReadMountInfo()
{
    std::ifstream in("/proc/self/mountinfo");
    if (!in)
        return {};
    std::stringstream buf;
    buf << in.rdbuf();
    return ParseMountInfo(buf.str());
}

std::vector<std::string> ListDriveRoots()
{
    return SelectDriveRoots(ReadMountInfo(), &DirectoryExists);
}

std::int64_t UsedBytes(const std::string& root)
{
    struct statvfs st
    {
    };
    if (::statvfs(root.c_str(), &st) != 0)
        return 0;
    const unsigned long long total = static_cast<unsigned long long>(st.f_blocks) * st.f_frsize;
    const unsigned long long freeBytes = static_cast<unsigned long long>(st.f_bfree) * st.f_frsize;
    if (total <= freeBytes)
        return 0;
    const unsigned long long used = total - freeBytes;
    return used > 0x7FFFFFFFFFFFFFFFULL ? 0x7FFFFFFFFFFFFFFFLL : static_cast<std::int64_t>(used);
}

} // namespace harrowdale::platform
