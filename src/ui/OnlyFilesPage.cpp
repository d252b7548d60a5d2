#include "ui/OnlyFilesPage.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "scan/SamePath.h"
#include "treemap/Colors.h"
#include "ui/ChangeColumn.h"
#include "ui/ListModels.h"
#include "ui/Services.h"
#include "ui/SwatchDelegate.h"
#include "ui/ViewSelection.h"
#include "views/ExtensionList.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <set>
#include <unordered_set>

namespace harrowdale::ui {

namespace {

constexpr std::size_t kListProgressStep = 250;

} // namespace

TOnlyFilesPage::TOnlyFilesPage(const TScanResults& results, IShell& shell, QWidget* parent)
    : TMapPage({results, shell, TSideWidth::RestOfHalfWindow, 303, false}, parent)
{
    SetUpList(FilesList(), true);
    SetUpList(ExtensionsList(), true);
    FFilesModel = new TLargestFilesModel(this);
    FilesList()->setModel(FFilesModel);
    SetColumns(FilesList(), {220, 320, 95, 90, 145, 0});
    ShowChangeColumn(FilesList(), TLargestFilesModel::Change, false);
    FExtModel = new TExtListModel(true, this);
    ExtensionsList()->setModel(FExtModel);
    ExtensionsList()->setItemDelegate(new TSwatchDelegate(1, ExtensionsList()));
    SetColumns(ExtensionsList(), {120, 70, 120, 90, 80});

    connect(FilesList()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) { FilesSelected(!selected.isEmpty()); });
    connect(ExtensionsList()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TOnlyFilesPage::ExtensionsSelected);
}

void TOnlyFilesPage::ApplyTranslation()
{
    TResultPage::ApplyTranslation();
    FFilesModel->SetHeaders({Tr("Name"), Tr("Path"), Tr("Size"), Tr("Percentage"), Tr("Modified"),
                             Tr("FullPath"), Tr("Change")});
    FExtModel->SetHeaders(
        {Tr("Extension"), Tr("Color"), Tr("Bytes"), Tr("Percentage"), Tr("Files")});
    FExtModel->SetNoExtensionText(Tr("(none)"));
    ShowCap();
}

void TOnlyFilesPage::ShowCap()
{
    SetCapCaption("Largest %s of %s file", "Largest %s of %s files",
                  static_cast<std::int64_t>(FResults.DisplayFiles.Files.size()),
                  static_cast<std::int64_t>(FResults.AllFiles.Files.size()));
}

void TOnlyFilesPage::ComparisonShown()
{
    const TScanComparison* comparison = Comparison();
    FFilesModel->SetComparison(comparison);
    ShowChangeColumn(FilesList(), TLargestFilesModel::Change, comparison != nullptr);
}

// ---------------------------------------------------------------- results

void TOnlyFilesPage::Fill(TResultStage stage, TStageRun& run)
{
    if (stage != TResultStage::LargestFilesViews)
        return;
    FillFilesList(run);
    ShowCap();
    TExtList list = BuildExtList(FResults.AllFiles.Files);
    FExtModel->SetRows(std::move(list.Rows), list.TotalBytes);
    FMap.ClearSelection();
    RebuildLayout();
}

void TOnlyFilesPage::FillFilesList(TStageRun& run)
{
    const std::vector<const TFileLeaf*>& files = FResults.DisplayFiles.Files;
    const std::size_t n = files.size();
    FFilesModel->Clear();
    if (n == 0)
        return;
    const TSyncGuard guard(FSyncing);
    run.Progress(static_cast<std::int64_t>(n), 0);
    run.Status(Format(Translate("Building file list... 0 / %d"), static_cast<std::int64_t>(n)));
    FFilesModel->SetTotal(FResults.DisplayFiles.TotalBytes);
    // Rows go in by the few hundred, so the window repaints and Stop works meanwhile.
    for (std::size_t added = 0; added < n;) {
        const std::size_t next = std::min(n, added + kListProgressStep);
        FFilesModel->Append(std::span<const TFileLeaf* const>(files.data() + added, next - added));
        added = next;
        if (!run.Count("Building file list... %d / %d", static_cast<std::int64_t>(added),
                       static_cast<std::int64_t>(n)))
            break;
    }
}

