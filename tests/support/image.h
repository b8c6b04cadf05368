// Reading back the frames the tests look at: the player's PNG shots and the PPM screenshots ImageMagick
// takes of windows.
#pragma once

#include <filesystem>

#include "platform/png.h"

namespace corv::test {

// Reads the picture in a PNG or binary PPM (P6, maximum 255) file, told apart by their first bytes;
// false when the file is neither or is cut short.
[[nodiscard]] bool ReadImage(const std::filesystem::path& path, RgbImage& out);

}  // namespace corv::test
