// Writing scan files: the format's shape, every field through a write and a read, and a
// tree of odd names through export and import unchanged.

#include "exchange/ExchangeReader.h"
#include "exchange/ExchangeWriter.h"
#include "exchange/ScanFileStreams.h"
#include "exchange/ScanTreeExport.h"
#include "exchange/ScanTreeImport.h"
#include "platform/Paths.h"
#include "scan/DiskScanner.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using test::StringSink;
using test::StringSource;

constexpr std::int64_t kTicksPerSecond = 10000000;

TEST(ScanFileWriter, WritesTheFormatsShape)
{
    StringSink sink;
    TExchangeWriter w(sink);
    TExchangeMeta meta;
    meta.ProgramName = "harrowdale";
    meta.ProgramVersion = "9.9";
    meta.Timestamp = 1700000000;
    meta.SizeKind = "on_disk";
    meta.HardLinks = "once";
    meta.LeftOutBytes = 12;
    w.Begin(meta);
    TExchangeEntry root;
    root.Name = "/srv";
    root.Device = 2049;
    root.HasDevice = true;
    w.BeginFolder(root);
    TExchangeEntry f;
    f.Name = "a \"b\"\\\x01\x7f\xff.txt";
    f.ApparentSize = 5;
    f.DiskSize = 4096;
    f.HasDiskSize = true;
    f.ModifiedFT = (1700000000LL + 11644473600LL) * kTicksPerSecond + 1234567;
    f.HardLinked = true;
    f.Inode = 77;
    f.HasInode = true;
    f.LinkCount = 3;
    f.Device = 2049; // the folder's: not repeated
    f.HasDevice = true;
    w.File(f);
    TExchangeEntry d;
    d.Name = "empty";
    d.Device = 2049; // the parent's: not repeated
    d.HasDevice = true;
    w.BeginFolder(d);
    w.EndFolder();
    w.EndFolder();
    w.End();
    EXPECT_EQ(sink.Data,
              "[1,2,{\"progname\":\"harrowdale\",\"progver\":\"9.9\",\"timestamp\":1700000000,"
              "\"size_kind\":\"on_disk\",\"hard_links\":\"once\",\"left_out_bytes\":12},\n"
              "[{\"name\":\"/srv\",\"dev\":2049},\n"
              "{\"name\":\"a \\\"b\\\"\\\\\\u0001\\u007f\xff.txt\",\"asize\":5,\"dsize\":4096,"
              "\"ino\":77,\"hlnkc\":true,\"nlink\":3,\"mtime\":1700000000},\n"
              "[{\"name\":\"empty\"}]]]\n");
}

/// What a reader reported, with names copied and devices resolved by inheritance.
struct Seen
{
    char Kind; ///< '[' folder, 'f' file, ']' end
    std::string Name;
    TExchangeEntry Entry;
    std::uint64_t Device = 0;
};

class Recorder : public TExchangeEvents
{
public:
    void BeginFolder(const TExchangeEntry& e) override
    {
        const std::uint64_t dev = e.HasDevice ? e.Device : Devices.empty() ? 0 : Devices.back();
        Devices.push_back(dev);
        Add('[', e, dev);
    }
    void File(const TExchangeEntry& e) override
    {
        Add('f', e, e.HasDevice ? e.Device : Devices.back());
    }
    void EndFolder() override
    {
        Devices.pop_back();
        Events.push_back({']', "", {}, 0});
    }
    void Add(char kind, const TExchangeEntry& e, std::uint64_t dev)
    {
        Events.push_back({kind, std::string(e.Name), e, dev});
        Events.back().Entry.Name = {};
    }
    std::vector<Seen> Events;
    std::vector<std::uint64_t> Devices;
};

