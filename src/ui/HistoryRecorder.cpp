#include "ui/HistoryRecorder.h"

#include "exchange/ScanHistory.h"
#include "exchange/ScanTreeExport.h"
#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"

#include <QMetaObject>
#include <QtGlobal>

namespace harrowdale::ui {

namespace {

QString NotKept(const std::string& why)
{
    return QString::fromStdString(
        Format(Translate("The scan was not kept in the history: %s"), why));
}

} // namespace

THistoryRecorder::THistoryRecorder(QObject* parent) : QObject(parent) {}

THistoryRecorder::~THistoryRecorder()
{
    Wait();
}

void THistoryRecorder::Record(const TDirNode& root, std::int64_t time, std::int64_t metBytes)
{
    Wait();
    if (root.IsSyntheticRoot())
        return;
    // The lookups' lazy sorting would otherwise race with the window's own readers.
    root.Tree()->PrepareSharedReading();
    FStop = false;
    FWriter = std::thread([this, &root, time, metBytes] {
        std::string error;
        try {
            TScanHistory::Open().Record(root, time, metBytes, &FStop);
        } catch (const EExportStopped&) {
            return;                         // Abandon waits for this thread: nobody is told
        } catch (const std::exception& e) { // EHistoryError, or memory
            error = e.what();
        }
        // Queued to this object: dropped unseen if the window goes first (its destructor
        // waits for this thread, so `this` is alive while the call is posted). The thread
        // is joined by the next Record or Wait, not here: a newer writer may run by then.
        QMetaObject::invokeMethod(
            this,
            [this, error] {
                if (!error.empty()) {
                    qWarning("harrowdale: %s", error.c_str());
                    Q_EMIT Status(NotKept(error));
                }
                Q_EMIT Recorded(QString::fromStdString(error));
            },
            Qt::QueuedConnection);
    });
}

void THistoryRecorder::Wait()
{
    if (FWriter.joinable())
        FWriter.join();
}

void THistoryRecorder::Abandon()
{
    FStop = true;
    Wait();
}

void THistoryRecorder::Clear(QWidget* window, IMessageBoxes& messages)
{
    Wait();
    try {
        TScanHistory history = TScanHistory::Open();
        const THistoryTotals totals = history.Totals();
        if (totals.Scans == 0) {
            Q_EMIT Status(QString::fromStdString(Translate("The scan history is empty.")));
            return;
        }
        const std::string question = Format(
            TranslatePlural("Remove %d kept scan (%s) from the scan history?",
                            "Remove %d kept scans (%s) from the scan history?", totals.Scans),
            totals.Scans, FormatSize(totals.Bytes));
        if (!messages.Confirm(window, QString::fromStdString(question), true))
            return;
        history.Clear();
        Q_EMIT Status(QString::fromStdString(
            Format(TranslatePlural("%d scan removed from the scan history.",
                                   "%d scans removed from the scan history.", totals.Scans),
                   totals.Scans)));
    } catch (const std::exception& e) {
        Q_EMIT Status(QString::fromStdString(
            Format(Translate("Cannot clear the scan history: %s"), e.what())));
    }
}

} // namespace harrowdale::ui
