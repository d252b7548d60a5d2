// harrowdale-scan writing and reading scan files on Linux: the root recorded whatever was
// typed, outputs that are pipes, devices or links, an interrupted export, and a scan file
// too big for the memory there is.

#include "exchange/ScanFileStreams.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/posix/FifoWriter.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace harrowdale {
namespace {

test::ProgramRun Exec(const std::vector<std::string>& args, const std::string& workingDir = {})
{
    return test::RunProgram(test::ScanProgram(), args, {}, workingDir);
}

std::string RootOf(const test::ProgramRun& json)
{
    const std::string key = "\"root\": \"";
    const std::size_t at = json.Out.find(key);
    if (at == std::string::npos)
        return "(no root)";
    const std::size_t start = at + key.size();
    return json.Out.substr(start, json.Out.find('"', start) - start);
}

bool HasTemporaryFile(const std::string& folder)
{
    bool found = false;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            found = found || std::string(e->d_name).rfind(".harrowdale-", 0) == 0;
        ::closedir(d);
    }
    return found;
}

int LineCount(const std::string& s)
{
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

TEST(HarrowdaleScanFiles, TheRootRecordedIsTheFolderScannedWhateverWasTyped)
{
    test::TempDir t;
    t.MakeDir("tree/sub");
    t.MakeDir("elsewhere");
    t.MakeFile("tree/sub/f", 10);
    t.MakeLink(t / "tree", "elsewhere/link");
    const std::string tree = std::filesystem::canonical(t / "tree").string();
    struct Case
    {
        const char* From; ///< the working folder, below the scratch folder
        const char* Typed;
    };
    const Case cases[] = {
        {"tree", "."},          {"", "./tree"},
        {"", "tree//sub/.."},   {"tree/sub", "../../tree/"},
        {"", "elsewhere/link"}, {"elsewhere", "link/sub/.."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Typed);
        const std::string file = t / "s.json";
        const test::ProgramRun scan =
            Exec({"--no-progress", "--json", "--export", file, c.Typed}, t / c.From);
        ASSERT_EQ(scan.Status, 0) << scan.Err;
        EXPECT_EQ(RootOf(scan), tree);
        const test::ProgramRun back = Exec({"--json", "--import", file});
        ASSERT_EQ(back.Status, 0) << back.Err;
        EXPECT_EQ(RootOf(back), tree);
        EXPECT_NE(back.Out.find("\"files\": 1,"), std::string::npos) << back.Out;
    }
}

TEST(HarrowdaleScanFiles, OutputsThatAreNoRegularFileAreWrittenIntoNotReplaced)
{
    test::TempDir t;
    t.MakeDir("tree");
    t.MakeFile("tree/f", 10);
    t.MakeDir("out");
    ASSERT_EQ(::mkfifo((t / "out/fifo").c_str(), 0600), 0);
    t.MakeLink("real.json", "out/link.json");
    t.MakeLink("real.png", "out/link.png");

    // A pipe gets the whole scan file, and stays a pipe. Its reader is there first (the
    // file is small enough for the pipe's buffer), so nothing waits on the other side.
    const int readEnd = ::open((t / "out/fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(readEnd, 0);
    const test::ProgramRun toFifo = Exec({"--no-progress", "--export", t / "out/fifo", t / "tree"});
    EXPECT_EQ(toFifo.Status, 0) << toFifo.Err;
    std::string piped(65536, '\0');
    const ssize_t got = ::read(readEnd, piped.data(), piped.size());
    ::close(readEnd);
    piped.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    EXPECT_EQ(piped.rfind("[1,2,{", 0), 0u) << piped.substr(0, 100);
    EXPECT_NE(piped.find("\"name\":\"f\""), std::string::npos);
    struct stat st
    {
    };
    ASSERT_EQ(::lstat((t / "out/fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A link is written through: the file it names appears, the link stays.
    const std::vector<std::string> png = {"--treemap", "files", "--size", "40x30", "--png"};
    std::vector<std::string> pngToLink = png;
    pngToLink.insert(pngToLink.end(), {t / "out/link.png", t / "tree"});
    for (const auto& [args, written] :
         {std::pair{std::vector<std::string>{"--export", t / "out/link.json", t / "tree"},
                    t / "out/real.json"},
          std::pair{pngToLink, t / "out/real.png"}}) {
        SCOPED_TRACE(written);
        const test::ProgramRun r = Exec(args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_GT(test::ReadFileBytes(written).size(), 20u);
    }
    ASSERT_EQ(::lstat((t / "out/link.json").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_FALSE(HasTemporaryFile(t / "out"));

    // Devices are written into; a full one is a write error in one line.
    struct Case
    {
        std::vector<std::string> Args;
        int Status;
        const char* Err;
    };
    std::vector<std::string> pngToFull = png;
    pngToFull.insert(pngToFull.end(), {"/dev/full", t / "tree"});
    const Case cases[] = {
        {{"--export", "/dev/null", t / "tree"}, 0, ""},
        {{"--export", "/dev/full", t / "tree"},
         1,
         "cannot export to /dev/full: cannot write: No space left on device"},
        {pngToFull, 1, "No space left on device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args.front() + " " + c.Args[c.Args.size() - 2]);
        const test::ProgramRun r = Exec(c.Args);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
        EXPECT_EQ(LineCount(r.Err), c.Status == 0 ? 0 : 1) << r.Err;
    }
    for (const char* device : {"/dev/null", "/dev/full"}) {
        ASSERT_EQ(::lstat(device, &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << device;
    }
}

/// A gzip scan file of one folder of `files` files with names of their own.
std::string BigScanFile(int files)
{
    std::string text = "[1,2,{\"progname\":\"test\"},[{\"name\":\"/big\"}";
    text.reserve(static_cast<std::size_t>(files) * 32);
    for (int i = 0; i < files; ++i)
        text += ",{\"name\":\"file" + std::to_string(i) + "\",\"asize\":" + std::to_string(i) + "}";
    text += "]]";
    return test::Gzip(text);
}

TEST(HarrowdaleScanFiles, AnInterruptedExportLeavesNoPartialFile)
{
    test::TempDir t;
    test::WriteFileBytes(t / "big.json.gz", BigScanFile(300000));
    t.MakeDir("out");
    const std::string program = test::ScanProgram();
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(signal);
        const std::string target = t / "out/scan.json";
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::execl(program.c_str(), program.c_str(), "--import", (t / "big.json.gz").c_str(),
                    "--export", target.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The signal comes while the temporary file is being written.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!HasTemporaryFile(t / "out") && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ::kill(pid, signal);
        int wstatus = 0;
        ASSERT_EQ(::waitpid(pid, &wstatus, 0), pid);
        if (WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0)
            GTEST_SKIP() << "the export finished before the signal";
        ASSERT_TRUE(WIFEXITED(wstatus)) << "ended by signal " << WTERMSIG(wstatus);
        EXPECT_EQ(WEXITSTATUS(wstatus), status);
        EXPECT_FALSE(HasTemporaryFile(t / "out"));
        EXPECT_NE(::access(target.c_str(), F_OK), 0);
    }
}

/// Whether process `pid` has the file at `path` open, waiting at most `timeout` for it.
bool HasOpen(pid_t pid, const std::string& path, std::chrono::milliseconds timeout)
{
    namespace fs = std::filesystem;
    const fs::path want = fs::canonical(path);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
            if (fs::read_symlink(fd.path(), ec) == want)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

TEST(HarrowdaleScanFiles, AnInterruptedImportFromASilentPipeEndsAtOnce)
{
    for (const bool writerComes : {false, true}) {
        SCOPED_TRACE(writerComes ? "the writer stays silent" : "no writer");
        test::TempDir t;
        test::FifoWriter writer(t / "scan.json");
        ASSERT_TRUE(writer.Made());
        const std::string program = test::ScanProgram();
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::execl(program.c_str(), program.c_str(), "--import", (t / "scan.json").c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (writerComes) {
            EXPECT_TRUE(writer.Connect());
            EXPECT_TRUE(writer.Send("[1,2,{},[{\"name\":\"/r\"},"));
        }
        // Opening the pipe does not wait for a writer; the handler is in place by then.
        EXPECT_TRUE(HasOpen(pid, t / "scan.json", std::chrono::seconds(10)));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::kill(pid, SIGINT);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        int wstatus = 0;
        pid_t ended = 0;
        while (ended == 0 && std::chrono::steady_clock::now() < deadline) {
            ended = ::waitpid(pid, &wstatus, WNOHANG);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(ended, pid) << "still running 2 s after the interruption";
        if (ended != pid) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &wstatus, 0);
            continue;
        }
        ASSERT_TRUE(WIFEXITED(wstatus)) << "ended by signal " << WTERMSIG(wstatus);
        EXPECT_EQ(WEXITSTATUS(wstatus), 130);
    }
}

TEST(HarrowdaleScanFiles, RunningOutOfMemoryIsOneLineAndStatus2)
{
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves its shadow memory at start-up, which no small address
    // space limit leaves room for: the program would end before it runs.
    GTEST_SKIP() << "an address space limit stops AddressSanitizer itself";
#endif
    test::TempDir t;
    test::WriteFileBytes(t / "big.json.gz", BigScanFile(700000));
    // About twice what the program needs to start, and half what this tree needs.
    const std::string cmd = "ulimit -v 100000; exec " + test::ShellQuote(test::ScanProgram()) +
                            " --import " + test::ShellQuote(t / "big.json.gz") + " >" +
                            test::ShellQuote(t / "out.txt") + " 2>" +
                            test::ShellQuote(t / "err.txt");
    const int wstatus = std::system(("sh -c " + test::ShellQuote(cmd)).c_str());
    ASSERT_TRUE(WIFEXITED(wstatus));
    EXPECT_EQ(WEXITSTATUS(wstatus), 2);
    const std::string err = test::ReadFileBytes(t / "err.txt");
    EXPECT_EQ(err, "harrowdale-scan: out of memory\n");
}

} // namespace
} // namespace harrowdale