TEST(ScanFileWriter, EveryFieldComesBackFromTheReader)
{
    std::vector<Seen> in;
    auto entry = [](std::int64_t size) {
        TExchangeEntry e;
        e.ApparentSize = size;
        return e;
    };
    TExchangeEntry root = entry(0);
    root.Device = 7;
    root.HasDevice = true;
    in.push_back({'[', test::NativePath("/"), root, 7});
    TExchangeEntry link = entry(100);
    link.DiskSize = 4096;
    link.HasDiskSize = true;
    link.Inode = 1ULL << 63;
    link.HardLinked = true;
    link.LinkCount = 3;
    link.ModifiedFT = 0; // no date
    in.push_back({'f', "link", link, 7});
    TExchangeEntry old = entry(0x7FFFFFFFFFFFFFFF);
    old.ModifiedFT = 1000 * kTicksPerSecond + 1; // 1601: long before 1970
    old.NotRegular = true;
    in.push_back({'f', "old", old, 7});
    TExchangeEntry mount = entry(0);
    mount.Device = 9;
    mount.HasDevice = true;
    mount.ReadError = true;
    in.push_back({'[', "mnt", mount, 9});
    TExchangeEntry skipped = entry(0);
    skipped.Excluded = TExcludedReason::Pattern;
    in.push_back({'f', "skipped", skipped, 9});
    in.push_back({']', "", {}, 0});
    TExchangeEntry other = entry(1);
    other.Excluded = TExcludedReason::OtherFs;
    in.push_back({'f', "other", other, 7});
    in.push_back({']', "", {}, 0});

    StringSink sink;
    TExchangeWriter w(sink);
    w.Begin({});
    for (const Seen& s : in) {
        TExchangeEntry e = s.Entry;
        e.Name = s.Name;
        if (s.Kind == '[')
            w.BeginFolder(e);
        else if (s.Kind == 'f')
            w.File(e);
        else
            w.EndFolder();
    }
    w.End();

    StringSource source(sink.Data);
    TExchangeReader reader(source);
    Recorder got;
    reader.Read(got);
    ASSERT_EQ(got.Events.size(), in.size()) << sink.Data;
    for (std::size_t i = 0; i < in.size(); ++i) {
        SCOPED_TRACE(in[i].Name);
        const TExchangeEntry& a = in[i].Entry;
        const TExchangeEntry& b = got.Events[i].Entry;
        EXPECT_EQ(got.Events[i].Kind, in[i].Kind);
        EXPECT_EQ(got.Events[i].Name, in[i].Name);
        EXPECT_EQ(got.Events[i].Device, in[i].Device);
        EXPECT_EQ(b.ApparentSize, a.ApparentSize);
        EXPECT_EQ(b.DiskSize, a.DiskSize);
        EXPECT_EQ(b.Inode, a.Inode);
        EXPECT_EQ(b.HardLinked, a.HardLinked);
        EXPECT_EQ(b.LinkCount, a.LinkCount);
        EXPECT_EQ(b.NotRegular, a.NotRegular);
        EXPECT_EQ(b.ReadError, a.ReadError);
        EXPECT_EQ(b.Excluded, a.Excluded);
        // Whole seconds: the part of a second is dropped.
        EXPECT_EQ(b.ModifiedFT, a.ModifiedFT - a.ModifiedFT % kTicksPerSecond);
    }
}

void ExpectSameTree(const TDirNode& a, const TDirNode& b)
{
    SCOPED_TRACE(a.FullPath());
    EXPECT_EQ(a.FullPath(), b.FullPath());
    EXPECT_EQ(a.Name(), b.Name());
    EXPECT_EQ(a.TotalSize(), b.TotalSize());
    EXPECT_EQ(a.TotalFiles(), b.TotalFiles());
    EXPECT_EQ(a.TotalDirs(), b.TotalDirs());
    ASSERT_EQ(a.Leaves().size(), b.Leaves().size());
    for (std::size_t i = 0; i < a.Leaves().size(); ++i) {
        const TFileLeaf& x = a.Leaves()[i];
        const TFileLeaf& y = b.Leaves()[i];
        EXPECT_EQ(x.Name(), y.Name());
        EXPECT_EQ(x.Ext(), y.Ext());
        EXPECT_EQ(x.Size(), y.Size());
        EXPECT_EQ(x.ApparentSize(), y.ApparentSize());
        EXPECT_EQ(x.AllocatedSize(), y.AllocatedSize());
        EXPECT_EQ(x.IsNotRegular(), y.IsNotRegular());
        EXPECT_EQ(x.IsExtraLink(), y.IsExtraLink());
        EXPECT_EQ(x.ModifiedFT() - x.ModifiedFT() % kTicksPerSecond, y.ModifiedFT());
        const TLinkInfo* lx = a.Tree()->LinkInfo(&x);
        const TLinkInfo* ly = b.Tree()->LinkInfo(&y);
        ASSERT_EQ(lx != nullptr, ly != nullptr) << x.Name();
        if (lx != nullptr) {
            EXPECT_EQ(lx->Device, ly->Device);
            EXPECT_EQ(lx->Inode, ly->Inode);
            EXPECT_EQ(lx->Links, ly->Links);
        }
    }
    EXPECT_EQ(a.ReadError(), b.ReadError());
    const auto ea = a.ExtStats().ToSortedArrayByBytesDesc();
    const auto eb = b.ExtStats().ToSortedArrayByBytesDesc();
    ASSERT_EQ(ea.size(), eb.size());
    for (const TExtStatPair& p : ea) {
        EXPECT_EQ(b.ExtStats().Get(p.Ext).Bytes, p.Bytes) << p.Ext;
        EXPECT_EQ(b.ExtStats().Get(p.Ext).Files, p.Files) << p.Ext;
    }
    ASSERT_EQ(a.Children().size(), b.Children().size());
    for (std::size_t i = 0; i < a.Children().size(); ++i)
        ExpectSameTree(*a.Children()[i], *b.Children()[i]);
}

