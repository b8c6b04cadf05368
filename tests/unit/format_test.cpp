// The game format module: the checked reader's numbers and bounds, the operands' places in the opcode
// table, and the writer's checks.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "format/game_writer.h"
#include "format/image_reader.h"
#include "format/instruction.h"

namespace corv {
namespace {

TEST(ImageReader, ReadsLittleEndianNumbers) {
  struct Case {
    std::vector<uint8_t> bytes;
    int32_t int16;  // of the first two bytes
    int32_t int32;  // of all four
  };
  const Case cases[] = {
      {{0x34, 0x12, 0x00, 0x00}, 4660, 4660},   {{0xFF, 0x7F, 0x00, 0x00}, 32767, 32767},
      {{0x00, 0x00, 0x00, 0x00}, 0, 0},         {{0x78, 0x56, 0x34, 0x12}, 0x5678, 305419896},
      {{0x01, 0x00, 0x00, 0xFF}, 1, -1},  // a top byte 0xFF is the end marker, whatever the rest
      {{0xFF, 0xFF, 0xFF, 0xFF}, -1, -1},       {{0x00, 0x80, 0x00, 0x00}, -32768, 32768},
      {{0x00, 0x00, 0x00, 0x80}, 0, INT32_MIN},
  };
  for (const Case& c : cases) {
    const ImageReader image(c.bytes);
    EXPECT_EQ(image.Int16(1), c.int16);
    EXPECT_EQ(image.Int32(1), c.int32);
  }
}

TEST(ImageReader, RefusesEveryReadThatReachesOutsideTheImage) {
  const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
  const ImageReader image(bytes);
  struct Case {
    int64_t position;
    int64_t count;
    int64_t reported;  // the first position outside
  };
  const Case cases[] = {{0, 1, 0}, {-3, 2, -3}, {5, 2, 6},
                        {3, 4, 6}, {6, 1, 6},   {INT64_MAX - 1, 4, INT64_MAX - 1}};
  for (const Case& c : cases) {
    EXPECT_FALSE(image.Has(c.position, c.count)) << c.position;
    try {
      static_cast<void>(image.Bytes(c.position, c.count));
      ADD_FAILURE() << "read " << c.count << " bytes at " << c.position;
    } catch (const ImageBoundsError& e) {
      EXPECT_EQ(e.position, c.reported) << c.position;
    }
  }
  EXPECT_EQ(image.Int32(2), 0x05040302);
  EXPECT_EQ(image.Byte(5), 5);
}

TEST(OpcodeTable, OperandsStandWhereTheInstructionSetPutsThem) {
  struct Case {
    uint8_t opcode;
    Field field;
    int offset;
  };
  const Case cases[] = {
      {op::kDefineMusic, Field::kLength, 3},
      {op::kTextWait, Field::kWait, 1},
      {op::kGoto, Field::kLabel, 1},
      {op::kIfGoto, Field::kConstant, 4},
      {op::kIfGoto, Field::kLabel, 8},
      {op::kIfPairGoto, Field::kConnective, 8},
      {op::kIfPairGoto, Field::kVariable2, 9},
      {op::kIfPairGoto, Field::kOperator2, 11},
      {op::kIfPairGoto, Field::kConstant2, 12},
      {op::kIfPairGoto, Field::kLabel, 16},
      {op::kCalc, Field::kOperation, 3},
      {op::kCalc, Field::kOperand, 4},
      {op::kMessage, Field::kNumber, 5},
      {op::kMessage, Field::kLength, 7},
      {op::kOption, Field::kSlot, 7},
      {op::kOption, Field::kLength, 8},
      {op::kLayer3, Field::kNumber, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kOpcodes[c.opcode].Find(c.field).offset, c.offset) << "opcode " << int{c.opcode};
  }
  EXPECT_THROW(kOpcodes[op::kGoto].Find(Field::kVariable), std::logic_error);
}

TEST(GameWriter, WritesOperandsByTheTableAndRefusesAWrongCount) {
  GameWriter writer;
  const int64_t at = writer.Emit(op::kIfPairGoto, {7, 1, -1, 2, 9, 3, 0x12345678, 4});
  EXPECT_THROW(writer.Emit(op::kCalc, {1, 2}), std::invalid_argument);
  EXPECT_THROW(writer.EmitChained(op::kGoto, {1}), std::invalid_argument);
  const std::vector<uint8_t> image = writer.Finish();
  const Instruction in = InstructionAt(ImageReader(image), at);
  EXPECT_EQ(in[Field::kVariable], 7);
  EXPECT_EQ(in[Field::kConstant], -1);
  EXPECT_EQ(in[Field::kConstant2], 0x12345678);
  EXPECT_EQ(in[Field::kLabel], 4);
  EXPECT_EQ(static_cast<int64_t>(image.size()), kHeaderSize + 18);
}

}  // namespace
}  // namespace corv
