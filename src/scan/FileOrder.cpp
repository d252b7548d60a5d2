#include "scan/FileOrder.h"

#include <thread>

namespace harrowdale {

namespace {

// Below this many files one core is done before a second one has started.
constexpr std::int64_t kSplitFrom = 100000;

// Cuts the tree's order of files in two runs of about half each: the first takes whole
// subtrees and own files down a path from the root, the second what follows the cut.
void SplitInHalves(const TDirNode* root, TFilePieces& first, TFilePieces& second)
{
    std::int64_t need = root->TotalFiles() / 2;
    std::vector<TFilePieces> laterByDepth;
    for (const TDirNode* n = root; n != nullptr;) {
        first.push_back({n, true});
        need -= static_cast<std::int64_t>(n->Leaves().size());
        const auto children = n->Children();
        std::size_t i = 0;
        while (i < children.size() && need > 0 && children[i]->TotalFiles() <= need) {
            first.push_back({children[i], false});
            need -= children[i]->TotalFiles();
            ++i;
        }
        // A subfolder too big for what is left is cut in turn.
        const TDirNode* deeper = need > 0 && i < children.size() ? children[i++] : nullptr;
        laterByDepth.emplace_back();
        for (; i < children.size(); ++i)
            laterByDepth.back().push_back({children[i], false});
        n = deeper;
    }
    for (auto it = laterByDepth.rbegin(); it != laterByDepth.rend(); ++it)
        second.insert(second.end(), it->begin(), it->end());
}

} // namespace

std::vector<TFilePieces> SplitFileOrder(const TDirNode* root, std::size_t parts)
{
    std::vector<TFilePieces> out;
    if (root == nullptr)
        return out;
    if (parts >= 2 && root->TotalFiles() >= kSplitFrom && std::thread::hardware_concurrency() > 1) {
        out.resize(2);
        SplitInHalves(root, out[0], out[1]);
        if (out[1].empty())
            out.pop_back();
    } else {
        out.push_back({{root, false}});
    }
    return out;
}

std::int64_t CountFiles(const TFilePieces& pieces)
{
    std::int64_t n = 0;
    for (const TFilePiece& p : pieces)
        n += p.OwnFilesOnly ? static_cast<std::int64_t>(p.Node->Leaves().size())
                            : p.Node->TotalFiles();
    return n;
}

} // namespace harrowdale
