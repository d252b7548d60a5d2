#pragma once

// The scan tree: folders owning their subfolders and files, each folder carrying the
// totals of its subtree and a per-extension table.
//
// A scan of a million files must stay small in memory, so the tree is not a graph of
// heap objects. A TScanTree owns arenas; TDirNode and TFileLeaf are plain records in
// them, names are bytes in a name arena, full paths are derived from the parent chain
// when asked for, and extension keys are interned once per tree. Pointers to nodes and
// files stay valid for the life of the tree; nothing is freed or moved before the tree
// is destroyed (which frees everything at once).
//
// Threads: a tree may be built by several threads at once, each through its own
// TPartBuilder (own arena, no locking per entry; only extension keys are interned under
// the tree's lock). Once built it is handed over whole to the thread that reads it;
// reading and editing a finished tree takes no lock.

#include "platform/FileSystem.h"
#include "scan/Arena.h"
#include "scan/DateTime.h"
#include "scan/Prefetch.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace harrowdale {

class TDirNode;
class TExtStats;
class TScanTree;
class TPartBuilder;

/// Which size of a file the totals, extension tables and the size filter use.
enum class TSizeKind : std::uint8_t
{
    Apparent, ///< the file's length (st_size)
    OnDisk,   ///< the space allocated to it (st_blocks * 512)
};

/// How files with several hard links are counted.
enum class THardLinks : std::uint8_t
{
    Once, ///< at the first link met in the tree's order; later links are listed, counting
          ///< nothing (TFileLeaf::IsExtraLink)
    Each, ///< every link counts
};

/// Interned extension keys of one tree. Id 0 is always the empty key (no extension).
class TExtTable
{
public:
    using Id = std::uint32_t;
    static constexpr Id kNone = 0;

    TExtTable();
    /// Id of a key that is already lower-cased ("" for no extension).
    Id Intern(std::string_view lowerExt);
    /// The stored key: a file's `Ext`, "" when it has none.
    std::string_view Key(Id id) const { return FKeys[id]; }
    /// The key as extension tables show it: "(none)" for the empty key.
    std::string_view StatKey(Id id) const;
    std::size_t Count() const { return FKeys.size(); }
    /// Id of a key if interned, else -1.
    std::int64_t Find(std::string_view lowerExt) const;

private:
    std::vector<std::string> FKeys;
    std::unordered_map<std::string_view, Id> FIds; // views into FKeys' strings
};

/// Running totals of one extension.
struct TExtStat
{
    std::int64_t Bytes = 0;
    std::int64_t Files = 0;
};

/// One row of an extension table, as views and reports list it.
struct TExtStatPair
{
    std::string Ext;
    std::int64_t Bytes = 0;
    std::int64_t Files = 0;
};

/// Compact stored form of one extension's totals in a folder's table. A subtree holds
/// fewer than 2^32 files (each costs tens of bytes of memory), so the count fits 32 bits.
struct TExtStatEntry
{
    TExtTable::Id ExtId;
    std::uint32_t Files;
    std::int64_t Bytes;
};

/// A folder's per-extension table of its whole subtree. Folders with subfolders keep
/// their table in the tree; a folder without subfolders has its table computed from its
/// own files when asked, which saves most of the tables' memory in big trees.
class TExtStatsView
{
public:
    TExtStatsView() = default;
    TExtStatsView(const TExtTable* table, std::span<const TExtStatEntry> entries)
        : FTable(table), FStored(entries)
    {
    }
    TExtStatsView(const TExtTable* table, std::vector<TExtStatEntry> computed)
        : FTable(table), FComputed(std::move(computed)), FUsesComputed(true)
    {
    }
    std::size_t Count() const { return Entries().size(); }
    bool Empty() const { return Entries().empty(); }
    std::span<const TExtStatEntry> Entries() const
    {
        return FUsesComputed ? std::span<const TExtStatEntry>(FComputed) : FStored;
    }
    std::string_view Key(const TExtStatEntry& e) const { return FTable->StatKey(e.ExtId); }
    /// Totals of one key ("(none)" for files without extension); zero when absent.
    TExtStat Get(std::string_view statKey) const;
    /// Every key with its totals, largest byte count first; equal byte counts by key,
    /// byte for byte.
    std::vector<TExtStatPair> ToSortedArrayByBytesDesc() const;

private:
    const TExtTable* FTable = nullptr;
    std::span<const TExtStatEntry> FStored;
    std::vector<TExtStatEntry> FComputed;
    bool FUsesComputed = false;
};

