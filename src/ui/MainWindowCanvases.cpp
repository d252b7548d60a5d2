// The four treemap canvases: rebuilds, invalidation, hover hints, clicks, double-clicks.

#include "ui/ListModels.h"
#include "ui/MainWindow.h"
#include "ui/Services.h"
#include "ui/TreemapCanvas.h"
#include "ui/text/DisplayFormat.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTreeView>

namespace harrowdale::ui {

namespace {

TRect ClientRect(const QWidget* w)
{
    return {0, 0, w->width(), w->height()};
}

// A canvas on a hidden page has no real size yet (pages are laid out when shown), so its
// layout is built when the page is shown instead of for a size nobody sees.
bool HasSize(TTreemapCanvas* w)
{
    if (!w->isVisible()) {
        w->MarkStale();
        return false;
    }
    return w->width() > 0 && w->height() > 0;
}

QString HintText(const std::string& path, std::int64_t size)
{
    // Not translated; the size text comes from its translated template.
    return DisplayText(path) + QLatin1Char('\n') + QString::fromStdString(FormatSize(size));
}

QString StatusText(const std::string& path, std::int64_t size)
{
    return DisplayText(path) + QStringLiteral("  ") + QString::fromStdString(FormatSize(size));
}

} // namespace

void TfrmMain::SetUpCanvases()
{
    auto closing = [this] { return FAppClosing; };
    PaintBox1->Closing = closing;
    PaintBox2->Closing = closing;
    PaintBox3->Closing = closing;
    PaintBox4->Closing = closing;

    PaintBox1->HasData = [this] { return !FAllFiles.Files.empty(); };
    PaintBox1->PaintLayout = [this](ITreemapCanvas& c) { FTreemap.Paint(c); };
    PaintBox2->HasData = [this] { return Root() != nullptr; };
    PaintBox2->PaintLayout = [this](ITreemapCanvas& c) { FFolderMap.Paint(c); };
    PaintBox3->HasData = [this] { return Root() != nullptr; };
    PaintBox3->PaintLayout = [this](ITreemapCanvas& c) { FHierMap.Paint(c); };
    PaintBox4->HasData = [this] { return Root() != nullptr && !FDupes.ColorByFile.empty(); };
    PaintBox4->PaintLayout = [this](ITreemapCanvas& c) { FDupeMap.Paint(c); };

    connect(PaintBox1, &TTreemapCanvas::MouseMoved, this, &TfrmMain::PaintBox1MouseMove);
    connect(PaintBox2, &TTreemapCanvas::MouseMoved, this, &TfrmMain::PaintBox2MouseMove);
    connect(PaintBox3, &TTreemapCanvas::MouseMoved, this, &TfrmMain::PaintBox3MouseMove);
    connect(PaintBox4, &TTreemapCanvas::MouseMoved, this, &TfrmMain::PaintBox4MouseMove);
    connect(PaintBox1, &TTreemapCanvas::MousePressed, this, &TfrmMain::PaintBox1MouseDown);
    connect(PaintBox2, &TTreemapCanvas::MousePressed, this, &TfrmMain::PaintBox2MouseDown);
    connect(PaintBox3, &TTreemapCanvas::MousePressed, this, &TfrmMain::PaintBox3MouseDown);
    connect(PaintBox4, &TTreemapCanvas::MousePressed, this, &TfrmMain::PaintBox4MouseDown);
    connect(PaintBox1, &TTreemapCanvas::DoubleClicked, this, &TfrmMain::PaintBox1DblClick);
    connect(PaintBox2, &TTreemapCanvas::DoubleClicked, this, &TfrmMain::PaintBox2DblClick);
    connect(PaintBox3, &TTreemapCanvas::DoubleClicked, this, &TfrmMain::PaintBox3DblClick);
    connect(PaintBox4, &TTreemapCanvas::DoubleClicked, this, &TfrmMain::PaintBox4DblClick);
    connect(PaintBox1, &TTreemapCanvas::Resized, this, &TfrmMain::RebuildTreemap);
    connect(PaintBox2, &TTreemapCanvas::Resized, this, &TfrmMain::RebuildFolderMap);
    connect(PaintBox3, &TTreemapCanvas::Resized, this, &TfrmMain::RebuildHierMap);
    connect(PaintBox4, &TTreemapCanvas::Resized, this, [this] {
        if (!FAppClosing)
            RebuildDupeMap();
    });
}

// ---------------------------------------------------------------- invalidate / rebuild

void TfrmMain::InvalidateTreemap()
{
    PaintBox1->Invalidate();
}

void TfrmMain::InvalidateFolderMap()
{
    PaintBox2->Invalidate();
}

void TfrmMain::InvalidateHierMap()
{
    PaintBox3->Invalidate();
}

void TfrmMain::InvalidateDupeMap()
{
    PaintBox4->Invalidate();
}

void TfrmMain::RebuildTreemap()
{
    if (!HasSize(PaintBox1))
        return;
    FHover = nullptr;
    if (!FAllFiles.Files.empty())
        FTreemap.BuildFromFiles(FAllFiles.Files, ClientRect(PaintBox1));
    InvalidateTreemap();
}

void TfrmMain::RebuildFolderMap()
{
    if (!HasSize(PaintBox2))
        return;
    if (Root() != nullptr) {
        FFolderMap.BuildFromRoot(Root(), ClientRect(PaintBox2));
        FFolderMap.SetSelectedNode(FSelectedFolder);
    }
    InvalidateFolderMap();
}

void TfrmMain::RebuildHierMap()
{
    if (!HasSize(PaintBox3))
        return;
    FHover3 = nullptr;
    if (Root() != nullptr)
        FHierMap.BuildFromRootSquarified(Root(), ClientRect(PaintBox3));
    InvalidateHierMap();
}

void TfrmMain::RebuildDupeMap()
{
    if (!HasSize(PaintBox4))
        return;
    FHover4 = nullptr;
    if (Root() != nullptr && !FDupes.ColorByFile.empty())
        FDupeMap.BuildFromRootDuplicates(Root(), &FDupes.ColorByFile, ClientRect(PaintBox4));
    InvalidateDupeMap();
}

// ---------------------------------------------------------------- hover hints

void TfrmMain::PaintBox1MouseMove(QPoint p)
{
    const TTreemapItem* it = FTreemap.HitTest({p.x(), p.y()});
    if (it == FHover)
        return;
    FHover = it;
    PaintBox1->ShowHintNow(it ? HintText(it->FullPath(), it->Size()) : QString());
}

void TfrmMain::PaintBox2MouseMove(QPoint p)
{
    const TDirNode* node = FFolderMap.HitTest({p.x(), p.y()});
    if (node == FFolderMap.HoverNode())
        return;
    FFolderMap.SetHoverNode(node);
    PaintBox2->ShowHintNow(node ? HintText(node->FullPath(), node->TotalSize()) : QString());
}

void TfrmMain::PaintBox3MouseMove(QPoint p)
{
    const THierItem* it = FHierMap.HitTest({p.x(), p.y()});
    if (it == FHover3)
        return;
    FHover3 = it;
    PaintBox3->ShowHintNow(it ? HintText(it->FullPath(), it->Size()) : QString());
}

void TfrmMain::PaintBox4MouseMove(QPoint p)
{
    const TDupItem* it = FDupeMap.HitTest({p.x(), p.y()});
    if (it == FHover4)
        return;
    FHover4 = it;
    PaintBox4->ShowHintNow(it ? HintText(it->FullPath(), it->Size()) : QString());
}

// ---------------------------------------------------------------- clicks

void TfrmMain::PaintBox1MouseDown(QPoint p, bool ctrl)
{
    const TTreemapItem* it = FTreemap.HitTest({p.x(), p.y()});
    if (it == nullptr)
        return;
    if (ctrl)
        FTreemap.ToggleSelected(it);
    else
        FTreemap.SetSingleSelected(it);
    InvalidateTreemap();
    SelectFileRow(*it, ctrl);
    SetStatus(StatusText(it->FullPath(), it->Size()));
}

void TfrmMain::PaintBox2MouseDown(QPoint p, bool)
{
    const TDirNode* node = FFolderMap.HitTest({p.x(), p.y()});
    if (node == nullptr)
        return;
    SelectFolderNode(node);
}

void TfrmMain::PaintBox3MouseDown(QPoint p, bool ctrl)
{
    const THierItem* it = FHierMap.HitTest({p.x(), p.y()});
    if (it == nullptr)
        return;
    if (ctrl)
        FHierMap.ToggleSelected(it);
    else
        FHierMap.SetSingleSelected(it);
    InvalidateHierMap();
    RevealInTree(*it);
    SetStatus(StatusText(it->FullPath(), it->Size()));
}

void TfrmMain::PaintBox4MouseDown(QPoint p, bool ctrl)
{
    const TDupItem* it = FDupeMap.HitTest({p.x(), p.y()});
    if (it == nullptr)
        return;
    if (ctrl)
        FDupeMap.ToggleSelected(it);
    else
        FDupeMap.SetSingleSelected(it);
    InvalidateDupeMap();
    RevealInDuplicateTree(*it);
    UpdateSelectionStatus();
}

// ---------------------------------------------------------------- double-clicks

void TfrmMain::PaintBox1DblClick()
{
    if (const TTreemapItem* it = FTreemap.Primary())
        FServices.Shell->RevealInFileManager(it->FullPath());
}

void TfrmMain::PaintBox2DblClick()
{
    if (FSelectedFolder != nullptr)
        FServices.Shell->OpenPath(FSelectedFolder->FullPath());
}

void TfrmMain::PaintBox3DblClick()
{
    const THierItem* it = FHierMap.Primary();
    if (it == nullptr)
        return;
    if (it->Kind == hkFile)
        FServices.Shell->RevealInFileManager(it->FullPath());
    else
        FServices.Shell->OpenPath(it->FullPath());
}

void TfrmMain::PaintBox4DblClick()
{
    if (const TDupItem* it = FDupeMap.Primary())
        FServices.Shell->RevealInFileManager(it->FullPath());
}

} // namespace harrowdale::ui
