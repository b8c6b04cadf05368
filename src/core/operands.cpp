#include "core/operands.h"

namespace corv {

TextSpan TextSpanAt(const GameData& game, int64_t position, int64_t n) {
  if (n <= 0) return {};
  Image(game).Bytes(position, n);  // throws when the text does not lie inside the image
  return TextSpan{static_cast<int32_t>(position), static_cast<int32_t>(n)};
}

std::u32string ReadText(const GameData& game, TextSpan text) {
  return Image(game).Text(text.position, text.length);
}

}  // namespace corv
