#include "advc/game_file.h"

#include <algorithm>

namespace advc {

Instruction DecodeInstruction(const GameFile& file, int64_t position, int64_t limit) {
  Instruction in;
  in.position = position;
  in.opcode = file.Byte(position);
  const corv::OpcodeInfo& info = corv::kOpcodes[in.opcode];
  in.length = info.length;
  if (position + in.length > limit || !file.Has(position, in.length)) {
    in.truncated = true;
    return in;
  }
  int64_t at = position + 1;
  for (int i = 0; i < info.operand_count; ++i) {
    switch (info.operands[i]) {
      case corv::Operand::kByte:
        in.operands[i] = file.Byte(at);
        break;
      case corv::Operand::kInt16:
        in.operands[i] = file.U16(at);
        break;
      case corv::Operand::kInt32:
        in.operands[i] = file.U32(at);
        break;
    }
    at += corv::OperandSize(info.operands[i]);
  }
  return in;
}

int64_t SkipOptionBody(const GameFile& file, int64_t position) {
  int64_t d = 9;
  while (true) {
    if (position + d > file.size()) return 0;
    d += corv::kOpcodes[file.Byte(position + d)].length;
    if (position + d > file.size()) return 0;
    if (file.Byte(position + d) == corv::op::kEndOption) return d;
  }
}

int64_t ScriptLimit(const GameFile& file) {
  int64_t limit = file.size() + 1;
  if (!file.Has(1, kHeaderSize)) return limit;
  for (int64_t field :
       {kPicturePoolField, kBackgroundPoolField, kMusicPoolField, kChoicePoolField, kMessagePoolField}) {
    const int64_t p = file.U32(field);
    if (p >= kScriptStart && p <= file.size()) limit = std::min(limit, p);
  }
  return limit;
}

}  // namespace advc
