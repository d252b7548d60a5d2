#pragma once

// Removing files and folders on the user's confirmed command. Paths are bytes and are
// acted on exactly as given: a name that is not valid UTF-8 is removed as itself.

#include <string>
#include <vector>

namespace harrowdale::platform {

/// True when a file, folder or link exists at `path` (links not followed).
bool PathExists(const std::string& path);

/// Moves each path to the freedesktop trash: the home trash ($XDG_DATA_HOME/Trash) for
/// items on its file system, otherwise the trash at the top of the item's mount
/// ($topdir/.Trash/$uid when the administrator made one, else $topdir/.Trash-$uid), with
/// a .trashinfo file so the desktop can restore it. Items are never copied between file
/// systems. Returns false when any path could not be trashed (the others still are);
/// `failures` receives the failed paths.
bool MoveToTrash(const std::vector<std::string>& paths,
                 std::vector<std::string>* failures = nullptr);

/// Deletes each path; a folder with everything below it. Symbolic links are removed as
/// links and never followed, and other mounts below a folder are not entered (their
/// mount point then cannot be removed, which counts as a failure). Returns false when any
/// path could not be removed completely.
bool RemovePermanently(const std::vector<std::string>& paths,
                       std::vector<std::string>* failures = nullptr);

/// The percent-encoded form of path bytes used in .trashinfo files and file URIs: every
/// byte outside A-Z a-z 0-9 - _ . ~ / is written as %XX.
std::string PercentEncodePath(const std::string& path);

} // namespace harrowdale::platform
