#include "exchange/ScanTreeImport.h"

#include "exchange/ExchangeReader.h"
#include "platform/Paths.h"
#include "scan/ExtIdCache.h"
#include "scan/HardLinks.h"
#include "scan/Mask.h"
#include "scan/ScanFilter.h"
#include "scan/TreePathStyle.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace harrowdale {

namespace {

constexpr std::uint64_t kPollEvery = 16384;
constexpr std::uint32_t kModeTypeMask = 0170000;
constexpr std::uint32_t kModeLink = 0120000;
constexpr std::uint32_t kModeFolder = 0040000;
constexpr std::string_view kOwnProgramName = "harrowdale";
constexpr std::string_view kGduProgramName = "gdu";

// These writers leave a size out when it is zero: a missing "dsize" there means nothing
// is allocated, not that the writer did not look.
bool LeavesOutZeroSizes(std::string_view program)
{
    return program == kOwnProgramName || program == "ncdu" || program == kGduProgramName;
}

std::string_view SizeKindText(bool onDisk)
{
    return onDisk ? "on_disk" : "apparent";
}

/// The names of one folder met so far, to refuse a second entry of a name as it arrives:
/// a forged file repeating one name millions of times is refused at its second entry,
/// before the repeats cost memory. Open addressing over views of the tree's stored names,
/// names compared as the tree's system compares them.
class TNameSet
{
public:
    explicit TNameSet(platform::PathStyle style = platform::NativePathStyle()) : FStyle(style) {}

    void Clear(platform::PathStyle style)
    {
        FStyle = style;
        // A table grown for one large folder is not swept again for every small one.
        if (FSlots.size() > kSmall && FCount < FSlots.size() / 8)
            FSlots = std::vector<std::string_view>();
        else
            std::fill(FSlots.begin(), FSlots.end(), std::string_view());
        FCount = 0;
    }

    /// False when the folder holds `name` already. `name` must outlive the set's use.
    bool Insert(std::string_view name)
    {
        if ((FCount + 1) * 4 > FSlots.size() * 3)
            Grow();
        std::string_view* slot = Find(name);
        if (slot->data() != nullptr)
            return false;
        *slot = name;
        ++FCount;
        return true;
    }

private:
    static constexpr std::size_t kSmall = 64;

    std::string_view* Find(std::string_view name)
    {
        const std::size_t mask = FSlots.size() - 1;
        for (std::size_t i = platform::HashPathKey(name, FStyle) & mask;; i = (i + 1) & mask) {
            std::string_view& slot = FSlots[i];
            if (slot.data() == nullptr || platform::SamePath(slot, name, FStyle))
                return &slot;
        }
    }

    void Grow()
    {
        std::vector<std::string_view> old(std::max(kSmall, FSlots.size() * 2));
        old.swap(FSlots);
        for (const std::string_view name : old)
            if (name.data() != nullptr)
                *Find(name) = name;
    }

    std::vector<std::string_view> FSlots; ///< a null view marks a free slot
    std::size_t FCount = 0;
    platform::PathStyle FStyle;
};

class TTreeBuilder : public TExchangeEvents
{
public:
    TTreeBuilder(const TScanContext& context, const TImportProgress& onProgress,
                 const TExchangeReader& reader)
        : FContext(context), FOnProgress(onProgress), FReader(reader),
          FTree(std::make_unique<TScanTree>()), FExtIds(FTree->Exts()), FFilter(context)
    {
        Measure(true, true);
    }

