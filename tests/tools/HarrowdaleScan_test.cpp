// harrowdale-scan as a script would use it: exit codes, messages and the JSON report.

#include "exchange/ScanFileStreams.h"
#include "support/Environment.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace harrowdale {
namespace {

test::ProgramRun Exec(const std::vector<std::string>& args, std::string_view input = {})
{
    return test::RunProgram(test::ScanProgram(), args, input);
}

/// `s` as the JSON report writes a plain string.
std::string Json(std::string_view s)
{
    std::string out;
    for (const char c : s) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

/// Command lines that must fail with status 2, one line on standard error holding
/// `Message` and no other control character, and nothing on standard output.
struct UsageError
{
    std::vector<std::string> Args;
    std::string Message;
};

template <std::size_t N> void ExpectUsageErrors(const UsageError (&cases)[N])
{
    for (const UsageError& c : cases) {
        SCOPED_TRACE(c.Args.empty() ? std::string() : c.Args.front());
        const test::ProgramRun r = Exec(c.Args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        std::string_view line = r.Err;
        EXPECT_TRUE(line.ends_with('\n')) << r.Err;
        line = line.substr(0, line.size() - (line.ends_with("\r\n") ? 2 : 1));
        EXPECT_EQ(std::count_if(line.begin(), line.end(),
                                [](char ch) { return static_cast<unsigned char>(ch) < 0x20; }),
                  0)
            << r.Err;
        EXPECT_TRUE(r.Out.empty());
    }
}

// A name only this system has: bytes that are no UTF-8 on Linux, which the report writes
// as one \udcXX escape per byte; on Windows a character beyond the first 65,536.
struct UnusualName
{
    std::string Name;
    std::string InReport;
};

UnusualName PlatformUnusualName()
{
    if (test::OnWindows())
        return {"big \xF0\x9D\x84\x9E.bin", "big \xF0\x9D\x84\x9E.bin"};
    return {"big\xff.bin", "big\\udcff.bin"};
}

TEST(HarrowdaleScan, JsonReportOfAnOddTree)
{
    const UnusualName odd = PlatformUnusualName();
    test::TempDir t;
    t.MakeDir("a");
    t.MakeDir("b");
    t.MakeFile("a/Report.PDF", 1000, 1700000000);
    t.MakeFile("b/report.pdf", 1000, 0);
    t.MakeFile(odd.Name, 5000);
    t.MakeFile("small.txt", 10);
    std::string whyNoLinks;
    if (test::CanMakeLinks(whyNoLinks))
        t.MakeLink("small.txt", "link"); // not counted

    const test::ProgramRun r = Exec({"--json", "--no-progress", "--largest", "2", t.Path()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::string& j = r.Out;
    EXPECT_NE(j.find("\"root\": \"" + Json(t.Path()) + "\""), std::string::npos) << j;
    EXPECT_NE(j.find("\"files\": 4,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"dirs\": 3,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"bytes\": 7010,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"met_bytes\": 7010,"), std::string::npos) << j;
    EXPECT_NE(j.find(odd.InReport + "\", \"size\": 5000"), std::string::npos) << j;
    EXPECT_NE(j.find("{\"ext\": \".pdf\", \"bytes\": 2000, \"files\": 2}"), std::string::npos) << j;
    EXPECT_NE(j.find("\"duplicate_groups\": 1,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"size\": 1000, \"files\": ["), std::string::npos) << j;
    // Only the two largest files are listed.
    EXPECT_EQ(j.find("small.txt"), std::string::npos) << j;
}

TEST(HarrowdaleScan, FiltersApply)
{
    test::TempDir t;
    t.MakeFile("keep.bin", 4096);
    t.MakeFile("tiny.bin", 100);
    t.MakeFile("skip.tmp", 9000);
    t.MakeFile("old.bin", 9000, 946684800); // 2000-01-01
    const test::ProgramRun r =
        Exec({"--json", "--exclude-smaller", "1.5KB", "--exclude-pattern", " *.TMP ; ;",
              "--exclude-before", "2010-01-01 00:00", t.Path()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"files\": 1,"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"bytes\": 4096,"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"met_bytes\": 22196,"), std::string::npos) << r.Out;
}

TEST(HarrowdaleScan, BadInputFailsWithStatus2AndOneLine)
{
    test::TempDir t;
    t.MakeFile("a.txt", 1);
    const UsageError cases[] = {
        // The message names what was wrong: the path, the option and the value as given.
        {{t / "missing"}, (t / "missing") + ": Folder does not exist."},
        {{t / "a.txt"}, (t / "a.txt") + ": Folder does not exist."},
        {{"--exclude-smaller", "abc", t.Path()}, "--exclude-smaller wants a size"},
        {{"--exclude-smaller", "10XB", t.Path()}, "not \"10XB\""},
        {{"--exclude-smaller", "-5", t.Path()}, "not \"-5\""},
        {{"--exclude-pattern", "*.tmp;*.[txt", t.Path()},
         "--exclude-pattern: The mask \"*.[txt\" is not valid: the \"[\" at character 3 is "
         "never closed."},
        {{"--largest", "many", t.Path()}, "--largest"},
        {{"--bogus", t.Path()}, "unknown option --bogus"},
        {{}, "no PATH given"},
        {{"--exclude-before", "2020-13-01", t.Path()}, "--exclude-before"},
        {{"--hard-links", "twice", t.Path()}, "--hard-links wants once or each"},
        {{"--threads", "0", t.Path()}, "--threads wants a whole number"},
    };
    ExpectUsageErrors(cases);
}

TEST(HarrowdaleScan, TextReportAndVersion)
{
    test::TempDir t;
    t.MakeFile("x.dat", 2048);
    const test::ProgramRun r = Exec({"--no-progress", t.Path()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("Done. Total files: 1   Total size: 2.0 KB\n", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find(".dat"), std::string::npos);

    const test::ProgramRun v = Exec({"--version"});
    EXPECT_EQ(v.Status, 0);
    EXPECT_EQ(v.Out, "harrowdale-scan 2.2\n");
}

TEST(HarrowdaleScan, ExportedScanReportsLikeTheScan)
{
    const UnusualName odd = PlatformUnusualName();
    test::TempDir t, scratch;
    t.MakeDir("a/deep");
    t.MakeDir("b");
    t.MakeDir("empty");
    t.MakeFile("a/Report.PDF", 1000, 1700000000);
    // No date (Linux); Windows cannot store that, and its first second of 1970 is what
    // scan files take for no date, so there the file gets a date of its own.
    t.MakeFile("b/report.pdf", 1000, test::OnWindows() ? 1 : 0);
    t.MakeFile("a/deep/" + odd.Name, 5000, 1600000000);
    t.MakeFile(test::OnWindows() ? "blank .txt" : "line\nbreak.txt", 10);
    const std::string file = scratch / "scan.json";

    const test::ProgramRun scan = Exec({"--json", "--no-progress", "--export", file, t.Path()});
    ASSERT_EQ(scan.Status, 0) << scan.Err;
    const test::ProgramRun back = Exec({"--json", "--import", file});
    ASSERT_EQ(back.Status, 0) << back.Err;
    EXPECT_EQ(back.Out, scan.Out);

    const test::ProgramRun text = Exec({"--no-progress", t.Path()});
    const test::ProgramRun textBack = Exec({"--import", file});
    EXPECT_EQ(textBack.Out, text.Out);

    // To standard output, through gzip, from standard input.
    const test::ProgramRun out = Exec({"--no-progress", "--export", "-", t.Path()});
    ASSERT_EQ(out.Status, 0) << out.Err;
    EXPECT_EQ(out.Out.rfind("[1,2,{\"progname\":\"harrowdale\"", 0), 0u) << out.Out;
    const test::ProgramRun gz = Exec({"--json", "--import", "-"}, test::Gzip(out.Out));
    ASSERT_EQ(gz.Status, 0) << gz.Err;
    EXPECT_EQ(gz.Out, scan.Out);

    // The file appeared whole, readable by its owner only (an access list of the user's
    // on Windows), and nothing else was left.
    if (!test::OnWindows()) {
        struct stat st
        {
        };
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
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
    ASSERT_EQ(Exec({"--export", good, t.Path()}).Status, 0);
    const std::string text = test::ReadFileBytes(good);
    auto write = [&](const std::string& name, const std::string& bytes) {
        test::WriteFileBytes(scratch / name, bytes);
        return scratch / name;
    };
    std::string deep = "[1,2,{},[{\"name\":\"" + test::JsonPath("/r") + "\"}";
    for (int i = 0; i < 1000000; ++i)
        deep += ",[{\"name\":\"d\"}";
    // 10 GB of nothing, without the disk space
    const std::string huge = scratch.MakeFile("huge.json", 10LL << 30);
    const UsageError cases[] = {
        {{"--import", write("garbage", "garbage")}, "not a scan file"},
        {{"--import", write("cut.json", text.substr(0, text.size() / 2))}, "ends too early"},
        {{"--import", huge}, "not a scan file"},
        {{"--import", scratch / "missing.json"},
         // the system's own words follow on Windows
         test::OnWindows() ? "cannot open: " : "cannot open: No such file"},
        {{"--import", scratch.Path()},
         test::OnWindows() ? "cannot read: it is a folder" : "cannot read: Is a directory"},
        {{"--import", good, t.Path()}, "give no PATH"},
        {{"--import", good, "--exclude-smaller", "1x"},
         "--exclude-smaller wants a size such as 500, 1.5MB or 2GB, not \"1x\""},
        {{"--import", good, "--exclude-pattern", "[b-"},
         "--exclude-pattern: The mask \"[b-\" is not valid"},
        {{"--import", write("deep.json", deep)}, "nested deeper than 100000 levels"},
        {{"--export", good, "--all-drives"}, "--export writes one folder tree"},
        {{"--import"}, "option --import needs a value"},
    };
    ExpectUsageErrors(cases);

    // A file that cannot be written: status 1, and the good file stays as it was.
    const test::ProgramRun r = Exec({"--export", scratch / "no/such/folder.json", t.Path()});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("cannot export to"), std::string::npos) << r.Err;
    EXPECT_EQ(test::ReadFileBytes(good), text);
}

TEST(HarrowdaleScan, SeveralScanFilesReportAsOne)
{
    test::TempDir scratch;
    auto write = [&](const std::string& name, const std::string& root, const std::string& entries,
                     const std::string& meta = "{}") {
        test::WriteFileBytes(scratch / name, "[1,2," + meta + ",[{\"name\":\"" +
                                                 test::JsonPath(root) + "\"}" + entries + "]]");
        return scratch / name;
    };
    const std::string one = write("one.json", "/srv", R"(,{"name":"a.iso","asize":4000},
        {"name":"n\u00e9.txt","asize":10})");
    const std::string two = write("two.json", "/home", R"(,[{"name":"dl"},{"name":"A.ISO",
        "asize":4000}],{"name":"b)" "\xff" R"(.txt","asize":5})");

    const test::ProgramRun j = Exec({"--json", "--import", one, "--import", two});
    ASSERT_EQ(j.Status, 0) << j.Err;
    for (const std::string& part :
         {std::string("\"files\": 4,"), std::string("\"bytes\": 8015,"),
          std::string("{\"ext\": \".iso\", \"bytes\": 8000, \"files\": 2}"),
          std::string("{\"ext\": \".txt\", \"bytes\": 15, \"files\": 2}"),
          std::string("\"size\": 4000, \"scans\": 2, \"files\": ["),
          Json(test::NativePath("/home/b")) + "\\udcff.txt"})
        EXPECT_NE(j.Out.find(part), std::string::npos) << part << "\n" << j.Out;

    const test::ProgramRun t = Exec({"--import", one, "--import", two});
    ASSERT_EQ(t.Status, 0) << t.Err;
    EXPECT_NE(t.Out.find(".iso, across 2 scans  (2 x "), std::string::npos) << t.Out;

    const std::string lengthsOnly =
        write("lengths.json", "/srv", R"(,{"name":"a","asize":1})", R"({"dsize_known":false})");
    const UsageError cases[] = {
        {{"--size-on-disk", "--import", one, "--import", lengthsOnly},
         "were not measured alike and cannot be shown as one result"},
        {{"--import", one, "--import", scratch / "missing.json"}, "missing.json\": cannot open"},
        {{"--import", "-", "--import", "-"}, "give '-' to one --import only"},
        {{"--import", one, "--import", two, "--export", scratch / "x.json"},
         "--history, --export and --compare take one"},
        {{"--import", one, "--import", two, "--compare", one}, "take one"},
    };
    ExpectUsageErrors(cases);
}

TEST(HarrowdaleScan, SizeMeasureAndHardLinkRuleAreChosenAndReported)
{
    if (test::OnWindows())
        GTEST_SKIP() << "Windows' listing tells neither hard links nor allocated sizes";
    test::TempDir t;
    t.MakeDir("a");
    t.MakeFile("a/sparse.img", 1 << 20); // a length, no blocks
    t.MakeFile("a/one", 700);
    t.MakeHardLink("a/one", "two");
    struct Case
    {
        std::vector<std::string> Options;
        std::string Files, Bytes, Kind, Links, SizeLine, LinkLine;
    };
    const Case cases[] = {
        {{},
         "2",
         "1049276",
         "apparent",
         "once",
         "Sizes: length of each file",
         "Hard links: each file counted once"},
        {{"--hard-links", "each", "--threads", "1"},
         "3",
         "1049976",
         "apparent",
         "each",
         "Sizes: length of each file",
         "Hard links: every link counted"},
        // Both files are holes only: nothing allocated.
        {{"--size-on-disk", "--hard-links", "once"},
         "2",
         "0",
         "on_disk",
         "once",
         "Sizes: space used on disk",
         "Hard links: each file counted once"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--no-progress"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        args.push_back(t.Path());
        SCOPED_TRACE(::testing::PrintToString(args));
        const test::ProgramRun text = Exec(args);
        ASSERT_EQ(text.Status, 0) << text.Err;
        EXPECT_NE(text.Out.find("\n" + c.SizeLine + "\n" + c.LinkLine + "\n"), std::string::npos)
            << text.Out;
        args.insert(args.begin(), "--json");
        const test::ProgramRun j = Exec(args);
        ASSERT_EQ(j.Status, 0) << j.Err;
        EXPECT_NE(j.Out.find("\"files\": " + c.Files + ","), std::string::npos) << j.Out;
        EXPECT_NE(j.Out.find("\"bytes\": " + c.Bytes + ","), std::string::npos) << j.Out;
        EXPECT_NE(j.Out.find("\"size_kind\": \"" + c.Kind + "\","), std::string::npos) << j.Out;
        EXPECT_NE(j.Out.find("\"hard_links\": \"" + c.Links + "\","), std::string::npos) << j.Out;
    }
}

TEST(HarrowdaleScan, PathIsUsedAsGiven)
{
    test::TempDir t;
    t.MakeDir("trail ");
    t.MakeFile("trail /one.bin", 1);
    t.MakeDir("trail"); // what a trimmed name would scan
    t.MakeDir(" lead");
    t.MakeFile(" lead/two.bin", 2);
    t.MakeDir("-dash");
    t.MakeFile("-dash/three.bin", 3);
    struct Case
    {
        std::vector<std::string> Args;
        std::string Root;
        int Bytes;
    };
    std::vector<Case> cases = {
        {{t / " lead"}, t / " lead", 2},
        {{"--", t / "-dash"}, t / "-dash", 3},
    };
    // Windows itself drops a blank at the end of a path it is given: there "trail " is
    // "trail", as every program on Windows reads it.
    if (!test::OnWindows()) {
        cases.push_back({{t / "trail "}, t / "trail ", 1});
        cases.push_back({{"--largest=1", "--duplicates=0", "--", t / "trail "}, t / "trail ", 1});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args.back());
        std::vector<std::string> args{"--json", "--no-progress"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const test::ProgramRun r = Exec(args);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Out.find("\"root\": \"" + Json(c.Root) + "\""), std::string::npos) << r.Out;
        EXPECT_NE(r.Out.find("\"bytes\": " + std::to_string(c.Bytes) + ","), std::string::npos)
            << r.Out;
    }
    // Relative paths too: " lead" from its parent folder.
    const test::ProgramRun r =
        test::RunProgram(test::ScanProgram(), {"--json", "--no-progress", " lead"}, {}, t.Path());
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"root\": \"" + Json(t / " lead") + "\""), std::string::npos) << r.Out;
}

TEST(HarrowdaleScan, OptionsAndDatesAreReadExactly)
{
    test::TempDir t, scratch;
    t.MakeFile("a.txt", 1);
    struct Case
    {
        std::vector<std::string> Options;
        int Status;
        std::string Message; // in the one line on standard error
        bool PathFirst = false;
    };
    const Case cases[] = {
        {{"--exclude-before", "2024-01-01"}, 0, ""},
        {{"--exclude-before", "2024-01-01 10:20"}, 0, ""},
        {{"--exclude-before=2024-01-01 10:20:30"}, 0, ""},
        {{"--exclude-before", "+024-01-01"}, 2, "--exclude-before"},
        {{"--exclude-before", "2024- 1- 1"}, 2, "--exclude-before"},
        {{"--exclude-before", "2024-1-1"}, 2, "--exclude-before"},
        {{"--exclude-before", " 2024-01-01"}, 2, "--exclude-before"},
        {{"--exclude-before", "2024-01-01 "}, 2, "--exclude-before"},
        {{"--exclude-before", "2024-01-01T10:20"}, 2, "--exclude-before"},
        {{"--exclude-before", "2024-02-30"}, 2, "--exclude-before"},
        {{"--exclude-before", "2024-01-01 24:00"}, 2, "--exclude-before"},
        {{"--exclude-smaller=1KB", "--exclude-pattern=*.tmp", "--treemap=files", "--size=8x8",
          "--png=" + scratch / "p.png"},
         0,
         ""},
        {{"--largest="}, 2, "--largest"},
        {{"--json=yes"}, 2, "option --json takes no value"},
        {{"--bogus=1"}, 2, "unknown option --bogus"},
        {{"--largest"}, 2, "option --largest needs a value", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Options.front());
        std::vector<std::string> args{"--no-progress"};
        if (c.PathFirst)
            args.push_back(t.Path());
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        if (!c.PathFirst)
            args.push_back(t.Path());
        const test::ProgramRun r = Exec(args);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        if (c.Status != 0) {
            EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
            EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
        }
    }
}

TEST(HarrowdaleScan, DuplicateGroupsListTwentyPathsAndCountTheRest)
{
    // Three groups of 100-byte files: 23, 21 and 20 members.
    test::TempDir t;
    struct Group
    {
        std::string Name;
        int Files;
        std::string More; // the text report's line after the paths, "" for none
    };
    const Group groups[] = {{"a.bin", 23, "      ... and 3 more files\n"},
                            {"b.bin", 21, "      ... and 1 more file\n"},
                            {"c.bin", 20, ""}};
    for (const Group& g : groups)
        for (int i = 0; i < g.Files; ++i) {
            const std::string dir = "d" + std::to_string(i);
            t.MakeDir(dir);
            t.MakeFile(dir + "/" + g.Name, 100);
        }

    const test::ProgramRun text = Exec({"--no-progress", "--largest", "0", t.Path()});
    ASSERT_EQ(text.Status, 0) << text.Err;
    const test::ProgramRun json = Exec({"--json", "--no-progress", "--largest", "0", t.Path()});
    ASSERT_EQ(json.Status, 0) << json.Err;
    EXPECT_EQ(test::Occurrences(text.Out, " more file"), 2u) << text.Out;
    for (const Group& g : groups) {
        SCOPED_TRACE(g.Name);
        // The group's lines: its head, 20 paths, then what is left.
        const std::string head = "  " + g.Name + "  (" + std::to_string(g.Files) + " x 100 B)\n";
        const std::size_t start = text.Out.find(head);
        ASSERT_NE(start, std::string::npos) << text.Out;
        EXPECT_EQ(test::Occurrences(text.Out, g.Name + "\n"), 20u) << text.Out;
        std::size_t end = start + head.size();
        for (int i = 0; i < 20; ++i)
            end = text.Out.find('\n', end) + 1;
        EXPECT_EQ(text.Out.compare(end, g.More.size(), g.More), 0) << text.Out.substr(end);

        const std::size_t member = json.Out.find("{\"name\": \"" + g.Name + "\"");
        ASSERT_NE(member, std::string::npos) << json.Out;
        const std::size_t close = json.Out.find('}', member);
        const std::string_view entry = std::string_view(json.Out).substr(member, close - member);
        EXPECT_NE(entry.find("\"size\": 100, \"files\": ["), std::string_view::npos) << entry;
        EXPECT_TRUE(entry.ends_with("], \"file_count\": " + std::to_string(g.Files))) << entry;
        EXPECT_EQ(test::Occurrences(entry, g.Name + "\""), 21u) << entry; // the name and 20 paths
    }
}

TEST(HarrowdaleScan, FoldersAScanFileMarksUnreadableAreReported)
{
    // 22 folders the scan could not read, beside one it read and a file of the root.
    test::TempDir scratch;
    std::string file = "[1,2,{\"progname\":\"x\"},[{\"name\":\"" + test::JsonPath("/r") + "\"},";
    file += "[{\"name\":\"fine\"},{\"name\":\"f.txt\",\"asize\":5}],";
    for (int i = 0; i < 22; ++i)
        file += "[{\"name\":\"locked" + std::to_string(i) + "\",\"read_error\":true}],";
    file += "{\"name\":\"g.txt\",\"asize\":7}]]";
    const std::string scan = scratch / "scan.json";
    test::WriteFileBytes(scan, file);

    // Standard error and the report alike: the count, the first 20, how many more.
    const test::ProgramRun text = Exec({"--largest", "0", "--import", scan});
    EXPECT_EQ(text.Status, 1) << text.Err;
    EXPECT_EQ(text.Err.rfind("harrowdale-scan: 22 folders could not be read:\n", 0), 0u)
        << text.Err;
    EXPECT_NE(text.Out.find("\n22 folders could not be read:\n"), std::string::npos) << text.Out;
    for (const std::string& out : {text.Err, text.Out}) {
        SCOPED_TRACE(out);
        EXPECT_NE(out.find(test::NativePath("/r/locked0") + "\n"), std::string::npos);
        EXPECT_NE(out.find(test::NativePath("/r/locked19") + "\n"), std::string::npos);
        EXPECT_EQ(out.find(test::NativePath("/r/locked20")), std::string::npos);
        EXPECT_NE(out.find("... and 2 more folders\n"), std::string::npos);
        EXPECT_EQ(out.find(test::NativePath("/r/fine")), std::string::npos);
    }

    const test::ProgramRun json = Exec({"--json", "--import", scan});
    EXPECT_EQ(json.Status, 1) << json.Err;
    EXPECT_NE(json.Err.find("22 folders could not be read:\n"), std::string::npos) << json.Err;
    EXPECT_NE(json.Out.find("\"unreadable_dirs\": 22,\n  \"unreadable_dir_paths\": [\"" +
                            test::JsonPath("/r/locked0") + "\", "),
              std::string::npos)
        << json.Out;
    EXPECT_EQ(test::Occurrences(json.Out, "locked"), 20u) << json.Out;
    EXPECT_NE(json.Out.find("\"bytes\": 12,"), std::string::npos) << json.Out;
}

TEST(HarrowdaleScan, ValuesFromOutsideAreShownEscapedInMessages)
{
    // What would set a terminal's title, start a new line or reorder the line if echoed.
    const std::string title = "\x1b]0;x\x07";
    test::TempDir t;
    t.MakeFile("a.txt", 1);
    const UsageError cases[] = {
        {{"--threads", title, t.Path()}, "not \"\\x1b]0;x\\x07\""},
        {{"--hard-links", "once\nforged line", t.Path()}, "not \"once\\nforged line\""},
        {{"--size=" + title, t.Path()}, "not \"\\x1b]0;x\\x07\""},
        {{"--exclude-smaller", "1" + title, t.Path()}, "not \"1\\x1b]0;x\\x07\""},
        {{"--exclude-pattern", "a\x1b\x07[", t.Path()}, "The mask \"a\\x1b\\x07[\" is not valid"},
        {{"--bo\x1bgus", t.Path()}, "unknown option --bo\\x1bgus"},
        {{"--bogus\xe2\x80\xae"
          "txt.exe",
          t.Path()},
         "--bogus\\u202etxt.exe"},
        {{t / ("missing" + title)}, "missing\\x1b]0;x\\x07: Folder does not exist."},
        {{"--import", t / ("missing" + title)}, "missing\\x1b]0;x\\x07: cannot open"},
    };
    ExpectUsageErrors(cases);
}

TEST(HarrowdaleScan, ReportsTheMeasureItTookAndWhyWhenNotTheOneAsked)
{
    // Windows' listing tells neither allocated sizes nor links: there a scan counts lengths
    // and every link, and says why whenever that is not what was asked.
    const bool limited = test::OnWindows();
    const std::string why = "The folder listing of the system this scan was made on tells neither "
                            "the space a file uses on disk nor which names are links of one file.";
    test::TempDir t;
    t.MakeFile("a.bin", 700);
    struct Case
    {
        std::vector<std::string> Options;
        bool OnDisk, EveryLink;
    };
    const Case cases[] = {{{}, false, false},
                          {{"--size-on-disk"}, true, false},
                          {{"--hard-links", "each"}, false, true},
                          {{"--size-on-disk", "--hard-links", "each"}, true, true}};
    for (const Case& c : cases) {
        std::vector<std::string> args{"--no-progress"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        args.push_back(t.Path());
        SCOPED_TRACE(::testing::PrintToString(args));
        const bool onDisk = c.OnDisk && !limited;
        const bool everyLink = c.EveryLink || limited;
        const bool fellBack = onDisk != c.OnDisk || everyLink != c.EveryLink;
        const test::ProgramRun text = Exec(args);
        ASSERT_EQ(text.Status, 0) << text.Err;
        const std::string lines =
            std::string(onDisk ? "Sizes: space used on disk" : "Sizes: length of each file") +
            "\n" +
            (everyLink ? "Hard links: every link counted" : "Hard links: each file counted once") +
            "\n" + (fellBack ? why + "\n" : "") + "\n";
        EXPECT_NE(text.Out.find("\n" + lines), std::string::npos) << text.Out;
        args.insert(args.begin(), "--json");
        const test::ProgramRun j = Exec(args);
        EXPECT_NE(j.Out.find(std::string("\"size_kind\": \"") + (onDisk ? "on_disk" : "apparent") +
                             "\",\n  \"hard_links\": \"" + (everyLink ? "each" : "once") + "\""),
                  std::string::npos)
            << j.Out;
    }
    // A scan file is counted as asked on every system, unless the system that made it
    // could not tell what that needs: then as it was scanned, saying why.
    test::TempDir scratch;
    const std::string entries = "[{\"name\":\"" + test::JsonPath("/r") +
                                "\"},{\"name\":\"f\",\"asize\":700,\"dsize\":4096}]]";
    struct FileCase
    {
        std::string Head;
        std::vector<std::string> Options;
        std::string Lines;
    };
    const std::string unknown =
        R"({"progname":"harrowdale","dsize_known":false,"links_known":false})";
    const FileCase files[] = {
        {"{}",
         {"--size-on-disk"},
         "Sizes: space used on disk\nHard links: each file counted once\n"},
        {unknown,
         {"--size-on-disk"},
         "Sizes: length of each file\nHard links: every link counted\n" + why + "\n"},
        {unknown,
         {"--hard-links", "each"},
         "Sizes: length of each file\nHard links: every link counted\n"},
    };
    for (const FileCase& c : files) {
        SCOPED_TRACE(c.Head + " " + ::testing::PrintToString(c.Options));
        const std::string file = scratch / "scan.json";
        test::WriteFileBytes(file, "[1,2," + c.Head + "," + entries);
        std::vector<std::string> args = c.Options;
        args.insert(args.end(), {"--import", file});
        const test::ProgramRun imported = Exec(args);
        ASSERT_EQ(imported.Status, 0) << imported.Err;
        EXPECT_NE(imported.Out.find("\n" + c.Lines + "\n"), std::string::npos) << imported.Out;
    }

    const test::ProgramRun help = Exec({"--help"});
    EXPECT_EQ(help.Out.find("On this system a scan counts the length of each file") !=
                  std::string::npos,
              limited)
        << help.Out;
}

TEST(HarrowdaleScan, HelpListsTheExitStatuses)
{
    const test::ProgramRun r = Exec({"--help"});
    EXPECT_EQ(r.Status, 0);
    for (const char* line : {"Exit status:", "  0 ", "  1 ", "  2 ", "  130 ", "  143 "})
        EXPECT_NE(r.Out.find(line), std::string::npos) << line;
}

TEST(HarrowdaleScan, ComparesAnOlderScanFileWithAScanOrAnotherFile)
{
    test::TempDir t, scratch;
    t.MakeDir("logs");
    t.MakeDir("cache");
    t.MakeFile("logs/app.log", 100);
    t.MakeFile("cache/big.bin", 5000);
    t.MakeFile("keep.txt", 10);
    t.MakeFile("x", 7);
    const std::string older = scratch / "older.json";
    ASSERT_EQ(Exec({"--no-progress", "--export", older, t.Path()}).Status, 0);

    t.MakeFile("logs/app.log", 900); // grown
    std::filesystem::remove_all(t / "cache");
    std::filesystem::remove(t / "x");
    t.MakeDir("x");
    t.MakeFile("x/inside.dat", 30); // a file replaced by a folder of its name
    t.MakeFile("new.iso", 2000);
    const std::string newer = scratch / "newer.json";
    ASSERT_EQ(Exec({"--no-progress", "--export", newer, t.Path()}).Status, 0);

    const test::ProgramRun scanned =
        Exec({"--json", "--no-progress", "--compare", older, t.Path()});
    ASSERT_EQ(scanned.Status, 0) << scanned.Err;
    const test::ProgramRun read = Exec({"--json", "--compare", older, "--import", newer});
    ASSERT_EQ(read.Status, 0) << read.Err;
    EXPECT_EQ(read.Out, scanned.Out);
    const std::string& json = read.Out;
    const auto entry = [&](std::string_view slashed, const char* kind, std::int64_t old,
                           std::int64_t now) {
        return "{\"path\": \"" + Json(t / std::string(slashed)) + "\", \"kind\": \"" + kind +
               "\", \"old\": " + std::to_string(old) + ", \"new\": " + std::to_string(now) +
               ", \"change\": " + std::to_string(now - old) + "}";
    };
    for (const std::string& expected :
         {std::string("\"older\": {\"files\": 4, \"dirs\": 3, \"bytes\": 5117}"),
          std::string("\"newer\": {\"files\": 4, \"dirs\": 3, \"bytes\": 2940}"),
          std::string("\"change\": -2177,"),
          "\"grown_folders\": [\n    " + entry("logs", "folder", 100, 900) + "\n  ]",
          std::string("\"shrunk_folders_count\": 0"),
          "\"new\": [\n    " + entry("new.iso", "file", 0, 2000) + ",\n    " +
              entry("x", "folder", 0, 30) + "\n  ]",
          "\"gone\": [\n    " + entry("cache", "folder", 5000, 0) + ",\n    " +
              entry("x", "file", 7, 0) + "\n  ]",
          "\"changed_files\": [\n    " + entry("logs/app.log", "file", 100, 900) + "\n  ]"})
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;

    // The text report lists as many entries a list as --largest says, and counts the rest.
    const test::ProgramRun text = Exec({"--largest", "1", "--compare", older, "--import", newer});
    ASSERT_EQ(text.Status, 0) << text.Err;
    for (const std::string& expected :
         {std::string("Change: -2"), std::string("Folders that grew most"),
          "+800 B  (100 B -> 900 B)  " + t / "logs" +
              std::string(1, test::OnWindows() ? '\\' : '/'),
          std::string("Gone files and folders"), std::string("... and 1 more entry")})
        EXPECT_NE(text.Out.find(expected), std::string::npos) << expected << "\n" << text.Out;
    EXPECT_EQ(text.Out.find("Folders that shrank most"), std::string::npos) << text.Out;
}

TEST(HarrowdaleScan, ComparisonsThatCannotBeMadeFailWithStatus2AndOneLine)
{
    test::TempDir t, other, scratch;
    t.MakeFile("a.txt", 1);
    other.MakeFile("a.txt", 1);
    const std::string good = scratch / "good.json";
    const std::string elsewhere = scratch / "elsewhere.json";
    ASSERT_EQ(Exec({"--export", good, t.Path()}).Status, 0);
    ASSERT_EQ(Exec({"--export", elsewhere, other.Path()}).Status, 0);
    // A scan file whose writer could not tell sizes on disk is counted by lengths.
    const std::string lengths = scratch / "lengths.json";
    test::WriteFileBytes(lengths, "[1,2,{\"progname\":\"x\",\"dsize_known\":false},[{\"name\":\"" +
                                      Json(t.Path()) + "\"},{\"name\":\"a.txt\",\"asize\":1}]]");
    const UsageError cases[] = {
        {{"--compare", elsewhere, "--import", good}, "different folders"},
        {{"--size-on-disk", "--compare", lengths, "--import", good}, "not measured the same way"},
        {{"--compare", scratch / "missing.json", t.Path()}, "cannot import"},
        {{"--compare", good, "--all-drives"}, "give no --all-drives"},
        {{"--compare", "-", "--import", "-"}, "cannot both read standard input"},
        {{"--compare", good}, "no PATH given"},
    };
    ExpectUsageErrors(cases);
}

TEST(HarrowdaleScan, HistoryKeepsTheScanWhenAskedAndRefusesAFolderOthersMayWrite)
{
    if (test::OnWindows())
        GTEST_SKIP() << "the data folder is LOCALAPPDATA there";
    test::TempDir t, data;
    t.MakeFile("a.txt", 5);
    const test::ScopedEnv xdg("XDG_DATA_HOME", data.Path());
    ASSERT_EQ(Exec({"--no-progress", t.Path()}).Status, 0);
    EXPECT_FALSE(std::filesystem::exists(data / "harrowdale")); // off unless asked

    const test::ProgramRun kept = Exec({"--no-progress", "--history", t.Path()});
    ASSERT_EQ(kept.Status, 0) << kept.Err;
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(data / "harrowdale/history"))
        files.push_back(e.path().string());
    ASSERT_EQ(files.size(), 1u);
    t.MakeFile("b.txt", 7);
    const test::ProgramRun since =
        Exec({"--json", "--no-progress", "--compare", files[0], t.Path()});
    ASSERT_EQ(since.Status, 0) << since.Err;
    EXPECT_NE(since.Out.find("\"change\": 7,"), std::string::npos) << since.Out;

    ::chmod((data / "harrowdale/history").c_str(), 0777);
    const test::ProgramRun refused = Exec({"--no-progress", "--history", t.Path()});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_NE(refused.Err.find("cannot keep the scan history"), std::string::npos) << refused.Err;
    EXPECT_TRUE(refused.Out.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data / "harrowdale/history"),
                            std::filesystem::directory_iterator()),
              1);
}

} // namespace
} // namespace harrowdale
