#include "scan/ResultArrays.h"

#include <algorithm>

namespace harrowdale {

namespace {

void CollectLeaves(const TDirNode* node, std::vector<const TFileLeaf*>& out)
{
    // Iterative: scan trees can be deeper than a thread's stack allows recursion.
    std::vector<const TDirNode*> stack{node};
    while (!stack.empty()) {
        const TDirNode* n = stack.back();
        stack.pop_back();
        for (const TFileLeaf& f : n->Leaves())
            out.push_back(&f);
        const auto children = n->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back(*it);
    }
}

} // namespace

TFileArray FlattenAllFilesFromRoot(const TDirNode* root)
{
    TFileArray result;
    if (root == nullptr)
        return result;
    std::vector<const TFileLeaf*> leaves;
    leaves.reserve(static_cast<std::size_t>(std::max<std::int64_t>(root->TotalFiles(), 0)));
    CollectLeaves(root, leaves);
    // Sorting the sizes beside the pointers, instead of reading each size through its
    // pointer at every comparison, keeps the sort in cache: about twice as fast for a
    // million files, for 16 bytes a file while it runs.
    std::vector<std::pair<std::int64_t, const TFileLeaf*>> keyed;
    keyed.reserve(leaves.size());
    for (const TFileLeaf* f : leaves)
        keyed.emplace_back(f->Size(), f);
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        leaves[i] = keyed[i].second;
        result.TotalBytes += keyed[i].first;
    }
    result.Files = std::move(leaves);
    return result;
}

TFileArray BuildDisplayFiles(const TFileArray& all, std::size_t cap)
{
    TFileArray result;
    const std::size_t n = std::min(all.Files.size(), cap);
    result.Files.assign(all.Files.begin(), all.Files.begin() + static_cast<std::ptrdiff_t>(n));
    for (const TFileLeaf* f : result.Files)
        result.TotalBytes += f->Size();
    return result;
}

} // namespace harrowdale
