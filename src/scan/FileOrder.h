#pragma once

// The tree's order of files (depth-first, a folder's own files before its subfolders',
// each in listing order), cut into runs that separate threads can go through.

#include "scan/ScanTree.h"

#include <cstdint>
#include <system_error>
#include <thread>
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

/// Runs `job(k)` for every k < jobs at the same time: the last on the calling thread, the
/// others on threads of their own (or one after another when no thread can be started).
template <typename TJob> void RunSideBySide(std::size_t jobs, const TJob& job)
{
    if (jobs == 0)
        return;
    std::vector<std::thread> others;
    for (std::size_t k = 0; k + 1 < jobs; ++k) {
        try {
            others.emplace_back([&job, k] { job(k); });
        } catch (const std::system_error&) {
            job(k);
        }
    }
    job(jobs - 1);
    for (std::thread& t : others)
        t.join();
}

} // namespace harrowdale
