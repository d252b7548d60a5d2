#pragma once

// The search of Find on a thread of its own. The walk hands its matches to a buffer; a
// timer on the window's thread takes them from there every few milliseconds, so the list
// fills while the window keeps answering, and however fast the walk finds, the window
// sees a handful of hand-overs a second, not one event per batch.
//
// Thread: Start, Stop and the hooks run on the UI thread; the walk reads the tree on its
// own thread. Stop waits for the walk to end: call it before the tree is edited or freed.

#include "views/FindQuery.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace harrowdale::ui {

class TFindRunner : public QObject
{
    Q_OBJECT
public:
    struct THooks
    {
        /// Matches in the walk's order, with the bytes they add to the total.
        std::function<void(std::span<const TEntryRef> matches, std::int64_t bytes)> Found;
        /// The walk has ended and everything it found was handed over.
        std::function<void(const TFindTotals& totals)> Ended;
    };
    TFindRunner(THooks hooks, QObject* parent);
    ~TFindRunner() override;

    /// Searches the tree below `root`; a search still running is stopped first and what it
    /// found but did not hand over is dropped.
    void Start(const TDirNode* root, std::unique_ptr<TFindQuery> query);
    /// Stops the search under way, if any, and waits for its thread.
    void Stop();
    bool Running() const { return FThread.joinable(); }

private:
    void TakeFound();

    THooks FHooks;
    QTimer FPoll;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::unique_ptr<TFindQuery> FQuery; ///< used by the walk only while it runs

    // Shared with the walk, under FLock.
    std::mutex FLock;
    std::vector<TEntryRef> FFound;
    std::int64_t FFoundBytes = 0;
    bool FDone = false;
    TFindTotals FTotals;
};

} // namespace harrowdale::ui
