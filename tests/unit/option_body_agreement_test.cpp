// advc check and the player, given the same hostile files, agree on where every option body ends: the
// player's option command moves on to the byte 8 that check's instruction walk also finds at the end of
// the body, and check reports a body without an end marker exactly where the player ends the program for
// that reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "advc/advc.h"
#include "advc/game_file.h"
#include "format/game_writer.h"
#include "test_game.h"

namespace corv {
namespace {

namespace fs = std::filesystem;

// What the player makes of the option at position: the distance it moves on by, 0 when it ends the
// program for want of an end marker, nullopt when it ends the program before looking for one (a broken
// text number or slot, an instruction cut off by the end of the file).
std::optional<int64_t> PlayerSkip(const std::vector<uint8_t>& image, int32_t position) {
  test::TestPlayer t;
  t.player.game.GameImage = image;
  static_cast<void>(BuildTables(t.player));  // a refused file still has its tables sized
  t.player.script.ScriptPosition = position;
  testing::internal::CaptureStderr();
  try {
    const int32_t advance = ExecuteInstruction(t.player, position);
    testing::internal::GetCapturedStderr();
    return advance;
  } catch (const ProgramExit&) {
  } catch (const ImageBoundsError&) {
  }
  const std::string said = testing::internal::GetCapturedStderr();
  return said.find("no end marker") != std::string::npos ? std::optional<int64_t>(0) : std::nullopt;
}

struct Tally {
  int files = 0;
  int options = 0;
  int unreached = 0;  // options the player ends at before skipping their body
};

void CompareOptionBodies(const std::string& name, const std::vector<uint8_t>& image, Tally& tally) {
  SCOPED_TRACE(name);
  ++tally.files;
  const std::vector<std::string> findings = advc::Check(image, "");
  const std::set<std::string> reported(findings.begin(), findings.end());
  const advc::ImageReader file(image);
  const int64_t limit = advc::ScriptLimit(file);
  // The instruction boundaries check walks, from the script's start to where the pools begin.
  std::set<int64_t> boundaries;
  std::vector<int64_t> options;
  for (int64_t p = kScriptStart; p < limit;) {
    const advc::Decoded in = advc::DecodeInstruction(file, p, file.size() + 1);
    if (in.truncated) break;
    boundaries.insert(p);
    if (in.opcode == op::kOption) options.push_back(p);
    p += in.length;
  }
  for (int64_t p : options) {
    const std::optional<int64_t> skip = PlayerSkip(image, static_cast<int32_t>(p));
    ++tally.options;
    if (!skip) {
      ++tally.unreached;
      continue;
    }
    const bool check_says_no_end = reported.count("position " + std::to_string(p) +
                                                  ": the option's body has no end marker before the "
                                                  "end of the file") > 0;
    EXPECT_EQ(check_says_no_end, *skip == 0) << "option at " << p;
    if (*skip == 0) continue;
    // The player lands on a byte 8 that stands at an instruction boundary of a body walked from p + 9.
    const int64_t end = p + *skip;
    EXPECT_EQ(file.Byte(end), op::kEndOption) << "option at " << p;
    int64_t q = p + kOpcodes[op::kOption].length;
    q += advc::DecodeInstruction(file, q, file.size() + 1).length;  // the body's first instruction
    while (q < end && file.Byte(q) != op::kEndOption)
      q += advc::DecodeInstruction(file, q, file.size() + 1).length;
    EXPECT_EQ(q, end) << "option at " << p;
  }
}

// Option bodies at the edges of the file, written through the format's writer with no pools behind them,
// so that the script runs to the file's last byte.
std::vector<std::pair<std::string, std::vector<uint8_t>>> EdgeGames() {
  struct Case {
    const char* name;
    std::vector<int64_t> body;  // the bytes after the option instruction
  };
  const Case cases[] = {
      {"end marker on the last byte", {7, 8}},
      {"body starts with 8, end marker on the last byte", {8, 8}},
      {"last instruction runs past the end", {12, 8, 8}},
      {"no end marker", {7, 7}},
      {"nothing after the option", {}},
      {"an 8 inside an operand, then the end", {14, 8, 0, 1, 8, 0, 8}},
  };
  std::vector<std::pair<std::string, std::vector<uint8_t>>> games;
  for (const Case& c : cases) {
    GameWriter writer;
    writer.AddText(Pool::kChoice, "go");
    writer.EmitChained(op::kOption, {-1, 0, 0, 2});
    for (int64_t b : c.body) writer.Byte(b);
    games.emplace_back(c.name, writer.Finish());
  }
  return games;
}

TEST(OptionBodies, AdvcCheckAndThePlayerAgreeWhereEveryBodyEnds) {
  Tally tally;
  for (const auto& [name, image] : EdgeGames()) CompareOptionBodies(name, image, tally);
  const fs::path data = CORV_TEST_DATA;
  for (const fs::path& folder : {data / "../../fuzz/corpus/game", data / "../../fuzz/corpus/advc_roundtrip",
                                 data / "regressions/game"}) {
    if (!fs::is_directory(folder)) continue;
    for (const auto& entry : fs::directory_iterator(folder)) {
      const std::string bytes = test::ReadFile(entry.path().string());
      CompareOptionBodies(entry.path().filename().string(), std::vector<uint8_t>(bytes.begin(), bytes.end()),
                          tally);
    }
  }
  // The advc sources kept as regressions, as built.
  for (const auto& entry : fs::directory_iterator(data / "regressions/advc_build")) {
    const advc::BuildResult built = advc::Build(test::ReadFile(entry.path().string()), "in.txt");
    if (built.ok) CompareOptionBodies(entry.path().filename().string(), built.image, tally);
  }
  std::printf("option bodies compared: %d files, %d options, %d ended before their body was skipped\n",
              tally.files, tally.options, tally.unreached);
  EXPECT_GT(tally.files, 60);
  EXPECT_GT(tally.options - tally.unreached, 10);
}

}  // namespace
}  // namespace corv
