#include "views/ChildOrder.h"

#include "views/EntryOrder.h"

#include <algorithm>

namespace harrowdale {

namespace {

template <class Entry, class Less>
void StableSort(std::vector<const Entry*>& v, bool descending, Less less)
{
    if (descending)
        std::stable_sort(v.begin(), v.end(),
                         [&](const Entry* a, const Entry* b) { return less(b, a); });
    else
        std::stable_sort(v.begin(), v.end(), less);
}

} // namespace

void TChildOrder::Set(std::optional<TSortKey> key, bool descending)
{
    FKey = key;
    FDescending = descending;
    FChildren.clear();
    FRowOf.clear();
}

void TChildOrder::Clear()
{
    FChildren.clear();
    FRowOf.clear();
    FNewest.Clear();
    FComparison = nullptr;
}

void TChildOrder::SetComparison(const TScanComparison* comparison)
{
    FComparison = comparison;
    FChildren.clear();
    FRowOf.clear();
}

std::int64_t TChildOrder::ChangeOf(const TDirNode* folder) const
{
    return FComparison != nullptr ? folder->TotalSize() - FComparison->OldSize(folder) : 0;
}

std::int64_t TChildOrder::ChangeOf(const TFileLeaf* file) const
{
    return FComparison != nullptr ? file->Size() - FComparison->OldSize(file) : 0;
}

const std::vector<const TDirNode*>& TChildOrder::SortedChildren(const TDirNode* parent) const
{
    const auto known = FChildren.find(parent);
    if (known != FChildren.end())
        return known->second;
    std::vector<const TDirNode*> v(parent->Children().begin(), parent->Children().end());
    switch (*FKey) {
    case TSortKey::Name:
        StableSort(v, FDescending, [](const TDirNode* a, const TDirNode* b) {
            return CompareNames(a->Name(), b->Name()) < 0;
        });
        break;
    case TSortKey::Size:
        StableSort(v, FDescending, [](const TDirNode* a, const TDirNode* b) {
            return a->TotalSize() < b->TotalSize();
        });
        break;
    case TSortKey::Files:
        StableSort(v, FDescending, [](const TDirNode* a, const TDirNode* b) {
            return a->TotalFiles() < b->TotalFiles();
        });
        break;
    case TSortKey::Modified:
        StableSort(v, FDescending, [this](const TDirNode* a, const TDirNode* b) {
            return FNewest.Of(a) < FNewest.Of(b);
        });
        break;
    case TSortKey::Change:
        StableSort(v, FDescending, [this](const TDirNode* a, const TDirNode* b) {
            return ChangeOf(a) < ChangeOf(b);
        });
        break;
    }
    for (std::size_t row = 0; row < v.size(); ++row)
        FRowOf[v[row]] = static_cast<std::uint32_t>(row);
    return FChildren.emplace(parent, std::move(v)).first->second;
}

const TDirNode* TChildOrder::Child(const TDirNode* parent, std::size_t row) const
{
    if (row >= parent->Children().size())
        return nullptr;
    return FKey ? SortedChildren(parent)[row] : parent->Children()[row];
}

std::size_t TChildOrder::RowOf(const TDirNode* folder) const
{
    if (!FKey || folder->Parent() == nullptr)
        return folder->IndexInParent();
    SortedChildren(folder->Parent());
    return FRowOf.at(folder);
}

void TChildOrder::SortFiles(std::vector<const TFileLeaf*>& files) const
{
    if (!FKey)
        return;
    switch (*FKey) {
    case TSortKey::Name:
        StableSort(files, FDescending, [](const TFileLeaf* a, const TFileLeaf* b) {
            return CompareNames(a->Name(), b->Name()) < 0;
        });
        break;
    case TSortKey::Size:
        StableSort(files, FDescending,
                   [](const TFileLeaf* a, const TFileLeaf* b) { return a->Size() < b->Size(); });
        break;
    case TSortKey::Files: // one file each: as they are
        break;
    case TSortKey::Modified:
        StableSort(files, FDescending, [](const TFileLeaf* a, const TFileLeaf* b) {
            return a->ModifiedFT() < b->ModifiedFT();
        });
        break;
    case TSortKey::Change:
        StableSort(files, FDescending, [this](const TFileLeaf* a, const TFileLeaf* b) {
            return ChangeOf(a) < ChangeOf(b);
        });
        break;
    }
}

} // namespace harrowdale