void TOnlyFilesPage::Clear()
{
    FFoundOutside.clear();
    FFilesModel->Clear();
    FExtModel->Clear();
    SetMainCaption({});
    ResetLayout();
}

bool TOnlyFilesPage::HasLayout() const
{
    return !FResults.AllFiles.Files.empty();
}

void TOnlyFilesPage::BuildLayout(const TRect& rect)
{
    if (!FResults.AllFiles.Files.empty())
        FMap.BuildFromFiles(FResults.AllFiles.Files, rect);
}

// ---------------------------------------------------------------- selections

void TOnlyFilesPage::FilesSelected(bool selected)
{
    // Taking rows out of the selection never changes the treemap.
    if (FSyncing)
        return;
    FFoundOutside.clear();
    if (!selected)
        return;
    const std::vector<int> rows = SelectedRows(FilesList());
    if (rows.empty())
        return;
    if (rows.size() > 1) {
        const TSyncGuard guard(FSyncing);
        std::vector<std::string> paths;
        for (const int row : rows)
            paths.push_back(FFilesModel->File(row)->FullPath());
        FMap.SetSelectedByPaths(paths);
        Canvas()->Invalidate();
    } else if (const TTreemapItem* it =
                   FMap.GetItemByPath(FFilesModel->File(rows[0])->FullPath())) {
        // A file without a cell leaves the map's selection as it was.
        const TSyncGuard guard(FSyncing);
        FMap.SetSingleSelected(it);
        Canvas()->Invalidate();
    }
    Q_EMIT SelectionStatusChanged();
}

void TOnlyFilesPage::ExtensionsSelected()
{
    if (FSyncing)
        return;
    std::set<std::string> keys;
    for (const int row : SelectedRows(ExtensionsList()))
        keys.insert(ExtKey(FExtModel->Row(row).Ext));
    FFoundOutside.clear();
    SelectFilesOfExtensions(keys);
    // The rows selected are what the commands act on: the status line names them.
    Q_EMIT SelectionStatusChanged();
}

void TOnlyFilesPage::SelectFilesOfExtensions(const std::set<std::string>& keys)
{
    const TSyncGuard guard(FSyncing);
    QItemSelectionModel* sel = FilesList()->selectionModel();
    if (keys.empty()) {
        sel->clearSelection();
        ClearMapSelection();
        return;
    }
    // The rows whose cell has one of the extensions; then every cell of them.
    QItemSelection rows;
    for (int row = 0; row < FFilesModel->rowCount(); ++row) {
        const TTreemapItem* it = FMap.GetItemByPath(FFilesModel->File(row)->FullPath());
        if (it != nullptr && keys.count(ExtKey(it->Ext())) != 0)
            rows.select(FFilesModel->index(row, 0),
                        FFilesModel->index(row, FFilesModel->columnCount() - 1));
    }
    sel->select(rows, QItemSelectionModel::ClearAndSelect);
    std::vector<std::string> paths;
    for (const TFileLeaf* f : FResults.AllFiles.Files)
        if (keys.count(ExtKey(f->Ext())) != 0)
            paths.push_back(f->FullPath());
    FMap.SetSelectedByPaths(paths);
    Canvas()->Invalidate();
}

void TOnlyFilesPage::ClickAt(TPoint p, bool ctrl)
{
    const TTreemapItem* it = SelectAt(p, ctrl);
    if (it == nullptr)
        return;
    FFoundOutside.clear();
    SelectFileRow(*it, ctrl);
    Q_EMIT StatusText(PathAndSize(it->FullPath(), it->Size()));
}

void TOnlyFilesPage::PickCell(const TTreemapItem& cell)
{
    FFoundOutside.clear();
    SelectCell(cell);
    SelectFileRow(cell, false);
    Q_EMIT StatusText(PathAndSize(cell.FullPath(), cell.Size()));
}