/// One included file. Lives in its tree's arena: 40 bytes, plus its name with two bytes
/// in front (a flags byte and the length; four bytes for names of 255 bytes or more).
/// Its device and file number are kept (in the tree's LinkInfo) only when it has several
/// hard links: for the others they would cost a fifth more memory per file, so the tree
/// knows that they are files, not which ones. Folders keep theirs (TDirNode::Identity).
class TFileLeaf
{
public:
    std::string_view Name() const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(FName);
        std::size_t n = p[-1];
        if (n == kLongName)
            n = static_cast<std::size_t>(p[-3]) | static_cast<std::size_t>(p[-2]) << 8;
        return {FName, n};
    }
    /// Parent folder path, the separator, Name ("/" + Name under the file-system root,
    /// "C:\" + Name under a drive root: platform::AppendPathComponent).
    std::string FullPath() const;
    void AppendFullPath(std::string& out) const;
    /// Extension key: from the last '.', lower-cased under the user's locale; "" if none.
    std::string_view Ext() const;
    TExtTable::Id ExtId() const { return FExtId; }
    /// The size the tree counts: the file's length or the bytes allocated to it on disk,
    /// as the tree's SizeKind says.
    std::int64_t Size() const { return FSize; }
    /// The file's length in bytes.
    std::int64_t ApparentSize() const;
    /// The bytes allocated to the file on disk.
    std::int64_t AllocatedSize() const;
    /// A fifo, socket or device: counted as a file, but not a regular one.
    bool IsNotRegular() const { return (FlagsByte() & kNotRegular) != 0; }
    /// The file has more than one hard link; its tree's LinkInfo holds its identity.
    bool HasLinks() const { return (FlagsByte() & kLinked) != 0; }
    /// A further link of a file whose bytes another of its links carries (links counted
    /// once): listed so that every link can be found, it counts no bytes, no file and no
    /// extension-table entry, and both its sizes read 0. HasLinks() holds for it.
    bool IsExtraLink() const { return (FlagsByte() & kExtraLink) != 0; }
    /// Last write time as the file system reported it: 100-ns ticks since 1601 (UTC).
    std::int64_t ModifiedFT() const { return FModifiedFT; }
    /// Local last-write time; 0 (or less) means no date.
    TDateTime GetModifiedDateTime() const;
    TDirNode* Parent() const { return FParent; }
    /// Starts loading the name's bytes, for a loop that reads it a few files later.
    void PrefetchName() const { PrefetchForRead(FName - 1); }

private:
    friend class TScanTree;
    friend class TPartBuilder;
    static constexpr unsigned char kLongName = 0xFF;
    static constexpr std::uint8_t kNotRegular = 1, kLinked = 2, kExtraLink = 4;
    /// FOther when the other size lives in the tree's side table.
    static constexpr std::uint32_t kOtherInTree = 0xFFFFFFFF;
    unsigned char& FlagsByte() const
    {
        auto* p = reinterpret_cast<unsigned char*>(const_cast<char*>(FName));
        return p[-1] == kLongName ? p[-4] : p[-2];
    }
    std::int64_t OtherSize() const;
    /// The other size as FOther holds it: blocks when lengths are counted, the length
    /// when blocks are; -1 when it does not fit in 32 bits.
    static std::int64_t CompactOther(std::int64_t other, bool onDisk);

    TDirNode* FParent = nullptr;
    const char* FName = nullptr; ///< flags and length in front of it, in the arena
    std::int64_t FSize = 0;      ///< the size the tree counts
    std::int64_t FModifiedFT = 0;
    /// The size the tree does not count: 512-byte blocks when it counts lengths, the
    /// length when it counts blocks; kOtherInTree when it does not fit.
    std::uint32_t FOther = 0;
    TExtTable::Id FExtId = 0;
};
static_assert(sizeof(void*) != 8 || sizeof(TFileLeaf) == 40);

