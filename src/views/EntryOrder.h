#pragma once

// How lists and trees sorted by a column order their entries. Entries are compared where
// they lie in the scan tree: no path is built, so a sort of thousands of rows copies no
// strings.

#include "scan/ScanTree.h"

#include <string_view>

namespace harrowdale {

/// Names as people read them: ASCII letters compared without their case, so "b" and "B"
/// stand together, then byte for byte, so two different names never compare equal.
/// Negative, zero or positive, as a < b, a == b, a > b.
int CompareNames(std::string_view a, std::string_view b);

/// Folder paths compared folder by folder from the top, each level by CompareNames: a
/// folder comes before everything below it, and its subfolders stay together however
/// their names go on. Both folders belong to one tree.
int CompareFolderPaths(const TDirNode* a, const TDirNode* b);

/// Full paths of two files of one tree: by their folders' paths, then by their names.
int CompareFilePaths(const TFileLeaf* a, const TFileLeaf* b);

} // namespace harrowdale
