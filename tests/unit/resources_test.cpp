#include "media/resources.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_codec.h"
#include "scratch_folder.h"
#include "test_game.h"

namespace corv {
namespace {

using test::GameBuilder;
using test::TestPlayer;

// Executes the name definition at `at` as the interpreter would.
void Define(TestPlayer& t, int32_t at) {
  t.player.script.ScriptPosition = at;
  DefineName(t.player);
}

TEST(DefineName, TakesTheNextNameOfItsPoolWhateverTheNumber) {
  GameBuilder b;
  const int32_t music5 = b.DefineName(3, 5, "OPEN");
  const int32_t music2 = b.DefineName(3, 2, "\x8b\xc8");  // one Shift-JIS character
  const int32_t background = b.DefineName(2, 7, "ROOM");
  b.DefineName(2, 7, "HALL");  // only in the pool: the second run of the instruction above takes it
  const int32_t picture = b.DefineName(16, 1000, "FACE");
  b.End();
  TestPlayer t;
  ASSERT_TRUE(t.Load(b.Build()));
  Define(t, music5);
  Define(t, music2);
  Define(t, background);
  EXPECT_EQ(t.player.game.BackgroundNames[7], U"ROOM");
  Define(t, background);
  Define(t, picture);
  EXPECT_EQ(t.player.game.MusicNames[5], U"OPEN");
  EXPECT_EQ(t.player.game.MusicNames[2], U"\u66f2");
  EXPECT_EQ(t.player.game.BackgroundNames[7], U"HALL");
  EXPECT_EQ(t.player.game.PictureNames[1000], U"FACE");
}

TEST(DefineName, DefinesNothingForBadNumbersLengthsAndPools) {
  struct Case {
    const char* name;
    int16_t number;
    int16_t length;
    bool pool_past_end;
    const char* diagnostic;  // nullptr: silent
  };
  const Case cases[] = {
      {"length 0", 1, 0, false, nullptr},
      {"negative length", 1, -3, false, nullptr},
      {"negative number", -1, 4, false, nullptr},
      {"number above 1000", 1001, 4, false, "above 1000"},
      {"largest number", 32767, 4, false, "above 1000"},
      {"pool runs past the end", 1, 4, true, "runs outside the file"},
  };
  for (const Case& c : cases) {
    GameBuilder b;
    b.DefineName(2, 0, "ABCD");  // the pool holds exactly one 4-byte name
    const int32_t at = b.DefineNameRaw(2, c.number, c.length);
    b.End();
    std::vector<uint8_t> image = b.Build();
    if (c.pool_past_end) GameBuilder::Put32(image, 9, static_cast<int32_t>(image.size()) - 1);
    TestPlayer t;
    ASSERT_TRUE(t.Load(image)) << c.name;
    const int32_t cursor = t.player.game.BackgroundNameCursor;
    testing::internal::CaptureStderr();
    Define(t, at);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(t.player.game.BackgroundNameCursor, cursor) << c.name;
    for (const auto& name : t.player.game.BackgroundNames) EXPECT_TRUE(name.empty()) << c.name;
    if (c.diagnostic) {
      EXPECT_NE(err.find(c.diagnostic), std::string::npos) << c.name << ": " << err;
      EXPECT_NE(err.find("position " + std::to_string(at)), std::string::npos) << c.name << ": " << err;
    } else {
      EXPECT_EQ(err, "") << c.name;
    }
  }
}

class ResourceFolder : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::mkdir((root.str() + "game").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((game() + "Sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((game() + "Dir.BMP").c_str(), 0755), 0);
    root.Write("game/Bg01.bmp", "x");
    root.Write("game/Sub/Pic.BMP", "x");
    root.Write("game/.hidden.BMP", "x");
    root.Write("game/ro.BMP", "x");
    ::chmod((game() + "ro.BMP").c_str(), 0444);
    root.Write("game/\xe8\x83\x8c\xe6\x99\xaf.BMP", "x");  // 背景
    root.Write("game/\xef\xbd\x82\xef\xbd\x87.MID", "x");  // ｂｇ, full-width lower case
    root.Write("game/bad\xef\xbf\xbd.BMP", "x");           // a name holding U+FFFD
    root.Write("outside.BMP", "x");
    t.player.location.GameFolder = game();
  }
  std::string game() const { return root.str() + "game/"; }

  test::ScratchFolder root;
  TestPlayer t;
};

TEST_F(ResourceFolder, FindsFilesInAnyLetterCaseInsideTheGameFolderOnly) {
  struct Case {
    std::u32string name;
    const char* extension;
    const char* found;  // relative to the game folder; nullptr: not found
  };
  const Case cases[] = {
      {U"BG01", ".BMP", "Bg01.bmp"},
      {U"bg01", ".bmp", "Bg01.bmp"},
      {U"Sub\\Pic", ".BMP", "Sub/Pic.BMP"},
      {U"SUB\\PIC", ".bmp", "Sub/Pic.BMP"},
      {U"sub/pic", ".BMP", "Sub/Pic.BMP"},
      {U".hidden", ".BMP", ".hidden.BMP"},
      {U"ro", ".BMP", "ro.BMP"},
      {U"\u80cc\u666f", ".BMP", "\xe8\x83\x8c\xe6\x99\xaf.BMP"},
      {U"\uff22\uff27", ".MID", "\xef\xbd\x82\xef\xbd\x87.MID"},
      {U"Dir", ".BMP", nullptr},  // a folder is not a file
      {U"Sub", "", nullptr},
      {U"", ".BMP", nullptr},  // an undefined name names no file
      {U"..\\outside", ".BMP", nullptr},
      {U"../outside", ".BMP", nullptr},
      {U"Sub\\..\\..\\outside", ".BMP", nullptr},
      {U"\\outside", ".BMP", nullptr},
      {U"/outside", ".BMP", nullptr},
      {U"Sub\\\\Pic", ".BMP", nullptr},
      {U".\\Bg01", ".bmp", nullptr},
      {U"bad\uFFFD", ".BMP", nullptr},  // undecodable names never reach the file system
      {U"Bg0?", ".bmp", nullptr},       // no wildcards
      {std::u32string(U"Bg01\0", 5), ".bmp", nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> found = FindResource(t.player, c.name, c.extension);
    if (c.found) {
      EXPECT_EQ(found.value_or("(none)"), game() + c.found) << ToUtf8(c.name);
    } else {
      EXPECT_FALSE(found.has_value()) << ToUtf8(c.name) << " found " << *found;
    }
  }
  // An absolute name that exists is still refused.
  EXPECT_FALSE(FindResource(t.player, FromUtf8(root.str() + "outside"), ".BMP").has_value());
}

// Symbolic links inside the game folder count only while they lead to files inside it.
TEST_F(ResourceFolder, SymbolicLinksNeverLeadOutOfTheGameFolder) {
  struct Link {
    const char* name;
    const char* target;
  };
  for (const Link& l : {Link{"Out.BMP", "../outside.BMP"}, Link{"root", "/"}, Link{"up", ".."},
                        Link{"In.BMP", "Bg01.bmp"}, Link{"Inner", "Sub"}}) {
    ASSERT_EQ(::symlink(l.target, (game() + l.name).c_str()), 0) << l.name;
  }
  struct Case {
    std::u32string name;
    std::string found;  // relative to the game folder; empty: not found
  };
  const Case cases[] = {
      {U"Out", ""},
      {U"up\\outside", ""},
      {FromUtf8("root" + root.str() + "outside"), ""},
      {FromUtf8("root" + root.str() + "game/Bg01"), "root" + root.str() + "game/Bg01.bmp"},
      {U"In", "In.BMP"},
      {U"Inner\\Pic", "Inner/Pic.BMP"},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> found = FindResource(t.player, c.name, ".BMP");
    if (!c.found.empty()) {
      EXPECT_EQ(found.value_or("(none)"), game() + c.found) << ToUtf8(c.name);
    } else {
      EXPECT_FALSE(found.has_value()) << ToUtf8(c.name) << " found " << *found;
    }
  }
}

TEST_F(ResourceFolder, FileExistsCountsRegularFilesInAnyLetterCase) {
  struct Case {
    std::string path;
    const char* found;  // as the directory spells it; nullptr: no such file
  };
  const Case cases[] = {
      {game() + "BG01.BMP", "Bg01.bmp"},
      {game() + ".HIDDEN.bmp", ".hidden.BMP"},
      {game() + "RO.bmp", "ro.BMP"},
      {game() + "dir.bmp", nullptr},
      {game() + "Sub", nullptr},
      {game() + "none.BMP", nullptr},
      {game(), nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> found = FindFileNoCase(c.path);
    EXPECT_EQ(FileExists(c.path), c.found != nullptr) << c.path;
    if (c.found) {
      EXPECT_EQ(found.value_or("(none)"), game() + c.found) << c.path;
    }
  }
}

}  // namespace
}  // namespace corv
