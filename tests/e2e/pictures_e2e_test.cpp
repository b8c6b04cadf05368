// A picture the player cannot show is named once on stderr, and the game plays on to its end.
#include "bmp_writer.h"
#include "e2e_support.h"

namespace corv::e2e {
namespace {

TEST(UnreadablePicture, IsNamedOnceAndTheGamePlaysToItsEnd) {
  // Shown, hidden and shown again: the file is read twice but named once.
  HeadlessGame game(
      "name background fax \"FAX\"\ntext_wait 0\nbackground fax\nmessage \"あ\"\nclick\n"
      "background none\nbackground fax\nmessage \"い\"\nclick\nend\n");
  // A 1-bit picture with Huffman 1D compression (an OS/2 2.x header), which the player does not decode.
  WriteFile(
      game.folder().path() / "FAX.BMP",
      test::AssembleBmp({64, 8, 1, 1, 3, {}, {{0, 0, 0}, {255, 255, 255}}, std::string("\xAA\0\0\0", 4)}));
  const RunResult result = game.Play("idle\nclick 5 5\nidle\nclick 5 5\n");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err,
            "corvalline: picture \"FAX\" cannot be shown: Huffman 1D compression is not supported\n");
  const std::vector<std::string> trace = game.Trace();
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.back(), "end");
}

}  // namespace
}  // namespace corv::e2e
