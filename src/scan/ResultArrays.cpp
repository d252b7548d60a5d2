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
    result.Files.reserve(static_cast<std::size_t>(std::max<std::int64_t>(root->TotalFiles(), 0)));
    CollectLeaves(root, result.Files);
    std::sort(result.Files.begin(), result.Files.end(),
              [](const TFileLeaf* a, const TFileLeaf* b) { return a->Size() > b->Size(); });
    for (const TFileLeaf* f : result.Files)
        result.TotalBytes += f->Size();
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
