// Writing game files: the script instruction by instruction through the opcode table, the chains threaded
// and the pools placed behind the script. advc compiles through it and the tests build their games with
// it, so there is one writer of the format.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/game_format.h"
#include "platform/result.h"

namespace corv {

class GameWriter {
 public:
  // The position the next script byte will have.
  int64_t Position() const { return kScriptStart + static_cast<int64_t>(script_.size()); }
  const std::vector<uint8_t>& script() const { return script_; }

  // Bytes as they come, chained to nothing. Values are cut to their low 8, 16 or 32 bits.
  int64_t Byte(int64_t value);
  int64_t Int16(int64_t value);
  int64_t Int32(int64_t value);
  int64_t Raw(std::string_view bytes);

  // The instruction with its operands in the table's order. Returns its position. Throws
  // std::invalid_argument when the count of operands is not the table's.
  int64_t Emit(uint8_t opcode, std::span<const int64_t> operands);
  int64_t Emit(uint8_t opcode, std::initializer_list<int64_t> operands) {
    return Emit(opcode, std::span<const int64_t>(operands.begin(), operands.size()));
  }
  // A label (5), message (130) or option (131) instruction, also threaded into its chain in the order
  // added; its link operand is written by Finish.
  int64_t EmitChained(uint8_t opcode, std::initializer_list<int64_t> operands);

  // Appends text to a pool.
  void AddText(Pool pool, std::string_view bytes) { pools_[static_cast<int>(pool)] += bytes; }

  // Overwrites script bytes written before (a label reference resolved once all labels are known).
  void PatchByte(int64_t position, int64_t value);
  void Patch16(int64_t position, int64_t value);

  // The size Finish will give.
  int64_t FileSize() const;
  // The whole file: the header (magic, pool positions, chain heads), the script, then the pools in the
  // order of their header fields.
  std::vector<uint8_t> Finish() const;

  // Writes a little-endian value at a position (from 1) of an image.
  static void Put16(std::span<uint8_t> image, int64_t position, int64_t value);
  static void Put32(std::span<uint8_t> image, int64_t position, int64_t value);

 private:
  std::vector<uint8_t> script_;
  std::array<std::string, kPoolCount> pools_;
  std::vector<int64_t> labels_, options_, messages_;  // instruction positions, in the order added
};

// Writes a game file through a temporary file and a rename, so that a failure never leaves a
// half-written file behind.
[[nodiscard]] Status WriteGameFile(const std::string& path, std::span<const uint8_t> image);

}  // namespace corv
