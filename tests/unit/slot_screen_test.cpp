// The slot screen: slot file names, their labels, the list's layout and input, and where slot files go.
#include "interaction/slot_screen.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>

#include "interaction/system_menu.h"
#include "interaction/waits.h"
#include "menu_fixture.h"

namespace corv {
namespace {

using test::ScratchFolder;
using testing::MenuRig;

const std::u32string kNoData = U"  Ｎｏ　Ｄａｔａ";

void Touch(const std::string& path, std::time_t when = 0) {
  std::ofstream(path) << "x";
  if (when != 0) {
    utimbuf times{when, when};
    ::utime(path.c_str(), &times);
  }
}

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

// A folder that the player cannot write: a read-only folder, or, for a user that writes anywhere, a
// folder of the process file system.
std::string UnwritableFolder(const ScratchFolder& temp) {
  const std::string folder = temp.str() + "locked/";
  std::filesystem::create_directory(folder);
  ::chmod(folder.c_str(), 0555);
  if (::access(folder.c_str(), W_OK) != 0) return folder;
  return "/proc/self/";
}

// Points XDG_DATA_HOME at a folder for the length of a test.
class DataHome {
 public:
  explicit DataHome(const std::string& path) {
    if (const char* old = std::getenv("XDG_DATA_HOME")) old_ = old;
    ::setenv("XDG_DATA_HOME", path.c_str(), 1);
  }
  ~DataHome() {
    if (old_) {
      ::setenv("XDG_DATA_HOME", old_->c_str(), 1);
    } else {
      ::unsetenv("XDG_DATA_HOME");
    }
  }

