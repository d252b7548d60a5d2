#include "scan/ScanTree.h"

#include "platform/Casing.h"
#include "platform/Paths.h"
#include "scan/TreeLookup.h"
#include "scan/TreePathStyle.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

namespace harrowdale {

// ---------------------------------------------------------------- TExtTable

TExtTable::TExtTable()
{
    FKeys.reserve(64);
    Intern("");
}

TExtTable::Id TExtTable::Intern(std::string_view lowerExt)
{
    if (const auto it = FIds.find(lowerExt); it != FIds.end())
        return it->second;
    const Id id = static_cast<Id>(FKeys.size());
    // The map holds views into the strings; rehash the views when the vector moves them.
    const bool relocates = FKeys.size() == FKeys.capacity();
    FKeys.emplace_back(lowerExt);
    if (relocates) {
        FIds.clear();
        for (Id i = 0; i < FKeys.size(); ++i)
            FIds.emplace(FKeys[i], i);
    } else {
        FIds.emplace(FKeys.back(), id);
    }
    return id;
}

std::string_view TExtTable::StatKey(Id id) const
{
    return id == kNone || FKeys[id].empty() ? std::string_view("(none)")
                                            : std::string_view(FKeys[id]);
}

std::int64_t TExtTable::Find(std::string_view lowerExt) const
{
    const auto it = FIds.find(lowerExt);
    return it == FIds.end() ? -1 : static_cast<std::int64_t>(it->second);
}

// ---------------------------------------------------------------- TExtStatsView

TExtStat TExtStatsView::Get(std::string_view statKey) const
{
    for (const TExtStatEntry& e : Entries())
        if (FTable->StatKey(e.ExtId) == statKey)
            return {e.Bytes, e.Files};
    return {};
}

std::vector<TExtStatPair> TExtStatsView::ToSortedArrayByBytesDesc() const
{
    std::vector<TExtStatPair> out;
    out.reserve(Count());
    for (const TExtStatEntry& e : Entries())
        out.push_back({std::string(FTable->StatKey(e.ExtId)), e.Bytes, e.Files});
    // Equal byte counts by key, so that the order is the same however the table was filled.
    std::sort(out.begin(), out.end(), [](const TExtStatPair& a, const TExtStatPair& b) {
        return a.Bytes != b.Bytes ? a.Bytes > b.Bytes : a.Ext < b.Ext;
    });
    return out;
}

// ---------------------------------------------------------------- TFileLeaf

void TFileLeaf::AppendFullPath(std::string& out) const
{
    const std::size_t start = out.size();
    FParent->AppendFullPath(out);
    platform::AppendPathComponent(out, Name(), RootPathStyle(std::string_view(out).substr(start)));
}

std::string TFileLeaf::FullPath() const
{
    std::string s;
    AppendFullPath(s);
    return s;
}

std::string_view TFileLeaf::Ext() const
{
    return FParent->Tree()->Exts().Key(FExtId);
}

TDateTime TFileLeaf::GetModifiedDateTime() const
{
    // Converted on demand instead of cached: a cache would cost 8 bytes per file, and
    // only the few thousand listed files ever need it.
    return FileTimeToLocalDateTime(FModifiedFT);
}

std::int64_t TFileLeaf::CompactOther(std::int64_t other, bool onDisk)
{
    const std::int64_t compact = onDisk ? other : (other % 512 == 0 ? other / 512 : -1);
    return compact >= 0 && compact < kOtherInTree ? compact : -1;
}

std::int64_t TFileLeaf::OtherSize() const
{
    if (FOther == kOtherInTree)
        return FParent->Tree()->OtherSizeOf(this);
    return FParent->Tree()->SizeKind() == TSizeKind::Apparent
               ? static_cast<std::int64_t>(FOther) * 512
               : static_cast<std::int64_t>(FOther);
}

std::int64_t TFileLeaf::ApparentSize() const
{
    return FParent->Tree()->SizeKind() == TSizeKind::Apparent ? FSize : OtherSize();
}

std::int64_t TFileLeaf::AllocatedSize() const
{
    return FParent->Tree()->SizeKind() == TSizeKind::OnDisk ? FSize : OtherSize();
}

// ---------------------------------------------------------------- TDirNode

void TDirNode::AppendFullPath(std::string& out) const
{
    if (FRootPath != nullptr || FParent == nullptr) {
        out.append(FRootPath == nullptr ? "" : FRootPath, FRootPathLen);
        return;
    }
    // Collect the chain up to the nearest node that knows its absolute path.
    const TDirNode* chain[256];
    std::size_t depth = 0;
    std::vector<const TDirNode*> deep;
    const TDirNode* n = this;
    while (n->FRootPath == nullptr && n->FParent != nullptr) {
        if (depth < std::size(chain))
            chain[depth++] = n;
        else
            deep.push_back(n);
        n = n->FParent;
    }
    n->AppendFullPath(out);
    const platform::PathStyle style = RootPathStyle({n->FRootPath, n->FRootPathLen});
    auto appendName = [&out, style](const TDirNode* d) {
        platform::AppendPathComponent(out, std::string_view(d->FName, d->FNameLen), style);
    };
    for (auto it = deep.rbegin(); it != deep.rend(); ++it)
        appendName(*it);
    while (depth > 0)
        appendName(chain[--depth]);
}

std::string TDirNode::FullPath() const
{
    std::string s;
    AppendFullPath(s);
    return s;
}

std::vector<platform::ScanRoot> ScanRoots(const TDirNode* root)
{
    std::vector<platform::ScanRoot> roots;
    if (root == nullptr)
        return roots;
    if (!root->IsSyntheticRoot()) {
        roots.emplace_back(root->FullPath(), root->Identity());
        return roots;
    }
    for (const TDirNode* drive : root->Children())
        roots.emplace_back(drive->FullPath(), drive->Identity());
    return roots;
}

const TDirNode* JoinedPartOf(const TFileLeaf& leaf)
{
    const TDirNode* d = leaf.Parent();
    if (d == nullptr || !d->Tree()->IsJoined())
        return nullptr;
    while (d->Parent() != nullptr && !d->Parent()->IsSyntheticRoot())
        d = d->Parent();
    return d->Parent() != nullptr ? d : nullptr;
}

void TDirNode::SortChildrenBySize()
{
    const auto larger = [](const TDirNode* a, const TDirNode* b) {
        return a->FTotalSize > b->FTotalSize;
    };
    // Sorting a sorted list again would still shuffle equal sizes, and views hold rows.
    if (std::is_sorted(FChildren, FChildren + FChildCount, larger))
        return;
    std::sort(FChildren, FChildren + FChildCount, larger);
    for (std::uint32_t i = 0; i < FChildCount; ++i)
        FChildren[i]->FIndexInParent = i;
}

TExtStatsView TDirNode::ExtStats() const
{
    if (FChildCount != 0 || FSynthetic)
        return {&FTree->Exts(), std::span<const TExtStatEntry>(FExtStats, FExtCount)};
    std::vector<TExtStatEntry> computed;
    for (const TFileLeaf& f : Leaves()) {
        if (f.IsExtraLink())
            continue;
        auto it = std::find_if(computed.begin(), computed.end(),
                               [&](const TExtStatEntry& e) { return e.ExtId == f.ExtId(); });
        if (it == computed.end()) {
            computed.push_back({f.ExtId(), 1, f.Size()});
        } else {
            it->Files += 1;
            it->Bytes += f.Size();
        }
    }
    return {&FTree->Exts(), std::move(computed)};
}

// ---------------------------------------------------------------- TPartBuilder

namespace {

/// Adds one file of `size` with extension `id` to a per-folder delta.
void AddToDelta(std::vector<TExtStatEntry>& delta, TExtTable::Id id, std::int64_t size)
{
    const auto it = std::find_if(delta.begin(), delta.end(),
                                 [&](const TExtStatEntry& e) { return e.ExtId == id; });
    if (it == delta.end())
        delta.push_back({id, 1, size});
    else
        ++it->Files, it->Bytes += size;
}

} // namespace

TPartBuilder::TPartBuilder(TScanTree& tree)
    : FTree(tree), FOwnArena(std::make_unique<TArena>()), FArena(FOwnArena.get())
{
}

TPartBuilder::TPartBuilder(TScanTree& tree, TArena& arena) : FTree(tree), FArena(&arena) {}

TPartBuilder::~TPartBuilder()
{
    if (FOwnArena)
        HandOver();
}

TDirNode* TPartBuilder::NewNode()
{
    auto* node = new (FArena->AllocateArray<TDirNode>(1)) TDirNode();
    node->FTree = &FTree;
    return node;
}

TDirNode* TPartBuilder::NewScanRoot(std::string_view fullPath)
{
    if (fullPath.size() > 0xFFFFFFFFu)
        throw std::length_error("path too long");
    TDirNode* node = NewNode();
    node->FRootPath = FArena->CopyBytes(fullPath.data(), fullPath.size());
    node->FRootPathLen = static_cast<std::uint32_t>(fullPath.size());
    const std::string_view name = platform::LastPathComponent(fullPath, RootPathStyle(fullPath));
    node->FName = node->FRootPath + (name.data() - fullPath.data());
    node->FNameLen = static_cast<std::uint16_t>(std::min<std::size_t>(name.size(), 0xFFFF));
    node->FTotalDirs = 1;
    return node;
}

TDirNode* TPartBuilder::NewChild(TDirNode* parent, std::string_view name)
{
    TDirNode* node = NewNode();
    node->FParent = parent;
    node->FName = FArena->CopyBytes(name.data(), name.size());
    node->FNameLen = static_cast<std::uint16_t>(std::min<std::size_t>(name.size(), 0xFFFF));
    node->FTotalDirs = 1;
    return node;
}

std::string_view TPartBuilder::StoreName(std::string_view name)
{
    // In front of the bytes: the file's flags, then the length (one byte; or two bytes
    // and a marker for long names), so a file needs no length field of its own.
    const std::size_t n = std::min<std::size_t>(name.size(), 0xFFFF);
    const std::size_t head = n < TFileLeaf::kLongName ? 2 : 4;
    auto* p = static_cast<unsigned char*>(FArena->Allocate(head + n, 1));
    if (head == 2) {
        p[0] = 0;
        p[1] = static_cast<unsigned char>(n);
    } else {
        p[0] = 0;
        p[1] = static_cast<unsigned char>(n & 0xFF);
        p[2] = static_cast<unsigned char>(n >> 8);
        p[3] = TFileLeaf::kLongName;
    }
    if (n != 0)
        std::memcpy(p + head, name.data(), n);
    return {reinterpret_cast<const char*>(p + head), n};
}

TExtTable::Id TPartBuilder::InternExt(std::string_view lowerExt)
{
    const std::lock_guard lock(FTree.FLock);
    return FTree.FExts.Intern(lowerExt);
}

void TPartBuilder::AddFile(const TNewFile& f)
{
    const bool onDisk = FTree.FSizeKind == TSizeKind::OnDisk;
    TFileLeaf& leaf = FPending.emplace_back();
    const std::size_t index = FPending.size() - 1;
    leaf.FName = f.Name.data();
    leaf.FModifiedFT = f.ModifiedFT;
    leaf.FExtId = f.ExtId;
    leaf.FSize = onDisk ? f.Allocated : f.Size;
    const std::int64_t other = onDisk ? f.Size : f.Allocated;
    const std::int64_t compact = TFileLeaf::CompactOther(other, onDisk);
    if (compact >= 0) {
        leaf.FOther = static_cast<std::uint32_t>(compact);
    } else {
        leaf.FOther = TFileLeaf::kOtherInTree;
        FPendingOther.emplace_back(index, other);
    }
    unsigned char flags = f.NotRegular ? TFileLeaf::kNotRegular : 0;
    if (f.Links > 1) {
        flags |= TFileLeaf::kLinked;
        FPendingLinks.push_back({index, {nullptr, f.Device, f.Inode, f.Links}});
    }
    leaf.FlagsByte() = flags;
    FPendingBytes += leaf.FSize;
}

void TPartBuilder::StoreFiles(TDirNode* node)
{
    const std::size_t n = FPending.size();
    if (n != 0) {
        TFileLeaf* leaves = FArena->AllocateArray<TFileLeaf>(n);
        for (std::size_t i = 0; i < n; ++i) {
            TFileLeaf* leaf = new (leaves + i) TFileLeaf(FPending[i]);
            leaf->FParent = node;
        }
        for (auto& [i, link] : FPendingLinks) {
            link.Leaf = leaves + i;
            FLinks.push_back(link);
        }
        for (const auto& [i, size] : FPendingOther)
            FOtherSizes.emplace_back(leaves + i, size);
        node->FLeaves = leaves;
        node->FLeafCount = static_cast<std::uint32_t>(n);
        node->FTotalSize += FPendingBytes;
        node->FTotalFiles += static_cast<std::int64_t>(n);
    }
    // A huge folder's scratch is not kept for the many small ones after it.
    if (FPending.capacity() > 65536)
        std::vector<TFileLeaf>().swap(FPending);
    FPending.clear();
    FPendingLinks.clear();
    FPendingOther.clear();
    FPendingBytes = 0;
    if (!FOwnArena && (!FLinks.empty() || !FOtherSizes.empty()))
        FTree.Join(*this); // the tree's own builder: records are visible at once
}

void TPartBuilder::SetLeaves(TDirNode* node, std::span<const TNewFile> files)
{
    for (const TNewFile& f : files)
        AddFile(f);
    StoreFiles(node);
}

TDirNode** TPartBuilder::StoreChildren(std::span<TDirNode* const> children)
{
    TDirNode** arr = FArena->AllocateArray<TDirNode*>(children.size());
    std::copy(children.begin(), children.end(), arr);
    return arr;
}

void TPartBuilder::SetChildren(TDirNode* node, std::span<TDirNode* const> children)
{
    if (children.empty())
        return;
    AttachChildren(node, StoreChildren(children), static_cast<std::uint32_t>(children.size()));
}

void TPartBuilder::AttachChildren(TDirNode* node, TDirNode** children, std::uint32_t count)
{
    if (count == 0)
        return;
    node->FChildren = children;
    node->FChildCount = count;
    for (std::uint32_t i = 0; i < count; ++i) {
        TDirNode* c = children[i];
        c->FIndexInParent = i;
        node->FTotalSize += c->FTotalSize;
        node->FTotalFiles += c->FTotalFiles;
        node->FTotalDirs += c->FTotalDirs;
    }
}

void TPartBuilder::BuildExtStats(TDirNode* node, TExtStats& scratch)
{
    if (node->FChildCount == 0)
        return; // computed from the folder's own files when asked
    for (const TFileLeaf& f : node->Leaves())
        scratch.AddFile(f.ExtId(), f.Size());
    for (const TDirNode* c : node->Children()) {
        if (c->FChildCount == 0 && !c->FSynthetic) {
            // Its table would be computed from its files: add them directly.
            for (const TFileLeaf& f : c->Leaves())
                scratch.AddFile(f.ExtId(), f.Size());
        } else {
            scratch.MergeFrom(c->ExtStats());
        }
    }
    const std::span<const TExtStatEntry> entries = scratch.Take();
    TExtStatEntry* arr = FArena->AllocateArray<TExtStatEntry>(entries.size());
    std::copy(entries.begin(), entries.end(), arr);
    node->FExtStats = arr;
    node->FExtCount = static_cast<std::uint32_t>(entries.size());
}

void TPartBuilder::HandOver()
{
    FTree.Join(*this);
}

// ---------------------------------------------------------------- TScanTree

TScanTree::TScanTree() : FBuilder(*this, FArena) {}
TScanTree::~TScanTree() = default;

TDirNode* TScanTree::NewSyntheticRoot(std::string_view name)
{
    TDirNode* node = FBuilder.NewNode();
    node->FName = FArena.CopyBytes(name.data(), name.size());
    node->FNameLen = static_cast<std::uint16_t>(name.size());
    node->FSynthetic = true;
    node->FRootPath = "";
    return node;
}

void TScanTree::Join(TPartBuilder& builder)
{
    const std::lock_guard lock(FLock);
    if (builder.FOwnArena && builder.FOwnArena->BytesReserved() != 0) {
        FJoinedArenas.push_back(std::move(builder.FOwnArena));
        builder.FOwnArena = std::make_unique<TArena>();
        builder.FArena = builder.FOwnArena.get();
    }
    if (!builder.FLinks.empty() || !builder.FOtherSizes.empty())
        FSideSorted = false;
    FLinks.insert(FLinks.end(), builder.FLinks.begin(), builder.FLinks.end());
    FOtherSizes.insert(FOtherSizes.end(), builder.FOtherSizes.begin(), builder.FOtherSizes.end());
    builder.FLinks.clear();
    builder.FOtherSizes.clear();
}

void TScanTree::SortSideTables() const
{
    if (FSideSorted)
        return;
    std::sort(FLinks.begin(), FLinks.end(),
              [](const TLinkInfo& a, const TLinkInfo& b) { return a.Leaf < b.Leaf; });
    std::sort(FOtherSizes.begin(), FOtherSizes.end());
    FSideSorted = true;
}

const TLinkInfo* TScanTree::LinkInfo(const TFileLeaf* leaf) const
{
    if (leaf == nullptr || !leaf->HasLinks())
        return nullptr;
    SortSideTables();
    const auto it =
        std::lower_bound(FLinks.begin(), FLinks.end(), leaf,
                         [](const TLinkInfo& a, const TFileLeaf* l) { return a.Leaf < l; });
    return it != FLinks.end() && it->Leaf == leaf ? &*it : nullptr;
}

std::int64_t TScanTree::OtherSizeOf(const TFileLeaf* leaf) const
{
    SortSideTables();
    const auto it = std::lower_bound(FOtherSizes.begin(), FOtherSizes.end(), leaf,
                                     [](const std::pair<const TFileLeaf*, std::int64_t>& a,
                                        const TFileLeaf* l) { return a.first < l; });
    return it != FOtherSizes.end() && it->first == leaf ? it->second : 0;
}

void TScanTree::AppendDrive(TDirNode* root, TDirNode* drive)
{
    drive->FIndexInParent = static_cast<std::uint32_t>(FSyntheticChildren.size());
    FSyntheticChildren.push_back(drive);
    drive->FParent = root;
    root->FChildren = FSyntheticChildren.data();
    root->FChildCount = static_cast<std::uint32_t>(FSyntheticChildren.size());
    root->FTotalSize += drive->FTotalSize;
    root->FTotalFiles += drive->FTotalFiles;
    root->FTotalDirs += drive->FTotalDirs;
    // Merge the drive's table into the root's (both share this tree's ids). The view is
    // kept: a drive without subfolders computes its table into the view itself.
    const TExtStatsView table = drive->ExtStats();
    for (const TExtStatEntry& e : table.Entries()) {
        auto it = std::find_if(FSyntheticExts.begin(), FSyntheticExts.end(),
                               [&](const TExtStatEntry& x) { return x.ExtId == e.ExtId; });
        if (it == FSyntheticExts.end()) {
            FSyntheticExts.push_back(e);
        } else {
            it->Files += e.Files;
            it->Bytes += e.Bytes;
        }
    }
    root->FExtStats = FSyntheticExts.data();
    root->FExtCount = static_cast<std::uint32_t>(FSyntheticExts.size());
}

void TScanTree::RemoveLeaves(std::span<const TFileLeaf* const> leaves)
{
    std::vector<const TFileLeaf*> gone(leaves.begin(), leaves.end());
    std::sort(gone.begin(), gone.end());
    gone.erase(std::unique(gone.begin(), gone.end()), gone.end());
    std::erase(gone, nullptr);
    if (gone.empty())
        return;
    SortSideTables();
    std::vector<TLostLink> lost = LostLinks(gone);
    // Side-table records follow their files: dropped with them, or moved with them.
    std::vector<std::pair<const TFileLeaf*, const TFileLeaf*>> moved; // old, new
    std::vector<TExtStatEntry> delta;                                 // per folder
    std::size_t g = 0;
    while (g < gone.size()) {
        // A folder's files are one array, so its removed files are adjacent here.
        TDirNode* folder = gone[g]->FParent;
        TFileLeaf* first = folder->FLeaves;
        TFileLeaf* end = first + folder->FLeafCount;
        delta.clear();
        std::int64_t bytes = 0, files = 0;
        TFileLeaf* out = first;
        for (TFileLeaf* f = first; f != end; ++f) {
            if (g < gone.size() && gone[g] == f) {
                ++g;
                if (!f->IsExtraLink()) {
                    bytes += f->FSize;
                    ++files;
                    AddToDelta(delta, f->FExtId, f->FSize);
                }
                continue;
            }
            if (out != f) {
                if ((f->FlagsByte() & TFileLeaf::kLinked) || f->FOther == TFileLeaf::kOtherInTree)
                    moved.emplace_back(f, out);
                *out = *f;
            }
            ++out;
        }
        folder->FLeafCount = static_cast<std::uint32_t>(out - first);
        SubtractUpwards(folder, bytes, files, 0, delta);
    }
    auto isGone = [&](const TFileLeaf* l) {
        return std::binary_search(gone.begin(), gone.end(), l);
    };
    std::sort(moved.begin(), moved.end());
    auto remap = [&](const TFileLeaf*& l) {
        const auto it = std::lower_bound(moved.begin(), moved.end(), l,
                                         [](const std::pair<const TFileLeaf*, const TFileLeaf*>& m,
                                            const TFileLeaf* x) { return m.first < x; });
        if (it != moved.end() && it->first == l)
            l = it->second;
    };
    std::erase_if(FLinks, [&](const TLinkInfo& r) { return isGone(r.Leaf); });
    std::erase_if(FOtherSizes, [&](const auto& r) { return isGone(r.first); });
    for (TLinkInfo& r : FLinks)
        remap(r.Leaf);
    for (auto& r : FOtherSizes)
        remap(r.first);
    FSideSorted = moved.empty();
    KeepLinksCounted(std::move(lost), true);
}

void TScanTree::MarkExtraLinks(std::span<const TFileLeaf* const> leaves)
{
    std::vector<const TFileLeaf*> marked;
    for (const TFileLeaf* f : leaves)
        if (f != nullptr && f->HasLinks() && !f->IsExtraLink())
            marked.push_back(f);
    std::sort(marked.begin(), marked.end());
    marked.erase(std::unique(marked.begin(), marked.end()), marked.end());
    std::vector<TExtStatEntry> delta;
    bool otherInTree = false;
    std::size_t g = 0;
    while (g < marked.size()) {
        // A folder's files are one array, so its marked files are adjacent here.
        TDirNode* folder = marked[g]->FParent;
        delta.clear();
        std::int64_t bytes = 0, files = 0;
        for (; g < marked.size() && marked[g]->FParent == folder; ++g) {
            // The tree owns its files; a reader's const pointer is enough to name one.
            auto* f = const_cast<TFileLeaf*>(marked[g]);
            bytes += f->FSize;
            ++files;
            AddToDelta(delta, f->FExtId, f->FSize);
            otherInTree = otherInTree || f->FOther == TFileLeaf::kOtherInTree;
            f->FSize = 0;
            f->FOther = 0;
            f->FlagsByte() |= TFileLeaf::kExtraLink;
        }
        SubtractUpwards(folder, bytes, files, 0, delta);
    }
    if (otherInTree)
        std::erase_if(FOtherSizes, [](const auto& r) { return r.first->IsExtraLink(); });
}

std::vector<TScanTree::TLostLink>
TScanTree::LostLinks(std::span<const TFileLeaf* const> leaves) const
{
    std::vector<TLostLink> lost;
    for (const TFileLeaf* f : leaves)
        if (const TLinkInfo* r = LinkInfo(f))
            lost.push_back({r->Device, r->Inode, !f->IsExtraLink(), f->FSize,
                            f->IsExtraLink() ? 0 : f->OtherSize()});
    return lost;
}

namespace {

/// Calls `visit` for every file below `folder`, without recursion.
template <typename TVisit> void ForEachLeafBelow(const TDirNode* folder, const TVisit& visit)
{
    std::vector<const TDirNode*> stack{folder};
    while (!stack.empty()) {
        const TDirNode* d = stack.back();
        stack.pop_back();
        for (const TFileLeaf& f : d->Leaves())
            visit(f);
        stack.insert(stack.end(), d->Children().begin(), d->Children().end());
    }
}

} // namespace

std::vector<const TFileLeaf*> TScanTree::LinkedLeavesBelow(const TDirNode* folder)
{
    std::vector<const TFileLeaf*> linked;
    ForEachLeafBelow(folder, [&](const TFileLeaf& f) {
        if (f.HasLinks())
            linked.push_back(&f);
    });
    return linked;
}

void TScanTree::KeepLinksCounted(std::vector<TLostLink> lost, bool removedFromDisk)
{
    if (lost.empty())
        return;
    struct TFile
    {
        std::int64_t Gone = 0;
        const TLostLink* Carrier = nullptr;
        bool StillCarried = false;
        TFileLeaf* Heir = nullptr;
        std::string HeirPath;
    };
    std::map<std::pair<std::uint64_t, std::uint64_t>, TFile> byId;
    for (const TLostLink& l : lost) {
        TFile& file = byId[{l.Device, l.Inode}];
        ++file.Gone;
        if (l.Carried)
            file.Carrier = &l;
    }
    for (TLinkInfo& r : FLinks) {
        const auto it = byId.find({r.Device, r.Inode});
        if (it == byId.end())
            continue;
        TFile& file = it->second;
        if (removedFromDisk)
            r.Links = static_cast<std::uint32_t>(
                std::max<std::int64_t>(1, static_cast<std::int64_t>(r.Links) - file.Gone));
        if (!r.Leaf->IsExtraLink()) {
            file.StillCarried = true;
            continue;
        }
        std::string path = r.Leaf->FullPath();
        if (file.Heir == nullptr || path < file.HeirPath) {
            file.Heir = const_cast<TFileLeaf*>(r.Leaf);
            file.HeirPath = std::move(path);
        }
    }
    for (const auto& [id, file] : byId)
        if (file.Carrier != nullptr && !file.StillCarried && file.Heir != nullptr)
            CarryCount(*file.Carrier, *file.Heir);
}

void TScanTree::CarryCount(const TLostLink& from, TFileLeaf& to)
{
    to.FlagsByte() &= static_cast<unsigned char>(~TFileLeaf::kExtraLink);
    to.FSize = from.Size;
    const std::int64_t compact =
        TFileLeaf::CompactOther(from.Other, FSizeKind == TSizeKind::OnDisk);
    if (compact >= 0) {
        to.FOther = static_cast<std::uint32_t>(compact);
    } else {
        to.FOther = TFileLeaf::kOtherInTree;
        FOtherSizes.emplace_back(&to, from.Other);
        FSideSorted = false;
    }
    const TExtStatEntry added{to.FExtId, 1, from.Size};
    ChangeUpwards(to.FParent, from.Size, 1, 0, {}, {&added, 1});
}

void TScanTree::SubtractUpwards(TDirNode* from, std::int64_t bytes, std::int64_t files,
                                std::int64_t dirs, std::span<const TExtStatEntry> delta)
{
    for (TDirNode* n = from; n != nullptr; n = n->FParent) {
        n->FTotalSize -= bytes;
        n->FTotalFiles -= files;
        n->FTotalDirs -= dirs;
        if (n->FChildCount == 0 && !n->FSynthetic)
            continue; // its table is computed from its files when asked
        TExtStatEntry* e = n->FExtStats;
        std::uint32_t kept = 0;
        for (std::uint32_t i = 0; i < n->FExtCount; ++i) {
            TExtStatEntry x = e[i];
            for (const TExtStatEntry& d : delta)
                if (d.ExtId == x.ExtId) {
                    x.Files -= d.Files;
                    x.Bytes -= d.Bytes;
                }
            if (x.Files != 0)
                e[kept++] = x;
        }
        n->FExtCount = kept;
        if (n->FSynthetic)
            FSyntheticExts.resize(kept);
    }
}

bool TScanTree::RemoveFolder(const TDirNode* folder)
{
    // The tree owns its folders; a reader's const pointer is enough to name one.
    TDirNode* parent = folder == nullptr || folder->FTree != this ? nullptr : folder->FParent;
    if (parent == nullptr)
        return false;
    // The subtree's table, taken before the folder leaves (a folder without subfolders
    // computes it from its files).
    const TExtStatsView table = folder->ExtStats();
    const std::vector<TExtStatEntry> delta(table.Entries().begin(), table.Entries().end());
    std::vector<TLostLink> lost = LostLinks(LinkedLeavesBelow(folder));

    // Out of the parent's list; the later siblings move up.
    const std::uint32_t at = folder->FIndexInParent;
    for (std::uint32_t i = at; i + 1 < parent->FChildCount; ++i) {
        parent->FChildren[i] = parent->FChildren[i + 1];
        parent->FChildren[i]->FIndexInParent = i;
    }
    --parent->FChildCount;
    if (parent->FSynthetic)
        FSyntheticChildren.resize(parent->FChildCount);
    if (parent->FChildCount == 0 && !parent->FSynthetic) {
        // From now on its table is computed from its own files.
        parent->FExtStats = nullptr;
        parent->FExtCount = 0;
    }
    SubtractUpwards(parent, folder->FTotalSize, folder->FTotalFiles, folder->FTotalDirs, delta);

    // Side-table records of the subtree's files go with them.
    DropSideRecords(folder);
    KeepLinksCounted(std::move(lost), true);
    return true;
}

void TScanTree::DropSideRecords(const TDirNode* folder)
{
    std::vector<const TFileLeaf*> gone;
    ForEachLeafBelow(folder, [&](const TFileLeaf& f) {
        if ((f.FlagsByte() & TFileLeaf::kLinked) || f.FOther == TFileLeaf::kOtherInTree)
            gone.push_back(&f);
    });
    if (gone.empty())
        return;
    std::sort(gone.begin(), gone.end());
    auto isGone = [&](const TFileLeaf* l) {
        return std::binary_search(gone.begin(), gone.end(), l);
    };
    std::erase_if(FLinks, [&](const TLinkInfo& r) { return isGone(r.Leaf); });
    std::erase_if(FOtherSizes, [&](const auto& r) { return isGone(r.first); });
}

namespace {

/// Adds `sign` times each entry of `delta` to `table`; entries left without files go.
void ApplyExtDelta(std::vector<TExtStatEntry>& table, std::span<const TExtStatEntry> delta,
                   int sign)
{
    for (const TExtStatEntry& d : delta) {
        auto it = std::find_if(table.begin(), table.end(),
                               [&](const TExtStatEntry& e) { return e.ExtId == d.ExtId; });
        if (it == table.end())
            it = table.insert(table.end(), {d.ExtId, 0, 0});
        it->Files = static_cast<std::uint32_t>(static_cast<std::int64_t>(it->Files) +
                                               sign * static_cast<std::int64_t>(d.Files));
        it->Bytes += sign * d.Bytes;
    }
    std::erase_if(table, [](const TExtStatEntry& e) { return e.Files == 0; });
}

} // namespace

void TScanTree::TakeNodes(TScanTree& fresh)
{
    // The fresh tree's extension ids become this tree's, its nodes this tree's.
    std::vector<TExtTable::Id> ids(fresh.FExts.Count());
    for (TExtTable::Id i = 0; i < ids.size(); ++i)
        ids[i] = FExts.Intern(fresh.FExts.Key(i));
    std::vector<TDirNode*> stack{fresh.FRoot};
    while (!stack.empty()) {
        TDirNode* d = stack.back();
        stack.pop_back();
        d->FTree = this;
        for (std::uint32_t i = 0; i < d->FLeafCount; ++i)
            d->FLeaves[i].FExtId = ids[d->FLeaves[i].FExtId];
        for (std::uint32_t i = 0; i < d->FExtCount; ++i)
            d->FExtStats[i].ExtId = ids[d->FExtStats[i].ExtId];
        stack.insert(stack.end(), d->Children().begin(), d->Children().end());
    }
}

TDirNode* TScanTree::AdoptPart(TDirNode* syntheticRoot, std::unique_ptr<TScanTree> part,
                               std::string_view label)
{
    TDirNode* node = part ? part->FRoot : nullptr;
    if (syntheticRoot == nullptr || !syntheticRoot->FSynthetic || node == nullptr ||
        node->FParent != nullptr)
        return nullptr;
    TakeNodes(*part);
    FLinks.insert(FLinks.end(), part->FLinks.begin(), part->FLinks.end());
    FOtherSizes.insert(FOtherSizes.end(), part->FOtherSizes.begin(), part->FOtherSizes.end());
    FSideSorted = false;
    // Named whole, as a drive is: the label is the top of every path below it.
    node->FRootPath = FArena.CopyBytes(label.data(), label.size());
    node->FRootPathLen = static_cast<std::uint32_t>(label.size());
    node->FName = node->FRootPath;
    node->FNameLen = static_cast<std::uint16_t>(std::min<std::size_t>(label.size(), 0xFFFF));
    FGrafted.push_back(std::move(part));
    AppendDrive(syntheticRoot, node);
    FJoined = true;
    return node;
}

TDirNode* TScanTree::Graft(const TDirNode* old, std::unique_ptr<TScanTree> fresh)
{
    TDirNode* parent = old == nullptr || old->FTree != this ? nullptr : old->FParent;
    TDirNode* node = fresh ? fresh->FRoot : nullptr;
    if (parent == nullptr || node == nullptr)
        return nullptr;
    TakeNodes(*fresh);
    const TExtStatsView oldView = old->ExtStats();
    const std::vector<TExtStatEntry> removed(oldView.Entries().begin(), oldView.Entries().end());
    const TExtStatsView newView = node->ExtStats();
    const std::vector<TExtStatEntry> added(newView.Entries().begin(), newView.Entries().end());
    const std::int64_t bytes = node->FTotalSize - old->FTotalSize;
    const std::int64_t files = node->FTotalFiles - old->FTotalFiles;
    const std::int64_t dirs = node->FTotalDirs - old->FTotalDirs;

    std::vector<TLostLink> lost = LostLinks(LinkedLeavesBelow(old));
    DropSideRecords(old);
    std::vector<TLinkInfo> freshLinks = std::move(fresh->FLinks);
    FLinks.insert(FLinks.end(), freshLinks.begin(), freshLinks.end());
    FOtherSizes.insert(FOtherSizes.end(), fresh->FOtherSizes.begin(), fresh->FOtherSizes.end());
    FSideSorted = false;

    // In the old folder's place; a drive of all drives keeps its absolute path.
    const std::uint32_t at = old->FIndexInParent;
    parent->FChildren[at] = node;
    node->FParent = parent;
    node->FIndexInParent = at;
    if (!parent->FSynthetic) {
        node->FRootPath = nullptr;
        node->FRootPathLen = 0;
    }
    ChangeUpwards(parent, bytes, files, dirs, removed, added);
    FGrafted.push_back(std::move(fresh));

    // A link already counted outside the folder stays counted there.
    if (FHardLinks == THardLinks::Once && !freshLinks.empty()) {
        std::vector<std::pair<std::uint64_t, std::uint64_t>> outside;
        for (const TLinkInfo& r : FLinks)
            if (!r.Leaf->IsExtraLink() && !IsWithin(r.Leaf->FParent, node))
                outside.emplace_back(r.Device, r.Inode);
        std::sort(outside.begin(), outside.end());
        std::vector<const TFileLeaf*> repeated;
        for (const TLinkInfo& r : freshLinks)
            if (std::binary_search(outside.begin(), outside.end(),
                                   std::make_pair(r.Device, r.Inode)))
                repeated.push_back(r.Leaf);
        MarkExtraLinks(repeated);
    }
    // Links outside whose bytes a file of the old folder carried, and which the new one
    // does not hold any more, carry them themselves.
    KeepLinksCounted(std::move(lost), false);
    return node;
}

void TScanTree::ChangeUpwards(TDirNode* from, std::int64_t bytes, std::int64_t files,
                              std::int64_t dirs, std::span<const TExtStatEntry> removed,
                              std::span<const TExtStatEntry> added)
{
    for (TDirNode* n = from; n != nullptr; n = n->FParent) {
        n->FTotalSize += bytes;
        n->FTotalFiles += files;
        n->FTotalDirs += dirs;
        if (n->FChildCount == 0 && !n->FSynthetic)
            continue; // its table is computed from its files when asked
        std::vector<TExtStatEntry> table(n->FExtStats, n->FExtStats + n->FExtCount);
        ApplyExtDelta(table, removed, -1);
        ApplyExtDelta(table, added, +1);
        if (n->FSynthetic) {
            FSyntheticExts = table;
            n->FExtStats = FSyntheticExts.data();
        } else if (table.size() > n->FExtCount) {
            n->FExtStats = FArena.AllocateArray<TExtStatEntry>(table.size());
        }
        if (!n->FSynthetic)
            std::copy(table.begin(), table.end(), n->FExtStats);
        n->FExtCount = static_cast<std::uint32_t>(table.size());
    }
}

std::size_t TScanTree::ArenaBytes() const
{
    std::size_t n = FArena.BytesReserved();
    for (const auto& a : FJoinedArenas)
        n += a->BytesReserved();
    for (const auto& t : FGrafted)
        n += t->ArenaBytes();
    return n;
}

// ---------------------------------------------------------------- TExtStats

void TExtStats::AddFile(TExtTable::Id id, std::int64_t size)
{
    if (id >= FSlot.size())
        FSlot.resize(static_cast<std::size_t>(id) + 64, -1);
    std::int64_t& slot = FSlot[id];
    if (slot < 0) {
        slot = static_cast<std::int64_t>(FOut.size());
        FOut.push_back({id, 0, 0});
    }
    TExtStatEntry& e = FOut[static_cast<std::size_t>(slot)];
    e.Files += 1;
    e.Bytes += size;
}

void TExtStats::MergeFrom(const TExtStatsView& child)
{
    for (const TExtStatEntry& c : child.Entries()) {
        if (c.ExtId >= FSlot.size())
            FSlot.resize(static_cast<std::size_t>(c.ExtId) + 64, -1);
        std::int64_t& slot = FSlot[c.ExtId];
        if (slot < 0) {
            slot = static_cast<std::int64_t>(FOut.size());
            FOut.push_back({c.ExtId, 0, 0});
        }
        TExtStatEntry& e = FOut[static_cast<std::size_t>(slot)];
        e.Files += c.Files;
        e.Bytes += c.Bytes;
    }
}

std::span<const TExtStatEntry> TExtStats::Take()
{
    for (const TExtStatEntry& e : FOut)
        FSlot[e.ExtId] = -1;
    FTaken.swap(FOut);
    FOut.clear();
    return FTaken;
}

// ---------------------------------------------------------------- extension keys

std::string_view RawFileExt(std::string_view fileName)
{
    const auto dot = fileName.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

std::string LowerFileExt(std::string_view fileName)
{
    return platform::LowerCaseLocale(RawFileExt(fileName));
}

} // namespace harrowdale
