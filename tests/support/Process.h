#pragma once

// Running a program from a test, without a shell: every argument reaches the program
// exactly as given, on Linux as bytes and on Windows through the wide command line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale::test {

struct ProgramRun
{
    int Status = -1; ///< the exit status; -1 when the program could not run or did not end
    std::string Out;
    std::string Err;
};

/// Runs `program` with `args`, `input` on its standard input, in the folder `workingDir`
/// (empty: this process's), and returns what it wrote to standard output and standard
/// error.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      std::string_view input = {}, const std::string& workingDir = {});

/// How often `needle` occurs in `hay` (what a program wrote), not overlapping.
inline std::size_t Occurrences(std::string_view hay, std::string_view needle)
{
    std::size_t n = 0;
    for (std::size_t at = hay.find(needle); at != std::string_view::npos;
         at = hay.find(needle, at + needle.size()))
        ++n;
    return n;
}

/// The harrowdale-scan the tests run: $HARROWDALE_SCAN_BIN, set by the test runner.
std::string ScanProgram();

} // namespace harrowdale::test
