#pragma once

// Duplicate files: same name ignoring case and same size. Contents are never read.

#include "scan/ScanTree.h"
#include "treemap/Colors.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace harrowdale {

constexpr std::size_t kMaxDupGroups = 2000;

/// How files are grouped as duplicates: by equal name (case ignored) and size, or by equal
/// bytes (ContentDuplicates.h).
enum class TDupGrouping : std::uint8_t
{
    NameAndSize,
    Content,
};
constexpr std::size_t kMaxDupFilesPerGroupNode = 500;

/// One group of duplicates. Files belong to the scan tree.
struct TDupGroup
{
    std::string FileName;        ///< as spelled by the group's second member found
    std::int64_t Size = 0;       ///< the common size
    std::int64_t ModifiedFT = 0; ///< last-write ticks of that second member
    TColor Color = kGrey;
    std::vector<const TFileLeaf*> Files; ///< members in the order found
    /// How many names other than FileName its files have: 0 by name, any by content.
    std::uint32_t OtherNames = 0;
    /// How many of the scans of a joined result its files lie in (JoinedPartOf); 0 when
    /// the result is one scan.
    std::uint32_t Scans = 0;
};

/// Result of grouping. On Linux a path key is the path itself, so the per-file maps are
/// keyed by the file entry, which is one-to-one with its path.
struct TDuplicates
{
    std::vector<std::unique_ptr<TDupGroup>> Groups; ///< largest files x size first, <= 2000
    /// Groups found before the cap kept the best of them: more than Groups holds when capped.
    std::size_t GroupsFound = 0;
    std::unordered_map<const TFileLeaf*, TColor> ColorByFile;
    std::unordered_map<const TFileLeaf*, const TDupGroup*> GroupByFile;
    void Clear();
};

/// "NAME|SIZE": the upper-cased name, '|', the size in decimal digits.
std::string DuplicateKey(std::string_view name, std::int64_t size);

/// Progress of the grouping pass: files handled so far and the total. Return false to
/// cancel; the build then stops at once and leaves `out` empty.
using TDupProgress = std::function<bool(std::size_t done, std::size_t total)>;

/// Groups `allFiles` (largest first, as FlattenAllFilesFromRoot gives them) by duplicate
/// key, ranks groups by files x size, keeps the `cap` largest and fills both maps.
/// `progress` is called with done = i + 1 for every index i with i % 800 == 0 and for
/// the last index (a null entry is skipped together with its progress step).
/// Returns false when cancelled.
///
/// The result is that of one pass with a dictionary (group made when the
/// second member arrives, named and dated after it, members in array order), but the
/// dictionary is never built: only files of equal size can be duplicates, so each run of
/// equal sizes is grouped on its own, and only the `cap` best groups are ever held.
/// Temporary memory is 16 bytes per file of the largest run of equal sizes. An array whose
/// equal sizes are not adjacent (not sorted by size) costs 8 more bytes per file for a
/// sorted index. Groups rank by files x size, and equal products by the position of their
/// first file, so the result does not depend on how the work was split.
///
/// `fillMaps` false leaves ColorByFile and GroupByFile empty: they cost about 40 bytes per
/// member each, which a front end that only lists the groups (the command line) need not
/// pay.
bool BuildDuplicates(const std::vector<const TFileLeaf*>& allFiles, TDuplicates& out,
                     const TDupProgress& progress = {}, std::size_t cap = kMaxDupGroups,
                     bool fillMaps = true);

/// Sets each group's Scans.
void CountJoinedScans(TDuplicates& dups);

/// Fills ColorByFile and GroupByFile from Groups.
void FillDuplicateMaps(TDuplicates& dups);

/// The "Modified" text of a group in the groups list: the local last-write time of its
/// first member rounded to 1/10000 day (halves to even), as "yyyy-mm-dd hh:nn"; "" when
/// the group has no member or the time is not after 0.
std::string DupGroupModifiedText(const TDupGroup& group);

} // namespace harrowdale
