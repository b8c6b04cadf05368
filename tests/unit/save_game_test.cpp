// Saved games: the round trip of the state, refusal of damaged and foreign files, the resume point,
// depth conversion, and a write that never loses the previous save.
#include "interaction/save_game.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "interaction/comforts.h"
#include "interaction/save_serializer.h"
#include "interaction/slot_screen.h"
#include "menu_fixture.h"
#include "platform/compression.h"
#include "platform/file_store.h"

namespace corv {
namespace {

using test::SameBytes;
using test::ScratchFolder;
using testing::MenuRig;

// A script with a message (opcode 130) at position 37 and a choice wait (opcode 9) at 46.
void LoadTinyGame(Player& player) {
  player.game.GameImage.assign(60, 0);
  std::memcpy(player.game.GameImage.data(), "CRVL", 4);
  player.game.GameImage[36] = 130;
  player.game.GameImage[45] = 9;
  player.game.ScriptEnd = 60;
}

// A player standing at the choice wait, with something in every part of the state.
void PlayUntilTheChoice(Player& player) {
  LoadTinyGame(player);
  player.script.Variables[0] = -5;
  player.script.Variables[10000] = 77;
  player.script.TextMode = 1;
  player.script.TextWait = 40;
  player.script.Random.discard(3);
  player.game.BackgroundNames[3] = U"ROOM";
  player.game.MusicNames[2] = U"THEME";
  player.game.PictureNames[1000] = U"GIRL";
  player.game.BackgroundNameCursor = 50;
  player.text.TextCursorX = 102;
  player.text.TextCursorY = 330;
  player.screen.PictureSurfaces[5].WritePixel(30, 30, 0xFFFFFF);
  player.screen.WorkSurface.WritePixel(1, 2, 0x00FF00);
  player.screen.MessageSaveSurface.WritePixel(3, 4, 0x0000FF);
  player.choices.Choices[0] = {U"はい", 47};
  player.choices.Choices[1] = {U"いいえ", 50};
  player.script.ScriptPosition = 46;
  NoteResumePoint(player, ResumePoint::Kind::kChoice);
}

std::vector<uint8_t> SaveBytes(Player& player) {
  return EncodeSavedGame(player, *CaptureGame(player));
}

TEST(ResumePoint, RecordedOnlyAtItsOwnOpcode) {
  MenuRig rig;
  Player& player = rig.player;
  LoadTinyGame(player);
  player.script.ScriptPosition = 37;  // a click wait inside the message: not a choice to resume
  NoteResumePoint(player, ResumePoint::Kind::kChoice);
  EXPECT_EQ(player.menu.resume.kind, ResumePoint::Kind::kNone);
  EXPECT_FALSE(CaptureGame(player).has_value());
  NoteResumePoint(player, ResumePoint::Kind::kMessage);
  EXPECT_EQ(player.menu.resume.kind, ResumePoint::Kind::kMessage);
  EXPECT_TRUE(player.menu.resume.work.Empty());
  player.script.ScriptPosition = 46;
  NoteResumePoint(player, ResumePoint::Kind::kMessage);  // not a message
  EXPECT_EQ(player.menu.resume.position, 37);
  NoteResumePoint(player, ResumePoint::Kind::kChoice);
  EXPECT_EQ(player.menu.resume.kind, ResumePoint::Kind::kChoice);
  EXPECT_EQ(player.menu.resume.position, 46);
  EXPECT_FALSE(player.menu.resume.work.Empty());
}

TEST(SavedGame, RoundTripRestoresEveryPart) {
  MenuRig saving;
  PlayUntilTheChoice(saving.player);
  const std::vector<uint8_t> bytes = SaveBytes(saving.player);

  MenuRig loading;
  Player& player = loading.player;
  LoadTinyGame(player);
  auto game = DecodeSavedGame(player, bytes);
  ASSERT_TRUE(game.ok()) << game.error();
  ApplySavedGame(player, std::move(*game));

  const Player& saved = saving.player;
  EXPECT_EQ(player.script.ScriptPosition, 46);
  EXPECT_EQ(player.script.Variables, saved.script.Variables);
  EXPECT_EQ(player.script.TextMode, 1);
  EXPECT_EQ(player.script.TextWait, 40);
  EXPECT_EQ(player.script.Random(), std::mt19937(saved.script.Random)());
  EXPECT_EQ(player.game.BackgroundNames[3], U"ROOM");
  EXPECT_EQ(player.game.MusicNames[2], U"THEME");
  EXPECT_EQ(player.game.PictureNames[1000], U"GIRL");
  EXPECT_EQ(player.game.BackgroundNameCursor, 50);
  EXPECT_EQ(player.text.TextCursorX, 102);
  EXPECT_EQ(player.text.TextCursorY, 330);
  EXPECT_EQ(player.choices.Choices[1].Text, U"いいえ");
  EXPECT_EQ(player.choices.Choices[1].Position, 50);
  EXPECT_TRUE(SameBytes(player.screen.PictureSurfaces[5], saved.screen.PictureSurfaces[5]));
  EXPECT_TRUE(SameBytes(player.screen.WorkSurface, saved.screen.WorkSurface));
  EXPECT_TRUE(SameBytes(player.screen.MessageSaveSurface, saved.screen.MessageSaveSurface));
  EXPECT_EQ(player.menu.resume.kind, ResumePoint::Kind::kChoice);
}

TEST(SavedGame, PicturesOfAnotherDepthAreConverted) {
  MenuRig saving(32);
  PlayUntilTheChoice(saving.player);
  const std::vector<uint8_t> bytes = SaveBytes(saving.player);

  MenuRig loading(16);
  LoadTinyGame(loading.player);
  auto game = DecodeSavedGame(loading.player, bytes);
  ASSERT_TRUE(game.ok()) << game.error();
  ApplySavedGame(loading.player, std::move(*game));
  const Surface& layer = loading.player.screen.PictureSurfaces[5];
  EXPECT_EQ(layer.Depth(), 16);
  EXPECT_EQ(layer.ReadPixel(30, 30), 0xFFFFu);          // white text stays white
  EXPECT_EQ(layer.ReadPixel(0, 0), *layer.colour_key);  // the transparent rest stays transparent
  EXPECT_EQ(loading.player.screen.WorkSurface.ReadPixel(1, 2), 0x07E0u);  // pure green in 5:6:5
}

// Rewrites the checksum after a change, to reach the checks behind it.
void Reseal(std::vector<uint8_t>& bytes) {
  const uint32_t crc = Crc32(std::span(bytes).subspan(16));
  for (int i = 0; i < 4; ++i) bytes[12 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

TEST(SavedGame, RefusesWhatItCannotTrust) {
  MenuRig saving;
  PlayUntilTheChoice(saving.player);
  const std::vector<uint8_t> good = SaveBytes(saving.player);
  const size_t payload = 16;

  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    SaveFileProblem problem;
  };
  const Case cases[] = {
      {"empty", [](auto& b) { b.clear(); }, SaveFileProblem::kNotASaveFile},
      {"other magic", [](auto& b) { b[0] = 'X'; }, SaveFileProblem::kNotASaveFile},
      {"header only", [](auto& b) { b.resize(12); }, SaveFileProblem::kDamaged},
      {"newer version", [](auto& b) { b[8] = kSaveFormatVersion + 1; }, SaveFileProblem::kNewerVersion},
      {"version 0", [](auto& b) { b[8] = 0; }, SaveFileProblem::kDamaged},
      {"truncated by one", [](auto& b) { b.pop_back(); }, SaveFileProblem::kDamaged},
      {"truncated in half", [](auto& b) { b.resize(b.size() / 2); }, SaveFileProblem::kDamaged},
      {"a flipped bit", [](auto& b) { b[b.size() / 3] ^= 0x10; }, SaveFileProblem::kDamaged},
      {"a byte more", [](auto& b) { b.push_back(0); }, SaveFileProblem::kDamaged},
      {"resealed with a byte more",
       [](auto& b) {
         b.push_back(0);
         Reseal(b);
       },
       SaveFileProblem::kDamaged},
      {"resealed, resume point off the opcode",
       [&](auto& b) {
         // Walk to the resume position: game id, variables, text settings, random state, numbers, names.
         const size_t random_size_at = payload + 8 + 4 + 4 * 10001 + 2;
         const uint32_t random_size = b[random_size_at] | (b[random_size_at + 1] << 8);
         size_t at = random_size_at + 4 + random_size + 16;  // picture and music numbers
         for (int table = 0; table < 3; ++table) {
           at += 4;
           for (int i = 0; i <= kMaxName; ++i) {
             const uint32_t n = b[at] | (b[at + 1] << 8) | (b[at + 2] << 16);
             at += 4 + 4 * n;
           }
         }
         at += 12 + 4;  // the name cursors and the kind
         b[at] = 47;    // the position: 47 holds no opcode 9
         Reseal(b);
       },
       SaveFileProblem::kDamaged},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    c.damage(bytes);
    const auto game = DecodeSavedGame(saving.player, bytes);
    EXPECT_FALSE(game.ok()) << c.what;
    EXPECT_EQ(game.reason<SaveFileProblem>(), c.problem) << c.what;
  }

  MenuRig other;
  PlayUntilTheChoice(other.player);
  other.player.game.GameImage[50] = 1;  // another release of the game
  EXPECT_EQ(DecodeSavedGame(other.player, good).reason<SaveFileProblem>(), SaveFileProblem::kOtherGame);
  EXPECT_TRUE(DecodeSavedGame(saving.player, good).ok());
}

// The backlog as it stood at the resume point is saved and loaded; a file of the first version, which
// had none, loads with an empty backlog.
TEST(SavedGame, KeepsTheBacklogAndLoadsOlderFilesWithAnEmptyOne) {
  MenuRig saving;
  Player& p = saving.player;
  PlayUntilTheChoice(p);
  std::vector<uint8_t> without_backlog = SaveBytes(p);
  NoteMessageShown(p, 1, U"一つ目");
  NoteOptionPicked(p, U"はい");
  NoteResumePoint(p, ResumePoint::Kind::kChoice);
  NoteMessageShown(p, 2, U"後の文");  // after the resume point: shown, and added, again on resuming
  const std::vector<uint8_t> with_backlog = SaveBytes(p);

  without_backlog.resize(without_backlog.size() - 4);  // the count of no entries
  without_backlog[8] = 1;
  Reseal(without_backlog);
  const struct {
    const std::vector<uint8_t>& bytes;
    std::deque<BacklogEntry> backlog;
  } cases[] = {{with_backlog, {{U"一つ目", false}, {U"はい", true}}}, {without_backlog, {}}};
  for (const auto& c : cases) {
    MenuRig loading;
    LoadTinyGame(loading.player);
    loading.player.comforts.backlog.push_back({U"前の回", false});
    auto game = DecodeSavedGame(loading.player, c.bytes);
    ASSERT_TRUE(game.ok()) << game.error();
    ApplySavedGame(loading.player, std::move(*game));
    EXPECT_EQ(loading.player.comforts.backlog, c.backlog);
  }
}

// One routine serves both directions: what a writing serializer lays out, a reading one gets back; values
// that no writer makes are refused when read.
TEST(Serializer, ReadsBackWhatItWroteAndRefusesValuesOutOfRange) {
  struct Fields {
    int32_t number = -7;
    int32_t ranged = 3;
    bool flag = true;
    std::string chars = "mt";
    std::u32string text = U"はい";
  };
  const auto sync = [](Serializer& s, Fields& f) {
    s.I32(f.number);
    s.I32In(f.ranged, 0, 5);
    s.Flag(f.flag);
    s.Chars(f.chars, 4);
    s.Text(f.text);
  };
  const auto write = [&](Fields f) {
    Serializer s;
    sync(s, f);
    return s.bytes();
  };
  const auto read = [&](const std::vector<uint8_t>& bytes, Fields& f) {
    Serializer s(bytes);
    sync(s, f);
    return s.ok() && s.AtEnd();
  };
  Fields back{0, 0, false, "", U""};
  ASSERT_TRUE(read(write(Fields{}), back));
  EXPECT_EQ(back.number, -7);
  EXPECT_EQ(back.ranged, 3);
  EXPECT_TRUE(back.flag);
  EXPECT_EQ(back.chars, "mt");
  EXPECT_EQ(back.text, U"はい");

  const struct {
    const char* what;
    Fields fields;
  } refused[] = {
      {"a number above its range", {.ranged = 6}},
      {"more bytes than allowed", {.chars = "12345"}},
      {"a surrogate in a text", {.text = std::u32string(1, char32_t{0xD800})}},
  };
  for (const auto& c : refused) {
    Fields f;
    EXPECT_FALSE(read(write(c.fields), f)) << c.what;
  }
  std::vector<uint8_t> flag_two = write(Fields{});
  flag_two[8] = 2;  // the flag's byte, after two numbers
  Fields f;
  EXPECT_FALSE(read(flag_two, f)) << "a flag of 2";
  std::vector<uint8_t> cut = write(Fields{});
  cut.pop_back();
  EXPECT_FALSE(read(cut, f)) << "cut short";
}

TEST(SaveFile, OverwritingKeepsOneBackup) {
  ScratchFolder temp;
  const std::string path = temp.str() + "STORY1.SAV";
  const std::vector<uint8_t> first{1, 2, 3}, second{4, 5}, third{6};
  for (const auto& bytes : {first, second, third}) {
    const Status written = ReplaceFileKeepingBackup(path, path + ".bak", bytes);
    ASSERT_TRUE(written.ok()) << written.error();
    if (bytes == first) {
      EXPECT_FALSE(std::filesystem::exists(path + ".bak"));
    }
  }
  EXPECT_EQ(*ReadWholeFile(path, 100), third);
  EXPECT_EQ(*ReadWholeFile(path + ".bak", 100), second);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.str()), {}), 2);  // no temporaries left
}

