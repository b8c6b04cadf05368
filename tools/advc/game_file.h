// What the disassembler and the checker need beyond the format module: instructions decoded whole, with
// their operands' bytes as written, and where the script ends.
#pragma once

#include <array>
#include <cstdint>

#include "format/game_format.h"
#include "format/image_reader.h"
#include "format/instruction.h"

namespace advc {

using corv::ImageReader;

// One instruction decoded through the opcode table. operands hold the raw unsigned values in the
// table's order.
struct Decoded {
  int64_t position = 0;
  uint8_t opcode = 0;
  int length = 1;
  bool truncated = false;  // the instruction runs past the limit it was decoded against
  std::array<uint32_t, corv::kMaxOperands> operands{};

  // An operand by name.
  uint32_t operator[](corv::Field field) const;
};

// Decodes the instruction at position; it is truncated when it would reach limit (an exclusive position)
// or run past the end of the file.
Decoded DecodeInstruction(const ImageReader& file, int64_t position, int64_t limit);

// The first position after the script: the lowest pool position that points into the file behind the
// header, or the end of the file + 1.
int64_t ScriptLimit(const ImageReader& file);

}  // namespace advc
