// Reading scan files: what is accepted and how it counts, and bad input answered with one
// clear error.

#include "exchange/ScanFileStreams.h"
#include "exchange/ScanTreeImport.h"
#include "scan/DateTime.h"
#include "scan/Mask.h"
#include "scan/TreeLookup.h"
#include "scan/TreePathStyle.h"
#include "support/Environment.h"
#include "support/NativePath.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using test::Gzip;
using test::RepeatSource;
using test::StringSource;

TImportResult Import(const std::string& text, const TScanContext& context = {})
{
    StringSource source(text);
    return ImportScan(source, context);
}

std::string Doc(const std::string& rootAndEntries, const std::string& head = "1,2,{}")
{
    return "[" + head + ",\n[" + rootAndEntries + "]]";
}

std::string ErrorOf(const std::string& text, const TScanContext& context = {})
{
    try {
        Import(text, context);
    } catch (const EExchangeError& e) {
        return e.what();
    }
    return "(accepted)";
}

struct Totals
{
    std::int64_t Files, Dirs, Bytes;
};

Totals TotalsOf(const TImportResult& r)
{
    const TDirNode* root = r.Tree->Root();
    return {root->TotalFiles(), root->TotalDirs(), root->TotalSize()};
}

TEST(ScanFileImport, BuildsTheTreeTheFileDescribes)
{
    // Folders' own sizes (ncdu writes 4096 for each) do not count; entries keep the
    // file's order; the root is the recorded path.
    const TImportResult r =
        Import(Doc(R"({"name":")" + test::JsonPath("/srv/data/") + R"(","asize":4096,"dsize":4096},
        {"name":"a.TXT","asize":10,"dsize":4096,"mtime":1700000000},
        [{"name":"sub","asize":4096},{"name":"b.txt","asize":5},[{"name":"empty"}]],
        {"name":"c","asize":7})"));
    const TDirNode* root = r.Tree->Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->FullPath(), test::NativePath("/srv/data"));
    EXPECT_EQ(root->Name(), "data");
    EXPECT_EQ(root->TotalFiles(), 3);
    EXPECT_EQ(root->TotalDirs(), 3);
    EXPECT_EQ(root->TotalSize(), 22);
    ASSERT_EQ(root->Leaves().size(), 2u);
    EXPECT_EQ(root->Leaves()[0].Name(), "a.TXT");
    EXPECT_EQ(root->Leaves()[0].Ext(), ".txt");
    EXPECT_EQ(root->Leaves()[0].ModifiedFT(), (1700000000LL + 11644473600LL) * 10000000LL);
    EXPECT_EQ(root->Leaves()[1].FullPath(), test::NativePath("/srv/data/c"));
    ASSERT_EQ(root->Children().size(), 1u);
    const TDirNode* sub = root->Children()[0];
    EXPECT_EQ(sub->FullPath(), test::NativePath("/srv/data/sub"));
    EXPECT_EQ(sub->Children()[0]->TotalDirs(), 1);
    EXPECT_EQ(root->ExtStats().Get(".txt").Bytes, 15);
    EXPECT_EQ(root->ExtStats().Get("(none)").Files, 1);
    EXPECT_EQ(r.MetBytes, 22);
}

