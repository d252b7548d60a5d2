#include "ui/FilesInFoldersPage.h"

#include "scan/TreeLookup.h"
#include "treemap/Colors.h"
#include "ui/ChangeColumn.h"
#include "ui/ColumnsHeader.h"
#include "ui/ListModels.h"
#include "ui/Services.h"
#include "ui/SwatchDelegate.h"
#include "ui/TreeModels.h"
#include "ui/ViewSelection.h"

#include <QItemSelectionModel>
#include <QTreeView>

namespace harrowdale::ui {

TFilesInFoldersPage::TFilesInFoldersPage(const TScanResults& results, IShell& shell,
                                         QWidget* parent)
    : TMapPage({results, shell, TSideWidth::RestOfHalfWindow, 303, false}, parent)
{
    SetUpTree(FoldersAndFilesTree(), true);
    SetUpList(ExtensionsList(), true);
    FTreeModel = new TFilesTreeModel(this);
    FoldersAndFilesTree()->setModel(FTreeModel);
    SetUpTreeColumns(FoldersAndFilesTree());
    ShowChangeColumn(FoldersAndFilesTree(), TSortableTreeModel::Change, false);
    SetColumns(FoldersAndFilesTree(), {300, 110, 70, 130});
    FExtModel = new TExtListModel(false, this);
    ExtensionsList()->setModel(FExtModel);
    ExtensionsList()->setItemDelegate(new TSwatchDelegate(1, ExtensionsList()));
    SetColumns(ExtensionsList(), {120, 70, 120, 70});

    QItemSelectionModel* tree = FoldersAndFilesTree()->selectionModel();
    connect(tree, &QItemSelectionModel::selectionChanged, this,
            &TFilesInFoldersPage::TreeSelectionChanged);
    connect(tree, &QItemSelectionModel::currentChanged, this,
            &TFilesInFoldersPage::TreeSelectionChanged);
    connect(ExtensionsList()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFilesInFoldersPage::ExtensionsSelected);
    EnableZoom({[this] { return ZoomTarget(); },
                [](const TDirNode* folder) { return folder->TotalSize() > 0; }});
}

void TFilesInFoldersPage::ApplyTranslation()
{
    TResultPage::ApplyTranslation();
    FTreeModel->SetHeaders(TreeColumnTitles());
    FExtModel->SetHeaders({Tr("Extension"), Tr("Color"), Tr("Bytes"), Tr("Files")});
    FExtModel->SetNoExtensionText(Tr("(none)"));
}

void TFilesInFoldersPage::ComparisonShown()
{
    const TScanComparison* comparison = Comparison();
    FTreeModel->SetComparison(comparison);
    ShowChangeColumn(FoldersAndFilesTree(), TSortableTreeModel::Change, comparison != nullptr);
}

void TFilesInFoldersPage::PaintLayout(ITreemapCanvas& canvas) const
{
    FMap.Paint(canvas, MapLook(), FileChangeColors());
}

// ---------------------------------------------------------------- results

void TFilesInFoldersPage::Fill(TResultStage stage, TStageRun&)
{
    const TDirNode* root = FResults.Root();
    if (stage == TResultStage::FoldersAndFilesTree) {
        FTreeModel->SetRoot(root);
        if (FTreeModel->rowCount() > 0) {
            const QModelIndex top = FTreeModel->index(0, 0);
            FoldersAndFilesTree()->collapse(top);
            FoldersAndFilesTree()->setCurrentIndex(top);
        }
    } else if (stage == TResultStage::Extensions) {
        if (root != nullptr)
            FExtModel->SetRows(root->ExtStats().ToSortedArrayByBytesDesc(), 0);
        else
            FExtModel->Clear();
        RebuildLayout();
    }
}

void TFilesInFoldersPage::Clear()
{
    FTreeModel->SetRoot(nullptr);
    FExtModel->Clear();
    ResetLayout();
}

void TFilesInFoldersPage::BuildLayout(const TRect& rect)
{
    if (FResults.Root() != nullptr)
        FMap.BuildFromRootSquarified(MapRoot(), rect);
}

const TDirNode* TFilesInFoldersPage::ZoomTarget() const
{
    const THierItem* it = FMap.Primary();
    if (it == nullptr)
        return nullptr;
    return it->Kind == hkDir ? it->Dir() : it->FileLeaf()->Parent();
}

void TFilesInFoldersPage::ShowViewSelectionInMap()
{
    if (FMapShowsExtensions) {
        ExtensionsSelected();
        return;
    }
    // By entry, not by path: a map just laid out has no index of its paths yet, and for a
    // whole result of a million files one would take longer than the zoom itself.
    FMap.SetSelectedEntries(TreeEntries());
    Canvas()->Invalidate();
}

std::vector<TEntryRef> TFilesInFoldersPage::TreeEntries() const
{
    std::vector<TEntryRef> entries;
    for (const QModelIndex& i : SelectedOrCurrent(FoldersAndFilesTree())) {
        if (const TFileLeaf* f = FTreeModel->File(i))
            entries.emplace_back(f);
        else if (const TDirNode* d = FTreeModel->Folder(i))
            entries.emplace_back(d);
    }
    return entries;
}

// ---------------------------------------------------------------- selections

void TFilesInFoldersPage::TreeSelectionChanged()
{
    if (FSyncing)
        return;
    // A zoomed map zooms out as far as it must to show what the tree selected.
    std::vector<const TDirNode*> folders;
    for (const TEntryRef& e : TreeEntries())
        folders.push_back(e.IsFile() ? e.Parent() : e.Dir());
    Zoom()->Reveal(folders);
    FMapShowsExtensions = false;
    SelectPathsInMap(SelectedPaths());
    Q_EMIT SelectionStatusChanged();
}

void TFilesInFoldersPage::ExtensionsSelected()
{
    // The status line is not touched.
    if (FSyncing)
        return;
    std::vector<std::string> keys;
    for (const int row : SelectedRows(ExtensionsList()))
        keys.push_back(ExtKey(FExtModel->Row(row).Ext));
    FMapShowsExtensions = !keys.empty();
    if (keys.empty())
        FMap.ClearSelection();
    else
        FMap.SetSelectedByExts(keys);
    Canvas()->Invalidate();
}

void TFilesInFoldersPage::ClickAt(TPoint p, bool ctrl)
{
    if (const THierItem* it = SelectAt(p, ctrl))
        CellSelected(*it);
}

void TFilesInFoldersPage::PickCell(const THierItem& cell)
{
    SelectCell(cell);
    CellSelected(cell);
}

void TFilesInFoldersPage::CellSelected(const THierItem& item)
{
    // Selecting the node sets the map's selection from the tree's and the status line.
    RevealInTree(item);
    Q_EMIT StatusText(PathAndSize(item.FullPath(), item.Size()));
}

void TFilesInFoldersPage::RevealInTree(const THierItem& item)
{
    if (item.Kind == hkFile) {
        RevealFileInTree(item.FileLeaf());
        return;
    }
    // The tree is opened down to the folder as it is for a file: the node selected is what
    // the commands act on, so it must be the folder clicked, also one never expanded to.
    const TDirNode* d = item.Dir();
    RevealFolderInTree(d);
    const QModelIndex index = FTreeModel->IndexOfFolder(d);
    if (index.isValid() && FoldersAndFilesTree()->currentIndex() == index &&
        !FoldersAndFilesTree()->isExpanded(index))
        FoldersAndFilesTree()->expand(index);
}

void TFilesInFoldersPage::RevealFolderInTree(const TDirNode* folder)
{
    if (folder != nullptr && (folder == FResults.Root() || ExpandDownTo(folder->Parent())))
        MakeCurrent(FTreeModel->IndexOfFolder(folder));
}

void TFilesInFoldersPage::RevealFileInTree(const TFileLeaf* leaf)
{
    if (leaf != nullptr && ExpandDownTo(leaf->Parent()))
        MakeCurrent(FTreeModel->IndexOfFile(leaf));
}

bool TFilesInFoldersPage::ExpandDownTo(const TDirNode* folder)
{
    // The folders from the root down to this one, outermost first.
    const TDirNode* root = FResults.Root();
    std::vector<const TDirNode*> chain;
    for (const TDirNode* d = folder; d != nullptr; d = d == root ? nullptr : d->Parent())
        chain.push_back(d);
    if (root == nullptr || chain.empty() || chain.back() != root)
        return false;
    QTreeView* tree = FoldersAndFilesTree();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const QModelIndex index = FTreeModel->IndexOfFolder(*it);
        if (index.isValid() && !tree->isExpanded(index))
            tree->expand(index);
    }
    return true;
}

