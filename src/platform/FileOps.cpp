#include "platform/FileOps.h"

#include "platform/FileOpsBackend.h"
#include "platform/Paths.h"

#include <unordered_set>

namespace harrowdale::platform {

namespace {

/// Calls `one` for each path in order and collects the paths it fails on. A path given
/// twice (a group and one of its files; on Windows also in another case) is one item:
/// done once, and not a failure the second time.
bool ForEachPath(std::span<const std::string> roots, const std::vector<std::string>& paths,
                 std::vector<std::string>* failures,
                 bool (*one)(std::span<const std::string>, const std::string&))
{
    bool all = true;
    std::unordered_set<std::string> done;
    for (const std::string& p : paths) {
        if (p.empty() || done.contains(PathKey(p)))
            continue;
        if (one(roots, p)) {
            done.insert(PathKey(p));
        } else {
            all = false;
            if (failures != nullptr)
                failures->push_back(p);
        }
    }
    return all;
}

} // namespace

bool MoveToTrash(std::span<const std::string> scanRoots, const std::vector<std::string>& paths,
                 std::vector<std::string>* failures)
{
    return ForEachPath(scanRoots, paths, failures, detail::TrashOne);
}

bool RemovePermanently(std::span<const std::string> scanRoots,
                       const std::vector<std::string>& paths, std::vector<std::string>* failures)
{
    return ForEachPath(scanRoots, paths, failures, detail::RemoveOne);
}

std::string PercentEncodePath(const std::string& path)
{
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

} // namespace harrowdale::platform
