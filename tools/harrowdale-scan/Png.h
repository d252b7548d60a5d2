#pragma once

// A minimal PNG writer: 8-bit RGB, one IDAT chunk deflated by zlib.

#include "treemap/Colors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace harrowdale::cli {

/// The PNG file of a `width` x `height` picture given row by row from the top, one
/// TColor (red in the low byte) per pixel. Returns false with `error` set when the
/// picture cannot be encoded.
bool EncodePng(std::span<const TColor> pixels, int width, int height,
               std::vector<std::uint8_t>& png, std::string& error);

/// Encodes the picture and writes it to `path`, replacing the file. Returns false with
/// `error` set when it cannot.
bool WritePng(const std::string& path, std::span<const TColor> pixels, int width, int height,
              std::string& error);

} // namespace harrowdale::cli
