#pragma once

// Find: which files and folders of a result a search names, and the walk that collects
// them from a tree.
//
// A search over a million entries must show its first matches at once and all of them
// within half a second, off the window's thread and stoppable at every keystroke. So the
// walk hands its matches over in small batches, checks a stop flag between a few
// thousand entries, and keeps no path: a match is its entry, and every text shown of it is
// derived when asked for.
//
// Thread: a TFindQuery keeps per-name scratch and belongs to one thread. The walk reads a
// finished tree; whoever edits or frees the tree stops the walk first.

#include "scan/Mask.h"
#include "scan/ScanTree.h"
#include "treemap/EntryRef.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

/// How the name typed is read.
enum class TFindNameKind : std::uint8_t
{
    Text, ///< a piece of the name, upper and lower case alike
    Mask, ///< masks separated by ';' ("*.jpg;*.png"), each over the whole name
};

/// What a search asks for; every part left empty lets every entry through.
struct TFindCriteria
{
    std::string Name = {}; ///< as typed (UTF-8); blank: any name
    TFindNameKind Kind = TFindNameKind::Text;
    std::optional<std::int64_t> MinSize = std::nullopt; ///< bytes, at least
    std::optional<std::int64_t> MaxSize = std::nullopt; ///< bytes, at most
    /// Last change at or after this instant (100-ns ticks since 1601, UTC).
    std::optional<std::int64_t> ChangedFrom = std::nullopt;
    /// Last change before this instant.
    std::optional<std::int64_t> ChangedBefore = std::nullopt;
    bool Files = true;
    bool Folders = true;

    /// Whether any part narrows the search: without one there is nothing to look for.
    bool Narrows() const;
};

class TFindQuery
{
public:
    /// Compiles the name; throws EMaskException for a malformed mask.
    explicit TFindQuery(const TFindCriteria& criteria);

    /// Whether a name passes: the text is a piece of it, or a mask takes all of it. Case
    /// is folded on both sides; bytes that are not UTF-8 match nothing typed, so a name
    /// with them is found by the parts around them.
    bool NameMatches(std::string_view name);
    /// Files pass by name, the size the tree counts and their last change; a file without
    /// a date fails any age.
    bool Matches(const TFileLeaf& file);
    /// Folders pass by name and the size of everything below them. They have no date of
    /// their own in a result: any age leaves them out.
    bool Matches(const TDirNode& folder);

private:
    bool SizePasses(std::int64_t size) const;
    /// Fills FName with the name's upper-cased code points.
    void Decode(std::string_view name);

    TFindCriteria FCriteria;
    std::vector<std::int32_t> FText; ///< the text, upper-cased and decoded
    std::vector<TMask> FMasks;
    std::vector<std::int32_t> FName; ///< scratch
};

/// What a walk found.
struct TFindTotals
{
    std::int64_t Matches = 0;
    /// Bytes of the matches, each byte once: a match inside a matching folder is counted
    /// in that folder's size.
    std::int64_t Bytes = 0;
    bool Stopped = false; ///< the stop flag ended it early
};

/// Receives matches in the walk's order (a folder before what it holds, its files before
/// its subfolders), with the bytes they add to the total.
using TFindSink = std::function<void(std::span<const TEntryRef> matches, std::int64_t bytes)>;

/// Walks the tree below `root` (the root included, unless synthetic). Matches reach
/// `sink` at least every few thousand entries walked, so the first ones show early; the
/// walk ends soon after `stop` is set.
TFindTotals FindEntries(const TDirNode* root, TFindQuery& query, const std::atomic<bool>& stop,
                        const TFindSink& sink);

/// A size as typed: a number with an optional unit of 1024s (B, KB, MB, GB, TB, or their
/// first letter, in any case), '.' or ',' before the decimals: "200", "1.5 GB", "10k".
/// Nullopt for anything else, or beyond what 63 bits hold.
std::optional<std::int64_t> ParseSizeText(std::string_view text);

} // namespace harrowdale
