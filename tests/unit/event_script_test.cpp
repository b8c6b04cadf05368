#include "shell/event_script.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/events.h"
#include "image.h"
#include "scratch_folder.h"
#include "shell/display_init.h"

namespace corv {
namespace {

using Kind = EventScript::Command::Kind;

TEST(EventScriptParse, AcceptsEveryCommandForm) {
  for (const std::string& line : std::vector<std::string>{"move 10 20",
                                                          "click 0 0",
                                                          "rclick 639 479",
                                                          "mclick 3 4",
                                                          "key esc",
                                                          "key Enter",
                                                          "key space",
                                                          "key a",
                                                          "key あ",
                                                          "wait 0",
                                                          "wait 250",
                                                          "idle",
                                                          "shot out/first frame.png",
                                                          "  idle  ",
                                                          "# only a comment",
                                                          "",
                                                          "move 1 2\r",
                                                          "\v",
                                                          "\f",
                                                          " \v\f\t\r ",
                                                          "move\v1\f2",
                                                          "key tab",
                                                          "key UP",
                                                          "key down",
                                                          "key pageup",
                                                          "key pagedown",
                                                          "key ctrl+c",
                                                          "keydown ctrl",
                                                          "keyup Ctrl",
                                                          "wheel up",
                                                          "wheel down",
                                                          "idle # a comment",
                                                          std::string("#\0\xff", 3)}) {
    std::string error;
    EXPECT_TRUE(EventScript::Parse(line, "ev.txt", &error)) << line << ": " << error;
  }
}

TEST(EventScriptParse, NamesFileAndLineOfEveryError) {
  struct Case {
    const char* text;
    const char* error_start;
  };
  const Case cases[] = {
      {"jump 1 2\n", "ev.txt:1: unknown command"},
      {"move 1 2\nclick 5\n", "ev.txt:2: 'click' takes 2 arguments"},
      {"\n\n# c\nmove a b\n", "ev.txt:4: 'move' needs two whole numbers"},
      {"click 1.5 2\n", "ev.txt:1: 'click' needs two whole numbers"},
      {"key ctrl\n", "ev.txt:1: unknown key 'ctrl'"},
      {"key\n", "ev.txt:1: 'key' takes 1 argument"},
      {"wait -5\n", "ev.txt:1: 'wait' needs a number"},
      {"wait 99999999999\n", "ev.txt:1: 'wait' needs a number"},
      {"idle now\n", "ev.txt:1: 'idle' takes 0 arguments"},
      {"shot\n", "ev.txt:1: 'shot' needs a file name"},
      {"keydown shift\n", "ev.txt:1: 'keydown' takes only 'ctrl'"},
      {"wheel left\n", "ev.txt:1: 'wheel' takes 'up' or 'down'"},
      {"wheel\n", "ev.txt:1: 'wheel' takes 1 argument"},
      {"move 1 2 3\n", "ev.txt:1: 'move' takes 2 arguments"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(EventScript::Parse(c.text, "ev.txt", &error)) << c.text;
    EXPECT_EQ(error.rfind(c.error_start, 0), 0u) << "got: " << error;
  }
  std::string error;
  EXPECT_FALSE(EventScript::Load("/nonexistent/events.txt", &error));
  EXPECT_NE(error.find("/nonexistent/events.txt"), std::string::npos);
}

// Events come from files and pipes, and never more than 64 MiB of them: a pipe that does not end is cut
// off there.
TEST(EventScriptLoad, ReadsFilesAndPipesUpToTheLimit) {
  const std::string big = ::testing::TempDir() + "corv_events_big.txt";
  std::ofstream{big};
  ASSERT_EQ(::truncate(big.c_str(), (int64_t{64} << 20) + 1), 0);
  std::string error;
  EXPECT_FALSE(EventScript::Load(big, &error));
  EXPECT_NE(error.find("larger than 64 MiB"), std::string::npos) << error;
  std::filesystem::remove(big);

  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ASSERT_EQ(::write(ends[1], "idle\n", 5), 5);
  ::close(ends[1]);
  EXPECT_TRUE(EventScript::Load("/dev/fd/" + std::to_string(ends[0]), &error)) << error;
  ::close(ends[0]);
}

// A headless player with a virtual clock; each Yield() is one yield to the window system.
struct ScriptedPlayer {
  explicit ScriptedPlayer(const std::string& text, int depth = 32) {
    std::string error;
    script = EventScript::Parse(text, "ev.txt", &error);
    EXPECT_TRUE(script) << error;
    player.services.display = display.get();
    player.services.clock = &clock;
    player.settings.ColourDepth = depth;
    player.event_script = script.get();
    CreateSurfaces(player);
  }
  void Yield() { DoEvents(player); }
  // Yields n times; the status the program ended with, or -1 if it went on.
  int YieldTimes(int n) {
    try {
      for (int i = 0; i < n; ++i) Yield();
    } catch (const ProgramExit& exit) {
      return exit.status;
    }
    return -1;
  }
  void ClearClicks() { player.input.LeftClicked = player.input.RightClicked = false; }

  VirtualClock clock;
  std::unique_ptr<Display> display = MakeHeadlessDisplay(clock, {});
  std::unique_ptr<EventScript> script;
  Player player;
};

TEST(EventScriptDelivery, OneCommandAtEachYieldThroughTheHandlers) {
  ScriptedPlayer p(
      "# scripted input\n\nmove 10 20\r\n  click 100 200  \n  # indented comment\nrclick 5 6\nmclick 7 "
      "8\nkey a\n"
      "key space\nkey enter\n");
  struct Step {
    int x, y;
    bool left, right;
  };
  const Step steps[] = {
      {10, 20, false, false}, {100, 200, true, false}, {5, 6, false, true},  {7, 8, false, false},
      {7, 8, false, false},   {7, 8, false, false},    {7, 8, false, false},
  };
  for (const Step& s : steps) {
    p.ClearClicks();
    ASSERT_EQ(p.YieldTimes(1), -1);
    EXPECT_EQ(p.player.input.PointerX, s.x);
    EXPECT_EQ(p.player.input.PointerY, s.y);
    EXPECT_EQ(p.player.input.LeftClicked, s.left);
    EXPECT_EQ(p.player.input.RightClicked, s.right);
  }
}

TEST(EventScriptDelivery, WhenUsedUpRunsOnUntilTheNextWaitThenEndsAsByEsc) {
  ScriptedPlayer p("click 1 1\n");
  ASSERT_EQ(p.YieldTimes(1), -1);
  // A wait that was already going on when the script ran out does not count.
  NoteWaitingForPlayer(p.player);
  EXPECT_EQ(p.YieldTimes(100), -1) << "the program runs on while it does not wait for the player";
  NoteWaitingForPlayer(p.player);
  EXPECT_EQ(p.YieldTimes(1), 0) << "ended as by Esc";
}

TEST(EventScriptDelivery, AnEmptyScriptEndsAtTheFirstWait) {
  ScriptedPlayer p("# nothing\n");
  EXPECT_EQ(p.YieldTimes(5), -1);
  NoteWaitingForPlayer(p.player);
  EXPECT_EQ(p.YieldTimes(1), 0);
}

TEST(EventScriptDelivery, EscEndsTheProgramAtOnce) {
  ScriptedPlayer p("move 1 1\nkey esc\nclick 5 5\n");
  EXPECT_EQ(p.YieldTimes(2), 0);
  EXPECT_FALSE(p.player.input.LeftClicked);
}

TEST(EventScriptDelivery, WaitHoldsBackLaterCommandsByTheClock) {
  // Frames of 16 ms between yields, as a program presenting frames would advance the clock.
  ScriptedPlayer p("wait 100\nclick 9 9\n");
  p.Yield();
  const uint32_t started = p.clock.TickCount();
  while (!p.player.input.LeftClicked) {
    ASSERT_LT(TicksSince(p.clock.TickCount(), started), 200u) << "the click never came";
    p.clock.Advance(16);
    p.Yield();
  }
  const uint32_t elapsed = TicksSince(p.clock.TickCount(), started);
  EXPECT_GE(elapsed, 100u);
  EXPECT_LE(elapsed, 100u + 2 * 17) << "delivered within two yields after the wait is over";
}

TEST(EventScriptDelivery, IdleWaitsForTheProgramToWaitForThePlayer) {
  ScriptedPlayer p("click 1 1\nidle\nclick 2 2\n");
  p.Yield();  // click 1 1
  ASSERT_TRUE(p.player.input.LeftClicked);
  p.ClearClicks();
  NoteWaitingForPlayer(p.player);  // a wait seen before `idle` is reached
  p.Yield();                       // `idle` begins
  EXPECT_EQ(p.YieldTimes(50), -1);
  EXPECT_FALSE(p.player.input.LeftClicked) << "a wait noted before the idle line does not release it";
  NoteWaitingForPlayer(p.player);
  p.Yield();
  p.Yield();
  EXPECT_TRUE(p.player.input.LeftClicked);
  EXPECT_EQ(p.player.input.PointerX, 2);
}

TEST(EventScriptDelivery, ShotWritesTheVisibleFrameWidenedToEightBits) {
  const test::ScratchFolder dir;
  const std::string path = dir / "frame one.png";
  ScriptedPlayer p("shot " + path + "\n", 16);
  Screen& s = p.player.screen;
  s.PrimarySurface.WritePixel(0, 0, 0xF800);      // red
  s.PrimarySurface.WritePixel(639, 479, 0x0841);  // 1, 2, 1
  s.BackBuffer.WritePixel(0, 0, 0xFFFF);          // not on screen: must not be in the shot
  ASSERT_EQ(p.YieldTimes(1), -1);
  const Result<test::RgbImage> shot = test::ReadPngFile(path);
  ASSERT_TRUE(shot.ok()) << shot.error();
  const test::RgbImage& image = *shot;
  ASSERT_EQ(image.width, 640);
  ASSERT_EQ(image.height, 480);
  const uint8_t* first = image.rgb.data();
  const uint8_t* last = image.rgb.data() + (479 * 640 + 639) * 3;
  EXPECT_EQ((std::vector<int>{first[0], first[1], first[2]}), (std::vector<int>{255, 0, 0}));
  EXPECT_EQ((std::vector<int>{last[0], last[1], last[2]}), (std::vector<int>{8, 8, 8}));
}

TEST(EventScriptDelivery, ShotThatCannotBeWrittenEndsWithFailure) {
  ScriptedPlayer p("shot /nonexistent-dir/x.png\n");
  EXPECT_EQ(p.YieldTimes(1), 1);
}

}  // namespace
}  // namespace corv
