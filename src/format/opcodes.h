// The one table of instruction facts: for every opcode byte its name, its length and its operands by
// name, kind and offset. The interpreter's handlers, the option-body skipping, and advc's build, dis and
// check all read it; nothing else knows an instruction's layout.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string_view>

namespace corv {

// How an operand is encoded: one unsigned byte, or a 16- or 32-bit little-endian number.
enum class Operand : uint8_t { kByte, kInt16, kInt32 };

inline constexpr int OperandSize(Operand kind) {
  return kind == Operand::kByte ? 1 : kind == Operand::kInt16 ? 2 : 4;
}

// What an operand means. A handler asks for its operands by these names.
enum class Field : uint8_t {
  kIgnored,     // read by nobody
  kLink,        // the chain link of a label, message or option
  kNumber,      // a name, picture, music, message or choice text number
  kLength,      // a name's or text's length in bytes
  kWait,        // milliseconds per character
  kMode,        // the text mode
  kLabel,       // a label number
  kVariable,    // the (first) variable number
  kOperator,    // the (first) comparison operator
  kConstant,    // the (first) comparison constant
  kConnective,  // how two comparisons combine
  kVariable2,
  kOperator2,
  kConstant2,
  kOperation,  // the arithmetic operation
  kOperand,    // the arithmetic operand
  kSlot,       // an option's slot, 0 to 5
};
inline constexpr int kFieldCount = static_cast<int>(Field::kSlot) + 1;

struct OperandInfo {
  Field field = Field::kIgnored;
  Operand kind = Operand::kByte;
  uint8_t offset = 0;  // from the opcode byte
};

inline constexpr int kMaxOperands = 8;

struct OpcodeInfo {
  std::string_view name;  // the mnemonic advc uses; empty for bytes without a handler
  uint8_t length = 1;     // bytes, the opcode included
  uint8_t operand_count = 0;
  std::array<OperandInfo, kMaxOperands> operands{};
  std::array<int8_t, kFieldCount> index_of{};  // the operand of each name, -1 for none: one look-up

