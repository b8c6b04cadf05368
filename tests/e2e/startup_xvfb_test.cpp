// Start-up as a player meets it, on a virtual X server: the program started with no game on its command
// line finds the game named after it beside it, shows the options dialog, and goes on with Enter;
// Cancel ends it before any game window opens; a file that is not a game shows the warning box.
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "midi_bytes.h"

namespace corv::e2e {
namespace {

constexpr char kEndless[] = "spin:\ngoto spin\n";

// A copy of the player named STORY beside the given STORY.ADV: the game it plays without a dialog.
fs::path PlayerNamedStory(const fs::path& folder) {
  const fs::path copy = folder / "STORY";
  fs::copy_file(CORVALLINE_EXE, copy, fs::copy_options::overwrite_existing);
  fs::permissions(copy, fs::perms::owner_all, fs::perm_options::add);
  return copy;
}

// The first visible window whose name matches, waited for up to `seconds`; empty when none came.
std::string WaitForWindow(const std::string& name, int seconds, pid_t pid) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    const std::string id =
        Capture("xdotool search --onlyvisible --name '" + name + "' 2>/dev/null | head -1");
    if (!id.empty()) return id;
    int status;
    if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) return {};  // the program ended first
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return {};
}

// Sends Esc to the game window, looking the window up again at each try: the one found first may be one
// the toolkits replace meanwhile. Whether it was sent.
bool SendEscape(pid_t pid) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    const std::string id = WaitForWindow("Corvalline", 5, pid);
    if (!id.empty() &&
        std::system(("xdotool windowfocus --sync " + id + " key Escape 2>/dev/null").c_str()) == 0) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return false;
}

class StartupOnXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveProgram("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(HaveProgram("xdotool") && HaveProgram("import")) << "xdotool and ImageMagick are needed";
    ASSERT_TRUE(server_.Start("1280x960")) << "Xvfb did not start";
    display_ = std::make_unique<ScopedEnv>("DISPLAY", server_.display());
    const char* asan = std::getenv("ASAN_OPTIONS");
    // What the X libraries keep at exit in a sanitized build is not the player's to answer for.
    no_leak_check_ = std::make_unique<ScopedEnv>(
        "ASAN_OPTIONS", (asan ? std::string(asan) + ":" : std::string()) + "detect_leaks=0");
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");
    // The settings of whoever runs the tests are neither read nor changed.
    config_ = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", (folder_.path() / "config").string());
  }

  struct Started {
    pid_t pid;
    std::string window;  // empty when it never came (the test has failed then)
  };
  // Starts the copy of the player named STORY in the folder and waits for its first window, `name`.
  Started StartStory(const std::string& name) {
    const pid_t pid = StartProgram({PlayerNamedStory(folder_.path()).string()}, folder_.path());
    if (pid <= 0) {
      ADD_FAILURE() << "the player did not start";
      return {pid, {}};
    }
    const std::string window = WaitForWindow(name, 30, pid);
    if (window.empty()) {
      const RunResult gone = WaitForProgram(pid, folder_.path(), std::chrono::seconds(1));
      ADD_FAILURE() << "no " << name << " window appeared; " << gone.err;
    }
    return {pid, window};
  }

  ScratchFolder folder_;
  XvfbServer server_;
  std::unique_ptr<ScopedEnv> display_, no_leak_check_, config_;
};

TEST_F(StartupOnXvfb, DefaultGameBesideTheProgramStartsAfterEnterInTheOptionsDialog) {
  BuildGame(kEndless, folder_.path() / "STORY.ADV");
  if (HasFatalFailure()) return;
  const auto [pid, dialog] = StartStory("オプション");
  if (dialog.empty()) return;
  EXPECT_TRUE(WaitForWindow("Corvalline", 1, pid).empty()) << "the game window waits for the dialog";
  EXPECT_EQ(std::system(("xdotool windowfocus --sync " + dialog + " key Return").c_str()), 0);

  const std::string window = WaitForWindow("Corvalline", 30, pid);
  ASSERT_FALSE(window.empty()) << "Enter did not start the game";
  // The whole 1280 x 960 screen shows the loading screen twice as large (32 bits, the depth preselected):
  // screen row y is logical row y / 2, coloured (255 - row / 2, 255 - row / 2, 255 - row / 3). The first
  // frame reaches the screen a while after the window appears (long on a busy machine): the screen is
  // taken until its top row shows it, for up to 20 seconds.
  const std::string shot = (folder_.path() / "screen.ppm").string();
  RgbImage image;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(std::system(("import -window root -depth 8 ppm:" + shot).c_str()), 0);
    ASSERT_TRUE(ReadImage(shot, image));
    ASSERT_EQ(image.width, 1280);
  } while (!Near(PixelAt(image, 40, 0), Rgb{255, 255, 255}, 0) && std::chrono::steady_clock::now() < until);
  for (int y : {0, 200, 600, 958}) {
    const int row = y / 2;
    const Rgb expected{255 - row / 2, 255 - row / 2, 255 - row / 3};
    EXPECT_PRED3(Near, PixelAt(image, 40, y), expected, 0) << "screen row " << y;
  }

  EXPECT_TRUE(SendEscape(pid)) << "Esc could not be sent to the game window";
  const RunResult result = WaitForProgram(pid, folder_.path(), std::chrono::seconds(30));
  EXPECT_FALSE(result.timed_out) << "Esc did not end the program";
  EXPECT_EQ(result.status, 0) << result.err;
}

