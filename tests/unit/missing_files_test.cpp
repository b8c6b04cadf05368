#include "media/missing_files.h"

#include <gtest/gtest.h>

#include "format/opcodes.h"
#include "media/music.h"
#include "media/pictures.h"
#include "media_test_support.h"

namespace corv {
namespace {

// A game asking for missing pictures and music again and again: one line per name and kind, in the order
// first asked, with control characters of a name never reaching the terminal.
TEST(MissingFiles, EachNameIsSaidOnce) {
  test::ScratchFolder folder("corv_missing");
  auto player = test::MakePlayer(32);
  player->location.GameFolder = folder.str();
  player->game.BackgroundNames[1] = U"FOREST";
  player->game.PictureNames[2] = U"FOREST";  // the same name through another table: still one picture
  player->game.PictureNames[3] = U"FACE\x1b[2J";
  player->game.MusicNames[1] = U"THEME";
  player->game.MusicNames[2] = U"FOREST";  // a music file of a picture's name is another file
  const struct {
    uint8_t opcode;
    int number;
  } steps[] = {{op::kBackground, 1}, {op::kBackground, 0}, {op::kBackground, 1}, {op::kLayer1, 2},
               {op::kLayer3, 3},     {op::kLayer1, 3},     {op::kMusic, 1},      {op::kMusic, 0},
               {op::kMusic, 1},      {op::kMusic, 2},      {op::kMusic, 4}};
  testing::internal::CaptureStderr();
  for (const auto& step : steps) {
    test::SetInstruction(*player, step.opcode, step.number);
    if (step.opcode == op::kMusic) PlayMusicCommand(*player);
    if (step.opcode == op::kBackground) ShowBackground(*player);
    if (step.opcode == op::kLayer1) ShowLayerPicture(*player, 1);
    if (step.opcode == op::kLayer3) ShowLayerPicture(*player, 3);
  }
  const std::string in = " not found in " + folder.str();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "corvalline: picture \"FOREST\"" + in + " (shown black)\n" + "corvalline: picture \"FACE?[2J\"" +
                in + " (shown black)\n" + "corvalline: music \"THEME\"" + in + " (not played)\n" +
                "corvalline: music \"FOREST\"" + in + " (not played)\n");
}

}  // namespace
}  // namespace corv