/// One folder. Lives in its tree's arena.
class TDirNode
{
public:
    /// Last component of FullPath, or FullPath itself for "/", for a drive root "C:" and
    /// for the synthetic "(All Drives)" root.
    std::string_view Name() const { return {FName, FNameLen}; }
    /// Folder path without trailing separator ("/" for the file-system root, "C:" for a
    /// drive root; "" for the synthetic all-drives root).
    std::string FullPath() const;
    void AppendFullPath(std::string& out) const;

    std::int64_t TotalSize() const { return FTotalSize; }
    std::int64_t TotalFiles() const { return FTotalFiles; }
    /// Folders in the subtree, this one included (the synthetic root does not count
    /// itself).
    std::int64_t TotalDirs() const { return FTotalDirs; }

    /// Subfolders, in enumeration order until SortChildrenBySize reorders them.
    std::span<TDirNode* const> Children() const { return {FChildren, FChildCount}; }
    /// Reorders the subfolders by TotalSize, largest first (equal sizes in no defined
    /// order), in place, for every later reader.
    void SortChildrenBySize();
    /// Position of this folder in its parent's Children (0 for a root).
    std::uint32_t IndexInParent() const { return FIndexInParent; }
    /// The folder's own included files, in enumeration order.
    std::span<const TFileLeaf> Leaves() const { return {FLeaves, FLeafCount}; }
    TExtStatsView ExtStats() const;
    /// Starts loading the first of the folder's files and subfolders, for a walk of the
    /// tree that reads them a little later.
    void Prefetch() const
    {
        PrefetchForRead(FLeaves);
        PrefetchForRead(FChildren);
    }

    TDirNode* Parent() const { return FParent; }
    TScanTree* Tree() const { return FTree; }
    bool IsSyntheticRoot() const { return FSynthetic; }
    /// The folder could not be read, or its listing failed part-way: it may hold more
    /// than the tree shows.
    bool ReadError() const { return (FFlags & kReadError) != 0; }
    /// Device and file number of the folder, where whoever made the tree knew them (a
    /// scan does; a scan file, where it carries "ino"); a Device of 0: not known. The
    /// file commands check a folder against them before they remove it.
    std::optional<platform::FileIdentity> Identity() const
    {
        if ((FFlags & kHasIdentity) == 0)
            return std::nullopt;
        return platform::FileIdentity{FDevice, FInode};
    }

private:
    friend class TScanTree;
    friend class TPartBuilder;
    static constexpr std::uint8_t kReadError = 1, kHasIdentity = 2;
    TScanTree* FTree = nullptr;
    TDirNode* FParent = nullptr;
    const char* FName = nullptr;
    const char* FRootPath = nullptr; ///< set only on scan roots, whose path is absolute
    std::int64_t FTotalSize = 0;
    std::int64_t FTotalFiles = 0;
    std::int64_t FTotalDirs = 0;
    TDirNode** FChildren = nullptr;
    TFileLeaf* FLeaves = nullptr;
    TExtStatEntry* FExtStats = nullptr;
    std::uint32_t FChildCount = 0;
    std::uint32_t FLeafCount = 0;
    std::uint32_t FExtCount = 0;
    std::uint32_t FRootPathLen = 0;
    std::uint64_t FDevice = 0;
    std::uint64_t FInode = 0;
    std::uint32_t FIndexInParent = 0; ///< kept in step with the parent's Children order
    std::uint16_t FNameLen = 0;
    bool FSynthetic = false;
    std::uint8_t FFlags = 0;
};

