#include "exchange/ScanTreeExport.h"

#include "exchange/ExchangeWriter.h"

#include <ctime>
#include <map>
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

using TFileId = std::pair<std::uint64_t, std::uint64_t>;

// The links that carry the bytes of files with several links, by identity.
std::map<TFileId, const TFileLeaf*> Carriers(const TScanTree& tree)
{
    std::map<TFileId, const TFileLeaf*> carriers;
    if (tree.HardLinks() == THardLinks::Once)
        for (const TLinkInfo& r : tree.Links())
            if (!r.Leaf->IsExtraLink())
                carriers.emplace(TFileId{r.Device, r.Inode}, r.Leaf);
    return carriers;
}

TExchangeEntry FileEntry(const TScanTree& tree, const TFileLeaf& leaf,
                         const std::map<TFileId, const TFileLeaf*>& carriers)
{
    TExchangeEntry e;
    e.Name = leaf.Name();
    // Every link of a file is written with the file's sizes, as the format has them;
    // a reader counting links once tells them apart by their identity.
    const TFileLeaf* sized = &leaf;
    if (const TLinkInfo* link = leaf.IsExtraLink() ? tree.LinkInfo(&leaf) : nullptr)
        if (const auto it = carriers.find({link->Device, link->Inode}); it != carriers.end())
            sized = it->second;
    e.ApparentSize = sized->ApparentSize();
    e.DiskSize = sized->AllocatedSize();
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

// The bytes the extra links below `root` are written with: a reader meets them, so they
// are not among the bytes the scan met and the file leaves out.
std::int64_t ExtraLinkBytes(const TDirNode& root, const TScanTree& tree,
                            const std::map<TFileId, const TFileLeaf*>& carriers)
{
    std::int64_t bytes = 0;
    for (const TLinkInfo& r : tree.Links()) {
        const auto it = r.Leaf->IsExtraLink() ? carriers.find({r.Device, r.Inode}) : carriers.end();
        if (it == carriers.end())
            continue;
        const TDirNode* d = r.Leaf->Parent();
        while (d != nullptr && d != &root)
            d = d->Parent();
        if (d != nullptr)
            bytes += it->second->Size();
    }
    return bytes;
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
    const auto carriers = Carriers(tree);
    const std::int64_t written = root.TotalSize() + ExtraLinkBytes(root, tree, carriers);
    if (metBytes >= written)
        meta.LeftOutBytes = metBytes - written;

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
            writer.File(FileEntry(tree, leaf, carriers));
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

// Compressed scan files are written beside every scan of the window (its history), so speed
// counts more than size there: the fastest level takes about a third of the default's time
// for a file about a fifth larger.
constexpr int kGzipLevel = 1;

// Passes the writes on until `stop` is set, then gives up between two of them.
class TStoppableSink : public TByteSink
{
public:
    TStoppableSink(TByteSink& out, const std::atomic<bool>* stop) : FOut(out), FStop(stop) {}
    void Write(const char* data, std::size_t size) override
    {
        if (FStop != nullptr && FStop->load(std::memory_order_relaxed))
            throw EExportStopped();
        FOut.Write(data, size);
    }

private:
    TByteSink& FOut;
    const std::atomic<bool>* FStop;
};

// Writes the scan into the file `where` names, whole or not at all.
template <class... Where>
void ExportWhole(const TDirNode& root, std::int64_t metBytes, bool gzip,
                 const std::atomic<bool>* stop, const Where&... where)
{
    try {
        TOutputFileSink sink(where...);
        if (gzip) {
            TGzipSink compressed(sink, kGzipLevel);
            TStoppableSink stoppable(compressed, stop);
            ExportScan(root, stoppable, metBytes);
            compressed.Finish();
        } else {
            TStoppableSink stoppable(sink, stop);
            ExportScan(root, stoppable, metBytes);
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
    ExportWhole(root, metBytes, gzip, nullptr, path);
}

void ExportScanFile(const TDirNode& root, const platform::TPrivateFolder& folder,
                    std::string_view name, std::int64_t metBytes, bool gzip,
                    const std::atomic<bool>* stop)
{
    ExportWhole(root, metBytes, gzip, stop, folder, name);
}

} // namespace harrowdale
