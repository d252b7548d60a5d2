#include "exchange/ScanTreeImport.h"

#include "exchange/ExchangeReader.h"
#include "scan/ExtIdCache.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <vector>

namespace harrowdale {

namespace {

constexpr std::uint64_t kPollEvery = 16384;
constexpr std::uint32_t kModeTypeMask = 0170000;
constexpr std::uint32_t kModeLink = 0120000;
constexpr std::uint32_t kModeFolder = 0040000;
constexpr std::string_view kOwnProgramName = "harrowdale";

struct DevIno
{
    std::uint64_t Dev, Ino;
    bool operator==(const DevIno&) const = default;
};

struct DevInoHash
{
    std::size_t operator()(const DevIno& k) const noexcept
    {
        return std::hash<std::uint64_t>{}(k.Ino * 0x9E3779B97F4A7C15ULL ^ k.Dev);
    }
};

class TTreeBuilder : public TExchangeEvents
{
public:
    TTreeBuilder(const TImportOptions& options, const TExchangeReader& reader)
        : FOptions(options), FReader(reader), FTree(std::make_unique<TScanTree>()),
          FExtIds(FTree->Exts())
    {
    }

    void Metadata(const TExchangeMeta& meta) override
    {
        FMeta = meta;
        FSpecialFilesAreFiles = meta.ProgramName == kOwnProgramName;
    }

    void BeginFolder(const TExchangeEntry& e) override
    {
        const Frame* parent = FDepth > 0 ? &FFrames[FDepth - 1] : nullptr;
        const bool discarded =
            parent != nullptr && (parent->Discarded || e.Excluded != TExcludedReason::None);
        const std::uint64_t device = e.HasDevice ? e.Device : parent ? parent->Device : 0;
        TDirNode* parentNode = parent ? parent->Node : nullptr;
        if (FDepth == FFrames.size())
            FFrames.emplace_back(); // `parent` dangles from here on
        Frame& f = FFrames[FDepth++];
        f.Files.clear();
        f.Children.clear();
        f.Device = device;
        f.Discarded = discarded;
        f.Node = nullptr;
        if (discarded)
            return;
        ++FDirs;
        CountEntry();
        f.Node = parentNode ? FTree->NewChild(parentNode, e.Name) : FTree->NewScanRoot(e.Name);
    }

    void File(const TExchangeEntry& e) override
    {
        Frame& f = FFrames[FDepth - 1];
        if (f.Discarded || e.Excluded != TExcludedReason::None)
            return;
        if (e.NotRegular && !CountsAsFile(e))
            return;
        const std::int64_t size = FOptions.SizeOnDisk ? e.DiskSize : e.ApparentSize;
        if (size > std::numeric_limits<std::int64_t>::max() - FMetBytes)
            Fail("the sizes add up to more than 2^63-1 bytes");
        FMetBytes += size;
        if (FOptions.HardLinks == THardLinkCount::Once && (e.HardLinked || e.LinkCount > 1) &&
            e.Inode != 0 && !FLinksSeen.insert({e.HasDevice ? e.Device : f.Device, e.Inode}).second)
            return;
        ++FFiles;
        CountEntry();
        f.Files.push_back({FTree->StoreName(e.Name), size, e.ModifiedFT, FExtIds.IdOf(e.Name)});
    }

    void EndFolder() override
    {
        Frame& f = FFrames[--FDepth];
        if (f.Discarded)
            return;
        CheckNamesUnique(f);
        FTree->SetLeaves(f.Node, f.Files);
        FTree->SetChildren(f.Node, f.Children);
        FTree->BuildExtStats(f.Node, FExtAcc);
        if (FDepth > 0)
            FFrames[FDepth - 1].Children.push_back(f.Node);
        else
            FTree->SetRoot(f.Node);
    }

    TImportResult Take()
    {
        TImportResult r;
        r.Tree = std::move(FTree);
        r.Meta = FMeta;
        r.MetBytes = FMetBytes;
        return r;
    }

private:
    struct Frame
    {
        TDirNode* Node = nullptr;
        std::vector<TNewFile> Files;
        std::vector<TDirNode*> Children;
        std::uint64_t Device = 0;
        bool Discarded = false; ///< inside an excluded folder
    };

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw EExchangeError(what + " (at byte " + std::to_string(FReader.Offset()) + ")");
    }

    bool CountsAsFile(const TExchangeEntry& e) const
    {
        if (e.HasMode) {
            const std::uint32_t type = e.Mode & kModeTypeMask;
            return type != kModeLink && type != kModeFolder;
        }
        // Other writers mark links and special files alike; links are by far the most
        // common, and Harrowdale counts none.
        return FSpecialFilesAreFiles;
    }

    void CountEntry()
    {
        if (++FEntries > kMaxImportEntries)
            Fail("the file describes more than " + std::to_string(kMaxImportEntries) + " entries");
        if (FEntries % kPollEvery != 0)
            return;
        if (FOptions.IsCancelled && FOptions.IsCancelled())
            throw EImportCancelled();
        if (FOptions.OnProgress)
            FOptions.OnProgress(FFiles, FDirs);
    }

    // A file system holds one entry per name and folder; a file with two is damaged or
    // forged, and views and file commands key entries by their path.
    void CheckNamesUnique(const Frame& f)
    {
        if (f.Files.size() + f.Children.size() < 2)
            return;
        FNames.clear();
        for (const TNewFile& file : f.Files)
            FNames.push_back(file.Name);
        for (const TDirNode* c : f.Children)
            FNames.push_back(c->Name());
        std::sort(FNames.begin(), FNames.end());
        const auto dup = std::adjacent_find(FNames.begin(), FNames.end());
        if (dup == FNames.end())
            return;
        Fail("two entries of one folder are named " + QuotedName(*dup));
    }

    const TImportOptions& FOptions;
    const TExchangeReader& FReader;
    std::unique_ptr<TScanTree> FTree;
    TExtIdCache FExtIds;
    TExtStats FExtAcc;
    TExchangeMeta FMeta;
    bool FSpecialFilesAreFiles = false;
    std::vector<Frame> FFrames; ///< kept between folders so their vectors keep capacity
    std::size_t FDepth = 0;
    std::vector<std::string_view> FNames;
    std::unordered_set<DevIno, DevInoHash> FLinksSeen;
    std::uint64_t FEntries = 0;
    std::int64_t FFiles = 0;
    std::int64_t FDirs = 0;
    std::int64_t FMetBytes = 0;
};

} // namespace

TImportResult ImportScan(TByteSource& source, const TImportOptions& options)
{
    TExchangeReader reader(source);
    TTreeBuilder builder(options, reader);
    reader.Read(builder);
    return builder.Take();
}

TImportResult ImportScanFile(const std::string& path, const TImportOptions& options)
{
    try {
        const std::unique_ptr<TByteSource> source = OpenInputFile(path);
        return ImportScan(*source, options);
    } catch (const EExchangeError&) {
        throw;
    } catch (const std::runtime_error& e) { // the file itself: cannot open, cannot read
        throw EExchangeError(e.what());
    }
}

} // namespace harrowdale
