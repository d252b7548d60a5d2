#pragma once

// The one rule for whether two full paths name the same entry, used wherever a view or a
// layout matches one path against another (list rows, map items, tree nodes, the primary
// item of a selection). Names here are case-sensitive bytes: `a.txt` and `A.txt` in one
// folder are two files, and selecting one must never act on the other. Masks and the
// duplicate key ignore case on purpose and do not come through here.

#include <string_view>

namespace harrowdale {

inline bool SamePath(std::string_view a, std::string_view b)
{
    return a == b;
}

} // namespace harrowdale
