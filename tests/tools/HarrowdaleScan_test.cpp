// harrowdale-scan as a script would use it: exit codes, messages and the JSON report.

#include "support/TempDir.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace harrowdale {
namespace {

struct CliRun
{
    int Status = -1;
    std::string Out;
    std::string Err;
};

std::string ScanBin()
{
    const char* bin = std::getenv("HARROWDALE_SCAN_BIN");
    return bin ? bin : "harrowdale-scan";
}

std::string Quote(const std::string& s)
{
    return test::ShellQuote(s);
}

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

/// Command lines that must fail with status 2, one line on standard error holding
/// `Message`, and nothing on standard output.
struct UsageError
{
    std::string Args;
    std::string Message;
};

template <std::size_t N>
void ExpectUsageErrors(const UsageError (&cases)[N], const test::TempDir& scratch)
{
    for (const UsageError& c : cases) {
        SCOPED_TRACE(c.Args);
        const CliRun r = Exec(c.Args, scratch);
        EXPECT_EQ(r.Status, 2);
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
        EXPECT_TRUE(r.Out.empty());
    }
}

TEST(HarrowdaleScan, JsonReportOfAnOddTree)
{
    test::TempDir t, scratch;
    t.MakeDir("a");
    t.MakeDir("b");
    t.MakeFile("a/Report.PDF", 1000, 1700000000);
    t.MakeFile("b/report.pdf", 1000, 0);
    t.MakeFile("big\xff.bin", 5000);
    t.MakeFile("small.txt", 10);
    t.MakeLink("small.txt", "link");

    const CliRun r = Exec("--json --no-progress --largest 2 " + Quote(t.Path()), scratch);
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::string& j = r.Out;
    EXPECT_NE(j.find("\"root\": \"" + t.Path() + "\""), std::string::npos) << j;
    EXPECT_NE(j.find("\"files\": 4,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"dirs\": 3,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"bytes\": 7010,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"met_bytes\": 7010,"), std::string::npos) << j;
    // Invalid UTF-8 comes back as one \udcXX escape per byte.
    EXPECT_NE(j.find("big\\udcff.bin\", \"size\": 5000"), std::string::npos) << j;
    EXPECT_NE(j.find("{\"ext\": \".pdf\", \"bytes\": 2000, \"files\": 2}"), std::string::npos) << j;
    EXPECT_NE(j.find("\"duplicate_groups\": 1,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"size\": 1000, \"files\": ["), std::string::npos) << j;
    // Only the two largest files are listed.
    EXPECT_EQ(j.find("small.txt"), std::string::npos) << j;
}

TEST(HarrowdaleScan, FiltersApply)
{
    test::TempDir t, scratch;
    t.MakeFile("keep.bin", 4096);
    t.MakeFile("tiny.bin", 100);
    t.MakeFile("skip.tmp", 9000);
    t.MakeFile("old.bin", 9000, 946684800); // 2000-01-01
    const CliRun r = Exec("--json --exclude-smaller 1.5KB --exclude-pattern ' *.TMP ; ;' "
                          "--exclude-before '2010-01-01 00:00' " +
                              Quote(t.Path()),
                          scratch);
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"files\": 1,"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"bytes\": 4096,"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"met_bytes\": 22196,"), std::string::npos) << r.Out;
}

TEST(HarrowdaleScan, BadInputFailsWithStatus2AndOneLine)
{
    test::TempDir t, scratch;
    t.MakeFile("a.txt", 1);
    const UsageError cases[] = {
        // The message names what was wrong: the path, the option and the value as given.
        {Quote(t / "missing"), (t / "missing") + ": Folder does not exist."},
        {Quote(t / "a.txt"), (t / "a.txt") + ": Folder does not exist."},
        {"--exclude-smaller abc " + Quote(t.Path()), "--exclude-smaller wants a size"},
        {"--exclude-smaller 10XB " + Quote(t.Path()), "not \"10XB\""},
        {"--exclude-smaller -5 " + Quote(t.Path()), "not \"-5\""},
        {"--exclude-pattern '*.[txt' " + Quote(t.Path()),
         "--exclude-pattern: '*.[TXT' is an invalid mask at (7)"},
        {"--largest many " + Quote(t.Path()), "--largest"},
        {"--bogus " + Quote(t.Path()), "unknown option --bogus"},
        {"", "no PATH given"},
        {"--exclude-before 2020-13-01 " + Quote(t.Path()), "--exclude-before"},
        {"--hard-links twice " + Quote(t.Path()), "--hard-links wants once or each"},
        {"--threads 0 " + Quote(t.Path()), "--threads wants a whole number"},
    };
    ExpectUsageErrors(cases, scratch);
}

