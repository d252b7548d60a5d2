// Several scans shown as one result: totals, extension tables and duplicates across them,
// names kept apart, and scans measured differently refused.

#include "exchange/JoinedScans.h"
#include "exchange/ScanFileStreams.h"
#include "platform/Casing.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "views/Duplicates.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using test::JsonPath;
using test::NativePath;

std::string Doc(const std::string& root, const std::string& entries, const std::string& meta = "{}")
{
    return "[1,2," + meta + ",\n[{\"name\":\"" + JsonPath(root) + "\"}" + entries + "]]";
}

TJoinPart Part(const std::string& doc, const std::string& label, const TScanContext& context = {})
{
    test::StringSource source(doc);
    return {ImportScan(source, context), label};
}

TImportResult Join(std::vector<TJoinPart> parts)
{
    return JoinScans(std::move(parts), "(joined)");
}

// Two machines' /srv: the same names on both, one file only on the second.
const std::string kFirst = Doc("/srv", R"(,{"name":"a.log","asize":100},
    [{"name":"docs"},{"name":"report.pdf","asize":7000},{"name":"x.TXT","asize":3}])");
const std::string kSecond = Doc("/srv", R"(,{"name":"b.log","asize":50},
    [{"name":"docs"},{"name":"Report.PDF","asize":7000}],{"name":"c.txt","asize":9})");

TEST(JoinedScans, TotalsAndExtensionsCoverEveryScan)
{
    std::vector<TJoinPart> parts;
    parts.push_back(Part(kFirst, "alpha:/srv"));
    parts.push_back(Part(kSecond, "beta:/srv"));
    const TImportResult r = Join(std::move(parts));
    const TDirNode* root = r.Tree->Root();
    ASSERT_TRUE(root->IsSyntheticRoot());
    EXPECT_TRUE(r.Tree->IsJoined());
    EXPECT_EQ(root->Name(), "(joined)");
    EXPECT_EQ(root->TotalFiles(), 6);
    EXPECT_EQ(root->TotalDirs(), 4); // two roots and two "docs"; the joined root not
    EXPECT_EQ(root->TotalSize(), 100 + 7000 + 3 + 50 + 7000 + 9);
    EXPECT_EQ(r.MetBytes, root->TotalSize());

    ASSERT_EQ(root->Children().size(), 2u);
    const TDirNode* beta = root->Children()[1];
    EXPECT_EQ(beta->Name(), "beta:/srv");
    EXPECT_EQ(beta->TotalSize(), 7059);
    const std::string path = beta->Children()[0]->Leaves()[0].FullPath();
    EXPECT_EQ(path.rfind("beta:/srv", 0), 0u) << path;
    EXPECT_TRUE(path.ends_with("docs" + path.substr(path.size() - 11, 1) + "Report.PDF")) << path;

    struct Row
    {
        const char* Ext;
        std::int64_t Bytes, Files;
    };
    for (const Row& row : {Row{".pdf", 14000, 2}, Row{".log", 150, 2}, Row{".txt", 12, 2}}) {
        const TExtStat s = root->ExtStats().Get(row.Ext);
        EXPECT_EQ(s.Bytes, row.Bytes) << row.Ext;
        EXPECT_EQ(s.Files, row.Files) << row.Ext;
    }
    // Each part's own table speaks in the joined tree's keys.
    EXPECT_EQ(beta->ExtStats().Get(".txt").Files, 1);
    EXPECT_EQ(beta->Leaves()[0].Ext(), ".log");
}

TEST(JoinedScans, DuplicatesAcrossScansAreMarked)
{
    std::vector<TJoinPart> parts;
    parts.push_back(Part(kFirst, "alpha:/srv"));
    parts.push_back(Part(kSecond, "beta:/srv"));
    // A third scan with two copies of one file inside itself.
    parts.push_back(Part(Doc("/home", R"(,{"name":"b.log","asize":50},
        [{"name":"old"},{"name":"b.log","asize":50}])"),
                         "gamma:/home"));
    const TImportResult r = Join(std::move(parts));
    std::vector<const TFileLeaf*> files;
    std::vector<const TDirNode*> stack{r.Tree->Root()};
    while (!stack.empty()) {
        const TDirNode* d = stack.back();
        stack.pop_back();
        for (const TFileLeaf& f : d->Leaves())
            files.push_back(&f);
        stack.insert(stack.end(), d->Children().begin(), d->Children().end());
    }
    TDuplicates dups;
    BuildDuplicates(files, dups);
    ASSERT_EQ(dups.Groups.size(), 2u);
    std::map<std::string, std::pair<std::size_t, std::uint32_t>> found; // files, scans
    for (const auto& g : dups.Groups)
        found[platform::UpperCase(g->FileName)] = {g->Files.size(), g->Scans};
    EXPECT_EQ(found["REPORT.PDF"], std::make_pair(std::size_t{2}, 2u));
    EXPECT_EQ(found["B.LOG"], std::make_pair(std::size_t{3}, 2u));
}

