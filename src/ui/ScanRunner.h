#pragma once

// One background scan at a time: starts the task on a thread of its own, shows its
// progress every 120 ms, cancels it, and hands the outcome back on the UI thread. Reading
// a scan file is such a task too, with the same progress, Stop and hand-over.
//
// Threads: the task body runs on its thread and touches only its TScanJob (context and
// progress box, both thread-safe); everything else here is UI thread only.

#include "exchange/RemoteScan.h"
#include "scan/ScanControl.h"
#include "ui/Settings.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace harrowdale::ui {

struct TScanJob;

class TScanRunner : public QObject
{
    Q_OBJECT
public:
    explicit TScanRunner(QObject* parent);
    /// Cancels a running scan and waits for it at most 2000 ms; a task still running then
    /// never reaches this object again and frees its own tree.
    ~TScanRunner() override;

    /// Starts a scan with a fresh context. `expectedBytes` drives the progress bar (0: a
    /// busy indicator, as for a folder scan).
    void Start(const TScanRequest& request, const TScanFilterInput& filters,
               std::int64_t expectedBytes, const TScanMeasure& measure);
    /// Reads the scan files at `paths` (bytes) instead of scanning, with a fresh context.
    void StartReading(const std::vector<std::string>& paths, const TScanMeasure& measure);
    /// Scans folders of other machines through ssh, with a fresh context.
    void StartRemote(const std::vector<TRemoteTarget>& targets, const TScanMeasure& measure);
    /// Cancels the current scan, or the result build that follows it. One-way until the
    /// next Start.
    void Cancel();
    /// The current or last scan's context (null before the first scan).
    const TScanContext* Context() const;
    /// Whether the last task has returned (or none ran), waiting at most `timeout`.
    bool TaskEnded(std::chrono::milliseconds timeout) const;

Q_SIGNALS:
    void StatusChanged(const QString& text);
    /// Progress `position` of `maximum`; a maximum of 0 shows a busy indicator.
    void ProgressChanged(qint64 maximum, qint64 position);
    /// The task ended: `Ok` with its tree, or failed ("Cancelled by user" after Stop).
    void Finished(const std::shared_ptr<TScanOutcome>& outcome);

private:
    using TBody = std::function<TScanOutcome(const TScanContext&, TScanProgressBox&)>;
    void Launch(TBody body);
    void Tick();
    void Complete(const std::shared_ptr<TScanOutcome>& outcome);

    std::shared_ptr<TScanJob> FJob; ///< shared with the task body
    QTimer FTimer;
    std::int64_t FExpectedBytes = 0;
    bool FReading = false;   ///< the task reads a scan file
    bool FReceiving = false; ///< the task scans another machine through ssh
};

} // namespace harrowdale::ui
