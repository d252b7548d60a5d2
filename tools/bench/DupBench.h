#pragma once

// harrowdale-bench --duplicates: grouping duplicates by content against jdupes, fdupes
// and rmlint, on /usr/share and on a generated tree with known duplicates.

namespace harrowdale::bench {

/// Runs the benchmark with the arguments after --duplicates; returns the exit status.
int RunDuplicatesBench(int argc, char** argv);

} // namespace harrowdale::bench
