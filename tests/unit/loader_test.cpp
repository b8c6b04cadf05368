#include "shell/loader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <functional>

#include "core/operands.h"
#include "scratch_folder.h"
#include "shell/display_init.h"
#include "test_game.h"

namespace corv {
namespace {

using test::GameBuilder;
using test::TestPlayer;

TEST(BuildTables, ThreadsLabelsMessagesChoicesAndCursors) {
  GameBuilder b;
  const int32_t label1 = b.Label();
  b.Message(3, "abc");
  const int32_t label2 = b.Label();
  b.Message(7, "\x82\xa0\x82\xa2");  // two Shift-JIS characters
  b.Option(2, 1, "yes");
  b.Option(2, 0, "no");
  b.End();
  std::vector<uint8_t> image = b.Build();
  TestPlayer t;
  std::string error;
  ASSERT_TRUE(t.Load(image, &error)) << error;
  const GameData& g = t.player.game;
  EXPECT_EQ(g.ScriptEnd, static_cast<int32_t>(image.size()));
  EXPECT_EQ(g.LabelTable[0], 25);
  EXPECT_EQ(g.LabelTable[1], label1 + 1);
  EXPECT_EQ(g.LabelTable[2], label2 + 1);
  EXPECT_EQ(g.LabelTable[3], -1);
  EXPECT_EQ(g.LabelTable[4], 0);
  EXPECT_EQ(ReadText(g, g.MessageTexts[3]), U"abc");
  EXPECT_EQ(ReadText(g, g.MessageTexts[7]), U"\u3042\u3044");
  EXPECT_EQ(ReadText(g, g.ChoiceTexts[2 * kChoiceSlots + 1]), U"yes");
  EXPECT_EQ(ReadText(g, g.ChoiceTexts[2 * kChoiceSlots + 0]), U"no");
  EXPECT_EQ(g.PictureNameCursor, Image(g).Int32(5));
  EXPECT_EQ(g.BackgroundNameCursor, Image(g).Int32(9));
  EXPECT_EQ(g.MusicNameCursor, Image(g).Int32(13));
  EXPECT_EQ(t.player.text.TextColour, 0xFFFFFFu);
  EXPECT_EQ(t.player.text.TextShadowColour, 0u);
}

// The tables reach only as far as the highest number a game uses, and a second game starts from none.
TEST(BuildTables, ASecondGameKeepsNoneOfTheFirstsTexts) {
  GameBuilder first;
  first.Message(9000, "old");
  first.Option(30000, 5, "old option");
  first.End();
  GameBuilder second;
  second.Message(2, "new");
  second.End();
  TestPlayer t;
  std::string error;
  ASSERT_TRUE(t.Load(first.Build(), &error)) << error;
  ASSERT_TRUE(t.Load(second.Build()));
  const GameData& g = t.player.game;
  EXPECT_EQ(ReadText(g, g.MessageTexts[2]), U"new");
  for (const int64_t number : {-1, 0, 3, 9000, 10001})
    EXPECT_TRUE(ReadText(g, g.MessageTexts[number]).empty());
  EXPECT_TRUE(ReadText(g, g.ChoiceText(30000, 5)).empty());
  EXPECT_EQ(g.MessageTexts.Reach(), 3u);
  EXPECT_EQ(g.ChoiceTexts.Reach(), 0u);
}

TEST(BuildTables, EmptyChainsLoad) {
  GameBuilder b;
  b.End();
  TestPlayer t;
  ASSERT_TRUE(t.Load(b.Build()));
  EXPECT_EQ(t.player.game.LabelTable[1], -1);
  EXPECT_EQ(t.player.game.LabelTable[2], 0);
  EXPECT_TRUE(ReadText(t.player.game, t.player.game.MessageTexts[0]).empty());
}

TEST(BuildTables, RepeatedNumbersAndEmptyTextsKeepThePoolInStep) {
  GameBuilder b;
  b.Message(1, "first");
  b.Message(1, "second");  // the later one in the chain wins
  b.Message(2, "");        // empty text, cursor stays
  b.Message(3, "third");
  TestPlayer t;
  ASSERT_TRUE(t.Load(b.Build()));
  EXPECT_EQ(ReadText(t.player.game, t.player.game.MessageTexts[1]), U"second");
  EXPECT_EQ(ReadText(t.player.game, t.player.game.MessageTexts[2]), U"");
  EXPECT_EQ(ReadText(t.player.game, t.player.game.MessageTexts[3]), U"third");
}

TEST(BuildTables, CyclicChainsStopAtTheirLimits) {
  // A label linking to itself numbers 10000 labels, all at the same place; a message linking to itself
  // is read 10000 times from a pool of 10000 bytes. Both loads end.
  GameBuilder b;
  const int32_t label = b.Label();
  const int32_t message = b.Message(0, "x");
  std::vector<uint8_t> image = b.Build();
  GameBuilder::Put32(image, label + 1, label + 1);
  GameBuilder::Put32(image, message + 1, message + 1);
  image.insert(image.end(), 10000, 'y');
  TestPlayer t;
  std::string error;
  ASSERT_TRUE(t.Load(image, &error)) << error;
  EXPECT_EQ(t.player.game.LabelTable[10000], label + 1);
  EXPECT_EQ(ReadText(t.player.game, t.player.game.MessageTexts[0]), U"y");
}

TEST(BuildTables, RefusesBrokenFilesSayingWhereAndWhat) {
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&, int32_t label, int32_t message, int32_t option)> patch;
    const char* expected;
  };
  const Case cases[] = {
      {"header cut short", [](auto& im, int32_t, int32_t, int32_t) { im.resize(35); },
       "35 bytes, shorter than the 36-byte header"},
      {"label link of 0", [](auto& im, int32_t l, int32_t, int32_t) { GameBuilder::Put32(im, l + 1, 0); },
       "position 0 lies outside"},
      {"label link past the end",
       [](auto& im, int32_t l, int32_t, int32_t) {
         GameBuilder::Put32(im, l + 1, static_cast<int32_t>(im.size()) - 1);
       },
       "outside the file"},
      {"label link neither position nor end",
       [](auto& im, int32_t l, int32_t, int32_t) {
         GameBuilder::Put32(im, l + 1, static_cast<int32_t>(0x80000000));
       },
       "neither a position"},
      {"message pool past the end",
       [](auto& im, int32_t, int32_t, int32_t) {
         GameBuilder::Put32(im, 21, static_cast<int32_t>(im.size()) - 1);
       },
       "message instruction at position"},
      {"message number above 10000",
       [](auto& im, int32_t, int32_t m, int32_t) { GameBuilder::Put16(im, m + 5, 10001); },
       "message number 10001 is outside"},
      {"negative message number",
       [](auto& im, int32_t, int32_t m, int32_t) { GameBuilder::Put16(im, m + 5, -1); },
       "message number -1 is outside"},
      {"negative message length",
       [](auto& im, int32_t, int32_t m, int32_t) { GameBuilder::Put16(im, m + 7, -2); }, "length -2"},
      {"message link outside",
       [](auto& im, int32_t, int32_t, int32_t) { GameBuilder::Put32(im, 33, 100000); }, "position 100004"},
      {"negative choice text number",
       [](auto& im, int32_t, int32_t, int32_t o) { GameBuilder::Put16(im, o + 5, -3); },
       "text number -3 is outside"},
      {"choice slot above 5", [](auto& im, int32_t, int32_t, int32_t o) { im[o + 7 - 1] = 6; },
       "slot 6 is above 5"},
      {"choice pool past the end",
       [](auto& im, int32_t, int32_t, int32_t) {
         GameBuilder::Put32(im, 17, static_cast<int32_t>(im.size()));
       },
       "choice option at position"},
  };
  for (const Case& c : cases) {
    GameBuilder b;
    const int32_t label = b.Label();
    const int32_t message = b.Message(4, "hello");
    const int32_t option = b.Option(1, 0, "pick");
    b.Bytes({7, 8});
    b.End();
    std::vector<uint8_t> image = b.Build();
    c.patch(image, label, message, option);
    TestPlayer t;
    std::string error;
    EXPECT_FALSE(t.Load(image, &error)) << c.name;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.name << ": " << error;
  }
}

