#include "ui/DuplicatesPage.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "scan/TreeLookup.h"
#include "ui/Services.h"
#include "ui/SwatchDelegate.h"
#include "ui/TreeModels.h"
#include "ui/ViewSelection.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/DupGroupText.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>
#include <limits>

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

    QItemSelectionModel* tree = DuplicatesTree()->selectionModel();
    connect(tree, &QItemSelectionModel::selectionChanged, this,
            &TDuplicatesPage::TreeSelectionChanged);
    connect(tree, &QItemSelectionModel::currentChanged, this,
            &TDuplicatesPage::TreeSelectionChanged);
    // Taking groups out of the selection leaves the map and the tree alone.
    connect(GroupsList()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!FSyncing && !selected.isEmpty())
                    GroupsPicked();
            });
    EnableZoom({[this] { return ZoomTarget(); },
                [this](const TDirNode* folder) { return HoldsDuplicates(folder); }});
}

void TDuplicatesPage::AddSelectAllButOne(QAction* action)
{
    FSelectAllButOne = action;
    connect(action, &QAction::triggered, this, &TDuplicatesPage::SelectAllButOne);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    for (QWidget* w : std::initializer_list<QWidget*>{Canvas(), DuplicatesTree(), GroupsList()})
        w->addActions({separator, action});
    UpdateSelectAllButOne();
}

void TDuplicatesPage::UpdateSelectAllButOne()
{
    // The command is the page's own: off while another page is shown or there are no groups.
    if (FSelectAllButOne != nullptr)
        FSelectAllButOne->setEnabled(isVisible() && FTreeModel->rowCount() > 0);
}

void TDuplicatesPage::showEvent(QShowEvent* event)
{
    TMapPage::showEvent(event);
    UpdateSelectAllButOne();
}

void TDuplicatesPage::hideEvent(QHideEvent* event)
{
    TMapPage::hideEvent(event);
    UpdateSelectAllButOne();
}

void TDuplicatesPage::ApplyTranslation()
{
    TResultPage::ApplyTranslation();
    FGroupsModel->SetHeaders({Tr("Group"), Tr("Color"), Tr("Size"), Tr("Modified")});
    ShowCap();
}

void TDuplicatesPage::ShowCap()
{
    const auto& dups = FResults.Duplicates;
    const std::size_t shown = FTreeModel->rowCount() > 0 ? dups.Groups.size() : 0;
    SetCapCaption("Largest %s of %s group", "Largest %s of %s groups",
                  static_cast<std::int64_t>(shown),
                  static_cast<std::int64_t>(shown == 0 ? 0 : std::max(dups.GroupsFound, shown)));
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
    UpdateSelectAllButOne();
    ShowCap();
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
    UpdateSelectAllButOne();
    ShowCap();
    ResetLayout();
}

bool TDuplicatesPage::HasLayout() const
{
    return FResults.Root() != nullptr && !FResults.Duplicates.ColorByFile.empty();
}

void TDuplicatesPage::BuildLayout(const TRect& rect)
{
    if (HasLayout())
        FMap.BuildFromRootDuplicates(MapRoot(), &FResults.Duplicates.ColorByFile, rect);
}

void TDuplicatesPage::PaintLayout(ITreemapCanvas& canvas) const
{
    FMap.Paint(canvas, MapLook(), FileChangeColors());
}

const TDirNode* TDuplicatesPage::ZoomTarget() const
{
    const TDupItem* it = FMap.Primary();
    if (it == nullptr)
        return nullptr;
    return it->Kind() == dkDir ? it->Dir() : it->FileLeaf()->Parent();
}

bool TDuplicatesPage::HoldsDuplicates(const TDirNode* folder) const
{
    for (const auto& [file, color] : FResults.Duplicates.ColorByFile)
        if (IsWithin(file->Parent(), folder))
            return true;
    return false;
}

void TDuplicatesPage::RevealFiles(const std::vector<const TFileLeaf*>& files)
{
    std::vector<const TDirNode*> folders;
    for (const TFileLeaf* f : files)
        if (folders.empty() || folders.back() != f->Parent())
            folders.push_back(f->Parent());
    Zoom()->Reveal(folders);
}

void TDuplicatesPage::ShowViewSelectionInMap()
{
    SelectFilesInMap(TreeFiles());
}

// ---------------------------------------------------------------- selections

void TDuplicatesPage::TreeSelectionChanged()
{
    if (FSyncing)
        return;
    const std::vector<const TFileLeaf*> files = TreeFiles();
    RevealFiles(files);
    SelectFilesInMap(files);
    // The list marks the groups the tree's selection lies in, so that what stays selected
    // there is what the commands act on.
    {
        const TSyncGuard guard(FSyncing);
        QItemSelection rows;
        for (const TDupGroup* g : TreeGroups())
            if (const int group = GroupRow(g); group >= 0) {
                const int row = FGroupsModel->RowOfGroup(static_cast<std::size_t>(group));
                rows.select(FGroupsModel->index(row, 0),
                            FGroupsModel->index(row, FGroupsModel->columnCount() - 1));
            }
        GroupsList()->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    }
    Q_EMIT SelectionStatusChanged();
}

