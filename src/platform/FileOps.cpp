#include "platform/FileOps.h"

#include "platform/FileOpsBackend.h"
#include "platform/Paths.h"

#include <unordered_map>

namespace harrowdale::platform {

namespace {

/// Calls `one` for each item in order. A path given twice (a group and one of its files;
/// on Windows also in another case) is one item: acted on once, both get its outcome.
std::vector<TRemovalOutcome>
ForEachItem(std::span<const ScanRoot> roots, std::span<const TRecordedItem> items,
            TRemovalOutcome (*one)(std::span<const ScanRoot>, const TRecordedItem&))
{
    std::vector<TRemovalOutcome> out;
    out.reserve(items.size());
    std::unordered_map<std::string, std::size_t> done;
    for (const TRecordedItem& item : items) {
        if (item.Path.empty()) {
            out.push_back(detail::Outcome(TRemovalStatus::Failed, TRemovalError::NotInScan));
            continue;
        }
        const auto [it, first] = done.emplace(PathKey(item.Path), out.size());
        out.push_back(first ? one(roots, item) : out[it->second]);
    }
    return out;
}

} // namespace

bool detail::MatchesRecord(const TRecordedItem& item, bool isFolder, const FileIdentity& found)
{
    return item.IsFolder == isFolder && MatchesRecordedIdentity(item.Id, found);
}

std::vector<TRemovalOutcome> MoveToTrash(std::span<const ScanRoot> scanRoots,
                                         std::span<const TRecordedItem> items)
{
    return ForEachItem(scanRoots, items, detail::TrashOne);
}

std::vector<TRemovalOutcome> RemovePermanently(std::span<const ScanRoot> scanRoots,
                                               std::span<const TRecordedItem> items)
{
    return ForEachItem(scanRoots, items, detail::RemoveOne);
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