TEST(LoadGame, RefusesMissingAndOversizedFiles) {
  test::ScratchFolder folder;
  TestPlayer t;
  const Status missing = LoadGame(t.player, folder.str() + "NONE.ADV");
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.error().find("NONE.ADV"), std::string::npos) << missing.error();

  // A sparse file one byte over the limit: refused from its size, before anything is read.
  const std::string big = folder.Write("BIG.ADV", std::string("CRVL"));
  ASSERT_EQ(::truncate(big.c_str(), kMaxGameFileBytes + 1), 0);
  const Status oversized = LoadGame(t.player, big);
  EXPECT_FALSE(oversized.ok());
  EXPECT_NE(oversized.error().find("more than"), std::string::npos) << oversized.error();
  EXPECT_TRUE(t.player.game.GameImage.empty());
}

TEST(LoadGame, ShowsTheLoadingScreenThenBuildsTables) {
  GameBuilder b;
  b.Message(0, "hi");
  b.End();
  test::ScratchFolder folder;
  const std::string path = folder.Write("G.ADV", b.Build());
  TestPlayer t;
  CreateSurfaces(t.player);
  const Status loaded = LoadGame(t.player, path);
  ASSERT_TRUE(loaded.ok()) << loaded.error();
  EXPECT_EQ(ReadText(t.player.game, t.player.game.MessageTexts[0]), U"hi");

  // The presented frame: white on top, red and green falling by y/2 and blue by y/3 down to
  // (16, 16, 96) on the last row; "Now Loading..." in white from (260, 240).
  const Surface& shown = t.player.screen.PrimarySurface;
  struct Pixel {
    int x, y;
    uint8_t r, g, b;
  };
  const Pixel pixels[] = {{0, 0, 255, 255, 255},    {639, 1, 255, 255, 255},   {5, 100, 205, 205, 222},
                          {600, 479, 16, 16, 96},   {100, 245, 133, 133, 174}, {262, 246, 255, 255, 255},
                          {259, 246, 132, 132, 173}};
  for (const Pixel& p : pixels) {
    uint8_t r, g, bl;
    UnmapPixel(shown.Depth(), shown.ReadPixel(p.x, p.y), r, g, bl);
    EXPECT_EQ((std::array<int, 3>{r, g, bl}), (std::array<int, 3>{p.r, p.g, p.b})) << p.x << "," << p.y;
  }
  EXPECT_TRUE(t.player.screen.WorkSurface.font.bold);
  EXPECT_FALSE(t.player.screen.TextFont.bold);
}

}  // namespace
}  // namespace corv