    void Metadata(const TExchangeMeta& meta) override
    {
        FMeta = meta;
        Measure(meta.DiskSizesKnown, meta.LinksKnown);
        FSpecialFilesAreFiles = meta.ProgramName == kOwnProgramName;
        FZeroSizesLeftOut = LeavesOutZeroSizes(meta.ProgramName);
        FLaterLinksMarked = meta.ProgramName == kGduProgramName;
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
        f.PathLength = FPath.size();
        if (discarded)
            return;
        ++FDirs;
        CountEntry();
        if (parentNode == nullptr) {
            FStyle = RootPathStyle(e.Name);
            f.Node = FTree->NewScanRoot(e.Name);
        } else {
            f.Node = FTree->NewChild(parentNode, e.Name);
            AddName(FFrames[FDepth - 2], f.Node->Name());
        }
        f.Names.Clear(FStyle);
        if (e.ReadError)
            FTree->SetReadError(f.Node);
        if (e.HasInode) // the file commands check the folder against it
            FTree->SetIdentity(f.Node, {device, e.Inode});
        if (FFilter.UsesPaths()) {
            // One path, of the folder open now, grown and cut back as folders open and
            // close: the masks see full paths at no cost per level.
            if (parentNode != nullptr)
                platform::AppendPathComponent(FPath, e.Name, FStyle);
            else
                FPath.append(e.Name);
            FFilter.StartFolder(FPath, FFilterScratch);
        }
    }

    void File(const TExchangeEntry& e) override
    {
        Frame& f = FFrames[FDepth - 1];
        if (f.Discarded || e.Excluded != TExcludedReason::None)
            return;
        if (e.NotRegular && !CountsAsFile(e))
            return;
        const std::int64_t allocated = e.HasDiskSize       ? e.DiskSize
                                       : FZeroSizesLeftOut ? 0
                                                           : e.ApparentSize;
        const std::int64_t size = FOnDisk ? allocated : e.ApparentSize;
        AddMet(size);
        if (!FEveryLink && FLaterLinksMarked && e.HardLinked)
            return; // a later link of a file counted at another entry
        if (FFilter.IsExcluded(e.Name, size, e.ModifiedFT, FFilterScratch))
            return;
        ++FFiles;
        CountEntry();
        TNewFile n;
        n.Name = FTree->StoreName(e.Name);
        AddName(f, n.Name);
        n.Size = e.ApparentSize;
        n.ModifiedFT = e.ModifiedFT;
        n.ExtId = FExtIds.IdOf(e.Name);
        n.Allocated = allocated;
        n.NotRegular = e.NotRegular;
        if (e.HasInode && (e.HardLinked || e.LinkCount > 1)) {
            n.Links = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(
                e.LinkCount, 2, std::numeric_limits<std::uint32_t>::max()));
            n.Device = e.HasDevice ? e.Device : f.Device;
            n.Inode = e.Inode;
        }
        f.Files.push_back(n);
    }

    void EndFolder() override
    {
        Frame& f = FFrames[--FDepth];
        if (f.Discarded)
            return;
        FTree->SetLeaves(f.Node, f.Files);
        FTree->SetChildren(f.Node, f.Children);
        FTree->BuildExtStats(f.Node, FExtAcc);
        if (FDepth > 0)
            FFrames[FDepth - 1].Children.push_back(f.Node);
        else
            FTree->SetRoot(f.Node);
        if (FFilter.UsesPaths() && FDepth > 0) {
            FPath.resize(f.PathLength);
            FFilter.StartFolder(FPath, FFilterScratch);
        }
    }

    /// Applies the once-per-file rule to the whole tree and hands it over.
    TImportResult Take()
    {
        // The last folder can take a while to store: a Stop meanwhile skips the link pass.
        if (FContext.IsCancelled())
            throw EImportCancelled();
        if (!FEveryLink) {
            const auto all = FTree->Links();
            const std::vector<TLinkInfo> links(all.begin(), all.end());
            THardLinkFilter filter;
            FFiles -= filter.LeaveOutRepeats(*FTree, FTree->Root(), links);
        }
        // What the writer met and left out of the file was met all the same, when it was
        // measured as this import measures.
        if (FMeta.LeftOutBytes >= 0 && FMeta.SizeKind == SizeKindText(FOnDisk))
            AddMet(FMeta.LeftOutBytes);
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
        TNameSet Names;             ///< of the entries kept so far
        std::size_t PathLength = 0; ///< of FPath before this folder was entered
        bool Discarded = false;     ///< inside an excluded folder
    };

