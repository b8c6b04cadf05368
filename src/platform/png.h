// PNG files of frames: writing a frame as an 8-bit RGB picture (screenshots of scripted runs), and
// reading such pictures back into plain RGB bytes (to compare screenshots).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "platform/surface.h"

namespace corv {

// Plain 8-bit RGB pixels, three bytes a pixel, rows top to bottom without padding.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  bool operator==(const RgbImage&) const = default;
};

// The frame's pixels as 8-bit RGB: 16-bit channels widened by bit replication, 24 and 32 bits as they are.
RgbImage FrameToRgb(const Surface& frame);

// A non-interlaced 8-bit RGB PNG of the image.
std::vector<uint8_t> EncodePng(const RgbImage& image);
// Written as WriteFileAtomically writes.
Status WritePngFile(const std::string& path, const RgbImage& image);

// Reads a non-interlaced 8-bit PNG in RGB, RGBA, grey or grey-alpha (alpha dropped); fails for anything
// else or for damaged data.
Result<RgbImage> DecodePng(std::string_view bytes);
Result<RgbImage> ReadPngFile(const std::string& path);

}  // namespace corv
