#include "Png.h"

#include "platform/ByteFile.h"

#include <stdexcept>
#include <string_view>
#include <zlib.h>

namespace harrowdale::cli {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

/// Appends a chunk: length, type, data, and the CRC of type and data.
void PutChunk(std::vector<std::uint8_t>& out, std::string_view type,
              std::span<const std::uint8_t> data)
{
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    PutU32(out, static_cast<std::uint32_t>(crc));
}

} // namespace

bool EncodePng(std::span<const TColor> pixels, int width, int height,
               std::vector<std::uint8_t>& png, std::string& error)
{
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        error = "cannot encode a picture of " + std::to_string(width) + "x" +
                std::to_string(height) + " pixels from " + std::to_string(pixels.size());
        return false;
    }
    // Each row: filter type 0 (none), then red, green, blue of every pixel.
    const std::size_t rowBytes = 1 + static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> raw(rowBytes * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raw.data() + static_cast<std::size_t>(y) * rowBytes;
        *row++ = 0;
        for (int x = 0; x < width; ++x) {
            const TColor c = pixels[static_cast<std::size_t>(y) * width + x];
            *row++ = RedOf(c);
            *row++ = GreenOf(c);
            *row++ = BlueOf(c);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK) {
        error = "cannot compress the picture";
        return false;
    }
    packed.resize(packedSize);

    std::vector<std::uint8_t> header;
    PutU32(header, static_cast<std::uint32_t>(width));
    PutU32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(),
                  {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no filter set, no interlace

    png.clear();
    png.insert(png.end(), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return true;
}

bool WritePng(const std::string& path, std::span<const TColor> pixels, int width, int height,
              std::string& error)
{
    std::vector<std::uint8_t> png;
    if (!EncodePng(pixels, width, height, png, error))
        return false;
    // Replaced whole or not at all; "-" is standard output.
    try {
        platform::TOutputFile out(path);
        out.Write(reinterpret_cast<const char*>(png.data()), png.size());
        out.Commit();
    } catch (const std::runtime_error& e) {
        error = "cannot write " + path + ": " + e.what();
        return false;
    }
    return true;
}

} // namespace harrowdale::cli
