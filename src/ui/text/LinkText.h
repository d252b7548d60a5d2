#pragma once

// How lists and trees mark a file with several hard links, so that every link of it can
// be found and picked. Qt-free.

#include "scan/ScanTree.h"

#include <string>

namespace harrowdale {

/// "hard link, 3 links" for a file with several links (translated, in the form the count
/// takes); "" for any other file.
std::string HardLinkText(const TFileLeaf& file);

/// The size a list shows for a file, with the mark after it: "97.7 KB, hard link, 3 links".
/// A link counted at another link shows the 0 bytes it counts.
std::string FileSizeText(const TFileLeaf& file);

} // namespace harrowdale
