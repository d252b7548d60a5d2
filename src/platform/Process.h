#pragma once

// Facts about the running program that only the OS knows.

#include <string>

namespace harrowdale::platform {

/// Absolute path of the running executable with links resolved, so that data shipped
/// beside it (or under ../share) is found wherever the program was installed or moved;
/// empty when the OS cannot say.
std::string ExecutablePath();

} // namespace harrowdale::platform
