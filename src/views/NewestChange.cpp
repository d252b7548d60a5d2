#include "views/NewestChange.h"

#include <algorithm>
#include <vector>

namespace harrowdale {

std::int64_t TNewestChange::Of(const TDirNode* folder) const
{
    if (folder == nullptr)
        return 0;
    if (const auto known = FKnown.find(folder); known != FKnown.end())
        return known->second;
    // A walk of the subtree that takes what is known already of the folders below.
    std::int64_t newest = 0;
    std::vector<const TDirNode*> stack{folder};
    while (!stack.empty()) {
        const TDirNode* d = stack.back();
        stack.pop_back();
        if (d != folder)
            if (const auto known = FKnown.find(d); known != FKnown.end()) {
                newest = std::max(newest, known->second);
                continue;
            }
        for (const TFileLeaf& f : d->Leaves())
            newest = std::max(newest, f.ModifiedFT());
        stack.insert(stack.end(), d->Children().begin(), d->Children().end());
    }
    FKnown.emplace(folder, newest);
    return newest;
}

} // namespace harrowdale