// Slot files are read only when they are regular files of at most the limit, never through a link.
TEST(SaveFile, OnlyRegularFilesWithinTheLimitAreRead) {
  ScratchFolder temp;
  const std::string file = temp.str() + "STORY1.SAV";
  std::ofstream(file) << "save";
  std::filesystem::create_symlink(file, temp.str() + "LINK.SAV");
  ::mkfifo((temp.str() + "FIFO.SAV").c_str(), 0644);
  struct Case {
    std::string path;
    size_t limit;
    ReadFailure failure;
  };
  const Case cases[] = {{file, 4, ReadFailure::kNone},
                        {file, 3, ReadFailure::kTooLarge},
                        {temp.str() + "LINK.SAV", 100, ReadFailure::kNotRegular},
                        {temp.str() + "FIFO.SAV", 100, ReadFailure::kNotRegular},
                        {temp.str(), 100, ReadFailure::kNotRegular},
                        {temp.str() + "NONE.SAV", 100, ReadFailure::kMissing}};
  for (const Case& c : cases) {
    const auto bytes = ReadWholeFile(c.path, c.limit);
    EXPECT_EQ(bytes.ok(), c.failure == ReadFailure::kNone) << c.path;
    EXPECT_EQ(bytes.reason<ReadFailure>(), c.failure) << c.path;
  }
}

