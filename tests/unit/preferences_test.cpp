#include "shell/preferences.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media_test_support.h"

namespace corv {
namespace {

namespace fs = std::filesystem;

// Every setting away from its default survives a write and a read, and the write leaves no temporary
// file beside the settings.
TEST(Preferences, RoundTrip) {
  test::ScratchFolder folder("corv_prefs");
  Preferences chosen;
  chosen.depth = 24;
  chosen.drawing_mode = 2;
  chosen.fullscreen = false;
  chosen.window_width = 1000;
  chosen.window_height = 700;
  chosen.scaling = Scaling::kFit;
  chosen.volume = 30;
  chosen.muted = true;
  chosen.text_speed_ms = 0;
  chosen.auto_delay_ms = 2500;
  chosen.skip_unread = true;
  chosen.strict = true;
  chosen.last_game_folder = "/games/夕暮れ = \"x\"\n/";
  const std::string path = folder.str() + "new/settings.ini";
  std::string error;
  ASSERT_TRUE(WritePreferences(path, chosen, &error)) << error;
  Preferences read;
  testing::internal::CaptureStderr();
  ReadPreferences(path, read);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(read, chosen);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.str() + "new"), fs::directory_iterator()), 1);
}

// The defaults but for the sound settings.
Preferences Sound(int volume, bool muted) {
  Preferences prefs;
  prefs.volume = volume;
  prefs.muted = muted;
  return prefs;
}

// What cannot be taken is left at its default with one line each; the rest of the file still counts.
TEST(Preferences, DamagedFilesAndKeys) {
  struct Case {
    const char* text;
    int notes;
    Preferences read;  // every field, so a damaged line changes nothing else
  };
  const Case cases[] = {
      {"", 0, {}},
      {"[sound]\nvolume=40\nmuted=true\n", 0, Sound(40, true)},
      {"[sound]\nvolume=abc\nmuted=true\n", 1, Sound(100, true)},
      {"[sound]\nvolume=101\nloudness=3\nmuted=yes\n", 3, {}},
      {"[display]\nvolume=40\n", 1, {}},  // a known key in the wrong group
      {"this is no settings file\n[sound]\nvolume=40\n", 1, {}},
  };
  test::ScratchFolder folder("corv_prefs_damaged");
  const std::string path = folder.str() + "settings.ini";
  for (const Case& c : cases) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.text;
    Preferences prefs;
    testing::internal::CaptureStderr();
    ReadPreferences(path, prefs);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), c.notes) << c.text << said;
    EXPECT_EQ(prefs, c.read) << c.text;
  }
}

}  // namespace
}  // namespace corv
