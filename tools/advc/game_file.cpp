#include "advc/game_file.h"

#include <algorithm>

namespace advc {

uint32_t Decoded::operator[](corv::Field field) const {
  const corv::OpcodeInfo& info = corv::kOpcodes[opcode];
  return operands[&info.Find(field) - info.operands.data()];
}

Decoded DecodeInstruction(const ImageReader& file, int64_t position, int64_t limit) {
  const corv::Instruction in = corv::InstructionAt(file, position);
  Decoded decoded{position, in.opcode(), in.length()};
  if (position + in.length() > limit || !in.Complete()) {
    decoded.truncated = true;
    return decoded;
  }
  for (int i = 0; i < in.info().operand_count; ++i) decoded.operands[i] = in.Raw(i);
  return decoded;
}

int64_t ScriptLimit(const ImageReader& file) {
  int64_t limit = file.size() + 1;
  if (!file.Has(1, corv::kHeaderSize)) return limit;
  for (int p = 0; p < corv::kPoolCount; ++p) {
    const int64_t start = file.U32(corv::PoolField(static_cast<corv::Pool>(p)));
    if (start >= corv::kScriptStart && start <= file.size()) limit = std::min(limit, start);
  }
  return limit;
}

}  // namespace advc
