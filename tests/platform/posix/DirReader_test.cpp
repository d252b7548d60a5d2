// Listing a folder reads every entry once, whatever the buffer and however the file
// system marks the end of a listing.

#include "platform/FileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

std::set<std::string> List(const platform::FolderHandle& folder, std::size_t bufferBytes)
{
    std::vector<char> buffer(bufferBytes);
    platform::DirReader reader(buffer);
    reader.Start(folder);
    std::set<std::string> names;
    platform::DirEntry e;
    while (reader.Next(e))
        EXPECT_TRUE(names.emplace(e.Name).second) << "listed twice: " << e.Name;
    EXPECT_FALSE(reader.Failed());
    return names;
}

TEST(DirReader, ListsEveryEntryOnceWhateverTheBufferAndDepth)
{
    struct Case
    {
        int Entries;
        std::size_t BufferBytes;
    };
    // 600 bytes hold a few records, so bigger folders take many reads; 32 KiB is what a
    // scan uses, one read for most folders.
    const Case cases[] = {{0, 600},   {1, 600},   {2, 600},     {300, 600},
                          {0, 32768}, {1, 32768}, {3000, 32768}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Entries) + " entries, buffer " +
                     std::to_string(c.BufferBytes));
        test::TempDir t;
        t.MakeDir("top/sub");
        std::set<std::string> made;
        for (int i = 0; i < c.Entries; ++i) {
            const std::string name = "entry-with-a-longish-name-" + std::to_string(i);
            if (i % 7 == 3)
                t.MakeDir("top/sub/" + name);
            else
                t.MakeFile("top/sub/" + name, i);
            made.insert(name);
        }

        platform::FolderHandle root, sub;
        ASSERT_EQ(platform::OpenScanRoot(t / "top", root), platform::OpenResult::Opened);
        EXPECT_EQ(List(root, c.BufferBytes), std::set<std::string>{"sub"});
        ASSERT_EQ(platform::OpenSubfolder(root, "sub", sub), platform::OpenResult::Opened);
        EXPECT_EQ(List(sub, c.BufferBytes), made);
    }
}

} // namespace
} // namespace harrowdale