TEST(ScanFileRoundTrip, AnOddTreeComesBackUnchanged)
{
    std::string everyByte; // 0x01..0xFF but the separators, which no name can hold
    for (int c = 1; c < 256; ++c)
        if (!platform::IsPathSeparator(static_cast<char>(c)))
            everyByte.push_back(static_cast<char>(c));

    test::TreeFixture fx("/srv/odd \x01\xff root");
    TDirNode* root = fx.Root();
    fx.File(root, everyByte, 254, (1700000000LL + 11644473600LL) * kTicksPerSecond + 9999999);
    fx.File(root, "not utf-8 \xc3\x28 \xed\xb3\xbf \xf8", 3);
    fx.File(root, test::OnWindows() ? "u0041 \" looks escaped" : "\\u0041 \\\" looks escaped", 4);
    fx.File(root, ".hidden", 0);
    fx.File(root, "zero-date.TXT", 5, 0);
    fx.File(root, "before-1970", 6, 1000 * kTicksPerSecond);
    fx.File(root, "huge.bin", std::int64_t{1} << 62);
    TDirNode* empty = fx.Folder(root, "empty");
    (void)empty;
    TDirNode* a = fx.Folder(root, everyByte.substr(100));
    TDirNode* b = fx.Folder(a, "\xff");
    fx.File(b, "deep.txt", 7);
    fx.Folder(b, "empty too");
    fx.File(a, "\n\t\r", 8);
    const TScanTree& tree = fx.Finish();

    test::StringSink sink;
    ExportScan(*tree.Root(), sink);
    StringSource source(sink.Data, 3);
    const TImportResult back = ImportScan(source, TScanContext());
    EXPECT_EQ(back.Meta.ProgramName, "harrowdale");
    ExpectSameTree(*tree.Root(), *back.Tree->Root());

    // And again: a file read back writes the same bytes, timestamp aside.
    test::StringSink again;
    ExportScan(*back.Tree->Root(), again);
    const auto body = [](const std::string& s) { return s.substr(s.find('\n')); };
    EXPECT_EQ(body(again.Data), body(sink.Data));
}

TImportResult ExportAndImport(const TDirNode& root, const TScanContext& context,
                              std::int64_t metBytes = -1)
{
    test::StringSink sink;
    ExportScan(root, sink, metBytes);
    StringSource source(sink.Data, 4096);
    return ImportScan(source, context);
}

