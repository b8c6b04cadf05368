// The bundled demo played to its end headless along paths that between them take every option of its
// three choices: the page-text choice at dusk (two options), Hina's question (three) and the night walk
// (walk on, go home). The trace shows which messages each path showed; the branch messages come right
// after their labels.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

// Demo messages by number, counted in the order the scenario writes them:
//  1-3 opening (page text), 4-7 the slope, 8 / 9 / 10 the three answers, 11 / 12 / 13 the random event
//  (the sweet-potato seller, the wind, the crow), 14 home, 15-16 the room, 17 / 18 not studying /
//  studying, 19 the night, 20 the night choice, 21 the park, 22 tired, 23 / 24 the two endings, 25 the end.
constexpr int kRandomEvent = -1;  // one of 11, 12, 13: chance decides

struct Path {
  const char* name;
  int opening_option;  // 0 watch the sunset, 1 go straight home
  int answer_option;   // 0, 1, 2
  int walks;           // times "walk on" is taken before "go home" (3 ends the walk by itself)
  std::vector<int> shown;
};

const Path kPaths[] = {
    {"sunset, fine, walk on three times", 0, 0, 3, {1,  2,  3,  4,  5,  6,  7,  8,  kRandomEvent, 14, 15,
                                                    16, 17, 19, 20, 21, 20, 21, 20, 22,           24, 25}},
    {"straight home, badly, go home",
     1,
     1,
     0,
     {1, 2, 3, 4, 5, 6, 7, 9, kRandomEvent, 14, 15, 16, 18, 19, 20, 23, 25}},
    {"sunset, secret, walk once then home",
     0,
     2,
     1,
     {1, 2, 3, 4, 5, 6, 7, 10, kRandomEvent, 14, 15, 16, 17, 19, 20, 21, 20, 24, 25}},
};

// Messages that stand right after a label: reached by a jump or not, the label runs just before them.
const std::set<int> kAfterLabel = {9, 10, 12, 13, 14, 18, 20, 22, 24};

// Each step lets the text finish typing (30 ms a character), then clicks.
std::string Step(int x, int y) {
  return "wait 4000\nclick " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

// Page text ends at y 300 before the first choice, so its two rows lie at 330 and 360 (26 high); window
// choices of n rows start at 325 - 30 n, one every 30 pixels, 20 high.
std::string EventsFor(const Path& path) {
  std::string e;
  for (int i = 0; i < 6; ++i) e += Step(320, 240);  // two lines in each of the three opening messages
  e += Step(100, 342 + 30 * path.opening_option);
  for (int i = 0; i < 3; ++i) e += Step(320, 240);
  e += Step(200, 235 + 30 * path.answer_option + 9);
  for (int i = 0; i < 7; ++i) e += Step(320, 240);  // answer, chance, home, room, phone, plans, night
  for (int walk = 0; walk < std::min(path.walks, 3); ++walk) {
    e += Step(200, 265 + 9);  // walk on
    e += Step(320, 240);      // the park, or being tired
  }
  if (path.walks < 3) e += Step(200, 295 + 9);  // go home
  e += Step(320, 240);                          // the ending
  e += Step(320, 240);                          // the end
  return e;
}

int Int16At(const std::string& image, int32_t position) {
  return static_cast<uint8_t>(image[position - 1]) | static_cast<uint8_t>(image[position]) << 8;
}

TEST(Demo, EveryOptionOfEveryChoicePlaysToTheEnd) {
  const fs::path demo = fs::path(DEMO_DIR) / "DEMO.ADV";
  ASSERT_TRUE(fs::exists(demo)) << demo;
  const std::string image = ReadFile(demo);
  ScratchFolder folder;
  for (const Path& path : kPaths) {
    SCOPED_TRACE(path.name);
    WriteFile(folder.path() / "events.txt", EventsFor(path));
    const RunResult result = RunPlayer(
        {"--headless", "--events", "events.txt", "--trace", "trace.txt", demo.string()}, folder.path());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err.find("not supported"), std::string::npos) << result.err;

    const std::vector<std::string> trace = ReadLines(folder.path() / "trace.txt");
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), "end");
    std::vector<int> shown;
    for (size_t i = 0; i < trace.size(); ++i) {
      int position = 0, opcode = 0;
      if (std::sscanf(trace[i].c_str(), "%d %d", &position, &opcode) != 2 || opcode != 130) continue;
      ASSERT_LT(position + 6, static_cast<int>(image.size()));
      const int number = Int16At(image, position + 5);
      shown.push_back(number);
      if (kAfterLabel.count(number)) {
        ASSERT_GT(i, 0u);
        EXPECT_EQ(trace[i - 1], std::to_string(position - 5) + " 5") << "message " << number;
      }
    }
    ASSERT_EQ(shown.size(), path.shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
      if (path.shown[i] == kRandomEvent) {
        EXPECT_TRUE(shown[i] >= 11 && shown[i] <= 13) << shown[i];
      } else {
        EXPECT_EQ(shown[i], path.shown[i]) << "message " << i + 1 << " of the path";
      }
    }
  }
}

// --demo plays from the build tree, where saves would be lost to `make clean`: they go to the data folder.
TEST(Demo, SavesGoToTheDataFolder) {
  ScratchFolder folder;
  ScopedEnv data("XDG_DATA_HOME", (folder.path() / "data").string());
  WriteFile(folder.path() / "events.txt", "wait 4000\nrclick 320 400\nclick 300 175\nclick 300 178\nidle\n");
  const RunResult result = RunPlayer({"--headless", "--events", "events.txt", "--demo"}, folder.path());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(fs::is_regular_file(folder.path() / "data/corvalline/DEMO/DEMO1.SAV")) << result.err;
  EXPECT_FALSE(fs::exists(fs::path(DEMO_DIR) / "DEMO1.SAV"));
}

}  // namespace
}  // namespace corv::e2e