void TDuplicatesPage::GroupsPicked()
{
    // The groups picked in the list become the tree's selection: the map, the status line
    // and the commands (also those of a right-click on the list) then name them.
    QItemSelection nodes;
    QModelIndex first;
    for (const int row : SelectedRows(GroupsList())) {
        const QModelIndex node =
            FTreeModel->IndexOfGroup(static_cast<int>(FGroupsModel->GroupIndex(row)));
        if (!node.isValid())
            continue;
        if (!first.isValid())
            first = node;
        nodes.select(node, node);
    }
    {
        const TSyncGuard guard(FSyncing);
        SelectWithCurrent(DuplicatesTree(), nodes, first);
    }
    const std::vector<const TFileLeaf*> files = TreeFiles();
    RevealFiles(files);
    SelectFilesInMap(files);
    Q_EMIT SelectionStatusChanged();
}

std::vector<const TDupGroup*> TDuplicatesPage::TreeGroups() const
{
    // The groups of the selected nodes, each once, in selection order.
    std::vector<const TDupGroup*> groups;
    for (const QModelIndex& i : SelectedOrCurrent(DuplicatesTree()))
        if (const TDupGroup* g = FTreeModel->Group(i);
            g != nullptr && std::find(groups.begin(), groups.end(), g) == groups.end())
            groups.push_back(g);
    return groups;
}

int TDuplicatesPage::GroupRow(const TDupGroup* group) const
{
    const auto& groups = FResults.Duplicates.Groups;
    for (std::size_t i = 0; i < groups.size(); ++i)
        if (groups[i].get() == group)
            return static_cast<int>(i);
    return -1;
}

void TDuplicatesPage::SelectAllButOne()
{
    // In each group the selection lies in, every file listed but the oldest (the first
    // found among equally old ones), which is the copy most likely to be the original.
    QItemSelection nodes;
    QModelIndex first;
    for (const TDupGroup* g : TreeGroups()) {
        if (g->Files.empty())
            continue;
        const auto oldest = std::min_element(
            g->Files.begin(), g->Files.end(), [](const TFileLeaf* a, const TFileLeaf* b) {
                // A file without a date is not taken for the oldest.
                const auto key = [](const TFileLeaf* f) {
                    return f->ModifiedFT() > 0 ? f->ModifiedFT()
                                               : std::numeric_limits<std::int64_t>::max();
                };
                return key(a) < key(b);
            });
        for (const TFileLeaf* f : g->Files) {
            const QModelIndex node = f == *oldest ? QModelIndex() : FTreeModel->IndexOfFile(f, g);
            if (!node.isValid())
                continue;
            if (!first.isValid())
                first = node;
            nodes.select(node, node);
        }
        DuplicatesTree()->expand(FTreeModel->IndexOfGroup(GroupRow(g)));
    }
    SelectWithCurrent(DuplicatesTree(), nodes, first);
}

void TDuplicatesPage::ClickAt(TPoint p, bool ctrl)
{
    if (const TDupItem* it = SelectAt(p, ctrl))
        CellSelected(*it);
}

void TDuplicatesPage::PickCell(const TDupItem& cell)
{
    SelectCell(cell);
    CellSelected(cell);
}

void TDuplicatesPage::CellSelected(const TDupItem& item)
{
    // The tree holds groups and files only: a folder cell finds no node.
    if (const TFileLeaf* f = item.FileLeaf()) {
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

std::string TDuplicatesPage::RowPath(const QModelIndex& index) const
{
    // A group stands for its first file, which its node always lists.
    if (const TFileLeaf* f = FTreeModel->File(index))
        return f->FullPath();
    const TDupGroup* g = FTreeModel->IsGroupNode(index) ? FTreeModel->Group(index) : nullptr;
    return g != nullptr && !g->Files.empty() ? g->Files.front()->FullPath() : std::string();
}

void TDuplicatesPage::ExpandPath(const std::string& path)
{
    const TFileLeaf* f = FindEntry(FResults.Root(), path).File;
    const auto g = f == nullptr ? FResults.Duplicates.GroupByFile.end()
                                : FResults.Duplicates.GroupByFile.find(f);
    if (g != FResults.Duplicates.GroupByFile.end())
        DuplicatesTree()->expand(FTreeModel->IndexOfFile(f, g->second).parent());
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
    // The tree (which the groups list moves too), else the map's primary file. Only files.
    std::vector<const TFileLeaf*> files = TreeFiles();
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
        return QString::fromStdString(Format(Translate("%s  %s  (%d duplicates)"), DupGroupName(*g),
                                             FormatSize(g->Size),
                                             static_cast<std::int64_t>(g->Files.size())));
    }
    if (const TDupItem* p = FMap.Primary())
        return PathAndSize(p->FullPath(), p->Size());
    return Tr("Ready");
}

} // namespace harrowdale::ui
