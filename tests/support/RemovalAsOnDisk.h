#pragma once

// The removals over paths recorded as the disk holds them now (as a scan a moment ago
// would have, without identities), for the tests of how paths are resolved.

#include "platform/FileOps.h"
#include "platform/FileSystem.h"

#include <string>
#include <vector>

namespace harrowdale::test {

/// Scan roots of which nothing but the path is known.
inline std::vector<platform::ScanRoot> AsRoots(const std::vector<std::string>& paths)
{
    return {paths.begin(), paths.end()};
}

inline std::vector<platform::TRecordedItem> AsOnDisk(const std::vector<std::string>& paths)
{
    std::vector<platform::TRecordedItem> items;
    for (const std::string& p : paths)
        items.push_back({p, platform::DirectoryExists(p), std::nullopt});
    return items;
}

/// True when every item was removed; `failures` receives the paths of the others.
inline bool AllRemoved(const std::vector<std::string>& paths,
                       const std::vector<platform::TRemovalOutcome>& outcomes,
                       std::vector<std::string>* failures)
{
    bool all = true;
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (outcomes[i].Status != platform::TRemovalStatus::Removed) {
            all = false;
            if (failures != nullptr)
                failures->push_back(paths[i]);
        }
    return all;
}

inline bool TrashAsOnDisk(const std::vector<std::string>& roots,
                          const std::vector<std::string>& paths,
                          std::vector<std::string>* failures = nullptr)
{
    return AllRemoved(paths, platform::MoveToTrash(AsRoots(roots), AsOnDisk(paths)), failures);
}

inline bool DeleteAsOnDisk(const std::vector<std::string>& roots,
                           const std::vector<std::string>& paths,
                           std::vector<std::string>* failures = nullptr)
{
    return AllRemoved(paths, platform::RemovePermanently(AsRoots(roots), AsOnDisk(paths)),
                      failures);
}

} // namespace harrowdale::test
