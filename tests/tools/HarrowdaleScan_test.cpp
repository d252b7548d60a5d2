// harrowdale-scan as a script would use it: exit codes, messages and the JSON report.

#include "support/TempDir.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

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
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

CliRun Exec(const std::string& args, const test::TempDir& scratch)
{
    CliRun r;
    const std::string errFile = scratch / "stderr.txt";
    const std::string cmd = Quote(ScanBin()) + " " + args + " 2>" + Quote(errFile);
    FILE* p = ::popen(cmd.c_str(), "r");
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.Out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* e = std::fopen(errFile.c_str(), "r")) {
        while ((n = std::fread(buf.data(), 1, buf.size(), e)) > 0)
            r.Err.append(buf.data(), n);
        std::fclose(e);
    }
    return r;
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
    struct Case
    {
        std::string Args;
        std::string Message;
    };
    const Case cases[] = {
        {Quote(t / "missing"), "Folder does not exist."},
        {"--exclude-smaller abc " + Quote(t.Path()), "Invalid \"Less than\" value."},
        {"--exclude-smaller -5 " + Quote(t.Path()), "Invalid \"Less than\" value."},
        {"--exclude-pattern '*.[txt' " + Quote(t.Path()),
         "EMaskException: '*.[TXT' is an invalid mask at (7)"},
        {"--largest many " + Quote(t.Path()), "--largest"},
        {"--bogus " + Quote(t.Path()), "unknown option --bogus"},
        {"", "no PATH given"},
        {"--exclude-before 2020-13-01 " + Quote(t.Path()), "--exclude-before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args);
        const CliRun r = Exec(c.Args, scratch);
        EXPECT_EQ(r.Status, 2);
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
        EXPECT_TRUE(r.Out.empty());
    }
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

TEST(HarrowdaleScan, InterruptCancelsWithStatus130)
{
    test::TempDir scratch;
    // The whole file system is big enough to still be scanning when the signal comes.
    const std::string cmd =
        "sh -c " + Quote(Quote(ScanBin()) + " --json / >/dev/null 2>" + Quote(scratch / "err.txt") +
                         " & pid=$!; sleep 0.3; " + "kill -INT $pid; wait $pid; echo $?");
    FILE* p = ::popen(cmd.c_str(), "r");
    char buf[64] = {};
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, p);
    ::pclose(p);
    const int status = std::atoi(std::string(buf, n).c_str());
    if (status == 0)
        GTEST_SKIP() << "the scan of / finished before the interrupt";
    EXPECT_EQ(status, 130);
    FILE* e = std::fopen((scratch / "err.txt").c_str(), "r");
    ASSERT_NE(e, nullptr);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, e), nullptr);
    std::fclose(e);
    EXPECT_NE(std::string(line).find("Cancelled by user"), std::string::npos) << line;
}

} // namespace
} // namespace harrowdale
