// The text hook's JSON lines and the copy of the message on screen.
#include "interaction/comforts.h"

#include <gtest/gtest.h>

#include "core/events.h"
#include "menu_fixture.h"

namespace corv {
namespace {

TEST(TextHook, LinesAreJsonWithEveryAwkwardCharacterEscaped) {
  const struct {
    int32_t number;
    std::u32string text;
    std::string line;
  } cases[] = {
      {7, U"森へ", "{\"kind\":\"message\",\"number\":7,\"text\":\"森へ\"}\n"},
      {0, U"\"A\\B\"\r\n\t\x7f",
       "{\"kind\":\"message\",\"number\":0,\"text\":\"\\\"A\\\\B\\\"\\r\\n\\u0009\\u007f\"}\n"},
      {-1, U"はい", "{\"kind\":\"choice\",\"text\":\"はい\"}\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextHookLine(c.number, c.text), c.line);
}

TEST(CopyMessage, CtrlCPutsTheMessageOnTheClipboardUnlessStrict) {
  for (const bool strict : {false, true}) {
    testing::MenuRig rig;
    rig.player.comforts.strict = strict;
    NoteMessageShown(rig.player, 3, U"一行目\r\n二行目");
    Form_KeyPress(rig.player, kKeyCopy);
    EXPECT_EQ(rig.display.clipboard, strict ? "" : "一行目\n二行目");
  }
}

}  // namespace
}  // namespace corv
