#include "scan/DiskScanner.h"

#include "platform/Casing.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <cstring>

namespace harrowdale {

namespace {

constexpr std::size_t kListBufferBytes = 64 * 1024;
constexpr std::uint32_t kProgressIntervalMs = 80;
// Deeper than this, a folder gives up its descriptor once listed and its subfolders are
// opened by full path, so a deep tree cannot exhaust the descriptor limit.
constexpr std::size_t kMaxOpenDepth = 192;

} // namespace

struct TDiskScanner::Frame
{
    explicit Frame(std::span<char> buffer) : Reader(buffer) {}
    TDirNode* Node = nullptr;
    platform::DirReader Reader;
    std::vector<TDirNode*> Children; ///< as listed; the ones that came back are compacted
    std::size_t Next = 0;            ///< next child to enter
    std::size_t Kept = 0;            ///< children that came back
    std::size_t PathLen = 0;         ///< length of FPath for this folder
};

TDiskScanner::TDiskScanner(const TScanContext& context, TScanTree& tree)
    : FContext(context), FTree(tree), FBuffer(new char[kListBufferBytes])
{
    ResetCounters();
}

TDiskScanner::~TDiskScanner() = default;

void TDiskScanner::ResetCounters()
{
    FFiles = FDirs = FBytes = 0;
    FLastProgressTick = platform::TickCount();
}

void TDiskScanner::DoProgress()
{
    if (!OnProgress)
        return;
    const std::uint32_t now = platform::TickCount();
    if (now - FLastProgressTick >= kProgressIntervalMs) {
        FLastProgressTick = now;
        OnProgress(FPath, FFiles, FDirs);
    }
}

TExtTable::Id TDiskScanner::ExtIdOf(std::string_view name)
{
    const std::string_view raw = RawFileExt(name);
    if (raw.empty())
        return TExtTable::kNone;
    ShortExtSlot* slot = nullptr;
    std::uint64_t key = 0;
    if (raw.size() <= 7) {
        std::memcpy(&key, raw.data(), raw.size());
        key |= static_cast<std::uint64_t>(raw.size()) << 56;
        slot = &FShortExts[(key * 0x9E3779B97F4A7C15ULL) >> 54];
        if (slot->Key == key)
            return slot->Id;
    }
    TExtTable::Id id;
    if (const auto it = FExtIds.find(raw); it != FExtIds.end()) {
        id = it->second;
    } else {
        id = FTree.Exts().Intern(platform::LowerCaseLocale(raw));
        FExtIds.emplace(std::string(raw), id);
    }
    if (slot != nullptr)
        *slot = {key, id};
    return id;
}

bool TDiskScanner::MatchesPattern(std::string_view name)
{
    if (!FContext.ExcludePattern || FContext.PatternMasks.empty())
        return false;
    if (!FMasks)
        FMasks.emplace(FContext.PatternMasks);
    return FMasks->Matches(name, FPath);
}

bool TDiskScanner::IsExcluded(std::string_view name, std::int64_t size, std::int64_t lastWrite)
{
    if (FContext.ExcludeLessThan && FContext.LessThanBytes > 0 && size < FContext.LessThanBytes)
        return true;
    if (FContext.ExcludePattern && MatchesPattern(name))
        return true;
    if (FContext.ExcludeModifiedBefore && FContext.ModifiedBefore > 0) {
        const TDateTime d = FileTimeToLocalDateTime(lastWrite);
        if (d > 0 && d < FContext.ModifiedBefore)
            return true;
    }
    return false;
}

void TDiskScanner::ListFolder(Frame& frame)
{
    FFiles_.clear();
    platform::DirEntry e;
    for (;;) {
        if (FContext.IsCancelled())
            break;
        if (!frame.Reader.Next(e))
            break;
        if (e.Kind == platform::EntryKind::Directory) {
            frame.Children.push_back(FTree.NewChild(frame.Node, e.Name));
            continue;
        }
        if (IsExcluded(e.Name, e.Size, e.LastWriteTicks)) {
            FBytes += e.Size;
        } else {
            FFiles_.push_back({FTree.StoreName(e.Name), e.Size, e.LastWriteTicks, ExtIdOf(e.Name)});
            ++FFiles;
            FBytes += e.Size;
        }
        DoProgress();
    }
    FTree.SetLeaves(frame.Node, FFiles_);
}

void TDiskScanner::FinishFolder(Frame& frame)
{
    frame.Reader.ReleaseHandle();
    TDirNode* node = frame.Node;
    const std::span<TDirNode* const> kept(frame.Children.data(), frame.Kept);
    FTree.SetChildren(node, kept);
    FTree.BuildExtStats(node, FExtAcc);
}

TDirNode* TDiskScanner::Scan(std::string_view rootPath)
{
    while (rootPath.size() > 1 && rootPath.back() == '/')
        rootPath.remove_suffix(1);
    FMasks.reset();
    try {
        return ScanTree(rootPath);
    } catch (...) {
        for (auto& f : FFrames)
            f->Reader.ReleaseHandle();
        throw;
    }
}

TDirNode* TDiskScanner::ScanTree(std::string_view rootPath)
{
    if (FContext.IsCancelled())
        return nullptr;
    const std::span<char> buffer(FBuffer.get(), kListBufferBytes);
    auto frameAt = [&](std::size_t depth) -> Frame& {
        while (FFrames.size() <= depth)
            FFrames.push_back(std::make_unique<Frame>(buffer));
        Frame& f = *FFrames[depth];
        f.Children.clear();
        f.Next = f.Kept = 0;
        return f;
    };

    FPath.assign(rootPath);
    Frame& root = frameAt(0);
    root.Node = FTree.NewScanRoot(rootPath);
    root.PathLen = FPath.size();
    ++FDirs;
    DoProgress();
    if (root.Reader.OpenPath(FPath) == platform::OpenResult::Opened)
        ListFolder(root);

    std::size_t depth = 0;
    for (;;) {
        Frame& f = *FFrames[depth];
        if (f.Next < f.Children.size() && !FContext.IsCancelled()) {
            TDirNode* child = f.Children[f.Next++];
            if (FPath.empty() || FPath.back() != '/')
                FPath.push_back('/');
            FPath.append(child->Name());
            Frame& c = frameAt(depth + 1);
            c.Node = child;
            c.PathLen = FPath.size();
            const platform::OpenResult r = f.Reader.HasHandle()
                                               ? c.Reader.OpenChild(f.Reader, child->Name())
                                               : c.Reader.OpenChildPath(FPath);
            if (r == platform::OpenResult::NotEntered) {
                FPath.resize(f.PathLen);
                continue; // a link or another mount: not counted
            }
            ++FDirs;
            DoProgress();
            if (r == platform::OpenResult::Opened) {
                ListFolder(c);
                if (depth + 1 >= kMaxOpenDepth)
                    c.Reader.ReleaseHandle();
            }
            ++depth;
            continue;
        }
        FinishFolder(f);
        if (depth == 0)
            break;
        TDirNode* done = f.Node;
        --depth;
        Frame& p = *FFrames[depth];
        p.Children[p.Kept++] = done;
        FPath.resize(p.PathLen);
    }
    return root.Node;
}

} // namespace harrowdale
