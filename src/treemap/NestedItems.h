#pragma once

// Selection by path in the nested maps (files in folders, duplicates), whose items are
// folders and files with Dir(), FileLeaf() and FullPath().

#include "scan/SamePath.h"
#include "treemap/PathIndex.h"
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

/// Whether two items stand for the same path.
template <class Item> bool SamePathKey(const Item& a, const Item& b)
{
    return &a == &b || SamePath(a.FullPath(), b.FullPath());
}

} // namespace harrowdale
