// Loading Windows bitmap files into surfaces of the display's pixel format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/surface.h"

namespace corv {

// Pictures larger than this in either dimension are refused before any pixel memory is spent.
inline constexpr int kMaxBitmapSide = 8192;

// Decodes a BMP (every variant SDL_LoadBMP reads) and converts it to `depth`. False, with *error set,
// when the bytes are not a readable bitmap or its dimensions are absurd.
bool LoadBitmap(std::string_view bytes, int depth, Surface& out, std::string* error);
bool LoadBitmapFile(const std::string& path, int depth, Surface& out, std::string* error);

}  // namespace corv
