// Selections kept in step between each page's treemap and the lists and trees beside it,
// and the status line that names what is selected.

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/Utf8.h"
#include "treemap/Colors.h"
#include "ui/ListModels.h"
#include "ui/MainWindow.h"
#include "ui/TreeModels.h"
#include "ui/ViewSelection.h"
#include "ui/text/DisplayFormat.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QTabWidget>
#include <QTreeView>
#include <algorithm>
#include <set>

namespace harrowdale::ui {

namespace {

// Sets a flag for the life of the scope: code changing a view's selection on behalf of
// another view raises that view's events synchronously, and they must not echo back.
class TSyncGuard
{
public:
    explicit TSyncGuard(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
    ~TSyncGuard() { FFlag = FOld; }

private:
    bool& FFlag;
    bool FOld;
};

QString StatusOf(const std::string& path, std::int64_t size)
{
    return DisplayText(path) + QStringLiteral("  ") + QString::fromStdString(FormatSize(size));
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

void TfrmMain::SetUpSelectionSync()
{
    connect(lvFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) { lvFilesSelectItem(!selected.isEmpty()); });
    connect(lvExt->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!FAppClosing)
            SyncExtSelection();
    });
    connect(lvFilesOfSelectedFolder->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (selected.isEmpty())
                    return;
                const TDirNode* folder = FTopFoldersModel->Folder(selected.indexes().first().row());
                // The list is refilled on the way; do it after its own selection event.
                QMetaObject::invokeMethod(
                    this,
                    [this, folder] {
                        SelectFolderNode(folder);
                        UpdateSelectionStatus();
                    },
                    Qt::QueuedConnection);
            });
    connect(tvFoldersAndFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmMain::tvFoldersAndFilesChange);
    connect(tvFoldersAndFiles->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TfrmMain::tvFoldersAndFilesChange);
    connect(tvFileExtensions->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmMain::tvFileExtensionsSelectItem);
    connect(tvDuplicateFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmMain::tvDuplicateFilesChange);
    connect(tvDuplicateFiles->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TfrmMain::tvDuplicateFilesChange);
    connect(lvDuplicateGroupsColors->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                lvDuplicateGroupsColorsSelectItem(!selected.isEmpty());
            });
}

// ---------------------------------------------------------------- "Only Files"

void TfrmMain::lvFilesSelectItem(bool selected)
{
    // Taking rows out of the selection never changes the treemap.
    if (FAppClosing || FSyncing || !selected)
        return;
    const std::vector<int> rows = SelectedRows(lvFiles);
    if (rows.empty())
        return;
    if (rows.size() > 1) {
        SyncFilesSelectionToTreemap();
    } else {
        const std::string path = FFilesModel->File(rows[0])->FullPath();
        if (const TTreemapItem* it = FTreemap.GetItemByPath(path)) {
            TSyncGuard guard(FSyncing);
            FTreemap.SetSingleSelected(it);
            InvalidateTreemap();
        }
    }
    UpdateSelectionStatus();
}

void TfrmMain::SyncFilesSelectionToTreemap()
{
    if (FSyncing)
        return;
    TSyncGuard guard(FSyncing);
    std::vector<std::string> paths;
    for (const int row : SelectedRows(lvFiles))
        paths.push_back(FFilesModel->File(row)->FullPath());
    FTreemap.SetSelectedByPaths(paths);
    InvalidateTreemap();
}

void TfrmMain::SyncExtSelection()
{
    if (FSyncing)
        return;
    std::set<std::string> keys;
    for (const int row : SelectedRows(lvExt))
        keys.insert(ExtKey(FExtModel->Row(row).Ext));
    TSyncGuard guard(FSyncing);
    QItemSelectionModel* sel = lvFiles->selectionModel();
    if (keys.empty()) {
        sel->clearSelection();
        FTreemap.ClearSelection();
        InvalidateTreemap();
        return;
    }
    QItemSelection rows;
    for (int row = 0; row < FFilesModel->rowCount(); ++row) {
        const TTreemapItem* it = FTreemap.GetItemByPath(FFilesModel->File(row)->FullPath());
        if (it != nullptr && keys.count(ExtKey(it->Ext())) != 0)
            rows.select(FFilesModel->index(row, 0),
                        FFilesModel->index(row, FFilesModel->columnCount() - 1));
    }
    sel->select(rows, QItemSelectionModel::ClearAndSelect);
    std::vector<std::string> paths;
    for (const TFileLeaf* f : FAllFiles.Files)
        if (keys.count(ExtKey(f->Ext())) != 0)
            paths.push_back(f->FullPath());
    FTreemap.SetSelectedByPaths(paths);
    InvalidateTreemap();
}

