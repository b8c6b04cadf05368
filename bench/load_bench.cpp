// Loading a large game (10 000 messages, 50 000 choice texts, 3 000 names) beside what loading cannot
// do without: one read of the same file and one bulk CP932 conversion of all its text.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "advc/advc.h"
#include "core/player.h"
#include "platform/text_codec.h"
#include "shell/loader.h"

namespace corv::bench {
namespace {

// Sentences of mixed kanji, kana, full-width and ASCII characters, as scenario text is.
const char32_t* const kPhrases[] = {
    U"今日は朝から雨が降っていた。", U"彼女は窓の外を見つめながら、小さく呟いた。",
    U"「ねえ、聞いてる？」",         U"ＡＢＣの順に並べてください。",
    U"放課後の教室には誰もいない。", U"Door No.7 は開かない。",
    U"遠くで電車の音がする。",       U"――そして、物語は始まる。",
};

// A text of about `chars` characters from the phrases, starting at phrase `seed`.
std::u32string Text(size_t seed, size_t chars) {
  std::u32string text;
  for (size_t i = seed; text.size() < chars; ++i) text += kPhrases[i % std::size(kPhrases)];
  text.resize(chars);
  return text;
}

// The game, compiled from generated source and written to a temporary file for the time of the run.
struct GameFile {
  std::string path;
  int64_t text_position = 0;  // where the pools (all the text) begin, from 1
  GameFile() {
    std::u32string source;
    for (const char32_t* kind : {U"background", U"music", U"picture"}) {
      for (int i = 0; i < 1000; ++i) {
        const std::u32string n = kind + FromUtf8(std::to_string(i));
        source += U"name " + std::u32string(kind) + U" " + n + U" \"" + n + U"\"\n";
      }
    }
    for (int i = 0; i < 10000; ++i) source += U"message \"" + Text(i, 60) + U"\"\n";
    for (int i = 0; i < 50000; ++i) {
      if (i % 6 == 0) source += U"choice {\n";
      source += U"  option \"" + Text(i, 12) + U"\" {\n    goto after\n  }\n";
      if (i % 6 == 5 || i == 49999) source += U"}\nwait\n";
    }
    source += U"after:\n";
    const advc::BuildResult built = advc::Build(ToUtf8(source), "load.advs");
    if (!built.ok) throw std::runtime_error("the bench game does not compile: " + built.errors[0].ToString());
    const std::vector<uint8_t>& image = built.image;
    text_position = static_cast<int64_t>(image[4]) | (static_cast<int64_t>(image[5]) << 8) |
                    (static_cast<int64_t>(image[6]) << 16) | (static_cast<int64_t>(image[7]) << 24);
    char pattern[] = "/tmp/corv-bench-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) throw std::runtime_error("cannot make a temporary file");
    ::close(fd);
    path = pattern;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  }
  ~GameFile() { std::remove(path.c_str()); }
};

const GameFile& TheGame() {
  static const GameFile game;
  return game;
}

void LoadTheGame(benchmark::State& state) {
  const GameFile& file = TheGame();
  // A fresh player, as at start-up, built and destroyed inside the timing: the tables are part of it.
  for (auto _ : state) {
    auto player = std::make_unique<Player>();
    if (const Status loaded = LoadGame(*player, file.path); !loaded)
      return state.SkipWithError(loaded.error().c_str());
    benchmark::DoNotOptimize(player->game.MessageTexts.Reach());
    player.reset();
  }
}

// One read of the whole file, then one iconv call over every byte of its pools.
void ReadAndConvert(benchmark::State& state) {
  const GameFile& file = TheGame();
  iconv_t cd = iconv_open("UTF-32LE", "CP932");
  for (auto _ : state) {
    std::ifstream in(file.path, std::ios::binary | std::ios::ate);
    std::vector<char> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    char* from = bytes.data() + file.text_position - 1;
    size_t from_left = bytes.size() - static_cast<size_t>(file.text_position - 1);
    std::u32string text(from_left, U'\0');
    char* to = reinterpret_cast<char*>(text.data());
    size_t to_left = text.size() * sizeof(char32_t);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &from, &from_left, &to, &to_left) == static_cast<size_t>(-1)) {
      iconv_close(cd);
      return state.SkipWithError("the pools are not valid CP932");
    }
    benchmark::DoNotOptimize(text.data());
  }
  iconv_close(cd);
}

BENCHMARK(ReadAndConvert)->Name("load/read_and_convert")->Unit(benchmark::kMillisecond);
BENCHMARK(LoadTheGame)->Name("load/load_game")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corv::bench

BENCHMARK_MAIN();