TEST(JoinedScans, LabelsMetTwiceAreKeptApart)
{
    std::vector<TJoinPart> parts;
    for (int i = 0; i < 3; ++i)
        parts.push_back(Part(kFirst, NativePath("/srv")));
    const TImportResult r = Join(std::move(parts));
    std::vector<std::string> names;
    for (const TDirNode* d : r.Tree->Root()->Children())
        names.emplace_back(d->Name());
    EXPECT_EQ(names, (std::vector<std::string>{NativePath("/srv"), NativePath("/srv") + " (2)",
                                               NativePath("/srv") + " (3)"}));
}

TEST(JoinedScans, ScansMeasuredDifferentlyAreRefused)
{
    TScanContext onDisk;
    onDisk.SizeOnDisk = true;
    // A file whose writer could not tell sizes on disk is counted by lengths.
    const std::string lengthsOnly =
        Doc("/srv", R"(,{"name":"a","asize":1})", R"({"dsize_known":false})");
    TScanContext every;
    every.CountEveryHardLink = true;
    const TScanContext plain;
    struct Case
    {
        const char* What;
        std::string Doc2;
        const TScanContext *Context1, *Context2;
        const char* Expected;
    };
    const std::vector<Case> cases = {
        {"size kind", lengthsOnly, &onDisk, &onDisk,
         "the first counts sizes on disk, each file once, the second lengths"},
        {"link rule", kSecond, &plain, &every,
         "lengths, each file once, the second lengths, every hard link"},
    };
    for (const Case& c : cases) {
        std::vector<TJoinPart> parts;
        parts.push_back(Part(kFirst, "one", *c.Context1));
        parts.push_back(Part(c.Doc2, "two", *c.Context2));
        try {
            Join(std::move(parts));
            ADD_FAILURE() << c.What << ": accepted";
        } catch (const EExchangeError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("\"one\" and \"two\" were not measured alike"), std::string::npos)
                << what;
            EXPECT_NE(what.find(c.Expected), std::string::npos) << what;
        }
    }
}

TEST(JoinedScans, FilesAreNamedByTheirFoldersWhateverTheBytes)
{
    // A name that is not UTF-8 stays the exact bytes, in the label and below it.
    const test::TempDir dir;
    // Windows names are UTF-16: there the name only this system has is one beyond the
    // first 65,536 characters.
    const std::string odd = test::OnWindows() ? "\xF0\x9D\x84\x9E" : "\xe9";
    const std::string latin1Root = "/data/caf" + odd;
    test::WriteFileBytes(dir / "one.json", Doc(latin1Root, R"(,{"name":"\u00e9t\u00e9","asize":4},)"
                                                           "{\"name\":\"na" +
                                                               odd + "ve.txt\",\"asize\":6}"));
    test::WriteFileBytes(dir / "two.json", Doc("/data/b", R"(,{"name":"x.txt","asize":5})"));
    const TImportResult r = ImportScanFiles({dir / "one.json", dir / "two.json"}, {}, "(joined)");
    const TDirNode* root = r.Tree->Root();
    ASSERT_EQ(root->Children().size(), 2u);
    const TDirNode* first = root->Children()[0];
    EXPECT_EQ(first->Name(), NativePath(latin1Root));
    EXPECT_EQ(first->Leaves()[1].FullPath(), NativePath(latin1Root + "/na" + odd + "ve.txt"));
    EXPECT_EQ(root->TotalSize(), 15);
    EXPECT_EQ(root->ExtStats().Get(".txt").Files, 2);

    // A damaged file among several is named.
    test::WriteFileBytes(dir / "bad.json", "[1,2,{},");
    try {
        ImportScanFiles({dir / "one.json", dir / "bad.json"}, {}, "(joined)");
        ADD_FAILURE() << "accepted";
    } catch (const EExchangeError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.json\": "), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace harrowdale