void TFilesInFoldersPage::MakeCurrent(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    FoldersAndFilesTree()->setCurrentIndex(index);
    FoldersAndFilesTree()->scrollTo(index);
}

void TFilesInFoldersPage::DoubleClicked()
{
    // A file opens its folder with the file selected; a folder opens itself.
    if (const THierItem* it = FMap.Primary())
        RevealOrOpen(it->FullPath(), it->Kind == hkFile);
}

void TFilesInFoldersPage::SelectPaths(const std::vector<std::string>& paths)
{
    // Each node is loaded and its folders opened as a click on the map would; the tree's
    // handler then brings the map along.
    QTreeView* tree = FoldersAndFilesTree();
    QItemSelection nodes;
    QModelIndex first;
    for (const std::string& p : paths) {
        const TTreeEntry e = FindEntry(FResults.Root(), p);
        if (e.File != nullptr)
            RevealFileInTree(e.File);
        else if (e.Folder != nullptr)
            RevealFolderInTree(e.Folder);
        else
            continue;
        const QModelIndex index = tree->currentIndex();
        if (FTreeModel->File(index) != e.File || FTreeModel->Folder(index) != e.Folder)
            continue;
        if (!first.isValid())
            first = index;
        nodes.select(index, index);
    }
    SelectWithCurrent(tree, nodes, first);
}

