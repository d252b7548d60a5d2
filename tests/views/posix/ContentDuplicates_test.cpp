// Duplicates by content on real files: what is read, what is left out, and agreement with
// jdupes on the same tree.

#include "scan/ResultArrays.h"
#include "scan/ScanWith.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "views/ContentDuplicates.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace harrowdale {
namespace {

using test::ScanResult;
using test::ScanWith;
using test::TempDir;

using TGroupSet = std::set<std::set<std::string>>;

// `length` bytes of a pattern that depends on `seed`, with byte `at` changed when given.
std::string Bytes(std::size_t length, int seed, std::int64_t at = -1)
{
    std::string s(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        s[i] = static_cast<char>((i * 131 + static_cast<std::size_t>(seed) * 7 + i / 251) & 0xFF);
    if (at >= 0)
        s[static_cast<std::size_t>(at)] ^= 0x5A;
    return s;
}

struct Grouped
{
    ScanResult Scan;
    TFileArray All;
    TDuplicates Dups;
    TContentOutcome Outcome;
};

std::unique_ptr<Grouped> GroupByContent(const std::string& path, TContentSettings settings = {},
                                        bool everyLink = false, TScanContext* context = nullptr)
{
    auto g = std::make_unique<Grouped>();
    TScanContext scanContext;
    scanContext.CountEveryHardLink = everyLink;
    g->Scan = ScanWith(scanContext, path);
    g->All = FlattenAllFilesFromRoot(g->Scan.Root);
    TScanContext own;
    g->Outcome = BuildContentDuplicates(g->Scan.Root, g->All.Files, g->Dups,
                                        context != nullptr ? *context : own, settings);
    return g;
}

// The groups as sets of paths relative to `root`.
TGroupSet Relative(const TDuplicates& dups, const std::string& root)
{
    TGroupSet out;
    for (const auto& g : dups.Groups) {
        std::set<std::string> files;
        for (const TFileLeaf* f : g->Files)
            files.insert(f->FullPath().substr(root.size() + 1));
        out.insert(files);
    }
    return out;
}

// Files of one length, some equal and some one byte apart: small ones read whole together,
// a few larger ones read side by side, many hashed first (their heads, or whole when
// small) and then confirmed in batches.
TEST(ContentDuplicates, GroupsExactlyTheFilesWithEqualBytes)
{
    struct Case
    {
        std::size_t Length;
        int EqualA, EqualB; ///< files of two contents
    };
    const Case cases[] = {
        {1, 2, 0},     {100, 2, 2},   {4096, 3, 0},   {5000, 2, 3},   {9000, 1, 12},  {100, 7, 6},
        {20000, 2, 3}, {40000, 5, 4}, {300000, 6, 5}, {20000, 10, 0}, {16000, 17, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("length " + std::to_string(c.Length));
        TempDir t;
        TGroupSet expected;
        std::set<std::string> a, b;
        for (int i = 0; i < c.EqualA; ++i) {
            const std::string rel = "a" + std::to_string(i) + "/file";
            t.MakeDir("a" + std::to_string(i));
            test::WriteFileBytes(t / rel, Bytes(c.Length, 1));
            a.insert(rel);
        }
        for (int i = 0; i < c.EqualB; ++i) {
            const std::string rel = "b" + std::to_string(i) + ".bin";
            test::WriteFileBytes(t / rel, Bytes(c.Length, 2));
            b.insert(rel);
        }
        // One byte apart from the first content: at the start, in the middle, at the end.
        for (const std::size_t at : {std::size_t{0}, c.Length / 2, c.Length - 1})
            test::WriteFileBytes(t / ("near" + std::to_string(at)), Bytes(c.Length, 1, at));
        if (a.size() >= 2)
            expected.insert(a);
        if (b.size() >= 2)
            expected.insert(b);
        const auto g = GroupByContent(t.Path());
        ASSERT_EQ(g->Outcome.Status, TContentStatus::Done);
        EXPECT_EQ(Relative(g->Dups, t.Path()), expected);
        EXPECT_EQ(g->Outcome.Unreadable, 0);
        for (const auto& grp : g->Dups.Groups) {
            EXPECT_EQ(grp->Size, static_cast<std::int64_t>(c.Length));
            EXPECT_EQ(grp->FileName, grp->Files.front()->Name());
            // The copies of the first content share one name; those of the second do not.
            EXPECT_EQ(grp->OtherNames, grp->FileName == "file" ? 0 : grp->Files.size() - 1);
            EXPECT_EQ(g->Dups.GroupByFile.at(grp->Files.back()), grp.get());
        }
    }
}

// The fixture every tool should agree on: names that differ, names that are equal with
// contents that are not, hard links, empty files, a sparse file, a name that is not UTF-8.
void MakeMixedTree(const TempDir& t)
{
    t.MakeDir("photos/2024");
    t.MakeDir("backup");
    test::WriteFileBytes(t / "photos/2024/IMG_0001.jpg", Bytes(70000, 3));
    test::WriteFileBytes(t / "backup/holiday.jpg", Bytes(70000, 3));
    test::WriteFileBytes(t / "backup/copyright", Bytes(1200, 4));
    test::WriteFileBytes(t / "photos/copyright", Bytes(1200, 4, 600));
    test::WriteFileBytes(t / "linked", Bytes(5000, 5));
    t.MakeHardLink("linked", "backup/linked-again");
    test::WriteFileBytes(t / "photos/linked-copy", Bytes(5000, 5));
    test::WriteFileBytes(t / "empty-1", "");
    test::WriteFileBytes(t / "backup/empty-2", "");
    t.MakeFile("sparse.img", 1 << 20);
    test::WriteFileBytes(t / "backup/dense.img", std::string(1 << 20, '\0'));
    test::WriteFileBytes(t / "na\xefve-\xff.txt", Bytes(333, 6));
    test::WriteFileBytes(t / "backup/naive.txt", Bytes(333, 6));
}

TEST(ContentDuplicates, LinksEmptyFilesSparseFilesAndOddNames)
{
    TempDir t;
    MakeMixedTree(t);
    for (const bool everyLink : {false, true}) {
        SCOPED_TRACE(everyLink ? "every hard link counted" : "each file once");
        const auto g = GroupByContent(t.Path(), {}, everyLink);
        ASSERT_EQ(g->Outcome.Status, TContentStatus::Done);
        const TGroupSet groups = Relative(g->Dups, t.Path());
        EXPECT_TRUE(groups.count({"photos/2024/IMG_0001.jpg", "backup/holiday.jpg"}));
        for (const auto& grp : g->Dups.Groups)
            EXPECT_EQ(grp->OtherNames, 1u) << grp->FileName;
        EXPECT_TRUE(groups.count({"sparse.img", "backup/dense.img"}));
        EXPECT_TRUE(groups.count({"na\xefve-\xff.txt", "backup/naive.txt"}));
        // Whichever link comes first stands for the file: never both.
        const bool one = groups.count({"linked", "photos/linked-copy"}) +
                             groups.count({"backup/linked-again", "photos/linked-copy"}) ==
                         1;
        EXPECT_TRUE(one);
        EXPECT_EQ(groups.size(), 4u);
    }
}

// jdupes prints each group as its paths, one per line, with a blank line after it.
TGroupSet ParseJdupes(const std::string& out, const std::string& root)
{
    TGroupSet groups;
    std::set<std::string> cur;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            if (!cur.empty())
                groups.insert(cur);
            cur.clear();
        } else {
            cur.insert(line.substr(root.size() + 1));
        }
    }
    if (!cur.empty())
        groups.insert(cur);
    return groups;
}

TEST(ContentDuplicates, SameGroupsAsJdupes)
{
    if (::access("/usr/bin/jdupes", X_OK) != 0)
        GTEST_SKIP() << "jdupes is not installed (scripts/install-deps.sh installs it)";
    TempDir t;
    MakeMixedTree(t);
    t.MakeDir("many");
    for (int i = 0; i < 11; ++i)
        test::WriteFileBytes(t / ("many/" + std::to_string(i)),
                             Bytes(20000, i % 3, i < 3 ? i : -1));
    const test::ProgramRun run = test::RunProgram("/usr/bin/jdupes", {"-r", "-q", t.Path()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto g = GroupByContent(t.Path());
    ASSERT_EQ(g->Outcome.Status, TContentStatus::Done);
    // Either link may stand for the hard-linked file: name it by one.
    const auto oneLinkName = [](TGroupSet groups) {
        TGroupSet out;
        for (std::set<std::string> g : groups) {
            if (g.erase("backup/linked-again") != 0)
                g.insert("linked");
            out.insert(g);
        }
        return out;
    };
    EXPECT_EQ(oneLinkName(Relative(g->Dups, t.Path())),
              oneLinkName(ParseJdupes(run.Out, t.Path())));
}

// Something else at a scanned path when the files are read: never followed, never waited
// on, left out and counted.
TEST(ContentDuplicates, FilesReplacedAfterTheScanAreLeftOut)
{
    struct Case
    {
        const char* Name;
        void (*Replace)(const TempDir& t);
    };
    const Case cases[] = {
        {"removed", [](const TempDir& t) { ASSERT_EQ(::unlink((t / "d/c").c_str()), 0); }},
        {"a fifo",
         [](const TempDir& t) {
             ASSERT_EQ(::unlink((t / "d/c").c_str()), 0);
             ASSERT_EQ(::mkfifo((t / "d/c").c_str(), 0644), 0);
         }},
        {"a link to an equal file",
         [](const TempDir& t) {
             ASSERT_EQ(::unlink((t / "d/c").c_str()), 0);
             t.MakeLink(t / "a", "d/c");
         }},
        {"its folder a link to a copy",
         [](const TempDir& t) {
             ASSERT_EQ(::rename((t / "d").c_str(), (t / "e").c_str()), 0);
             t.MakeLink(t / "e", "d");
         }},
        {"longer", [](const TempDir& t) { test::WriteFileBytes(t / "d/c", Bytes(6001, 7)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir t;
        t.MakeDir("d");
        for (const char* name : {"a", "b", "d/c"})
            test::WriteFileBytes(t / name, Bytes(6000, 7));
        auto g = std::make_unique<Grouped>();
        TScanContext ctx;
        g->Scan = ScanWith(ctx, t.Path());
        g->All = FlattenAllFilesFromRoot(g->Scan.Root);
        c.Replace(t);
        g->Outcome = BuildContentDuplicates(g->Scan.Root, g->All.Files, g->Dups, ctx);
        ASSERT_EQ(g->Outcome.Status, TContentStatus::Done);
        EXPECT_EQ(Relative(g->Dups, t.Path()), (TGroupSet{{"a", "b"}}));
        EXPECT_EQ(g->Outcome.Unreadable, 1);
    }
}

TEST(ContentDuplicates, UnreadableFileIsLeftOut)
{
    TempDir t;
    for (const char* name : {"a", "b", "c"})
        test::WriteFileBytes(t / name, Bytes(3000, 8));
    ASSERT_EQ(::chmod((t / "c").c_str(), 0), 0);
    if (::geteuid() == 0) {
        for (const std::string& path : {t.Path(), t / "a", t / "b"})
            ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
        // Root reads any file: the check runs in a child without root's rights.
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::setuid(65534) != 0)
                std::_Exit(3);
            const auto g = GroupByContent(t.Path());
            const bool ok =
                Relative(g->Dups, t.Path()) == TGroupSet{{"a", "b"}} && g->Outcome.Unreadable == 1;
            std::_Exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3)
            GTEST_SKIP() << "cannot drop root's rights here";
        EXPECT_EQ(WEXITSTATUS(status), 0);
        return;
    }
    const auto g = GroupByContent(t.Path());
    EXPECT_EQ(Relative(g->Dups, t.Path()), (TGroupSet{{"a", "b"}}));
    EXPECT_EQ(g->Outcome.Unreadable, 1);
}

// A file written to while it is read: its length or its time differ between two looks.
// Three files are read side by side; twelve are hashed first.
TEST(ContentDuplicates, FileChangedDuringTheCheckIsLeftOut)
{
    struct Change
    {
        const char* Name;
        void (*Apply)(const std::string& path);
    };
    const Change changes[] = {
        {"appended",
         [](const std::string& path) {
             const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(::write(fd, "x", 1), 1);
             ::close(fd);
         }},
        {"rewritten in place",
         [](const std::string& path) {
             const int fd = ::open(path.c_str(), O_WRONLY);
             ASSERT_GE(fd, 0);
             // The same byte again: only the time tells.
             const std::string same = Bytes(1, 9);
             ASSERT_EQ(::pwrite(fd, same.data(), 1, 0), 1);
             const timespec times[2] = {{0, UTIME_OMIT}, {1000000, 0}};
             ASSERT_EQ(::futimens(fd, times), 0);
             ::close(fd);
         }},
    };
    for (const Change& change : changes) {
        for (const int files : {3, 12}) {
            SCOPED_TRACE(std::string(change.Name) + ", " + std::to_string(files) + " files");
            TempDir t;
            std::set<std::string> others;
            for (int i = 0; i < files; ++i) {
                test::WriteFileBytes(t / ("f" + std::to_string(i)), Bytes(50000, 9));
                if (i > 0)
                    others.insert("f" + std::to_string(i));
            }
            const std::string target = t / "f0";
            std::atomic<bool> changed{false};
            TContentSettings settings;
            settings.OnFileOpened = [&](const TFileLeaf* f) {
                if (f->Name() == "f0" && !changed.exchange(true))
                    change.Apply(target);
            };
            const auto g = GroupByContent(t.Path(), settings);
            ASSERT_TRUE(changed);
            EXPECT_EQ(Relative(g->Dups, t.Path()), TGroupSet{others});
            EXPECT_EQ(g->Outcome.Unreadable, 1);
        }
    }
}

TEST(ContentDuplicates, FileThatDiffersInItsHeadIsReadNoFurther)
{
    TempDir t;
    test::WriteFileBytes(t / "a", Bytes(1 << 20, 10, 5));
    test::WriteFileBytes(t / "b", Bytes(1 << 20, 10));
    const auto g = GroupByContent(t.Path());
    EXPECT_TRUE(g->Dups.Groups.empty());
    EXPECT_EQ(g->Outcome.Candidates, 2);
    EXPECT_EQ(g->Outcome.CandidateBytes, 2 << 20);
    EXPECT_EQ(g->Outcome.BytesRead, 2 * 4096);
}

TEST(ContentDuplicates, RanksByFilesTimesLengthAndKeepsTheCap)
{
    TempDir t;
    for (int i = 0; i < 3; ++i)
        test::WriteFileBytes(t / ("small" + std::to_string(i)), Bytes(1000, 11)); // 3000
    for (int i = 0; i < 2; ++i)
        test::WriteFileBytes(t / ("big" + std::to_string(i)), Bytes(2000, 12)); // 4000
    TContentSettings settings;
    const auto all = GroupByContent(t.Path(), settings);
    ASSERT_EQ(all->Dups.Groups.size(), 2u);
    EXPECT_EQ(all->Dups.Groups[0]->Size, 2000);
    settings.Cap = 1;
    const auto capped = GroupByContent(t.Path(), settings);
    EXPECT_EQ(Relative(capped->Dups, t.Path()), (TGroupSet{{"big0", "big1"}}));
    EXPECT_EQ(capped->Dups.GroupsFound, 2u);
}

TEST(ContentDuplicates, CancelledOrWithoutItsRootGivesNoGroups)
{
    TempDir t;
    for (int i = 0; i < 20; ++i)
        test::WriteFileBytes(t / ("f" + std::to_string(i)), Bytes(200000, 13));
    TScanContext cancelled;
    TContentSettings settings;
    settings.OnFileOpened = [&](const TFileLeaf*) { cancelled.Cancel(); };
    const auto g = GroupByContent(t.Path(), settings, false, &cancelled);
    EXPECT_EQ(g->Outcome.Status, TContentStatus::Cancelled);
    EXPECT_TRUE(g->Dups.Groups.empty());
    EXPECT_LT(g->Outcome.BytesRead, 20 * 200000);

    auto moved = std::make_unique<Grouped>();
    TScanContext ctx;
    moved->Scan = ScanWith(ctx, t.Path());
    moved->All = FlattenAllFilesFromRoot(moved->Scan.Root);
    ASSERT_EQ(::rename(t.Path().c_str(), (t.Path() + "-gone").c_str()), 0);
    const TContentOutcome r =
        BuildContentDuplicates(moved->Scan.Root, moved->All.Files, moved->Dups, ctx);
    ASSERT_EQ(::rename((t.Path() + "-gone").c_str(), t.Path().c_str()), 0);
    EXPECT_EQ(r.Status, TContentStatus::RootMissing);
    EXPECT_TRUE(moved->Dups.Groups.empty());
}

} // namespace
} // namespace harrowdale
