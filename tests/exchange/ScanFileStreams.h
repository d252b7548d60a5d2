#pragma once

// In-memory byte streams for scan-file tests.

#include "exchange/ByteStreams.h"
#include "support/NativePath.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <zlib.h>

namespace harrowdale::test {

/// Hands out a string in small pieces, so every buffer boundary gets crossed.
class StringSource : public TByteSource
{
public:
    explicit StringSource(std::string_view data, std::size_t piece = 7) : FData(data), FPiece(piece)
    {
    }
    std::size_t Read(char* data, std::size_t size) override
    {
        const std::size_t n = std::min({size, FPiece, FData.size() - FPos});
        std::memcpy(data, FData.data() + FPos, n);
        FPos += n;
        return n;
    }

private:
    std::string_view FData;
    std::size_t FPiece;
    std::size_t FPos = 0;
};

/// A prefix, then `pattern` repeated until `total` bytes have been handed out: inputs of
/// gigabytes without holding them.
class RepeatSource : public TByteSource
{
public:
    RepeatSource(std::string prefix, std::string pattern, std::uint64_t total)
        : FPrefix(std::move(prefix)), FPattern(std::move(pattern)), FLeft(total)
    {
    }
    std::size_t Read(char* data, std::size_t size) override
    {
        std::size_t n = 0;
        while (n < size && FLeft > 0) {
            const std::string& from = FPos < FPrefix.size() ? FPrefix : FPattern;
            const std::size_t at =
                FPos < FPrefix.size() ? FPos : (FPos - FPrefix.size()) % FPattern.size();
            data[n++] = from[at];
            ++FPos;
            --FLeft;
        }
        Served += n;
        return n;
    }
    std::uint64_t Served = 0;

private:
    std::string FPrefix, FPattern;
    std::uint64_t FLeft;
    std::uint64_t FPos = 0;
};

/// A path written with '/' as this system writes it (NativePath), escaped for a JSON string:
/// the root of a scan file of this system.
inline std::string JsonPath(std::string_view slashed)
{
    std::string out;
    for (const char c : NativePath(slashed)) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

/// `text` as one gzip member, as gzip writes it.
inline std::string Gzip(const std::string& text)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

class StringSink : public TByteSink
{
public:
    void Write(const char* data, std::size_t size) override { Data.append(data, size); }
    std::string Data;
};

} // namespace harrowdale::test
