// Instructions read through the opcode table: a handler asks for an operand by name and gets its value,
// read through the checked reader; tools decode whole instructions the same way.
#pragma once

#include <cstdint>

#include "format/image_reader.h"
#include "format/opcodes.h"

namespace corv {

class Instruction {
 public:
  // The instruction with the given opcode at position. Nothing is read until an operand is asked for,
  // so an instruction cut off by the end of the image fails only at the operand that lies outside.
  Instruction(const ImageReader& image, int64_t position, uint8_t opcode)
      : image_(image), info_(&kOpcodes[opcode]), position_(position), opcode_(opcode) {}

  int64_t position() const { return position_; }
  uint8_t opcode() const { return opcode_; }
  int length() const { return info_->length; }
  const OpcodeInfo& info() const { return *info_; }
  // Whether all its bytes lie inside the image.
  bool Complete() const { return image_.Has(position_, info_->length); }

  // The operand's value by its encoding: a byte 0 to 255, a signed 16-bit number, or a 32-bit number
  // read as ImageReader::Int32 reads it.
  int32_t operator[](Field field) const { return Value(info_->Find(field)); }
  // The i-th operand's bytes as an unsigned number, the way they are written.
  uint32_t Raw(int i) const { return RawValue(info_->operands[i]); }
  uint32_t Raw(Field field) const { return RawValue(info_->Find(field)); }

 private:
  int32_t Value(const OperandInfo& o) const {
    const int64_t at = position_ + o.offset;
    switch (o.kind) {
      case Operand::kByte:
        return image_.Byte(at);
      case Operand::kInt16:
        return image_.Int16(at);
      case Operand::kInt32:
        return image_.Int32(at);
    }
    return 0;
  }
  uint32_t RawValue(const OperandInfo& o) const {
    const int64_t at = position_ + o.offset;
    return o.kind == Operand::kByte    ? image_.Byte(at)
           : o.kind == Operand::kInt16 ? image_.U16(at)
                                       : image_.U32(at);
  }

  ImageReader image_;  // a view: the image itself must outlive the instruction
  const OpcodeInfo* info_;
  int64_t position_;
  uint8_t opcode_;
};

// The instruction whose opcode byte stands at position (which must lie inside the image).
inline Instruction InstructionAt(const ImageReader& image, int64_t position) {
  return Instruction(image, position, image.Byte(position));
}

// Steps over the body of the option instruction at position: from the instruction after the option's
// own 9 bytes (always stepped over, even when it is itself a byte 8), whole instruction by whole
// instruction, until an instruction boundary holds a byte 8. Returns that end marker's distance from
// position, or 0 when the image ends first. The body ends with the image: every byte looked at lies
// inside it, and a body whose next instruction would start past the last byte has no end marker.
int64_t SkipOptionBody(const ImageReader& image, int64_t position);

}  // namespace corv
