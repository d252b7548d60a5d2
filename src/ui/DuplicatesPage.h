#pragma once

// "Duplicates": files with the same name and size grouped; a treemap of the folders that
// hold duplicates coloured by group, the groups with their files in a tree, and the groups
// in a list.

#include "treemap/DupTreemapLayout.h"
#include "ui/ResultPage.h"

namespace harrowdale::ui {

class TDupTreeModel;
class TDupGroupsModel;

class TDuplicatesPage final : public TMapPage<TDupTreemapLayout>
{
    Q_OBJECT
public:
    TDuplicatesPage(const TScanResults& results, IShell& shell, QWidget* parent);

    QTreeView* DuplicatesTree() const { return MainView(); }
    QTreeView* GroupsList() const { return SideList(); }
    TDupTreeModel* DuplicatesModel() const { return FTreeModel; }
    TDupGroupsModel* GroupsModel() const { return FGroupsModel; }

    void Fill(TResultStage stage, TStageRun& run) override;
    void Clear() override;
    std::vector<TSelectedEntry> SelectedEntries() const override;
    QString SelectionStatus() const override;
    bool ShowsDuplicates() const override { return true; }
    void SelectPaths(const std::vector<std::string>& paths) override;
    void ApplyTranslation() override;
    /// Offers "Select All But One" in the page's context menus and carries it out; the
    /// action is enabled while the page is shown with groups.
    void AddSelectAllButOne(QAction* action);
    /// In every group the tree's selection lies in, selects each listed file but the
    /// oldest.
    void SelectAllButOne();

protected:
    bool HasLayout() const override;
    std::string RowPath(const QModelIndex& index) const override;
    void ExpandPath(const std::string& path) override;
    void BuildLayout(const TRect& rect) override;
    void PaintLayout(ITreemapCanvas& canvas) const override;
    void ClickAt(TPoint p, bool ctrl) override;
    void DoubleClicked() override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void ShowViewSelectionInMap() override;
    const TDupItem* CurrentCell() const override { return FMap.Primary(); }
    void PickCell(const TDupItem& cell) override;

private:
    /// Says how many groups the cap left out, if any.
    void ShowCap();
    /// The tree and the status line follow a cell the map selected.
    void CellSelected(const TDupItem& item);
    /// The folder of the map's primary cell: the folder itself, or a file's folder.
    const TDirNode* ZoomTarget() const;
    bool HoldsDuplicates(const TDirNode* folder) const;
    /// A zoomed map zooms out as far as it must to show `files`.
    void RevealFiles(const std::vector<const TFileLeaf*>& files);
    void TreeSelectionChanged();
    void GroupsPicked();
    void UpdateSelectAllButOne();
    // By file, not by path: the map selects files by entry, and a path is made only for
    // what a command acts on.
    std::vector<const TFileLeaf*> TreeFiles() const;
    void SelectFilesInMap(const std::vector<const TFileLeaf*>& files);
    std::vector<const TDupGroup*> TreeGroups() const;
    /// The row of a group in the list and among the tree's top nodes; -1 when not shown.
    int GroupRow(const TDupGroup* group) const;

    TDupTreeModel* FTreeModel = nullptr;
    TDupGroupsModel* FGroupsModel = nullptr;
    QAction* FSelectAllButOne = nullptr;
};

} // namespace harrowdale::ui
