// harrowdale-scan --duplicates-by: the two groupings side by side on one tree, in the
// report and in the treemap picture, and a scan file whose folder is not on this machine.

#include "support/Process.h"
#include "support/TempDir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace harrowdale {
namespace {

test::ProgramRun Exec(const std::vector<std::string>& args)
{
    return test::RunProgram(test::ScanProgram(), args);
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Two files named x.txt of one size with other bytes; one of them has a copy named y.dat.
void MakeTree(const test::TempDir& t)
{
    t.MakeDir("a");
    t.MakeDir("b");
    t.MakeDir("c");
    test::WriteFileBytes(t / "a/x.txt", "first text, 26 bytes long.");
    test::WriteFileBytes(t / "b/y.dat", "first text, 26 bytes long.");
    test::WriteFileBytes(t / "c/x.txt", "other text, 26 bytes long.");
}

TEST(HarrowdaleScanContent, GroupsByNameOrByContent)
{
    test::TempDir t;
    MakeTree(t);
    // Files of one length come in the tree's order, which is the folders' listing order.
    const auto groupOf = [&](const std::string& first, const std::string& second) {
        const std::string a = t / first, b = t / second;
        return "\"files\": [\"" + a + "\", \"" + b + "\"]";
    };
    const auto hasGroup = [&](const std::string& out, const std::string& x, const std::string& y) {
        return Has(out, groupOf(x, y)) || Has(out, groupOf(y, x));
    };
    const test::ProgramRun byName = Exec({"--json", t.Path()});
    ASSERT_EQ(byName.Status, 0) << byName.Err;
    EXPECT_TRUE(Has(byName.Out, "\"duplicates_by\": \"name\""));
    EXPECT_TRUE(Has(byName.Out, "{\"name\": \"x.txt\", \"size\": 26, "));
    EXPECT_TRUE(hasGroup(byName.Out, "a/x.txt", "c/x.txt")) << byName.Out;

    const test::ProgramRun byContent = Exec({"--json", "--duplicates-by", "content", t.Path()});
    ASSERT_EQ(byContent.Status, 0) << byContent.Err;
    EXPECT_TRUE(Has(byContent.Out, "\"duplicates_by\": \"content\""));
    EXPECT_TRUE(Has(byContent.Out, "\"content\": {\"candidates\": 3, \"candidate_bytes\": 78, "
                                   "\"bytes_read\": 78, \"unreadable\": 0}"))
        << byContent.Out;
    EXPECT_TRUE(Has(byContent.Out, "\"duplicate_groups\": 1,"));
    // Named after its first file.
    EXPECT_TRUE(
        Has(byContent.Out,
            "{\"name\": \"x.txt\", \"size\": 26, " + groupOf("a/x.txt", "b/y.dat")) ||
        Has(byContent.Out, "{\"name\": \"y.dat\", \"size\": 26, " + groupOf("b/y.dat", "a/x.txt")))
        << byContent.Out;

    const test::ProgramRun text = Exec({"--duplicates-by=content", t.Path()});
    ASSERT_EQ(text.Status, 0) << text.Err;
    EXPECT_TRUE(Has(text.Out, "Duplicates: same content")) << text.Out;
    EXPECT_TRUE(Has(text.Out, "unreadable files: 0")) << text.Out;
    // A group's line names its first file and counts the other names.
    EXPECT_TRUE(Has(text.Out, "\n  x.txt and 1 other name  (2 x 26 B)\n") ||
                Has(text.Out, "\n  y.dat and 1 other name  (2 x 26 B)\n"))
        << text.Out;
    const test::ProgramRun textByName = Exec({t.Path()});
    EXPECT_TRUE(Has(textByName.Out, "\n  x.txt  (2 x 26 B)\n")) << textByName.Out;
}

// The picture of the duplicates colours the groups --duplicates-by makes: by content, a
// tree paints as the same tree would by name if each group's files shared a name and the
// others did not. A group's colour comes from its name, which by content is its first
// file's: "*" in a path below stands for that name.
TEST(HarrowdaleScanContent, TreemapOfDuplicatesFollowsTheGrouping)
{
    struct Case
    {
        const char* Name;
        std::vector<std::pair<std::string, std::string>> Files, SameByName;
    };
    const Case cases[] = {
        {"a copy under another name",
         {{"a/x.txt", "first text"}, {"b/y.dat", "first text"}},
         {{"a/*", "first text"}, {"b/*", "first text"}}},
        {"one name, other bytes",
         {{"a/x.txt", "first text"}, {"b/x.txt", "other text"}},
         {{"a/x.txt", "first text"}, {"b/z.txt", "other text"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        test::TempDir tree, same, pictures;
        for (const auto* t : {&tree, &same}) {
            t->MakeDir("a");
            t->MakeDir("b");
        }
        for (const auto& [path, bytes] : c.Files)
            test::WriteFileBytes(tree / path, bytes);
        const test::ProgramRun json =
            Exec({"--json", "--duplicates-by", "content", "--duplicates", "1", tree.Path()});
        ASSERT_EQ(json.Status, 0) << json.Err;
        std::string first;
        if (const auto at = json.Out.find("{\"name\": \""); at != std::string::npos)
            first = json.Out.substr(at + 10, json.Out.find('"', at + 10) - at - 10);
        for (auto [path, bytes] : c.SameByName) {
            if (const auto star = path.find('*'); star != std::string::npos)
                path.replace(star, 1, first);
            test::WriteFileBytes(same / path, bytes);
        }
        const auto picture = [&](const std::string& root, const char* by) {
            const std::string png = pictures / (std::string(by) + ".png");
            const test::ProgramRun run =
                Exec({"--no-progress", "--duplicates-by", by, "--treemap", "duplicates", "--size",
                      "64x48", "--png", png, root});
            EXPECT_EQ(run.Status, 0) << run.Err;
            return test::ReadFileBytes(png);
        };
        const std::string byContent = picture(tree.Path(), "content");
        ASSERT_FALSE(byContent.empty());
        EXPECT_EQ(byContent, picture(same.Path(), "name"));
        EXPECT_NE(byContent, picture(tree.Path(), "name"));
    }
}

TEST(HarrowdaleScanContent, WrongValueOrScanFileFromElsewhereFail)
{
    test::TempDir t;
    MakeTree(t);
    const test::ProgramRun wrong = Exec({"--duplicates-by", "size", t.Path()});
    EXPECT_EQ(wrong.Status, 2);
    EXPECT_TRUE(Has(wrong.Err, "--duplicates-by wants name or content, not \"size\"")) << wrong.Err;

    test::TempDir files;
    const std::string scanFile = files / "scan.json";
    ASSERT_EQ(Exec({"--export", scanFile, t.Path()}).Status, 0);
    ASSERT_EQ(Exec({"--json", "--duplicates-by", "content", "--import", scanFile}).Status, 0);
    ASSERT_EQ(std::rename(t.Path().c_str(), (t.Path() + "-away").c_str()), 0);
    const test::ProgramRun away = Exec({"--duplicates-by", "content", "--import", scanFile});
    ASSERT_EQ(std::rename((t.Path() + "-away").c_str(), t.Path().c_str()), 0);
    EXPECT_EQ(away.Status, 2);
    EXPECT_TRUE(Has(away.Err, "the scanned folder does not exist on this machine")) << away.Err;
    EXPECT_TRUE(away.Out.empty());
}

} // namespace
} // namespace harrowdale
