#pragma once

// What one background task (a scan, or the reading of a scan file) shares between the
// window and its thread: the context (options and cancellation), the progress fields, and
// whether the window still wants the result.

#include "scan/ScanControl.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace harrowdale::ui {

struct TScanJob
{
    TScanContext Context;
    TScanProgressBox Progress;

    using TBody = std::function<TScanOutcome(const TScanContext&, TScanProgressBox&)>;

    /// Runs the task body on the calling (worker) thread, then hands the outcome to
    /// `deliver` unless the window detached meanwhile. `deliver` only posts to the UI
    /// thread; it runs under the job's lock so the window cannot go away during the post.
    void Run(const TBody& body, const std::function<void(std::shared_ptr<TScanOutcome>)>& deliver)
    {
        auto outcome = std::make_shared<TScanOutcome>(body(Context, Progress));
        std::unique_lock lock(FMutex);
        if (!FDetached)
            deliver(std::move(outcome));
        FFinished = true;
        FCv.notify_all();
    }

    /// Waits for the task to end, at most `timeout`. True when it has ended.
    bool WaitFinished(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(FMutex);
        return FCv.wait_for(lock, timeout, [this] { return FFinished; });
    }

    /// The window is going away: a task that ends later keeps its result to itself.
    void Detach()
    {
        const std::lock_guard lock(FMutex);
        FDetached = true;
    }

private:
    std::mutex FMutex; // guards the two flags below
    std::condition_variable FCv;
    bool FFinished = false;
    bool FDetached = false;
};

} // namespace harrowdale::ui
