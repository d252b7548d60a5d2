#pragma once

#include "scan/Mask.h"
#include "scan/ScanContext.h"
#include "scan/ScanTree.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace harrowdale {

/// Progress callback: folder being scanned, files and folders counted so far. Runs on
/// the scanning thread.
using TScanProgressEvent =
    std::function<void(const std::string& path, std::int64_t files, std::int64_t dirs)>;

/// Walks one folder tree depth-first and builds its part of a TScanTree.
///
/// Links and roots of other mounts are neither counted nor entered; a folder that cannot
/// be read becomes an empty folder. All state is per scanner (and so per walk): several
/// scanners may run on several threads, each into its own tree.
class TDiskScanner
{
public:
    /// `context` and `tree` must outlive the scanner.
    TDiskScanner(const TScanContext& context, TScanTree& tree);
    ~TDiskScanner();

    /// Zeroes the counters and restarts the 80 ms progress clock.
    void ResetCounters();

    /// Scans `rootPath` (trailing '/' removed, "/" kept) into the tree and returns its
    /// node, or nullptr when the context was cancelled on entry. A cancelled scan returns
    /// what it gathered so far. Throws EMaskException when a mask is malformed; the tree
    /// then holds unreachable nodes, which go with the tree.
    TDirNode* Scan(std::string_view rootPath);

    std::int64_t Files() const { return FFiles; } ///< included files
    std::int64_t Dirs() const { return FDirs; }   ///< folders entered, unreadable ones too
    std::int64_t Bytes() const { return FBytes; } ///< bytes of every file met, excluded too

    TScanProgressEvent OnProgress;

private:
    struct Frame;

    bool IsExcluded(std::string_view name, std::int64_t size, std::int64_t lastWrite);
    bool MatchesPattern(std::string_view name);
    void DoProgress();
    TExtTable::Id ExtIdOf(std::string_view name);
    TDirNode* ScanTree(std::string_view rootPath);
    void ListFolder(Frame& frame);
    void FinishFolder(Frame& frame);

    const TScanContext& FContext;
    TScanTree& FTree;
    std::int64_t FFiles = 0;
    std::int64_t FDirs = 0;
    std::int64_t FBytes = 0;
    std::uint32_t FLastProgressTick = 0;

    // Per-walk scratch, reused between folders.
    std::unique_ptr<char[]> FBuffer;
    std::string FPath; ///< path of the folder being listed
    std::vector<std::unique_ptr<Frame>> FFrames;
    std::vector<TNewFile> FFiles_;
    TExtStats FExtAcc;
    struct StringHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept
        {
            return std::hash<std::string_view>{}(s);
        }
    };
    std::unordered_map<std::string, TExtTable::Id, StringHash, std::equal_to<>> FExtIds;
    // Extensions of up to 7 bytes, packed into one word, in a small direct-mapped cache in
    // front of the map: most files hit it without hashing a string.
    struct ShortExtSlot
    {
        std::uint64_t Key = 0; ///< 0: empty (a packed key always has its length set)
        TExtTable::Id Id = 0;
    };
    static constexpr std::size_t kShortExtSlots = 1024;
    std::vector<ShortExtSlot> FShortExts = std::vector<ShortExtSlot>(kShortExtSlots);

    std::optional<TMaskSet> FMasks; ///< compiled at the first file of each scan
};

} // namespace harrowdale
