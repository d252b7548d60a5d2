#pragma once

// One page of results: a treemap canvas above a main list or tree and a side list. A page
// owns its canvas, its layout, the hover, its item models and the selection flows between
// them; the window only switches pages, routes the status line and hands the file commands
// the active page's selection.
//
// Thread: UI thread only. A page refers into the pipeline's results without owning them;
// Clear empties it before they are freed.

#include "treemap/Canvas.h"
#include "treemap/CellNeighbour.h"
#include "treemap/Colors.h"
#include "treemap/EntryRef.h"
#include "treemap/MapLook.h"
#include "treemap/ZoomHistory.h"
#include "ui/MapZoom.h"
#include "ui/TreemapCanvas.h"
#include "views/ResultPipeline.h"

#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QSettings;
class QSplitter;
class QTreeView;

namespace harrowdale {
class TScanComparison;
}

namespace harrowdale::ui {

class IShell;

/// The window's height at first start; at this height the lists below the maps have their
/// design heights.
constexpr int kWindowDesignHeight = 720;

/// The pages, in tab order.
enum class TPageIndex
{
    FilesInFolders,
    OnlyFiles,
    OnlyFolders,
    Duplicates,
};

/// One path the file commands act on, with its folder in the scan tree when it is one
/// (null for a file).
struct TSelectedEntry
{
    std::string Path;
    const TDirNode* Folder = nullptr;
};

/// Which entries Find lists for a page.
struct TFindKinds
{
    bool Files = false;
    bool Folders = false;
    bool OneAtATime = false; ///< the page selects one entry at a time
};

/// Where the user is on a page, by paths, so that it outlives a rebuild of the result.
struct TPagePlace
{
    std::vector<std::string> Selected; ///< as SelectedPaths gave them
    /// Where the selection goes when none of it is left: the rows below the first selected
    /// one, nearest first, then its parents.
    std::vector<std::string> Next;
    std::vector<std::string> Expanded; ///< the main view's open nodes
    int MainScroll = 0;
    int SideScroll = 0;
    TZoomHistory::TSaved Zoom; ///< where the map was zoomed, and the places before and after
};

/// How wide the side list is made when its panel changes width.
enum class TSideWidth
{
    RestOfHalfWindow, ///< the main view gets about half the window, the side list the rest
    HalfPanel,        ///< the two share the panel
};

class TResultPage : public QWidget, public IResultView, protected ICanvasContent
{
    Q_OBJECT
public:
    struct TParts
    {
        const TScanResults& Results;
        IShell& Shell;
        TSideWidth SideWidth;
        int LowerHeight; ///< design height of the lists below the canvas
        /// Whether the side list holds what the commands act on. An extension list only
        /// frames files in the map: a right-click or a key there would act on what the
        /// main view has selected, not on what was clicked, so it offers no commands.
        bool SideListActs = true;
    };
    TResultPage(const TParts& parts, QWidget* parent);
    ~TResultPage() override;

    TTreemapCanvas* Canvas() const { return FCanvas; }
    /// The scan results the page shows.
    const TScanResults& Results() const { return FResults; }
    QTreeView* MainView() const { return FMainView; }
    QTreeView* SideList() const { return FSideList; }
    /// The line above the main list that says what it leaves out; hidden while empty.
    QLabel* MainCaption() const { return FMainCaption; }
    /// The column widths of the lists, kept between runs in `store`'s current group.
    void SaveColumns(QSettings& store) const;
    void RestoreColumns(QSettings& store);
    /// The map, then the main list or tree, then the side list.
    QList<QWidget*> TabOrder() const;

