// The running program's own path, from which installed data is found.

#include "platform/FileOps.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "support/Environment.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

TEST(Process, ExecutablePathNamesThisProgram)
{
    const std::string path = platform::ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(platform::IsAbsolutePath(path)) << path;
    const std::string name(platform::LastPathComponent(path));
    EXPECT_EQ(name, test::OnWindows() ? "harrowdale_core_tests.exe" : "harrowdale_core_tests");
    EXPECT_TRUE(platform::PathExists(path)) << path;
    EXPECT_FALSE(platform::DirectoryExists(path)) << path;
}

} // namespace
} // namespace harrowdale
