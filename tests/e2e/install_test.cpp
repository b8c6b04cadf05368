// Installing: this build tree is installed with CMake into a scratch DESTDIR under an unusual prefix,
// the files a desktop needs are checked where it looks for them, and the installed program plays its
// demo from there. Also the command line of the real executable: exit statuses and messages.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "platform/png.h"

namespace {

namespace fs = std::filesystem;

constexpr char kPrefix[] = "/opt/corvalline-test";

using Folder = corv::e2e::ScratchFolder;
using Result = corv::e2e::RunResult;
using corv::e2e::HaveProgram;
using corv::e2e::ReadFile;

// Runs a shell command in `folder`, with its output and errors caught.
Result RunIn(const Folder& folder, const std::string& command) {
  return corv::e2e::RunProgram({"/bin/sh", "-c", command}, folder.path());
}

// The frame of a shot is not a blank screen: more than a handful of different colours.
size_t ColourCount(const corv::test::RgbImage& image) {
  std::vector<uint32_t> colours;
  for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
    colours.push_back((image.rgb[i] << 16) | (image.rgb[i + 1] << 8) | image.rgb[i + 2]);
  }
  std::sort(colours.begin(), colours.end());
  return static_cast<size_t>(std::unique(colours.begin(), colours.end()) - colours.begin());
}

// One install for the whole suite: it copies the demo and both programs.
class Installed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new Folder;
    const Result install = RunIn(*folder_, "DESTDIR='" + (*folder_ / "root") + "' '" + CMAKE_EXE +
                                               "' --install '" + CORV_BUILD_DIR + "' --prefix " + kPrefix);
    install_status_ = install.status;
    install_errors_ = install.err;
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  void SetUp() override { ASSERT_EQ(install_status_, 0) << install_errors_; }

  static std::string Root(const std::string& relative) {
    return *folder_ / ("root" + std::string(kPrefix) + "/" + relative);
  }

  static Folder* folder_;
  static int install_status_;
  static std::string install_errors_;
};

Folder* Installed::folder_ = nullptr;
int Installed::install_status_ = -1;
std::string Installed::install_errors_;

TEST_F(Installed, PutsEveryFileWhereTheDesktopLooksForIt) {
  const char* const files[] = {
      "bin/corvalline",
      "bin/advc",
      "share/corvalline/demo/DEMO.ADV",
      "share/corvalline/demo/YUUGURE.BMP",
      "share/corvalline/demo/HINA.BMP",
      "share/corvalline/demo/MACHI.MID",
      "share/applications/corvalline.desktop",
      "share/icons/hicolor/scalable/apps/corvalline.svg",
      "share/mime/packages/corvalline.xml",
      "share/man/man1/corvalline.1",
      "share/man/man1/advc.1",
      "share/doc/corvalline/README.md",
      "share/doc/corvalline/advc.md",
  };
  for (const char* file : files) EXPECT_TRUE(fs::is_regular_file(Root(file))) << file;
  for (const char* program : {"bin/corvalline", "bin/advc"}) {
    EXPECT_EQ(::access(Root(program).c_str(), X_OK), 0) << program;
  }
  // Nothing lands outside the prefix: DESTDIR holds only the prefix's own tree.
  std::vector<std::string> top;
  for (const auto& entry : fs::directory_iterator(*folder_ / "root")) top.push_back(entry.path().filename());
  EXPECT_EQ(top, std::vector<std::string>{"opt"});
}

TEST_F(Installed, DesktopEntryOpensGamesWithThePlayer) {
  const std::string entry = ReadFile(Root("share/applications/corvalline.desktop"));
  ASSERT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
  for (const char* line :
       {"\nType=Application\n", "\nName=Corvalline\n", "\nExec=corvalline %f\n", "\nIcon=corvalline\n",
        "\nTerminal=false\n", "\nMimeType=application/x-corvalline-game;\n",
        "\nCategories=Game;AdventureGame;\n"}) {
    EXPECT_NE(entry.find(line), std::string::npos) << line;
  }
}

// update-mime-database reads the type as a desktop does: both spellings of the extension and the
// magic bytes must reach its tables.
TEST_F(Installed, GameFileTypeIsKnownByNameAndByContent) {
  if (!HaveProgram("update-mime-database")) GTEST_SKIP() << "update-mime-database is not installed";
  const std::string mime = Root("share/mime");
  // The tree is put on the search path, so that anything the tool says is about our file.
  const Result update =
      RunIn(*folder_, "XDG_DATA_DIRS='" + Root("share") + "' update-mime-database '" + mime + "'");
  ASSERT_EQ(update.status, 0) << update.err;
  EXPECT_EQ(update.err, "");
  const std::string globs = ReadFile(mime + "/globs2");
  EXPECT_NE(globs.find("application/x-corvalline-game:*.ADV:cs"), std::string::npos) << globs;
  EXPECT_NE(globs.find("application/x-corvalline-game:*.adv"), std::string::npos) << globs;
  const std::string magic = ReadFile(mime + "/magic");
  EXPECT_NE(magic.find("[60:application/x-corvalline-game]\n>0="), std::string::npos);
  EXPECT_NE(magic.find("CRVL"), std::string::npos);
  const std::string types = ReadFile(mime + "/types");
  EXPECT_NE(types.find("application/x-corvalline-game\n"), std::string::npos);
  EXPECT_NE(ReadFile(mime + "/icons").find("application/x-corvalline-game:corvalline"), std::string::npos);
}

