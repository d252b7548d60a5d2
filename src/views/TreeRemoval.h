#pragma once

// Taking what the file commands removed from disk out of the scan tree, so the views can
// be rebuilt from the tree as it now is. In two steps: the plan resolves the paths while
// the views still show the tree, then the tree is edited once they are emptied.

#include "platform/FileOps.h"
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
    /// Distinct paths removed (in part too), also those the tree does not hold.
    std::int64_t Items = 0;
    /// The bytes the tree counted for what was removed: a file inside a removed folder
    /// counts once; what no longer existed does not count.
    std::int64_t Bytes = 0;
    /// Paths that no longer existed when they were to be removed: they leave the tree too.
    std::int64_t Vanished = 0;
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
/// The same from what a removal reported of each of `paths`: what was removed and what
/// no longer existed leave the tree; of a folder removed in part, only what stays is
/// kept (a folder the removal left as it was keeps everything below it); what failed or
/// changed since the scan stays as it is.
TRemovalPlan PlanRemoval(const TDirNode* root, std::span<const std::string> paths,
                         std::span<const platform::TRemovalOutcome> outcomes);

/// What the tree of `root` recorded of each path, for the removal to check: folder or
/// file, and the identity where the tree knows it. A path the tree does not hold gets a
/// record nothing on disk matches.
std::vector<platform::TRecordedItem> RecordedItems(const TScanTree& tree,
                                                   std::span<const std::string> paths);

/// Edits `tree` as planned. Pointers to the tree's files are stale afterwards (files move
/// within their folder's list); the plan is spent.
void ApplyRemoval(TScanTree& tree, const TRemovalPlan& plan);

} // namespace harrowdale