void TFilesInFoldersPage::SelectFound(std::span<const TEntryRef> entries)
{
    // As SelectPaths, from the entries themselves: no path is looked up. The map follows
    // once, when the tree holds them all.
    QTreeView* tree = FoldersAndFilesTree();
    {
        const TSyncGuard guard(FSyncing);
        QItemSelection nodes;
        QModelIndex first;
        for (const TEntryRef e : entries) {
            if (e.IsFile())
                RevealFileInTree(e.File());
            else
                RevealFolderInTree(e.Dir());
            const QModelIndex index = tree->currentIndex();
            if (FTreeModel->File(index) != e.File() || FTreeModel->Folder(index) != e.Dir())
                continue;
            if (!first.isValid())
                first = index;
            nodes.select(index, index);
        }
        SelectWithCurrent(tree, nodes, first);
    }
    TreeSelectionChanged();
}

std::string TFilesInFoldersPage::RowPath(const QModelIndex& index) const
{
    if (const TFileLeaf* f = FTreeModel->File(index))
        return f->FullPath();
    const TDirNode* d = FTreeModel->Folder(index);
    return d != nullptr ? d->FullPath() : std::string();
}

void TFilesInFoldersPage::ExpandPath(const std::string& path)
{
    if (const TDirNode* folder = FindEntry(FResults.Root(), path).Folder)
        ExpandDownTo(folder);
}

// ---------------------------------------------------------------- file commands, status

std::vector<TSelectedEntry> TFilesInFoldersPage::SelectedEntries() const
{
    std::vector<TSelectedEntry> entries;
    for (const QModelIndex& i : SelectedOrCurrent(FoldersAndFilesTree())) {
        if (const TFileLeaf* f = FTreeModel->File(i))
            entries.push_back({f->FullPath()});
        else if (const TDirNode* d = FTreeModel->Folder(i))
            entries.push_back({d->FullPath(), d});
    }
    return entries;
}

QString TFilesInFoldersPage::SelectionStatus() const
{
    const QTreeView* tree = FoldersAndFilesTree();
    const QModelIndexList selected = SelectedNodes(tree);
    const QModelIndex node = selected.isEmpty() ? tree->currentIndex() : selected.first();
    const int count =
        selected.isEmpty() ? (node.isValid() ? 1 : 0) : static_cast<int>(selected.size());
    if (const TFileLeaf* f = FTreeModel->File(node))
        return SelectionStatusText(DisplayText(f->FullPath()), SizeText(f->Size()), count);
    if (const TDirNode* d = FTreeModel->Folder(node))
        return SelectionStatusText(DisplayText(d->FullPath()), SizeText(d->TotalSize()), count);
    return Tr("Ready");
}

} // namespace harrowdale::ui