TEST_F(Installed, IconIsTheWindowIconsDrawing) {
  const std::string svg = ReadFile(Root("share/icons/hicolor/scalable/apps/corvalline.svg"));
  // The colours of the window icon drawn in the display code: the disc and the ring.
  EXPECT_NE(svg.find("#1B2A6B"), std::string::npos);
  EXPECT_NE(svg.find("#F2C14E"), std::string::npos);
  EXPECT_NE(svg.find("viewBox=\"0 0 32 32\""), std::string::npos);
}

TEST_F(Installed, ManualPagesFormatWithoutWarnings) {
  if (!HaveProgram("groff")) GTEST_SKIP() << "groff is not installed";
  for (const char* page : {"corvalline.1", "advc.1"}) {
    const Result format =
        RunIn(*folder_, "groff -k -man -Tutf8 -ww -z '" + Root(std::string("share/man/man1/") + page) + "'");
    EXPECT_EQ(format.status, 0) << page;
    EXPECT_EQ(format.err, "") << page;
  }
  // Every option of the help text is explained in the manual.
  const std::string manual = ReadFile(Root("share/man/man1/corvalline.1"));
  for (const char* option :
       {"demo", "save\\-dir", "window", "fullscreen", "depth", "drawing\\-mode", "soundfont", "audio\\-out",
        "headless", "events", "trace", "help", "version", "strict", "text\\-out", "config", "no\\-config"}) {
    EXPECT_NE(manual.find(std::string("\\-\\-") + option), std::string::npos) << option;
  }
}

// The installed tree works where it was put: the program finds its demo relative to itself.
TEST_F(Installed, InstalledPlayerPlaysItsDemoHeadless) {
  Folder run;
  std::ofstream(run / "title.events") << "wait 4000\nshot title.png\n";
  const Result play = RunIn(run, "'" + Root("bin/corvalline") + "' --headless --demo --events title.events");
  EXPECT_EQ(play.status, 0) << play.err;
  const corv::test::RgbImage frame = corv::e2e::ReadShot(run / "title.png");
  EXPECT_EQ(frame.width, 640);
  EXPECT_EQ(frame.height, 480);
  EXPECT_GT(ColourCount(frame), 50u) << "the title frame looks blank";

  const Result version = RunIn(run, "'" + Root("bin/advc") + "' --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("advc ", 0), 0u) << version.out;
  const Result check =
      RunIn(run, "'" + Root("bin/advc") + "' check '" + Root("share/corvalline/demo/DEMO.ADV") + "'");
  EXPECT_EQ(check.status, 0) << check.out;
}

TEST(CommandLine, ExitStatusAndMessages) {
  struct Case {
    const char* args;
    int status;
    const char* out;  // expected in standard output ("" for nothing in particular)
    const char* err;  // expected in the errors
  };
  const Case cases[] = {
      {"--help", 0, "Usage: corvalline [OPTION]... [GAME.ADV]", ""},
      {"-h", 0, "--demo", ""},
      {"--version", 0, "corvalline ", ""},
      {"--bogus", 2, "", "corvalline: unknown option '--bogus'\nTry 'corvalline --help' for the options."},
      {"-x GAME.ADV", 2, "", "unknown option '-x'"},
      {"--depth 8", 2, "", "--depth must be 16, 24 or 32, not '8'"},
      {"--demo GAME.ADV", 2, "", "--demo plays the demo game"},
      {"--headless --events", 2, "", "option --events needs a value"},
      {"--headless --events missing.events --demo", 2, "", "missing.events: cannot read the events file"},
      {"--headless missing.ADV", 1, "", "missing.ADV: no such game file"},
  };
  Folder folder;
  for (const Case& c : cases) {
    const Result result = RunIn(folder, std::string("'") + CORVALLINE_EXE + "' " + c.args);
    EXPECT_EQ(result.status, c.status) << c.args << "\n" << result.err;
    EXPECT_NE(result.out.find(c.out), std::string::npos) << c.args << "\n" << result.out;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << c.args << "\n" << result.err;
    if (c.status == 0) {
      EXPECT_EQ(result.err, "") << c.args;
    } else {
      EXPECT_EQ(result.out, "") << c.args;
    }
  }
}

// A headless run with no events file waits for input forever; it must still end at a plain kill.
TEST(CommandLine, HeadlessRunEndsOnTerminate) {
  Folder folder;
  // timeout sends SIGTERM after 2 s (status 124), and SIGKILL 10 s later only if that was ignored (137).
  const Result run =
      RunIn(folder, std::string("timeout -k 10 -s TERM 2 '") + CORVALLINE_EXE + "' --headless --demo");
  EXPECT_EQ(run.status, 124) << run.err;
}

// From the build tree, --demo finds build/demo/DEMO.ADV beside the executable; a copy of the program
// alone in a folder says clearly that it has no demo.
TEST(CommandLine, DemoIsFoundBesideTheBuiltProgramOrReportedMissing) {
  Folder folder;
  std::ofstream(folder / "title.events") << "wait 4000\nshot title.png\n";
  const Result built =
      RunIn(folder, std::string("'") + CORVALLINE_EXE + "' --headless --demo --events title.events");
  EXPECT_EQ(built.status, 0) << built.err;
  EXPECT_TRUE(fs::is_regular_file(folder / "title.png"));

  fs::create_directories(folder / "alone");
  fs::copy_file(CORVALLINE_EXE, folder / "alone/corvalline");
  const Result alone = RunIn(folder, "'" + (folder / "alone/corvalline") + "' --headless --demo");
  EXPECT_EQ(alone.status, 1);
  EXPECT_NE(alone.err.find("corvalline: the demo game is not installed (looked for " +
                           (folder / "alone/demo/DEMO.ADV") + " and " + folder.path().string() +
                           "/share/corvalline/demo/DEMO.ADV)"),
            std::string::npos)
      << alone.err;
}

}  // namespace
