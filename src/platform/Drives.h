#pragma once

// Mounted file systems as the "All Drives" source sees them.

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
    std::string MountPoint; ///< unescaped path bytes
    std::string FsType;
    std::string Device; ///< "major:minor"
};

/// Parses the text of /proc/self/mountinfo, in mount order. Octal escapes (\040 for a
/// blank) in the mount point are decoded.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

/// Kind of a mount: local disk file systems are Fixed, or Removable when mounted under
/// /media or /run/media; pseudo, RAM, network and optical file systems are Other.
DriveKind ClassifyMount(const MountEntry& entry);

/// The roots to scan for "All Drives": one per device, first mount wins, fixed and
/// removable only, in mount order; `exists` decides whether a root is a readable folder.
std::vector<std::string> SelectDriveRoots(const std::vector<MountEntry>& mounts,
                                          bool (*exists)(const std::string&));

/// SelectDriveRoots over this machine's mounts.
std::vector<std::string> ListDriveRoots();

/// Used bytes of the file system holding `root`: (blocks - free blocks) x fragment
/// size; 0 when it cannot be asked.
std::int64_t UsedBytes(const std::string& root);

} // namespace harrowdale::platform
