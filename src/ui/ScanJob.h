#pragma once

// What one background scan shares between the window and its task: the context (options
// and cancellation), the progress fields, and whether the window still wants the result.

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

    /// Runs the task body on the calling (worker) thread, then hands the outcome to
    /// `deliver` unless the window detached meanwhile. `deliver` only posts to the UI
    /// thread; it runs under the job's lock so the window cannot go away during the post.
    void Run(const TScanRequest& request,
             const std::function<void(std::shared_ptr<TScanOutcome>)>& deliver)
    {
        auto outcome = std::make_shared<TScanOutcome>(RunScanTask(request, Context, Progress));
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
