#pragma once

// The window's scan history: after a scan of a folder, the result is written into the
// user's history on a thread of its own while the window goes on; the File menu's
// "Clear Scan History..." empties it after a question.
//
// The writer reads the scan tree while it runs, also while the window goes on building its
// views from the same tree (which only reads it by then): whoever frees or edits that tree
// calls Wait or Abandon first (TResultSession does, before every clear, rebuild and new
// result, and when a build is stopped).
//
// Thread: UI thread only, except the writer's body, which touches only the tree it reads
// and the history folder.

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <thread>

class QWidget;

namespace harrowdale {
class TDirNode;
}

namespace harrowdale::ui {

class IMessageBoxes;

class THistoryRecorder : public QObject
{
    Q_OBJECT
public:
    explicit THistoryRecorder(QObject* parent);
    /// Waits for the writer.
    ~THistoryRecorder() override;

    /// Starts writing the scan whose root is `root`, made at `time` (Unix seconds), that
    /// met `metBytes`. `root` must stay unchanged until Wait returns or Recorded arrives.
    /// A scan of several drives is not kept: the history holds scans of one folder.
    void Record(const TDirNode& root, std::int64_t time, std::int64_t metBytes);
    /// Blocks until the writer (if any) has ended; after it, the tree is free again.
    void Wait();
    /// As Wait, but a writer still under way gives up at its next write: that scan is not
    /// kept (nothing is written, nothing is said).
    void Abandon();

    /// Asks, naming how many scans and bytes the history holds, then removes them all.
    /// The answer and any error go to the status line (Status).
    void Clear(QWidget* window, IMessageBoxes& messages);

Q_SIGNALS:
    /// The writer ended: `error` is empty when the scan was kept.
    void Recorded(const QString& error);
    /// One line for the status line.
    void Status(const QString& text);

private:
    std::thread FWriter;
    std::atomic<bool> FStop{false}; ///< the writer gives up
};

} // namespace harrowdale::ui