void TOnlyFilesPage::SelectFileRow(const TTreemapItem& item, bool ctrl)
{
    // The row follows also when a Ctrl-click took the cell out of the map's selection.
    if (FSyncing)
        return;
    const TSyncGuard guard(FSyncing);
    QItemSelectionModel* sel = FilesList()->selectionModel();
    if (!ctrl)
        sel->clearSelection();
    const std::string path = item.FullPath();
    for (int row = 0; row < FFilesModel->rowCount(); ++row) {
        if (!SamePath(FFilesModel->File(row)->FullPath(), path))
            continue;
        const QModelIndex index = FFilesModel->index(row, 0);
        sel->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        sel->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        FilesList()->scrollTo(index);
        break;
    }
}

void TOnlyFilesPage::DoubleClicked()
{
    if (const TTreemapItem* it = FMap.Primary())
        RevealOrOpen(it->FullPath(), true);
}

void TOnlyFilesPage::SelectPaths(const std::vector<std::string>& paths)
{
    if (paths.empty())
        return;
    FFoundOutside.clear();
    // The rows are selected at once; the list's handler brings the map along.
    const std::set<std::string> wanted(paths.begin(), paths.end());
    QItemSelection rows;
    QModelIndex first;
    for (int row = 0; row < FFilesModel->rowCount(); ++row) {
        if (wanted.count(FFilesModel->File(row)->FullPath()) == 0)
            continue;
        const QModelIndex index = FFilesModel->index(row, 0);
        if (!first.isValid())
            first = index;
        rows.select(index, FFilesModel->index(row, FFilesModel->columnCount() - 1));
    }
    SelectWithCurrent(FilesList(), rows, first);
}

void TOnlyFilesPage::SelectFound(std::span<const TEntryRef> entries)
{
    // The rows of the files the list shows, and every file's cell; the others are kept
    // aside so that the commands act on them too.
    std::unordered_set<const TFileLeaf*> wanted;
    std::vector<std::string> paths;
    for (const TEntryRef e : entries)
        if (const TFileLeaf* f = e.File(); f != nullptr && wanted.insert(f).second)
            paths.push_back(f->FullPath());
    QItemSelection rows;
    QModelIndex first;
    for (int row = 0; row < FFilesModel->rowCount(); ++row) {
        if (wanted.erase(FFilesModel->File(row)) == 0)
            continue;
        const QModelIndex index = FFilesModel->index(row, 0);
        if (!first.isValid())
            first = index;
        rows.select(index, FFilesModel->index(row, FFilesModel->columnCount() - 1));
    }
    {
        const TSyncGuard guard(FSyncing);
        if (first.isValid())
            SelectWithCurrent(FilesList(), rows, first);
        else
            FilesList()->selectionModel()->clearSelection();
        ExtensionsList()->selectionModel()->clearSelection();
        FMap.SetSelectedByPaths(paths);
        Canvas()->Invalidate();
    }
    FFoundOutside.clear();
    for (const TEntryRef e : entries)
        if (wanted.count(e.File()) != 0) {
            FFoundOutside.push_back(e.File());
            wanted.erase(e.File());
        }
    Q_EMIT SelectionStatusChanged();
}

std::string TOnlyFilesPage::RowPath(const QModelIndex& index) const
{
    return index.isValid() ? FFilesModel->File(index.row())->FullPath() : std::string();
}

// ---------------------------------------------------------------- file commands, status

std::vector<TSelectedEntry> TOnlyFilesPage::SelectedEntries() const
{
    // The selected rows of the list; a file selected only in the map is not acted on.
    std::vector<TSelectedEntry> entries;
    for (const int row : SelectedRows(FilesList()))
        entries.push_back({FFilesModel->File(row)->FullPath()});
    for (const TFileLeaf* f : FFoundOutside)
        entries.push_back({f->FullPath()});
    return entries;
}

QString TOnlyFilesPage::SelectionStatus() const
{
    const std::vector<int> rows = SelectedRows(FilesList());
    if (rows.empty() && FFoundOutside.empty())
        return Tr("Ready");
    const TFileLeaf* f = rows.empty() ? FFoundOutside.front() : FFilesModel->File(rows[0]);
    return SelectionStatusText(DisplayText(f->FullPath()), SizeText(f->Size()),
                               static_cast<int>(rows.size() + FFoundOutside.size()));
}

} // namespace harrowdale::ui
