#pragma once

// Finding the entry of a full path in a scan tree, for the commands that change what the
// tree holds after the scan (removal, rescan of one folder). Paths are compared by the
// system's rule (platform::SamePath: byte for byte on Linux, ignoring case on Windows),
// one component at a time from the scan root that holds the path.

#include "scan/ScanTree.h"

#include <string_view>

namespace harrowdale {

/// A folder or a file of a tree; both null when the path names nothing in it.
struct TTreeEntry
{
    const TDirNode* Folder = nullptr;
    const TFileLeaf* File = nullptr;

    bool Found() const { return Folder != nullptr || File != nullptr; }
};

/// The entry at `path` below `root` (a scan root, or the synthetic root of all drives,
/// whose drives are tried longest path first). Empty for a path no root holds, for ""
/// and for a path with empty, "." or ".." components.
TTreeEntry FindEntry(const TDirNode* root, std::string_view path);

/// The folder at `path` below `root` or, when the tree no longer holds it, the deepest
/// folder on the way to it: at least `root` (null only without a root).
const TDirNode* FindNearestFolder(const TDirNode* root, std::string_view path);

/// Whether `node` is `ancestor` or lies below it.
bool IsWithin(const TDirNode* node, const TDirNode* ancestor);

} // namespace harrowdale