TEST(HarrowdaleScan, TextReportAndVersion)
{
    test::TempDir t, scratch;
    t.MakeFile("x.dat", 2048);
    const CliRun r = Exec("--no-progress " + Quote(t.Path()), scratch);
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("Done. Total files: 1   Total size: 2.0 KB\n", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find(".dat"), std::string::npos);

    const CliRun v = Exec("--version", scratch);
    EXPECT_EQ(v.Status, 0);
    EXPECT_EQ(v.Out, "harrowdale-scan 2.2\n");
}

TEST(HarrowdaleScan, ExportedScanReportsLikeTheScan)
{
    test::TempDir t, scratch;
    t.MakeDir("a/deep");
    t.MakeDir("b");
    t.MakeDir("empty");
    t.MakeFile("a/Report.PDF", 1000, 1700000000);
    t.MakeFile("b/report.pdf", 1000, 0);
    t.MakeFile("a/deep/big\xff.bin", 5000, 1600000000);
    t.MakeFile("line\nbreak.txt", 10);
    const std::string file = scratch / "scan.json";

    const CliRun scan =
        Exec("--json --no-progress --export " + Quote(file) + " " + Quote(t.Path()), scratch);
    ASSERT_EQ(scan.Status, 0) << scan.Err;
    const CliRun back = Exec("--json --import " + Quote(file), scratch);
    ASSERT_EQ(back.Status, 0) << back.Err;
    EXPECT_EQ(back.Out, scan.Out);

    const CliRun text = Exec("--no-progress " + Quote(t.Path()), scratch);
    const CliRun textBack = Exec("--import " + Quote(file), scratch);
    EXPECT_EQ(textBack.Out, text.Out);

    // To standard output, through gzip, from standard input.
    const CliRun out = Exec("--no-progress --export - " + Quote(t.Path()), scratch);
    ASSERT_EQ(out.Status, 0) << out.Err;
    EXPECT_EQ(out.Out.rfind("[1,2,{\"progname\":\"harrowdale\"", 0), 0u) << out.Out;
    test::WriteFileBytes(scratch / "piped.json", out.Out);
    ASSERT_EQ(std::system(("gzip -n " + Quote(scratch / "piped.json")).c_str()), 0);
    const CliRun gz = Exec("--json --import - < " + Quote(scratch / "piped.json.gz"), scratch);
    ASSERT_EQ(gz.Status, 0) << gz.Err;
    EXPECT_EQ(gz.Out, scan.Out);

    // The file appeared whole, readable by its owner only, and nothing else was left.
    struct stat st
    {
    };
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(scratch.Path()))
        entries += e.path().filename().string().rfind(".harrowdale-", 0) == 0;
    EXPECT_EQ(entries, 0u);
}

TEST(HarrowdaleScan, BadScanFilesFailWithStatus2AndOneLine)
{
    test::TempDir t, scratch;
    t.MakeFile("a.txt", 1);
    const std::string good = scratch / "good.json";
    ASSERT_EQ(Exec("--export " + Quote(good) + " " + Quote(t.Path()), scratch).Status, 0);
    const std::string text = test::ReadFileBytes(good);
    auto write = [&](const std::string& name, const std::string& bytes) {
        test::WriteFileBytes(scratch / name, bytes);
        return scratch / name;
    };
    std::string deep = "[1,2,{},[{\"name\":\"/r\"}";
    for (int i = 0; i < 1000000; ++i)
        deep += ",[{\"name\":\"d\"}";
    const std::string huge = scratch / "huge.json";
    { // 10 GB of nothing, without the disk space
        write("huge.json", "");
        std::filesystem::resize_file(huge, 10ULL << 30);
    }
    const UsageError cases[] = {
        {"--import " + Quote(write("garbage", "garbage")), "not a scan file"},
        {"--import " + Quote(write("cut.json", text.substr(0, text.size() / 2))), "ends too early"},
        {"--import " + Quote(huge), "not a scan file"},
        {"--import " + Quote(scratch / "missing.json"), "cannot open: No such file"},
        {"--import " + Quote(scratch.Path()), "cannot read: Is a directory"},
        {"--import " + Quote(good) + " " + Quote(t.Path()), "give no PATH"},
        {"--import " + Quote(good) + " --exclude-smaller 1x",
         "--exclude-smaller wants a size such as 500, 1.5MB or 2GB, not \"1x\""},
        {"--import " + Quote(good) + " --exclude-pattern '[b-'",
         "--exclude-pattern: '[B-' is an invalid mask"},
        {"--import " + Quote(write("deep.json", deep)), "nested deeper than 100000 levels"},
        {"--export " + Quote(good) + " --all-drives", "--export writes one folder tree"},
        {"--import", "option --import needs a value"},
    };
    ExpectUsageErrors(cases, scratch);

    // A file that cannot be written: status 1, and the good file stays as it was.
    const CliRun r =
        Exec("--export " + Quote(scratch / "no/such/folder.json") + " " + Quote(t.Path()), scratch);
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("cannot export to"), std::string::npos) << r.Err;
    EXPECT_EQ(test::ReadFileBytes(good), text);
}

