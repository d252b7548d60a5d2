// The executable's path has its links resolved, so data beside the real file is found
// when the program is started through a link.

#include "platform/Process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace harrowdale {
namespace {

TEST(Process, ExecutablePathHasItsLinksResolved)
{
    const std::string path = platform::ExecutablePath();
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
    EXPECT_TRUE(S_ISREG(st.st_mode)) << "links are resolved: " << path;
}

} // namespace
} // namespace harrowdale
