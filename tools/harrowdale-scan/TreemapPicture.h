#pragma once

// Treemap pictures from the command line: one of the four layouts painted into a PNG
// file, as the window would show it at that size (with nothing selected).

#include "scan/ScanTree.h"
#include "views/Duplicates.h"

#include <string>
#include <string_view>

namespace harrowdale {

/// Lays out the treemap `kind` ("files", "nested", "folders" or "duplicates") of the
/// tree below `root` over (0, 0, width, height), paints it and writes it as a PNG file to
/// `pngPath`. The duplicates are coloured as `duplicates` groups them (with its per-file
/// maps filled); without it, by name and size. Returns false with `error` set (one line)
/// when the kind or size is not valid or the file cannot be written.
bool WriteTreemapPng(const TDirNode* root, std::string_view kind, int width, int height,
                     const std::string& pngPath, std::string& error,
                     const TDuplicates* duplicates = nullptr);

} // namespace harrowdale
