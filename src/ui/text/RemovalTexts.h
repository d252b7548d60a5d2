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
};

inline constexpr std::size_t kListedPaths = 10;
inline constexpr std::int64_t kBigFolderFiles = 1000;

/// "Move 3 item(s) to the Trash?" (or the permanent form), a blank line, the paths one a
/// line, "and N more" past the tenth, and one line more when the scanned folder or a big
/// folder is among them. Repeats count and are listed as given.
std::string RemovalQuestion(TRemoval kind, std::span<const TRemovalTarget> targets);

/// "Failed to delete 2 item(s):" (or the trash form), then the paths as the question
/// lists them.
std::string RemovalFailure(TRemoval kind, std::span<const std::string> notRemoved);

/// The status line after a removal: "3 items moved to the Trash, 12.4 MB" (or "deleted"),
/// with the singular for one item. `bytes` is what the result counted for them.
std::string RemovalDone(TRemoval kind, std::int64_t items, std::int64_t bytes);

} // namespace harrowdale
