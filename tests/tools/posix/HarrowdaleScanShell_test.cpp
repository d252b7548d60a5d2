// harrowdale-scan as a shell script drives it: signals, output that cannot be written, and
// scan files of trees with what only Linux has (hard links, fifos, folders closed by their
// permission bits, scanned as an ordinary user).

#include "support/Process.h"
#include "support/TempDir.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace harrowdale {
namespace {

std::string ScanBin()
{
    const char* bin = std::getenv("HARROWDALE_SCAN_BIN");
    return bin ? bin : "harrowdale-scan";
}

std::string Quote(const std::string& s)
{
    return test::ShellQuote(s);
}

struct CliRun
{
    int Status = -1;
    std::string Out;
    std::string Err;
};

/// Runs harrowdale-scan with `args` (shell words); `runAs` goes in front of the program
/// (a command that runs it as another user).
CliRun Exec(const std::string& args, const test::TempDir& scratch, const std::string& runAs = "")
{
    CliRun r;
    const std::string errFile = scratch / "stderr.txt";
    const std::string cmd = runAs + Quote(ScanBin()) + " " + args + " 2>" + Quote(errFile);
    FILE* p = ::popen(cmd.c_str(), "r");
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.Out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.Err = test::ReadFileBytes(errFile);
    return r;
}

TEST(HarrowdaleScan, SignalsCancelWithTheShellsStatus)
{
    for (const auto& [signal, status] : {std::pair{"INT", 130}, std::pair{"TERM", 143}}) {
        SCOPED_TRACE(signal);
        test::TempDir scratch;
        // The whole file system is big enough to still be scanning when the signal comes.
        const std::string cmd =
            "sh -c " +
            Quote(Quote(ScanBin()) + " --json / >/dev/null 2>" + Quote(scratch / "err.txt") +
                  " & pid=$!; sleep 0.3; " + "kill -" + signal + " $pid; wait $pid; echo $?");
        FILE* p = ::popen(cmd.c_str(), "r");
        char buf[64] = {};
        const std::size_t n = std::fread(buf, 1, sizeof buf - 1, p);
        ::pclose(p);
        const int got = std::atoi(std::string(buf, n).c_str());
        if (got == 0)
            GTEST_SKIP() << "the scan of / finished before the signal";
        EXPECT_EQ(got, status);
        FILE* e = std::fopen((scratch / "err.txt").c_str(), "r");
        ASSERT_NE(e, nullptr);
        char line[256] = {};
        ASSERT_NE(std::fgets(line, sizeof line, e), nullptr);
        std::fclose(e);
        EXPECT_NE(std::string(line).find("Cancelled by user"), std::string::npos) << line;
    }
}

TEST(HarrowdaleScan, WriteErrorsSayWhyAndExit1)
{
    test::TempDir t, scratch;
    t.MakeFile("a.txt", 1);
    struct Case
    {
        const char* What;
        std::string Shell; // runs the scan; leaves its status in the file "status"
        const char* Reason;
    };
    const std::string scan = Quote(ScanBin()) + " --json --no-progress " + Quote(t.Path()) + " 2>" +
                             Quote(scratch / "err.txt");
    const std::string status = "; echo $? >" + Quote(scratch / "status");
    const Case cases[] = {
        {"a full disk", scan + " >/dev/full" + status, "No space left on device"},
        // The reader closes its end before the scan starts (it says so through a file), so
        // the write fails with SIGPIPE ignored however the two processes are scheduled.
        {"a closed pipe",
         "trap '' PIPE; (while [ ! -e " + Quote(scratch / "closed") + " ]; do sleep 0.01; done; " +
             scan + status + ") | (exec 0<&-; touch " + Quote(scratch / "closed") + ")",
         "Broken pipe"},
        {"the help on a full disk",
         Quote(ScanBin()) + " --help >/dev/full 2>" + Quote(scratch / "err.txt") + status,
         "No space left on device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_EQ(std::system(("sh -c " + Quote(c.Shell)).c_str()), 0);
        EXPECT_EQ(test::ReadFileBytes(scratch / "status"), "1\n");
        const std::string err = test::ReadFileBytes(scratch / "err.txt");
        EXPECT_NE(err.find(c.Reason), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

TEST(HarrowdaleScan, ScanFilesReportLikeTheScanInEveryMode)
{
    // Three links of one file, links across folders, a sparse file, a fifo, a folder that
    // cannot be read (by an ordinary user: root scans as nobody), a file a filter leaves out.
    test::TempDir t, scratch;
    ASSERT_EQ(::chmod(t.Path().c_str(), 0755), 0);
    for (const char* d : {"a", "b", "c", "locked"})
        t.MakeDir(d);
    test::WriteFileBytes(t / "a/one.dat", std::string(100000, 'x'));
    test::WriteFileBytes(t / "b/x.bin", std::string(5000, 'y'));
    test::WriteFileBytes(t / "skip.tmp", std::string(999, 'z'));
    for (const auto& [from, to] :
         {std::pair{"a/one.dat", "a/two.dat"}, std::pair{"a/one.dat", "c/three.dat"},
          std::pair{"b/x.bin", "c/y.bin"}})
        ASSERT_EQ(::link((t / from).c_str(), (t / to).c_str()), 0);
    t.MakeFile("sparse.img", 8 << 20, 1600000000);
    ASSERT_EQ(::mkfifo((t / "fifo").c_str(), 0644), 0);
    t.MakeFile("locked/hidden.dat", 7);
    ASSERT_EQ(::chmod((t / "locked").c_str(), 0), 0);
    const std::string asUser =
        ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const std::string filter = "--exclude-pattern '*.TMP' ";

    for (const std::string mode :
         {"--hard-links once", "--hard-links each", "--size-on-disk --hard-links once",
          "--size-on-disk --hard-links each"}) {
        SCOPED_TRACE(mode);
        const std::string scan = "--no-progress " + mode + " " + filter + Quote(t.Path());
        // "locked" cannot be read: status 1, as du.
        const CliRun json = Exec("--json " + scan, scratch, asUser);
        ASSERT_EQ(json.Status, 1) << json.Err;
        const CliRun text = Exec(scan, scratch, asUser);
        const std::string file = scratch / "scan.json";
        ASSERT_EQ(Exec("--export - " + scan + " >" + Quote(file), scratch, asUser).Status, 1);
        const std::string written = test::ReadFileBytes(file);
        if (!asUser.empty() || ::geteuid() != 0) {
            EXPECT_NE(written.find("{\"name\":\"locked\",\"read_error\":true}"), std::string::npos)
                << written;
        }
        EXPECT_NE(written.find("\"notreg\":true"), std::string::npos) << written;
        EXPECT_NE(written.find("\"hlnkc\":true,\"nlink\":3"), std::string::npos) << written;

        const CliRun back = Exec("--json " + mode + " --import " + Quote(file), scratch);
        ASSERT_EQ(back.Status, 1) << back.Err;
        EXPECT_EQ(back.Out, json.Out);
        EXPECT_EQ(Exec(mode + " --import " + Quote(file), scratch).Out, text.Out);

        // The filter applied to the import of an unfiltered scan does what it does to a scan.
        const std::string all = scratch / "all.json";
        ASSERT_EQ(
            Exec("--export - --no-progress " + mode + " " + Quote(t.Path()) + " >" + Quote(all),
                 scratch, asUser)
                .Status,
            1);
        EXPECT_EQ(Exec("--json " + mode + " " + filter + "--import " + Quote(all), scratch).Out,
                  json.Out);
    }

    // Written with every link, a file reads back under either rule as that scan would.
    const std::string each = scratch / "each.json";
    ASSERT_EQ(
        Exec("--export - --no-progress --hard-links each " + Quote(t.Path()) + " >" + Quote(each),
             scratch, asUser)
            .Status,
        1);
    const CliRun once = Exec("--json --no-progress " + Quote(t.Path()), scratch, asUser);
    EXPECT_EQ(Exec("--json --import " + Quote(each), scratch).Out, once.Out);
    ::chmod((t / "locked").c_str(), 0755);
}

TEST(HarrowdaleScan, FoldersThatCannotBeReadAreNamedAndSetStatus1)
{
    // Folders closed by their permission bits, scanned as an ordinary user (root scans as
    // nobody): one, and more than are named.
    struct Case
    {
        std::size_t Locked;
        std::string Count;  // the line that counts them
        std::string Listed; // the last line of the list
    };
    const Case cases[] = {
        {1, "1 folder could not be read:\n", "/locked0\n"},
        {22, "22 folders could not be read:\n", "... and 2 more folders\n"},
    };
    const std::string asUser =
        ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Locked);
        test::TempDir t, scratch;
        ASSERT_EQ(::chmod(t.Path().c_str(), 0755), 0);
        t.MakeDir("open");
        t.MakeFile("open/seen.dat", 3);
        for (std::size_t i = 0; i < c.Locked; ++i) {
            const std::string dir = t.MakeDir("locked" + std::to_string(i));
            t.MakeFile("locked" + std::to_string(i) + "/hidden.dat", 7);
            ASSERT_EQ(::chmod(dir.c_str(), 0), 0);
        }
        ASSERT_EQ(::chmod((t / "open").c_str(), 0755), 0);
        const CliRun text = Exec("--no-progress " + Quote(t.Path()), scratch, asUser);
        const CliRun json = Exec("--json --no-progress " + Quote(t.Path()), scratch, asUser);
        for (std::size_t i = 0; i < c.Locked; ++i)
            ::chmod((t / ("locked" + std::to_string(i))).c_str(), 0755);
        if (asUser.empty() && text.Status == 0)
            GTEST_SKIP() << "this user reads folders whatever their permission bits";

        EXPECT_EQ(text.Status, 1) << text.Err;
        EXPECT_EQ(text.Err.rfind("harrowdale-scan: " + c.Count, 0), 0u) << text.Err;
        EXPECT_TRUE(text.Err.ends_with(c.Listed)) << text.Err;
        const std::size_t named = std::min<std::size_t>(c.Locked, 20);
        EXPECT_EQ(test::Occurrences(text.Err, "\n  " + (t / "locked")), named) << text.Err;
        EXPECT_NE(text.Out.find("\n" + c.Count), std::string::npos) << text.Out;
        EXPECT_EQ(test::Occurrences(text.Out, "\n      " + (t / "locked")), named) << text.Out;
        EXPECT_EQ(text.Out.find(t / "open\n"), std::string::npos) << text.Out;

        EXPECT_EQ(json.Status, 1) << json.Err;
        EXPECT_NE(json.Out.find("\"bytes\": 3,"), std::string::npos) << json.Out;
        EXPECT_NE(json.Out.find("\"unreadable_dirs\": " + std::to_string(c.Locked) + ","),
                  std::string::npos)
            << json.Out;
        EXPECT_NE(json.Out.find("\"unreadable_dir_paths\": [\"" + (t / "locked")),
                  std::string::npos)
            << json.Out;
        EXPECT_EQ(test::Occurrences(json.Out, t / "locked"), named) << json.Out;
    }
}

} // namespace
} // namespace harrowdale
