#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace corv {
namespace {

TEST(TextCodec, DecodesCp932AsWindowsMeansIt) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u32string text;
    bool valid;
  };
  const Case cases[] = {
      {"ASCII, backslash kept", "A\\~z", U"A\\~z", true},
      {"hiragana", "\x82\xA0\x82\xA2", U"あい", true},
      {"kanji", "\x88\x9F\x89\x40", U"亜院", true},
      {"half-width katakana, one byte each", "\xB1\xDF", U"ｱﾟ", true},
      {"wave dash as the full-width tilde", "\x81\x60", U"～", true},
      {"full-width backslash", "\x81\x5F", U"＼", true},
      {"circled digit of the vendor rows", "\x87\x40", U"①", true},
      {"lead byte cut off by the end", "A\x82", U"A\uFFFD", false},
      {"lead byte before a byte that cannot follow it", "\x82\x20Z", U"\uFFFD Z", false},
      {"mixed",
       "\x82\xA0"
       "a\xB1\x88\x9F",
       U"あaｱ亜", true},
      {"empty", "", U"", true},
  };
  for (const Case& c : cases) {
    bool valid = !c.valid;
    EXPECT_EQ(DecodeCp932(c.bytes, &valid), c.text) << c.name;
    EXPECT_EQ(valid, c.valid) << c.name;
  }
}

// Every two-byte sequence the decoder takes as one character decodes the same inside a longer text as on
// its own, and encodes back to bytes that decode to it again.
TEST(TextCodec, EveryDoubleByteCharacterDecodesAloneAndInTextAlike) {
  int characters = 0;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      bool valid = false;
      const std::u32string alone = DecodeCp932(pair, &valid);
      if (!valid) continue;
      ASSERT_EQ(alone.size(), 1u) << std::hex << lead << " " << trail;
      ++characters;
      EXPECT_EQ(DecodeCp932("a" + pair + "\xB1"), U"a" + alone + U"ｱ") << std::hex << lead << " " << trail;
      const Result<std::string> encoded = EncodeCp932(alone);
      ASSERT_TRUE(encoded.ok()) << std::hex << lead << " " << trail;
      EXPECT_EQ(DecodeCp932(*encoded), alone) << std::hex << lead << " " << trail;
    }
  }
  EXPECT_GT(characters, 7000);  // JIS X 0208 and the vendor rows
}

}  // namespace
}  // namespace corv
