#include "ui/FileCommands.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/FileOps.h"
#include "ui/ResultPage.h"
#include "ui/Services.h"
#include "ui/WindowActions.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace harrowdale::ui {

TFileCommands::TFileCommands(TUiServices& services, std::function<TResultPage*()> activePage,
                             QWidget* window)
    : QObject(window), FServices(services), FActivePage(std::move(activePage)), FWindow(window)
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

std::vector<std::string> TFileCommands::SelectedPaths() const
{
    TResultPage* page = FActivePage();
    if (page == nullptr)
        return {};
    std::vector<std::string> paths = page->SelectedPaths();
    // Empty paths are never acted on (the all-drives root has none).
    std::erase(paths, std::string());
    return paths;
}

void TFileCommands::ForEachExisting(const std::function<void(const std::string&)>& act) const
{
    // A path that no longer exists is skipped without a word.
    for (const std::string& p : SelectedPaths())
        if (platform::PathExists(p))
            act(p);
}

void TFileCommands::Open()
{
    ForEachExisting([this](const std::string& p) { FServices.Shell->OpenPath(p); });
}

void TFileCommands::Reveal()
{
    ForEachExisting([this](const std::string& p) { FServices.Shell->RevealInFileManager(p); });
}

void TFileCommands::ShowProperties()
{
    ForEachExisting([this](const std::string& p) { FServices.Shell->ShowProperties(p); });
}

void TFileCommands::CopyPaths()
{
    const std::vector<std::string> paths = SelectedPaths();
    if (paths.empty())
        return; // the clipboard keeps its content
    // Text for pasting into anything, one path a line with the platform's line break and
    // none after the last; and the exact bytes as file URIs for file managers.
    QStringList lines;
    QList<QUrl> urls;
    for (const std::string& p : paths) {
        lines << QFile::decodeName(QByteArray::fromStdString(p));
        urls << QUrl(FileUri(p));
    }
    auto* data = new QMimeData; // owned by the clipboard
    data->setText(lines.join(QLatin1Char('\n')));
    data->setUrls(urls);
    QGuiApplication::clipboard()->setMimeData(data);
}

void TFileCommands::Remove(bool toTrash)
{
    const std::vector<std::string> paths = SelectedPaths();
    if (paths.empty())
        return;
    // The count includes repeats and paths that no longer exist.
    const auto count = static_cast<std::int64_t>(paths.size());
    const std::string question =
        toTrash
            ? Format(Translate("Move %d item(s) to Recycle Bin?"), count)
            : Format(Translate("Permanently delete %d item(s)? (This cannot be undone)"), count);
    if (!FServices.Messages->Confirm(FWindow, QString::fromStdString(question), !toTrash))
        return;
    // Each path is resolved from the scanned folder that holds it, never through a link.
    const std::vector<std::string> roots = ScanRootPaths(FActivePage()->Results().Root());
    const bool ok =
        toTrash ? platform::MoveToTrash(roots, paths) : platform::RemovePermanently(roots, paths);
    if (ok)
        Q_EMIT PathsRemoved();
    else
        FServices.Messages->Error(FWindow, toTrash ? Tr("Failed to remove to Recycle Bin.")
                                                   : Tr("Failed to delete."));
}

} // namespace harrowdale::ui
