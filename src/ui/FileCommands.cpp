#include "ui/FileCommands.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/FileOps.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "scan/TreeLookup.h"
#include "scan/TreePathStyle.h"
#include "ui/ResultPage.h"
#include "ui/Services.h"
#include "ui/WindowActions.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/RemovalTexts.h"
#include "views/TreeRemoval.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <optional>
#include <string_view>
#include <unordered_set>

namespace harrowdale::ui {

TFileCommands::TFileCommands(TUiServices& services, const TScanResults& results,
                             std::function<TResultPage*()> activePage, QWidget* window)
    : QObject(window), FServices(services), FResults(results), FActivePage(std::move(activePage)),
      FWindow(window)
{
}

void TFileCommands::Connect(const TWindowActions& actions)
{
    const std::pair<TCommand, void (TFileCommands::*)()> bindings[] = {
        {TCommand::Open, &TFileCommands::Open},
        {TCommand::CopyPaths, &TFileCommands::CopyPaths},
        {TCommand::Reveal, &TFileCommands::Reveal},
        {TCommand::Properties, &TFileCommands::ShowProperties},
        {TCommand::MoveToTrash, &TFileCommands::MoveToTrash},
        {TCommand::DeletePermanently, &TFileCommands::DeletePermanently},
    };
    for (const auto& [command, run] : bindings)
        connect(actions.Action(command), &QAction::triggered, this, run);
}

std::vector<TSelectedEntry> TFileCommands::SelectedEntries() const
{
    TResultPage* page = FActivePage();
    if (page == nullptr)
        return {};
    std::vector<TSelectedEntry> entries = page->SelectedEntries();
    // Empty paths are never acted on (the all-drives root has none).
    std::erase_if(entries, [](const TSelectedEntry& e) { return e.Path.empty(); });
    return entries;
}

std::vector<std::string> TFileCommands::SelectedPaths() const
{
    std::vector<std::string> paths;
    for (TSelectedEntry& e : SelectedEntries())
        paths.push_back(std::move(e.Path));
    return paths;
}

std::vector<TSelectedEntry> TFileCommands::EntriesHere() const
{
    std::vector<TSelectedEntry> entries = SelectedEntries();
    if (entries.empty() || FOrigin == TResultOrigin::ThisMachine)
        return entries;
    // The paths of a scan made elsewhere may name other things here, or nothing; those
    // of the other system name nothing here at all ("C:\x" would be a relative path on
    // Linux, "/x" one on the current drive on Windows).
    const TDirNode* root = FResults.Root();
    const std::string rootPath = root != nullptr ? root->FullPath() : std::string();
    if (root != nullptr && TreePathStyle(*root) == platform::NativePathStyle() &&
        platform::DirectoryExists(rootPath))
        return entries;
    FServices.Messages->Error(
        FWindow, QString::fromStdString(Format(
                     Translate("This scan was made elsewhere: %s is not a folder on this machine."),
                     VisiblePathText(rootPath))));
    return {};
}

std::vector<std::string> TFileCommands::ExistingPaths() const
{
    // A path that no longer exists is skipped without a word.
    std::vector<std::string> paths;
    for (TSelectedEntry& e : EntriesHere())
        if (platform::PathExists(e.Path))
            paths.push_back(std::move(e.Path));
    return paths;
}

void TFileCommands::Open()
{
    for (const std::string& p : ExistingPaths())
        FServices.Shell->OpenPath(p);
}

void TFileCommands::Reveal()
{
    if (std::vector<std::string> paths = ExistingPaths(); !paths.empty())
        FServices.Shell->RevealInFileManager(paths);
}

void TFileCommands::ShowProperties()
{
    if (std::vector<std::string> paths = ExistingPaths(); !paths.empty())
        FServices.Shell->ShowProperties(paths);
}

void TFileCommands::CopyPaths()
{
    const std::vector<std::string> paths = SelectedPaths();
    if (paths.empty())
        return; // the clipboard keeps its content
    // Text only, so also the paths of a scan made elsewhere: one path a line and no line
    // break after the last. A name need not be UTF-8, which text with a charset cannot
    // carry: that text shows such a byte as U+FFFD, while text/plain without a charset
    // holds the exact bytes (on X11 also UTF8_STRING, which Qt takes from it), and the
    // file URIs hold them too, for file managers.
    QByteArray bytes;
    QList<QUrl> urls;
    for (const std::string& p : paths) {
        if (!urls.isEmpty())
            bytes += '\n';
        bytes += QByteArray::fromStdString(p);
        urls << QUrl(FileUri(p));
    }
    auto* data = new QMimeData; // owned by the clipboard
    data->setUrls(urls);
    data->setData(QStringLiteral("text/plain;charset=utf-8"), QString::fromUtf8(bytes).toUtf8());
    data->setData(QStringLiteral("text/plain"), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

namespace {

/// Why the box after a removal names an item; nothing for what went, or was gone already
/// (the status line says so).
std::optional<TNotRemovedReason> NotRemovedReason(const platform::TRemovalOutcome& outcome)
{
    using platform::TRemovalError;
    using platform::TRemovalStatus;
    switch (outcome.Status) {
    case TRemovalStatus::Removed:
    case TRemovalStatus::AlreadyGone:
        return std::nullopt;
    case TRemovalStatus::PartlyRemoved:
        return TNotRemovedReason::PartlyRemoved;
    case TRemovalStatus::Changed:
        return TNotRemovedReason::ChangedSinceScan;
    case TRemovalStatus::Failed:
        break;
    }
    switch (outcome.Error) {
    case TRemovalError::LinkOrMount:
        return TNotRemovedReason::LinkOrMount;
    case TRemovalError::NoPermission:
        return TNotRemovedReason::NotPermitted;
    case TRemovalError::NoTrash:
        return TNotRemovedReason::NoTrash;
    case TRemovalError::NotInScan:
        return TNotRemovedReason::NotInScan;
    case TRemovalError::None:
    case TRemovalError::Other:
        break;
    }
    return TNotRemovedReason::Other;
}

} // namespace

void TFileCommands::Remove(TRemoval kind)
{
    std::vector<TSelectedEntry> entries = EntriesHere();
    if (entries.empty() || !FResults.Tree)
        return;
    // The question names what will go: what the page's rules picked is not always what
    // the map shows framed. The count includes repeats and paths that no longer exist.
    std::vector<TRemovalTarget> targets;
    std::vector<std::string> selected;
    targets.reserve(entries.size());
    selected.reserve(entries.size());
    for (TSelectedEntry& e : entries) {
        const TDirNode* d = e.Folder;
        const bool scanRoot =
            d != nullptr && (d->Parent() == nullptr || d->Parent()->IsSyntheticRoot());
        const bool big = d != nullptr && d->TotalFiles() > kBigFolderFiles;
        const TFileLeaf* file = d == nullptr ? FindEntry(FResults.Root(), e.Path).File : nullptr;
        const TLinkInfo* link = file != nullptr ? FResults.Tree->LinkInfo(file) : nullptr;
        selected.push_back(e.Path);
        targets.push_back({std::move(e.Path), scanRoot, big, link != nullptr && link->Links > 1});
    }
    // A group of duplicates left without any copy is worth a word wherever the removal
    // was picked; how the copies were found, where they are shown as copies.
    const TGroupsTaken taken = GroupsTaken(FResults.Root(), FResults.Duplicates, selected);
    const TResultPage* page = FActivePage();
    TRemovalGroups groups{taken.Emptied, taken.EmptiedFiles};
    if (taken.Touched > 0 && page != nullptr && page->ShowsDuplicates())
        groups.Copies = FResults.DuplicatesBy == TDupGrouping::Content
                            ? TCopiesShown::ByContent
                            : TCopiesShown::ByNameAndSize;
    if (!FServices.Messages->Confirm(FWindow,
                                     QString::fromStdString(RemovalQuestion(kind, targets, groups)),
                                     kind == TRemoval::Permanently || taken.Emptied > 0))
        return;
    // A path inside a selected folder goes with the folder; acting on it after the folder
    // would only fail on what is already gone.
    std::vector<std::size_t> holder;
    const std::vector<std::string> paths = OutermostPaths(selected, holder);
    // Each item is resolved from the scanned folder that holds it, never through a link,
    // and acted on only while it is still what the result recorded.
    const std::vector<platform::TRecordedItem> records = RecordedItems(*FResults.Tree, paths);
    const std::vector<platform::ScanRoot> roots = ScanRoots(FResults.Root());
    const std::vector<platform::TRemovalOutcome> outcomes =
        kind == TRemoval::ToTrash ? platform::MoveToTrash(roots, records)
                                  : platform::RemovePermanently(roots, records);
    std::vector<TNotRemoved> failures;
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (const auto reason = NotRemovedReason(outcomes[i]))
            failures.push_back({paths[i], *reason});
    // The selected paths that went, as the question counted them: a path inside a folder
    // that went whole went with it.
    std::unordered_set<std::string_view> seen;
    std::int64_t went = 0;
    for (std::size_t i = 0; i < selected.size(); ++i) {
        const platform::TRemovalStatus status = outcomes[holder[i]].Status;
        const bool gone =
            status == platform::TRemovalStatus::Removed ||
            (status == platform::TRemovalStatus::PartlyRemoved && selected[i] == paths[holder[i]]);
        if (gone && seen.insert(selected[i]).second)
            ++went;
    }
    // What is gone leaves the views first, so the failure box is read beside true views.
    Q_EMIT Removed(kind, paths, outcomes, went);
    if (!failures.empty())
        FServices.Messages->Error(FWindow, QString::fromStdString(RemovalFailure(kind, failures)));
}

} // namespace harrowdale::ui
