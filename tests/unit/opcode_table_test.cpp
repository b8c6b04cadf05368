#include <gtest/gtest.h>

#include "format/opcodes.h"

namespace corv {
namespace {

TEST(OpcodeTable, LengthsMatchTheInstructionSet) {
  struct Case {
    int opcode;
    int length;
  };
  const Case cases[] = {{1, 3},   {2, 5},   {3, 5},   {16, 5},  {4, 2},   {5, 5},   {6, 3},
                        {9, 1},   {10, 3},  {11, 2},  {12, 10}, {13, 18}, {14, 6},  {15, 1},
                        {19, 4},  {21, 1},  {22, 1},  {23, 3},  {129, 3}, {130, 9}, {131, 9},
                        {137, 3}, {138, 1}, {139, 4}, {141, 3}, {142, 3}, {255, 1}};
  for (const Case& c : cases) EXPECT_EQ(kOpcodes[c.opcode].length, c.length) << "opcode " << c.opcode;
}

TEST(OpcodeTable, BytesWithoutHandlerAreOneByte) {
  for (int b : {0, 7, 8, 17, 18, 20, 24, 100, 128, 132, 136, 140, 143, 200, 254}) {
    EXPECT_EQ(kOpcodes[b].length, 1) << "byte " << b;
  }
}

}  // namespace
}  // namespace corv
