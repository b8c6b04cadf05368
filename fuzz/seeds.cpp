#include "seeds.h"

#include <cstdio>
#include <cstdlib>

#include "advc/advc.h"
#include "bmp_writer.h"
#include "midi_bytes.h"

namespace corv::fuzz {
namespace {

std::string AsString(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::vector<test::Rgb> Palette(int n) {
  std::vector<test::Rgb> palette;
  for (int i = 0; i < n; ++i) {
    palette.push_back(
        {static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i * 11), static_cast<uint8_t>(i * 5)});
  }
  return palette;
}

uint32_t Checker(int x, int y) {
  return ((x / 2 + y / 2) % 2) ? 0xFF00FF : 0x20A040 + static_cast<uint32_t>(x * 3);
}

}  // namespace

std::vector<Seed> SeedScripts() {
  const std::string names =
      "name background bg \"BG\"\n"
      "name picture a \"A\"\n"
      "name picture pg \"PAGE\"\n"
      "name music theme \"THEME\"\n";
  return {
      {"window.txt", names +
                         "text_mode window\ntext_wait 3\nbackground bg\nlayer1 a\nlayer3 pg\nmusic theme\n"
                         "message \"こんにちは。\\n森へようこそ。\"\n"
                         "choice {\n  option \"はい\" {\n    v1 += 1\n    goto next\n  }\n"
                         "  option \"いいえ\" {\n    v1 = random 6\n    goto next\n  }\n}\nwait\n"
                         "next:\nif v1 >= 4 and v7 != 0 goto next\nmusic stop\nlayer3 none\nend\n"},
      {"page.txt",
       names + "text_mode page\nbackground bg\nlayer1 a\n"
               "top:\nmessage \"ページの文章です。\\nもう一行。\\n\\n\\n\\n\\n\\n\"\n"
               "v2 += 1\nif v2 < 3 goto top\n"
               "choice {\n  option \"一\" {\n    goto out\n  }\n  option \"二\" {\n    goto out\n  }\n"
               "  option \"三\" {\n    goto out\n  }\n}\nwait\nout:\nend\n"},
      {"arith.txt",
       "loop:\nv3 += 7\nv3 *= 3\nv3 /= 2\nv3 //= 5\nv3 -= 1\nv4 = random 100\n"
       "if v3 == 2 or v4 > 50 goto done\nif v5 == 0 nor v6 > 9 goto loop\ndone:\nnop\nop 19 1 2 3\nend\n"},
      {"raw.txt",
       names + "background 2\nlayer1 0\nraw 1 2 3 17 136 140\nop 23 7 7\ntext_mode 5\nmessage 9 \"\"\nend\n"},
  };
}

std::vector<Seed> SeedGames() {
  std::vector<Seed> games;
  for (const auto& [name, source] : SeedScripts()) {
    const advc::BuildResult built = advc::Build(source, name);
    if (!built.ok) {
      for (const auto& e : built.errors) std::fprintf(stderr, "%s\n", e.ToString().c_str());
      std::abort();
    }
    games.emplace_back(name.substr(0, name.size() - 4) + ".ADV", AsString(built.image));
  }
  return games;
}

std::vector<Seed> SeedBitmaps() {
  const auto index = [](int n) {
    return [n](int x, int y) { return static_cast<uint32_t>((x + 3 * y) % n); };
  };
  return {
      {"b1.bmp", test::MakeBmp(13, 5, 1, Palette(2), index(2))},
      {"b4.bmp", test::MakeBmp(9, 7, 4, Palette(16), index(16))},
      {"b8.bmp", test::MakeBmp(11, 6, 8, Palette(256), index(256))},
      {"b8td.bmp", test::MakeBmp(5, 4, 8, Palette(7), index(7), true)},
      {"b16.bmp", test::MakeBmp(7, 5, 16, {}, Checker)},
      {"b24.bmp", test::MakeBmp(10, 8, 24, {}, Checker)},
      {"b32.bmp", test::MakeBmp(6, 3, 32, {}, Checker, true)},
      {"b8rle.bmp",
       test::AssembleBmp({40,
                          4,
                          3,
                          8,
                          1,
                          {},
                          Palette(16),
                          std::string("\x02\x01\0\x02\x01\x01\x01\x02\0\0\0\x03\x03\x04\x05\0\0\x01", 18)})},
      {"b4rle.bmp", test::AssembleBmp({40,
                                       5,
                                       2,
                                       4,
                                       2,
                                       {},
                                       Palette(16),
                                       std::string("\x05\x12\0\0\0\x02\x02\0\0\x03\x34\x50\0\x01", 14)})},
      {"os2v2-16.bmp",
       test::AssembleBmp({16, 3, 2, 4, 0, {}, Palette(16), std::string("\x78\x90\0\0\x12\x30\0\0", 8)})},
      {"b16-231.bmp",
       test::AssembleBmp({124, 5, 3, 16, 3, {0x30, 0x0E, 0x01, 0}, {}, test::PackedRows(5, 3, 16, Checker)})},
      {"b32-abf.bmp", test::AssembleBmp({40,
                                         3,
                                         2,
                                         32,
                                         6,
                                         {0xFE000000, 0x01000000, 0xFF0000, 0xFE00},
                                         {},
                                         test::PackedRows(3, 2, 32, Checker)})},
  };
}

std::vector<Seed> SeedMidis() {
  using namespace midi_bytes;
  const Bytes melody = Program(0, 1) + NoteOn(0, 60) + NoteOff(96, 60) + NoteOn(0, 64) +
                       Raw({48, 67, 90}) /* running status */ + NoteOff(48, 64) + NoteOff(0, 67);
  const Bytes tempo_track = Tempo(0, 500000) + Tempo(192, 250000) + EndOfTrack(96);
  const auto file = [](const Bytes& b) { return std::string(b.begin(), b.end()); };
  return {
      {"f0.mid", file(Header(0, 1, 96) + Track(Tempo(0, 400000) + melody + EndOfTrack(10)))},
      {"f1.mid", file(Header(1, 2, 96) + Track(tempo_track) + Track(melody + EndOfTrack(0)))},
      {"smpte.mid", file(Header(0, 1, 0xE728) + Track(melody + EndOfTrack(5)))},
      {"f2.mid", file(Header(2, 1, 48) + Track(melody + EndOfTrack(0)))},
  };
}

std::vector<Seed> SeedResources() {
  std::vector<Seed> bitmaps = SeedBitmaps();
  return {{"BG.BMP", test::MakeBmp(64, 48, 24, {}, Checker)},
          {"A.BMP", bitmaps[2].second},
          {"PAGE.BMP", bitmaps[4].second},
          {"THEME.MID", SeedMidis()[1].second},
          {"Sub/X.BMP", bitmaps[0].second}};
}

}  // namespace corv::fuzz
