// The player's foundation, seen from outside: a game compiled by advc that only computes and jumps runs
// to its end and leaves exactly the trace worked out by hand below; and the exit statuses and messages
// of the ways a run can end before the game starts.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

// Every comparison operator and connective both ways, each arithmetic operation, rounding and truncating
// division, a loop and a random number. The comments give each instruction's position: the script starts
// at 37; a calculation takes 6 bytes, an if 10, an if with a connective 18, a label 5, an end 1. Nothing
// follows the script, so the file ends with its last byte.
constexpr char kComputing[] = R"(v1 = 7                      # 37
v1 /= 2                     # 43: 3.5 rounds to the even 4
v2 = 5                      # 49
v2 /= 2                     # 55: 2.5 rounds to the even 2
v3 = 7                      # 61
v3 //= 2                    # 67: 3
v4 = 0                      # 73
v4 -= 7                     # 79: -7
v4 //= 2                    # 85: -3.5 truncates to -3
v5 = 6                      # 91
v5 *= 7                     # 97: 42
v5 += 100                   # 103: 142
v6 = random 6               # 109: 1 to 6
if v6 < 1 goto bad          # 115
if v6 > 6 goto bad          # 125
if v6 > 0 goto first        # 135: taken
bad:                        # 145
end                         # 150
first:                      # 151
if v1 == 4 goto second      # 156: taken
end                         # 166
second:                     # 167
if v2 > 2 goto bad          # 172
if v2 != 2 goto bad         # 182
if v4 < -1 goto third       # 192: taken
end                         # 202
third:                      # 203
if v3 == 3 and v5 == 142 goto fourth   # 208: taken
end                                    # 226
fourth:                                # 227
if v3 == 3 and v5 == 141 goto bad      # 232
if v3 == 4 or v5 != 142 goto bad       # 250
if v3 == 4 or v5 == 142 goto fifth     # 268: taken
end                                    # 286
fifth:                                 # 287
if v1 == 4 nor v2 == 0 goto bad        # 292
if v1 > 4 nor v2 < 2 goto loop         # 310: taken
end                                    # 328
loop:                       # 329
v7 += 1                     # 334
if v7 < 3 goto loop         # 340: taken twice
v8 = 0                      # 350
v8 -= 5                     # 356
v8 /= 2                     # 362: -2.5 rounds to the even -2
v9 = 11                     # 368
v9 /= 4                     # 374: 2.75 rounds to 3
if v9 >= 3 goto sixth       # 380: taken
end                         # 390
sixth:                      # 391
if v9 <= 2 goto bad         # 396
end                         # 406
raw 7                       # 407: the file's last byte, which is never run
)";

// The trace of that game, line by line; the random line is checked apart.
const char* const kExpectedTrace[] = {
    "37 14 v1=7",   "43 14 v1=4",   "49 14 v2=5",  "55 14 v2=2", "61 14 v3=7",  "67 14 v3=3",
    "73 14 v4=0",   "79 14 v4=-7",  "85 14 v4=-3", "91 14 v5=6", "97 14 v5=42", "103 14 v5=142",
    "109 14 v6=?",  "115 12",       "125 12",      "135 12",     "151 5",       "156 12",
    "167 5",        "172 12",       "182 12",      "192 12",     "203 5",       "208 13",
    "227 5",        "232 13",       "250 13",      "268 13",     "287 5",       "292 13",
    "310 13",       "329 5",        "334 14 v7=1", "340 12",     "329 5",       "334 14 v7=2",
    "340 12",       "329 5",        "334 14 v7=3", "340 12",     "350 14 v8=0", "356 14 v8=-5",
    "362 14 v8=-2", "368 14 v9=11", "374 14 v9=3", "380 12",     "391 5",       "396 12",
    "406 15",       "end",
};

TEST(Foundation, ComputingGameRunsToItsEndWithTheTraceWorkedOutByHand) {
  ScratchFolder folder;
  BuildGame(kComputing, folder.path() / "CALC.ADV");
  if (HasFatalFailure()) return;
  // Several runs: the random number differs, the rest of the trace does not.
  for (int run = 0; run < 3; ++run) {
    const RunResult result = RunPlayer({"--headless", "--trace", "trace.txt", "CALC.ADV"}, folder.path());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> trace = ReadLines(folder.path() / "trace.txt");
    ASSERT_EQ(trace.size(), std::size(kExpectedTrace));
    for (size_t i = 0; i < trace.size(); ++i) {
      const std::string expected = kExpectedTrace[i];
      if (expected == "109 14 v6=?") {
        EXPECT_TRUE(std::regex_match(trace[i], std::regex("109 14 v6=[1-6]"))) << trace[i];
      } else {
        EXPECT_EQ(trace[i], expected) << "line " << i + 1;
      }
    }
  }
}

std::string Le32(int32_t v) {
  std::string b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  return b;
}

// A header with the given magic and message chain head, then one end instruction at position 37.
std::string Header(const std::string& magic, int32_t message_chain) {
  std::string b = magic;
  for (int i = 0; i < 5; ++i) b += Le32(38);  // the five pools, all empty, after the script
  b += Le32(-1) + Le32(-1) + Le32(message_chain);
  return b + "\xFF";
}

