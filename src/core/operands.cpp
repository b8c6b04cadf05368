#include "core/operands.h"

#include <algorithm>
#include <string_view>

#include "platform/text_codec.h"

namespace corv {
namespace {
// Throws unless positions [position, position + count) all lie inside the image (positions from 1).
void CheckRange(const GameData& game, int64_t position, int64_t count) {
  const int64_t size = static_cast<int64_t>(game.GameImage.size());
  if (position < 1) throw ImageBoundsError{position, count};
  if (position + count - 1 > size) throw ImageBoundsError{std::max<int64_t>(position, size + 1), count};
}
}  // namespace

uint8_t ReadByte(const GameData& game, int64_t position) {
  CheckRange(game, position, 1);
  return game.GameImage[position - 1];
}

int32_t ReadInt16(const GameData& game, int64_t position) {
  CheckRange(game, position, 2);
  const uint8_t* p = &game.GameImage[position - 1];
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

int32_t ReadInt32(const GameData& game, int64_t position) {
  CheckRange(game, position, 4);
  const uint8_t* p = &game.GameImage[position - 1];
  if (p[3] == 0xFF) return -1;
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

TextSpan TextSpanAt(const GameData& game, int64_t position, int64_t n) {
  if (n <= 0) return {};
  CheckRange(game, position, n);
  return TextSpan{static_cast<int32_t>(position), static_cast<int32_t>(n)};
}

std::u32string ReadText(const GameData& game, TextSpan text) {
  return ReadText(game, text.position, text.length);
}

std::u32string ReadText(const GameData& game, int64_t position, int64_t n) {
  if (n <= 0) return {};
  CheckRange(game, position, n);
  const char* bytes = reinterpret_cast<const char*>(&game.GameImage[position - 1]);
  return DecodeCp932(std::string_view(bytes, static_cast<size_t>(n)));
}

}  // namespace corv
