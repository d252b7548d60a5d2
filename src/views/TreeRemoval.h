#pragma once

// Taking what the file commands removed from disk out of the scan tree, so the views can
// be rebuilt from the tree as it now is. In two steps: the plan resolves the paths while
// the views still show the tree, then the tree is edited once they are emptied.

#include "scan/ScanTree.h"
#include "views/Duplicates.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace harrowdale {

struct TRemovalPlan
{
    std::vector<const TDirNode*> Folders;
    std::vector<const TFileLeaf*> Files;
    /// Distinct paths removed, also those the tree does not hold.
    std::int64_t Items = 0;
    /// The bytes the tree counted for them: a file inside a removed folder counts once.
    std::int64_t Bytes = 0;
    /// The tree's own root was removed: nothing of the result is left.
    bool RootRemoved = false;
};

/// The paths a removal acts on: each distinct path once, in order, without those inside
/// another of them (a folder's removal takes them along). `holder[i]` is the index in the
/// result of the path that takes `paths[i]` (itself or a folder holding it).
std::vector<std::string> OutermostPaths(std::span<const std::string> paths,
                                        std::vector<std::size_t>& holder);

/// Resolves `removed` (full paths, byte-exact, repeats allowed) in the tree of `root`.
/// Entries inside a removed folder are left to it.
TRemovalPlan PlanRemoval(const TDirNode* root, std::span<const std::string> removed);

/// What a removal of `paths` takes of the groups of duplicates: the groups it touches, and
/// those it takes whole, so that no copy of their files is left.
struct TGroupsTaken
{
    std::size_t Touched = 0;
    std::size_t Emptied = 0;
    std::int64_t EmptiedFiles = 0; ///< the files of the groups taken whole
};

/// Counts for `paths` (files and folders, as the commands give them; a folder takes what
/// lies below it) resolved in the tree of `root`.
TGroupsTaken GroupsTaken(const TDirNode* root, const TDuplicates& duplicates,
                         std::span<const std::string> paths);

/// Edits `tree` as planned. Pointers to the tree's files are stale afterwards (files move
/// within their folder's list); the plan is spent.
void ApplyRemoval(TScanTree& tree, const TRemovalPlan& plan);

} // namespace harrowdale
