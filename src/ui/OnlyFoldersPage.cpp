#include "ui/OnlyFoldersPage.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "scan/TreeLookup.h"
#include "ui/ChangeColumn.h"
#include "ui/ColumnsHeader.h"
#include "ui/Services.h"
#include "ui/SwatchDelegate.h"
#include "ui/TreeModels.h"
#include "ui/ViewSelection.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>

namespace harrowdale::ui {

TOnlyFoldersPage::TOnlyFoldersPage(const TScanResults& results, IShell& shell, QWidget* parent)
    : TMapPage({results, shell, TSideWidth::HalfPanel, 291}, parent)
{
    SetUpTree(FoldersTree(), false);
    SetUpList(TopFoldersList(), true);
    FTreeModel = new TFolderTreeModel(this);
    FoldersTree()->setModel(FTreeModel);
    SetUpTreeColumns(FoldersTree());
    ShowChangeColumn(FoldersTree(), TSortableTreeModel::Change, false);
    SetColumns(FoldersTree(), {300, 110, 70, 130});
    FTopModel = new TTopFoldersModel(this);
    TopFoldersList()->setModel(FTopModel);
    TopFoldersList()->setItemDelegate(new TSwatchDelegate(1, TopFoldersList()));
    SetColumns(TopFoldersList(), {220, 70, 110, 80, 70});

    // Not guarded by FSyncing: it also runs while the tree's first node is selected.
    connect(FoldersTree()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TOnlyFoldersPage::TreeCurrentChanged);
    connect(TopFoldersList()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (selected.isEmpty())
                    return;
                const TDirNode* folder = FTopModel->Folder(selected.indexes().first().row());
                // Choosing refills the list; do it after the list's own selection event.
                QMetaObject::invokeMethod(
                    this,
                    [this, folder] {
                        ChooseFolder(folder);
                        Q_EMIT SelectionStatusChanged();
                    },
                    Qt::QueuedConnection);
            });
    // A folder without subfolders would leave the map empty.
    auto showsSomething = [](const TDirNode* folder) {
        return std::any_of(folder->Children().begin(), folder->Children().end(),
                           [](const TDirNode* c) { return c->TotalSize() > 0; });
    };
    EnableZoom({[this, showsSomething] {
                    return FChosen != nullptr && showsSomething(FChosen) ? FChosen : nullptr;
                },
                showsSomething});
}

void TOnlyFoldersPage::ApplyTranslation()
{
    TResultPage::ApplyTranslation();
    FTreeModel->SetHeaders(TreeColumnTitles());
    FTopModel->SetHeaders(
        {Tr("Folder"), Tr("Color"), Tr("Bytes"), QStringLiteral("%"), Tr("Files")});
}

void TOnlyFoldersPage::ComparisonShown()
{
    const TScanComparison* comparison = Comparison();
    FTreeModel->SetComparison(comparison);
    ShowChangeColumn(FoldersTree(), TSortableTreeModel::Change, comparison != nullptr);
}

void TOnlyFoldersPage::PaintLayout(ITreemapCanvas& canvas) const
{
    if (!PaintsChange()) {
        FMap.Paint(canvas, MapLook());
        return;
    }
    const TScanComparison& c = *Comparison();
    FMap.Paint(canvas, MapLook(), [&c](const TDirNode& d) { return ChangeMapColor(c.State(&d)); });
}

// ---------------------------------------------------------------- results

void TOnlyFoldersPage::Fill(TResultStage stage, TStageRun& run)
{
    if (stage == TResultStage::FoldersTree) {
        FillTree(run);
    } else if (stage == TResultStage::FoldersViews) {
        // The largest top-level folder (the tree is sorted by now), or the largest drive.
        const TDirNode* root = FResults.Root();
        FChosen = root != nullptr && !root->Children().empty() ? root->Children()[0] : nullptr;
        FTopModel->SetRoot(root);
        RebuildLayout();
    }
}

void TOnlyFoldersPage::FillTree(TStageRun& run)
{
    const TDirNode* root = FResults.Root();
    if (root == nullptr)
        return;
    const std::int64_t total = root->TotalDirs() - (root->IsSyntheticRoot() ? 0 : 1);
    const std::int64_t bar = std::max<std::int64_t>(total, 1);
    run.Progress(bar, 0);
    run.Status(Format(Translate("Building folders tree... 0 / %d"), total));
    // The model presents every folder at once; this walk reports the progress and notices
    // Stop as a node-by-node fill would.
    FTreeModel->SetRoot(nullptr);
    std::int64_t added = 0;
    std::vector<const TDirNode*> stack(root->Children().rbegin(), root->Children().rend());
    while (!stack.empty()) {
        const TDirNode* d = stack.back();
        stack.pop_back();
        if (++added % 200 == 0 && !run.Count("Building folders tree... %d / %d", added, total)) {
            run.Status(Translate("Cancelled."));
            return;
        }
        for (auto it = d->Children().rbegin(); it != d->Children().rend(); ++it)
            stack.push_back(*it);
    }
    FTreeModel->SetRoot(root);
    if (FTreeModel->rowCount() > 0)
        FoldersTree()->setCurrentIndex(FTreeModel->index(0, 0));
    run.Progress(bar, bar);
    run.Status(Format(Translate("Folders tree built (%d folders)."), added));
}

