#pragma once

// A comparison shown in the window, with the older scan it refers into: both live and go
// together (the comparison is declared last, so it is freed first). The newer side is the
// result shown; whoever frees or edits that tree ends the comparison first.

#include "scan/ScanTree.h"
#include "views/ScanComparison.h"

#include <cstdint>
#include <memory>
#include <string>

namespace harrowdale::ui {

struct TComparedScans
{
    std::unique_ptr<TScanTree> Older;
    std::string OlderFile;      ///< the scan file it was read from (path bytes)
    std::int64_t OlderTime = 0; ///< when it was made: Unix seconds; 0 when not known
    std::int64_t NewerTime = 0; ///< when the result shown was made; 0 when not known
    std::unique_ptr<TScanComparison> Comparison; ///< refers into Older and the result shown
};

} // namespace harrowdale::ui
