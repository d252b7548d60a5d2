// Which reparse points the scan and removal treat as links. Wine makes neither junctions
// nor symbolic links, so the rule is checked here on the values Windows reports.

#include "platform/win32/Entries.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

TEST(ReparsePoints, OnlyThoseThatNameAnotherPlaceAreLinks)
{
    struct Case
    {
        const char* What;
        DWORD Attributes;
        DWORD Tag;
        bool Link;
    };
    constexpr DWORD kReparse = FILE_ATTRIBUTE_REPARSE_POINT;
    constexpr DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    const Case cases[] = {
        {"symbolic link to a file", kReparse, IO_REPARSE_TAG_SYMLINK, true},
        {"symbolic link to a folder", kFolder, IO_REPARSE_TAG_SYMLINK, true},
        {"junction or mounted volume", kFolder, IO_REPARSE_TAG_MOUNT_POINT, true},
        {"WSL symbolic link", kReparse, 0xA000001D, true}, // IO_REPARSE_TAG_LX_SYMLINK
        // Data of the user's, kept elsewhere by a driver but belonging here.
        {"OneDrive placeholder file", kReparse, 0x9000101A, false}, // IO_REPARSE_TAG_CLOUD_1
        {"OneDrive placeholder folder", kFolder, 0x9000701A, false},
        {"deduplicated file", kReparse, IO_REPARSE_TAG_DEDUP, false},
        {"compressed system file", kReparse, IO_REPARSE_TAG_WOF, false},
        {"app execution alias", kReparse, IO_REPARSE_TAG_APPEXECLINK, false},
        {"Unix socket", kReparse, IO_REPARSE_TAG_AF_UNIX, false},
        // The listing's tag field means nothing without the attribute.
        {"plain folder with a stale tag", FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK, false},
        {"plain file", FILE_ATTRIBUTE_ARCHIVE, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(platform::win32::IsLink(c.Attributes, c.Tag), c.Link);
    }
}

} // namespace
} // namespace harrowdale
