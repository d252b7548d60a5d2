#pragma once

// The drives the "All Drives" source scans: fixed and removable file systems.

#include <cstdint>
#include <string>
#include <vector>

namespace harrowdale::platform {

/// The roots of the fixed and removable drives that can be read, in the system's order:
/// on Linux chosen from the mounts (posix/MountInfo.h), on Windows the drive letters
/// ("C:\").
std::vector<std::string> ListDriveRoots();

/// Used bytes of the file system holding `root` (total less free); 0 when it cannot be
/// asked.
std::int64_t UsedBytes(const std::string& root);

} // namespace harrowdale::platform
