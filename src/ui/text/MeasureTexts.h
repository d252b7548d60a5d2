#pragma once

// How a tree was measured, in the words the window's status line and the command-line
// report share, so that both say the same of the same tree.

#include <string>

namespace harrowdale {

class TScanTree;

/// "Sizes: space used on disk" or "Sizes: length of each file", translated.
std::string SizeMeasureText(const TScanTree& tree);
/// "Hard links: every link counted" or "Hard links: each file counted once", translated.
std::string HardLinkRuleText(const TScanTree& tree);
/// Why the tree was not measured as asked (TScanTree::MeasureFellBack), translated; ""
/// when it was.
std::string MeasureFallbackText(const TScanTree& tree);

} // namespace harrowdale