  // The operand of that name; asking for one the instruction does not have is a programming error.
  constexpr const OperandInfo& Find(Field field) const {
    const int i = index_of[static_cast<int>(field)];
    if (i < 0) throw std::logic_error("the instruction has no such operand");
    return operands[i];
  }
};

namespace op {
inline constexpr uint8_t kIgnore2 = 1;
inline constexpr uint8_t kDefineBackground = 2;
inline constexpr uint8_t kDefineMusic = 3;
inline constexpr uint8_t kTextWait = 4;
inline constexpr uint8_t kLabel = 5;
inline constexpr uint8_t kMusic = 6;
inline constexpr uint8_t kNop7 = 7;
inline constexpr uint8_t kEndOption = 8;
inline constexpr uint8_t kWaitChoice = 9;
inline constexpr uint8_t kGoto = 10;
inline constexpr uint8_t kTextMode = 11;
inline constexpr uint8_t kIfGoto = 12;
inline constexpr uint8_t kIfPairGoto = 13;
inline constexpr uint8_t kCalc = 14;
inline constexpr uint8_t kEnd = 15;
inline constexpr uint8_t kDefinePicture = 16;
inline constexpr uint8_t kIgnore3 = 19;
inline constexpr uint8_t kIgnore2b = 23;
inline constexpr uint8_t kBackground = 129;
inline constexpr uint8_t kMessage = 130;
inline constexpr uint8_t kOption = 131;
inline constexpr uint8_t kLayer1 = 137;
inline constexpr uint8_t kIgnore3b = 139;
inline constexpr uint8_t kIgnore2c = 141;
inline constexpr uint8_t kLayer3 = 142;
inline constexpr uint8_t kEndProgram = 255;
}  // namespace op

namespace detail {
// One operand as the table names it: which field, and how it is stored.
struct FieldOperand {
  Field field;
  Operand kind;
};

constexpr OpcodeInfo Info(std::string_view name, std::initializer_list<FieldOperand> operands) {
  OpcodeInfo info{name, 1, 0, {}, {}};
  info.index_of.fill(-1);
  for (FieldOperand o : operands) {
    info.index_of[static_cast<int>(o.field)] = static_cast<int8_t>(info.operand_count);
    info.operands[info.operand_count++] = OperandInfo{o.field, o.kind, info.length};
    info.length = static_cast<uint8_t>(info.length + OperandSize(o.kind));
  }
  return info;
}

constexpr std::array<OpcodeInfo, 256> BuildOpcodeTable() {
  using enum Operand;
  using enum Field;
  constexpr FieldOperand kSkip{kIgnored, kByte};
  std::array<OpcodeInfo, 256> t{};
  for (OpcodeInfo& info : t) info = Info("", {});
  t[op::kIgnore2] = Info("ignore", {kSkip, kSkip});
  t[op::kDefineBackground] = Info("define_background", {{kNumber, kInt16}, {kLength, kInt16}});
  t[op::kDefineMusic] = Info("define_music", {{kNumber, kInt16}, {kLength, kInt16}});
  t[op::kTextWait] = Info("text_wait", {{kWait, kByte}});
  t[op::kLabel] = Info("label", {{kLink, kInt32}});
  t[op::kMusic] = Info("music", {{kNumber, kInt16}});
  t[op::kNop7] = Info("nop", {});
  t[op::kEndOption] = Info("end_option", {});
  t[op::kWaitChoice] = Info("wait", {});
  t[op::kGoto] = Info("goto", {{kLabel, kInt16}});
  t[op::kTextMode] = Info("text_mode", {{kMode, kByte}});
  t[op::kIfGoto] =
      Info("if", {{kVariable, kInt16}, {kOperator, kByte}, {kConstant, kInt32}, {kLabel, kInt16}});
  t[op::kIfPairGoto] = Info("if_pair", {{kVariable, kInt16},
                                        {kOperator, kByte},
                                        {kConstant, kInt32},
                                        {kConnective, kByte},
                                        {kVariable2, kInt16},
                                        {kOperator2, kByte},
                                        {kConstant2, kInt32},
                                        {kLabel, kInt16}});
  t[op::kCalc] = Info("calc", {{kVariable, kInt16}, {kOperation, kByte}, {kOperand, kInt16}});
  t[op::kEnd] = Info("end", {});
  t[op::kDefinePicture] = Info("define_picture", {{kNumber, kInt16}, {kLength, kInt16}});
  for (int b : {17, 18, 20, 21, 22, 136, 138, 140}) t[b] = Info("nop", {});
  t[op::kIgnore3] = Info("ignore", {kSkip, kSkip, kSkip});
  t[op::kIgnore2b] = Info("ignore", {kSkip, kSkip});
  t[op::kBackground] = Info("background", {{kNumber, kInt16}});
  t[op::kMessage] = Info("message", {{kLink, kInt32}, {kNumber, kInt16}, {kLength, kInt16}});
  t[op::kOption] = Info("option", {{kLink, kInt32}, {kNumber, kInt16}, {kSlot, kByte}, {kLength, kByte}});
  t[op::kLayer1] = Info("layer1", {{kNumber, kInt16}});
  t[op::kIgnore3b] = Info("ignore", {kSkip, kSkip, kSkip});
  t[op::kIgnore2c] = Info("ignore", {kSkip, kSkip});
  t[op::kLayer3] = Info("layer3", {{kNumber, kInt16}});
  t[op::kEndProgram] = Info("end", {});
  return t;
}
}  // namespace detail

inline constexpr std::array<OpcodeInfo, 256> kOpcodes = detail::BuildOpcodeTable();
static_assert(kOpcodes.size() == 256, "one entry for every byte value");
static_assert(kOpcodes[op::kIfPairGoto].length == 18 && kOpcodes[op::kIfGoto].length == 10 &&
              kOpcodes[op::kCalc].length == 6);
static_assert(kOpcodes[op::kMessage].length == 9 && kOpcodes[op::kOption].length == 9 &&
              kOpcodes[0].length == 1);
static_assert(kOpcodes[op::kIfPairGoto].Find(Field::kConstant2).offset == 12);
static_assert(kOpcodes[op::kOption].Find(Field::kSlot).offset == 7);

}  // namespace corv
