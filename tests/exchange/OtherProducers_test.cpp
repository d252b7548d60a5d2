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
/// link, a hard link, a zero date, a name that is not UTF-8.
void MakeFixture(const test::TempDir& t)
{
    t.MakeDir("a/b");
    t.MakeDir("empty");
    t.MakeDir("sp ace");
    t.MakeFile("a/x.txt", 5, 1577934245);
    t.MakeFile("a/b/big.BIN", 5000);
    t.MakeFile("sp ace/y.txt", 123);
    t.MakeFile("odd\xff\x01name", 1);
    t.MakeFile("zero", 0, 0);
    t.MakeLink("a/x.txt", "sym");
    std::filesystem::create_hard_link(t / "a/x.txt", t / "hl");
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

void ExpectSame(const Summary& got, const Summary& want)
{
    EXPECT_EQ(got.Files, want.Files);
    EXPECT_EQ(got.Dirs, want.Dirs);
    EXPECT_EQ(got.Bytes, want.Bytes);
    EXPECT_EQ(got.Exts, want.Exts);
}

class OtherProducers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MakeFixture(FTree);
        TScanContext context;
        context.CountEveryHardLink = true; // as the imports below count them
        TDiskScanner scanner(context, FScanned);
        FScanned.SetRoot(scanner.Scan(FTree.Path()));
        FWant = SummaryOf(*FScanned.Root());
    }

    /// Runs a tool's export and imports what it wrote.
    TImportResult ExportedBy(const std::string& tool, const std::string& command)
    {
        if (!HaveTool(tool))
            return {};
        const std::string file = FScratch / (tool + ".json");
        const std::string cmd = command + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return ImportScanFile(file);
    }

    test::TempDir FTree, FScratch;
    TScanTree FScanned;
    Summary FWant;
};

TEST_F(OtherProducers, NcduExportGivesOurTotals)
{
    if (!HaveTool("ncdu"))
        GTEST_SKIP() << "ncdu is not installed";
    const TImportResult r = ExportedBy("ncdu", "ncdu -o " + ShellQuote(FScratch / "ncdu.json") +
                                                   " -x " + ShellQuote(FTree.Path()));
    ASSERT_TRUE(r.Tree);
    EXPECT_EQ(r.Meta.ProgramName, "ncdu");
    EXPECT_EQ(r.Tree->Root()->FullPath(), FTree.Path());
    ExpectSame(SummaryOf(*r.Tree->Root()), FWant);
    // ncdu keeps names as bytes: the odd one is there as it is on the disk.
    bool found = false;
    for (const TFileLeaf& f : r.Tree->Root()->Leaves())
        found |= f.Name() == "odd\xff\x01name";
    EXPECT_TRUE(found);
}

TEST_F(OtherProducers, GduExportGivesOurTotals)
{
    if (!HaveTool("gdu"))
        GTEST_SKIP() << "gdu is not installed";
    const TImportResult r = ExportedBy("gdu", "gdu -n -p -o " + ShellQuote(FScratch / "gdu.json") +
                                                  " " + ShellQuote(FTree.Path()));
    ASSERT_TRUE(r.Tree);
    EXPECT_EQ(r.Meta.ProgramName, "gdu");
    EXPECT_EQ(r.Tree->Root()->FullPath(), FTree.Path());
    ExpectSame(SummaryOf(*r.Tree->Root()), FWant);
}

TEST_F(OtherProducers, NcduReadsOurExport)
{
    if (!HaveTool("ncdu"))
        GTEST_SKIP() << "ncdu is not installed";
    const std::string ours = FScratch / "ours.json";
    ExportScanFile(*FScanned.Root(), ours);
    // ncdu imports our file and exports it again; we read its copy back.
    const TImportResult r = ExportedBy("ncdu", "ncdu -f " + ShellQuote(ours) + " -o " +
                                                   ShellQuote(FScratch / "ncdu.json"));
    ASSERT_TRUE(r.Tree);
    ExpectSame(SummaryOf(*r.Tree->Root()), FWant);
}

} // namespace
} // namespace harrowdale
