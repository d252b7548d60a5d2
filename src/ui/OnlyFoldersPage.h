#pragma once

// "Only Folders": the folders as a nested treemap coloured by top-level folder, the tree
// of folders and the legend of the top-level folders. One folder is the chosen one: the
// tree's current node, framed in the map.

#include "treemap/FolderTreemapLayout.h"
#include "ui/ResultPage.h"

#include <optional>

namespace harrowdale::ui {

class TFolderTreeModel;
class TTopFoldersModel;

class TOnlyFoldersPage final : public TMapPage<TFolderTreemapLayout>
{
    Q_OBJECT
public:
    TOnlyFoldersPage(const TScanResults& results, IShell& shell, QWidget* parent);

    QTreeView* FoldersTree() const { return MainView(); }
    QTreeView* TopFoldersList() const { return SideList(); }
    TFolderTreeModel* FoldersModel() const { return FTreeModel; }
    TTopFoldersModel* TopFoldersModel() const { return FTopModel; }
    const TDirNode* ChosenFolder() const { return FChosen; }

    void Fill(TResultStage stage, TStageRun& run) override;
    void Clear() override;
    std::vector<TSelectedEntry> SelectedEntries() const override;
    TFindKinds FindKinds() const override { return {false, true, true}; }
    void SelectFound(std::span<const TEntryRef> entries) override;
    QString SelectionStatus() const override;
    void SelectPaths(const std::vector<std::string>& paths) override;
    void ApplyTranslation() override;

protected:
    void PaintLayout(ITreemapCanvas& canvas) const override;
    void ComparisonShown() override;
    bool HasLayout() const override { return FResults.Root() != nullptr; }
    std::string RowPath(const QModelIndex& index) const override;
    void ExpandPath(const std::string& path) override;
    void BuildLayout(const TRect& rect) override;
    void ClickAt(TPoint p, bool ctrl) override;
    void DoubleClicked() override;
    const TFolderMapItem* CurrentCell() const override { return FMap.ItemOf(FChosen); }
    void ShowViewSelectionInMap() override { FMap.SetSelectedNode(FChosen); }
    void PickCell(const TFolderMapItem& cell) override { ChooseFolder(cell.Node); }

private:
    void FillTree(TStageRun& run);
    /// The colour of the top-level folder a zoomed map lies in; none when not zoomed.
    std::optional<TColor> ZoomColor() const;
    void TreeCurrentChanged(const QModelIndex& current);
    void ChooseFolder(const TDirNode* folder);

    const TDirNode* FChosen = nullptr;
    TFolderTreeModel* FTreeModel = nullptr;
    TTopFoldersModel* FTopModel = nullptr;
};

} // namespace harrowdale::ui
