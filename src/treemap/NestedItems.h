#pragma once

// Selection by path in the nested maps (files in folders, duplicates), whose items are
// folders and files with Dir(), FileLeaf() and FullPath().

#include "scan/SamePath.h"
#include "treemap/EntryRef.h"
#include "treemap/PathIndex.h"
#include "treemap/PointerMap.h"
#include "treemap/Selection.h"

#include <span>
#include <string>
#include <string_view>

namespace harrowdale {

template <class Item> TEntryKey KeyOfNestedItem(const Item& it)
{
    if (const TDirNode* d = it.Dir())
        return KeyOfDir(*d);
    return KeyOfFile(*it.FileLeaf());
}

/// Replaces `selection` by `paths` among `items`, the items of one build below `root`.
/// Builds `index` over the items when it is not built yet. A folder with contents in the
/// map has an item itself, so the folder items resolve the folder part of every path that
/// can have an item.
template <class Item>
void SelectNestedPaths(TItemSelection& selection, std::span<const Item> items, const TDirNode* root,
                       TPathIndex& index, std::span<const std::string> paths)
{
    const TPathIndex::TKeyOf keyOf = [items](std::uint32_t i) { return KeyOfNestedItem(items[i]); };
    if (!index.Built())
        index.Build(static_cast<std::uint32_t>(items.size()), keyOf);
    TPathResolver resolver(root, [&](const TDirNode* parent, std::string_view name) {
        const std::uint32_t i = index.Find({parent, name, nullptr}, keyOf);
        return i == TPathIndex::kNone ? nullptr : items[i].Dir();
    });
    selection.SelectPaths(paths, [&](std::string_view path) {
        const auto key = resolver.KeyOf(path);
        return key ? index.Find(*key, keyOf) : TItemSelection::kNone;
    });
}

/// Replaces `selection` by the items of `entries` (folders and files of the tree): what
/// selecting their paths selects, found in one pass over `items` without making a path or
/// an index of them.
template <class Item>
void SelectNestedEntries(TItemSelection& selection, std::span<const Item> items,
                         std::span<const TEntryRef> entries)
{
    TPointerMap<std::uint32_t> itemOf; // index of the entry's item + 1; 0: none
    for (const TEntryRef& e : entries)
        itemOf[e.Object()];
    for (std::uint32_t i = 0; i < items.size(); ++i)
        if (const std::uint32_t* found = itemOf.Find(items[i].Entry.Object());
            found != nullptr && *found == 0)
            itemOf[items[i].Entry.Object()] = i + 1;
    selection.SelectEntries(entries, [&](const TEntryRef& e) {
        const std::uint32_t* found = itemOf.Find(e.Object());
        return found != nullptr && *found != 0 ? *found - 1 : TItemSelection::kNone;
    });
}

/// Whether two items stand for the same path.
template <class Item> bool SamePathKey(const Item& a, const Item& b)
{
    return &a == &b || SamePath(a.FullPath(), b.FullPath());
}

} // namespace harrowdale
