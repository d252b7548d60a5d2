#pragma once

// Removing files and folders on the user's confirmed command. Paths are bytes and are
// acted on exactly as given: a name that is not valid UTF-8 is removed as itself.
//
// The file system may have changed since the scan: a folder on a selected path may have
// been swapped for a link, or something mounted inside a selected folder. So every path
// is resolved from the scan root that holds it, one component at a time relative to the
// one before, and a link or a mount on the way leaves the item alone and reports it:
//
//   std::vector<std::string> failures;
//   if (!RemovePermanently(ScanRootPaths(root), paths, &failures))
//       ...; // `failures` lists each path that was not removed (or not completely)

#include <span>
#include <string>
#include <vector>

namespace harrowdale::platform {

/// True when a file, folder or link exists at `path` (links not followed).
bool PathExists(const std::string& path);

/// Moves each path to the freedesktop trash, with a .trashinfo file so the desktop can
/// restore it. Each path is resolved from the longest of `scanRoots` that holds it
/// (platform::RootHolding: equal to it or a folder above it, compared as SamePath
/// compares, which is byte for byte on Linux): the root is opened by its
/// path, as the scan opened it, and every folder below it relative to its parent without
/// following links or entering another mount. A path no root holds, a path with a link or
/// a mount on the way, and an item that is itself a link or a mount root are not moved.
///
/// The item is renamed from its parent's descriptor into the home trash
/// ($XDG_DATA_HOME/Trash) when it lies on the home trash's mount, else into the trash at
/// the top of its own mount: $topdir/.Trash/$uid when $topdir/.Trash is a sticky folder
/// (not a link), else $topdir/.Trash-$uid. A per-mount trash folder is used only when it
/// is a real folder owned by the user that nobody else may enter; a missing one is made
/// with mode 0700; otherwise the item fails. Items are never copied between file systems.
///
/// On Windows the item goes to the recycle bin through the shell (SHFileOperationW with
/// FOF_ALLOWUNDO), while every folder from the root down to the item is held open so
/// that none can be renamed or replaced by a link meanwhile; the links refused are
/// symbolic links, junctions and mounted folders.
///
/// Returns false when any path could not be trashed (the others still are); `failures`
/// receives the failed paths in order. A path given twice (on Windows, also in another
/// case) is one item.
bool MoveToTrash(std::span<const std::string> scanRoots, const std::vector<std::string>& paths,
                 std::vector<std::string>* failures = nullptr);

/// Deletes each path, a folder with everything below it. Paths are resolved from
/// `scanRoots` as MoveToTrash resolves them (on Windows, every entry is deleted by its
/// handle: a junction or symbolic link inside is removed as the link, a mounted volume
/// is left). Inside a folder, links are removed as links
/// and never followed, and the root of any other mount (a bind mount of the same file
/// system included) is never entered: its folder then stays, and the item counts as a
/// failure. The walk is iterative with a bounded number of open descriptors, so a tree of
/// any depth is removed whole or reported. Returns false when any path could not be
/// removed completely; `failures` receives those paths in order.
bool RemovePermanently(std::span<const std::string> scanRoots,
                       const std::vector<std::string>& paths,
                       std::vector<std::string>* failures = nullptr);

/// The percent-encoded form of path bytes used in .trashinfo files and file URIs: every
/// byte outside A-Z a-z 0-9 - _ . ~ / is written as %XX.
std::string PercentEncodePath(const std::string& path);

} // namespace harrowdale::platform
