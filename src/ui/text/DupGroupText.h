#pragma once

// The name a duplicate group goes by in lists, trees and the status line. Qt-free.

#include "views/Duplicates.h"

#include <string>

namespace harrowdale {

/// The group's file name as VisiblePathText shows it; for a group whose files have other
/// names too (grouped by content), "photo.jpg and 3 other names"; for a group whose
/// files lie in several scans of a joined result, ", across 2 scans" after it.
std::string DupGroupName(const TDupGroup& group);

} // namespace harrowdale
