#pragma once

// "Only Files": every file as a flat treemap, the 5000 largest in a list and the extension
// totals with their share beside it.

#include "treemap/TreemapLayout.h"
#include "ui/ResultPage.h"

#include <set>
#include <string>
#include <vector>

namespace harrowdale::ui {

class TLargestFilesModel;
class TExtListModel;

class TOnlyFilesPage final : public TMapPage<TTreemapLayout>
{
    Q_OBJECT
public:
    TOnlyFilesPage(const TScanResults& results, IShell& shell, QWidget* parent);

    QTreeView* FilesList() const { return MainView(); }
    QTreeView* ExtensionsList() const { return SideList(); }
    TLargestFilesModel* FilesModel() const { return FFilesModel; }
    TExtListModel* ExtensionsModel() const { return FExtModel; }

    void Fill(TResultStage stage, TStageRun& run) override;
    void Clear() override;
    std::vector<TSelectedEntry> SelectedEntries() const override;
    QString SelectionStatus() const override;
    void SelectPaths(const std::vector<std::string>& paths) override;
    void ApplyTranslation() override;
    TFindKinds FindKinds() const override { return {true, false}; }
    void SelectFound(std::span<const TEntryRef> entries) override;

protected:
    void ComparisonShown() override;
    bool HasLayout() const override;
    std::string RowPath(const QModelIndex& index) const override;
    void BuildLayout(const TRect& rect) override;
    void ClickAt(TPoint p, bool ctrl) override;
    const TTreemapItem* CurrentCell() const override { return FMap.Primary(); }
    void PickCell(const TTreemapItem& cell) override;
    void DoubleClicked() override;

private:
    void FillFilesList(TStageRun& run);
    /// Says above the list how many of how many files it shows, when not all of them.
    void ShowCap();
    void FilesSelected(bool selected);
    void ExtensionsSelected();
    /// The list's rows and the map's cells of the files of `keys`; none when empty.
    void SelectFilesOfExtensions(const std::set<std::string>& keys);
    void SelectFileRow(const TTreemapItem& item, bool ctrl);

    /// Files Find selected that the list does not show: selected in the map only, and
    /// acted on with the rows until another selection is made.
    std::vector<const TFileLeaf*> FFoundOutside;
    TLargestFilesModel* FFilesModel = nullptr;
    TExtListModel* FExtModel = nullptr;
};

} // namespace harrowdale::ui
