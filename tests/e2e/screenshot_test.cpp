// F12 keeps the frame on screen as a PNG in the user's pictures folder, never over an earlier one.
#include <gtest/gtest.h>

#include <regex>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

TEST(Screenshot, F12WritesTheFrameOnScreen) {
  HeadlessGame game("text_wait 0\nmessage \"写真を撮る。\"\nclick\nend\n");
  const fs::path& folder = game.folder().path();
  ScopedEnv home("HOME", folder.string());
  ScopedEnv config("XDG_CONFIG_HOME", (folder / "config").string());  // no pictures folder named
  const RunResult result = game.Play("idle\nkey f12\nkey f12\nshot shot.png\n");
  ASSERT_EQ(result.status, 0) << result.err;

  const fs::path pictures = folder / "Pictures" / "Corvalline";
  const RgbImage shot = game.Shot("shot.png");
  int files = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(pictures)) {
    ++files;
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(GAME-\d{8}-\d{6}(-2)?\.png)"))) << name;
    EXPECT_NE(result.err.find("screenshot saved as " + entry.path().string()), std::string::npos)
        << result.err;
    EXPECT_TRUE(ReadShot(entry.path()) == shot) << name;
  }
  EXPECT_EQ(files, 2);
}

}  // namespace
}  // namespace corv::e2e
