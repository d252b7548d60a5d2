#pragma once

// The mounts of a Linux system, from /proc/self/mountinfo, and which of them are drives.
// Linux backend only (and its tests).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale::platform {

enum class DriveKind : std::uint8_t
{
    Fixed,
    Removable,
    Other
};

struct MountEntry
{
    std::uint64_t MountId = 0; ///< field 1; statx reports the same id as stx_mnt_id
    std::string Device;        ///< "major:minor" of the file system
    std::string Root;          ///< the folder of the file system mounted here ("/" whole)
    std::string MountPoint;    ///< unescaped path bytes
    std::string FsType;
};

/// Parses the text of /proc/self/mountinfo, in mount order. Octal escapes (\040 for a
/// blank) in the root and the mount point are decoded.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

/// The mounts this process sees, in mount order; empty when they cannot be read.
std::vector<MountEntry> ReadMountInfo();

/// Kind of a mount: local disk file systems are Fixed, or Removable when mounted under
/// /media or /run/media; pseudo, RAM, network and optical file systems are Other.
DriveKind ClassifyMount(const MountEntry& entry);

/// The roots to scan for "All Drives", fixed and removable only, in mount order; `exists`
/// decides whether a root is a readable folder. A mount is a drive of its own unless the
/// folder it shows of its file system (its Root) lies inside the Root of a drive already
/// chosen on the same device: a second mount of the same folder or a bind mount of a
/// subfolder shows nothing new, while btrfs subvolumes (/@ on /, /@home on /home, one
/// device) are drives of their own.
std::vector<std::string> SelectDriveRoots(const std::vector<MountEntry>& mounts,
                                          bool (*exists)(const std::string&));

// ListDriveRoots (Drives.h) is SelectDriveRoots over this machine's mounts.

} // namespace harrowdale::platform