TEST(ScanFileImport, AcceptsOtherVersionsUnknownKeysAndSpacing)
{
    // Minor versions add keys; anything unknown is skipped, whatever its shape.
    const std::string unknown =
        R"("x":{"a":[1,-2.5e+3,{"b":null}],"c":"\"]}\\"},"y":[],"z":true,"w":false,"v":null)";
    struct Case
    {
        std::string Text;
        Totals Want;
    };
    const std::vector<Case> cases = {
        {Doc(R"({"name":")" + test::JsonPath("/") + R"("},{"name":"f","asize":3})", "1,0,{}"),
         {1, 1, 3}},
        {Doc(R"({"name":")" + test::JsonPath("/") + R"("},{"name":"f","asize":3})",
             "1,10000,{\"k\":[[{}]]}"),
         {1, 1, 3}},
        {Doc(R"({"name":")" + test::JsonPath("/r") + R"(",)" + unknown + R"(},{)" + unknown +
                 R"(,"name":"f","asize":3})",
             "1,3,{" + unknown + R"(,"progname":"other","timestamp":1.5})"),
         {1, 1, 3}},
        {" \n\t[ 1 , 2 , { } , [ { \"name\" : \"" + test::JsonPath("/r") +
             "\" } , [ { \"name\" : \"d\" } ] , "
             "{ \"name\" : \"f\" , \"asize\" : 4 } ] ] \r\n",
         {1, 2, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        const TImportResult r = Import(c.Text);
        const Totals t = TotalsOf(r);
        EXPECT_EQ(t.Files, c.Want.Files);
        EXPECT_EQ(t.Dirs, c.Want.Dirs);
        EXPECT_EQ(t.Bytes, c.Want.Bytes);
    }
}

TEST(ScanFileImport, NamesAreBytes)
{
    // Raw bytes from 0x80 up stay as they are; escapes decode; surrogate-escaped bytes
    // (\udcXX) become the bytes; a lone surrogate stays as its three bytes. A backslash is a
    // name's byte on Linux and a separator on Windows (refused there: see BadInput).
    const std::string escaped =
        test::OnWindows() ? "esc\\u0001\\\"\\t\\b" : "esc\\u0001\\\"\\\\\\t\\b";
    const std::string text = Doc("{\"name\":\"" + test::JsonPath("/r") +
                                 "\"},"
                                 "{\"name\":\"raw\xff\xfe\"},"
                                 "{\"name\":\"" +
                                 escaped +
                                 "\"},"
                                 "{\"name\":\"pair\\ud83d\\ude00\"},"
                                 "{\"name\":\"sur\\udcff\\udc80\"},"
                                 "{\"name\":\"lone\\ud800x\"}");
    const TImportResult r = Import(text);
    const auto leaves = r.Tree->Root()->Leaves();
    ASSERT_EQ(leaves.size(), 5u);
    EXPECT_EQ(leaves[0].Name(), "raw\xff\xfe");
    EXPECT_EQ(leaves[1].Name(), test::OnWindows() ? "esc\x01\"\t\b" : "esc\x01\"\\\t\b");
    EXPECT_EQ(leaves[2].Name(), "pair\xf0\x9f\x98\x80");
    EXPECT_EQ(leaves[3].Name(), "sur\xff\x80");
    EXPECT_EQ(leaves[4].Name(), "lone\xed\xa0\x80x");
}

TEST(ScanFileImport, LeavesOutWhatAScanWouldNotCount)
{
    struct Case
    {
        const char* What;
        std::string Entries;
        std::string Head;
        Totals Want;
    };
    const std::vector<Case> cases = {
        {"excluded entries and folders, with what is below them",
         R"({"name":"f","excluded":"pattern"},{"name":"m","excluded":"otherfs"},)"
         R"([{"name":"x","excluded":"pattern"},{"name":"in","asize":9},[{"name":"deeper"}]])",
         "1,2,{}",
         {0, 1, 0}},
        {"links and special files that another program marked alike",
         R"({"name":"link","asize":7,"notreg":true},{"name":"fifo","notreg":true})",
         "1,2,{}",
         {0, 1, 0}},
        {"a special file whose mode says it is no link",
         R"({"name":"fifo","notreg":true,"asize":1,"mode":4516},)"
         R"({"name":"link","notreg":true,"asize":7,"mode":41471})",
         "1,2,{}",
         {1, 1, 1}},
        {"special files in a file Harrowdale wrote (its scans hold no links)",
         R"({"name":"fifo","notreg":true,"asize":2})",
         R"(1,2,{"progname":"harrowdale"})",
         {1, 1, 2}},
        {"an unreadable folder still counts",
         R"([{"name":"locked","read_error":true}])",
         "1,2,{}",
         {0, 2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const Totals t = TotalsOf(
            Import(Doc(R"({"name":")" + test::JsonPath("/r") + R"("},)" + c.Entries, c.Head)));
        EXPECT_EQ(t.Files, c.Want.Files);
        EXPECT_EQ(t.Dirs, c.Want.Dirs);
        EXPECT_EQ(t.Bytes, c.Want.Bytes);
    }
}

TEST(ScanFileImport, HardLinksSizeOnDiskAndWhatTheFileLacks)
{
    // Two links of inode 5 on the root's device, and inode 5 of another device; "c"
    // gives no dsize.
    const std::string links = R"({"name":")" + test::JsonPath("/r") +
                              R"(","dev":1},)"
                              R"({"name":"a","asize":10,"dsize":4096,"ino":5,"hlnkc":true},)"
                              R"([{"name":"d"},{"name":"b","asize":10,"dsize":4096,"ino":5,)"
                              R"("hlnkc":true,"nlink":2}],)"
                              R"([{"name":"m","dev":2},{"name":"c","asize":10,"ino":5,)"
                              R"("hlnkc":true}])";
    // gdu gives the inode only of the links after the one it counted.
    const std::string gdu = R"({"name":")" + test::JsonPath("/r") +
                            R"("},{"name":"one","asize":7,"dsize":4096},)"
                            R"([{"name":"d"},{"name":"two","asize":7,"dsize":4096,"ino":9,)"
                            R"("hlnkc":true}])";
    // Links whose inode is not given cannot be matched.
    const std::string noInode = R"({"name":")" + test::JsonPath("/r") +
                                R"("},{"name":"x","asize":3,"hlnkc":true,"nlink":2},)"
                                R"({"name":"y","asize":3,"hlnkc":true,"nlink":2})";
    // What Harrowdale's scan met and left out (filtered, later links) is in the metadata.
    const std::string leftOutHead =
        R"(1,2,{"progname":"harrowdale","size_kind":"apparent","left_out_bytes":100})";
    const std::string leftOut =
        R"({"name":")" + test::JsonPath("/r") + R"("},{"name":"f","asize":5})";
    // A writer whose system could tell neither (Windows): whatever its entries seem to
    // say, lengths and every link are what it counted.
    const std::string unknownHead =
        R"(1,2,{"progname":"harrowdale","dsize_known":false,"links_known":false})";
    struct Case
    {
        const char* What;
        std::string Entries, Head;
        bool Each, OnDisk;
        std::int64_t Files, Bytes, Met;
        bool FallsBack = false; ///< to lengths and every link
    };
    const std::vector<Case> cases = {
        {"every link", links, "1,2,{}", true, false, 3, 30, 30},
        {"once per device and inode", links, "1,2,{}", false, false, 2, 20, 30},
        {"on disk; a writer that leaves zero sizes out", links, R"(1,2,{"progname":"ncdu"})", true,
         true, 3, 8192, 8192},
        {"on disk; other writers: the length", links, "1,2,{}", true, true, 3, 8202, 8202},
        {"on disk, once", links, R"(1,2,{"progname":"ncdu"})", false, true, 2, 4096, 8192},
        {"gdu's later links, once", gdu, R"(1,2,{"progname":"gdu"})", false, false, 1, 7, 14},
        {"gdu's later links, every link", gdu, R"(1,2,{"progname":"gdu"})", true, false, 2, 14, 14},
        {"no inode: every link counts", noInode, "1,2,{}", false, false, 2, 6, 6},
        {"what the writer left out was met", leftOut, leftOutHead, false, false, 1, 5, 105},
        {"... in the measure it was met in", leftOut, leftOutHead, false, true, 1, 0, 0},
        {"a writer that could tell neither", links, unknownHead, false, true, 3, 30, 30, true},
        {"... read as it counted", links, unknownHead, true, false, 3, 30, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TScanContext context;
        context.CountEveryHardLink = c.Each;
        context.SizeOnDisk = c.OnDisk;
        const TImportResult r = Import(Doc(c.Entries, c.Head), context);
        EXPECT_EQ(TotalsOf(r).Files, c.Files);
        EXPECT_EQ(TotalsOf(r).Bytes, c.Bytes);
        EXPECT_EQ(r.MetBytes, c.Met);
        const bool each = c.Each || c.FallsBack, onDisk = c.OnDisk && !c.FallsBack;
        EXPECT_EQ(r.Tree->HardLinks(), each ? THardLinks::Each : THardLinks::Once);
        EXPECT_EQ(r.Tree->SizeKind(), onDisk ? TSizeKind::OnDisk : TSizeKind::Apparent);
        EXPECT_EQ(r.Tree->MeasureFellBack(), c.FallsBack);
    }
    // The first link in the tree's order counts: the root's own file before "d".
    const TImportResult once = Import(Doc(links));
    ASSERT_EQ(once.Tree->Root()->Leaves().size(), 1u);
    EXPECT_EQ(once.Tree->Root()->Leaves()[0].Name(), "a");
    EXPECT_EQ(once.Tree->Root()->Children()[0]->TotalFiles(), 0);
}

TEST(ScanFileImport, ScanFiltersApplyAsToAScan)
{
    // A file of the root after its subfolder: masks must see the root's path again.
    const std::string text = Doc(R"({"name":")" + test::JsonPath("/r") +
                                 R"("},)"
                                 R"({"name":"big.bin","asize":5000,"mtime":1700000000},)"
                                 R"({"name":"tiny.bin","asize":10},)"
                                 R"({"name":"x.TMP","asize":9000},)"
                                 R"([{"name":"sub"},{"name":"skipme","asize":9000},)"
                                 R"({"name":"old.bin","asize":9000,"mtime":946684800},)"
                                 R"({"name":"ok.bin","asize":6000}],)"
                                 R"({"name":"skipme2","asize":7000})");
    TScanContext context;
    context.ExcludeLessThan = true;
    context.LessThanBytes = 100;
    context.ExcludePattern = true;
    context.PatternMasks = {"*.tmp", test::NativePath("/r/sub/skip*")};
    context.ExcludeModifiedBefore = true;
    context.ModifiedBefore = *EncodeDateTime({2010, 1, 1});
    const TImportResult r = Import(text, context);
    EXPECT_EQ(TotalsOf(r).Files, 3);
    EXPECT_EQ(TotalsOf(r).Bytes, 18000);
    EXPECT_EQ(r.MetBytes, 45010); // the files left out were met
    const auto root = r.Tree->Root()->Leaves();
    ASSERT_EQ(root.size(), 2u);
    EXPECT_EQ(root[1].Name(), "skipme2");

    context.PatternMasks = {"*.[tmp"};
    EXPECT_THROW(Import(text, context), EMaskException);
}