void TfrmMain::SelectFileRow(const TTreemapItem& item, bool ctrl)
{
    if (FSyncing)
        return;
    TSyncGuard guard(FSyncing);
    QItemSelectionModel* sel = lvFiles->selectionModel();
    if (!ctrl)
        sel->clearSelection();
    const std::string path = item.FullPath();
    for (int row = 0; row < FFilesModel->rowCount(); ++row) {
        if (!EqualIgnoringAsciiCase(FFilesModel->File(row)->FullPath(), path))
            continue;
        const QModelIndex index = FFilesModel->index(row, 0);
        sel->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        sel->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        lvFiles->scrollTo(index);
        break;
    }
}

// ---------------------------------------------------------------- "Files in Folders"

void TfrmMain::tvFoldersAndFilesChange()
{
    if (FAppClosing || FSyncing)
        return;
    const std::vector<std::string> paths = FoldersAndFilesTreePaths();
    if (paths.empty())
        FHierMap.ClearSelection();
    else
        FHierMap.SetSelectedByUpperPaths(paths);
    InvalidateHierMap();
    UpdateSelectionStatus();
}

void TfrmMain::tvFileExtensionsSelectItem()
{
    if (FAppClosing || FSyncing)
        return;
    std::vector<std::string> keys;
    for (const int row : SelectedRows(tvFileExtensions))
        keys.push_back(ExtKey(FFileExtModel->Row(row).Ext));
    if (keys.empty())
        FHierMap.ClearSelection();
    else
        FHierMap.SetSelectedByExts(keys);
    InvalidateHierMap();
}

void TfrmMain::RevealInTree(const THierItem& item)
{
    if (item.Kind == hkFile) {
        RevealLeafInTree(item.FileLeaf());
        return;
    }
    // A folder whose node was never created (its parent never expanded) is not sought.
    const TDirNode* d = item.Dir();
    if (d == nullptr ||
        (d->Parent() != nullptr && d != Root() && !FFilesTreeModel->IsLoaded(d->Parent())))
        return;
    const QModelIndex index = FFilesTreeModel->IndexOfFolder(d);
    if (!index.isValid())
        return;
    if (!tvFoldersAndFiles->isExpanded(index))
        tvFoldersAndFiles->expand(index);
    tvFoldersAndFiles->setCurrentIndex(index);
    tvFoldersAndFiles->scrollTo(index);
}

void TfrmMain::RevealLeafInTree(const TFileLeaf* leaf)
{
    if (leaf == nullptr || Root() == nullptr)
        return;
    // Expand the folders from the root down to the file's folder, outermost first.
    std::vector<const TDirNode*> chain;
    for (const TDirNode* d = leaf->Parent(); d != nullptr; d = d == Root() ? nullptr : d->Parent())
        chain.push_back(d);
    if (chain.back() != Root())
        return;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const QModelIndex index = FFilesTreeModel->IndexOfFolder(*it);
        if (index.isValid() && !tvFoldersAndFiles->isExpanded(index))
            tvFoldersAndFiles->expand(index);
    }
    const QModelIndex index = FFilesTreeModel->IndexOfFile(leaf);
    if (!index.isValid())
        return;
    tvFoldersAndFiles->setCurrentIndex(index);
    tvFoldersAndFiles->scrollTo(index);
}

// ---------------------------------------------------------------- "Duplicates"

void TfrmMain::tvDuplicateFilesChange()
{
    if (FAppClosing || FSyncing)
        return;
    SelectInDupeMap(DuplicateTreePaths());
}

void TfrmMain::SelectInDupeMap(const std::vector<std::string>& paths)
{
    if (paths.empty())
        FDupeMap.ClearSelection();
    else
        FDupeMap.SetSelectedByUpperPaths(paths);
    InvalidateDupeMap();
    UpdateSelectionStatus();
}

std::vector<std::string> TfrmMain::FoldersAndFilesTreePaths() const
{
    std::vector<std::string> paths;
    for (const QModelIndex& i : SelectedOrCurrent(tvFoldersAndFiles)) {
        if (const TFileLeaf* f = FFilesTreeModel->File(i))
            paths.push_back(f->FullPath());
        else if (const TDirNode* d = FFilesTreeModel->Folder(i))
            paths.push_back(d->FullPath());
    }
    return paths;
}

std::vector<std::string> TfrmMain::DuplicateTreePaths() const
{
    std::vector<std::string> paths;
    for (const QModelIndex& i : SelectedOrCurrent(tvDuplicateFiles)) {
        if (const TFileLeaf* f = FDupTreeModel->File(i)) {
            paths.push_back(f->FullPath());
        } else if (FDupTreeModel->IsGroupNode(i)) {
            // Every file of the group, also those past the ones listed under it.
            for (const TFileLeaf* f : FDupTreeModel->Group(i)->Files)
                paths.push_back(f->FullPath());
        }
    }
    return paths;
}

