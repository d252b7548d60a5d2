#pragma once

// Permanent removal of one folder entry with everything below it, from descriptors.

#include "platform/FileOps.h"
#include "platform/posix/Descriptors.h"

#include <string>
#include <vector>

namespace harrowdale::platform::posix {

/// Folders kept open at once by one removal, however deep the tree: deeper folders give
/// up the descriptors of their far ancestors, which are opened again on the way back up.
constexpr std::size_t kRemoveOpenFolders = 16;

enum class RemoveResult
{
    Removed,
    Partly, ///< something stays: listed in `left`
    Failed, ///< nothing was removed (errno set)
    Lost,   ///< the tree moved while it was being removed: what stays cannot be told
};

/// Removes entry `name` of the folder `parentFd` (whose identity is `parent`), which a
/// look found to be `id`: a file, or a folder with its contents. The folder is opened and
/// checked to be `id` before anything in it goes. Links are removed as links; a folder on
/// another mount is never entered. `id` must be neither a link nor a mount root. What
/// stays of a folder is appended to `left`, relative to it.
RemoveResult RemoveEntry(int parentFd, const FileId& parent, const std::string& name,
                         const FileId& id, std::vector<TLeftEntry>& left);

} // namespace harrowdale::platform::posix
