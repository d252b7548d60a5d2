#include "scan/HardLinks.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace harrowdale {

namespace {

struct TCandidate
{
    platform::FileIdentity Id;
    std::uint64_t Folder = 0; ///< the folder's place in the tree's order
    std::uint32_t Index = 0;  ///< the file's place in its folder
    const TFileLeaf* Leaf = nullptr;
};

// Places of the folders holding `links` in the tree's order: depth-first, a folder before
// its subfolders, subfolders in listing order.
std::unordered_map<const TDirNode*, std::uint64_t> FolderOrder(const TDirNode* root,
                                                               std::span<const TLinkInfo> links)
{
    std::unordered_map<const TDirNode*, std::uint64_t> order;
    for (const TLinkInfo& l : links)
        order.emplace(l.Leaf->Parent(), 0);
    std::uint64_t next = 0;
    std::vector<const TDirNode*> stack{root};
    while (!stack.empty()) {
        const TDirNode* n = stack.back();
        stack.pop_back();
        if (const auto it = order.find(n); it != order.end())
            it->second = next;
        ++next;
        const auto children = n->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back(*it);
    }
    return order;
}

} // namespace

std::int64_t THardLinkFilter::LeaveOutRepeats(TScanTree& tree, const TDirNode* scanRoot,
                                              std::span<const TLinkInfo> links)
{
    if (links.empty())
        return 0;
    std::vector<TCandidate> c;
    c.reserve(links.size());
    for (const TLinkInfo& l : links)
        c.push_back({{l.Device, l.Inode}, 0, 0, l.Leaf});
    const auto byId = [](const TCandidate& a, const TCandidate& b) {
        return a.Id.Device != b.Id.Device ? a.Id.Device < b.Id.Device : a.Id.Inode < b.Id.Inode;
    };
    std::sort(c.begin(), c.end(), byId);
    // Most trees have no repeats: then the order of the tree is not needed.
    bool repeats = false;
    for (std::size_t i = 0; i < c.size() && !repeats; ++i)
        repeats = (i > 0 && c[i].Id == c[i - 1].Id) || FCounted.contains(c[i].Id);
    if (repeats) {
        const auto order = FolderOrder(scanRoot, links);
        for (TCandidate& x : c) {
            const TDirNode* folder = x.Leaf->Parent();
            x.Folder = order.at(folder);
            x.Index = static_cast<std::uint32_t>(x.Leaf - folder->Leaves().data());
        }
        std::sort(c.begin(), c.end(), [&](const TCandidate& a, const TCandidate& b) {
            if (!(a.Id == b.Id))
                return byId(a, b);
            return a.Folder != b.Folder ? a.Folder < b.Folder : a.Index < b.Index;
        });
    }
    std::vector<const TFileLeaf*> repeated;
    for (std::size_t i = 0; i < c.size(); ++i) {
        const bool first = i == 0 || !(c[i].Id == c[i - 1].Id);
        if (first && FCounted.insert(c[i].Id).second)
            continue; // the first link met: counted
        repeated.push_back(c[i].Leaf);
    }
    tree.MarkExtraLinks(repeated);
    return static_cast<std::int64_t>(repeated.size());
}

} // namespace harrowdale
