#include "ui/DuplicatesPage.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "scan/TreeLookup.h"
#include "ui/Services.h"
#include "ui/SwatchDelegate.h"
#include "ui/TreeModels.h"
#include "ui/ViewSelection.h"
#include "ui/text/DisplayFormat.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>

namespace harrowdale::ui {

TDuplicatesPage::TDuplicatesPage(const TScanResults& results, IShell& shell, QWidget* parent)
    : TMapPage({results, shell, TSideWidth::HalfPanel, 303}, parent)
{
    SetUpTree(DuplicatesTree(), true);
    SetUpList(GroupsList(), true);
    FTreeModel = new TDupTreeModel(this);
    DuplicatesTree()->setModel(FTreeModel);
    FGroupsModel = new TDupGroupsModel(this);
    GroupsList()->setModel(FGroupsModel);
    GroupsList()->setItemDelegate(new TSwatchDelegate(1, GroupsList()));
    SetColumns(GroupsList(), {220, 70, 110, 140});

    auto treeChanged = [this] {
        if (FSyncing)
            return;
        SelectFilesInMap(TreeFiles());
        Q_EMIT SelectionStatusChanged();
    };
    QItemSelectionModel* tree = DuplicatesTree()->selectionModel();
    connect(tree, &QItemSelectionModel::selectionChanged, this, treeChanged);
    connect(tree, &QItemSelectionModel::currentChanged, this, treeChanged);
    // Taking groups out of the selection leaves the map alone; the tree is not touched.
    connect(GroupsList()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (FSyncing || selected.isEmpty())
                    return;
                SelectFilesInMap(GroupsListFiles());
                Q_EMIT SelectionStatusChanged();
            });
}

void TDuplicatesPage::ApplyTranslation()
{
    TResultPage::ApplyTranslation();
    FGroupsModel->SetHeaders({Tr("Group"), Tr("Color"), Tr("Size"), Tr("Modified")});
}

// ---------------------------------------------------------------- results

void TDuplicatesPage::Fill(TResultStage stage, TStageRun& run)
{
    if (stage != TResultStage::Duplicates)
        return;
    const auto& groups = FResults.Duplicates.Groups;
    // Walk the nodes the tree will show, yielding every 150 file nodes so that Stop works
    // while a big result is put up.
    std::size_t shown = 0;
    for (const auto& g : groups) {
        const std::size_t files = std::min(g->Files.size(), kMaxDupFilesPerGroupNode);
        for (std::size_t k = 0; k < files; ++k)
            if (++shown % 150 == 0 && !run.Yield())
                return;
    }
    FTreeModel->SetGroups(&groups);
    FGroupsModel->SetGroups(&groups);
    RebuildLayout();
    QTreeView* tree = DuplicatesTree();
    tree->collapseAll();
    if (FTreeModel->rowCount() > 0) {
        const QModelIndex first = FTreeModel->index(0, 0);
        tree->setCurrentIndex(first);
        tree->scrollTo(first, QAbstractItemView::PositionAtTop);
    }
}

void TDuplicatesPage::Clear()
{
    FTreeModel->SetGroups(nullptr);
    FGroupsModel->SetGroups(nullptr);
    ResetLayout();
}

bool TDuplicatesPage::HasLayout() const
{
    return FResults.Root() != nullptr && !FResults.Duplicates.ColorByFile.empty();
}

void TDuplicatesPage::BuildLayout(const TRect& rect)
{
    if (HasLayout())
        FMap.BuildFromRootDuplicates(FResults.Root(), &FResults.Duplicates.ColorByFile, rect);
}

// ---------------------------------------------------------------- selections

void TDuplicatesPage::ClickAt(TPoint p, bool ctrl)
{
    const TDupItem* it = SelectAt(p, ctrl);
    if (it == nullptr)
        return;
    // The tree holds groups and files only: a folder cell finds no node.
    if (const TFileLeaf* f = it->FileLeaf()) {
        const auto g = FResults.Duplicates.GroupByFile.find(f);
        const QModelIndex index = g == FResults.Duplicates.GroupByFile.end()
                                      ? QModelIndex()
                                      : FTreeModel->IndexOfFile(f, g->second);
        if (index.isValid()) {
            DuplicatesTree()->setCurrentIndex(index);
            DuplicatesTree()->scrollTo(index);
        }
    }
    Q_EMIT SelectionStatusChanged();
}