 private:
  std::optional<std::string> old_;
};

TEST(SlotFileName, GameNameWithoutExtensionThenTheNumber) {
  ScratchFolder temp;
  struct Case {
    std::string game_file, save_dir;
    int n;
    std::string expected;
  };
  const std::string other = temp.str() + "saves";
  const Case cases[] = {
      {"STORY.ADV", "", 1, temp.str() + "STORY1.SAV"},      {"STORY.ADV", "", 5, temp.str() + "STORY5.SAV"},
      {"my game.adv", "", 3, temp.str() + "my game3.SAV"},  {"STORY.ADV", other, 2, other + "/STORY2.SAV"},
      {"STORY.ADV", other + "/", 2, other + "/STORY2.SAV"},
  };
  for (const Case& c : cases) {
    MenuRig rig;
    rig.player.location = {temp.str(), c.game_file, c.save_dir};
    EXPECT_EQ(SlotFileName(rig.player, c.n), c.expected) << c.game_file << " " << c.n;
  }
}

TEST(SlotLabel, ModificationTimeOrNoData) {
  ScratchFolder temp;
  ScratchFolder elsewhere;
  MenuRig rig;
  rig.player.location = {temp.str(), "STORY.ADV", ""};
  Touch(temp.str() + "STORY1.SAV", LocalTime(2000, 3, 16, 12, 34, 56));
  Touch(temp.str() + "story2.sav", LocalTime(1999, 12, 31, 23, 59, 59));  // any letter case
  Touch(temp.str() + "STORY3.SAV", LocalTime(2024, 2, 29, 0, 0, 0));
  ::chmod((temp.str() + "STORY3.SAV").c_str(), 0);  // only looked up, never opened
  Touch(temp.str() + "STORY03.SAV");
  std::filesystem::create_directory(temp.str() + "STORY4.SAV");  // folders do not count
  Touch(elsewhere.str() + "STORY5.SAV");
  const std::u32string expected[] = {
      U"", U"2000/03/16 12:34:56", U"1999/12/31 23:59:59", U"2024/02/29 00:00:00", kNoData, kNoData};
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(SlotLabel(rig.player, n).value(), expected[n]) << "slot " << n;
}

// Any time a file system can hold gets a label of the usual width: times past year 9999 (or before year
// 1, here or in another time zone) show as the last (or first) second.
TEST(SlotLabel, TimesOutsideFourDigitYearsShowAsTheNearerEnd) {
  struct Case {
    const char* zone;
    int64_t seconds;
    const char32_t* label;
  };
  const Case cases[] = {
      {"UTC0", 981173106, U"2001/02/03 04:05:06"},
      {"UTC0", -1, U"1969/12/31 23:59:59"},
      {"UTC0", 253402300799, U"9999/12/31 23:59:59"},
      {"UTC0", 253402300800, U"9999/12/31 23:59:59"},
      {"UTC0", 67000000000000000, U"9999/12/31 23:59:59"},
      {"UTC0", INT64_MAX, U"9999/12/31 23:59:59"},
      {"UTC0", -62135596800, U"0001/01/01 00:00:00"},
      {"UTC0", INT64_MIN, U"0001/01/01 00:00:00"},
      {"JST-9", 253402300799, U"9999/12/31 23:59:59"},
      {"JST-9", 253402300799 - 9 * 3600, U"9999/12/31 23:59:59"},
      {"JST-9", 253402300799 - 9 * 3600 - 1, U"9999/12/31 23:59:58"},
      {"EST5", -62135596800, U"0001/01/01 00:00:00"},
  };
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  for (const Case& c : cases) {
    ::setenv("TZ", c.zone, 1);
    ::tzset();
    EXPECT_EQ(TimeLabel(c.seconds), c.label) << c.zone << " " << c.seconds;
  }
  old ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
}

TEST(SlotLabel, MissingGameFolderMeansNoData) {
  MenuRig rig;
  rig.player.location = {"/nonexistent-corvalline/", "STORY.ADV", "/nonexistent-corvalline/saves"};
  EXPECT_EQ(SlotLabel(rig.player, 1).value(), kNoData);
}

// Box glyphs at 16 points are 21 pixels a character; the label's third character is the first drawn.
TEST(DrawSlotList, NoDataHighlightedAtX226) {
  ScratchFolder temp;
  MenuRig rig;
  rig.player.location = {temp.str(), "STORY.ADV", ""};
  rig.player.screen.TextFont = FontSpec{9.4, false, false};
  Surface& back = rig.player.screen.BackBuffer;
  ASSERT_TRUE(RefreshSlotLabels(rig.player).ok());
  ASSERT_TRUE(DrawSlotList(rig.player, back, 1).ok());
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(rig.player.menu.SlotLabels[n], kNoData);
  EXPECT_EQ(back.ReadPixel(226 + 42 + 1, 171), 0xFFFFFFu);  // slot 1, bold, moved left by 4
  EXPECT_EQ(back.ReadPixel(226 + 42, 171), 0u);
  EXPECT_EQ(back.ReadPixel(230 + 42 + 1, 201), 0xA0A0A0u);   // slot 2 at its own x
  EXPECT_EQ(back.ReadPixel(230 + 42 + 20, 221), 0x303030u);  // its shadow, two pixels on
  EXPECT_EQ(rig.player.screen.TextFont, (FontSpec{9, false, false}));
}

TEST(DrawSlotList, LabelsAreLookedUpOnlyWhenRefreshed) {
  ScratchFolder temp;
  MenuRig rig;
  rig.player.location = {temp.str(), "STORY.ADV", ""};
  Surface& back = rig.player.screen.BackBuffer;
  ASSERT_TRUE(RefreshSlotLabels(rig.player).ok());
  Touch(temp.str() + "STORY2.SAV");
  ASSERT_TRUE(DrawSlotList(rig.player, back, -1).ok());
  EXPECT_EQ(rig.player.menu.SlotLabels[2], kNoData);
  ASSERT_TRUE(RefreshSlotLabels(rig.player).ok());
  EXPECT_NE(rig.player.menu.SlotLabels[2], kNoData);
}

TEST(SelectSlot, ClicksBetweenSlotsDoNothing) {
  ScratchFolder temp;
  MenuRig rig;
  rig.player.location = {temp.path(), "STORY.ADV", ""};
  ASSERT_TRUE(RefreshSlotLabels(rig.player).ok());
  ASSERT_TRUE(DrawSlotList(rig.player, rig.player.screen.BackBuffer, -1).ok());
  rig.display.Click(300, 186);
  rig.display.Click(425, 205);
  rig.display.Click(300, 201);
  EXPECT_EQ(SelectSlot(rig.player).value(), 2);
  rig.display.RightClick();
  EXPECT_EQ(SelectSlot(rig.player).value(), -1);
}

// A player at a choice wait (an opcode 9 at position 37) of a game in `folder`, with one option.
void StandAtAChoice(Player& player, const std::string& folder) {
  player.location = {folder, "STORY.ADV", ""};
  player.game.GameImage.assign(40, 0);
  player.game.GameImage[36] = 9;
  player.game.ScriptEnd = 40;
  player.script.ScriptPosition = 37;
  player.choices.Choices[0] = {U"はい", 38};
  NoteResumePoint(player, ResumePoint::Kind::kChoice);
}

TEST(SlotScreen, SaveFromTheMenuWritesTheSlotFileAndLoadBringsItBack) {
  ScratchFolder temp;
  MenuRig rig;
  Player& player = rig.player;
  StandAtAChoice(player, temp.path());
  player.script.Variables[7] = 1234;

  rig.display.Click(300, 170);  // "S A V E"
  rig.display.Click(300, 265);  // slot 4 (261 to 275)
  EXPECT_EQ(SystemMenu(player), 0);
  EXPECT_TRUE(std::filesystem::is_regular_file(temp.str() + "STORY4.SAV"));

  player.script.Variables[7] = 0;
  rig.display.Click(300, 200);  // "L O A D"
  rig.display.Click(300, 265);  // slot 4 (261 to 275)
  EXPECT_EQ(SystemMenu(player), kMenuLoadChosen);
  ASSERT_TRUE(player.menu.chosen_load.has_value());
  EXPECT_EQ(player.menu.chosen_load->Variables[7], 1234);
  EXPECT_EQ(player.menu.chosen_load->resume.position, 37);
}

// A load chosen in the menu ends the wait that opened it at once (a wait that went on would poll for
// more events than were queued), and the game waits for the interpreter loop.
TEST(SlotScreen, ALoadChosenEndsTheWaitThatOpenedTheMenu) {
  ScratchFolder temp;
  MenuRig rig;
  Player& player = rig.player;
  StandAtAChoice(player, temp.path());
  ASSERT_TRUE(SaveToSlot(player, 1).ok());
  const std::pair<const char*, std::function<WaitEnd()>> waits[] = {
      {"a timed pause", [&] { return TimedWait(player, 1000); }},
      {"a choice", [&] { return WaitForChoice(player); }},
  };
  for (const auto& [name, wait] : waits) {
    player.menu.chosen_load.reset();
    rig.display.RightClick();
    rig.display.Click(300, 200);  // "L O A D"
    rig.display.Click(300, 175);  // slot 1
    EXPECT_EQ(wait(), WaitEnd::kLoadChosen) << name;
    ASSERT_TRUE(player.menu.chosen_load.has_value()) << name;
    EXPECT_EQ(player.menu.chosen_load->resume.position, 37) << name;
  }
}

TEST(SlotScreen, ReadOnlyGameFolderSavesIntoTheDataFolder) {
  ScratchFolder temp;
  DataHome home(temp.str() + "data");
  MenuRig rig;
  Player& player = rig.player;
  StandAtAChoice(player, UnwritableFolder(temp));
  const std::string folder = temp.str() + "data/corvalline/STORY/";
  EXPECT_EQ(SlotFolder(player), folder);
  ASSERT_TRUE(SaveToSlot(player, 1).ok());
  EXPECT_TRUE(std::filesystem::is_regular_file(folder + "STORY1.SAV"));
  EXPECT_NE(SlotLabel(player, 1).value(), kNoData);  // the labels look there too
  EXPECT_EQ(SlotLabel(player, 2).value(), kNoData);
}

// Temporary files of saves that were killed go at the next save into the folder; files that only look
// like them (another game's, a link, a folder, another ending) stay.
TEST(SlotScreen, ASaveRemovesWhatKilledSavesLeftBehind) {
  ScratchFolder temp;
  MenuRig rig;
  Player& player = rig.player;
  StandAtAChoice(player, temp.path());
  const std::string left[] = {"STORY1.SAV.tmp-a1B2c3", "story3.sav.tmp-ZZZZZZ", "STORY2.SAV.bak.tmp-000000"};
  const std::string kept[] = {"STORY2.SAV.tmp-abc",    "STORY2.SAV.backup",     "OTHER1.SAV.tmp-a1B2c3",
                              "STORY9.SAV.tmp-a1B2c3", "STORY4.SAV.tmp-qwerty", "STORY5.SAV.tmp-folder"};
  for (const std::string& name : left) Touch(temp.str() + name);
  for (const std::string& name : kept) Touch(temp.str() + name);
  std::filesystem::remove(temp.str() + kept[4]);
  std::filesystem::create_symlink(temp.str() + kept[0], temp.str() + kept[4]);
  std::filesystem::remove(temp.str() + kept[5]);
  std::filesystem::create_directory(temp.str() + kept[5]);
  ASSERT_TRUE(SaveToSlot(player, 5).ok());
  for (const std::string& name : left) EXPECT_FALSE(std::filesystem::exists(temp.str() + name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(std::filesystem::exists(temp.str() + name)) << name;
  EXPECT_TRUE(std::filesystem::is_regular_file(temp.str() + "STORY5.SAV"));
}

TEST(SlotScreen, NothingToSaveBeforeTheFirstWaitIsSaidOnThePanel) {
  ScratchFolder temp;
  MenuRig rig;
  rig.player.location = {temp.path(), "STORY.ADV", ""};
  EXPECT_EQ(SaveToSlot(rig.player, 1).reason<SaveFailure>(), SaveFailure::kNothingToSave);
  rig.display.Click(300, 170);  // "S A V E"
  rig.display.Click(300, 175);  // slot 1
  rig.display.Click(100, 100);  // dismisses the notice
  EXPECT_EQ(SystemMenu(rig.player), 0);
  EXPECT_FALSE(std::filesystem::exists(temp.str() + "STORY1.SAV"));
  // The frame before the page comes back shows the notice's first character.
  const auto& frames = rig.display.frames;
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[frames.size() - 2].ReadPixel(223, 201), 0xFFFFFFu);
}

}  // namespace
}  // namespace corv