    // Counts as the context asks where the file tells what that needs, and as the system
    // that scanned could count elsewhere: a file without link identities cannot have its
    // links counted once, nor one without allocated sizes its space on disk.
    void Measure(bool diskSizesKnown, bool linksKnown)
    {
        FOnDisk = FContext.SizeOnDisk && diskSizesKnown;
        FEveryLink = FContext.CountEveryHardLink || !linksKnown;
        FTree->SetSizeKind(FOnDisk ? TSizeKind::OnDisk : TSizeKind::Apparent);
        FTree->SetHardLinks(FEveryLink ? THardLinks::Each : THardLinks::Once);
        FTree->SetMeasureFellBack(FOnDisk != FContext.SizeOnDisk ||
                                  FEveryLink != FContext.CountEveryHardLink);
        FTree->SetKnownMeasures(diskSizesKnown, linksKnown);
    }

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw EExchangeError(what + " (at byte " + std::to_string(FReader.Offset()) + ")");
    }

    void AddMet(std::int64_t size)
    {
        if (size > std::numeric_limits<std::int64_t>::max() - FMetBytes)
            Fail("the sizes add up to more than 2^63-1 bytes");
        FMetBytes += size;
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
        if (FContext.IsCancelled())
            throw EImportCancelled();
        if (FOnProgress)
            FOnProgress(FFiles, FDirs);
    }

    // A file system holds one entry per name and folder (on Windows, per name in any
    // case); a file with two is damaged or forged, and views and file commands key
    // entries by their path.
    void AddName(Frame& f, std::string_view name)
    {
        if (!f.Names.Insert(name))
            Fail("two entries of one folder are named " + QuotedName(name));
    }

    const TScanContext& FContext;
    const TImportProgress& FOnProgress;
    const TExchangeReader& FReader;
    std::unique_ptr<TScanTree> FTree;
    TExtIdCache FExtIds;
    TExtStats FExtAcc;
    TScanFilter FFilter;
    TScanFilter::Scratch FFilterScratch;
    std::string FPath; ///< the open folder's full path, kept only when masks need it
    TExchangeMeta FMeta;
    platform::PathStyle FStyle = platform::NativePathStyle(); ///< of the root's path
    bool FOnDisk = false;                                     ///< the measure taken: sizes on disk
    bool FEveryLink = false; ///< the measure taken: every link counted
    bool FSpecialFilesAreFiles = false;
    bool FZeroSizesLeftOut = false;
    bool FLaterLinksMarked = false; ///< gdu: "hlnkc" marks the links it did not count
    std::vector<Frame> FFrames;     ///< kept between folders so their vectors keep capacity
    std::size_t FDepth = 0;
    std::uint64_t FEntries = 0;
    std::int64_t FFiles = 0;
    std::int64_t FDirs = 0;
    std::int64_t FMetBytes = 0;
};

/// Stops the import at the next block of input once the context is cancelled: input that
/// makes no entries (blanks, one long string) is read a block at a time all the same.
class TCancellableSource : public TByteSource
{
public:
    TCancellableSource(TByteSource& source, const TScanContext& context)
        : FSource(source), FContext(context)
    {
    }
    std::size_t Read(char* data, std::size_t size) override
    {
        if (FContext.IsCancelled())
            throw EImportCancelled();
        return FSource.Read(data, size);
    }

private:
    TByteSource& FSource;
    const TScanContext& FContext;
};

} // namespace

TImportResult ImportScan(TByteSource& source, const TScanContext& context,
                         const TImportProgress& onProgress)
{
    TCancellableSource checked(source, context);
    TExchangeReader reader(checked);
    TTreeBuilder builder(context, onProgress, reader);
    reader.Read(builder);
    return builder.Take();
}

TImportResult ImportScanFile(const std::string& path, const TScanContext& context,
                             const TImportProgress& onProgress)
{
    try {
        const std::unique_ptr<TByteSource> source =
            OpenInputFile(path, [&context] { return context.IsCancelled(); });
        return ImportScan(*source, context, onProgress);
    } catch (const platform::EReadCancelled&) {
        throw EImportCancelled();
    } catch (const EExchangeError&) {
        throw;
    } catch (const EMaskException&) {
        throw;
    } catch (const std::runtime_error& e) { // the file itself: cannot open, cannot read
        throw EExchangeError(e.what());
    }
}

} // namespace harrowdale
