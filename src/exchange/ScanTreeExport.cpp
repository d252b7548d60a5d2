#include "exchange/ScanTreeExport.h"

#include "exchange/ExchangeWriter.h"

#include <ctime>
#include <vector>

namespace harrowdale {

namespace {

// What the tree knows of an entry. Allocated sizes, devices, inodes and link counts,
// non-regular files and unreadable folders are not in the tree yet; they are left out,
// which the format reads as "none" (a missing "dsize" reads as 0 bytes on the disk).

TExchangeEntry FolderEntry(const TDirNode& node)
{
    TExchangeEntry e;
    e.Name = node.Name();
    return e;
}

TExchangeEntry FileEntry(const TFileLeaf& leaf)
{
    TExchangeEntry e;
    e.Name = leaf.Name();
    e.ApparentSize = leaf.Size();
    e.ModifiedFT = leaf.ModifiedFT();
    return e;
}

} // namespace

void ExportScan(const TDirNode& root, TByteSink& sink)
{
    if (root.IsSyntheticRoot())
        throw EExchangeError("a scan of all drives has several roots; a scan file holds one "
                             "folder tree");
    TExchangeMeta meta;
    meta.ProgramName = "harrowdale";
    meta.ProgramVersion = HARROWDALE_VERSION;
    meta.Timestamp = static_cast<std::int64_t>(std::time(nullptr));

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
            writer.File(FileEntry(leaf));
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

void ExportScanFile(const TDirNode& root, const std::string& path)
{
    try {
        TOutputFileSink sink(path);
        ExportScan(root, sink);
        sink.Commit();
    } catch (const EExchangeError&) {
        throw;
    } catch (const std::runtime_error& e) { // the file: cannot create, write or replace
        throw EExchangeError(e.what());
    }
}

} // namespace harrowdale
