#pragma once

// The one rule for whether two full paths name the same entry, used wherever a view or a
// layout matches one path against another (list rows, map items, tree nodes, the primary
// item of a selection). It is the system's rule (platform::SamePath): on Linux names are
// case-sensitive bytes, so `a.txt` and `A.txt` in one folder are two files and selecting
// one must never act on the other; on Windows they are one file. Dictionaries keyed by
// path use platform::PathKey, which keys by the same rule. Masks and the duplicate key
// ignore case on purpose on every system and do not come through here.

#include "platform/Paths.h"

#include <string_view>

namespace harrowdale {

inline bool SamePath(std::string_view a, std::string_view b)
{
    return platform::SamePath(a, b);
}

} // namespace harrowdale