/// Description of one file handed to the tree when a folder's files are stored.
struct TNewFile
{
    std::string_view Name;       ///< must come from StoreName of the same tree
    std::int64_t Size = 0;       ///< length in bytes
    std::int64_t ModifiedFT = 0; ///< 100-ns ticks since 1601 (UTC); 0 = no date
    TExtTable::Id ExtId = 0;
    std::int64_t Allocated = 0; ///< bytes allocated on disk
    bool NotRegular = false;    ///< a fifo, socket or device
    std::uint32_t Links = 1;    ///< hard links; above 1 the identity below is kept
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
};

/// Identity of a file with more than one hard link.
struct TLinkInfo
{
    const TFileLeaf* Leaf = nullptr;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::uint32_t Links = 0;
};

/// Builds a finished folder's extension table from its own files and its children's
/// tables. Keeps a dense scratch array between calls, so one per builder thread.
class TExtStats
{
public:
    void AddFile(TExtTable::Id id, std::int64_t size);
    void MergeFrom(const TExtStatsView& child);
    /// The accumulated entries (reset afterwards).
    std::span<const TExtStatEntry> Take();

private:
    std::vector<std::int64_t> FSlot; ///< index into FOut by ext id, -1 when untouched
    std::vector<TExtStatEntry> FOut;
    std::vector<TExtStatEntry> FTaken;
};

/// Builds nodes and files of one tree from one thread, in an arena of its own; what it
/// built joins the tree when it is handed over (at the latest when the builder goes).
/// Several builders may work on one tree at the same time, each on its own folders.
/// Nodes may point to nodes of other builders of the same tree.
class TPartBuilder
{
public:
    explicit TPartBuilder(TScanTree& tree);
    ~TPartBuilder();
    TPartBuilder(const TPartBuilder&) = delete;
    TPartBuilder& operator=(const TPartBuilder&) = delete;

    TScanTree& Tree() const { return FTree; }

    /// A scan root at an absolute path (trailing separators already removed; "/" stays "/").
    TDirNode* NewScanRoot(std::string_view fullPath);
    /// A folder `name` below `parent`; its totals start at one folder and nothing else.
    TDirNode* NewChild(TDirNode* parent, std::string_view name);
    /// Copies name bytes into the tree, for TNewFile::Name.
    std::string_view StoreName(std::string_view name);
    /// Id of an extension key (already lower-cased); safe from any builder's thread.
    TExtTable::Id InternExt(std::string_view lowerExt);
    /// Stores a folder's files (in this order) and adds them to its totals, by the
    /// tree's TSizeKind. Call once per folder.
    void SetLeaves(TDirNode* node, std::span<const TNewFile> files);
    /// The same one file at a time, as a folder is listed: AddFile for each, then
    /// StoreFiles. Keeps 40 bytes a file until then.
    void AddFile(const TNewFile& file);
    void StoreFiles(TDirNode* node);
    /// Stores a folder's subfolders (in this order) and adds their totals to its own.
    void SetChildren(TDirNode* node, std::span<TDirNode* const> children);
    /// A copy of `children` in this builder's arena, for AttachChildren.
    TDirNode** StoreChildren(std::span<TDirNode* const> children);
    /// Makes `count` subfolders in `children` (an array of this tree, see StoreChildren)
    /// the folder's subfolders and adds their totals; the array is used in place.
    void AttachChildren(TDirNode* node, TDirNode** children, std::uint32_t count);
    /// Builds a finished folder's extension table from its files and its children's
    /// tables; call after the folder's files and subfolders are stored.
    void BuildExtStats(TDirNode* node) { BuildExtStats(node, FScratch); }
    /// The same with scratch space of the caller's.
    void BuildExtStats(TDirNode* node, TExtStats& scratch);
    /// Marks a folder that could not be read, or not read whole.
    void SetReadError(TDirNode* node) { node->FFlags |= TDirNode::kReadError; }
    /// Records the device and file number of a folder (Device 0: only the number).
    void SetIdentity(TDirNode* node, const platform::FileIdentity& id)
    {
        node->FDevice = id.Device;
        node->FInode = id.Inode;
        node->FFlags |= TDirNode::kHasIdentity;
    }
    /// Gives what this builder made to the tree now; the builder can go on building.
    void HandOver();

private:
    friend class TScanTree;
    TPartBuilder(TScanTree& tree, TArena& arena);
    TDirNode* NewNode();

