#include "ui/FindRunner.h"

namespace harrowdale::ui {

namespace {

// Often enough that the first matches show within a tenth of a second.
constexpr int kPollMs = 20;

} // namespace

TFindRunner::TFindRunner(THooks hooks, QObject* parent) : QObject(parent), FHooks(std::move(hooks))
{
    FPoll.setInterval(kPollMs);
    connect(&FPoll, &QTimer::timeout, this, &TFindRunner::TakeFound);
}

TFindRunner::~TFindRunner()
{
    Stop();
}

void TFindRunner::Start(const TDirNode* root, std::unique_ptr<TFindQuery> query)
{
    Stop();
    FQuery = std::move(query);
    FStop = false;
    FDone = false;
    FThread = std::thread([this, root] {
        const TFindTotals totals =
            FindEntries(root, *FQuery, FStop, [this](std::span<const TEntryRef> found, auto bytes) {
                const std::lock_guard lock(FLock);
                FFound.insert(FFound.end(), found.begin(), found.end());
                FFoundBytes += bytes;
            });
        const std::lock_guard lock(FLock);
        FTotals = totals;
        FDone = true;
    });
    FPoll.start();
}

void TFindRunner::Stop()
{
    FPoll.stop();
    if (!FThread.joinable())
        return;
    FStop = true;
    FThread.join();
    FQuery.reset();
    const std::lock_guard lock(FLock);
    FFound.clear();
    FFoundBytes = 0;
}

void TFindRunner::TakeFound()
{
    std::vector<TEntryRef> found;
    std::int64_t bytes = 0;
    bool done = false;
    TFindTotals totals;
    {
        const std::lock_guard lock(FLock);
        found.swap(FFound);
        bytes = std::exchange(FFoundBytes, 0);
        done = FDone;
        totals = FTotals;
    }
    if (done) {
        FPoll.stop();
        FThread.join();
        FQuery.reset();
    }
    if (!found.empty() && FHooks.Found)
        FHooks.Found(found, bytes);
    if (done && FHooks.Ended)
        FHooks.Ended(totals);
}

} // namespace harrowdale::ui
