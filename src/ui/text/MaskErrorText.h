#pragma once

// The message of a malformed exclusion mask, in the user's language: the mask as typed
// (made visible as a path is) and the character where it goes wrong. Qt-free.

#include "scan/Mask.h"

#include <string>

namespace harrowdale {

/// "The mask "[abc" is not valid: the "[" at character 1 is never closed."
std::string MaskErrorText(const EMaskException& error);

} // namespace harrowdale
