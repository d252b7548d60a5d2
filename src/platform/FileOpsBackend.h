#pragma once

// What each backend supplies to the removal loop in FileOps.cpp: one item at a time.

#include <span>
#include <string>

namespace harrowdale::platform::detail {

/// Moves one selected path, resolved from the scan root that holds it, to the trash or
/// recycle bin. False when it was not moved.
bool TrashOne(std::span<const std::string> roots, const std::string& path);

/// Deletes one selected path, resolved from the scan root that holds it, a folder with
/// everything below it. False when anything was left.
bool RemoveOne(std::span<const std::string> roots, const std::string& path);

} // namespace harrowdale::platform::detail
