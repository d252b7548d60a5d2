// The six file commands on the active page's selection: open, copy paths, reveal,
// properties, move to the trash, delete permanently.

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/FileOps.h"
#include "ui/ListModels.h"
#include "ui/MainWindow.h"
#include "ui/TreeModels.h"
#include "ui/ViewSelection.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

namespace harrowdale::ui {

void TfrmMain::SetUpCommands()
{
    auto bind = [this](QToolButton* button, QAction* action, void (TfrmMain::*handler)()) {
        connect(button, &QToolButton::clicked, this, handler);
        connect(action, &QAction::triggered, this, handler);
    };
    bind(btnOpen, Open1, &TfrmMain::btnOpenClick);
    bind(btnCopyPath, CopyPath1, &TfrmMain::SpeedButton1Click);
    bind(btnOpenExplorer, OpeninExplorer1, &TfrmMain::btnOpenExplorerClick);
    bind(btnShowProperties, ShowProperties1, &TfrmMain::btnShowPropertiesClick);
    bind(btnRemoveToRecycleBin, RemovetoRecycleBin1, &TfrmMain::btnRemoveToRecycleBinClick);
    bind(btnRemove, RemoveCompletely1, &TfrmMain::btnRemoveClick);
}

std::vector<std::string> TfrmMain::CollectSelectedPaths()
{
    std::vector<std::string> paths;
    auto add = [&paths](std::string p) {
        if (!p.empty())
            paths.push_back(std::move(p));
    };
    switch (PageControl1->currentIndex()) {
    case 1: // Only Files: the selected rows of the list, never the treemap alone
        for (const int row : SelectedRows(lvFiles))
            add(FFilesModel->File(row)->FullPath());
        break;
    case 2: { // Only Folders: the legend's selection wins over the tree's
        const std::vector<int> rows = SelectedRows(lvFilesOfSelectedFolder);
        for (const int row : rows)
            add(FTopFoldersModel->Folder(row)->FullPath());
        if (rows.empty())
            if (const TDirNode* d = FFolderTreeModel->Folder(tvFolders->currentIndex()))
                add(d->FullPath());
        break;
    }
    case 0: // Files in Folders
        paths = FoldersAndFilesTreePaths();
        break;
    case 3: // Duplicates: the tree, else the groups list, else the map's primary file
        paths = DuplicateTreePaths();
        if (paths.empty())
            paths = DuplicateListPaths();
        if (paths.empty())
            if (const TDupItem* p = FDupeMap.Primary(); p != nullptr && p->Kind() == dkFile)
                add(p->FullPath());
        break;
    default:
        break;
    }
    // Empty paths are never acted on (the all-drives root has none).
    std::erase(paths, std::string());
    return paths;
}

void TfrmMain::SpeedButton1Click()
{
    const std::vector<std::string> paths = CollectSelectedPaths();
    if (paths.empty())
        return;
    // Text for pasting into anything, one path a line with the platform's line break and
    // none after the last; and the exact bytes as file URIs for file managers.
    QStringList lines;
    QList<QUrl> urls;
    for (const std::string& p : paths) {
        lines << QFile::decodeName(QByteArray::fromStdString(p));
        urls << QUrl(FileUri(p));
    }
    auto* data = new QMimeData; // owned by the clipboard
    data->setText(lines.join(QLatin1Char('\n')));
    data->setUrls(urls);
    QGuiApplication::clipboard()->setMimeData(data);
}

void TfrmMain::btnOpenClick()
{
    for (const std::string& p : CollectSelectedPaths())
        if (platform::PathExists(p))
            FServices.Shell->OpenPath(p);
}

void TfrmMain::btnOpenExplorerClick()
{
    for (const std::string& p : CollectSelectedPaths())
        if (platform::PathExists(p))
            FServices.Shell->RevealInFileManager(p);
}

void TfrmMain::btnShowPropertiesClick()
{
    for (const std::string& p : CollectSelectedPaths())
        if (platform::PathExists(p))
            FServices.Shell->ShowProperties(p);
}

void TfrmMain::RemoveSelection(bool toTrash)
{
    const std::vector<std::string> paths = CollectSelectedPaths();
    if (paths.empty())
        return;
    const std::string question =
        toTrash ? Format(Translate("Move %d item(s) to Recycle Bin?"),
                         static_cast<std::int64_t>(paths.size()))
                : Format(Translate("Permanently delete %d item(s)? (This cannot be undone)"),
                         static_cast<std::int64_t>(paths.size()));
    if (!FServices.Messages->Confirm(this, QString::fromStdString(question), !toTrash))
        return;
    const bool ok = toTrash ? platform::MoveToTrash(paths) : platform::RemovePermanently(paths);
    if (ok)
        ClearMapSelections();
    else
        FServices.Messages->Error(this, toTrash ? T("Failed to remove to Recycle Bin.")
                                                : T("Failed to delete."));
}

void TfrmMain::btnRemoveToRecycleBinClick()
{
    RemoveSelection(true);
}

void TfrmMain::btnRemoveClick()
{
    RemoveSelection(false);
}

void TfrmMain::ClearMapSelections()
{
    FTreemap.ClearSelection();
    FHierMap.ClearSelection();
    InvalidateTreemap();
    InvalidateHierMap();
}

} // namespace harrowdale::ui
