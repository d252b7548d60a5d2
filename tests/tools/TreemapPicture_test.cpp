// harrowdale-scan --treemap: a well-formed PNG of the requested size for every kind, and
// a clear error when the picture cannot be written.

#include "support/Process.h"
#include "support/TempDir.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

/// Runs harrowdale-scan with `args`; returns its exit code and puts its stderr in `err`.
int RunScan(std::vector<std::string> args, std::string& err)
{
    args.insert(args.begin(), "--no-progress");
    const test::ProgramRun run = test::RunProgram(test::ScanProgram(), args);
    err = run.Err;
    return run.Status;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    const std::string bytes = test::ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
           std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// CRC-32 of PNG chunks (ISO 3309), bit by bit: slow, but independent of the writer's.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t n)
{
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= data[i];
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

TEST(TreemapPicture, WritesAWellFormedPngOfEveryKind)
{
    test::TempDir tree, scratch;
    tree.MakeDir("a/b");
    tree.MakeFile("a/b/same.txt", 4000);
    tree.MakeFile("same.txt", 4000);
    tree.MakeFile("a/big.bin", 90000);
    tree.MakeFile("small", 10);

    for (const char* kind : {"files", "nested", "folders", "duplicates"}) {
        SCOPED_TRACE(kind);
        const std::string png = scratch / (std::string(kind) + ".png");
        std::string err;
        ASSERT_EQ(RunScan({"--treemap", kind, "--size", "64x48", "--png", png, tree.Path()}, err),
                  0)
            << err;
        const std::vector<std::uint8_t> b = ReadBytes(png);
        const std::array<std::uint8_t, 8> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        ASSERT_GT(b.size(), 8u);
        ASSERT_TRUE(std::equal(signature.begin(), signature.end(), b.begin()));
        std::vector<std::string> chunks;
        for (std::size_t at = 8; at + 12 <= b.size();) {
            const std::uint32_t length = BigEndian32(b, at);
            ASSERT_LE(at + 12 + length, b.size());
            chunks.emplace_back(b.begin() + at + 4, b.begin() + at + 8);
            EXPECT_EQ(BigEndian32(b, at + 8 + length), Crc32(&b[at + 4], length + 4))
                << chunks.back();
            at += 12 + length;
        }
        EXPECT_EQ(chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
        EXPECT_EQ(BigEndian32(b, 16), 64u); // width
        EXPECT_EQ(BigEndian32(b, 20), 48u); // height
        EXPECT_EQ(b[24], 8);                // bits per channel
        EXPECT_EQ(b[25], 2);                // RGB
    }
}

TEST(TreemapPicture, AnUnwritableFileIsAClearError)
{
    test::TempDir tree, scratch;
    tree.MakeFile("f", 10);
    std::string err;
    const std::string png = scratch / "no such folder/t.png";
    EXPECT_EQ(RunScan({"--treemap", "files", "--size", "20x10", "--png", png, tree.Path()}, err),
              1);
    EXPECT_NE(err.find("cannot write"), std::string::npos) << err;
    EXPECT_NE(err.find("t.png"), std::string::npos) << err;
}

} // namespace
} // namespace harrowdale
