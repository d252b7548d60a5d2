#include "exchange/ScanFileStreams.h"
#include "exchange/ScanTreeImport.h"
#include "support/Environment.h"
#include "support/NativePath.h"
#include "support/TreeFixture.h"
#include "views/ScanComparison.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace harrowdale {
namespace {

// A scan file of the folder /r whose entries are `entries` (the elements after the
// root's info object), read as a scan with `context` would count it.
std::unique_ptr<TScanTree> ReadScan(std::string_view entries, const TScanContext& context,
                                    std::string_view meta = R"("progname":"test")")
{
    std::string text =
        "[1,2,{" + std::string(meta) + "},[{\"name\":\"" + test::JsonPath("/r") + "\"}";
    if (!entries.empty())
        text += "," + std::string(entries);
    text += "]]";
    test::StringSource source(text, 4096);
    return ImportScan(source, context).Tree;
}

std::string Shown(const TCompareEntry& e)
{
    return e.FullPath() + (e.Folder != nullptr ? "/ " : " ") + std::to_string(e.OldSize) + " -> " +
           std::to_string(e.NewSize);
}

// Every list of the comparison, one line an entry, in the comparison's order.
std::vector<std::string> Lines(const TScanComparison& c)
{
    std::vector<std::string> lines;
    const auto add = [&](std::string_view what, std::span<const TCompareEntry> entries) {
        for (const TCompareEntry& e : entries)
            lines.push_back(std::string(what) + " " + Shown(e));
    };
    add("folder", c.ChangedFolders());
    add("file", c.ChangedFiles());
    add("new", c.NewEntries());
    add("gone", c.GoneEntries());
    return lines;
}

std::string P(std::string_view slashed)
{
    return test::NativePath(slashed);
}

struct PairCase
{
    const char* Name;
    const char* Older;
    const char* Newer;
    bool EveryLink;
    std::vector<std::string> Expected; ///< paths written with '/', turned native below
};

TEST(ScanComparison, TreePairs)
{
    const std::vector<PairCase> cases = {
        {"grown",
         R"({"name":"a","asize":10},{"name":"b","asize":1})",
         R"({"name":"b","asize":1},{"name":"a","asize":25})",
         false,
         {"folder /r/ 11 -> 26", "file /r/a 10 -> 25"}},
        {"shrunk below, the most grown folder first, the most shrunk last",
         R"([{"name":"d"},{"name":"b","asize":30}],[{"name":"e"},{"name":"c","asize":1}])",
         R"([{"name":"e"},{"name":"c","asize":9}],[{"name":"d"},{"name":"b","asize":5}])",
         false,
         {"folder /r/e/ 1 -> 9", "folder /r/ 31 -> 14", "folder /r/d/ 30 -> 5",
          "file /r/d/b 30 -> 5", "file /r/e/c 1 -> 9"}},
        {"new file and new folder: the folder stands for what it holds",
         R"({"name":"a","asize":1})",
         R"({"name":"a","asize":1},{"name":"c","asize":4},[{"name":"n"},{"name":"f","asize":6},)"
         R"([{"name":"m"},{"name":"g","asize":2}]])",
         false,
         {"folder /r/ 1 -> 13", "new /r/n/ 0 -> 8", "new /r/c 0 -> 4"}},
        {"gone file and gone folder, with their old sizes",
         R"({"name":"g","asize":8},[{"name":"h"},{"name":"i","asize":3}],{"name":"k","asize":2})",
         R"({"name":"k","asize":2})",
         false,
         {"folder /r/ 13 -> 2", "gone /r/g 8 -> 0", "gone /r/h/ 3 -> 0"}},
        {"a file replaced by a folder of the same name",
         R"({"name":"x","asize":5})",
         R"([{"name":"x"},{"name":"y","asize":7}])",
         false,
         {"folder /r/ 5 -> 7", "new /r/x/ 0 -> 7", "gone /r/x 5 -> 0"}},
        {"names that are not UTF-8 match byte for byte",
         "{\"name\":\"\xff\",\"asize\":1},{\"name\":\"\xfe\x80\",\"asize\":2}",
         "{\"name\":\"\xfe\x80\",\"asize\":2},{\"name\":\"\xff\",\"asize\":4},"
         "{\"name\":\"\xfe\",\"asize\":3}",
         false,
         {"folder /r/ 3 -> 9", "file /r/\xff 1 -> 4", "new /r/\xfe 0 -> 3"}},
        {"unchanged",
         R"({"name":"a","asize":3},[{"name":"d"}])",
         R"([{"name":"d"}],{"name":"a","asize":3})",
         false,
         {}},
        {"a second link in the newer scan only, each file counted once: nothing changed",
         R"({"name":"a","asize":10,"ino":7,"nlink":1})",
         R"({"name":"a","asize":10,"ino":7,"nlink":2,"hlnkc":true},)"
         R"({"name":"b","asize":10,"ino":7,"nlink":2,"hlnkc":true})",
         false,
         {}},
        {"a second link in the newer scan only, every link counted: one new file",
         R"({"name":"a","asize":10,"ino":7,"nlink":1})",
         R"({"name":"a","asize":10,"ino":7,"nlink":2,"hlnkc":true},)"
         R"({"name":"b","asize":10,"ino":7,"nlink":2,"hlnkc":true})",
         true,
         {"folder /r/ 10 -> 20", "new /r/b 0 -> 10"}},
    };
    for (const PairCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TScanContext context;
        context.CountEveryHardLink = c.EveryLink;
        const auto older = ReadScan(c.Older, context);
        const auto newer = ReadScan(c.Newer, context);
        const TScanComparison comparison(*older, *newer);
        std::vector<std::string> expected;
        for (const std::string& line : c.Expected) {
            // The path is the second word; it may hold any byte but a blank.
            const std::size_t from = line.find(' ') + 1, to = line.find(' ', from);
            std::string path = line.substr(from, to - from);
            const bool folder = path.size() > 1 && path.back() == '/';
            if (folder)
                path.pop_back();
            expected.push_back(line.substr(0, from) + P(path) + (folder ? "/" : "") +
                               line.substr(to));
        }
        EXPECT_EQ(Lines(comparison), expected);
    }
}

TEST(ScanComparison, NamesDifferingInCaseAreTwoEntriesOnLinux)
{
    if (test::OnWindows())
        GTEST_SKIP() << "Windows names one file whatever the case";
    const auto older = ReadScan(R"({"name":"Report.txt","asize":5})", {});
    const auto newer = ReadScan(R"({"name":"report.txt","asize":5})", {});
    EXPECT_EQ(Lines(TScanComparison(*older, *newer)),
              (std::vector<std::string>{"new /r/report.txt 0 -> 5", "gone /r/Report.txt 5 -> 0"}));
}

TEST(ScanComparison, ScansThatCannotBeComparedAreOneClearError)
{
    TScanContext onDisk;
    onDisk.SizeOnDisk = true;
    TScanContext everyLink;
    everyLink.CountEveryHardLink = true;
    const std::string entries = R"({"name":"a","asize":10,"dsize":4096})";
    const auto apparent = ReadScan(entries, {});
    struct Case
    {
        const char* Name;
        std::unique_ptr<TScanTree> One, Other;
        const char* Says;
    };
    Case cases[] = {
        {"sizes on disk against lengths", ReadScan(entries, {}), ReadScan(entries, onDisk),
         "measure"},
        {"every link against each file once", ReadScan(entries, {}), ReadScan(entries, everyLink),
         "hard-link rule"},
        {"both asked for sizes on disk, but one file could not tell them",
         ReadScan(entries, onDisk),
         ReadScan(entries, onDisk, R"("progname":"test","dsize_known":false)"), "measure"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        for (const bool otherIsNewer : {false, true}) {
            try {
                if (otherIsNewer)
                    TScanComparison(*c.One, *c.Other);
                else
                    TScanComparison(*c.Other, *c.One);
                ADD_FAILURE() << "compared";
            } catch (const EComparisonError& e) {
                EXPECT_NE(std::string(e.what()).find(c.Says), std::string::npos) << e.what();
            }
        }
    }

    // A scan of another folder matches nothing: refused, naming both.
    test::TreeFixture other("/s");
    other.File(other.Root(), "a", 10);
    try {
        TScanComparison(*apparent, other.Finish());
        ADD_FAILURE() << "compared";
    } catch (const EComparisonError& e) {
        EXPECT_NE(std::string(e.what()).find(P("/s")), std::string::npos) << e.what();
    }
}

// Every node of the newer tree answers its old size and state as a dictionary of full
// paths of the older tree says, on random trees where a few entries changed.
TEST(ScanComparison, EveryNodeAnswersAsItsPathInTheOlderScan)
{
    std::mt19937 rng(25);
    const auto build = [&](test::TreeFixture& fx, bool older) {
        std::vector<TDirNode*> dirs{fx.Root()};
        for (int i = 0; i < 400; ++i) {
            TDirNode* parent = dirs[rng() % dirs.size()];
            const std::string name = "n" + std::to_string(i);
            const unsigned r = rng() % 20; // 0: only newer, 1: only older, 2: resized
            if (i % 5 == 0)
                dirs.push_back(fx.Folder(parent, name));
            else if ((r != 0 || !older) && (r != 1 || older))
                fx.File(parent, name, r == 2 && !older ? 1000 + i : i);
        }
    };
    // One generator for both sides: rebuild it from the same seed.
    test::TreeFixture olderFx, newerFx;
    rng.seed(25);
    build(olderFx, true);
    rng.seed(25);
    build(newerFx, false);
    const TScanTree& older = olderFx.Finish();
    const TScanTree& newer = newerFx.Finish();
    const TScanComparison comparison(older, newer);

    std::map<std::string, std::int64_t> oldFiles, oldDirs;
    std::vector<const TDirNode*> stack{older.Root()};
    while (!stack.empty()) {
        const TDirNode* d = stack.back();
        stack.pop_back();
        oldDirs.emplace(d->FullPath(), d->TotalSize());
        for (const TFileLeaf& f : d->Leaves())
            oldFiles.emplace(f.FullPath(), f.Size());
        stack.insert(stack.end(), d->Children().begin(), d->Children().end());
    }
    const auto expectedState = [](const auto& map, const std::string& path, std::int64_t size) {
        const auto it = map.find(path);
        if (it == map.end())
            return TChangeState::New;
        return it->second == size  ? TChangeState::Same
               : it->second < size ? TChangeState::Grown
                                   : TChangeState::Shrunk;
    };
    int newFiles = 0, changedFiles = 0;
    EXPECT_FALSE(comparison.GoneEntries().empty());
    stack = {newer.Root()};
    while (!stack.empty()) {
        const TDirNode* d = stack.back();
        stack.pop_back();
        EXPECT_EQ(comparison.State(d), expectedState(oldDirs, d->FullPath(), d->TotalSize()))
            << d->FullPath();
        EXPECT_EQ(comparison.OldSize(d),
                  oldDirs.contains(d->FullPath()) ? oldDirs[d->FullPath()] : 0);
        for (const TFileLeaf& f : d->Leaves()) {
            const TChangeState s = expectedState(oldFiles, f.FullPath(), f.Size());
            EXPECT_EQ(comparison.State(&f), s) << f.FullPath();
            EXPECT_EQ(comparison.OldSize(&f),
                      oldFiles.contains(f.FullPath()) ? oldFiles[f.FullPath()] : 0);
            newFiles += s == TChangeState::New;
            changedFiles += s == TChangeState::Grown || s == TChangeState::Shrunk;
        }
        stack.insert(stack.end(), d->Children().begin(), d->Children().end());
    }
    EXPECT_GT(newFiles, 0);
    EXPECT_GT(changedFiles, 0);
}

} // namespace
} // namespace harrowdale
