#include "platform/Paths.h"

namespace harrowdale::platform {

PathStyle NativePathStyle()
{
    return PathStyle::Windows;
}

} // namespace harrowdale::platform
