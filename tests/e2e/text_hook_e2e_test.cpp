// The text hook: --text-out writes every message as it starts to show and every option picked, as JSON
// lines, into a file or onto standard output.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

TEST(TextHook, WritesMessagesAndThePickedOption) {
  const std::string expected =
      "{\"kind\":\"message\",\"number\":1,\"text\":\"これは1番目の文です。\"}\n"
      "{\"kind\":\"message\",\"number\":2,\"text\":\"これは2番目の文です。\"}\n"
      "{\"kind\":\"choice\",\"text\":\"南へ\"}\n"
      "{\"kind\":\"message\",\"number\":3,\"text\":\"おわり。\"}\n";
  for (const std::string out : {"text.jsonl", "-"}) {
    HeadlessGame game(ReadingGame(2));
    // The options stand at y 235, 265 and 295: the click picks "南へ".
    const RunResult run =
        game.Play("idle\nclick 5 5\nidle\nclick 5 5\nidle\nclick 200 270\nidle\n", {"--text-out", out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(out == "-" ? run.out : ReadFile(game.folder().path() / out), expected) << out;
  }
}

}  // namespace
}  // namespace corv::e2e
