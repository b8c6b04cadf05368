// Loading Windows bitmap files into surfaces of the display's pixel format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/result.h"
#include "platform/surface.h"

namespace corv {

// Pictures larger than this in either dimension are refused before any pixel memory is spent.
inline constexpr int kMaxBitmapSide = 8192;

// Decodes a BMP (core, OS/2 2.x and Windows headers up to version 5; 1 to 32 bits a pixel; uncompressed,
// RLE4, RLE8 or with colour masks) and converts it to `depth`. Fails when the bytes are not a bitmap, use
// what the player does not read, or claim absurd dimensions.
Result<Surface> LoadBitmap(std::string_view bytes, int depth);
Result<Surface> LoadBitmapFile(const std::string& path, int depth);

}  // namespace corv
