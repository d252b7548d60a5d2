#include "ui/MapZoom.h"

#include "scan/TreeLookup.h"
#include "ui/BreadcrumbBar.h"
#include "ui/ResultPage.h"
#include "ui/Services.h"

#include <QAction>
#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

namespace harrowdale::ui {

namespace {

const TDirNode* CommonAncestor(const TDirNode* a, const TDirNode* b)
{
    auto depth = [](const TDirNode* d) {
        int n = 0;
        for (; d != nullptr; d = d->Parent())
            ++n;
        return n;
    };
    int da = depth(a), db = depth(b);
    for (; da > db; --da)
        a = a->Parent();
    for (; db > da; --db)
        b = b->Parent();
    while (a != b) {
        a = a->Parent();
        b = b->Parent();
    }
    return a;
}

} // namespace

TMapZoom::TMapZoom(const TScanResults& results, THooks hooks, QWidget* parent)
    : QObject(parent), FResults(results), FHooks(std::move(hooks))
{
    FBar = new QWidget(parent);
    auto* row = new QHBoxLayout(FBar);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(0);
    FBreadcrumb = new TBreadcrumbBar(FBar);
    row->addWidget(FBreadcrumb, 1);
    FBar->hide();
    connect(FBreadcrumb, &TBreadcrumbBar::Picked, this, [this](int place) {
        if (place >= 0 && place < static_cast<int>(FPath.size()))
            ZoomTo(FPath[static_cast<std::size_t>(place)]);
    });
}

const TDirNode* TMapZoom::MapRoot() const
{
    return Zoomed() != nullptr ? Zoomed() : FResults.Root();
}

const TDirNode* TMapZoom::Normalized(const TDirNode* folder) const
{
    // The whole result is kept as "not zoomed", so that a map of it and the zoom agree.
    return folder == FResults.Root() ? nullptr : folder;
}

bool TMapZoom::CanZoomIn() const
{
    const TDirNode* target = FHooks.Target();
    return target != nullptr && target != MapRoot() && IsWithin(target, MapRoot());
}

void TMapZoom::ZoomIn()
{
    if (CanZoomIn())
        ZoomTo(FHooks.Target());
}

void TMapZoom::ZoomOut()
{
    if (Zoomed() != nullptr)
        ZoomTo(Zoomed()->Parent());
}

void TMapZoom::GoBack()
{
    if (FHistory.GoBack())
        Show();
}

void TMapZoom::GoForward()
{
    if (FHistory.GoForward())
        Show();
}

void TMapZoom::ZoomTo(const TDirNode* folder)
{
    const TDirNode* place = Normalized(folder);
    if (place == Zoomed() || FResults.Root() == nullptr)
        return;
    FHistory.GoTo(place);
    Show();
}

void TMapZoom::Reveal(std::span<const TDirNode* const> folders)
{
    if (Zoomed() == nullptr || FHeld)
        return;
    const TDirNode* shown = Zoomed();
    for (const TDirNode* f : folders)
        if (f != nullptr && !IsWithin(f, shown))
            shown = CommonAncestor(shown, f);
    ZoomTo(shown);
}

void TMapZoom::Clear()
{
    FHistory.Clear();
    ShowBar();
}

TZoomHistory::TSaved TMapZoom::Save() const
{
    return FHistory.Save();
}

void TMapZoom::Restore(const TZoomHistory::TSaved& saved)
{
    const TDirNode* root = FResults.Root();
    FHistory.Restore(saved, [&](const std::string& path) -> const TDirNode* {
        if (path.empty() || root == nullptr)
            return nullptr;
        const TDirNode* folder = FindNearestFolder(root, path);
        while (folder != root && !FHooks.ShowsSomething(folder))
            folder = folder->Parent();
        return Normalized(folder);
    });
    ShowBar();
    if (Zoomed() != nullptr)
        Q_EMIT Moved();
}

void TMapZoom::Show()
{
    ShowBar();
    Q_EMIT Moved();
}

void TMapZoom::ShowBar()
{
    FPath.clear();
    const TDirNode* root = FResults.Root();
    for (const TDirNode* d = Zoomed(); d != nullptr; d = d == root ? nullptr : d->Parent())
        FPath.push_back(d);
    std::reverse(FPath.begin(), FPath.end());
    QStringList names;
    for (const TDirNode* d : FPath) {
        if (d != root)
            names << DisplayText(std::string(d->Name()));
        else
            names << (d->IsSyntheticRoot() ? Tr("All Drives") : DisplayText(d->FullPath()));
    }
    FBreadcrumb->SetPlaces(names);
    FBar->setVisible(!FPath.empty());
}

void TMapZoom::UseActions(const TZoomActions& actions)
{
    auto* row = static_cast<QHBoxLayout*>(FBar->layout());
    const std::pair<QAction*, QStyle::StandardPixmap> buttons[] = {
        {actions.Back, QStyle::SP_ArrowBack},
        {actions.Forward, QStyle::SP_ArrowForward},
        {actions.ZoomOut, QStyle::SP_ArrowUp},
    };
    int at = 0;
    for (const auto& [action, icon] : buttons) {
        if (action->icon().isNull())
            action->setIcon(FBar->style()->standardIcon(icon));
        auto* b = new QToolButton(FBar);
        b->setDefaultAction(action);
        b->setAutoRaise(true);
        // The keys reach these commands; Tab goes from the map to the lists below it.
        b->setFocusPolicy(Qt::NoFocus);
        row->insertWidget(at++, b);
    }
}

void TMapZoom::ApplyTranslation()
{
    FBreadcrumb->setAccessibleName(Tr("Folder shown in the map"));
    ShowBar();
}

void TMapZoom::ShowStates(const TZoomActions& actions, const TMapZoom* zoom)
{
    actions.ZoomIn->setEnabled(zoom != nullptr && zoom->CanZoomIn());
    actions.ZoomOut->setEnabled(zoom != nullptr && zoom->CanZoomOut());
    actions.Back->setEnabled(zoom != nullptr && zoom->CanGoBack());
    actions.Forward->setEnabled(zoom != nullptr && zoom->CanGoForward());
}

} // namespace harrowdale::ui