    TScanTree& FTree;
    std::unique_ptr<TArena> FOwnArena; ///< empty for the tree's own builder
    TArena* FArena;
    TExtStats FScratch;
    // Records for the tree's side tables, joined at hand-over.
    std::vector<TLinkInfo> FLinks;
    std::vector<std::pair<const TFileLeaf*, std::int64_t>> FOtherSizes;
    // Files added and not yet stored; side records by their index among them.
    std::vector<TFileLeaf> FPending;
    std::vector<std::pair<std::size_t, TLinkInfo>> FPendingLinks;
    std::vector<std::pair<std::size_t, std::int64_t>> FPendingOther;
    std::int64_t FPendingBytes = 0;
};

/// Owner of one scan's nodes, files, names and extension keys.
class TScanTree
{
public:
    TScanTree();
    ~TScanTree();
    TScanTree(const TScanTree&) = delete;
    TScanTree& operator=(const TScanTree&) = delete;

    TDirNode* Root() const { return FRoot; }
    void SetRoot(TDirNode* root) { FRoot = root; }
    TExtTable& Exts() { return FExts; }
    const TExtTable& Exts() const { return FExts; }

    /// The size the tree counts; set before the first file is stored.
    TSizeKind SizeKind() const { return FSizeKind; }
    void SetSizeKind(TSizeKind kind)
    {
        FSizeKind = kind;
        FMeasureKnown = true;
    }
    /// How the files of the tree were chosen among hard links (recorded by the scanner).
    THardLinks HardLinks() const { return FHardLinks; }
    void SetHardLinks(THardLinks rule)
    {
        FHardLinks = rule;
        FMeasureKnown = true;
    }
    /// The tree was asked for a measure the listing it came from cannot take (the space
    /// used on disk, or each file once among its links) and counted as SizeKind and
    /// HardLinks say instead.
    bool MeasureFellBack() const { return FMeasureFellBack; }
    void SetMeasureFellBack(bool fellBack) { FMeasureFellBack = fellBack; }
    /// Whether the listing the tree came from told the space each file uses on disk
    /// (else the allocated sizes are the lengths) and which names are links of one file
    /// (else no file shows several links). A tree read from a scan file knows what the
    /// system that scanned knew; a scan file written from the tree says so in turn.
    bool AllocationKnown() const { return FAllocationKnown; }
    bool LinksKnown() const { return FLinksKnown; }
    void SetKnownMeasures(bool allocation, bool links)
    {
        FAllocationKnown = allocation;
        FLinksKnown = links;
    }
    /// Whether whoever made the tree said how it measured (a scan does; a scan file may
    /// not record it).
    bool MeasureKnown() const { return FMeasureKnown; }

    // --- building from one thread; the scanner's threads use TPartBuilder ---

    /// A scan root at an absolute path (trailing separators already removed; "/" stays "/").
    TDirNode* NewScanRoot(std::string_view fullPath) { return FBuilder.NewScanRoot(fullPath); }
    /// A folder `name` below `parent`; its totals start at one folder and nothing else.
    TDirNode* NewChild(TDirNode* parent, std::string_view name)
    {
        return FBuilder.NewChild(parent, name);
    }
    /// The synthetic root of an all-drives scan: named `name`, empty FullPath, totals 0.
    TDirNode* NewSyntheticRoot(std::string_view name);