std::vector<std::string> TfrmMain::DuplicateListPaths() const
{
    std::vector<std::string> paths;
    for (const int row : SelectedRows(lvDuplicateGroupsColors))
        if (const TDupGroup* g = FDupGroupsModel->Group(row))
            for (const TFileLeaf* f : g->Files)
                paths.push_back(f->FullPath());
    return paths;
}

void TfrmMain::lvDuplicateGroupsColorsSelectItem(bool selected)
{
    if (FAppClosing || !selected || FSyncing)
        return;
    SelectInDupeMap(DuplicateListPaths());
}

void TfrmMain::RevealInDuplicateTree(const TDupItem& item)
{
    const TFileLeaf* f = item.FileLeaf();
    if (f == nullptr)
        return; // the tree holds groups and files only
    const auto g = FDupes.GroupByFile.find(f);
    if (g == FDupes.GroupByFile.end())
        return;
    const QModelIndex index = FDupTreeModel->IndexOfFile(f, g->second);
    if (!index.isValid())
        return;
    tvDuplicateFiles->setCurrentIndex(index);
    tvDuplicateFiles->scrollTo(index);
}

// ---------------------------------------------------------------- status line

void TfrmMain::ShowSelectionStatus(const QString& path, const QString& sizeText, int count)
{
    if (path.isEmpty())
        SetStatus(T("Ready"));
    else if (count < 2)
        SetStatus(QString::fromStdString(
            Format(Translate("%s  %s"), path.toStdString(), sizeText.toStdString())));
    else
        SetStatus(QString::fromStdString(Format(Translate("%s  %s  (%d selected)"),
                                                path.toStdString(), sizeText.toStdString(),
                                                static_cast<std::int64_t>(count))));
}

void TfrmMain::UpdateSelectionStatus()
{
    auto size = [](std::int64_t bytes) { return QString::fromStdString(FormatSize(bytes)); };
    switch (PageControl1->currentIndex()) {
    case 1: { // Only Files
        const std::vector<int> rows = SelectedRows(lvFiles);
        if (rows.empty()) {
            SetStatus(T("Ready"));
            return;
        }
        const TFileLeaf* f = FFilesModel->File(rows[0]);
        ShowSelectionStatus(DisplayText(f->FullPath()), size(f->Size()),
                            static_cast<int>(rows.size()));
        return;
    }
    case 2: { // Only Folders
        const std::vector<int> rows = SelectedRows(lvFilesOfSelectedFolder);
        if (!rows.empty()) {
            const TDirNode* d = FTopFoldersModel->Folder(rows[0]);
            ShowSelectionStatus(DisplayText(d->FullPath()), size(d->TotalSize()),
                                static_cast<int>(rows.size()));
            return;
        }
        if (const TDirNode* d = FFolderTreeModel->Folder(tvFolders->currentIndex())) {
            ShowSelectionStatus(DisplayText(d->FullPath()), size(d->TotalSize()), 1);
            return;
        }
        SetStatus(T("Ready"));
        return;
    }
    case 0: { // Files in Folders
        const QModelIndexList selected = tvFoldersAndFiles->selectionModel()->selectedIndexes();
        const QModelIndex node =
            selected.isEmpty() ? tvFoldersAndFiles->currentIndex() : selected.first();
        const int count =
            selected.isEmpty() ? (node.isValid() ? 1 : 0) : static_cast<int>(selected.size());
        if (const TFileLeaf* f = FFilesTreeModel->File(node))
            ShowSelectionStatus(DisplayText(f->FullPath()), size(f->Size()), count);
        else if (const TDirNode* d = FFilesTreeModel->Folder(node))
            ShowSelectionStatus(DisplayText(d->FullPath()), size(d->TotalSize()), count);
        else
            SetStatus(T("Ready"));
        return;
    }
    case 3: { // Duplicates
        const QModelIndex node = tvDuplicateFiles->currentIndex();
        if (const TFileLeaf* f = FDupTreeModel->File(node)) {
            SetStatus(StatusOf(f->FullPath(), f->Size()));
        } else if (FDupTreeModel->IsGroupNode(node)) {
            const TDupGroup* g = FDupTreeModel->Group(node);
            SetStatus(QString::fromStdString(
                Format(Translate("%s  %s  (%d duplicates)"), platform::ToDisplayUtf8(g->FileName),
                       FormatSize(g->Size), static_cast<std::int64_t>(g->Files.size()))));
        } else if (const TDupItem* p = FDupeMap.Primary()) {
            SetStatus(StatusOf(p->FullPath(), p->Size()));
        } else {
            SetStatus(T("Ready"));
        }
        return;
    }
    default:
        SetStatus(T("Ready"));
    }
}

} // namespace harrowdale::ui