    /// What the file commands act on, in the order this page's rules visit its selection;
    /// may hold repeats.
    virtual std::vector<TSelectedEntry> SelectedEntries() const = 0;
    /// The paths of SelectedEntries, in their order.
    std::vector<std::string> SelectedPaths() const;
    /// The status line naming what is selected here.
    virtual QString SelectionStatus() const = 0;
    /// Whether the page shows files as copies of each other (the removal question then
    /// says how they were found).
    virtual bool ShowsDuplicates() const { return false; }
    /// Selects what is left of `paths` (as SelectedPaths gave them) after the page was
    /// filled again from a changed tree; paths the result no longer holds are skipped, and
    /// an empty list leaves the page as its fill left it.
    virtual void SelectPaths(const std::vector<std::string>& paths) = 0;
    /// The selection, the open nodes and the scroll positions, taken before the result is
    /// rebuilt from a changed tree.
    TPagePlace Place() const;
    /// Puts them back after the rebuild. When nothing of the selection is left, the next
    /// row still there (or a parent) is selected instead, never the scanned folder itself:
    /// a second command must not find it selected because its rows went away.
    void RestorePlace(const TPagePlace& place);
    /// Sets every text of the page again in the current language.
    virtual void ApplyTranslation();
    /// What Find lists for this page: what the page can select of a match. Neither: Find
    /// does not act on the page.
    virtual TFindKinds FindKinds() const { return {}; }
    /// Selects `entries` (matches of the kinds FindKinds names), and nothing else, in the
    /// map and the views beside it: the file commands then act on exactly them.
    virtual void SelectFound(std::span<const TEntryRef> entries) { (void)entries; }
    /// Shows the change since an older scan (null: the plain result again). The
    /// comparison refers into the results: it is taken back before they change.
    void ShowComparison(const TScanComparison* comparison);
    const TScanComparison* Comparison() const { return FComparison; }
    /// While comparing, the map is coloured by change (grown, shrunk, new, unchanged)
    /// instead of by extension; on pages whose map shows files or folders as they are.
    void ColourByChange(bool on);
    /// Offers `actions` (the commands on the selection) in the context menu of the map and
    /// of the lists and trees that hold a selection they act on, and lets their keys work
    /// while one of these has the focus.
    void AddCommandActions(const QList<QAction*>& actions);
    /// The zoom of the page's map; null when the map cannot be zoomed.
    TMapZoom* Zoom() const { return FZoom; }
    /// Offers the zoom commands in the map's context menu and on the bar above it; their
    /// keys work while the map has the focus, Back's and Forward's anywhere on the page.
    /// Nothing for a page without zoom.
    void AddZoomActions(const TZoomActions& actions);

    /// How the map is drawn beyond its flat cells (names, cushions); redrawn when it changes.
    void SetMapLook(const TMapLook& look);
    const TMapLook& MapLook() const { return FMapLook; }

    /// Whether the layout still waits for its build (a resize not yet caught up with).
    bool LayoutPending() const { return FLayoutStale; }
    /// How many times the layout was built so far.
    int LayoutBuilds() const { return FLayoutBuilds; }

Q_SIGNALS:
    /// A click put this text in the status line.
    void StatusText(const QString& text);
    /// The selection changed: the window rewrites the status line for the active page.
    void SelectionStatusChanged();

protected:
    /// The comparison shown changed: the views that show it follow.
    virtual void ComparisonShown() {}
    /// Whether the map is painted by change now.
    bool PaintsChange() const { return FComparison != nullptr && FColourByChange; }
    /// The map's files in the colours of their change while it is painted by change;
    /// empty otherwise (the map's own colours).
    std::function<TColor(const TFileLeaf&)> FileChangeColors() const;
    /// The path a row of the main view stands for ("" for none).
    virtual std::string RowPath(const QModelIndex& index) const = 0;
    /// Opens the main view's node of `path`, as Place recorded it.
    virtual void ExpandPath(const std::string& path) { (void)path; }

    // The layout and the canvas, implemented by each page.
    virtual void BuildLayout(const TRect& rect) = 0;
    /// Lays the map out for `rect`, from MapRoot(): BuildLayout, unless a layout kept of
    /// that place at that size can be shown again.
    virtual void PlaceMap(const TRect& rect) { BuildLayout(rect); }
    virtual void ClearLayout() = 0;
    virtual void HoverAt(TPoint p) = 0;
    virtual void ClickAt(TPoint p, bool ctrl) = 0;
    virtual void DoubleClicked() = 0;
    /// An arrow key on the map: the cell beside the current one is selected.
    virtual void MoveInMap(TMapDirection direction) = 0;

    /// New results: the layout is built now when the canvas is visible, otherwise when it
    /// is shown.
    void RebuildLayout();
    /// Lets the map be zoomed into the folders `hooks` names; the map is then laid out
    /// from MapRoot().
    void EnableZoom(TMapZoom::THooks hooks);
    /// The folder the map is laid out from: the one zoomed into, else the result's root.
    const TDirNode* MapRoot() const;
    /// After the map was laid out for another place: selects in it what the views beside
    /// it have selected (a new layout starts without a selection).
    virtual void ShowViewSelectionInMap() {}
    /// Empties the layout and forgets the hover; the canvas shows the placeholder.
    void ResetLayout();

