// The running program's own path, from which installed data is found.

#include "platform/Process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace harrowdale {
namespace {

TEST(Process, ExecutablePathNamesThisProgram)
{
    const std::string path = platform::ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/') << path;
    EXPECT_TRUE(path.ends_with("/harrowdale_core_tests")) << path;
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
    EXPECT_TRUE(S_ISREG(st.st_mode)) << "links are resolved: " << path;
}

} // namespace
} // namespace harrowdale
