#include "script/control_flow.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "test_game.h"

namespace corv {
namespace {

using test::GameBuilder;
using test::TestPlayer;

TEST(CompareValue, OperatorsCompareSigned) {
  struct Case {
    int32_t value;
    uint8_t op;
    int32_t constant;
    bool result;
  };
  const Case cases[] = {{5, 1, 5, true},   {5, 1, 6, false}, {6, 2, 5, true},  {5, 2, 5, false},
                        {-1, 2, 0, false}, {-1, 3, 0, true}, {5, 3, 5, false}, {5, 4, 6, true},
                        {5, 4, 5, false},  {5, 0, 5, false}, {5, 5, 5, false}, {5, 255, 5, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(CompareValue(c.value, c.op, c.constant), c.result)
        << c.value << " op " << int(c.op) << " " << c.constant;
  }
}

TEST(Calculate, OperationsWrapRoundAndGuardDivision) {
  struct Case {
    int32_t value;
    uint8_t operation;
    int32_t x;
    int32_t result;
  };
  const Case cases[] = {
      {9, 1, -4, -4},
      {2, 2, 3, 5},
      {INT_MAX, 2, 1, INT_MIN},  // sums wrap modulo 2^32
      {2, 3, 5, -3},
      {INT_MIN, 3, 1, INT_MAX},
      {-6, 4, 7, -42},
      {65536, 4, 32767, 2147418112},
      {131072, 4, 16384, INT_MIN},  // 2^31 wraps to -2^31
      {5, 5, 2, 2},                 // 2.5 rounds to the even 2
      {7, 5, 2, 4},                 // 3.5 rounds to the even 4
      {-5, 5, 2, -2},
      {-3, 5, 2, -2},  // -1.5 to -2
      {1, 5, 2, 0},
      {7, 5, 3, 2},
      {8, 5, 3, 3},
      {5, 5, -2, -2},
      {9, 5, 0, 9},               // division by zero leaves the value
      {INT_MIN, 5, -1, INT_MIN},  // 2^31 wraps
      {INT_MAX, 5, 1, INT_MAX},
      {7, 6, 2, 3},
      {-7, 6, 2, -3},  // truncated toward zero
      {9, 6, 0, 9},
      {INT_MIN, 6, -1, INT_MIN},
      {3, 0, 9, 3},  // operations outside the table keep the value
      {3, 8, 9, 3},
      {3, 255, 9, 3},
  };
  std::mt19937 random(1);
  for (const Case& c : cases) {
    EXPECT_EQ(Calculate(c.value, c.operation, c.x, random), c.result)
        << c.value << " op " << int(c.operation) << " " << c.x;
  }
}

TEST(Calculate, RandomStaysInOneToX) {
  struct Case {
    int32_t x;
    int32_t low, high;
  };
  const Case cases[] = {{6, 1, 6}, {1, 1, 1}, {0, 1, 1}, {32767, 1, 32767}, {-3, -2, 1}};
  std::mt19937 random(12345);
  for (const Case& c : cases) {
    std::set<int32_t> seen;
    for (int i = 0; i < 3000; ++i) {
      const int32_t r = Calculate(77, 7, c.x, random);
      ASSERT_GE(r, c.low) << "x " << c.x;
      ASSERT_LE(r, c.high) << "x " << c.x;
      seen.insert(r);
    }
    if (c.x >= 1 && c.x < 10) {  // every value of a small range turns up
      EXPECT_EQ(seen.size(), static_cast<size_t>(c.high - c.low + 1)) << "x " << c.x;
    }
  }
}

TEST(IfPairGoto, ConnectivesCombineBothComparisons) {
  struct Case {
    bool r1, r2;
    uint8_t connective;
    bool jumps;
  };
  const Case cases[] = {{true, true, 1, true},   {true, false, 1, false}, {false, false, 1, false},
                        {true, false, 2, true},  {false, true, 2, true},  {false, false, 2, false},
                        {false, false, 3, true}, {true, false, 3, false}, {false, true, 3, false},
                        {true, true, 0, false},  {true, true, 4, false},  {false, false, 9, false}};
  for (const Case& c : cases) {
    // v1 = 1, v2 = 2; each comparison is "equal to" a constant that makes it true or false.
    GameBuilder b;
    b.Calc(1, 1, 1);
    b.Calc(2, 1, 2);
    const int32_t at = b.IfPair(1, 1, c.r1 ? 1 : 0, c.connective, 2, 1, c.r2 ? 2 : 0, 1);
    const int32_t label = b.Label();
    b.End();
    TestPlayer t;
    ASSERT_TRUE(t.Load(b.Build()));
    t.player.script.Variables[1] = 1;
    t.player.script.Variables[2] = 2;
    t.player.script.ScriptPosition = at;
    EXPECT_EQ(IfPairGoto(t.player), c.jumps) << c.r1 << c.r2 << " connective " << int(c.connective);
    EXPECT_EQ(t.player.script.ScriptPosition, c.jumps ? label : at);
  }
}

TEST(CalcVariable, SeededRandomReplaysTheSameNumbers) {
  // The headless clock seeds the generator, so two loads at the same tick draw the same numbers.
  GameBuilder b;
  for (int v = 0; v < 5; ++v) b.Calc(static_cast<int16_t>(v), 7, 1000);
  b.End();
  TestPlayer first, second;
  ASSERT_TRUE(first.Load(b.Build()));
  ASSERT_TRUE(second.Load(b.Build()));
  first.Run();
  second.Run();
  for (int v = 0; v < 5; ++v) {
    EXPECT_EQ(first.player.script.Variables[v], second.player.script.Variables[v]);
    EXPECT_GE(first.player.script.Variables[v], 1);
    EXPECT_LE(first.player.script.Variables[v], 1000);
  }
}

}  // namespace
}  // namespace corv
