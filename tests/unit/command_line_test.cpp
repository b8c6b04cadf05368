#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "version.h"

namespace corv {
namespace {

TEST(ParseCommandLine, AcceptsEveryOption) {
  struct Case {
    std::vector<std::string> args;
    std::function<bool(const CommandLine&)> check;
    const char* what;
  };
  const Case cases[] = {
      {{},
       [](const CommandLine& c) {
         return c.depth == 0 && c.drawing_mode == -1 && !c.headless && !c.game_path &&
                c.window_mode == WindowMode::kFullscreen;
       },
       "defaults"},
      {{"--depth", "16"}, [](const CommandLine& c) { return c.depth == 16; }, "depth 16"},
      {{"--depth=24"}, [](const CommandLine& c) { return c.depth == 24; }, "depth=24"},
      {{"--drawing-mode", "fine"}, [](const CommandLine& c) { return c.drawing_mode == 2; }, "fine"},
      {{"--drawing-mode=coarse"}, [](const CommandLine& c) { return c.drawing_mode == 0; }, "coarse"},
      {{"--drawing-mode", "1"}, [](const CommandLine& c) { return c.drawing_mode == 1; }, "mode 1"},
      {{"--window"}, [](const CommandLine& c) { return c.window_mode == WindowMode::kWindow; }, "window"},
      {{"--window", "--fullscreen"},
       [](const CommandLine& c) { return c.window_mode == WindowMode::kFullscreen; },
       "the last of window and fullscreen wins"},
      {{"--headless", "G.ADV"},
       [](const CommandLine& c) { return c.headless && c.game_path == "G.ADV"; },
       "headless"},
      {{"--events", "e.txt", "--trace=t.txt", "--audio-out", "a.wav", "--soundfont", "s.sf2", "--save-dir",
        "saves"},
       [](const CommandLine& c) {
         return c.events_path == "e.txt" && c.trace_path == "t.txt" && c.audio_out_path == "a.wav" &&
                c.soundfont_path == "s.sf2" && c.save_dir == "saves";
       },
       "paths"},
      {{"--", "--odd.ADV"}, [](const CommandLine& c) { return c.game_path == "--odd.ADV"; }, "after --"},
      {{"-"}, [](const CommandLine& c) { return c.game_path == "-"; }, "a lone dash is a name"},
      {{"--demo"}, [](const CommandLine& c) { return c.demo && !c.game_path; }, "demo"},
      {{"--headless", "--demo", "--events", "e.txt"},
       [](const CommandLine& c) { return c.demo && c.headless && c.events_path == "e.txt"; },
       "demo among other options"},
      {{"--help"}, [](const CommandLine& c) { return c.help; }, "help"},
      {{"-h"}, [](const CommandLine& c) { return c.help; }, "-h"},
      {{"--version"}, [](const CommandLine& c) { return c.version; }, "version"},
  };
  for (const Case& c : cases) {
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(c.args, line, &error)) << c.what << ": " << error;
    EXPECT_TRUE(c.check(line)) << c.what;
  }
}

TEST(ParseCommandLine, RefusesBadUsageClearly) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      // Values outside an option's choices.
      {{"--depth", "8"}, "--depth must be 16, 24 or 32, not '8'"},
      {{"--drawing-mode", "3"}, "--drawing-mode must be 0, 1, 2, coarse, normal or fine, not '3'"},
      {{"--drawing-mode", "Fine"}, "not 'Fine'"},
      // Options that need a value, given none.
      {{"--depth"}, "option --depth needs a value"},
      {{"--depth="}, "option --depth needs a value"},
      {{"--trace"}, "option --trace needs a value"},
      // Options that take no value, given one.
      {{"--headless=yes"}, "option --headless takes no value"},
      {{"--demo=yes"}, "option --demo takes no value"},
      {{"--help=x"}, "option --help takes no value"},
      // Names that are no option, near misses of real ones among them.
      {{"--fast"}, "unknown option '--fast'"},
      {{"-x"}, "unknown option '-x'"},
      {{"--Demo"}, "unknown option '--Demo'"},
      {{"--versions"}, "unknown option '--versions'"},
      // More than one game.
      {{"A.ADV", "B.ADV"}, "only one game file"},
      {{"--demo", "G.ADV"}, "--demo plays the demo game; it cannot be given with a game file ('G.ADV')"},
      {{"G.ADV", "--demo"}, "cannot be given with a game file ('G.ADV')"},
  };
  for (const Case& c : cases) {
    CommandLine line;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(c.args, line, &error)) << c.message;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(HelpText, NamesEveryOption) {
  const std::string help = HelpText();
  for (const char* option : {"--depth", "--drawing-mode", "--window", "--fullscreen", "--headless",
                             "--events", "--trace", "--audio-out", "--soundfont", "--save-dir", "--demo",
                             "--help", "--version", "--strict", "--text-out", "--config", "--no-config"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

// Help and version go to terminals: no line wider than 80 columns, no tab, and a final newline.
TEST(HelpText, FitsAnEightyColumnTerminal) {
  for (const std::string& text : {HelpText(), VersionText()}) {
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\t'), std::string::npos);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
  }
}

// The README copies the option list of --help for newcomers; it must not drift from the program.
TEST(HelpText, IsWhatTheReadmeShows) {
  // CORV_TEST_DATA is SOURCE/tests/data, which need not exist: its path is cut, not followed.
  std::ifstream in(std::filesystem::path(CORV_TEST_DATA).parent_path().parent_path() / "README.md");
  ASSERT_TRUE(in) << "README.md not found";
  std::stringstream readme;
  readme << in.rdbuf();
  const std::string help = HelpText();
  const size_t first = help.find("Game:\n");
  const size_t last = help.find("\n", help.find("--version"));
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(last, std::string::npos);
  EXPECT_NE(readme.str().find(help.substr(first, last + 1 - first)), std::string::npos)
      << "the README's option list differs from --help";
}

TEST(VersionText, StartsWithTheProgramAndItsVersion) {
  EXPECT_EQ(VersionText().rfind(std::string("corvalline ") + CORV_VERSION + "\n", 0), 0u) << VersionText();
}

}  // namespace
}  // namespace corv
