#pragma once

// "Files in Folders": the whole tree as a nested treemap, a lazily loaded tree of folders
// and files, and the tree's extension totals.

#include "treemap/HierTreemapLayout.h"
#include "ui/ResultPage.h"

namespace harrowdale::ui {

class TFilesTreeModel;
class TExtListModel;

class TFilesInFoldersPage final : public TMapPage<THierTreemapLayout>
{
    Q_OBJECT
public:
    TFilesInFoldersPage(const TScanResults& results, IShell& shell, QWidget* parent);

    QTreeView* FoldersAndFilesTree() const { return MainView(); }
    QTreeView* ExtensionsList() const { return SideList(); }
    TFilesTreeModel* FoldersAndFilesModel() const { return FTreeModel; }
    TExtListModel* ExtensionsModel() const { return FExtModel; }

    void Fill(TResultStage stage, TStageRun& run) override;
    void Clear() override;
    std::vector<TSelectedEntry> SelectedEntries() const override;
    QString SelectionStatus() const override;
    void SelectPaths(const std::vector<std::string>& paths) override;
    void ApplyTranslation() override;
    TFindKinds FindKinds() const override { return {true, true}; }
    void SelectFound(std::span<const TEntryRef> entries) override;

protected:
    void PaintLayout(ITreemapCanvas& canvas) const override;
    void ComparisonShown() override;
    bool HasLayout() const override { return FResults.Root() != nullptr; }
    std::string RowPath(const QModelIndex& index) const override;
    void ExpandPath(const std::string& path) override;
    void BuildLayout(const TRect& rect) override;
    void ClickAt(TPoint p, bool ctrl) override;
    void DoubleClicked() override;
    void ShowViewSelectionInMap() override;
    const THierItem* CurrentCell() const override { return FMap.Primary(); }
    void PickCell(const THierItem& cell) override;

private:
    /// The folder of the map's primary cell: the folder itself, or a file's folder.
    const TDirNode* ZoomTarget() const;
    /// The folders and files the tree has selected (else its current node).
    std::vector<TEntryRef> TreeEntries() const;
    void TreeSelectionChanged();
    void ExtensionsSelected();
    /// The tree and the status line follow a cell the map selected.
    void CellSelected(const THierItem& item);
    void RevealInTree(const THierItem& item);
    void RevealFileInTree(const TFileLeaf* leaf);
    void RevealFolderInTree(const TDirNode* folder);
    /// Opens the folders from the root down to `folder`; false when it is not below it.
    bool ExpandDownTo(const TDirNode* folder);
    void MakeCurrent(const QModelIndex& index);

    TFilesTreeModel* FTreeModel = nullptr;
    TExtListModel* FExtModel = nullptr;
    bool FMapShowsExtensions = false; ///< the map's selection came from the extension list
};

} // namespace harrowdale::ui
