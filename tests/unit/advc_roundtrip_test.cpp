#include <gtest/gtest.h>

#include <random>

#include "advc/advc.h"
#include "advc_test_util.h"

namespace advc {
namespace {

using testing::Built;
using testing::Bytes;
using testing::Concat;
using testing::Header;

// Disassembles, rebuilds the text, and compares; returns the text for further looks.
std::string ExpectRoundTrip(const std::vector<uint8_t>& image, const std::string& what) {
  const std::string source = Disassemble(image);
  const BuildResult r = Build(source, "dis.advs");
  EXPECT_TRUE(r.ok) << what << "\n" << source << (r.errors.empty() ? "" : r.errors[0].ToString());
  EXPECT_EQ(r.image, image) << what << "\n" << source;
  // The readable or the explicit form should serve; the plain-bytes last resort means a fault in both.
  EXPECT_NE(source.rfind("explicit\n", 0), 0u) << what << "\n" << source;
  return source;
}

const char* const kScene =
    "var score = 3\nname background forest \"FOREST\"\nname picture girl \"GIRL\"\nname picture frame = 9 "
    "\"WIN\"\n"
    "name music theme \"THEME\"\ntext_mode window\ntext_wait 20\nbackground forest\nlayer1 girl\nlayer3 "
    "frame\n"
    "music theme\nstart:\nmessage \"こんにちは。\\n\" \"森へ\\rようこそ\\x81\"\nchoice {\n  option \"はい\" "
    "{\n"
    "    score += 1\n    goto next\n  }\n  option 3 \"いい\\\"え\" {\n    score = random 6\n    goto start\n "
    " }\n}\n"
    "wait\nnext:\nif score == 4 and v7 != 0 goto start\nif score > 1 or v2 < 3 goto start\n"
    "if v1 == -1 nor v2 != 5 goto next\nscore -= 1\nscore *= 3\nscore /= 2\nscore //= 2\nmusic stop\n"
    "layer1 none\nbackground none\ntext_mode page\nmessage 40 \"\"\nop 0x13 1 2 3\nop 0xFF\nnop\nend\n";

TEST(AdvcRoundTrip, BuiltFilesComeBackReadable) {
  const char* const sources[] = {
      kScene,
      "",
      "end",
      "a:\nb:\ngoto b\n",
      "choice 7 { option 2 \"x\" { end } }\nchoice 7 { option \"y\" { nop } }\nwait\n",
      "name music a = 5 \"A\"\nname music a2 = 5 \"B\"\nmusic a\nname background vee \"V1\"\nname background "
      "fin \"END\"\n",
  };
  for (const char* s : sources) {
    const std::string text = ExpectRoundTrip(Built(s), s);
    EXPECT_EQ(text.find("explicit"), std::string::npos) << s << "\n" << text;
  }
}

TEST(AdvcRoundTrip, ReadableFormUsesNamesLabelsAndBlocks) {
  const std::string text = Disassemble(Built(kScene));
  for (const char* line :
       {"name background forest \"FOREST\"", "name picture win = 9 \"WIN\"", "layer3 win",
        "L1:", "  option \"はい\" {", "  option 3 \"いい\\\"え\" {", "    goto L2",
        "message \"こんにちは。\\n\"", "\"森へ\\rようこそ\\x81\"", "if v3 == 4 and v7 != 0 goto L1",
        "if v1 == -1 nor v2 != 5 goto L2", "v3 //= 2", "message 40 \"\"", "op 0x13 1 2 3"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
}

// Files advc would never write, which the readable form cannot always express.
TEST(AdvcRoundTrip, OddLayoutsRebuildByteForByte) {
  const std::vector<uint8_t> scene = Built(kScene);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  files.push_back({"empty file", {}});
  files.push_back({"shorter than a header", Bytes("CRV")});
  files.push_back({"exactly 37 bytes", Concat(Header({38, 38, 38, 38, 38}, {-1, -1, -1}), {0xFF})});
  files.push_back(
      {"37 bytes of an odd header", Concat(Header({0, 7, 99999, -5, 0x7FFFFFFF}, {0, 1, -1}), {0x0F})});
  files.push_back({"another magic", Concat(Bytes("ABCD"), std::vector<uint8_t>(33, 0))});
  // Unknown opcodes and odd operand bytes among normal instructions.
  files.push_back(
      {"unknown opcodes", Concat(Header({48, 48, 48, 48, 48}, {-1, -1, -1}),
                                 {0x00, 0x30, 0x84, 0xFE, 0x0C, 0x01, 0x00, 0x09, 0x05, 0x00, 0x00, 0x00})});
  // A truncated last instruction: an if cut after two bytes.
  files.push_back(
      {"truncated last instruction", Concat(Header({40, 40, 40, 40, 40}, {-1, -1, -1}), {0x0F, 0x0C, 0x01})});
  // Two messages whose chain runs backwards, their pool in chain order.
  files.push_back({"chain in reverse order",
                   Concat(Header({56, 56, 56, 56, 56}, {-1, -1, 47}),
                          {0x82, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x01, 0x00,  // message 1 ends the chain
                           0x82, 0x26, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00,  // message 2 comes first
                           0x0F, 'b',  'a'})});
  // The name pools overlap and come before the script's end in the header's eyes.
  files.push_back(
      {"overlapping, out-of-order pools", Concat(Header({50, 50, 49, 60, 60}, {-1, -1, -1}),
                                                 {0x02, 0x01, 0x00, 0x02, 0x00, 0x10, 0x01, 0x00, 0x01, 0x00,
                                                  0x81, 0x01, 0x00, 0x0F, 'A', 'B', 'C'})});
  // Option bodies with an end marker inside an operand, and a body that swallows the next option.
  files.push_back({"odd option bodies",
                   Concat(Header({61, 61, 61, 61, 61}, {-1, 38, -1}),
                          {0x83, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x01, 0x08, 0x0E, 0x08, 0x00,
                           0x01, 0x08, 0x00, 0x08, 0x09, 0x0F, 0x83, 0x00, 0x00, 0x00, 0x00, 'Q'})});
  // The built scene with one byte changed in each of a few places.
  for (size_t offset : {size_t{4}, size_t{24}, size_t{36}, size_t{40}, size_t{60}, scene.size() - 1}) {
    std::vector<uint8_t> changed = scene;
    changed[offset] ^= 0x5A;
    files.push_back({"scene with byte " + std::to_string(offset) + " changed", changed});
  }
  files.push_back({"scene cut short", std::vector<uint8_t>(scene.begin(), scene.end() - 7)});
  for (const auto& [what, image] : files) ExpectRoundTrip(image, what);
}

TEST(AdvcRoundTrip, RandomFilesRebuildByteForByte) {
  std::mt19937 random(20240607);
  const std::vector<uint8_t> interesting = {0x02, 0x03, 0x05, 0x08, 0x09, 0x0A, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,
                                            0x81, 0x82, 0x83, 0x89, 0x8E, 0xFF, 0x00, 0x0D, 0x0A, 0x22, 0x5C};
  for (int n = 0; n < 300; ++n) {
    const size_t length = 30 + random() % 90;
    std::vector<uint8_t> image(length);
    for (uint8_t& b : image) b = random() % 3 ? interesting[random() % interesting.size()] : random() % 256;
    if (n % 2 == 0 && length >= 36) {  // a plausible header: small positions inside the file
      const std::vector<uint8_t> header =
          Header({37 + static_cast<int64_t>(random() % length), 38, 38, 38, 38},
                 {-1, static_cast<int64_t>(38 + random() % 20), -1});
      std::copy(header.begin(), header.end(), image.begin());
    }
    ExpectRoundTrip(image, "random file " + std::to_string(n));
  }
}

}  // namespace
}  // namespace advc
