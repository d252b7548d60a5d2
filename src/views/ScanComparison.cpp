#include "views/ScanComparison.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/Paths.h"
#include "scan/SamePath.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/MeasureTexts.h"

#include <algorithm>
#include <cstdlib>

namespace harrowdale {

namespace {

bool SameRoot(const TDirNode& a, const TDirNode& b)
{
    if (a.IsSyntheticRoot() || b.IsSyntheticRoot())
        return a.IsSyntheticRoot() && b.IsSyntheticRoot();
    return SamePath(a.FullPath(), b.FullPath());
}

void CheckComparable(const TScanTree& older, const TScanTree& newer)
{
    if (older.Root() == nullptr || newer.Root() == nullptr)
        throw EComparisonError(Translate("A scan to compare is empty."));
    if (!SameRoot(*older.Root(), *newer.Root()))
        throw EComparisonError(
            FormatText(Translate("The two scans are of different folders: %s and %s."),
                       {VisiblePathText(older.Root()->FullPath()),
                        VisiblePathText(newer.Root()->FullPath())}));
    if (older.SizeKind() != newer.SizeKind() || older.HardLinks() != newer.HardLinks())
        throw EComparisonError(FormatText(
            Translate("The two scans were not measured the same way (older: %s, %s; newer: %s, "
                      "%s): compare scans made with the same measure and hard-link rule."),
            {SizeMeasureText(older), HardLinkRuleText(older), SizeMeasureText(newer),
             HardLinkRuleText(newer)}));
}

template <typename T> void SortByName(std::vector<const T*>& items)
{
    std::sort(items.begin(), items.end(), [](const T* a, const T* b) {
        return platform::ComparePaths(a->Name(), b->Name()) < 0;
    });
}

// Walks two lists sorted by name in step: `both` for names on each side, `onlyOld` and
// `onlyNew` for the rest.
template <typename T, typename Both, typename OnlyOld, typename OnlyNew>
void MergeByName(const std::vector<const T*>& olds, const std::vector<const T*>& news, Both both,
                 OnlyOld onlyOld, OnlyNew onlyNew)
{
    std::size_t i = 0, j = 0;
    while (i < olds.size() || j < news.size()) {
        const int order = i == olds.size() ? 1
                          : j == news.size()
                              ? -1
                              : platform::ComparePaths(olds[i]->Name(), news[j]->Name());
        if (order == 0)
            both(olds[i++], news[j++]);
        else if (order < 0)
            onlyOld(olds[i++]);
        else
            onlyNew(news[j++]);
    }
}

void SortByChange(std::vector<TCompareEntry>& entries, bool signedOrder)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [signedOrder](const TCompareEntry& a, const TCompareEntry& b) {
                         if (signedOrder)
                             return a.Change() > b.Change();
                         return std::llabs(a.Change()) > std::llabs(b.Change());
                     });
}

} // namespace

TScanComparison::TScanComparison(const TScanTree& older, const TScanTree& newer)
    : FOlder(older), FNewer(newer)
{
    CheckComparable(older, newer);
    Walk();
}

void TScanComparison::Walk()
{
    // No recursion: trees can be deeper than the stack.
    std::vector<std::pair<const TDirNode*, const TDirNode*>> pending{
        {FOlder.Root(), FNewer.Root()}};
    while (!pending.empty()) {
        const auto [oldDir, newDir] = pending.back();
        pending.pop_back();
        CompareFolder(oldDir, newDir, pending);
    }
    SortByChange(FChangedFolders, true);
    SortByChange(FChangedFiles, false);
    SortByChange(FNew, true);
    SortByChange(FGone, false);
}

void TScanComparison::CompareFolder(
    const TDirNode* oldDir, const TDirNode* newDir,
    std::vector<std::pair<const TDirNode*, const TDirNode*>>& pending)
{
    const std::size_t firstFile = FFileOldSize.size();
    FMatched.emplace(newDir, TMatchedFolder{oldDir, firstFile});
    if (oldDir->TotalSize() != newDir->TotalSize())
        FChangedFolders.push_back({newDir, nullptr, oldDir->TotalSize(), newDir->TotalSize()});

    const auto newLeaves = newDir->Leaves();
    FFileOldSize.resize(firstFile + newLeaves.size(), -1);
    FOldFiles.clear();
    FNewFiles.clear();
    for (const TFileLeaf& f : oldDir->Leaves())
        FOldFiles.push_back(&f);
    for (const TFileLeaf& f : newLeaves)
        FNewFiles.push_back(&f);
    SortByName(FOldFiles);
    SortByName(FNewFiles);
    MergeByName(
        FOldFiles, FNewFiles,
        [&](const TFileLeaf* o, const TFileLeaf* n) {
            FFileOldSize[firstFile + static_cast<std::size_t>(n - newLeaves.data())] = o->Size();
            if (o->Size() != n->Size())
                FChangedFiles.push_back({nullptr, n, o->Size(), n->Size()});
        },
        // A link that counts nothing (its file is counted at another link) changes no
        // space by coming or going.
        [&](const TFileLeaf* o) {
            if (!o->IsExtraLink())
                FGone.push_back({nullptr, o, o->Size(), 0});
        },
        [&](const TFileLeaf* n) {
            if (!n->IsExtraLink())
                FNew.push_back({nullptr, n, 0, n->Size()});
        });

    FOldDirs.assign(oldDir->Children().begin(), oldDir->Children().end());
    FNewDirs.assign(newDir->Children().begin(), newDir->Children().end());
    SortByName(FOldDirs);
    SortByName(FNewDirs);
    MergeByName(
        FOldDirs, FNewDirs,
        [&](const TDirNode* o, const TDirNode* n) { pending.emplace_back(o, n); },
        [&](const TDirNode* o) {
            FGone.push_back({o, nullptr, o->TotalSize(), 0});
        },
        [&](const TDirNode* n) {
            FNew.push_back({n, nullptr, 0, n->TotalSize()});
        });
}

const TScanComparison::TMatchedFolder* TScanComparison::Matched(const TDirNode* folder) const
{
    const auto it = FMatched.find(folder);
    return it == FMatched.end() ? nullptr : &it->second;
}

namespace {

TChangeState StateOf(bool matched, std::int64_t oldSize, std::int64_t newSize)
{
    if (!matched)
        return TChangeState::New;
    if (newSize == oldSize)
        return TChangeState::Same;
    return newSize > oldSize ? TChangeState::Grown : TChangeState::Shrunk;
}

} // namespace

std::int64_t TScanComparison::OldSize(const TDirNode* folder) const
{
    const TMatchedFolder* m = Matched(folder);
    return m != nullptr ? m->Old->TotalSize() : 0;
}

std::int64_t TScanComparison::OldFileSize(const TFileLeaf* file) const
{
    const TMatchedFolder* m = Matched(file->Parent());
    if (m == nullptr)
        return -1;
    return FFileOldSize[m->FirstFile +
                        static_cast<std::size_t>(file - file->Parent()->Leaves().data())];
}

std::int64_t TScanComparison::OldSize(const TFileLeaf* file) const
{
    return std::max<std::int64_t>(OldFileSize(file), 0);
}

TChangeState TScanComparison::State(const TDirNode* folder) const
{
    const TMatchedFolder* m = Matched(folder);
    return StateOf(m != nullptr, m != nullptr ? m->Old->TotalSize() : 0, folder->TotalSize());
}

TChangeState TScanComparison::State(const TFileLeaf* file) const
{
    const std::int64_t old = OldFileSize(file);
    return StateOf(old >= 0, old, file->Size());
}

} // namespace harrowdale