    /// Shows the hint of the item under the mouse once per item.
    template <class Item> void Hover(const Item* item);
    void RevealOrOpen(const std::string& path, bool reveal);
    /// Column widths in pixels at 96 dpi, scaled to the screen; 0 hides a column.
    void SetColumns(QTreeView* view, const std::vector<int>& widths);

    /// True while this page changes a view's selection on behalf of another view: the
    /// handlers that would push the change back return at once.
    bool FSyncing = false;
    class TSyncGuard
    {
    public:
        explicit TSyncGuard(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
        ~TSyncGuard() { FFlag = FOld; }
        TSyncGuard(const TSyncGuard&) = delete;
        TSyncGuard& operator=(const TSyncGuard&) = delete;

    private:
        bool& FFlag;
        bool FOld;
    };

    const TScanResults& FResults;
    IShell& FShell;

    void SetMainCaption(const QString& text);
    /// Says above the main list that it shows `shown` of `total` ("Largest %s of %s
    /// files", singular and plural by `total`), or nothing when it shows them all.
    void SetCapCaption(std::string_view singular, std::string_view plural, std::int64_t shown,
                       std::int64_t total);

    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const TScanComparison* FComparison = nullptr; ///< not owned; see ShowComparison
    bool FColourByChange = false;
    void KeepMapShare();
    void PrepareLayout() override;
    void ScheduleLayout();
    void ApplyListWidths();
    void ShowHint(const void* item, const std::string& path, std::int64_t size);
    void ZoomMoved();