TEST(ScanFileRoundTrip, EverythingTheTreeKnowsComesBack)
{
    // Both sizes (one pair too big for the compact form), three links of one file across
    // two folders, a file of another device with the same inode, a fifo, an unreadable
    // folder: written and read back in either measure, with every link.
    auto file = [](std::string_view name, std::int64_t size, std::int64_t allocated) {
        TNewFile f;
        f.Name = name;
        f.Size = size;
        f.Allocated = allocated;
        return f;
    };
    auto link = [&](std::string_view name, std::uint64_t device, std::uint32_t links) {
        TNewFile f = file(name, 100000, 102400);
        f.Links = links;
        f.Device = device;
        f.Inode = 77;
        return f;
    };
    for (const TSizeKind kind : {TSizeKind::Apparent, TSizeKind::OnDisk}) {
        SCOPED_TRACE(kind == TSizeKind::OnDisk ? "on disk" : "apparent");
        test::TreeFixture fx("/srv");
        fx.Tree().SetSizeKind(kind);
        TDirNode* root = fx.Root();
        fx.File(root, file("sparse.img", 10 << 20, 4096));
        fx.File(root, file("big.bin", (std::int64_t{1} << 40) + 1, (std::int64_t{1} << 40) + 4096));
        TNewFile fifo = file("fifo", 0, 0);
        fifo.NotRegular = true;
        fx.File(root, fifo);
        TDirNode* a = fx.Folder(root, "a");
        fx.File(a, link("one.dat", 2049, 3));
        fx.File(a, link("two.dat", 2049, 3));
        fx.File(fx.Folder(root, "b"), link("three.dat", 2049, 3));
        fx.File(fx.Folder(root, "other fs"), link("same inode", 9, 70000));
        fx.Unreadable(fx.Folder(root, "locked"));
        const TScanTree& tree = fx.Finish();

        TScanContext each;
        each.CountEveryHardLink = true;
        each.SizeOnDisk = kind == TSizeKind::OnDisk;
        const TImportResult back = ExportAndImport(*tree.Root(), each);
        ExpectSameTree(*tree.Root(), *back.Tree->Root());
        EXPECT_EQ(back.Tree->SizeKind(), kind);
        EXPECT_EQ(back.Meta.SizeKind, kind == TSizeKind::OnDisk ? "on_disk" : "apparent");
        EXPECT_EQ(back.Meta.HardLinks, "each");

        // Counted once, the later two links count nothing, and were still met.
        TScanContext once;
        once.SizeOnDisk = each.SizeOnDisk;
        const TImportResult o = ExportAndImport(*tree.Root(), once);
        const std::int64_t linkSize = kind == TSizeKind::OnDisk ? 102400 : 100000;
        EXPECT_EQ(o.Tree->Root()->TotalFiles(), tree.Root()->TotalFiles() - 2);
        EXPECT_EQ(o.Tree->Root()->TotalSize(), tree.Root()->TotalSize() - 2 * linkSize);
        EXPECT_EQ(o.MetBytes, tree.Root()->TotalSize());
        EXPECT_EQ(o.Tree->Root()->Children()[1]->TotalFiles(), 0);
        // They are listed all the same, marked.
        const TDirNode* oa = o.Tree->Root()->Children()[0];
        ASSERT_EQ(oa->Leaves().size(), 2u);
        EXPECT_FALSE(oa->Leaves()[0].IsExtraLink());
        EXPECT_TRUE(oa->Leaves()[1].IsExtraLink());
        EXPECT_EQ(oa->Leaves()[1].Size(), 0);
        ASSERT_EQ(o.Tree->Root()->Children()[1]->Leaves().size(), 1u);
        EXPECT_TRUE(o.Tree->Root()->Children()[1]->Leaves()[0].IsExtraLink());
        // Written again, the file holds every link at the file's sizes: read once it
        // gives the same rows, read with every link what was scanned.
        ExpectSameTree(*o.Tree->Root(), *ExportAndImport(*o.Tree->Root(), once).Tree->Root());
        ExpectSameTree(*tree.Root(), *ExportAndImport(*o.Tree->Root(), each).Tree->Root());

        // What the scan met and left out travels in the metadata, in its own measure.
        const std::int64_t met = tree.Root()->TotalSize() + 12345;
        EXPECT_EQ(ExportAndImport(*tree.Root(), each, met).MetBytes, met);
        TScanContext otherMeasure;
        otherMeasure.CountEveryHardLink = true;
        otherMeasure.SizeOnDisk = !each.SizeOnDisk;
        const TImportResult m = ExportAndImport(*tree.Root(), otherMeasure, met);
        EXPECT_EQ(m.MetBytes, m.Tree->Root()->TotalSize());
    }
}

