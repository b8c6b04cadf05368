// Reading a game file for the disassembler and the checker: bounds-checked little-endian fields, the
// header layout, instruction decoding from the opcode table, and the skipping of an option's body.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/opcodes.h"

namespace advc {

// Positions count from 1 (position p is file offset p - 1), as inside the file.
inline constexpr int64_t kHeaderSize = 36;
inline constexpr int64_t kScriptStart = 37;

// Header fields (positions).
inline constexpr int64_t kPicturePoolField = 5;
inline constexpr int64_t kBackgroundPoolField = 9;
inline constexpr int64_t kMusicPoolField = 13;
inline constexpr int64_t kChoicePoolField = 17;
inline constexpr int64_t kMessagePoolField = 21;
inline constexpr int64_t kLabelChainField = 25;
inline constexpr int64_t kOptionChainField = 29;
inline constexpr int64_t kMessageChainField = 33;

// The limits of the tables the player fills from a file.
inline constexpr int kMaxLabels = 10000;
inline constexpr int kMaxMessages = 10000;  // message numbers 0..10000, at most 10000 loaded
inline constexpr int kMaxChoiceNumber = 50000;
inline constexpr int kMaxOptions = 50000;
inline constexpr int kMaxSlot = 5;
inline constexpr int kMaxNameNumber = 1000;
inline constexpr int kMaxVariable = 10000;

class GameFile {
 public:
  explicit GameFile(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  int64_t size() const { return static_cast<int64_t>(bytes_.size()); }
  // Whether the count bytes from position lie inside the file.
  bool Has(int64_t position, int64_t count) const {
    return position >= 1 && count >= 0 && position - 1 + count <= size();
  }
  // Callers check Has first.
  uint8_t Byte(int64_t position) const { return bytes_[static_cast<size_t>(position - 1)]; }
  uint32_t U16(int64_t position) const { return Byte(position) | (Byte(position + 1) << 8); }
  uint32_t U32(int64_t position) const {
    return U16(position) | (static_cast<uint32_t>(U16(position + 2)) << 16);
  }
  // A 16-bit number as the player reads it: two's complement, so 0xFFFF is -1.
  int32_t Int16(int64_t position) const { return static_cast<int16_t>(U16(position)); }
  // A 32-bit number as the player reads it: a top byte 0xFF is -1 (the chain end), others two's complement.
  int32_t Int32(int64_t position) const {
    return Byte(position + 3) == 0xFF ? -1 : static_cast<int32_t>(U32(position));
  }
  std::string Bytes(int64_t position, int64_t count) const {
    return std::string(bytes_.begin() + (position - 1), bytes_.begin() + (position - 1 + count));
  }

 private:
  const std::vector<uint8_t>& bytes_;
};

// One decoded instruction. operands hold the raw unsigned values in the layout of the opcode table.
struct Instruction {
  int64_t position = 0;
  uint8_t opcode = 0;
  int length = 1;
  bool truncated = false;  // the instruction runs past the limit it was decoded against
  std::array<uint32_t, 8> operands{};
};

// Decodes the instruction at position; it is truncated when it would reach limit (an exclusive position).
Instruction DecodeInstruction(const GameFile& file, int64_t position, int64_t limit);

// Steps over the body of the option instruction at position the way the player does: from distance 9,
// always over at least one instruction, until an end marker (byte 8) stands at an instruction start.
// Returns the distance of that end marker, or 0 when the file ends first.
int64_t SkipOptionBody(const GameFile& file, int64_t position);

// The first position after the script: the lowest pool position that points into the file behind the
// header, or the end of the file + 1.
int64_t ScriptLimit(const GameFile& file);

}  // namespace advc
