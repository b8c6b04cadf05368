#include "script/interpreter.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "format/instruction.h"
#include "scratch_folder.h"
#include "test_game.h"

namespace corv {
namespace {

using test::GameBuilder;
using test::TestPlayer;

// Runs the script with a trace and returns the trace's lines.
std::string RunTraced(TestPlayer& t, int* status = nullptr) {
  test::ScratchFolder folder;
  const std::string path = folder.str() + "trace.txt";
  {
    Trace trace(path);
    t.player.trace = &trace;
    const int s = t.Run();
    if (status) *status = s;
    t.player.trace = nullptr;
  }
  return test::ReadFile(path);
}

TEST(ExecuteInstruction, NoActionOpcodesAdvanceByTheirLength) {
  struct Case {
    std::vector<uint8_t> bytes;
    int advance;
  };
  const Case cases[] = {{{0}, 1},         {{7}, 1},
                        {{8}, 1},         {{17}, 1},
                        {{18}, 1},        {{20}, 1},
                        {{21}, 1},        {{22}, 1},
                        {{136}, 1},       {{138}, 1},
                        {{140}, 1},       {{200}, 1},
                        {{1, 9, 9}, 3},   {{19, 9, 9, 9}, 4},
                        {{23, 9, 9}, 3},  {{139, 9, 9, 9}, 4},
                        {{141, 9, 9}, 3}, {{5, 0, 0, 0, 0}, 5}};
  for (const Case& c : cases) {
    TestPlayer t;
    GameBuilder b;
    const int32_t at = b.Position();
    for (uint8_t byte : c.bytes) b.Bytes({byte});
    b.End();
    ASSERT_TRUE(t.Load(b.Build()));
    t.player.script.ScriptPosition = at;
    EXPECT_EQ(ExecuteInstruction(t.player, at), c.advance) << "opcode " << int(c.bytes[0]);
  }
}

TEST(RunScript, TextSettingsTakeTheirOperandAndSkipIt) {
  GameBuilder b;
  b.Bytes({11, 15});  // the operand 15 would end the program if it were executed
  b.Bytes({4, 255});
  b.Bytes({7});
  b.End();
  TestPlayer t;
  ASSERT_TRUE(t.Load(b.Build()));
  EXPECT_EQ(RunTraced(t), "37 11\n39 4\n41 7\n42 255\nend\n");
  EXPECT_EQ(t.player.script.TextMode, 15);
  EXPECT_EQ(t.player.script.TextWait, 255);
}

TEST(RunScript, EndsAtTheEndOfTheFileOrAtAnEndCommand) {
  struct Case {
    const char* name;
    std::vector<uint8_t> script;
    const char* trace;
  };
  const Case cases[] = {
      {"a file of exactly 37 bytes runs nothing", {7}, "end\n"},
      {"255 at position 37", {255, 7, 7}, "37 255\nend\n"},
      {"15 at position 37", {15, 7, 7}, "37 15\nend\n"},
      // The byte at ScriptEnd (here a 7) is never executed.
      {"the last byte never runs", {7, 7}, "37 7\nend\n"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> image = GameBuilder().Build();
    image.resize(36);
    image.insert(image.end(), c.script.begin(), c.script.end());
    TestPlayer t;
    ASSERT_TRUE(t.Load(image)) << c.name;
    int status = -1;
    EXPECT_EQ(RunTraced(t, &status), c.trace) << c.name;
    EXPECT_EQ(status, 0) << c.name;
  }
}

TEST(RunScript, TraceOfACountdownLoop) {
  // v0 = 3; label 1; v0 = v0 - 1; if v0 > 0 goto 1; end. Positions: 37 calc (6 bytes), 43 label
  // (5), 48 calc (6), 54 if (10), 64 end.
  GameBuilder b;
  b.Calc(0, 1, 3);
  b.Label();
  b.Calc(0, 3, 1);
  b.If(0, 2, 0, 1);
  b.End();
  TestPlayer t;
  ASSERT_TRUE(t.Load(b.Build()));
  EXPECT_EQ(RunTraced(t),
            "37 14 v0=3\n"
            "43 5\n48 14 v0=2\n54 12\n"
            "43 5\n48 14 v0=1\n54 12\n"
            "43 5\n48 14 v0=0\n54 12\n"
            "64 255\nend\n");
}

TEST(RunScript, TakenJumpsContinueAtTheLabelInstruction) {
  // Each jump skips a "v1 = 99" and lands on label 1, which is then executed (5 bytes) before "v2 = 1".
  struct Case {
    const char* name;
    std::function<void(GameBuilder&)> jump;
  };
  const Case cases[] = {
      {"goto", [](GameBuilder& b) { b.Goto(1); }},
      {"if equal", [](GameBuilder& b) { b.If(0, 1, 0, 1); }},
      {"if pair, neither", [](GameBuilder& b) { b.IfPair(0, 1, 5, 3, 0, 2, 0, 1); }},
  };
  for (const Case& c : cases) {
    GameBuilder b;
    c.jump(b);
    b.Calc(1, 1, 99);
    const int32_t label = b.Label();
    b.Calc(2, 1, 1);
    b.End();
    TestPlayer t;
    ASSERT_TRUE(t.Load(b.Build()));
    const std::string trace = RunTraced(t);
    EXPECT_EQ(t.player.script.Variables[1], 0) << c.name;
    EXPECT_EQ(t.player.script.Variables[2], 1) << c.name;
    EXPECT_EQ(trace.substr(trace.find('\n') + 1, 30), std::to_string(label) + " 5\n" +
                                                          std::to_string(label + 5) + " 14 v2=1\n" +
                                                          std::to_string(label + 11) + " 255\nend\n")
        << c.name << ": " << trace;
  }
}

TEST(SkipOptionBody, FindsTheEndMarkerAtAnInstructionBoundary) {
  struct Case {
    const char* name;
    std::vector<uint8_t> body;  // the bytes after the 9-byte option instruction
    int32_t distance;           // 0: no end marker
  };
  const Case cases[] = {
      {"one-byte body", {7, 8}, 10},
      {"an 8 inside an operand of opcode 13",
       {13, 8, 0, 1, 8, 0, 0, 0, 8, 8, 0, 1, 8, 0, 0, 0, 8, 0, 8},
       9 + 18},
      {"an 8 inside opcode 14's operand", {14, 8, 0, 1, 8, 0, 8}, 15},
      {"a body that starts with 8 steps over it", {8, 7, 8}, 11},
      {"a body with no end", {7, 7, 7}, 0},
      {"a body whose last instruction runs past the end", {12, 8, 8}, 0},
      {"nothing after the option", {}, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> image(36, 0);
    const int32_t at = 37;
    image.insert(image.end(), {131, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    image.insert(image.end(), c.body.begin(), c.body.end());
    EXPECT_EQ(SkipOptionBody(ImageReader(image), at), c.distance) << c.name;
  }
}

TEST(RunScript, OptionRegistersItsChoiceAndSkipsToTheEndMarker) {
  GameBuilder b;
  const int32_t option = b.Option(4, 2, "go");
  b.Calc(1, 1, 8);  // the body: v1 = 8, whose bytes hold an 8
  const int32_t marker = b.Bytes({8});
  b.End();
  TestPlayer t;
  ASSERT_TRUE(t.Load(b.Build()));
  EXPECT_EQ(RunTraced(t), std::to_string(option) + " 131\n" + std::to_string(marker) + " 8\n" +
                              std::to_string(marker + 1) + " 255\nend\n");
  EXPECT_EQ(t.player.choices.Choices[2].Text, U"go");
  EXPECT_EQ(t.player.choices.Choices[2].Position, option + 9);
  EXPECT_EQ(t.player.script.Variables[1], 0);
}

TEST(RunScript, BrokenReferencesEndTheProgramNamingThePosition) {
  struct Case {
    const char* name;
    std::function<void(GameBuilder&)> script;
    const char* message;
  };
  const Case cases[] = {
      {"goto label 0", [](GameBuilder& b) { b.Goto(0); }, "label number 0"},
      {"goto label -1", [](GameBuilder& b) { b.Goto(-1); }, "label number -1"},
      {"goto label 10001", [](GameBuilder& b) { b.Goto(10001); }, "label number 10001"},
      {"goto the terminator", [](GameBuilder& b) { b.Goto(2); }, "entry is -1"},
      {"goto an unfilled entry", [](GameBuilder& b) { b.Goto(5); }, "entry is 0"},
      {"if on variable 10001", [](GameBuilder& b) { b.If(10001, 1, 0, 1); }, "variable number 10001"},
      {"if on variable -1", [](GameBuilder& b) { b.If(-1, 1, 0, 1); }, "variable number -1"},
      {"if with label -1, not taken", [](GameBuilder& b) { b.If(0, 1, 5, -1); }, "label number -1"},
      {"if pair, second variable -2", [](GameBuilder& b) { b.IfPair(0, 1, 0, 1, -2, 1, 0, 1); },
       "variable number -2"},
      {"calc on variable 10001", [](GameBuilder& b) { b.Calc(10001, 1, 1); }, "variable number 10001"},
      {"option without end", [](GameBuilder& b) { b.Option(0, 0, "x"); }, "no end marker"},
      {"option in slot 6",
       [](GameBuilder& b) {
         b.Bytes({131, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 6, 0, 7, 8});
       },
       "slot 6"},
      {"truncated last instruction",
       [](GameBuilder& b) {
         b.Bytes({12, 0, 0, 1});
       },
       "reads position"},
  };
  for (const Case& c : cases) {
    GameBuilder b;
    const int32_t at = b.Position();
    c.script(b);
    b.Label();  // label 1 exists; entry 2 is the terminator
    const int32_t after = b.Calc(3, 1, 1);
    std::vector<uint8_t> image = b.Build();
    if (std::string(c.name) == "truncated last instruction") {
      image.resize(at + 3);  // the script ends inside the instruction; no labels, no pools
      GameBuilder::Put32(image, 25, -1);
    }
    TestPlayer t;
    ASSERT_TRUE(t.Load(image)) << c.name;
    testing::internal::CaptureStderr();
    int status = -1;
    const std::string trace = RunTraced(t, &status);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 0) << c.name;
    EXPECT_NE(err.find("position " + std::to_string(at) + ": "), std::string::npos) << c.name << ": " << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ": " << err;
    EXPECT_EQ(trace.substr(trace.size() - 4), "end\n") << c.name;
    EXPECT_EQ(trace.find(std::to_string(after) + " 14"), std::string::npos) << c.name << " ran on";
    EXPECT_EQ(t.player.script.Variables[3], 0) << c.name;
  }
}

TEST(RunScript, AJumpToALabelOutsideTheFileEnds) {
  GameBuilder b;
  b.Label();
  const int32_t jump = b.Goto(1);
  b.End();
  TestPlayer t;
  ASSERT_TRUE(t.Load(b.Build()));
  for (int32_t link : {1, t.player.game.ScriptEnd + 2, 0x7FFFFFFF}) {
    t.player.game.LabelTable[1] = link;  // as a 10000th label's unchecked link could be
    testing::internal::CaptureStderr();
    EXPECT_EQ(t.Run(), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("position " + std::to_string(jump)), std::string::npos) << link << ": " << err;
  }
}

}  // namespace
}  // namespace corv
