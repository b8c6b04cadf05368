// PNG files of frames: a frame written as a non-interlaced 8-bit RGB picture, for screenshots and the
// shots of scripted runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/result.h"
#include "platform/surface.h"

namespace corv {

// The frame as PNG bytes: 16-bit channels widened by bit replication, 24 and 32 bits as they are.
std::vector<uint8_t> EncodePng(const Surface& frame);
// Written as WriteFileAtomically writes.
Status WritePngFile(const std::string& path, const Surface& frame);

}  // namespace corv