    /// Copies name bytes into the tree, for TNewFile::Name.
    std::string_view StoreName(std::string_view name) { return FBuilder.StoreName(name); }
    /// Stores a folder's files (in this order) and adds them to its totals.
    void SetLeaves(TDirNode* node, std::span<const TNewFile> files)
    {
        FBuilder.SetLeaves(node, files);
    }
    /// Stores a folder's subfolders (in this order) and adds their totals to its own.
    void SetChildren(TDirNode* node, std::span<TDirNode* const> children)
    {
        FBuilder.SetChildren(node, children);
    }
    /// Builds a finished folder's extension table from its files and its children's
    /// tables; call after SetLeaves and SetChildren.
    void BuildExtStats(TDirNode* node) { FBuilder.BuildExtStats(node); }
    void BuildExtStats(TDirNode* node, TExtStats& scratch)
    {
        FBuilder.BuildExtStats(node, scratch);
    }
    /// Marks a folder that could not be read, or not read whole.
    void SetReadError(TDirNode* node) { FBuilder.SetReadError(node); }
    /// Records the device and file number of a folder (Device 0: only the number).
    void SetIdentity(TDirNode* node, const platform::FileIdentity& id)
    {
        FBuilder.SetIdentity(node, id);
    }
    /// Appends a finished drive to the synthetic root: child, totals, extension table.
    void AppendDrive(TDirNode* syntheticRoot, TDirNode* drive);
    /// Makes the root of `part`, a finished tree of its own, one more top-level folder of
    /// the synthetic root, named `label` whole (the top of the paths below it): its nodes,
    /// names, extension keys and side records become this tree's, and `part` is kept
    /// alive by it. Each part keeps the files its own link rule counted. Returns the
    /// folder, or null when `syntheticRoot` is not one or `part` has no root.
    TDirNode* AdoptPart(TDirNode* syntheticRoot, std::unique_ptr<TScanTree> part,
                        std::string_view label);

    // --- side tables ---

    /// Identity and link count of a file with HasLinks(); nullptr for other files.
    const TLinkInfo* LinkInfo(const TFileLeaf* leaf) const;
    /// Every file of the tree with more than one link, in no particular order.
    std::span<const TLinkInfo> Links() const { return FLinks; }
    /// The lookups above put their tables in order on first use; this does it now, so
    /// that the tree can then be read on several threads at once.
    void PrepareSharedReading() const { SortSideTables(); }

    // --- editing a finished tree ---

    /// Makes files with several links extra links (TFileLeaf::IsExtraLink) of files whose
    /// bytes other links carry: they stay in their folders' lists, and their bytes, file
    /// and extension-table entries are taken off every folder up to the root.
    void MarkExtraLinks(std::span<const TFileLeaf* const> leaves);
    /// Takes files out of the tree: their folders' file lists, and the totals and
    /// extension tables of every folder up to the root. Other files of the same folders
    /// move within their folder's list, so pointers to them are stale afterwards.
    /// The files are gone from the disk: the other links of each count one link less, and
    /// when the link that carried a file's bytes goes, one of its links still listed
    /// (the first by path, byte for byte) carries them from then on.
    void RemoveLeaves(std::span<const TFileLeaf* const> leaves);
    /// Takes a folder with everything below it out of the tree: out of its parent's
    /// subfolders, and its files, folders, bytes and extension-table entries out of every
    /// folder up to the root. Its later siblings move up one place in Children. Links of
    /// its files outside it are kept counted as RemoveLeaves says. A folder without a
    /// parent (the tree's root) is not removed: false.
    bool RemoveFolder(const TDirNode* folder);
    /// Puts the root of `fresh` (a new scan of the folder `old`, with this tree's
    /// TSizeKind) in place of `old`: same place among its siblings, totals, folder counts
    /// and extension tables corrected up to the root. `fresh` is kept alive by this tree.
    /// When this tree counts hard links once, a file of `fresh` whose link is already
    /// counted elsewhere in this tree becomes an extra link: links counted outside the
    /// folder stay counted where they are. Returns the new folder, or null when `old` has no parent
    /// (the tree's root: replace the whole tree instead).
    TDirNode* Graft(const TDirNode* old, std::unique_ptr<TScanTree> fresh);

    /// The tree joins several scans (AdoptPart), each a top-level folder of its root.
    bool IsJoined() const { return FJoined; }