TEST(ScanFileImport, BadInputGetsOneClearError)
{
    const std::string root = R"({"name":")" + test::JsonPath("/r") + R"("})";
    struct Case
    {
        std::string Text;
        std::string Want; ///< part of the message
    };
    const std::vector<Case> cases = {
        {"", "the file is empty"},
        {"  \n", "the file is empty"},
        {std::string("\0\0\0\0", 4), "not a scan file"},
        {"{\"a\":1}", "not a scan file"},
        {"<html>", "not a scan file"},
        // versions
        {Doc(root, "2,0,{}"), "format version 2.0 is not supported"},
        {Doc(root, "0,2,{}"), "format version 0.2 is not supported"},
        {Doc(root, "1,10001,{}"), "the minor version is not a whole number from 0 to 10000"},
        {Doc(root, "1.0,2,{}"), "the major version is not a whole number"},
        {Doc(root, "\"1\",2,{}"), "the major version is not a number"},
        {Doc(root, "1,2,[]"), "the metadata is not an object"},
        // shape
        {"[1,2,{},{\"name\":\"" + test::JsonPath("/r") + "\"}]", "the root is not a folder"},
        {"[1,2,{},[]]", "a folder does not start with its info object"},
        {"[1,2,{},[[{\"name\":\"" + test::JsonPath("/r") + "\"}]]]",
         "a folder does not start with its info object"},
        {Doc(root) + " x", "data after the end of the scan"},
        {"[1,2,{},[" + root + "],5]", "expected ']' after the root folder"},
        {Doc(root + ",5"), "expected a folder or an info object, found '5'"},
        {Doc(root + ",{\"asize\":1}"), "an entry has no name"},
        {Doc(root + ",{\"name\":\"a\" \"asize\":1}"), "expected ',' or '}', found '\"'"},
        {Doc(root + ",{\"name\":\"a\",}"), "a key is not a string"},
        // truncated anywhere
        {"[1,2,{},[" + root + ",{\"name\":\"a\",\"asize\":1", "ends too early"},
        {"[1,2,{},[" + root + ",{\"name\":\"a", "ends too early"},
        {"[1,2,{},[" + root + ",{\"name\":", "ends too early"},
        {"[1,2,{},[" + root + ",{\"name\":\"a\",\"hlnkc\":", "ends too early"},
        {"[1,2,", "ends too early"},
        {"[1,2,{},[" + root + ",[{\"name\":\"d\"}", "ends too early"},
        {"[1,2,{},[" + root + "]", "ends too early"},
        {"[1,2,{\"k\":[1,", "ends too early"},
        {"[1,2,{},[" + root + ",{\"name\":\"a\\u00", "ends too early"},
        // names
        {Doc(root + ",{\"name\":\"a/b\"}"), "holds a '/'"},
        {Doc(root + ",{\"name\":\"/\"}"), "holds a '/'"},
        {Doc(root + ",{\"name\":\"a\\/b\"}"), "holds a '/'"},
        {Doc(root + ",{\"name\":\"a\\\\b\"}"), test::OnWindows() ? "holds a '\\'" : "(accepted)"},
        {Doc(root + ",{\"name\":\".\"}"), "an entry is named \".\""},
        {Doc(root + ",[{\"name\":\"..\"}]"), "an entry is named \"..\""},
        {Doc(root + ",{\"name\":\"\"}"), "an entry has an empty name"},
        {Doc(root + ",{\"name\":\"a\\u0000b\"}"), "holds a NUL byte"},
        {Doc(root + ",{\"name\":5}"), "a name is not a string"},
        {Doc(root + ",{\"name\":\"" + std::string(4097, 'n') + "\"}"),
         "a name is longer than 4096 bytes"},
        {Doc(root + ",{\"name\":\"a\\x\"}"), "an unknown escape inside a name"},
        {Doc(root + ",{\"name\":\"a\\u12g4\"}"), "a bad \\u escape inside a name"},
        {Doc(root + ",{\"name\":\"a\nb\"}"), "a control byte inside a name"},
        {Doc(root + ",{\"name\":\"a\"},[{\"name\":\"a\"}]"),
         "two entries of one folder are named \"a\""},
        {Doc(root + ",[{\"name\":\"d\"},{\"name\":\"x\\u00ff\"},{\"name\":\"x\xc3\xbf\"}]"),
         "two entries of one folder are named \"x\xc3\xbf\""},
        // the root
        {Doc("{\"name\":\"relative/path\"}"), "is not an absolute path"},
        {Doc("{\"name\":\"\"}"), "is not an absolute path"},
        {Doc("{\"name\":\"C:relative\"}"), "is not an absolute path"},
        // numbers
        {Doc(root + ",{\"name\":\"a\",\"asize\":-1}"), "asize is negative"},
        {Doc(root + ",{\"name\":\"a\",\"dsize\":1.5}"), "dsize is not a whole number"},
        {Doc(root + ",{\"name\":\"a\",\"asize\":1e3}"), "asize is not a whole number"},
        {Doc(root + ",{\"name\":\"a\",\"asize\":9223372036854775808}"),
         "asize is larger than 2^63-1"},
        {Doc(root + ",{\"name\":\"a\",\"asize\":99999999999999999999}"),
         "asize is larger than 2^63-1"},
        {Doc(root + ",{\"name\":\"a\",\"asize\":\"12\"}"), "asize is not a number"},
        {Doc(root + ",{\"name\":\"a\",\"asize\":1-2}"), "asize is not a number"},
        {Doc(root + ",{\"name\":\"a\",\"asize\":" + std::string(41, '1') + "}"),
         "asize is a number longer than 40 characters"},
        {Doc(root + ",{\"name\":\"a\",\"ino\":-3}"), "ino is negative"},
        {Doc(root + ",{\"name\":\"a\",\"mode\":4294967296}"), "mode is larger than 2^32-1"},
        {Doc(root + ",{\"name\":\"a\",\"mtime\":1e9}"), "mtime is not a plain number"},
        {Doc(root + ",{\"name\":\"a\",\"mtime\":99999999999999999}"), "mtime is out of range"},
        {Doc(root + ",{\"name\":\"a\",\"hlnkc\":1}"), "hlnkc is not true or false"},
        {Doc(root + ",{\"name\":\"a\",\"notreg\":\"yes\"}"), "notreg is not true or false"},
        {Doc(root + ",{\"name\":\"a\",\"x\":nope}"), "a word that is not true, false or null"},
        {Doc(root + ",{\"name\":\"a\",\"asize\":9223372036854775807},"
                    "{\"name\":\"b\",\"asize\":1}"),
         "the sizes add up to more than 2^63-1 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text.substr(0, 200));
        const std::string message = ErrorOf(c.Text);
        EXPECT_NE(message.find(c.Want), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

TEST(ScanFileImport, RootsOfEitherSystemOpenInTheirOwnFormWithoutDots)
{
    // Whichever system reads the file: a Linux root stays a Linux path, a Windows root a
    // Windows path, and roots older writers recorded as typed name their folder plainly.
    using platform::PathStyle;
    struct Case
    {
        const char* Root; ///< as the file's JSON writes it
        const char* Path; ///< the root folder's path
        const char* Name; ///< the root folder's name
        PathStyle Style;
        char Sep;
    };
    const Case cases[] = {
        {"/tmp/T/.", "/tmp/T", "T", PathStyle::Posix, '/'},
        {"/tmp/T/./tree", "/tmp/T/tree", "tree", PathStyle::Posix, '/'},
        {"/tmp/T/a//b/", "/tmp/T/a/b", "b", PathStyle::Posix, '/'},
        {"/tmp/T/../x", "/tmp/x", "x", PathStyle::Posix, '/'},
        {"/", "/", "/", PathStyle::Posix, '/'},
        {"Z:\\\\tmp\\\\x", "Z:\\tmp\\x", "x", PathStyle::Windows, '\\'},
        {"C:/Users/ann/./x/..", "C:\\Users\\ann", "ann", PathStyle::Windows, '\\'},
        {"C:\\\\", "C:", "C:", PathStyle::Windows, '\\'},
        {"\\\\\\\\server\\\\share\\\\d", "\\\\server\\share\\d", "d", PathStyle::Windows, '\\'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Root);
        const TImportResult r =
            Import(Doc(std::string("{\"name\":\"") + c.Root +
                       "\"},[{\"name\":\"sub\"},{\"name\":\"f\",\"asize\":3}]"));
        const TDirNode* root = r.Tree->Root();
        EXPECT_EQ(TreePathStyle(*r.Tree->Root()), c.Style);
        EXPECT_EQ(root->FullPath(), c.Path);
        EXPECT_EQ(root->Name(), c.Name);
        std::string below = c.Path;
        if (below.back() != c.Sep)
            below.push_back(c.Sep);
        const std::string sub = below + "sub", file = sub + c.Sep + "f";
        ASSERT_EQ(root->Children().size(), 1u);
        EXPECT_EQ(root->Children()[0]->FullPath(), sub);
        EXPECT_EQ(root->Children()[0]->Leaves()[0].FullPath(), file);
        // Paths in that form lead back to their entries.
        EXPECT_EQ(FindEntry(root, file).File, &root->Children()[0]->Leaves()[0]);
        EXPECT_EQ(FindEntry(root, sub).Folder, root->Children()[0]);
    }

    // Names follow the rules of the system that wrote them: '\' and case are a Linux
    // name's own, a Windows folder holds one name in any case and none with a '\'.
    const std::string linuxRoot = "{\"name\":\"/r\"}", windowsRoot = "{\"name\":\"C:\\\\r\"}";
    const TImportResult fromLinux = Import(
        Doc(linuxRoot + ",{\"name\":\"a\\\\b\",\"asize\":1},{\"name\":\"A\"},{\"name\":\"a\"}"));
    EXPECT_EQ(fromLinux.Tree->Root()->TotalFiles(), 3);
    EXPECT_EQ(fromLinux.Tree->Root()->Leaves()[0].FullPath(), "/r/a\\b");
    EXPECT_NE(ErrorOf(Doc(windowsRoot + ",{\"name\":\"a\\\\b\"}")).find("holds a '\\'"),
              std::string::npos);
    EXPECT_NE(ErrorOf(Doc(windowsRoot + ",{\"name\":\"A\"},[{\"name\":\"a\"}]"))
                  .find("two entries of one folder are named \"a\""),
              std::string::npos);
}

TEST(ScanFileImport, ARepeatedNameIsRefusedWhereItRepeats)
{
    // One name repeated without end (a few hundred bytes of gzip make millions of them):
    // refused at its second entry, not once the folder has been read whole.
    const std::string head = "[1,2,{},[{\"name\":\"" + test::JsonPath("/r") + "\"}";
    for (const std::string& repeat :
         {std::string(",{\"name\":\"a\"}"), std::string(",[{\"name\":\"a\"}]")}) {
        SCOPED_TRACE(repeat);
        RepeatSource source(head, repeat, 64ULL << 20);
        std::string message = "(accepted)";
        try {
            ImportScan(source, TScanContext());
        } catch (const EExchangeError& e) {
            message = e.what();
        }
        EXPECT_NE(message.find("two entries of one folder are named \"a\" (at byte "),
                  std::string::npos)
            << message;
        EXPECT_LT(source.Served, 1ULL << 20);
    }
}

TEST(ScanFileImport, HugeInputsFailEarlyWithBoundedMemory)
{
    const std::string head = "[1,2,{},[{\"name\":\"" + test::JsonPath("/r") + "\"},";
    constexpr std::uint64_t kTenGB = 10ULL << 30;
    struct Case
    {
        const char* What;
        std::string Prefix, Pattern;
        std::string Want;
    };
    const std::vector<Case> cases = {
        {"a million nested folders", head, "[{\"name\":\"d\"},",
         "nested deeper than 100000 levels"},
        {"a million nested values in an unknown key", head + "{\"name\":\"a\",\"x\":", "[",
         "nested deeper than 100000 levels"},
        {"a name that never ends", head + "{\"name\":\"", "n", "longer than 4096 bytes"},
        {"a root path that never ends", "[1,2,{},[{\"name\":\"/", "r", "longer than 65536 bytes"},
        {"a number that never ends", head + "{\"name\":\"a\",\"asize\":", "9",
         "longer than 40 characters"},
        {"a key that never ends", head + "{\"", "k", "a key is longer than 256 bytes"},
        {"a metadata text that never ends", "[1,2,{\"progname\":\"", "p", "longer than 1024 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        RepeatSource source(c.Prefix, c.Pattern, kTenGB);
        std::string message = "(accepted)";
        try {
            ImportScan(source, TScanContext());
        } catch (const EExchangeError& e) {
            message = e.what();
        }
        EXPECT_NE(message.find(c.Want), std::string::npos) << message;
        EXPECT_LT(source.Served, 64ULL << 20) << "read far past the point of failure";
    }
}

TEST(ScanFileImport, GzipInputIsDetectedAndItsDamageReported)
{
    // Two gzip members in a row, as `cat a.gz b.gz` makes.
    const std::string first = Gzip("[1,2,{},[{\"name\":\"" + test::JsonPath("/r") + "\"},");
    const std::string gz = first + Gzip("{\"name\":\"f\",\"asize\":3}]]");

    // Zero padding after the last member (tapes, block devices) is ignored as gzip ignores
    // it, also when it spans the decoder's buffers.
    const std::string zeros(300000, '\0');
    for (const std::string& accepted : {gz, gz + zeros.substr(0, 1), gz + zeros}) {
        StringSource whole(accepted, 4096);
        const std::unique_ptr<TByteSource> inflated = OpenDecompressed(whole);
        const TImportResult r = ImportScan(*inflated, TScanContext());
        EXPECT_EQ(TotalsOf(r).Files, 1);
        EXPECT_EQ(TotalsOf(r).Bytes, 3);
    }

    struct Case
    {
        std::string Bytes;
        std::string Want;
    };
    std::string damaged = gz;
    damaged[first.size() - 8] ^= 0x55; // the first member's checksum
    const std::vector<Case> cases = {
        {gz.substr(0, gz.size() - 9), "the compressed file ends too early"},
        {gz.substr(0, 2), "the compressed file ends too early"},
        {damaged, "damaged gzip data"},
        {gz + "trailing", "damaged gzip data"},
        {gz + zeros + "x", "damaged gzip data"},
        {gz + zeros.substr(0, 512) + first, "damaged gzip data"},
    };
    for (const Case& c : cases) {
        StringSource source(c.Bytes);
        std::string message = "(accepted)";
        try {
            const std::unique_ptr<TByteSource> in = OpenDecompressed(source);
            ImportScan(*in, TScanContext());
        } catch (const EExchangeError& e) {
            message = e.what();
        }
        EXPECT_NE(message.find(c.Want), std::string::npos) << message;
    }
}

TEST(ScanFileImport, CancellationStopsTheImport)
{
    std::string text = "[1,2,{},[{\"name\":\"" + test::JsonPath("/r") + "\"}";
    for (int i = 0; i < 40000; ++i)
        text += ",{\"name\":\"f" + std::to_string(i) + "\",\"asize\":1}";
    text += "]]";
    std::int64_t lastFiles = 0;
    TScanContext context;
    StringSource source(text);
    const TImportResult r =
        ImportScan(source, context, [&](std::int64_t files, std::int64_t) { lastFiles = files; });
    EXPECT_EQ(TotalsOf(r).Files, 40000);
    EXPECT_GT(lastFiles, 0);
    context.Cancel();
    EXPECT_THROW(Import(text, context), EImportCancelled);
}

/// Passes `source` on and cancels `context` once `after` bytes have passed: a Stop that
/// comes while the input is read.
class CancellingSource : public TByteSource
{
public:
    CancellingSource(TByteSource& source, TScanContext& context, std::uint64_t after)
        : FSource(source), FContext(context), FAfter(after)
    {
    }
    std::size_t Read(char* data, std::size_t size) override
    {
        const std::size_t n = FSource.Read(data, size);
        Served += n;
        if (Served >= FAfter)
            FContext.Cancel();
        return n;
    }
    std::uint64_t Served = 0;

private:
    TByteSource& FSource;
    TScanContext& FContext;
    std::uint64_t FAfter;
};

TEST(ScanFileImport, StopEndsTheImportWithinABlockWhateverTheInputHolds)
{
    // Input that makes no entries for a long while; read to its end it would be an error.
    const std::string head = "[1,2,{},[{\"name\":\"" + test::JsonPath("/r") + "\"},";
    constexpr std::uint64_t kInput = 32ULL << 20;
    constexpr std::uint64_t kStopAt = 1ULL << 20;
    struct Case
    {
        const char* What;
        std::string Prefix, Pattern;
    };
    const std::vector<Case> cases = {
        {"blanks", head, " "},
        {"one string without end", head + "{\"name\":\"a\",\"x\":\"", "s"},
    };
    for (const Case& c : cases) {
        for (const bool gzip : {false, true}) {
            SCOPED_TRACE(std::string(c.What) + (gzip ? ", gzip" : ""));
            TScanContext context;
            RepeatSource plain(c.Prefix, c.Pattern, kInput);
            std::string compressed;
            std::unique_ptr<StringSource> packed;
            std::unique_ptr<TByteSource> inflated;
            TByteSource* input = &plain;
            if (gzip) {
                std::string text(kInput, c.Pattern[0]);
                text.replace(0, c.Prefix.size(), c.Prefix);
                compressed = Gzip(text);
                packed = std::make_unique<StringSource>(compressed, 4096);
                inflated = OpenDecompressed(*packed);
                input = inflated.get();
            }
            CancellingSource source(*input, context, kStopAt);
            EXPECT_THROW(ImportScan(source, context), EImportCancelled);
            // The reader takes 256 KiB at a time: it stops at the next one.
            EXPECT_LT(source.Served, kStopAt + (1ULL << 20));
        }
    }
}

} // namespace
} // namespace harrowdale