// A game that never ends: label 1 at position 37, then a jump back to it.
std::string EndlessLoop() {
  std::string b = "CRVL";
  for (int i = 0; i < 5; ++i) b += Le32(45);
  b += Le32(38) + Le32(-1) + Le32(-1);
  return b + std::string("\x05\xFF\xFF\xFF\xFF\x0A\x01\x00", 8);
}

// A game that ends at once, followed by `count` messages of 32767 bytes of text each: the loader reads
// every one of them.
std::string GameOfText(int count) {
  std::string b = "CRVL";
  const int32_t pool = 38 + 9 * count;
  for (int i = 0; i < 5; ++i) b += Le32(pool);
  b += Le32(-1) + Le32(-1) + Le32(39);
  b += '\x0F';  // end, at 37
  for (int i = 0; i < count; ++i) {
    const int32_t next_link = i + 1 < count ? 39 + 9 * (i + 1) : -1;
    b += '\x82' + Le32(next_link) + Le32(i).substr(0, 2) + Le32(32767).substr(0, 2);
  }
  for (int i = 0; i < count; ++i) b += std::string(32767, static_cast<char>('a' + i % 26));
  return b;
}

// Converted all at once, a file of text would cost five times its size; the player stays under twice.
TEST(Foundation, AGameFileOfTextCostsUnderTwiceItsSize) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' own memory would be measured too";
  ScratchFolder folder;
  WriteFile(folder.path() / "SMALL.ADV", Header("CRVL", -1));
  const std::string text = GameOfText(2048);  // 64 MiB
  WriteFile(folder.path() / "TEXT.ADV", text);
  const RunResult small = RunPlayer({"--headless", "SMALL.ADV"}, folder.path());
  const RunResult large = RunPlayer({"--headless", "TEXT.ADV"}, folder.path());
  ASSERT_EQ(small.status, 0) << small.err;
  ASSERT_EQ(large.status, 0) << large.err;
  EXPECT_LT((large.max_rss_kb - small.max_rss_kb) * 1024, 2 * static_cast<long>(text.size()));
}

TEST(Foundation, ExitStatusesAndMessagesOfRunsThatEndBeforeTheGame) {
  ScratchFolder folder;
  struct Case {
    const char* name;
    std::vector<std::string> args;  // after --headless
    std::string file;               // written as GAME.ADV but in the missing file case
    int status;
    std::vector<std::string> in_stderr;  // texts the error output must hold
    size_t stderr_lines;                 // how many lines it has (0: not checked)
  };
  const Case cases[] = {
      {"orderly end at once", {"GAME.ADV"}, Header("CRVL", -1), 0, {}, 0},
      {"no magic", {"GAME.ADV"}, Header("CRVX", -1), 1, {"このファイルは実行できません。"}, 0},
      {"empty file", {"GAME.ADV"}, std::string("\0", 0) + "", 1, {"このファイルは実行できません。"}, 0},
      // The message chain's head names position 999 of a 37-byte file: the instruction at 998.
      {"load failure", {"GAME.ADV"}, Header("CRVL", 999), 1, {"GAME.ADV", "message", "998"}, 1},
      {"header cut short", {"GAME.ADV"}, std::string("CRVL") + Le32(38), 1, {"GAME.ADV", "8 bytes"}, 1},
      {"missing file", {"NONE.ADV"}, "", 1, {"NONE.ADV"}, 0},
      {"unknown option", {"--colour", "GAME.ADV"}, Header("CRVL", -1), 2, {"--colour"}, 0},
      {"bad depth", {"--depth", "15", "GAME.ADV"}, Header("CRVL", -1), 2, {"--depth"}, 0},
      {"depth without a value", {"GAME.ADV", "--depth"}, Header("CRVL", -1), 2, {"--depth"}, 0},
      {"events file that is a folder", {"--events", ".", "GAME.ADV"}, Header("CRVL", -1), 2, {"folder"}, 1},
      {"events from a device that never ends",
       {"--events", "/dev/zero", "GAME.ADV"},
       Header("CRVL", -1),
       2,
       {"/dev/zero"},
       1},
      {"trace that cannot be written at the end",
       {"--trace", "/dev/full", "GAME.ADV"},
       Header("CRVL", -1),
       1,
       {"/dev/full: cannot write the trace file"},
       1},
      {"trace that cannot be written while the game runs on",
       {"--trace", "/dev/full", "GAME.ADV"},
       EndlessLoop(),
       1,
       {"/dev/full: cannot write the trace file"},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ec;
    fs::remove(folder.path() / "GAME.ADV", ec);
    if (std::string(c.name) != "missing file") WriteFile(folder.path() / "GAME.ADV", c.file);
    std::vector<std::string> args = {"--headless"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult result = RunPlayer(args, folder.path(), std::chrono::seconds(60));
    EXPECT_EQ(result.status, c.status) << result.err;
    for (const std::string& text : c.in_stderr)
      EXPECT_NE(result.err.find(text), std::string::npos) << result.err;
    if (c.stderr_lines) {
      EXPECT_EQ(SplitLines(result.err).size(), c.stderr_lines) << result.err;
    }
    if (c.status == 0) {
      EXPECT_EQ(result.err, "");
    }
  }
}

}  // namespace
}  // namespace corv::e2e