TEST(HarrowdaleScan, SizeMeasureAndHardLinkRuleAreChosenAndReported)
{
    test::TempDir t, scratch;
    t.MakeDir("a");
    t.MakeFile("a/sparse.img", 1 << 20); // a length, no blocks
    t.MakeFile("a/one", 700);
    ASSERT_EQ(::link((t / "a/one").c_str(), (t / "two").c_str()), 0);
    struct Case
    {
        std::string Options;
        std::string Files, Bytes, Kind, Links, SizeLine, LinkLine;
    };
    const Case cases[] = {
        {"", "2", "1049276", "apparent", "once", "Sizes: length of each file",
         "Hard links: each file counted once"},
        {"--hard-links each --threads 1", "3", "1049976", "apparent", "each",
         "Sizes: length of each file", "Hard links: every link counted"},
        // Both files are holes only: nothing allocated.
        {"--size-on-disk --hard-links once", "2", "0", "on_disk", "once",
         "Sizes: space used on disk", "Hard links: each file counted once"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Options);
        const CliRun j = Exec("--json --no-progress " + c.Options + " " + Quote(t.Path()), scratch);
        ASSERT_EQ(j.Status, 0) << j.Err;
        EXPECT_NE(j.Out.find("\"files\": " + c.Files + ","), std::string::npos) << j.Out;
        EXPECT_NE(j.Out.find("\"bytes\": " + c.Bytes + ","), std::string::npos) << j.Out;
        EXPECT_NE(j.Out.find("\"size_kind\": \"" + c.Kind + "\","), std::string::npos) << j.Out;
        EXPECT_NE(j.Out.find("\"hard_links\": \"" + c.Links + "\","), std::string::npos) << j.Out;
        const CliRun text = Exec("--no-progress " + c.Options + " " + Quote(t.Path()), scratch);
        ASSERT_EQ(text.Status, 0) << text.Err;
        EXPECT_NE(text.Out.find("\n" + c.SizeLine + "\n" + c.LinkLine + "\n"), std::string::npos)
            << text.Out;
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
        const CliRun json = Exec("--json " + scan, scratch, asUser);
        ASSERT_EQ(json.Status, 0) << json.Err;
        const CliRun text = Exec(scan, scratch, asUser);
        const std::string file = scratch / "scan.json";
        ASSERT_EQ(Exec("--export - " + scan + " >" + Quote(file), scratch, asUser).Status, 0);
        const std::string written = test::ReadFileBytes(file);
        if (!asUser.empty() || ::geteuid() != 0) {
            EXPECT_NE(written.find("{\"name\":\"locked\",\"read_error\":true}"), std::string::npos)
                << written;
        }
        EXPECT_NE(written.find("\"notreg\":true"), std::string::npos) << written;
        EXPECT_NE(written.find("\"hlnkc\":true,\"nlink\":3"), std::string::npos) << written;

        const CliRun back = Exec("--json " + mode + " --import " + Quote(file), scratch);
        ASSERT_EQ(back.Status, 0) << back.Err;
        EXPECT_EQ(back.Out, json.Out);
        EXPECT_EQ(Exec(mode + " --import " + Quote(file), scratch).Out, text.Out);

        // The filter applied to the import of an unfiltered scan does what it does to a scan.
        const std::string all = scratch / "all.json";
        ASSERT_EQ(
            Exec("--export - --no-progress " + mode + " " + Quote(t.Path()) + " >" + Quote(all),
                 scratch, asUser)
                .Status,
            0);
        EXPECT_EQ(Exec("--json " + mode + " " + filter + "--import " + Quote(all), scratch).Out,
                  json.Out);
    }

    // Written with every link, a file reads back under either rule as that scan would.
    const std::string each = scratch / "each.json";
    ASSERT_EQ(
        Exec("--export - --no-progress --hard-links each " + Quote(t.Path()) + " >" + Quote(each),
             scratch, asUser)
            .Status,
        0);
    const CliRun once = Exec("--json --no-progress " + Quote(t.Path()), scratch, asUser);
    EXPECT_EQ(Exec("--json --import " + Quote(each), scratch).Out, once.Out);
    ::chmod((t / "locked").c_str(), 0755);
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

TEST(HarrowdaleScan, PathIsUsedByteForByte)
{
    test::TempDir t, scratch;
    t.MakeDir("trail ");
    t.MakeFile("trail /one.bin", 1);
    t.MakeDir("trail"); // what a trimmed name would scan
    t.MakeDir(" lead");
    t.MakeFile(" lead/two.bin", 2);
    t.MakeDir("-dash");
    t.MakeFile("-dash/three.bin", 3);
    struct Case
    {
        std::string Args;
        std::string Root;
        int Bytes;
    };
    const Case cases[] = {
        {Quote(t / "trail "), t / "trail ", 1},
        {Quote(t / " lead"), t / " lead", 2},
        {"-- " + Quote(t / "-dash"), t / "-dash", 3},
        {"--largest=1 --duplicates=0 -- " + Quote(t / "trail "), t / "trail ", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args);
        const CliRun r = Exec("--json --no-progress " + c.Args, scratch);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Out.find("\"root\": " + std::string("\"") + c.Root + "\""), std::string::npos)
            << r.Out;
        EXPECT_NE(r.Out.find("\"bytes\": " + std::to_string(c.Bytes) + ","), std::string::npos)
            << r.Out;
    }
    // Relative paths too: " lead" from its parent folder.
    const std::string cmd =
        "cd " + Quote(t.Path()) + " && " + Quote(ScanBin()) + " --json --no-progress ' lead' 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    EXPECT_EQ(WEXITSTATUS(::pclose(p)), 0) << out;
    EXPECT_NE(out.find("\"root\": \"" + t / " lead" + "\""), std::string::npos) << out;
}

