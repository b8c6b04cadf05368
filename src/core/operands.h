// Reading operands from GameImage. These readers are the one place that reads the image: every read is
// checked, and a position outside the image throws ImageBoundsError instead of reading past it.
//
// 16-bit values are read as signed two's-complement numbers (0xFFFF is -1), so that the checks for
// negative variable, label, picture and music numbers have their use. 32-bit values with the top byte
// 0xFF are -1 whatever the other bytes hold (the chain end marker); other values are read as signed
// two's-complement numbers.
#pragma once

#include <cstdint>
#include <string>

#include "core/player.h"

namespace corv {

struct ImageBoundsError {
  int64_t position = 0;  // the first position that lies outside the image
  int64_t count = 0;     // how many bytes were asked for
};

uint8_t ReadByte(const GameData& game, int64_t position);
int32_t ReadInt16(const GameData& game, int64_t position);
int32_t ReadInt32(const GameData& game, int64_t position);
// n bytes of CP932 text at position, converted to Unicode as a whole. n <= 0 gives the empty string.
std::u32string ReadText(const GameData& game, int64_t position, int64_t n);
// Where n bytes of text at position lie, checked as a read of them would be; n <= 0 gives the empty text.
TextSpan TextSpanAt(const GameData& game, int64_t position, int64_t n);
// The text a span names, converted as above.
std::u32string ReadText(const GameData& game, TextSpan text);

}  // namespace corv
