#include "support/Process.h"

#include <cstdlib>

namespace harrowdale::test {

std::string ScanProgram()
{
    const char* bin = std::getenv("HARROWDALE_SCAN_BIN");
    return bin != nullptr ? bin : "harrowdale-scan";
}

} // namespace harrowdale::test
