// Music through the real player, rendered into a WAV file with --audio-out on the headless clock: the
// piece sounds where it should, restarts from its beginning once its length has passed, and falls silent
// after `music stop`. And the memory a whole headless run of the demo takes, music included.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "../unit/midi_bytes.h"
#include "e2e_support.h"

namespace corv::e2e {
namespace {

constexpr char kSoundfont[] = "/usr/share/sounds/sf2/default-GM.sf2";

// One loud chord for the first 400 ms, then rests up to the end of the piece at 2000 ms
// (480 ticks a quarter at 500 000 microseconds a quarter: 1 tick = 500/480 ms).
std::string ChordThenRest() {
  using namespace midi_bytes;
  const Bytes track = Tempo(0, 500000) + Program(0, 0) + NoteOn(0, 60, 120) + NoteOn(0, 64, 120) +
                      NoteOn(0, 67, 120) + NoteOff(384, 60) + NoteOff(0, 64) + NoteOff(0, 67) +
                      EndOfTrack(1536);
  const Bytes file = Header(0, 1, 480) + Track(track);
  return std::string(file.begin(), file.end());
}

// Root mean square of the left channel over [from_ms, from_ms + length_ms), as a fraction of full scale.
double Rms(const Wav& wav, double from_ms, double length_ms) {
  const size_t first = static_cast<size_t>(std::max(0.0, from_ms) * wav.rate / 1000);
  const size_t last = std::min(wav.frames(), static_cast<size_t>((from_ms + length_ms) * wav.rate / 1000));
  if (last <= first) return 0;
  double sum = 0;
  for (size_t i = first; i < last; ++i) {
    const double v = wav.samples[i * wav.channels] / 32768.0;
    sum += v * v;
  }
  return std::sqrt(sum / static_cast<double>(last - first));
}

int Level(const Wav& wav, long frame) {
  return std::abs(static_cast<int>(wav.samples[frame * wav.channels]));
}

// Where sound begins after 100 ms of near silence, at `from_ms` or later: the time (ms) of the first
// sample above the quiet level when a loud one follows within 50 ms; -1 if none does.
double OnsetAfter(const Wav& wav, double from_ms) {
  const long quiet = wav.rate / 10, rise = wav.rate / 20, frames = static_cast<long>(wav.frames());
  const long begin = static_cast<long>(from_ms * wav.rate / 1000);
  long last_heard = -quiet - 1;
  for (long i = std::max(0L, begin - quiet); i < frames; ++i) {
    if (Level(wav, i) <= 30) continue;
    if (i >= begin && i - last_heard > quiet) {
      for (long j = i; j < std::min(frames, i + rise); ++j) {
        if (Level(wav, j) > 300) return 1000.0 * i / wav.rate;
      }
    }
    last_heard = i;
  }
  return -1;
}

TEST(Music, SoundsLoopsFromItsBeginningAndStops) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  ScratchFolder folder;
  WriteFile(folder.path() / "TUNE.MID", ChordThenRest());
  BuildGame(
      "name music tune \"TUNE\"\ntext_wait 0\nmusic tune\nmessage \"あ\"\nclick\nmusic stop\nmessage \"い\"\n"
      "click\nend\n",
      folder.path() / "TUNE.ADV");
  if (HasFatalFailure()) return;
  // Seven seconds with the music, then four without: more than a whole turn of the loop, which restarts
  // the piece within a second (the timer's period) after its 2000 ms.
  WriteFile(folder.path() / "events.txt", "idle\nwait 7000\nclick 5 5\nidle\nwait 4000\nclick 5 5\n");
  const RunResult result = RunPlayer({"--headless", "--soundfont", kSoundfont, "--audio-out", "music.wav",
                                      "--events", "events.txt", "TUNE.ADV"},
                                     folder.path());
  ASSERT_EQ(result.status, 0) << result.err;
  Wav wav;
  ASSERT_TRUE(ReadWav(folder.path() / "music.wav", wav));
  ASSERT_EQ(wav.channels, 2);
  ASSERT_EQ(wav.rate, 44100);
  const double total_ms = 1000.0 * wav.frames() / wav.rate;
  ASSERT_GT(total_ms, 11000);

  // The piece starts as the game starts.
  const double start = OnsetAfter(wav, 0);
  ASSERT_GE(start, 0);
  ASSERT_LT(start, 500) << "the music should start with the game";
  EXPECT_GT(Rms(wav, start, 300), 0.01) << "the chord is audible";
  EXPECT_LT(Rms(wav, start + 1000, 800), 0.0005) << "the rest after it is not";

  // It comes back after its length, on the next tick of the once-a-second timer.
  const double restart = OnsetAfter(wav, start + 500);
  ASSERT_GT(restart, 0) << "the piece never restarted";
  EXPECT_GE(restart - start, 2000 - 10);
  EXPECT_LE(restart - start, 3000 + 50);
  // From its beginning: the first 200 ms after the restart sound like the first 200 ms after the start.
  for (double t = 0; t < 200; t += 20) {
    const double a = Rms(wav, start + t, 20), b = Rms(wav, restart + t, 20);
    EXPECT_NEAR(a, b, 0.25 * a + 0.002) << "at " << t << " ms";
  }
  // And again one turn later.
  const double second = OnsetAfter(wav, restart + 500);
  EXPECT_GE(second - restart, 2000 - 10);
  EXPECT_LE(second - restart, 3000 + 50);

  // `music stop` came after about 7 s; the last 3.5 s hold more than a whole turn and stay silent.
  EXPECT_LT(Rms(wav, total_ms - 3500, 3500), 0.0005);
}

TEST(Music, HeadlessDemoRunWithMusicStaysSmall) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' shadow memory makes sizes meaningless";
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  ScratchFolder folder;
  const fs::path demo = fs::path(DEMO_DIR) / "DEMO.ADV";
  ASSERT_TRUE(fs::exists(demo)) << demo;
  const fs::path events = fs::path(DEMO_SOURCE_DIR) / "demo.events";
  const RunResult result = RunPlayer({"--headless", "--soundfont", kSoundfont, "--audio-out", "demo.wav",
                                      "--events", events.string(), demo.string()},
                                     folder.path());
  EXPECT_EQ(result.status, 0) << result.err;
  Wav wav;
  ASSERT_TRUE(ReadWav(folder.path() / "demo.wav", wav));
  EXPECT_GT(Rms(wav, 1000, 2000), 0.005) << "the demo's first piece plays";
  EXPECT_GT(result.max_rss_kb, 1000);
  EXPECT_LT(result.max_rss_kb, 100 * 1024) << "peak resident memory in KiB";
  std::printf("peak resident memory of the demo run: %ld KiB\n", result.max_rss_kb);
}

}  // namespace
}  // namespace corv::e2e
