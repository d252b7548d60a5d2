// "All Drives" from crafted mount tables: which mounts are drives of their own.

#include "platform/posix/MountInfo.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

bool AnyFolderExists(const std::string&)
{
    return true;
}

TEST(Drives, MountInfoFieldsAreDecoded)
{
    const auto mounts = platform::ParseMountInfo(
        "36 25 0:30 /@home/my\\040files /mnt/with\\040blank rw,relatime shared:1 - btrfs "
        "/dev/sda2 rw\n"
        "garbage line\n"
        "37 25 8:17 / /media/usb rw - vfat /dev/sdb1 rw");
    ASSERT_EQ(mounts.size(), 2u);
    EXPECT_EQ(mounts[0].MountId, 36u);
    EXPECT_EQ(mounts[0].Device, "0:30");
    EXPECT_EQ(mounts[0].Root, "/@home/my files");
    EXPECT_EQ(mounts[0].MountPoint, "/mnt/with blank");
    EXPECT_EQ(mounts[0].FsType, "btrfs");
    EXPECT_EQ(mounts[1].MountId, 37u);
    EXPECT_EQ(mounts[1].Root, "/");
}

TEST(Drives, EachPartOfAFileSystemIsOneDrive)
{
    struct Case
    {
        const char* What;
        const char* Root;
        const char* MountPoint;
        const char* Device;
        const char* FsType;
        bool Drive;
    };
    // In mount order.
    const Case cases[] = {
        {"btrfs subvolume on /", "/@", "/", "0:30", "btrfs", true},
        {"a second subvolume of the same device", "/@home", "/home", "0:30", "btrfs", true},
        {"a bind mount of a subfolder", "/@/srv/data", "/mnt/data", "0:30", "btrfs", false},
        {"a second mount of the same root", "/@", "/mnt/again", "0:30", "btrfs", false},
        {"a bind mount inside the second subvolume", "/@home/alice/x", "/mnt/x", "0:30", "btrfs",
         false},
        {"a name that only starts like a chosen root", "/@home2", "/srv/home2", "0:30", "btrfs",
         true},
        {"a removable disk", "/", "/media/usb", "8:17", "vfat", true},
        {"memory", "/", "/tmp", "0:31", "tmpfs", false},
        {"a whole file system", "/", "/data", "254:0", "ext4", true},
        {"a bind mount of its folder", "/var/lib", "/srv/lib", "254:0", "ext4", false},
        {"a subfolder mounted before its file system's root", "/part", "/part", "254:1", "xfs",
         true},
        {"then the root of that file system", "/", "/whole", "254:1", "xfs", true},
    };
    std::string text;
    int id = 20;
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        text += std::to_string(id++) + " 1 " + c.Device + " " + c.Root + " " + c.MountPoint +
                " rw,relatime - " + c.FsType + " /dev/x rw\n";
        if (c.Drive)
            expected.push_back(c.MountPoint);
    }
    const auto mounts = platform::ParseMountInfo(text);
    ASSERT_EQ(mounts.size(), std::size(cases));
    EXPECT_EQ(platform::SelectDriveRoots(mounts, &AnyFolderExists), expected);
}

} // namespace
} // namespace harrowdale
