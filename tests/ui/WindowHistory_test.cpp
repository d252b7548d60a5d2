// The scan history in the window: each scan of a folder is kept once its result is shown,
// while the window goes on; File > "Keep Scan History" switches that off (and is saved);
// "Clear Scan History..." asks, naming how many scans and bytes, before it removes them;
// a history that cannot be written costs one status line, never the result.

#include "exchange/ScanHistory.h"
#include "support/TempDir.h"
#include "ui/HistoryRecorder.h"
#include "ui/ScratchData.h"
#include "ui/WindowDriver.h"
#include "ui/text/DisplayFormat.h"

#include <QSignalSpy>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace harrowdale {
namespace {

using test::WindowDriver;
using ui::TCommand;

// Each test keeps its history in a data folder of its own.
class WindowHistory : public test::ScratchData
{
protected:
    void SetUp() override
    {
        ScratchData::SetUp();
        FTree.MakeDir("logs");
        FTree.MakeFile("logs/app.log", 5000);
        FTree.MakeFile("notes.txt", 300);
    }

    static std::vector<THistoryEntry> Kept(const std::string& folder)
    {
        return TScanHistory::Open().List(folder);
    }
    /// Scans the tree and waits until the history writer has ended; its error, if any.
    static std::optional<QString> ScanAndRecord(WindowDriver& w, const std::string& path)
    {
        QSignalSpy recorded(&w.Win.History(), &ui::THistoryRecorder::Recorded);
        if (!w.Scan(path) || !(recorded.count() > 0 || recorded.wait(10000)))
            return std::nullopt;
        return recorded.at(0).at(0).toString();
    }

    test::TempDir FTree;
};

TEST_F(WindowHistory, EachScanOfAFolderIsKeptUnlessSwitchedOff)
{
    {
        WindowDriver w;
        EXPECT_TRUE(w.Action(TCommand::KeepHistory)->isChecked()); // on by default
        ASSERT_EQ(ScanAndRecord(w, FTree.Path()), QString());
        const std::vector<THistoryEntry> kept = Kept(FTree.Path());
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].Bytes, w.Root()->TotalSize());
        EXPECT_EQ(kept[0].Files, 2);
        // The result shown is untouched by the writing.
        EXPECT_TRUE(w.Status().startsWith("Done.")) << w.Status().toStdString();

        w.Trigger(TCommand::KeepHistory);
        EXPECT_FALSE(w.Action(TCommand::KeepHistory)->isChecked());
        QSignalSpy recorded(&w.Win.History(), &ui::THistoryRecorder::Recorded);
        ASSERT_TRUE(w.Scan(FTree.Path()));
        QApplication::processEvents();
        EXPECT_EQ(recorded.count(), 0);
        EXPECT_EQ(Kept(FTree.Path()).size(), 1u);
    }
    // The switch is saved: the next window keeps nothing either.
    WindowDriver w;
    EXPECT_FALSE(w.Action(TCommand::KeepHistory)->isChecked());
    ASSERT_TRUE(w.Scan(FTree.Path()));
    EXPECT_EQ(Kept(FTree.Path()).size(), 1u);
}

TEST_F(WindowHistory, ClearAsksNamingScansAndBytesThenRemovesThem)
{
    test::TempDir other;
    other.MakeFile("x.bin", 100);
    WindowDriver w;
    ASSERT_EQ(ScanAndRecord(w, FTree.Path()), QString());
    ASSERT_EQ(ScanAndRecord(w, other.Path()), QString());
    const THistoryTotals totals = TScanHistory::Open().Totals();
    ASSERT_EQ(totals.Scans, 2);

    struct Case
    {
        bool Answer;
        std::int64_t ScansLeft;
        const char* Status;
    };
    for (const Case c : {Case{false, 2, "Done."}, Case{true, 0, "2 scans removed"}}) {
        SCOPED_TRACE(c.Answer);
        w.Log.Questions.clear();
        w.Log.Answer = c.Answer;
        w.Trigger(TCommand::ClearHistory);
        ASSERT_EQ(w.Log.Questions.size(), 1);
        EXPECT_EQ(w.Log.Questions[0].toStdString(),
                  "Remove 2 kept scans (" + FormatSize(totals.Bytes) + ") from the scan history?");
        EXPECT_EQ(TScanHistory::Open().Totals().Scans, c.ScansLeft);
        EXPECT_TRUE(w.Status().startsWith(c.Status)) << w.Status().toStdString();
    }
    // Nothing left: nothing to ask.
    w.Log.Questions.clear();
    w.Trigger(TCommand::ClearHistory);
    EXPECT_TRUE(w.Log.Questions.isEmpty());
    EXPECT_EQ(w.Status(), "The scan history is empty.");
    EXPECT_NE(w.Root(), nullptr);
}

TEST_F(WindowHistory, AnUnusableHistoryCostsOneStatusLineNotTheResult)
{
    // Another folder put in the history's place as a link: refused, nothing written there.
    test::TempDir elsewhere;
    FData.MakeDir("harrowdale");
    std::filesystem::create_directory_symlink(elsewhere.Path(), FData / "harrowdale/history");
    WindowDriver w;
    const std::optional<QString> error = ScanAndRecord(w, FTree.Path());
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->isEmpty());
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_TRUE(w.Status().startsWith("The scan was not kept in the history: "))
        << w.Status().toStdString();
    ASSERT_NE(w.Root(), nullptr);
    EXPECT_EQ(w.Root()->TotalFiles(), 2);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.Path()));
}

} // namespace
} // namespace harrowdale