// Esc ends the game within a second whatever the music asks of the synthesiser (SDL's dummy sound driver
// stands in for a sound card): a 16 MB flood of note-ons at tick 0, and the largest chord accepted, both
// of length 0 and so restarted at every tick of the one-second timer.
TEST_F(StartupOnXvfb, EscEndsTheGameWithinASecondWhateverTheMusicDoes) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  const ScopedEnv dummy_audio("SDL_AUDIODRIVER", "dummy");
  const struct {
    const char* name;
    midi_bytes::Bytes tune;
  } cases[] = {{"16 MB note-on flood", midi_bytes::NoteOnFlood(16000000)},
               {"largest chord", midi_bytes::LargestChord(511)}};
  for (const auto& c : cases) {
    ScratchFolder folder;
    WriteFile(folder.path() / "TUNE.MID", std::string(c.tune.begin(), c.tune.end()));
    BuildGame("name music tune \"TUNE\"\nmusic tune\nmessage \"あ\"\nclick\nend\n",
              folder.path() / "TUNE.ADV");
    if (HasFatalFailure()) return;
    const pid_t pid = StartProgram({CORVALLINE_EXE, "--window", "--depth", "32", "--drawing-mode", "1",
                                    "--soundfont", kSoundfont, "TUNE.ADV"},
                                   folder.path());
    ASSERT_GT(pid, 0);
    ASSERT_FALSE(WaitForWindow("Corvalline", 30, pid).empty()) << c.name << ": no game window";
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // two restarts of the piece
    ASSERT_TRUE(SendEscape(pid)) << c.name << ": Esc could not be sent to the game window";
    const auto sent_at = std::chrono::steady_clock::now();
    const RunResult result = WaitForProgram(pid, folder.path(), std::chrono::seconds(30));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent_at).count();
    std::printf("%s: the program ended %.3f s after Esc\n", c.name, seconds);
    EXPECT_EQ(result.status, 0) << c.name << ": " << result.err;
    if (!kSanitized) {  // the sanitizers slow every step tenfold
      EXPECT_LT(seconds, 1.0) << c.name;
    }
  }
}

TEST_F(StartupOnXvfb, CancelInTheOptionsDialogEndsWithoutAGameWindow) {
  BuildGame(kEndless, folder_.path() / "STORY.ADV");
  if (HasFatalFailure()) return;
  const auto [pid, dialog] = StartStory("オプション");
  if (dialog.empty()) return;
  // Cancel stands at (128, 80), 97 x 17, in the dialog's client area.
  EXPECT_EQ(std::system(("xdotool mousemove --sync --window " + dialog + " 176 88 click 1").c_str()), 0);
  const RunResult result = WaitForProgram(pid, folder_.path(), std::chrono::seconds(30));
  EXPECT_FALSE(result.timed_out) << "Cancel did not end the program";
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(Capture("xdotool search --name Corvalline 2>/dev/null").empty()) << "a game window was opened";
  EXPECT_EQ(result.err.find("警告"), std::string::npos) << "Cancel ends the program without a message";
}

TEST_F(StartupOnXvfb, FileWithoutTheMagicShowsTheWarningAndEndsWithStatusOne) {
  WriteFile(folder_.path() / "STORY.ADV", std::string("crvl") + std::string(40, '\0'));
  const auto [pid, box] = StartStory("警告");
  if (box.empty()) return;
  EXPECT_TRUE(Capture("xdotool search --name 'オプション' 2>/dev/null").empty())
      << "the display is untouched";
  EXPECT_EQ(std::system(("xdotool windowfocus --sync " + box + " key Return").c_str()), 0);
  const RunResult result = WaitForProgram(pid, folder_.path(), std::chrono::seconds(30));
  EXPECT_FALSE(result.timed_out) << "closing the box did not end the program";
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("このファイルは実行できません。"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace corv::e2e
