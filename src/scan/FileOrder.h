#pragma once

// The tree's order of files (depth-first, a folder's own files before its subfolders',
// each in listing order), cut into runs that separate threads can go through.

#include "scan/ScanTree.h"

#include <cstdint>
#include <vector>

namespace harrowdale {

/// A run of the tree's files in its order: a folder's own files only, or its whole subtree.
struct TFilePiece
{
    const TDirNode* Node;
    bool OwnFilesOnly;
};
using TFilePieces = std::vector<TFilePiece>;

/// The files below `root` as `parts` (1 or 2) consecutive runs of about equal size: the
/// second run's files all come after the first's. Fewer runs for a small tree or one core.
std::vector<TFilePieces> SplitFileOrder(const TDirNode* root, std::size_t parts);

/// The number of files in `pieces`.
std::int64_t CountFiles(const TFilePieces& pieces);

/// Calls `visit` for the files of `pieces` in the tree's order. Iterative: trees can be
/// deeper than a stack allows.
template <typename TVisit> void ForEachFile(const TFilePieces& pieces, TVisit&& visit)
{
    std::vector<const TDirNode*> stack;
    for (const TFilePiece& p : pieces) {
        stack.assign(1, p.Node);
        while (!stack.empty()) {
            const TDirNode* n = stack.back();
            stack.pop_back();
            // Folders lie anywhere in memory: while this one is read, the next one's files
            // and subfolders are asked for (its record was asked for when it was stacked).
            if (!stack.empty())
                stack.back()->Prefetch();
            for (const TFileLeaf& f : n->Leaves())
                visit(f);
            if (p.OwnFilesOnly)
                break;
            const auto children = n->Children();
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                PrefetchForRead(*it);
                stack.push_back(*it);
            }
        }
    }
}

} // namespace harrowdale