TEST(HarrowdaleScan, OptionsAndDatesAreReadExactly)
{
    test::TempDir t, scratch;
    t.MakeFile("a.txt", 1);
    struct Case
    {
        std::string Options;
        int Status;
        std::string Message; // in the one line on standard error
        bool PathFirst = false;
    };
    const Case cases[] = {
        {"--exclude-before '2024-01-01'", 0, ""},
        {"--exclude-before '2024-01-01 10:20'", 0, ""},
        {"--exclude-before='2024-01-01 10:20:30'", 0, ""},
        {"--exclude-before '+024-01-01'", 2, "--exclude-before"},
        {"--exclude-before '2024- 1- 1'", 2, "--exclude-before"},
        {"--exclude-before '2024-1-1'", 2, "--exclude-before"},
        {"--exclude-before ' 2024-01-01'", 2, "--exclude-before"},
        {"--exclude-before '2024-01-01 '", 2, "--exclude-before"},
        {"--exclude-before '2024-01-01T10:20'", 2, "--exclude-before"},
        {"--exclude-before '2024-02-30'", 2, "--exclude-before"},
        {"--exclude-before '2024-01-01 24:00'", 2, "--exclude-before"},
        {"--exclude-smaller=1KB --exclude-pattern='*.tmp' --treemap=files --size=8x8 --png=" +
             Quote(scratch / "p.png"),
         0, ""},
        {"--largest=", 2, "--largest"},
        {"--json=yes", 2, "option --json takes no value"},
        {"--bogus=1", 2, "unknown option --bogus"},
        {"--largest", 2, "option --largest needs a value", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Options);
        const CliRun r = Exec(c.PathFirst ? "--no-progress " + Quote(t.Path()) + " " + c.Options
                                          : "--no-progress " + c.Options + " " + Quote(t.Path()),
                              scratch);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        if (c.Status != 0) {
            EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
            EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
        }
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

TEST(HarrowdaleScan, HelpListsTheExitStatuses)
{
    test::TempDir scratch;
    const CliRun r = Exec("--help", scratch);
    EXPECT_EQ(r.Status, 0);
    for (const char* line : {"Exit status:", "  0 ", "  1 ", "  2 ", "  130 ", "  143 "})
        EXPECT_NE(r.Out.find(line), std::string::npos) << line;
}

} // namespace
} // namespace harrowdale