// A file-size limit stands in for a full disk: the write fails halfway, whoever runs the test.
TEST(SaveFile, AFailedWriteLeavesThePreviousSaveWhole) {
  ScratchFolder temp;
  const std::string path = temp.str() + "STORY1.SAV";
  const std::vector<uint8_t> old(100, 7), big(100000, 9);
  ASSERT_TRUE(WriteFileAtomically(path, old).ok());
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  auto* previous_handler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const Status written = WriteFileAtomically(path, big);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previous_handler);
  EXPECT_FALSE(written.ok());
  EXPECT_FALSE(written.error().empty());
  EXPECT_EQ(*ReadWholeFile(path, 1000), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.str()), {}), 1);
}

TEST(SaveFile, UnwritableFolderFailsWithAReason) {
  const Status written = WriteFileAtomically("/nonexistent-corvalline/STORY1.SAV", std::vector<uint8_t>{1});
  EXPECT_FALSE(written.ok());
  EXPECT_NE(written.error().find("STORY1.SAV"), std::string::npos);
}

TEST(LoadFromSlot, DamagedForeignOrMissingSlotsChangeNothing) {
  ScratchFolder temp;
  MenuRig rig;
  Player& player = rig.player;
  player.location = {temp.str(), "STORY.ADV", ""};
  PlayUntilTheChoice(player);
  std::vector<uint8_t> bytes = SaveBytes(player);
  bytes[bytes.size() / 2] ^= 1;
  ASSERT_TRUE(WriteFileAtomically(temp.str() + "STORY1.SAV", bytes).ok());
  ASSERT_TRUE(WriteFileAtomically(temp.str() + "STORY2.SAV", std::vector<uint8_t>{'h', 'i'}).ok());
  const auto variables = player.script.Variables;
  const SaveFileProblem problems[] = {SaveFileProblem::kDamaged, SaveFileProblem::kNotASaveFile,
                                      SaveFileProblem::kNoFile};
  for (int slot : {1, 2, 3}) {
    const auto game = LoadFromSlot(player, slot);
    EXPECT_FALSE(game.ok()) << slot;
    EXPECT_EQ(game.reason<SaveFileProblem>(), problems[slot - 1]) << slot;
  }
  EXPECT_EQ(player.script.Variables, variables);
  EXPECT_EQ(player.script.ScriptPosition, 46);
}

}  // namespace
}  // namespace corv
