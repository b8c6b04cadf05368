// Saving and loading through the real player: a game built with advc is played headless from an events
// file, saved at a choice, played on, and loaded again in a second run of the program; the trace shows
// the game going on from the same instruction with the same variables. Slot files that are damaged, cut
// off or saved by another game are refused and leave the game as it was.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "advc/advc.h"
#include "e2e_support.h"

namespace {

namespace fs = std::filesystem;

// v1 is 5 at the first choice (two options, in window text) and grows by 10 after it: a load that did not
// restore it would show 25.
constexpr char kFirstChoice[] = R"(
text_mode window
text_wait 0
v1 = 5
message "一つ目の文。"
choice {
  option "はい" {
    v2 = 1
    goto next
  }
  option "いいえ" {
    v2 = 2
    goto next
  }
}
wait
next:
v1 += 10
message "二つ目の文。"
)";

const std::string kScenario = std::string(kFirstChoice) + R"(choice {
  option "終わり" {
    end
  }
}
wait
)";

void WriteText(const std::string& path, const std::string& text) {
  corv::e2e::WriteFile(path, text);
}
using corv::e2e::ReadLines;

// Runs the player headless on the game with an events file, in the game's folder; returns its exit
// status.
int Play(const std::string& game, const std::string& events, const std::string& trace,
         const std::vector<std::string>& extra = {}) {
  std::vector<std::string> args{"--headless", "--events", events, "--trace", trace};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(game);
  return corv::e2e::RunPlayer(args, fs::path(game).parent_path()).status;
}

class SaveAndLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    const advc::BuildResult built = advc::Build(kScenario, "story.txt");
    ASSERT_TRUE(built.ok) << (built.errors.empty() ? "" : built.errors[0].ToString());
    game_ = folder_ / "STORY.ADV";
    std::ofstream(game_, std::ios::binary)
        .write(reinterpret_cast<const char*>(built.image.data()),
               static_cast<std::streamsize>(built.image.size()));
  }

  // Run 1: at the first choice, save into slot 1 through the menu, then take "はい".
  std::vector<std::string> PlaySavingAtTheChoice(const std::vector<std::string>& extra = {}) {
    WriteText(folder_ / "save.events",
              "idle\nrclick 320 400\nidle\nclick 300 170\nidle\nclick 300 175\nidle\nclick 300 270\n");
    EXPECT_EQ(Play(game_, folder_ / "save.events", folder_ / "save.trace", extra), 0);
    return ReadLines(folder_ / "save.trace");
  }

  // Run 2, a new process: take "いいえ", reach the second wait, load slot 1, take "はい".
  std::vector<std::string> PlayLoadingLater(const std::vector<std::string>& extra = {}) {
    WriteText(folder_ / "load.events",
              "idle\nclick 300 300\nidle\nrclick 320 400\nidle\nclick 300 200\nidle\nclick 300 175\nidle\n"
              "click 300 270\n");
    EXPECT_EQ(Play(game_, folder_ / "load.events", folder_ / "load.trace", extra), 0);
    return ReadLines(folder_ / "load.trace");
  }

  corv::e2e::ScratchFolder folder_;
  std::string game_;
};

// The lines from the first opcode 9 on: where the save was made.
std::vector<std::string> FromTheFirstChoice(const std::vector<std::string>& trace) {
  for (size_t i = 0; i < trace.size(); ++i) {
    if (trace[i].size() > 2 && trace[i].ends_with(" 9"))
      return {trace.begin() + static_cast<long>(i), trace.end()};
  }
  return {};
}

TEST_F(SaveAndLoad, LoadingInANewRunResumesAtTheSameChoiceWithTheSameVariables) {
  const std::vector<std::string> first = PlaySavingAtTheChoice();
  ASSERT_TRUE(fs::is_regular_file(folder_ / "STORY1.SAV"));
  const std::vector<std::string> after_save = FromTheFirstChoice(first);
  ASSERT_FALSE(after_save.empty());
  // The first run, after the choice: v2 = 1, then v1 = 15.
  std::ostringstream joined;
  for (const auto& line : after_save) joined << line << "\n";
  EXPECT_NE(joined.str().find("v2=1\n"), std::string::npos) << joined.str();
  EXPECT_NE(joined.str().find("v1=15\n"), std::string::npos) << joined.str();

  const std::vector<std::string> second = PlayLoadingLater();
  // Before the load the second run took "いいえ" (v2 = 2, v1 = 15); after it, the trace goes on exactly as
  // the first run did from the saved choice.
  std::ostringstream all;
  for (const auto& line : second) all << line << "\n";
  EXPECT_NE(all.str().find("v2=2\n"), std::string::npos) << all.str();
  ASSERT_GE(second.size(), after_save.size());
  const std::vector<std::string> tail(second.end() - static_cast<long>(after_save.size()), second.end());
  EXPECT_EQ(tail, after_save) << all.str();
}

