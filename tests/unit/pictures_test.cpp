#include "media/pictures.h"

#include <gtest/gtest.h>

#include "bmp_writer.h"
#include "format/opcodes.h"
#include "interaction/waits.h"
#include "media/resources.h"
#include "media_test_support.h"

namespace corv {
namespace {

using test::MakeBmp24;
using test::MakePlayer;
using test::Raw;
using test::SetInstruction;
using test::WriteFile;

constexpr uint32_t kMagenta = 0xFF00FF;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGrey = 0x808080;

// A picture of the given size in one colour, with pixel (1, 1) (where it exists) in another.
std::string Picture(int w, int h, uint32_t colour, uint32_t at_one_one) {
  return MakeBmp24(w, h, [=](int x, int y) { return x == 1 && y == 1 ? at_one_one : colour; });
}

TEST(LoadPictureSlot, SizeAndColourKeyPerSlot) {
  struct Case {
    int slot;
    int w, h;
    bool keyed;
    uint32_t key;  // 0xRRGGBB
  };
  const Case cases[] = {
      {1, 3, 3, true, kMagenta}, {2, 3, 3, true, kMagenta}, {3, 5, 2, true, kMagenta}, {4, 3, 3, false, 0},
      {6, 3, 3, false, 0},       {1, 1, 1, true, kRed},     {3, 1, 4, true, kRed},     {1, 4, 1, true, kRed},
  };
  test::ScratchFolder folder("corv_slots");
  for (int depth : {16, 24, 32}) {
    for (const Case& c : cases) {
      auto player = MakePlayer(depth);
      const std::string path = folder.str() + "P.BMP";
      WriteFile(path, Picture(c.w, c.h, kRed, kMagenta));
      ASSERT_TRUE(LoadPictureSlot(*player, path, c.slot)) << "slot " << c.slot;
      const Surface& s = player->screen.PictureSurfaces[c.slot];
      EXPECT_EQ(player->screen.PictureRects[c.slot], (Rect{0, 0, c.w, c.h}));
      EXPECT_EQ(s.Depth(), depth);
      ASSERT_EQ(s.colour_key.has_value(), c.keyed) << "slot " << c.slot << " " << c.w << "x" << c.h;
      if (c.keyed) {
        EXPECT_EQ(*s.colour_key, Raw(depth, c.key)) << "slot " << c.slot << " " << c.w << "x" << c.h;
      }
    }
  }
}

TEST(LoadPictureSlot, FailuresLeaveOrEmptyTheSlot) {
  test::ScratchFolder folder("corv_slot_failures");
  auto player = MakePlayer(32);
  const std::string good = folder.str() + "GOOD.BMP";
  WriteFile(good, Picture(4, 4, kGrey, kMagenta));
  ASSERT_TRUE(LoadPictureSlot(*player, good, 1));

  // A missing file: nothing happens, the old picture stays.
  EXPECT_FALSE(LoadPictureSlot(*player, folder.str() + "NONE.BMP", 1));
  EXPECT_EQ(player->screen.PictureRects[1], (Rect{0, 0, 4, 4}));
  EXPECT_EQ(player->screen.PictureSurfaces[1].ReadPixel(0, 0), kGrey);

  // A folder is not a picture file either.
  EXPECT_FALSE(LoadPictureSlot(*player, folder.str(), 1));
  EXPECT_FALSE(player->screen.PictureSurfaces[1].Empty());

  // A file that is there but is no picture: the slot is emptied.
  const std::string bad = folder.str() + "BAD.BMP";
  WriteFile(bad, "BM this is not a bitmap");
  EXPECT_FALSE(LoadPictureSlot(*player, bad, 1));
  EXPECT_TRUE(player->screen.PictureSurfaces[1].Empty());
  EXPECT_FALSE(player->screen.PictureSurfaces[1].colour_key.has_value());
  EXPECT_EQ(player->screen.PictureRects[1], Rect{});

  // Slots outside 1..8 do not exist.
  EXPECT_FALSE(LoadPictureSlot(*player, good, 0));
  EXPECT_FALSE(LoadPictureSlot(*player, good, 9));
}

// The number rules of the three commands, with the slot's picture loaded beforehand: none of these cases
// may touch the slot's picture.
TEST(PictureCommands, NumberRulesWithoutLoading) {
  struct Case {
    const char* what;
    uint8_t opcode;
    int32_t current, operand, after;  // the slot's number before the command, its operand, the number after
  };
  const Case cases[] = {
      {"same background number", op::kBackground, 5, 5, 5},
      {"background 0 hides", op::kBackground, 5, 0, 0},
      {"background 0 again", op::kBackground, 0, 0, 0},
      {"negative background", op::kBackground, 5, 0xFFFF, 5},
      {"background beyond the table", op::kBackground, 5, 5000, 5},
      {"background without a file", op::kBackground, 5, 6, 5},
      {"background without a name", op::kBackground, 5, 7, 5},
      {"same layer 1", op::kLayer1, 5, 5, 5},
      {"layer 1 0 hides", op::kLayer1, 5, 0, 0},
      {"layer 1 0 again", op::kLayer1, 0, 0, 0},
      {"negative layer 1", op::kLayer1, 5, 0x8000, 5},
      {"layer 1 without a file", op::kLayer1, 5, 6, 5},
      {"same layer 3", op::kLayer3, 5, 5, 5},
      {"layer 3 0 hides", op::kLayer3, 5, 0, 0},
      {"layer 3 without a file", op::kLayer3, 5, 6, 5},
      {"layer 3 beyond the table", op::kLayer3, 5, 32767, 5},
  };
  test::ScratchFolder folder("corv_commands");
  WriteFile(folder.str() + "SHOWN.BMP", Picture(4, 4, kGrey, kMagenta));
  // The file named by number 5 has changed on disk since it was loaded: the same number must not reload.
  WriteFile(folder.str() + "CHANGED.BMP", Picture(8, 8, kRed, kRed));
  for (const Case& c : cases) {
    auto player = MakePlayer(24);
    player->location.GameFolder = folder.str();
    for (auto* names : {&player->game.BackgroundNames, &player->game.PictureNames}) {
      (*names)[5] = U"CHANGED";
      (*names)[6] = U"MISSING";
    }
    const int slot = c.opcode == op::kBackground ? 4 : c.opcode == op::kLayer1 ? 1 : 3;
    int32_t& number = slot == 4   ? player->screen.BackgroundNumber
                      : slot == 1 ? player->screen.Layer1Number
                                  : player->screen.Layer3Number;
    ASSERT_TRUE(LoadPictureSlot(*player, folder.str() + "SHOWN.BMP", slot));
    number = c.current;
    SetInstruction(*player, c.opcode, c.operand);
    if (c.opcode == op::kBackground) {
      ShowBackground(*player);
    } else {
      ShowLayerPicture(*player, c.opcode == op::kLayer1 ? 1 : 3);
    }
    EXPECT_EQ(number, c.after) << c.what;
    EXPECT_EQ(player->screen.PictureRects[slot], (Rect{0, 0, 4, 4})) << c.what;
    EXPECT_EQ(player->screen.PictureSurfaces[slot].ReadPixel(0, 0), kGrey) << c.what;
  }
}

// Loading through the commands needs the game folder lookup; it is skipped where that lookup cannot find a
// file that is plainly there.
TEST(PictureCommands, LoadNamedPictures) {
  test::ScratchFolder folder("corv_command_loads");
  WriteFile(folder.str() + "BACK.BMP", Picture(4, 4, kGrey, kMagenta));
  WriteFile(folder.str() + "FACE.BMP", Picture(2, 2, kRed, kMagenta));
  WriteFile(folder.str() + "BROKEN.BMP", "not a picture");
  auto player = MakePlayer(32);
  player->location.GameFolder = folder.str();
  player->game.BackgroundNames[3] = U"BACK";
  player->game.PictureNames[7] = U"FACE";
  player->game.PictureNames[8] = U"BROKEN";
  if (!FindResource(*player, U"BACK", ".BMP")) GTEST_SKIP() << "resource lookup does not find game files yet";

  SetInstruction(*player, op::kBackground, 3);
  ShowBackground(*player);
  EXPECT_EQ(player->screen.BackgroundNumber, 3);
  EXPECT_EQ(player->screen.PictureRects[4], (Rect{0, 0, 4, 4}));
  EXPECT_FALSE(player->screen.PictureSurfaces[4].colour_key.has_value());

  // Both layers take their names from the same table; the same number may be shown on both.
  SetInstruction(*player, op::kLayer1, 7);
  ShowLayerPicture(*player, 1);
  SetInstruction(*player, op::kLayer3, 7);
  ShowLayerPicture(*player, 3);
  for (int slot : {1, 3}) {
    EXPECT_EQ(player->screen.PictureRects[slot], (Rect{0, 0, 2, 2})) << slot;
    EXPECT_EQ(player->screen.PictureSurfaces[slot].colour_key, kMagenta) << slot;
  }
  EXPECT_EQ(player->screen.Layer1Number, 7);
  EXPECT_EQ(player->screen.Layer3Number, 7);

  // A file that exists but is no picture: the number is recorded, the slot is left empty.
  SetInstruction(*player, op::kLayer3, 8);
  ShowLayerPicture(*player, 3);
  EXPECT_EQ(player->screen.Layer3Number, 8);
  EXPECT_TRUE(player->screen.PictureSurfaces[3].Empty());
}

// A background whose header claims 60000 x 60000 pixels, shown after another: it is refused unread, its
// number becomes current and its slot is emptied, so the scene behind the next message is black rather
// than the picture shown before.
TEST(PictureCommands, ARefusedBackgroundLeavesTheSceneBlack) {
  test::ScratchFolder folder("corv_refused_background");
  WriteFile(folder.str() + "A.BMP", Picture(4, 4, kGrey, kGrey));
  std::string huge = Picture(4, 4, kGrey, kGrey);
  test::PutU32(huge, 18, 60000);
  test::PutU32(huge, 22, 60000);
  WriteFile(folder.str() + "B.BMP", huge);
  auto player = MakePlayer(32);
  player->location.GameFolder = folder.str();
  player->game.BackgroundNames[1] = U"A";
  player->game.BackgroundNames[2] = U"B";
  const Surface& work = player->screen.WorkSurface;

  SetInstruction(*player, op::kBackground, 1);
  ShowBackground(*player);
  RedrawScene(*player, Present::kNo);
  ASSERT_EQ(work.ReadPixel(0, 0), kGrey);

  SetInstruction(*player, op::kBackground, 2);
  ShowBackground(*player);
  EXPECT_EQ(player->screen.BackgroundNumber, 2);
  EXPECT_TRUE(player->screen.PictureSurfaces[4].Empty());
  RedrawScene(*player, Present::kNo);
  EXPECT_EQ(work.ReadPixel(0, 0), 0u);
}

}  // namespace
}  // namespace corv
