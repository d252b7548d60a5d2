#include "exchange/ScanTreeExport.h"

#include "exchange/ExchangeWriter.h"

#include <ctime>
#include <vector>

namespace harrowdale {

namespace {

TExchangeEntry FolderEntry(const TDirNode& node)
{
    TExchangeEntry e;
    e.Name = node.Name();
    e.ReadError = node.ReadError();
    return e;
}

TExchangeEntry FileEntry(const TScanTree& tree, const TFileLeaf& leaf)
{
    TExchangeEntry e;
    e.Name = leaf.Name();
    e.ApparentSize = leaf.ApparentSize();
    e.DiskSize = leaf.AllocatedSize();
    e.HasDiskSize = true;
    e.ModifiedFT = leaf.ModifiedFT();
    e.NotRegular = leaf.IsNotRegular();
    if (const TLinkInfo* link = tree.LinkInfo(&leaf)) {
        // Folders carry no device (the tree does not keep theirs), so a linked file names
        // its own: with the inode it is the identity readers match links by.
        e.HardLinked = true;
        e.Inode = link->Inode;
        e.HasInode = true;
        e.Device = link->Device;
        e.HasDevice = true;
        e.LinkCount = link->Links;
    }
    return e;
}

} // namespace

void ExportScan(const TDirNode& root, TByteSink& sink, std::int64_t metBytes)
{
    if (root.IsSyntheticRoot())
        throw EExchangeError("a scan of all drives, or several scans shown as one, has "
                             "several roots; a scan file holds one folder tree");
    TExchangeMeta meta;
    meta.ProgramName = "harrowdale";
    meta.ProgramVersion = HARROWDALE_VERSION;
    meta.Timestamp = static_cast<std::int64_t>(std::time(nullptr));
    const TScanTree& tree = *root.Tree();
    meta.SizeKind = tree.SizeKind() == TSizeKind::OnDisk ? "on_disk" : "apparent";
    meta.HardLinks = tree.HardLinks() == THardLinks::Once ? "once" : "each";
    meta.DiskSizesKnown = tree.AllocationKnown();
    meta.LinksKnown = tree.LinksKnown();
    if (metBytes >= root.TotalSize())
        meta.LeftOutBytes = metBytes - root.TotalSize();

    TExchangeWriter writer(sink);
    writer.Begin(meta);
    struct Step
    {
        const TDirNode* Node;
        std::size_t Next;
    };
    std::vector<Step> stack;
    const std::string rootPath = root.FullPath();
    auto open = [&](const TDirNode& node) {
        TExchangeEntry e = FolderEntry(node);
        if (stack.empty())
            e.Name = rootPath;
        writer.BeginFolder(e);
        for (const TFileLeaf& leaf : node.Leaves())
            writer.File(FileEntry(tree, leaf));
        stack.push_back({&node, 0});
    };
    open(root);
    while (!stack.empty()) {
        Step& s = stack.back();
        const auto children = s.Node->Children();
        if (s.Next < children.size()) {
            open(*children[s.Next++]); // `s` dangles from here on
            continue;
        }
        writer.EndFolder();
        stack.pop_back();
    }
    writer.End();
}

namespace {

// Writes the scan into the file `where` names, whole or not at all.
template <class... Where>
void ExportWhole(const TDirNode& root, std::int64_t metBytes, bool gzip, const Where&... where)
{
    try {
        TOutputFileSink sink(where...);
        if (gzip) {
            TGzipSink compressed(sink);
            ExportScan(root, compressed, metBytes);
            compressed.Finish();
        } else {
            ExportScan(root, sink, metBytes);
        }
        sink.Commit();
    } catch (const EExchangeError&) {
        throw;
    } catch (const std::runtime_error& e) { // the file: cannot create, write or replace
        throw EExchangeError(e.what());
    }
}

} // namespace

void ExportScanFile(const TDirNode& root, const std::string& path, std::int64_t metBytes, bool gzip)
{
    ExportWhole(root, metBytes, gzip, path);
}

void ExportScanFile(const TDirNode& root, const platform::TPrivateFolder& folder,
                    std::string_view name, std::int64_t metBytes, bool gzip)
{
    ExportWhole(root, metBytes, gzip, folder, name);
}

} // namespace harrowdale
