#pragma once

// The loop both backends run over the paths of one removal.

#include "platform/Paths.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace harrowdale::platform::detail {

/// Calls `fn(path)` for each path in order and collects the paths it fails on. A path
/// given twice (a group and one of its files; on Windows also in another case) is one
/// item: done once, and not a failure the second time.
template <typename Fn>
bool ForEachPath(const std::vector<std::string>& paths, std::vector<std::string>* failures, Fn&& fn)
{
    bool all = true;
    std::unordered_set<std::string> done;
    for (const std::string& p : paths) {
        if (p.empty() || done.contains(PathKey(p)))
            continue;
        if (fn(p)) {
            done.insert(PathKey(p));
        } else {
            all = false;
            if (failures != nullptr)
                failures->push_back(p);
        }
    }
    return all;
}

} // namespace harrowdale::platform::detail
