// Stop while a scan file is read from a named pipe: the reading gives up at once whatever
// the pipe's writer does, and a writer that is late or slow is still read whole.

#include "exchange/ScanFileStreams.h"
#include "exchange/ScanTreeImport.h"
#include "support/TempDir.h"
#include "support/posix/FifoWriter.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace harrowdale {
namespace {

using namespace std::chrono_literals;

const std::string kHead = "[1,2,{},[{\"name\":\"/r\"},";
const std::string kWhole = kHead + "{\"name\":\"f\",\"asize\":3}]]";

/// Reads the scan file at `path` on a thread of its own. End() says how it ended.
class BackgroundImport
{
public:
    explicit BackgroundImport(std::string path)
        : FThread([this, path = std::move(path)] { FDone.set_value(Run(path)); })
    {
    }
    ~BackgroundImport()
    {
        if (FThread.joinable())
            FThread.join();
    }
    void Cancel() { FContext.Cancel(); }
    /// "cancelled", "files: N" or the error; "(still reading)" when it has not ended within
    /// `timeout`.
    std::string End(std::chrono::milliseconds timeout)
    {
        if (FEnded.wait_for(timeout) != std::future_status::ready)
            return "(still reading)";
        FThread.join();
        return FEnded.get();
    }

private:
    std::string Run(const std::string& path)
    {
        try {
            const TImportResult r = ImportScanFile(path, FContext);
            return "files: " + std::to_string(r.Tree->Root()->TotalFiles());
        } catch (const EImportCancelled&) {
            return "cancelled";
        } catch (const std::exception& e) {
            return e.what();
        }
    }

    TScanContext FContext;
    std::promise<std::string> FDone;
    std::future<std::string> FEnded = FDone.get_future();
    std::thread FThread; // last: it starts once everything it uses is there
};

TEST(StopWhileReading, APipeThatKeepsTheReaderWaitingIsGivenUpOnStop)
{
    struct Case
    {
        const char* What;
        bool WriterComes;
        std::string Sent;
    };
    const std::vector<Case> cases = {
        {"no writer ever opens the pipe", false, ""},
        {"the writer sends nothing", true, ""},
        {"the writer stops half-way", true, kHead},
        {"the writer stops half-way through gzip", true, test::Gzip(kWhole).substr(0, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        test::TempDir t;
        test::FifoWriter writer(t / "scan.json");
        ASSERT_TRUE(writer.Made());
        BackgroundImport import(t / "scan.json");
        if (c.WriterComes) {
            EXPECT_TRUE(writer.Connect());
            EXPECT_TRUE(writer.Send(c.Sent));
        }
        std::this_thread::sleep_for(100ms);
        import.Cancel();
        std::string how = import.End(2s);
        EXPECT_EQ(how, "cancelled");
        if (how == "(still reading)") { // a writer coming and going lets it end
            writer.Release();
            import.End(60s);
        }
    }
}

TEST(StopWhileReading, ALateOrSlowWriterIsReadWhole)
{
    // The pipe is open before its writer comes: it must not read as an empty file then.
    for (const std::string& bytes : {kWhole, test::Gzip(kWhole)}) {
        SCOPED_TRACE(bytes == kWhole ? "plain" : "gzip");
        test::TempDir t;
        test::FifoWriter writer(t / "scan.json");
        ASSERT_TRUE(writer.Made());
        BackgroundImport import(t / "scan.json");
        std::this_thread::sleep_for(150ms);
        EXPECT_TRUE(writer.Connect());
        EXPECT_TRUE(writer.Send(bytes.substr(0, bytes.size() / 2)));
        std::this_thread::sleep_for(150ms);
        EXPECT_TRUE(writer.Send(bytes.substr(bytes.size() / 2)));
        writer.Close();
        std::string how = import.End(60s);
        EXPECT_EQ(how, "files: 1");
        if (how == "(still reading)") {
            writer.Release();
            import.End(60s);
        }
    }
}

} // namespace
} // namespace harrowdale