void TOnlyFoldersPage::Clear()
{
    FTreeModel->SetRoot(nullptr);
    FTopModel->Clear();
    FChosen = nullptr;
    ResetLayout();
}

void TOnlyFoldersPage::BuildLayout(const TRect& rect)
{
    if (FResults.Root() == nullptr)
        return;
    FMap.BuildFromRoot(MapRoot(), rect, ZoomColor());
    FMap.SetSelectedNode(FChosen);
}

std::optional<TColor> TOnlyFoldersPage::ZoomColor() const
{
    // The map keeps meaning what the legend says: coloured by top-level folder.
    const TDirNode* top = Zoom()->Zoomed();
    if (top == nullptr)
        return std::nullopt;
    while (top->Parent() != FResults.Root())
        top = top->Parent();
    return TFolderTreemapLayout::ColorForPath(top->FullPath());
}

// ---------------------------------------------------------------- selections

void TOnlyFoldersPage::TreeCurrentChanged(const QModelIndex& current)
{
    const TDirNode* folder = FTreeModel->Folder(current);
    if (folder == nullptr)
        return;
    FChosen = folder;
    Zoom()->Reveal(std::span(&folder, 1));
    FTopModel->SetRoot(FResults.Root()); // the legend is refilled, its selection gone
    FMap.SetSelectedNode(FChosen);
    Canvas()->Invalidate();
    Q_EMIT SelectionStatusChanged();
}

void TOnlyFoldersPage::ChooseFolder(const TDirNode* folder)
{
    // Through the folder's node when the tree has one, otherwise directly.
    const QModelIndex index = FTreeModel->IndexOf(folder);
    if (index.isValid()) {
        FoldersTree()->setCurrentIndex(index);
        FoldersTree()->scrollTo(index);
        FoldersTree()->expand(index);
        return;
    }
    FChosen = folder;
    Zoom()->Reveal(std::span(&folder, 1));
    FTopModel->SetRoot(FResults.Root());
    FMap.SetSelectedNode(FChosen);
    Canvas()->Invalidate();
}

void TOnlyFoldersPage::ClickAt(TPoint p, bool)
{
    // One chosen folder: Ctrl makes no difference here.
    if (const TDirNode* folder = FMap.HitTest(p))
        ChooseFolder(folder);
}

void TOnlyFoldersPage::DoubleClicked()
{
    if (FChosen != nullptr)
        RevealOrOpen(FChosen->FullPath(), false);
}

void TOnlyFoldersPage::SelectPaths(const std::vector<std::string>& paths)
{
    // One chosen folder: the first that is left.
    for (const std::string& p : paths)
        if (const TDirNode* folder = FindEntry(FResults.Root(), p).Folder) {
            ChooseFolder(folder);
            return;
        }
}

void TOnlyFoldersPage::SelectFound(std::span<const TEntryRef> entries)
{
    if (!entries.empty() && entries.front().Dir() != nullptr)
        ChooseFolder(entries.front().Dir());
}

std::string TOnlyFoldersPage::RowPath(const QModelIndex& index) const
{
    const TDirNode* d = FTreeModel->Folder(index);
    return d != nullptr ? d->FullPath() : std::string();
}

void TOnlyFoldersPage::ExpandPath(const std::string& path)
{
    if (const TDirNode* folder = FindEntry(FResults.Root(), path).Folder)
        FoldersTree()->expand(FTreeModel->IndexOf(folder));
}

// ---------------------------------------------------------------- file commands, status

std::vector<TSelectedEntry> TOnlyFoldersPage::SelectedEntries() const
{
    // The legend's selection wins over the tree's.
    std::vector<TSelectedEntry> entries;
    for (const int row : SelectedRows(TopFoldersList())) {
        const TDirNode* d = FTopModel->Folder(row);
        entries.push_back({d->FullPath(), d});
    }
    if (entries.empty())
        if (const TDirNode* d = FTreeModel->Folder(FoldersTree()->currentIndex()))
            entries.push_back({d->FullPath(), d});
    return entries;
}

QString TOnlyFoldersPage::SelectionStatus() const
{
    const std::vector<int> rows = SelectedRows(TopFoldersList());
    if (!rows.empty()) {
        const TDirNode* d = FTopModel->Folder(rows[0]);
        return SelectionStatusText(DisplayText(d->FullPath()), SizeText(d->TotalSize()),
                                   static_cast<int>(rows.size()));
    }
    if (const TDirNode* d = FTreeModel->Folder(FoldersTree()->currentIndex()))
        return SelectionStatusText(DisplayText(d->FullPath()), SizeText(d->TotalSize()), 1);
    return Tr("Ready");
}

} // namespace harrowdale::ui
