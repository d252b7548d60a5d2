// A translation file's name taken by something that is not a regular file is never read:
// a FIFO or a device would block or flood the start-up.

#include "i18n/Translation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale {
namespace {

TEST(TranslationFiles, FifosAndDevicesAreNeverRead)
{
    test::TempDir dir;
    const std::string good = dir / "good.dt";
    test::WriteFileBytes(good, "2\nEnglish\nDeutsch\nen\nde\nScan\nScannen\n");
    const std::string fifo = dir / "fifo.dt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = dir.MakeLink("/dev/zero", "zero.dt");
    ::alarm(60); // a read that blocks would otherwise hang the run
    for (const std::string& first : {fifo, zero}) {
        SCOPED_TRACE(first);
        TTranslation t;
        const std::vector<std::string> candidates{first, good};
        EXPECT_TRUE(t.Load("de", std::nullopt, candidates));
        EXPECT_EQ(t.LoadedPath(), good);
    }
    ::alarm(0);
}

} // namespace
} // namespace harrowdale
