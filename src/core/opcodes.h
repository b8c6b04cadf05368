// The one table of instruction facts: for every opcode byte its name, its length and the layout of its
// operands. The interpreter, the option-body skipping, and advc's build, dis and check all read it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace corv {

enum class Operand : uint8_t { kByte, kInt16, kInt32 };

inline constexpr int OperandSize(Operand op) {
  return op == Operand::kByte ? 1 : op == Operand::kInt16 ? 2 : 4;
}

struct OpcodeInfo {
  std::string_view name;  // the mnemonic advc uses; empty for bytes without a handler
  uint8_t length = 1;     // bytes, the opcode included
  uint8_t operand_count = 0;
  std::array<Operand, 8> operands{};
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
constexpr OpcodeInfo Info(std::string_view name, std::initializer_list<Operand> operands) {
  OpcodeInfo info{name, 1, 0, {}};
  for (Operand o : operands) {
    info.operands[info.operand_count++] = o;
    info.length = static_cast<uint8_t>(info.length + OperandSize(o));
  }
  return info;
}

constexpr std::array<OpcodeInfo, 256> BuildOpcodeTable() {
  using enum Operand;
  std::array<OpcodeInfo, 256> t{};
  t[1] = Info("ignore", {kByte, kByte});
  t[2] = Info("define_background", {kInt16, kInt16});
  t[3] = Info("define_music", {kInt16, kInt16});
  t[4] = Info("text_wait", {kByte});
  t[5] = Info("label", {kInt32});
  t[6] = Info("music", {kInt16});
  t[7] = Info("nop", {});
  t[8] = Info("end_option", {});
  t[9] = Info("wait", {});
  t[10] = Info("goto", {kInt16});
  t[11] = Info("text_mode", {kByte});
  t[12] = Info("if", {kInt16, kByte, kInt32, kInt16});
  t[13] = Info("if_pair", {kInt16, kByte, kInt32, kByte, kInt16, kByte, kInt32, kInt16});
  t[14] = Info("calc", {kInt16, kByte, kInt16});
  t[15] = Info("end", {});
  t[16] = Info("define_picture", {kInt16, kInt16});
  t[17] = Info("nop", {});
  t[18] = Info("nop", {});
  t[19] = Info("ignore", {kByte, kByte, kByte});
  t[20] = Info("nop", {});
  t[21] = Info("nop", {});
  t[22] = Info("nop", {});
  t[23] = Info("ignore", {kByte, kByte});
  t[129] = Info("background", {kInt16});
  t[130] = Info("message", {kInt32, kInt16, kInt16});
  t[131] = Info("option", {kInt32, kInt16, kByte, kByte});
  t[136] = Info("nop", {});
  t[137] = Info("layer1", {kInt16});
  t[138] = Info("nop", {});
  t[139] = Info("ignore", {kByte, kByte, kByte});
  t[140] = Info("nop", {});
  t[141] = Info("ignore", {kByte, kByte});
  t[142] = Info("layer3", {kInt16});
  t[255] = Info("end", {});
  for (auto& info : t) {
    if (info.length == 0) info.length = 1;
  }
  return t;
}
}  // namespace detail

inline constexpr std::array<OpcodeInfo, 256> kOpcodes = detail::BuildOpcodeTable();
static_assert(kOpcodes.size() == 256);
static_assert(kOpcodes[13].length == 18 && kOpcodes[12].length == 10 && kOpcodes[14].length == 6);
static_assert(kOpcodes[130].length == 9 && kOpcodes[131].length == 9 && kOpcodes[0].length == 1);

}  // namespace corv