TEST(ScanFileRoundTrip, WhatTheScanCouldNotTellTravelsWithTheFile)
{
    // A scan whose listing tells neither the space used on disk nor links (Windows')
    // counted lengths and every link. Read back under the other rules, its file counts as
    // the scan did and says why, and a file written from what was read says so again.
    for (const bool known : {true, false}) {
        SCOPED_TRACE(known ? "known" : "not known");
        test::TreeFixture fx("/srv");
        fx.Tree().SetHardLinks(THardLinks::Each);
        fx.Tree().SetKnownMeasures(known, known);
        TNewFile f;
        f.Name = "a.bin";
        f.Size = 100;
        f.Allocated = 4096;
        fx.File(fx.Root(), f);
        const TScanTree& tree = fx.Finish();

        TScanContext asked;
        asked.SizeOnDisk = true;
        test::StringSink sink;
        ExportScan(*tree.Root(), sink);
        const bool saysSo =
            sink.Data.find(R"("dsize_known":false,"links_known":false})") != std::string::npos;
        EXPECT_EQ(saysSo, !known) << sink.Data;
        StringSource source(sink.Data);
        const TImportResult back = ImportScan(source, asked);
        EXPECT_EQ(back.Tree->Root()->TotalSize(), known ? 4096 : 100);
        EXPECT_EQ(back.Tree->SizeKind(), known ? TSizeKind::OnDisk : TSizeKind::Apparent);
        EXPECT_EQ(back.Tree->HardLinks(), known ? THardLinks::Once : THardLinks::Each);
        EXPECT_EQ(back.Tree->MeasureFellBack(), !known);

        test::StringSink again;
        ExportScan(*back.Tree->Root(), again);
        EXPECT_EQ(again.Data.find(R"("links_known":false)") != std::string::npos, !known);
    }
}

TEST(ScanFileRoundTrip, AChainOfFiftyThousandFoldersComesBack)
{
    // The scanner walks any depth; what it exports must read back.
    if (test::OnWindows())
        GTEST_SKIP() << "a Windows path ends at 32,767 characters: the chain cannot be made";
    constexpr int kDepth = 50000, kEvery = 1000;
    test::TempDir t(test::MemoryScratchBase());
    test::MakeFolderChain(t.Path(), kDepth, kEvery, 3);
    TScanContext context;
    TScanTree scanned;
    TDiskScanner scanner(context, scanned);
    scanned.SetRoot(scanner.Scan(t.Path()));
    ASSERT_EQ(scanned.Root()->TotalDirs(), kDepth + 1);

    const TImportResult back = ExportAndImport(*scanned.Root(), context, scanner.Bytes());
    const TDirNode* n = back.Tree->Root();
    EXPECT_EQ(n->TotalDirs(), kDepth + 1);
    EXPECT_EQ(n->TotalFiles(), kDepth / kEvery);
    EXPECT_EQ(n->TotalSize(), 3 * (kDepth / kEvery));
    EXPECT_EQ(back.MetBytes, scanner.Bytes());
    int depth = 0;
    while (!n->Children().empty()) {
        n = n->Children()[0];
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    ASSERT_EQ(n->Leaves().size(), 1u);
    std::string deepest = t.Path();
    for (int i = 0; i < kDepth; ++i)
        deepest += "/d";
    EXPECT_EQ(n->Leaves()[0].FullPath(), deepest + "/f");
}

TEST(ScanFileRoundTrip, TheFileSystemRootAndAllDrives)
{
    test::TreeFixture fx("/");
    fx.File(fx.Folder(fx.Root(), "etc"), "hosts", 10);
    test::StringSink sink;
    ExportScan(*fx.Finish().Root(), sink);
    StringSource source(sink.Data);
    const TImportResult back = ImportScan(source, TScanContext());
    EXPECT_EQ(back.Tree->Root()->FullPath(), test::NativePath("/"));
    EXPECT_EQ(back.Tree->Root()->Children()[0]->Leaves()[0].FullPath(),
              test::NativePath("/etc/hosts"));

    TScanTree drives;
    TDirNode* all = drives.NewSyntheticRoot("(All Drives)");
    test::StringSink none;
    EXPECT_THROW(ExportScan(*all, none), EExchangeError);
}

} // namespace
} // namespace harrowdale
