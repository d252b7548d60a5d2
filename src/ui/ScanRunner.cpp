#include "ui/ScanRunner.h"

#include "exchange/ImportTask.h"
#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/ScanJob.h"
#include "ui/text/DisplayFormat.h"

#include <QPointer>
#include <thread>

namespace harrowdale::ui {

TScanRunner::TScanRunner(QObject* parent) : QObject(parent)
{
    FTimer.setInterval(120);
    connect(&FTimer, &QTimer::timeout, this, &TScanRunner::Tick);
}

TScanRunner::~TScanRunner()
{
    FTimer.stop();
    if (FJob) {
        FJob->Context.Cancel();
        FJob->WaitFinished(std::chrono::milliseconds(2000));
        FJob->Detach();
    }
}

const TScanContext* TScanRunner::Context() const
{
    return FJob ? &FJob->Context : nullptr;
}

bool TScanRunner::TaskEnded(std::chrono::milliseconds timeout) const
{
    return !FJob || FJob->WaitFinished(timeout);
}

void TScanRunner::Cancel()
{
    if (FJob)
        FJob->Context.Cancel();
}

void TScanRunner::Start(const TScanRequest& request, const TScanFilterInput& filters,
                        std::int64_t expectedBytes, const TScanMeasure& measure)
{
    FJob = std::make_shared<TScanJob>();
    ApplyScanFilters(FJob->Context, filters);
    FJob->Context.SizeOnDisk = measure.SizeOnDisk;
    FJob->Context.CountEveryHardLink = measure.CountEveryHardLink;
    FExpectedBytes = expectedBytes;
    FReading = false;
    FReceiving = false;
    Q_EMIT StatusChanged(QString::fromStdString(Translate("Scanning...")));
    Launch([request](const TScanContext& context, TScanProgressBox& progress) {
        return RunScanTask(request, context, progress);
    });
}

void TScanRunner::StartReading(const std::vector<std::string>& paths, const TScanMeasure& measure)
{
    FJob = std::make_shared<TScanJob>();
    // A scan file counts as a scan of what it describes, measured the same way.
    FJob->Context.SizeOnDisk = measure.SizeOnDisk;
    FJob->Context.CountEveryHardLink = measure.CountEveryHardLink;
    FExpectedBytes = 0;
    FReading = true;
    FReceiving = false;
    Tick();
    Launch([paths, rootName = Translate("(Several scans)")](const TScanContext& context,
                                                            TScanProgressBox& progress) {
        return RunImportTask(paths, rootName, context, progress);
    });
}

void TScanRunner::StartRemote(const std::vector<TRemoteTarget>& targets,
                              const TScanMeasure& measure)
{
    FJob = std::make_shared<TScanJob>();
    FJob->Context.SizeOnDisk = measure.SizeOnDisk;
    FJob->Context.CountEveryHardLink = measure.CountEveryHardLink;
    FExpectedBytes = 0;
    FReading = false;
    FReceiving = true;
    Tick();
    Launch([targets, rootName = Translate("(Several scans)")](const TScanContext& context,
                                                              TScanProgressBox& progress) {
        return RunRemoteTask(targets, rootName, context, progress);
    });
}

void TScanRunner::Launch(TBody body)
{
    FJob->Progress.Reset();
    FTimer.start();
    Q_EMIT ProgressChanged(FExpectedBytes > 0 ? 1000 : 0, 0);

    std::shared_ptr<TScanJob> job = FJob;
    QPointer<TScanRunner> self(this);
    // A thread of its own rather than the application's pool, whose teardown waits for
    // every task: a scan stuck in a slow file system must not keep the process alive
    // after the window closed (the destructor waits for it 2 s, then lets it go).
    std::thread([job, body = std::move(body), self] {
        job->Run(body, [&](std::shared_ptr<TScanOutcome> outcome) {
            // Runs under the job's lock: the runner cannot be destroyed meanwhile, and one
            // destroyed before the queued call runs drops it.
            QMetaObject::invokeMethod(
                self.data(),
                [self, job, outcome] {
                    // A later task replaced this one: its outcome is nobody's.
                    if (self && self->FJob == job)
                        self->Complete(outcome);
                },
                Qt::QueuedConnection);
        });
    }).detach();
}

void TScanRunner::Tick()
{
    // After Stop the "Cancelling..." text stays.
    if (!FJob || FJob->Context.IsCancelled())
        return;
    const TScanProgressBox::Snapshot p = FJob->Progress.Read();
    Q_EMIT ProgressChanged(FExpectedBytes > 0 ? 1000 : 0,
                           FExpectedBytes > 0 ? DriveProgressPosition(p.Bytes, FExpectedBytes) : 0);
    if (FReceiving)
        Q_EMIT StatusChanged(QString::fromStdString(
            Format(Translate("Receiving... (files: %d, dirs: %d, %s received)"), p.Files, p.Dirs,
                   FormatSize(p.Bytes))));
    else if (FReading)
        Q_EMIT StatusChanged(QString::fromStdString(
            Format(Translate("Reading scan file... (files: %d, dirs: %d)"), p.Files, p.Dirs)));
    else if (!p.Path.empty())
        Q_EMIT StatusChanged(
            QString::fromStdString(Format(Translate("Scanning: %s  (files: %d, dirs: %d)"),
                                          VisiblePathText(p.Path), p.Files, p.Dirs)));
    else
        Q_EMIT StatusChanged(QString::fromStdString(
            Format(Translate("Scanning... (files: %d, dirs: %d)"), p.Files, p.Dirs)));
}

void TScanRunner::Complete(const std::shared_ptr<TScanOutcome>& outcome)
{
    FTimer.stop();
    if (!outcome->Ok) {
        outcome->Tree.reset();
        if (FJob->Context.IsCancelled() && outcome->Err.empty())
            outcome->Err = Translate("Cancelled by user");
    }
    Q_EMIT Finished(outcome);
}

} // namespace harrowdale::ui
