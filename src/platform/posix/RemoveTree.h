#pragma once

// Permanent removal of one folder entry with everything below it, from descriptors.

#include "platform/posix/Descriptors.h"

#include <string>

namespace harrowdale::platform::posix {

/// Folders kept open at once by one removal, however deep the tree: deeper folders give
/// up the descriptors of their far ancestors, which are opened again on the way back up.
constexpr std::size_t kRemoveOpenFolders = 16;

/// Removes entry `name` of the folder `parentFd` (whose identity is `parent`); a folder
/// with its contents. Links are removed as links; a folder on another mount is never
/// entered. The item itself must not be a link or a mount root. Returns false when
/// anything was left (the rest is still removed) or when the tree moved while it was
/// being removed.
bool RemoveEntry(int parentFd, const FileId& parent, const std::string& name);

} // namespace harrowdale::platform::posix
