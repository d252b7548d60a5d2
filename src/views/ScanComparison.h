#pragma once

// Two scans of one folder side by side: what grew, shrank, came and went between them.
//
// Entries are matched by their path, by the system's rule (SamePath: byte for byte on
// Linux), walking both trees in step folder by folder, so no path is ever built. A file is
// matched only with a file and a folder only with a folder: a file replaced by a folder of
// the same name is one gone and one new entry, and so is a rename.
//
// The comparison refers into both trees, which must outlive it. Each node of the newer
// tree can be asked for its old size and its state; what is only in the older tree is
// listed (the topmost entry of each gone subtree), since the newer tree has no node for it.

#include "scan/ScanTree.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace harrowdale {

/// Two scans that cannot be compared: of different folders, or measured differently.
class EComparisonError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum class TChangeState : std::uint8_t
{
    Same,   ///< on both sides, same size
    Grown,  ///< on both sides, larger now
    Shrunk, ///< on both sides, smaller now
    New,    ///< only in the newer scan (or below a folder that is)
    Gone,   ///< only in the older scan
};

/// One folder or file of a comparison's lists. A gone entry points into the older tree,
/// every other one into the newer tree.
struct TCompareEntry
{
    const TDirNode* Folder = nullptr; ///< set for a folder
    const TFileLeaf* File = nullptr;  ///< set for a file
    std::int64_t OldSize = 0;         ///< 0 for a new entry
    std::int64_t NewSize = 0;         ///< 0 for a gone entry

    std::int64_t Change() const { return NewSize - OldSize; }
    std::string FullPath() const
    {
        return Folder != nullptr ? Folder->FullPath() : File->FullPath();
    }
};

class TScanComparison
{
public:
    /// Compares `older` with `newer`. Throws EComparisonError (with a translated, one-line
    /// reason) when their roots are not the same folder, or when they differ in what a
    /// size is or in how hard links count.
    TScanComparison(const TScanTree& older, const TScanTree& newer);

    const TScanTree& Older() const { return FOlder; }
    const TScanTree& Newer() const { return FNewer; }

    // --- each node of the newer tree ---
    TChangeState State(const TDirNode* folder) const;
    TChangeState State(const TFileLeaf* file) const;
    /// Its size in the older scan; 0 when it is new.
    std::int64_t OldSize(const TDirNode* folder) const;
    std::int64_t OldSize(const TFileLeaf* file) const;

    // --- lists, each sorted by change in bytes ---
    /// Folders on both sides whose size changed: the most grown first, the most shrunk last.
    std::span<const TCompareEntry> ChangedFolders() const { return FChangedFolders; }
    /// Files on both sides whose size changed, the largest change (either way) first.
    std::span<const TCompareEntry> ChangedFiles() const { return FChangedFiles; }
    /// Files and folders only in the newer scan (a new folder stands for all it holds),
    /// largest first.
    std::span<const TCompareEntry> NewEntries() const { return FNew; }
    /// Files and folders only in the older scan, with their old sizes, largest first.
    std::span<const TCompareEntry> GoneEntries() const { return FGone; }

private:
    struct TMatchedFolder
    {
        const TDirNode* Old = nullptr;
        std::size_t FirstFile = 0; ///< its files' old sizes start here in FFileOldSize
    };
    void Walk();
    void CompareFolder(const TDirNode* oldDir, const TDirNode* newDir,
                       std::vector<std::pair<const TDirNode*, const TDirNode*>>& pending);
    const TMatchedFolder* Matched(const TDirNode* folder) const;
    /// -1 when the file is new.
    std::int64_t OldFileSize(const TFileLeaf* file) const;

    const TScanTree& FOlder;
    const TScanTree& FNewer;
    std::unordered_map<const TDirNode*, TMatchedFolder> FMatched; ///< by newer folder
    std::vector<std::int64_t> FFileOldSize;                       ///< -1: the file is new
    std::vector<TCompareEntry> FChangedFolders, FChangedFiles, FNew, FGone;
    // Scratch of the walk, reused folder after folder.
    std::vector<const TFileLeaf*> FOldFiles, FNewFiles;
    std::vector<const TDirNode*> FOldDirs, FNewDirs;
};

} // namespace harrowdale
