// Scan files written by ncdu and gdu, the format's other producers, of a small tree on
// disk: imported, they give the totals our own scan of that tree gives. Skipped when the
// tools are not installed (scripts/install-deps.sh installs them).

#include "exchange/ScanTreeExport.h"
#include "exchange/ScanTreeImport.h"
#include "scan/DiskScanner.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace harrowdale {
namespace {

bool HaveTool(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

using test::ShellQuote;

/// A tree with the cases the tools write differently: folder sizes, an empty folder, a
/// link, hard links (two links of one file; three of another, across folders), a zero
/// date, a name that is not UTF-8.
void MakeFixture(const test::TempDir& t)
{
    t.MakeDir("a/b");
    t.MakeDir("empty");
    t.MakeDir("sp ace");
    t.MakeDir("links");
    t.MakeFile("a/x.txt", 5, 1577934245);
    t.MakeFile("a/b/big.BIN", 5000);
    t.MakeFile("sp ace/y.txt", 123);
    t.MakeFile("odd\xff\x01name", 1);
    t.MakeFile("zero", 0, 0);
    t.MakeLink("a/x.txt", "sym");
    std::filesystem::create_hard_link(t / "a/x.txt", t / "hl");
    t.MakeFile("links/one.dat", 3000);
    std::filesystem::create_hard_link(t / "links/one.dat", t / "links/two.dat");
    std::filesystem::create_hard_link(t / "links/one.dat", t / "sp ace/three.dat");
}

struct Summary
{
    std::int64_t Files = 0, Dirs = 0, Bytes = 0;
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> Exts; ///< bytes, files
};

Summary SummaryOf(const TDirNode& root)
{
    Summary s{root.TotalFiles(), root.TotalDirs(), root.TotalSize(), {}};
    for (const TExtStatPair& p : root.ExtStats().ToSortedArrayByBytesDesc())
        s.Exts[p.Ext] = {p.Bytes, p.Files};
    return s;
}

/// `exts`: whether the extension tables must match too. Counting a file once, a writer
/// that chose another of its links as the counted one moves its bytes to that link's
/// extension ("hl" and "a/x.txt").
void ExpectSame(const Summary& got, const Summary& want, bool exts = true)
{
    EXPECT_EQ(got.Files, want.Files);
    EXPECT_EQ(got.Dirs, want.Dirs);
    EXPECT_EQ(got.Bytes, want.Bytes);
    if (exts) {
        EXPECT_EQ(got.Exts, want.Exts);
    }
}

class OtherProducers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MakeFixture(FTree);
        for (const bool each : {false, true}) {
            TScanContext context;
            context.CountEveryHardLink = each;
            TScanTree& tree = each ? FScannedEach : FScannedOnce;
            TDiskScanner scanner(context, tree);
            tree.SetRoot(scanner.Scan(FTree.Path()));
            (each ? FWantEach : FWantOnce) = SummaryOf(*tree.Root());
        }
        ASSERT_EQ(FWantEach.Files - FWantOnce.Files, 3); // the links counted once
    }

    /// Runs a tool's export (once), then imports what it wrote with each link rule.
    void ExpectOurTotals(const std::string& tool, const std::string& command,
                         bool extsWhenOnce = true)
    {
        const std::string file = FScratch / (tool + ".json");
        const std::string cmd = command + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        for (const bool each : {false, true}) {
            SCOPED_TRACE(each ? "every link" : "links once");
            TScanContext context;
            context.CountEveryHardLink = each;
            TImportResult r = ImportScanFile(file, context);
            ASSERT_TRUE(r.Tree);
            EXPECT_EQ(r.Tree->Root()->FullPath(), FTree.Path());
            ExpectSame(SummaryOf(*r.Tree->Root()), each ? FWantEach : FWantOnce,
                       each || extsWhenOnce);
            FLast = r.Meta;
            if (each)
                FLastEach = std::move(r.Tree);
        }
    }

    test::TempDir FTree, FScratch;
    TScanTree FScannedOnce, FScannedEach;
    Summary FWantOnce, FWantEach;
    TExchangeMeta FLast;
    std::unique_ptr<TScanTree> FLastEach;
};

TEST_F(OtherProducers, NcduExportGivesOurTotals)
{
    if (!HaveTool("ncdu"))
        GTEST_SKIP() << "ncdu is not installed";
    ExpectOurTotals("ncdu", "ncdu -o " + ShellQuote(FScratch / "ncdu.json") + " -x " +
                                ShellQuote(FTree.Path()));
    EXPECT_EQ(FLast.ProgramName, "ncdu");
    // ncdu keeps names as bytes: the odd one is there as it is on the disk.
    bool found = false;
    for (const TFileLeaf& f : FLastEach->Root()->Leaves())
        found |= f.Name() == "odd\xff\x01name";
    EXPECT_TRUE(found);
}

TEST_F(OtherProducers, GduExportGivesOurTotals)
{
    if (!HaveTool("gdu"))
        GTEST_SKIP() << "gdu is not installed";
    // gdu walks folders in parallel: which link it counts varies from run to run.
    ExpectOurTotals(
        "gdu", "gdu -n -p -o " + ShellQuote(FScratch / "gdu.json") + " " + ShellQuote(FTree.Path()),
        false);
    EXPECT_EQ(FLast.ProgramName, "gdu");
}

TEST_F(OtherProducers, NcduReadsOurExport)
{
    if (!HaveTool("ncdu"))
        GTEST_SKIP() << "ncdu is not installed";
    const std::string ours = FScratch / "ours.json";
    ExportScanFile(*FScannedEach.Root(), ours);
    // ncdu imports our file and exports it again; we read its copy back: the links are
    // still known for what they are.
    ExpectOurTotals("ncdu",
                    "ncdu -f " + ShellQuote(ours) + " -o " + ShellQuote(FScratch / "ncdu.json"));
}

} // namespace
} // namespace harrowdale
