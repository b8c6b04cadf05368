#include <gtest/gtest.h>

#include "advc/advc.h"
#include "advc_test_util.h"

namespace advc {
namespace {

using testing::Built;
using testing::Concat;
using testing::Header;

// Each expected file was worked out by hand from the format: header, script from position 37, then
// the pools (pictures, backgrounds, music, choices, messages) back to back.
TEST(AdvcBuild, SnippetsGiveExactBytes) {
  struct Case {
    const char* name;
    const char* source;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {"empty source gets an end", "", Concat(Header({38, 38, 38, 38, 38}, {-1, -1, -1}), {0x0F})},
      {"label, message, goto", "start:\nmessage \"AB\"\ngoto start\n",
       Concat(Header({54, 54, 54, 54, 54}, {38, -1, 43}),
              {0x05, 0xFF, 0xFF, 0xFF, 0xFF,                          // label, last in its chain
               0x82, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x02, 0x00,  // message 1, 2 bytes
               0x0A, 0x01, 0x00,                                      // goto label 1
               'A', 'B'})},
      {"choice block with two options",
       "choice {\n  option \"A\" { goto x }\n  option \"B\" { end }\n}\nwait\nx:\n",
       Concat(Header({68, 68, 68, 68, 70}, {63, 38, -1}),
              {0x83, 0x33, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01,  // choice 1 slot 0, links to 51
               0x0A, 0x01, 0x00, 0x08,                                // body: goto x; end marker
               0x83, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x01, 0x01,  // choice 1 slot 1
               0x0F, 0x08,                                            // body: end; end marker
               0x09,                                                  // wait
               0x05, 0xFF, 0xFF, 0xFF, 0xFF,                          // x:
               0x0F,                                                  // the end added after a label
               'A',  'B'})},
      {"names, pictures, arithmetic and a paired condition",
       "var score = 3\nname background forest = 4 \"F\"\nname picture girl \"GI\"\nbackground forest\n"
       "layer3 girl\nscore = random 6\nscore //= 2\nif score >= 5 nor v7 != 0 goto top\ntop:\n",
       Concat(Header({89, 91, 92, 92, 92}, {84, -1, -1}),
              {0x02, 0x04, 0x00, 0x01, 0x00,  // background name 4, 1 byte
               0x10, 0x01, 0x00, 0x02, 0x00,  // picture name 1, 2 bytes
               0x81, 0x04, 0x00, 0x8E, 0x01, 0x00, 0x0E, 0x03, 0x00, 0x07, 0x06, 0x00, 0x0E, 0x03, 0x00, 0x06,
               0x02, 0x00,
               // v3 > 4 (>= 5), neither-nor, v7 != 0, label 1
               0x0D, 0x03, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x03, 0x07, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00,
               0x01, 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 'G', 'I', 'F'})},
      {"settings, raw and op",
       "text_mode page\ntext_wait 30\nmusic stop\nnop\nraw 0x07 \"A\" int16 0x1234 int32 -1\nop 0x13 1 2 3\n",
       Concat(Header({58, 58, 58, 58, 58}, {-1, -1, -1}),
              {0x0B, 0x01, 0x04, 0x1E, 0x06, 0x00, 0x00, 0x07, 0x07, 'A', 0x34,
               0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x13, 0x01, 0x02, 0x03, 0x0F})},
      {"message texts: escapes, continuation lines, Shift-JIS, explicit numbers",
       "message 7 \"\\x81\\x40\\r\\\"\" \"\\n\"\n  \"あ\"\nmessage \"\\\\\"\nend",
       Concat(Header({56, 56, 56, 56, 56}, {-1, -1, 38}),
              {0x82, 0x2F, 0x00, 0x00, 0x00, 0x07, 0x00, 0x08, 0x00,  // message 7, 8 bytes
               0x82, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x00, 0x01, 0x00,  // message 8 follows on
               0x0F, 0x81, 0x40, 0x0D, '"',  0x0D, 0x0A, 0x82, 0xA0, '\\'})},
      {"explicit files are written as they stand",
       "explicit\nraw \"CRV\"\nop 0x05 -1\n",
       {'C', 'R', 'V', 0x05, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Built(c.source), c.expected) << c.name;
  }
}

TEST(AdvcBuild, OutputIsDeterministic) {
  const std::string source = "name music a \"A\"\nname music b \"B\"\nmusic b\nmessage \"x\"\nwait\n";
  EXPECT_EQ(Built(source), Built(source));
}

// An explicit source spells out every byte, so it may give a file the player refuses (no header at all,
// here); the result says so, and readable sources, which always give a loadable file, are not marked.
TEST(AdvcBuild, MarksOnlyExplicitSourcesAsBytesAsWritten) {
  struct Case {
    const char* source;
    bool explicit_form;
    size_t size;
  };
  const Case cases[] = {{"explicit\n", true, 0},
                        {"explicit\nraw \"CRV\"\n", true, 3},
                        {"end\n", false, 37}};  // 36 header bytes, then the end
  for (const Case& c : cases) {
    const advc::BuildResult built = advc::Build(c.source, "t.advs");
    ASSERT_TRUE(built.ok) << c.source;
    EXPECT_EQ(built.explicit_form, c.explicit_form) << c.source;
    EXPECT_EQ(built.image.size(), c.size) << c.source;
  }
}

TEST(AdvcBuild, ErrorsNameFileLineAndColumn) {
  struct Case {
    const char* source;
    const char* where;  // file:line:column
    const char* words;  // part of the message
  };
  const Case cases[] = {
      {"goto nowhere", "t.advs:1:6", "no label named 'nowhere'"},
      {"message \"ok \U0001F600\"", "t.advs:1:13", "cannot be written in Shift-JIS"},
      {"frobnicate", "t.advs:1:1", "unknown statement"},
      {"\n\nbackground forest", "t.advs:3:12", "no background named 'forest'"},
      {"message 10001 \"x\"", "t.advs:1:9", "from 0 to 10000"},
      {"message 3 \"a\"\nmessage 3 \"b\"", "t.advs:2:1", "already used"},
      {"choice {\n option \"a\" {\n }\n}", "t.advs:2:2", "at least one statement"},
      {"choice {\n option \"a\" {\n  choice { option \"b\" { end } }\n }\n}", "t.advs:3:3",
       "inside an option body"},
      {"choice {\n option \"a\" {\n  name music m \"M\"\n }\n}", "t.advs:3:3", "inside an option body"},
      {"choice {\n option \"\" { end }\n}", "t.advs:2:2", "needs a text"},
      {"choice { option \"a\" { raw 7 8 } }", "t.advs:1:10", "end of this option's body"},
      {"choice 2 {\n option 1 \"a\" { end }\n option 1 \"b\" { end }\n}", "t.advs:3:2",
       "already has an option"},
      {"choice { option 6 \"a\" { end } }", "t.advs:1:17", "from 0 to 5"},
      {"message \"abc", "t.advs:1:9", "not closed"},
      {"message \"a\xFF\"", "t.advs:1:11", "not valid UTF-8"},
      {"message \"\\q\"", "t.advs:1:10", "unknown escape"},
      {"if v1 => 3 goto a\na:", "t.advs:1:7", "expected =="},
      {"if v1 == -2 goto a\na:", "t.advs:1:10", "from -1 to 2147483647"},
      {"if v1 <= 2147483647 goto a\na:", "t.advs:1:10", "from -1 to 2147483647"},
      {"v10001 = 1", "t.advs:1:1", "numbered 0 to 10000"},
      {"score = 1", "t.advs:1:1", "unknown statement 'score'"},
      {"v1 = 40000", "t.advs:1:6", "from 0 to 32767"},
      {"v1 = v2", "t.advs:1:6", "expected the operand"},
      {"op 5 0", "t.advs:1:4", "write a label"},
      {"op 9 1", "t.advs:1:6", "takes 0 operand"},
      {"raw 256", "t.advs:1:5", "from -128 to 255"},
      {"raw", "t.advs:1:1", "raw needs"},
      {"end\nexplicit", "t.advs:2:1", "must be the first"},
      {"explicit\nend", "t.advs:2:1", "only raw and op"},
      {"a:\na:", "t.advs:2:1", "already defined"},
      {"var end = 3", "t.advs:1:5", "reserved word"},
      {"name picture p \"P\"\nname picture p \"Q\"", "t.advs:2:14", "already defined"},
      {"name sound p \"P\"", "t.advs:1:6", "expected background, picture or music"},
      {"name music m = 1001 \"M\"", "t.advs:1:16", "from 0 to 1000"},
      {"choice {\n option \"a\" { end\n", "t.advs:3:1", "expected '}'"},
      {"}", "t.advs:1:1", "without a matching"},
      {"text_wait 256", "t.advs:1:11", "from 0 to 255"},
      {"wait 3", "t.advs:1:6", "after the statement"},
      {"goto 12", "t.advs:1:6", "expected a label name"},
      {"message \"a\" x", "t.advs:1:13", "after the statement"},
  };
  for (const Case& c : cases) {
    const BuildResult r = Build(c.source, "t.advs");
    EXPECT_FALSE(r.ok) << c.source;
    EXPECT_TRUE(r.image.empty()) << c.source;
    ASSERT_FALSE(r.errors.empty()) << c.source;
    const std::string text = r.errors[0].ToString();
    EXPECT_EQ(text.rfind(std::string(c.where) + ": ", 0), 0u) << c.source << "\n  gave: " << text;
    EXPECT_NE(text.find(c.words), std::string::npos) << c.source << "\n  gave: " << text;
  }
}

TEST(AdvcBuild, ReportsEveryBadLineAndGoesOn) {
  const BuildResult r = Build("wait\nfoo\nend\nbar 1\nmessage \"ok\"\n", "m.advs");
  ASSERT_EQ(r.errors.size(), 2u);
  EXPECT_EQ(r.errors[0].line, 2);
  EXPECT_EQ(r.errors[1].line, 4);
}

TEST(AdvcBuild, AutomaticNumbersFollowThePreviousOne) {
  // Names, messages and choices count on from the last number given, like an enumeration.
  const BuildResult r = Build(
      "name music a = 5 \"A\"\nname music b \"B\"\nmusic b\nmessage 9 \"x\"\nmessage \"y\"\n"
      "choice 40 { option \"p\" { end } }\nchoice { option 3 \"q\" { end } option \"r\" { end } }\nwait\n",
      "t.advs");
  ASSERT_TRUE(r.ok) << r.errors[0].ToString();
  const std::vector<uint8_t>& f = r.image;
  auto u16 = [&](size_t offset) { return f[offset] | (f[offset + 1] << 8); };
  EXPECT_EQ(u16(36 + 6), 6);   // music b = 6
  EXPECT_EQ(u16(36 + 11), 6);  // music b shows 6
  EXPECT_EQ(u16(54), 9);       // message 9
  EXPECT_EQ(u16(63), 10);      // then 10
  EXPECT_EQ(u16(72), 40);      // choice 40, slot 0
  EXPECT_EQ(u16(83), 41);      // the next choice is 41
  EXPECT_EQ(f[85], 3);         // slot 3 given
  EXPECT_EQ(f[96], 4);         // then slot 4
}

}  // namespace
}  // namespace advc
