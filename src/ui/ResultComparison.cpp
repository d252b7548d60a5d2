// TResultSession's comparisons: File > "Compare With...", reading the older scan, and
// leaving the comparison. The rest of the result's life is in ResultSession.cpp.

#include "exchange/ScanHistory.h"
#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/CompareDialog.h"
#include "ui/GoneList.h"
#include "ui/ResultSession.h"
#include "ui/ScanRunner.h"
#include "ui/Services.h"
#include "ui/text/ChangeText.h"
#include "ui/text/DisplayFormat.h"

namespace harrowdale::ui {

void TResultSession::ChooseComparison()
{
    const TDirNode* root = Results().Root();
    if (FBusy || root == nullptr || root->IsSyntheticRoot())
        return;
    std::vector<THistoryEntry> kept;
    QString note;
    try {
        kept = TScanHistory::Open().List(root->FullPath());
    } catch (const EHistoryError& e) {
        note = QString::fromStdString(
            Format(Translate("The scan history cannot be read: %s"), e.what()));
    }
    TCompareDialog dialog(
        kept, note, root->TotalSize(),
        [this] {
            return FServices.Files->OpenFile(FWindow, DialogCaption(TCommand::CompareWith),
                                             ScanFileFilter());
        },
        FWindow);
    if (dialog.exec() == QDialog::Accepted && dialog.Chosen())
        CompareWith(dialog.Chosen()->Path, dialog.Chosen()->Time);
}

void TResultSession::CompareWith(const std::string& path, std::int64_t time)
{
    // Refused while busy, as Open Scan is; the result shown stays whatever comes.
    const TScanTree* shown = Results().Tree.get();
    if (FBusy || path.empty() || shown == nullptr || shown->Root()->IsSyntheticRoot())
        return;
    FComparingFile = path;
    FComparingTime = time;
    SetBusy(true);
    // Read as the result shown was measured, so a file that does not say matches it.
    FScan->StartReading(
        {path}, {shown->HardLinks() == THardLinks::Each, shown->SizeKind() == TSizeKind::OnDisk});
}

void TResultSession::ComparisonRead(const std::string& path,
                                    const std::shared_ptr<TScanOutcome>& outcome)
{
    Q_EMIT ProgressChanged(100, 0);
    const bool cancelled = Cancelled();
    QString error;
    auto compared = std::make_unique<TComparedScans>();
    if (cancelled || Results().Tree == nullptr) {
        // Stopped: nothing to say but that.
    } else if (!outcome->Ok || outcome->Tree == nullptr) {
        error = QString::fromStdString(Format(Translate("Cannot open the scan file %s: %s"),
                                              VisiblePathText(path), outcome->Err));
    } else {
        compared->Older = std::move(outcome->Tree);
        compared->OlderFile = path;
        compared->OlderTime = FComparingTime > 0 ? FComparingTime : outcome->WrittenAt;
        compared->NewerTime = FShownAt;
        try {
            compared->Comparison =
                std::make_unique<TScanComparison>(*compared->Older, *Results().Tree);
        } catch (const EComparisonError& e) {
            error = QString::fromUtf8(e.what()); // translated, one line, shown as it is
        }
    }
    EndBusy();
    if (compared->Comparison == nullptr) {
        if (!error.isEmpty()) {
            ShowError(error);
            Q_EMIT ResultKept();
        } else {
            Q_EMIT StatusChanged(Tr("Cancelled"));
        }
        return;
    }
    EndComparison();
    FCompared = std::move(compared);
    for (TResultPage* page : FPages)
        page->ShowComparison(FCompared->Comparison.get());
    Q_EMIT ComparisonChanged();
    const TDirNode& older = *FCompared->Older->Root();
    const TDirNode& newer = *Results().Root();
    Q_EMIT StatusChanged(QString::fromStdString(FormatText(
        Translate("Compared with the scan of %s: %s (%s before, %s now)"),
        {FCompared->OlderTime > 0 ? ScanDateText(FCompared->OlderTime) : Translate("unknown date"),
         FormatSignedSize(newer.TotalSize() - older.TotalSize()), FormatSize(older.TotalSize()),
         FormatSize(newer.TotalSize())})));
}

void TResultSession::ShowGoneList()
{
    if (FCompared == nullptr)
        return;
    // It copies what it shows: it may stay open after the comparison ends.
    auto* list = new TGoneList(*FCompared->Comparison,
                               QString::fromStdString(FCompared->OlderTime > 0
                                                          ? ScanDateText(FCompared->OlderTime)
                                                          : Translate("unknown date")),
                               FWindow);
    list->setAttribute(Qt::WA_DeleteOnClose);
    list->show();
}

void TResultSession::LeaveComparison()
{
    if (FCompared == nullptr)
        return;
    EndComparison();
    Q_EMIT StatusChanged(Tr("Ready"));
}

void TResultSession::EndComparison()
{
    if (FCompared == nullptr)
        return;
    // The pages let go first: they refer into both trees.
    for (TResultPage* page : FPages)
        page->ShowComparison(nullptr);
    FCompared.reset();
    Q_EMIT ComparisonChanged();
}

} // namespace harrowdale::ui