    /// Bytes held by the arenas (for benchmarks).
    std::size_t ArenaBytes() const;

private:
    friend class TPartBuilder;
    friend class TFileLeaf;
    void Join(TPartBuilder& builder);
    void SortSideTables() const;
    /// Moves the extension ids and the nodes of `fresh` over to this tree.
    void TakeNodes(TScanTree& fresh);
    std::int64_t OtherSizeOf(const TFileLeaf* leaf) const;
    /// Takes `bytes`, `files`, `dirs` and the per-extension `delta` off `from` and every
    /// folder above it.
    void SubtractUpwards(TDirNode* from, std::int64_t bytes, std::int64_t files, std::int64_t dirs,
                         std::span<const TExtStatEntry> delta);
    /// Drops the side-table records of the files below `folder`.
    void DropSideRecords(const TDirNode* folder);
    /// A file with several links that leaves the tree, as it was: what its other links
    /// need of it.
    struct TLostLink
    {
        std::uint64_t Device = 0;
        std::uint64_t Inode = 0;
        bool Carried = false; ///< it carried the file's bytes
        std::int64_t Size = 0;
        std::int64_t Other = 0;
    };
    /// The records of those of `leaves` with several links, read before they leave.
    std::vector<TLostLink> LostLinks(std::span<const TFileLeaf* const> leaves) const;
    /// The files with several links below `folder`.
    static std::vector<const TFileLeaf*> LinkedLeavesBelow(const TDirNode* folder);
    /// Once the records of `lost` are gone: their other links count one link less each
    /// when `removedFromDisk`, and a file whose carrier left has its bytes carried by the
    /// first of its links still listed (by path, byte for byte) unless one carries them.
    void KeepLinksCounted(std::vector<TLostLink> lost, bool removedFromDisk);
    /// Makes the extra link `to` carry the bytes `from` carried.
    void CarryCount(const TLostLink& from, TFileLeaf& to);
    /// Adds `bytes`, `files` and `dirs` to `from` and every folder above it, and takes
    /// `removed` off and `added` to their extension tables.
    void ChangeUpwards(TDirNode* from, std::int64_t bytes, std::int64_t files, std::int64_t dirs,
                       std::span<const TExtStatEntry> removed,
                       std::span<const TExtStatEntry> added);

    TArena FArena;
    std::vector<std::unique_ptr<TArena>> FJoinedArenas;
    TExtTable FExts;
    std::mutex FLock; ///< guards FExts while builders intern, and the joining of builders
    TDirNode* FRoot = nullptr;
    TSizeKind FSizeKind = TSizeKind::Apparent;
    THardLinks FHardLinks = THardLinks::Each;
    bool FMeasureKnown = false;
    bool FJoined = false;
    bool FMeasureFellBack = false;
    bool FAllocationKnown = true;
    bool FLinksKnown = true;
    // The synthetic root grows one drive at a time; its arrays live here.
    std::vector<TDirNode*> FSyntheticChildren;
    std::vector<TExtStatEntry> FSyntheticExts;
    // Side tables by leaf address, sorted when first searched after a change.
    mutable std::vector<TLinkInfo> FLinks;
    mutable std::vector<std::pair<const TFileLeaf*, std::int64_t>> FOtherSizes;
    mutable bool FSideSorted = true;
    TPartBuilder FBuilder; ///< the tree's own, for building from one thread
    std::vector<std::unique_ptr<TScanTree>> FGrafted; ///< owners of grafted folders
};

/// The folders a scan started from: the root, or for an all-drives scan each drive, with
/// what the scan recorded of which folder each was; none for no tree. File commands
/// resolve the selected paths from them.
std::vector<platform::ScanRoot> ScanRoots(const TDirNode* root);

/// The top-level folder of a joined tree (TScanTree::IsJoined) that holds `leaf`: the
/// scan it came from. Null when the tree is not a joined one.
const TDirNode* JoinedPartOf(const TFileLeaf& leaf);

/// Extension key of a file name: from its last '.', dot included, lower-cased under the
/// user's locale; "" when the name has no dot.
std::string LowerFileExt(std::string_view fileName);

/// Bytes of the extension of `fileName` as written (from the last '.'), not lower-cased.
std::string_view RawFileExt(std::string_view fileName);

} // namespace harrowdale
