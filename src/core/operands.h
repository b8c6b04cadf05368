// The game image as the handlers read it: every read goes through the checked reader of the format
// module, so a position outside the image throws ImageBoundsError instead of reading past it.
#pragma once

#include <cstdint>
#include <string>

#include "core/player.h"
#include "format/image_reader.h"
#include "format/instruction.h"

namespace corv {

inline ImageReader Image(const GameData& game) {
  return ImageReader(game.GameImage);
}

// The instruction at ScriptPosition, which the dispatcher handed to the handler for `opcode`.
inline Instruction CurrentInstruction(const Player& player, uint8_t opcode) {
  return Instruction(Image(player.game), player.script.ScriptPosition, opcode);
}

// Where n bytes of text at position lie, checked as a read of them would be; n <= 0 gives the empty text.
TextSpan TextSpanAt(const GameData& game, int64_t position, int64_t n);
// The text a span names, converted from CP932 as a whole.
std::u32string ReadText(const GameData& game, TextSpan text);

}  // namespace corv
