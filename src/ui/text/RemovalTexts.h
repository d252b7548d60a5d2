#pragma once

// The texts of the two removal commands: the question, which names what will be removed,
// and the box that names what was not. Both list at most kListedPaths paths and count the
// rest, so a selection the user did not expect (a whole group, the scanned folder) shows
// up before anything happens. Templates go through Translate. Qt-free.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace harrowdale {

enum class TRemoval
{
    ToTrash,
    Permanently,
};

/// One path a removal acts on, with what makes it worth a warning.
struct TRemovalTarget
{
    std::string Path;
    bool IsScanRoot = false;  ///< the folder the scan started from (or one of its drives)
    bool IsBigFolder = false; ///< a folder holding more than kBigFolderFiles files
    /// A file with other hard links: its space comes back only with its last link.
    bool HasOtherLinks = false;
};

/// How the copies among the removed files were found, where the removal was picked on
/// the page that shows them as copies.
enum class TCopiesShown : std::uint8_t
{
    None,          ///< no copies among them, or picked on another page
    ByNameAndSize, ///< their contents were never read
    ByContent,     ///< compared byte for byte
};

/// What a removal does to the groups of duplicates, as the question tells it.
struct TRemovalGroups
{
    std::size_t Emptied = 0;       ///< groups that lose every copy
    std::int64_t EmptiedFiles = 0; ///< their files
    TCopiesShown Copies = TCopiesShown::None;
};

inline constexpr std::size_t kListedPaths = 10;
inline constexpr std::int64_t kBigFolderFiles = 1000;

/// "Move 3 items to the Trash?" (or the permanent form, or the singular), a blank line, the paths
/// one a line, "and N more" past the tenth, and after a blank line one line for each warning: the
/// scanned folder or a big folder among them, files with other hard links, groups of duplicates
/// left without a copy, and for copies shown as such whether their contents were compared. Repeats
/// count and are listed as given.
std::string RemovalQuestion(TRemoval kind, std::span<const TRemovalTarget> targets,
                            const TRemovalGroups& groups = {});

/// Why an item was not removed, or not whole.
enum class TNotRemovedReason
{
    ChangedSinceScan, ///< not what the result shows any more: left alone
    PartlyRemoved,    ///< a folder of which something stays
    LinkOrMount,      ///< a link or another mount on the way
    NotPermitted,
    NoTrash,
    NotInScan, ///< no scanned folder holds it
    Other,
};

struct TNotRemoved
{
    std::string Path;
    TNotRemovedReason Reason = TNotRemovedReason::Other;
};

/// "Failed to delete 2 items:" (or the trash form, or the singular), then the paths as the
/// question lists them, each with its reason.
std::string RemovalFailure(TRemoval kind, std::span<const TNotRemoved> notRemoved);

/// The status line after a removal: "3 items moved to the Trash, 12.4 MB" (or "deleted"),
/// in the form the count takes. `bytes` is what the result counted for them.
std::string RemovalDone(TRemoval kind, std::int64_t items, std::int64_t bytes);

/// The same with what no longer existed when it was to be removed, and so left the
/// result: "1 item deleted, 2 KB; 1 item no longer existed and left the result".
std::string RemovalDone(TRemoval kind, std::int64_t items, std::int64_t bytes,
                        std::int64_t vanished);

} // namespace harrowdale
