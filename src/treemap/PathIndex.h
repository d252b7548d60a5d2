#pragma once

// Finding a layout's item by full path without storing paths.
//
// Items refer to scan-tree entries, and an entry is named by its folder and its own
// name. So an index keyed by (folder, name) finds an item from a path once the path's
// folder part is resolved, and resolving walks folder names down from the top folder.
// Names are compared and hashed as platform::SamePath compares them (bytes on Linux,
// ignoring case on Windows), so this lookup answers what a dictionary of path keys would.

#include "scan/ScanTree.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace harrowdale {

/// How an index tells entries apart: folder and name. The drives below the synthetic
/// all-drives root are named by absolute paths rather than by their names, so for them the
/// entry itself takes part (`Entry`); elsewhere `Entry` is left null.
struct TEntryKey
{
    const TDirNode* Parent = nullptr;
    std::string_view Name;
    const void* Entry = nullptr;
};

TEntryKey KeyOfFile(const TFileLeaf& file);
TEntryKey KeyOfDir(const TDirNode& dir);

/// Open-addressing table of item indices keyed by TEntryKey; the keys live in the items.
/// About 6 bytes per indexed item.
class TPathIndex
{
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    using TKeyOf = std::function<TEntryKey(std::uint32_t index)>;

    bool Built() const { return FBuilt; }
    void Clear();
    /// Indexes the items for which `keyOf` is called, 0 to count - 1; `keyOf` returns a
    /// key with a null Parent for an item that is not to be indexed. A later item with the
    /// same key replaces an earlier one.
    void Build(std::uint32_t count, const TKeyOf& keyOf);
    /// Index of the item with `key`, or kNone. `keyOf` must be the one given to Build.
    std::uint32_t Find(const TEntryKey& key, const TKeyOf& keyOf) const;
    std::size_t MemoryBytes() const { return FSlots.capacity() * sizeof(std::uint32_t); }

private:
    std::size_t SlotOf(const TEntryKey& key) const;

    std::vector<std::uint32_t> FSlots; ///< item index + 1; 0 marks a free slot
    bool FBuilt = false;
};

/// Turns full paths into entry keys by walking folder names down from `top` (the scan
/// root, or the synthetic all-drives root). Made for one operation: it remembers the
/// folders it has resolved, by views into the paths it was given.
class TPathResolver
{
public:
    /// `findChildDir(parent, name)` is the subfolder `name` of `parent`, or null.
    using TFindChildDir =
        std::function<const TDirNode*(const TDirNode* parent, std::string_view name)>;

    TPathResolver(const TDirNode* top, TFindChildDir findChildDir);

    /// The key of the entry that `path` names, if the folder part of the path exists.
    /// The top itself has no key. `path` must outlive the resolver.
    std::optional<TEntryKey> KeyOf(std::string_view path);

private:
    const TDirNode* ResolveDir(std::string_view dirPath);
    const TDirNode* Walk(const TDirNode* from, std::string_view relative) const;

    const TDirNode* FTop;
    std::string FTopPath;
    std::vector<std::pair<std::string, const TDirNode*>> FDrives;
    TFindChildDir FFindChildDir;
    std::unordered_map<std::string_view, const TDirNode*> FResolved;
};

/// The top folder a file hangs from: its ancestor without a parent.
const TDirNode* TopFolderOf(const TFileLeaf& file);

} // namespace harrowdale
