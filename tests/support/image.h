// Reading back the frames the tests look at: the player's PNG shots and the PPM screenshots ImageMagick
// takes of windows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace corv::test {

// Plain 8-bit RGB pixels, three bytes a pixel, rows top to bottom without padding.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  bool operator==(const RgbImage&) const = default;
};

// Reads a non-interlaced 8-bit PNG in RGB, RGBA, grey or grey-alpha (alpha dropped); fails for anything
// else or for damaged data.
Result<RgbImage> DecodePng(std::string_view bytes);
Result<RgbImage> ReadPngFile(const std::string& path);

// Reads the picture in a PNG or binary PPM (P6, maximum 255) file, told apart by their first bytes;
// false when the file is neither or is cut short.
[[nodiscard]] bool ReadImage(const std::filesystem::path& path, RgbImage& out);

}  // namespace corv::test