void TDuplicatesPage::DoubleClicked()
{
    if (const TDupItem* it = FMap.Primary())
        RevealOrOpen(it->FullPath(), true);
}

// ---------------------------------------------------------------- file commands, status

void TDuplicatesPage::SelectPaths(const std::vector<std::string>& paths)
{
    // Files only: a group's node stands for files of which some may be gone.
    QItemSelection nodes;
    QModelIndex first;
    for (const std::string& p : paths) {
        const TFileLeaf* f = FindEntry(FResults.Root(), p).File;
        const auto g = f == nullptr ? FResults.Duplicates.GroupByFile.end()
                                    : FResults.Duplicates.GroupByFile.find(f);
        if (g == FResults.Duplicates.GroupByFile.end())
            continue;
        const QModelIndex index = FTreeModel->IndexOfFile(f, g->second);
        if (!index.isValid())
            continue;
        if (!first.isValid())
            first = index;
        nodes.select(index, index);
    }
    if (first.isValid())
        DuplicatesTree()->expand(first.parent());
    SelectWithCurrent(DuplicatesTree(), nodes, first);
}

std::vector<const TFileLeaf*> TDuplicatesPage::TreeFiles() const
{
    std::vector<const TFileLeaf*> files;
    for (const QModelIndex& i : SelectedOrCurrent(DuplicatesTree())) {
        if (const TFileLeaf* f = FTreeModel->File(i)) {
            files.push_back(f);
        } else if (FTreeModel->IsGroupNode(i)) {
            // Every file of the group, also those past the ones listed under it.
            const auto& members = FTreeModel->Group(i)->Files;
            files.insert(files.end(), members.begin(), members.end());
        }
    }
    return files;
}

std::vector<const TFileLeaf*> TDuplicatesPage::GroupsListFiles() const
{
    std::vector<const TFileLeaf*> files;
    for (const int row : SelectedRows(GroupsList()))
        if (const TDupGroup* g = FGroupsModel->Group(row))
            files.insert(files.end(), g->Files.begin(), g->Files.end());
    return files;
}

void TDuplicatesPage::SelectFilesInMap(const std::vector<const TFileLeaf*>& files)
{
    if (files.empty())
        FMap.ClearSelection();
    else
        FMap.SetSelectedFiles(files);
    Canvas()->Invalidate();
}

std::vector<TSelectedEntry> TDuplicatesPage::SelectedEntries() const
{
    // The tree, else the groups list, else the map's primary file. Only files.
    std::vector<const TFileLeaf*> files = TreeFiles();
    if (files.empty())
        files = GroupsListFiles();
    if (files.empty())
        if (const TDupItem* p = FMap.Primary(); p != nullptr && p->Kind() == dkFile)
            files.push_back(p->FileLeaf());
    std::vector<TSelectedEntry> entries;
    entries.reserve(files.size());
    for (const TFileLeaf* f : files)
        entries.push_back({f->FullPath()});
    return entries;
}

QString TDuplicatesPage::SelectionStatus() const
{
    const QModelIndex node = DuplicatesTree()->currentIndex();
    if (const TFileLeaf* f = FTreeModel->File(node))
        return PathAndSize(f->FullPath(), f->Size());
    if (FTreeModel->IsGroupNode(node)) {
        const TDupGroup* g = FTreeModel->Group(node);
        return QString::fromStdString(Format(Translate("%s  %s  (%d duplicates)"),
                                             VisiblePathText(g->FileName), FormatSize(g->Size),
                                             static_cast<std::int64_t>(g->Files.size())));
    }
    if (const TDupItem* p = FMap.Primary())
        return PathAndSize(p->FullPath(), p->Size());
    return Tr("Ready");
}

} // namespace harrowdale::ui
