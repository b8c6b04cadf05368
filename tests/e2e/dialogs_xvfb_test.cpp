// The FLTK options dialog, message boxes and file chooser on a virtual X server: xdotool plays the
// player, xwd and ImageMagick take the screenshots whose pixels are checked here.
//
// Set CORV_SCREENSHOT_DIR to keep PNG copies of the screenshots.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "shell/options_dialog.h"
#include "shell/startup.h"

namespace corv {
namespace {

namespace fs = std::filesystem;

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// One X server for the whole test program: FLTK keeps its display connection for the life of the process.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    // CORV_TEST_DISPLAY names a server to use instead, for watching the tests run.
    if (const char* given = std::getenv("CORV_TEST_DISPLAY")) {
      display_ = given;
      setenv("DISPLAY", given, 1);
      return;
    }
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the tests, even when they are killed
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number and a newline once it accepts connections; it fails if the pipe is
    // closed before the newline.
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return;
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
  }
  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool ok() const { return !display_.empty(); }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

VirtualDisplay& SharedXServer() {
  static VirtualDisplay display;
  return display;
}

// Runs a shell script beside the test: it waits for a window, takes a screenshot and plays the player.
// If it cannot do its part it ends the X server, so that the dialog under test fails instead of waiting
// for ever.
class ScriptedPlayer {
 public:
  explicit ScriptedPlayer(const std::string& script) {
    const pid_t server = SharedXServer().pid();
    const std::string end_server = server > 0 ? "kill " + std::to_string(server) + "; " : "";
    const std::string guarded = "export LC_ALL=C.UTF-8; ( " + script +
                                " ) || { echo 'player script failed' >&2; " + end_server + "exit 1; }";
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      execl("/bin/sh", "sh", "-c", guarded.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  int Finish() {
    int status = 0;
    waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
};

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// The next number of a PPM header, skipping white space and "#" comment lines.
int PpmNumber(std::istream& in) {
  while (in && (std::isspace(in.peek()) || in.peek() == '#')) {
    if (in.get() == '#') in.ignore(1 << 16, '\n');
  }
  int value = -1;
  in >> value;
  return value;
}

// Reads a binary PPM (P6, maximum 255) as ImageMagick writes it.
Image ReadPpm(const fs::path& path) {
  Image image;
  std::ifstream in(path, std::ios::binary);
  char magic[2] = {};
  in.read(magic, 2);
  image.width = PpmNumber(in);
  image.height = PpmNumber(in);
  const int maximum = PpmNumber(in);
  in.get();
  if (magic[0] != 'P' || magic[1] != '6' || maximum != 255 || image.width <= 0 || image.height <= 0) {
    return Image{};
  }
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
  if (!in) return Image{};
  return image;
}

// Pixels inside (x, y, w, h) within `tolerance` of the colour (r, g, b) on every channel.
int CountNear(const Image& image, int x, int y, int w, int h, int r, int g, int b, int tolerance) {
  int count = 0;
  for (int j = y; j < y + h && j < image.height; ++j) {
    for (int i = x; i < x + w && i < image.width; ++i) {
      const unsigned char* p = image.At(i, j);
      if (std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance &&
          std::abs(p[2] - b) <= tolerance) {
        ++count;
      }
    }
  }
  return count;
}

void KeepScreenshot(const fs::path& ppm, const std::string& name) {
  const char* dir = std::getenv("CORV_SCREENSHOT_DIR");
  if (dir == nullptr) return;
  const std::string command = "convert '" + ppm.string() + "' '" + (fs::path(dir) / name).string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

class DialogsOnXvfb : public testing::Test {
 protected:
  void SetUp() override {
    if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(OnPath("xdotool") && OnPath("xwd") && OnPath("convert"))
        << "xdotool, xwd and ImageMagick are needed";
    ASSERT_TRUE(SharedXServer().ok()) << "Xvfb did not start";
    dir_ = fs::temp_directory_path() / ("corv-dialogs-" + std::to_string(getpid()) + "-" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }

  // Finds the window by its title, waits for it to be drawn and saves it as shot.ppm.
  std::string FindAndShoot(const std::string& title) const {
    return "id=$(timeout 20 xdotool search --sync --onlyvisible --name '^" + title +
           "$' | head -n 1) && [ -n \"$id\" ] && sleep 0.5 && xwd -silent -id \"$id\" | convert xwd:- -depth "
           "8 ppm:'" +
           (dir_ / "shot.ppm").string() + "' && xdotool windowfocus --sync \"$id\"";
  }

  fs::path dir_;
};

// A left click at (x, y) in the window found by FindAndShoot.
std::string ClickAt(int x, int y) {
  return "xdotool mousemove --window \"$id\" " + std::to_string(x) + " " + std::to_string(y) +
         " && sleep 0.1 && xdotool click 1 && sleep 0.2";
}

// Display set-up's side of the dialog: show, offer depths, enable OK, wait.
bool RunOptionsDialog(Settings& settings, const std::vector<int>& offered,
                      const Preferences& remembered = {}) {
  auto dialog = MakeFltkOptionsDialog(settings, remembered);
  dialog->Show();
  for (int index : offered) dialog->OfferDepth(index);
  dialog->EnableOk();
  return dialog->WaitUntilClosed();
}

TEST_F(DialogsOnXvfb, OptionsDialogShowsTheTableAndEnterConfirms) {
  ScriptedPlayer player(FindAndShoot("オプション") + " && xdotool key Return");
  Settings settings;
  settings.DrawingMode = 0;
  EXPECT_TRUE(RunOptionsDialog(settings, {0, 1, 2}));
  ASSERT_EQ(player.Finish(), 0);
  EXPECT_EQ(settings.ColourDepth, 32);
  EXPECT_EQ(settings.DrawingMode, 1);

  const Image shot = ReadPpm(dir_ / "shot.ppm");
  ASSERT_EQ(shot.width, 242);
  ASSERT_EQ(shot.height, 104);
  KeepScreenshot(dir_ / "shot.ppm", "options_dialog.png");
  // Caption colours are 0xBBGGRR in the table: 0x0000FF red, 0xFF8080 light blue, 0xFF0000 blue.
  struct Caption {
    const char* name;
    int x, y, w, h;
    int r, g, b;
  };
  const Caption captions[] = {
      {"16Bitカラー", 16, 16, 105, 17, 255, 0, 0},       {"24Bitカラー", 16, 32, 105, 17, 128, 128, 255},
      {"32Bitカラー(推奨)", 16, 48, 105, 17, 0, 0, 255}, {"粗い（高速）", 152, 16, 81, 17, 255, 0, 0},
      {"普通", 152, 32, 81, 17, 128, 128, 255},          {"精細（低速）", 152, 48, 81, 17, 0, 0, 255},
  };
  for (const Caption& c : captions) {
    EXPECT_GE(CountNear(shot, c.x, c.y, c.w, c.h, c.r, c.g, c.b, 40), 12) << c.name;
  }
  // No caption is drawn in another caption's colour: red and blue stay apart.
  EXPECT_EQ(CountNear(shot, 16, 48, 105, 17, 255, 0, 0, 40), 0);
  EXPECT_EQ(CountNear(shot, 16, 16, 105, 17, 0, 0, 255, 40), 0);
  // The depth group stands on grey 0xC0C0C0 right to its edge.
  for (int y : {17, 33, 49, 64}) {
    const unsigned char* p = shot.At(119, y);
    EXPECT_EQ(p[0] * 65536 + p[1] * 256 + p[2], 0xC0C0C0) << "y " << y;
  }
}

TEST_F(DialogsOnXvfb, OptionsDialogFocusesOkSoSpaceConfirms) {
  ScriptedPlayer player(FindAndShoot("オプション") + " && xdotool key space");
  Settings settings;
  EXPECT_TRUE(RunOptionsDialog(settings, {0, 2}));
  ASSERT_EQ(player.Finish(), 0);
  EXPECT_EQ(settings.ColourDepth, 32);
  // Button 1 (24 bits) was not offered: its caption is greyed, not light blue.
  const Image shot = ReadPpm(dir_ / "shot.ppm");
  ASSERT_EQ(shot.width, 242);
  EXPECT_EQ(CountNear(shot, 16, 32, 105, 17, 128, 128, 255, 30), 0);
  EXPECT_GE(CountNear(shot, 16, 48, 105, 17, 0, 0, 255, 40), 12);
}

TEST_F(DialogsOnXvfb, OptionsDialogOpensAtTheRememberedChoice) {
  ScriptedPlayer player(FindAndShoot("オプション") + " && xdotool key Return");
  Settings settings;
  Preferences remembered;
  remembered.depth = 24;
  remembered.drawing_mode = 2;
  EXPECT_TRUE(RunOptionsDialog(settings, {0, 1, 2}, remembered));
  ASSERT_EQ(player.Finish(), 0);
  EXPECT_EQ(settings.ColourDepth, 24);
  EXPECT_EQ(settings.DrawingMode, 2);
}

TEST_F(DialogsOnXvfb, OptionsDialogTakesClicksOnItsControls) {
  // Centres of Option1(0), Option4 (inside the frame at 128, 0) and OK.
  ScriptedPlayer player(FindAndShoot("オプション") + " && " + ClickAt(8, 24) + " && " + ClickAt(144, 56) +
                        " && " + ClickAt(64, 88));
  Settings settings;
  EXPECT_TRUE(RunOptionsDialog(settings, {0, 1, 2}));
  ASSERT_EQ(player.Finish(), 0);
  EXPECT_EQ(settings.ColourDepth, 16);
  EXPECT_EQ(settings.DrawingMode, 2);
}

TEST_F(DialogsOnXvfb, OptionsDialogCancelAndFrameCloseEndTheProgram) {
  struct Ending {
    const char* name;
    std::string action;
  };
  const Ending endings[] = {
      {"Cancel", " && " + ClickAt(176, 88)},
      {"Esc, as the window frame closes it", " && xdotool key Escape"},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    ScriptedPlayer player(FindAndShoot("オプション") + ending.action);
    Settings settings;
    EXPECT_FALSE(RunOptionsDialog(settings, {2}));
    EXPECT_EQ(player.Finish(), 0);
  }
}

// The dialogs' font has a glyph for every character of every label (none is drawn as an empty box), on
// this machine's fonts: the options dialog's table, and the message boxes' title, texts and OK.
TEST_F(DialogsOnXvfb, EveryLabelIsDrawnWithRealGlyphs) {
  std::vector<std::string> labels = {OptionsLayout().caption,
                                     kWarningTitle,
                                     kNotAGameMessage,
                                     kInitFailedMessage,
                                     "このコンピュータ上では実行できません。",
                                     "OK"};
  for (const DialogControl& control : OptionsLayout().controls) labels.push_back(control.caption);
  for (const std::string& label : labels) {
    const std::u32string missing = MissingDialogGlyphs(label);
    EXPECT_TRUE(missing.empty()) << label << ": " << missing.size() << " characters without a glyph";
  }
}

TEST_F(DialogsOnXvfb, MessageBoxShowsItsIconAndTextAndGoesToStderr) {
  struct Box {
    const char* text;
    MessageIcon icon;
    int r, g, b;  // the icon's colour
    const char* file;
  };
  const Box boxes[] = {
      {"このファイルは実行できません。", MessageIcon::kStop, 0xD0, 0x10, 0x10, "message_stop.png"},
      {"このコンピュータ上では実行できません。", MessageIcon::kInformation, 0x20, 0x50, 0xD0,
       "message_info.png"},
  };
  auto dialogs = MakeFltkDialogs();
  for (const Box& box : boxes) {
    SCOPED_TRACE(box.text);
    ScriptedPlayer player(FindAndShoot("警告") + " && xdotool key Return");
    testing::internal::CaptureStderr();
    dialogs->MessageBox(box.text, "警告", box.icon);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("警告: ") + box.text + "\n");
    ASSERT_EQ(player.Finish(), 0);
    const Image shot = ReadPpm(dir_ / "shot.ppm");
    ASSERT_GT(shot.width, 200);
    KeepScreenshot(dir_ / "shot.ppm", box.file);
    EXPECT_GE(CountNear(shot, 16, 16, 32, 32, box.r, box.g, box.b, 8), 300) << "icon";
    // The text is drawn in black to the right of the icon.
    EXPECT_GE(CountNear(shot, 64, 16, shot.width - 64, 32, 0, 0, 0, 40), 40) << "text";
  }
}

// The open-file dialog starts in the folder it is given and says nothing on the terminal.
TEST_F(DialogsOnXvfb, FileChooserStartsInItsFolderAndPrintsNothing) {
  std::ofstream(dir_ / "GAME.ADV") << "CRVL";
  // The start folder's one game is listed under "../": a double click on it opens it.
  ScriptedPlayer player(FindAndShoot("ゲームファイルを開く") +
                        " && xdotool mousemove --window \"$id\" 50 73 click --repeat 2 --delay 100 1");
  auto dialogs = MakeFltkDialogs();
  dialogs->SetStartFolder(dir_.string());
  testing::internal::CaptureStderr();
  const std::optional<std::string> chosen =
      dialogs->OpenFile("ゲームファイルを開く", "ゲームファイル(*.ADV)\t*.ADV");
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_EQ(player.Finish(), 0);
  ASSERT_TRUE(chosen.has_value());
  std::error_code ec;
  EXPECT_TRUE(fs::equivalent(*chosen, dir_ / "GAME.ADV", ec)) << *chosen;
  EXPECT_EQ(said, "");
}

}  // namespace
}  // namespace corv
