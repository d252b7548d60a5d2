#include "platform/Paths.h"

namespace harrowdale::platform {

PathStyle NativePathStyle()
{
    return PathStyle::Posix;
}

} // namespace harrowdale::platform
