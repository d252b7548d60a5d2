#pragma once

// Zoom on a nested map: a folder of the result fills the map, Zoom Out and the breadcrumb
// go up, Back and Forward walk the places seen. One per page with a nested map; the page
// lays its map out from MapRoot() whenever Moved says so, and the lists and trees beside
// the map keep showing the whole result.
//
// Thread: UI thread only. Refers into the page's results: Clear before they are freed.

#include "scan/ScanTree.h"
#include "treemap/ZoomHistory.h"

#include <QObject>
#include <functional>
#include <span>
#include <vector>

class QAction;
class QWidget;

namespace harrowdale {
struct TScanResults;
}

namespace harrowdale::ui {

class TBreadcrumbBar;

/// The window's four zoom commands.
struct TZoomActions
{
    QAction* ZoomIn = nullptr;
    QAction* ZoomOut = nullptr;
    QAction* Back = nullptr;
    QAction* Forward = nullptr;
};

class TMapZoom : public QObject
{
    Q_OBJECT
public:
    /// What the zoom asks of its page.
    struct THooks
    {
        /// The folder Zoom Into Folder makes fill the map: the folder of what the map has
        /// selected, when the map shows anything with it filling it; null for none.
        std::function<const TDirNode*()> Target;
        /// Whether the map shows anything with `folder` filling it.
        std::function<bool(const TDirNode*)> ShowsSomething;
    };
    /// `parent` is the page; the bar above the map is its child.
    TMapZoom(const TScanResults& results, THooks hooks, QWidget* parent);

    /// The row above the map: Back, Forward, Zoom Out and the breadcrumb; shown while the
    /// map is zoomed.
    QWidget* Bar() const { return FBar; }
    TBreadcrumbBar* Breadcrumb() const { return FBreadcrumb; }
    /// The folder that fills the map: the one zoomed into, else the result's root.
    const TDirNode* MapRoot() const;
    /// The folder zoomed into; null when the map shows the whole result.
    const TDirNode* Zoomed() const { return FHistory.Current(); }

    bool CanZoomIn() const;
    bool CanZoomOut() const { return Zoomed() != nullptr; }
    bool CanGoBack() const { return FHistory.CanGoBack(); }
    bool CanGoForward() const { return FHistory.CanGoForward(); }
    void ZoomIn();
    /// One folder up.
    void ZoomOut();
    void GoBack();
    void GoForward();
    /// Makes `folder` fill the map (the result's root: the whole result).
    void ZoomTo(const TDirNode* folder);
    /// Zooms out as far as needed for the map to show each of `folders`, filling it or
    /// as a cell in it; nothing when it does already, or while held.
    void Reveal(std::span<const TDirNode* const> folders);
    /// While held, Reveal does nothing: a selection put back after a rebuild is not one the
    /// user made, and the map keeps its place.
    void Hold(bool held) { FHeld = held; }

    /// The result is gone: the whole result, no places before or after. Not Moved.
    void Clear();
    TZoomHistory::TSaved Save() const;
    /// After the result was rebuilt from a changed tree: each place is found again, a
    /// folder that left the result (or that the map no longer shows anything of) gives way
    /// to its nearest parent that is left. Moved when the map is zoomed.
    void Restore(const TZoomHistory::TSaved& saved);

    /// Back, Forward and Zoom Out as buttons on the bar.
    void UseActions(const TZoomActions& actions);
    void ApplyTranslation();
    /// The commands follow the zoom of the page shown; null (another page, or busy): off.
    static void ShowStates(const TZoomActions& actions, const TMapZoom* zoom);

Q_SIGNALS:
    /// The map shows another place: lay it out again.
    void Moved();

private:
    void Show();
    void ShowBar();
    const TDirNode* Normalized(const TDirNode* folder) const;

    const TScanResults& FResults;
    THooks FHooks;
    TZoomHistory FHistory;
    QWidget* FBar = nullptr;
    TBreadcrumbBar* FBreadcrumb = nullptr;
    std::vector<const TDirNode*> FPath; ///< the breadcrumb's folders, root first
    bool FHeld = false;
};

} // namespace harrowdale::ui
