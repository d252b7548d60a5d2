#pragma once

// Models of the window's trees (the lists beside them are in LegendModels.h). They present
// the scan tree directly (every folder a node without a widget item per folder), so a scan
// of a million files and a hundred thousand folders stays light. Rows refer into the tree without
// owning it; the window clears every model before it frees a tree.

#include "scan/ScanTree.h"
#include "ui/LegendModels.h"
#include "ui/ListModels.h"
#include "ui/SortableTree.h"
#include "views/Duplicates.h"

#include <QAbstractItemModel>
#include <QStringList>
#include <memory>
#include <unordered_map>
#include <vector>

namespace harrowdale::ui {

/// "Only Folders": every folder below the root, by total size unless sorted by a column;
/// the root has no node.
class TFolderTreeModel : public TSortableTreeModel
{
    Q_OBJECT
public:
    using TSortableTreeModel::TSortableTreeModel;
    /// Shows the folders below `root` (their children already sorted); null clears.
    void SetRoot(const TDirNode* root);
    const TDirNode* Root() const { return FRoot; }
    const TDirNode* Folder(const QModelIndex& index) const;
    /// The index of a folder below the root; invalid for the root or null.
    QModelIndex IndexOf(const TDirNode* folder) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    QModelIndex IndexAfterReorder(quintptr id, int column) const override;

private:
    const TDirNode* FRoot = nullptr;
};

/// "Files in Folders": the root as the only top-level node; a folder's children, loaded
/// the first time it is expanded, are its subfolders by total size and then its files by
/// size, unless sorted by a column (subfolders still first). Loading happens inside the
/// expansion request, so code that expands a node finds its children at once.
class TFilesTreeModel : public TSortableTreeModel
{
    Q_OBJECT
public:
    using TSortableTreeModel::TSortableTreeModel;
    void SetRoot(const TDirNode* root);
    const TDirNode* Folder(const QModelIndex& index) const; ///< null for a file
    const TFileLeaf* File(const QModelIndex& index) const;  ///< null for a folder
    /// Index of a folder or file; loads the folders on the way so the index exists.
    QModelIndex IndexOfFolder(const TDirNode* folder);
    QModelIndex IndexOfFile(const TFileLeaf* file);
    bool IsLoaded(const TDirNode* folder) const { return FLoaded.count(folder) != 0; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    void Reordered() override;
    QModelIndex IndexAfterReorder(quintptr id, int column) const override;

private:
    QModelIndex IndexOfEntry(const TDirNode* parentFolder, int row, quintptr tagged) const;
    int RowOfFolder(const TDirNode* folder) const;
    /// A loaded folder's files in the order shown.
    void OrderFiles(std::vector<const TFileLeaf*>& files) const;

    const TDirNode* FRoot = nullptr;
    /// Loaded folders and their files in the order shown.
    std::unordered_map<const TDirNode*, std::vector<const TFileLeaf*>> FLoaded;
};

/// "Duplicates": one node per group ("name  (count)") with at most 500 of its files
/// below it and, for bigger groups, one "... %d more files not shown" node.
class TDupTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;
    /// Shows `groups` (not owned; they must outlive the model's content). The "more
    /// files" text is translated now, like every node text filled at that moment.
    void SetGroups(const std::vector<std::unique_ptr<TDupGroup>>* groups);
    const TDupGroup* Group(const QModelIndex& index) const; ///< the group of any node
    const TFileLeaf* File(const QModelIndex& index) const;  ///< file nodes only
    bool IsMoreNode(const QModelIndex& index) const;
    bool IsGroupNode(const QModelIndex& index) const;
    QModelIndex IndexOfGroup(int group) const;
    /// The node of a file (null when its group lists it past the first 500 files).
    QModelIndex IndexOfFile(const TFileLeaf* file, const TDupGroup* group) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const std::vector<std::unique_ptr<TDupGroup>>* FGroups = nullptr;
    QString FMoreTemplate;
};

} // namespace harrowdale::ui