TEST_F(SaveAndLoad, SaveDirHoldsTheSlotFiles) {
  const std::string saves = folder_ / "saves";
  fs::create_directory(saves);
  PlaySavingAtTheChoice({"--save-dir", saves});
  EXPECT_TRUE(fs::is_regular_file(saves + "/STORY1.SAV"));
  EXPECT_FALSE(fs::exists(folder_ / "STORY1.SAV"));
  const std::vector<std::string> after_save = FromTheFirstChoice(ReadLines(folder_ / "save.trace"));
  const std::vector<std::string> second = PlayLoadingLater({"--save-dir", saves});
  ASSERT_FALSE(after_save.empty());
  ASSERT_GE(second.size(), after_save.size());
  EXPECT_EQ(std::vector<std::string>(second.end() - static_cast<long>(after_save.size()), second.end()),
            after_save);
}

// ---- Slot files that must not be loaded ----

// Two choices of two options each in window text: rows at y 265 and 295.
const std::string kTwoChoices = std::string(kFirstChoice) + R"(choice {
  option "終わる" {
    v3 = 1
    end
  }
  option "やめる" {
    v3 = 2
    end
  }
}
wait
)";

// At the first choice: S A V E, slot 1.
constexpr char kSaveAtTheFirstChoice[] = "idle\nrclick 320 400\nclick 300 175\nclick 300 178\nidle\n";

// The slot file of a save made at the first choice of `source`, played in `folder`.
std::string SaveMadeBy(const corv::e2e::ScratchFolder& folder, const std::string& name,
                       const std::string& source) {
  namespace e2e = corv::e2e;
  const fs::path dir = folder.path() / name;
  fs::create_directories(dir);
  e2e::BuildGame(source, dir / "STORY.ADV");
  e2e::WriteFile(dir / "save.events", kSaveAtTheFirstChoice);
  const e2e::RunResult run = e2e::RunPlayer(
      {"--headless", "--events", (dir / "save.events").string(), (dir / "STORY.ADV").string()}, dir);
  EXPECT_EQ(run.status, 0) << run.err;
  return e2e::ReadFile(dir / "STORY1.SAV");
}

// At the second choice, after "はい", slot 1 is loaded. An intact save goes back to the first choice; a
// damaged, cut-off or foreign one is refused with a notice (which a click dismisses), and the game goes on
// from the second choice with the same frame and variables, the file left as it was.
TEST(SaveAndLoadRefused, DamagedTruncatedOrForeignSlotFilesChangeNothing) {
  namespace e2e = corv::e2e;
  e2e::ScratchFolder folder;
  const std::string saved = SaveMadeBy(folder, "own", kTwoChoices);
  ASSERT_GT(saved.size(), 64u);
  // Another game: one more instruction, so its length and contents differ.
  const std::string foreign = SaveMadeBy(folder, "other", std::string("v9 = 1\n") + kTwoChoices);
  ASSERT_GT(foreign.size(), 64u);

  struct Case {
    const char* name;
    std::string bytes;
    bool loads;
  };
  std::string damaged = saved;
  damaged[damaged.size() * 3 / 4] ^= 0x10;  // one bit in the middle of the saved state
  const Case cases[] = {{"intact", saved, true},
                        {"one bit flipped", damaged, false},
                        {"cut in half", saved.substr(0, saved.size() / 2), false},
                        {"saved by another game", foreign, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = folder.path() / "play";
    fs::remove_all(dir);
    fs::create_directories(dir);
    e2e::BuildGame(kTwoChoices, dir / "STORY.ADV");
    e2e::WriteFile(dir / "STORY1.SAV", c.bytes);
    e2e::WriteFile(
        dir / "load.events",
        "idle\nclick 300 275\nidle\nmove 5 5\nshot before.png\nrclick 320 400\nclick 300 205\nclick 300 "
        "178\nidle\nclick 5 5\nidle\nshot after.png\nclick 300 305\n");
    const e2e::RunResult run =
        e2e::RunPlayer({"--headless", "--events", (dir / "load.events").string(), "--trace",
                        (dir / "trace.txt").string(), (dir / "STORY.ADV").string()},
                       dir);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> trace = ReadLines(dir / "trace.txt");
    const auto first_wait = std::find_if(trace.begin(), trace.end(),
                                         [](const std::string& line) { return line.ends_with(" 9"); });
    ASSERT_NE(first_wait, trace.end());
    const auto has = [&](const std::string& ending) {
      return std::any_of(trace.begin(), trace.end(),
                         [&](const std::string& l) { return l.ends_with(ending); });
    };
    const bool same_frame = e2e::ReadShot(dir / "before.png") == e2e::ReadShot(dir / "after.png");
    if (c.loads) {
      EXPECT_EQ(std::count(trace.begin(), trace.end(), *first_wait), 2) << "back at the first choice";
      EXPECT_TRUE(has(" v2=2"));
      EXPECT_FALSE(same_frame);
    } else {
      EXPECT_EQ(std::count(trace.begin(), trace.end(), *first_wait), 1);
      EXPECT_FALSE(has(" v2=2"));
      EXPECT_TRUE(has(" v3=2")) << "the second choice was answered";
      EXPECT_TRUE(same_frame);
      EXPECT_NE(run.err.find("STORY1.SAV"), std::string::npos) << run.err;
      EXPECT_EQ(e2e::ReadFile(dir / "STORY1.SAV"), c.bytes);
    }
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), "end");
  }
}

}  // namespace
