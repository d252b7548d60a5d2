#pragma once

// Removing files and folders on the user's confirmed command. Paths are bytes and are
// acted on exactly as given: a name that is not valid UTF-8 is removed as itself.
//
// The file system may have changed since the scan: a folder on a selected path may have
// been swapped for a link, or something mounted inside a selected folder. So every path
// is resolved from the scan root that holds it, one component at a time relative to the
// one before, and a link or a mount on the way leaves the item alone and reports it:
//
//   const std::vector<TRemovalOutcome> done = RemovePermanently(ScanRoots(root), items);
//   // one outcome per item: removed, partly removed (with what stays), already gone,
//   // changed since the scan, or failed

#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace harrowdale::platform {

/// True when a file, folder or link exists at `path` (links not followed).
bool PathExists(const std::string& path);

/// What the result recorded of one item a removal is to act on. The removal goes ahead
/// only while the file system still holds that: a file must still be a file (not a
/// folder), a folder still a folder, and where the identity is known it must match.
struct TRecordedItem
{
    std::string Path;
    bool IsFolder = false;
    /// Device and file number where the result knows them; a Device of 0 means only the
    /// file number is known. A local scan knows those of every folder and of every file
    /// with several hard links; a scan file, those it carries.
    std::optional<FileIdentity> Id;
};

enum class TRemovalStatus : std::uint8_t
{
    Removed,
    PartlyRemoved, ///< a folder of which something stays: Left names it
    AlreadyGone,   ///< nothing at the path any more (or a file on the way to it)
    Changed,       ///< not what the result recorded (or now a link, or a mount): left alone
    Failed,        ///< nothing removed; Error says why
};

enum class TRemovalError : std::uint8_t
{
    None,
    LinkOrMount,  ///< a link or another mount on the way
    NoPermission, ///< refused by the system (permissions, an immutable file)
    NoTrash,      ///< no trash may be used for the item
    NotInScan,    ///< no scanned folder holds the path
    Other,
};

/// Something a partial removal left in place, below the item.
struct TLeftEntry
{
    /// Relative to the item: names joined by '/' (no name holds one); "" for the item
    /// itself, when what it still holds cannot be told.
    std::string Path;
    /// Left as it was, with everything below it (a folder on another mount, one that
    /// could not be opened or read whole, a file); otherwise a folder that stays because
    /// of what is left inside it (listed too), or because it could not be removed once
    /// emptied.
    bool Whole = true;
};

/// What became of one item.
struct TRemovalOutcome
{
    TRemovalStatus Status = TRemovalStatus::Failed;
    TRemovalError Error = TRemovalError::None;
    std::vector<TLeftEntry> Left; ///< PartlyRemoved: what stays
};

/// Moves each item to the freedesktop trash, with a .trashinfo file so the desktop can
/// restore it. Each path is resolved from the longest of `scanRoots` that holds it
/// (platform::RootHolding: equal to it or a folder above it, compared as SamePath
/// compares, which is byte for byte on Linux): the root is opened by its
/// path, as the scan opened it, and every folder below it relative to its parent without
/// following links or entering another mount. A path no root holds and a path with a
/// link or a mount on the way are not moved; an item that is itself a link or a mount
/// root, or that is not what the result recorded, is Changed.
///
/// The item is renamed from its parent's descriptor into the home trash
/// ($XDG_DATA_HOME/Trash) when it lies on the home trash's mount, else into the trash at
/// the top of its own mount: $topdir/.Trash/$uid when $topdir/.Trash is a sticky folder
/// (not a link), else $topdir/.Trash-$uid. A per-mount trash folder is used only when it
/// is a real folder owned by the user that nobody else may enter; a missing one is made
/// with mode 0700; otherwise the item fails. Items are never copied between file systems.
/// The entry in the trash keeps the item's name, shortened where the name of its info
/// file would be too long, and made unique with a number; nothing there is replaced. What
/// arrived in the trash is checked to be the item checked before, and moved back if not.
///
/// On Windows the item goes to the recycle bin through the shell (SHFileOperationW with
/// FOF_ALLOWUNDO), while every folder from the root down to the item is held open so
/// that none can be renamed or replaced by a link meanwhile; the links refused are
/// symbolic links, junctions and mounted folders.
///
/// Returns one outcome per item, in order. A path given twice (on Windows, also in
/// another case) is one item: it is acted on once and both get its outcome.
std::vector<TRemovalOutcome> MoveToTrash(std::span<const ScanRoot> scanRoots,
                                         std::span<const TRecordedItem> items);

/// Deletes each item, a folder with everything below it. Paths are resolved and checked
/// as MoveToTrash resolves and checks them (on Windows, every entry is deleted by its
/// handle: a junction or symbolic link inside is removed as the link, a mounted volume
/// is left). Inside a folder, links are removed as links and never followed, and the
/// root of any other mount (a bind mount of the same file system included) is never
/// entered: its folder then stays, and the item is PartlyRemoved. A folder is checked on
/// the descriptor it is emptied through. The walk is iterative with a bounded number of
/// open descriptors, so a tree of any depth is removed whole or reported.
std::vector<TRemovalOutcome> RemovePermanently(std::span<const ScanRoot> scanRoots,
                                               std::span<const TRecordedItem> items);

/// The percent-encoded form of path bytes used in .trashinfo files and file URIs: every
/// byte outside A-Z a-z 0-9 - _ . ~ / is written as %XX.
std::string PercentEncodePath(const std::string& path);

} // namespace harrowdale::platform
