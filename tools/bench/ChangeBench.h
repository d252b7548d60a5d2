#pragma once

namespace harrowdale::bench {

/// harrowdale-bench --changes: two scan files of a million-file tree, the second with 1%
/// of the files resized, added or removed; times and memory of harrowdale-scan --compare
/// against reading each file, and the size of a history entry.
int RunChangeBench(int argc, char** argv);

} // namespace harrowdale::bench
