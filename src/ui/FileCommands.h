#pragma once

// The six commands on the active page's selection: open, copy the paths, reveal in the file
// manager, properties, move to the trash, delete permanently. Every command collects the
// selection afresh from the active page and keeps nothing between calls. A result read
// from a scan file may describe another machine: the commands that reach the file system
// or the desktop then act only when its root is a folder here, checked each time.
//
// Thread: UI thread only. Removals run to their end before the command returns; the
// file manager is asked without waiting for its answer.

#include "platform/FileOps.h"
#include "ui/ResultPage.h"
#include "ui/text/RemovalTexts.h"

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace harrowdale::ui {

class TWindowActions;
struct TUiServices;

/// Where the current result comes from.
enum class TResultOrigin
{
    ThisMachine, ///< a scan run here
    ScanFile,    ///< a scan file, possibly made elsewhere
};

class TFileCommands : public QObject
{
    Q_OBJECT
public:
    /// `activePage` gives the page whose selection the commands act on (may give null);
    /// `results` are the results the pages show.
    TFileCommands(TUiServices& services, const TScanResults& results,
                  std::function<TResultPage*()> activePage, QWidget* window);

    void SetOrigin(TResultOrigin origin) { FOrigin = origin; }
    TResultOrigin Origin() const { return FOrigin; }

    /// Triggers the commands from their actions.
    void Connect(const TWindowActions& actions);

    /// The active page's selection, in its order, empty paths dropped.
    std::vector<TSelectedEntry> SelectedEntries() const;
    std::vector<std::string> SelectedPaths() const;
    void Open();
    void CopyPaths();
    void Reveal();
    void ShowProperties();
    void MoveToTrash() { Remove(TRemoval::ToTrash); }
    void DeletePermanently() { Remove(TRemoval::Permanently); }

Q_SIGNALS:
    /// A removal acted on `paths` (distinct, none inside another, in selection order):
    /// `outcomes` says what became of each; `items` selected paths went (those inside a
    /// folder that went included). What was not removed is reported after this.
    void Removed(harrowdale::TRemoval kind, const std::vector<std::string>& paths,
                 const std::vector<harrowdale::platform::TRemovalOutcome>& outcomes,
                 std::int64_t items);

private:
    void Remove(TRemoval kind);
    /// The selection when the result is of this machine; else nothing, after saying so.
    std::vector<TSelectedEntry> EntriesHere() const;
    std::vector<std::string> ExistingPaths() const;

    TUiServices& FServices;
    const TScanResults& FResults;
    std::function<TResultPage*()> FActivePage;
    QWidget* FWindow;
    TResultOrigin FOrigin = TResultOrigin::ThisMachine;
};

} // namespace harrowdale::ui