    TTreemapCanvas* FCanvas = nullptr;
    QSplitter* FSplit = nullptr; ///< the map above, the lists below
    int FLowerHeight = 0;        ///< the lists' height where the window leaves room for it
    QSplitter* FLower = nullptr;
    QLabel* FMainCaption = nullptr;
    QTreeView* FMainView = nullptr;
    QTreeView* FSideList = nullptr;
    TSideWidth FSideWidth;
    bool FSideListActs;
    int FAppliedWidth = -1;       ///< panel width the side list's width was set for
    const void* FHover = nullptr; ///< the item under the mouse; only compared, never read
    bool FLayoutStale = false;
    int FLayoutBuilds = 0;
    QTimer FLayoutTimer; ///< zero-time, single shot: one build per burst of resizes
    TMapZoom* FZoom = nullptr;
    bool FShowViewSelection = false; ///< the next build is for a zoom: the selection follows
    TMapLook FMapLook;
};

namespace detail {
inline std::string HintPath(const TDirNode& d)
{
    return d.FullPath();
}
inline std::int64_t HintSize(const TDirNode& d)
{
    return d.TotalSize();
}
template <class Item> std::string HintPath(const Item& it)
{
    return it.FullPath();
}
template <class Item> std::int64_t HintSize(const Item& it)
{
    return it.Size();
}
} // namespace detail

template <class Item> void TResultPage::Hover(const Item* item)
{
    if (static_cast<const void*>(item) == FHover)
        return;
    if (item == nullptr)
        ShowHint(nullptr, {}, 0);
    else
        ShowHint(item, detail::HintPath(*item), detail::HintSize(*item));
}

/// A page over one treemap layout: paints, clears and hit-tests it the same way for every
/// page, and selects in it as clicks and the views beside it ask.
template <class Layout> class TMapPage : public TResultPage
{
public:
    using TResultPage::TResultPage;
    const Layout& Map() const { return FMap; }

protected:
    using Item = std::remove_cv_t<
        std::remove_pointer_t<decltype(std::declval<const Layout&>().HitTest(TPoint{}))>>;

    /// What the map places: a folder or file with its rectangle.
    using Cell = std::remove_cvref_t<decltype(std::declval<const Layout&>().Items()[0])>;

    void PaintLayout(ITreemapCanvas& canvas) const override { FMap.Paint(canvas, MapLook()); }
    void ClearLayout() override
    {
        FMap.Clear();
        FParked.Clear();
        FShownPlace = FParkedPlace = {};
    }
    void PlaceMap(const TRect& rect) override
    {
        // A zoom builds the map from another folder; going back to the place just left,
        // or to the whole result, shows the layout kept of it instead, when it was made
        // for this size. The whole result's is the slowest to build, so it is kept as long
        // as the map is zoomed. The caller selects in it again what the views beside it
        // have selected.
        const TMapPlace wanted{MapRoot(), rect, true};
        if (FParkedPlace == wanted) {
            std::swap(FMap, FParked);
            std::swap(FShownPlace, FParkedPlace);
            return;
        }
        const TDirNode* whole = FResults.Root();
        if (FShownPlace.Valid && FShownPlace.Root != wanted.Root &&
            (FShownPlace.Root == whole || FParkedPlace.Root != whole)) {
            std::swap(FMap, FParked);
            FParkedPlace = FShownPlace;
        }
        BuildLayout(rect);
        FShownPlace = wanted;
    }
    void HoverAt(TPoint p) override { Hover(FMap.HitTest(p)); }

    /// The cell the arrow keys move from and the focus frame marks; null for none.
    virtual const Cell* CurrentCell() const = 0;
    /// Makes `cell` what the map selects, and the views beside it follow, as after a click
    /// on it.
    virtual void PickCell(const Cell& cell) = 0;
    TRect FocusRect() const override
    {
        const Cell* cell = CurrentCell();
        return cell != nullptr ? cell->Rect : TRect{};
    }
    void MoveInMap(TMapDirection direction) override
    {
        // Without a current cell any arrow starts at the first one the map shows.
        const std::span<const Cell> cells = FMap.Items();
        const Cell* from = CurrentCell();
        const Cell* to = nullptr;
        if (from != nullptr)
            to = NeighbourCell(cells, *from, direction);
        else
            for (auto it = cells.begin(); it != cells.end() && to == nullptr; ++it)
                if (!it->Rect.IsEmpty())
                    to = &*it;
        if (to != nullptr)
            PickCell(*to);
    }

    /// A click on the map: selects the item alone, or with Ctrl flips it. The item hit,
    /// or null (then nothing changed).
    const Item* SelectAt(TPoint p, bool ctrl)
    {
        const Item* it = FMap.HitTest(p);
        if (it == nullptr)
            return nullptr;
        if (ctrl)
            FMap.ToggleSelected(it);
        else
            FMap.SetSingleSelected(it);
        Canvas()->Invalidate();
        return it;
    }
    /// Selects `paths` (the primary: the first that has an item), or nothing when empty.
    void SelectPathsInMap(const std::vector<std::string>& paths)
    {
        if (paths.empty())
            FMap.ClearSelection();
        else
            FMap.SetSelectedByUpperPaths(paths);
        Canvas()->Invalidate();
    }
    /// Selects `cell` alone, as a click on it without Ctrl does.
    void SelectCell(const Cell& cell)
    {
        FMap.SetSingleSelected(&cell);
        Canvas()->Invalidate();
    }
    void ClearMapSelection()
    {
        FMap.ClearSelection();
        Canvas()->Invalidate();
    }

    Layout FMap;

private:
    /// The folder a layout was built from, and for what size.
    struct TMapPlace
    {
        const TDirNode* Root = nullptr;
        TRect Rect;
        bool Valid = false;
        friend bool operator==(const TMapPlace&, const TMapPlace&) = default;
    };
    Layout FParked; ///< the layout of a place not shown, kept to go back to at once
    TMapPlace FShownPlace, FParkedPlace;
};

/// "path  size", as a click and a selection put it in the status line.
QString PathAndSize(const std::string& path, std::int64_t size);
/// The status of a selection: "Ready" without a path, "path  size", or with a count of two
/// or more "path  size  (n selected)".
QString SelectionStatusText(const QString& path, const QString& sizeText, int count);
QString SizeText(std::int64_t bytes);
/// What a canvas says when the result has no map to draw.
QString NoMapText();
QString Tr(const char* english);

/// A list: report rows, whole-row and (when `multi`) extended selection, read-only.
void SetUpList(QTreeView* view, bool multi);
/// A tree: no header, read-only, single or extended selection.
void SetUpTree(QTreeView* view, bool multi);

} // namespace harrowdale::ui
