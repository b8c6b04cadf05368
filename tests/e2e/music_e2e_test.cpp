// Music through the real player, rendered into a WAV file with --audio-out on the headless clock: the
// piece sounds where it should, restarts from its beginning once its length has passed, and falls silent
// after `music stop`. And the memory a whole headless run of the demo takes, music included.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "sound_support.h"

namespace corv::e2e {
namespace {

// Plays the game with the events, the arguments given added, its music rendered into music.wav and read
// back into `wav`.
RunResult PlayIntoWav(HeadlessGame& game, const std::string& events, Wav& wav,
                      std::vector<std::string> extra = {}) {
  extra.insert(extra.begin(), {"--soundfont", kSoundfont, "--audio-out", "music.wav"});
  const RunResult result = game.Play(events, extra);
  EXPECT_TRUE(ReadWav(game.folder().path() / "music.wav", wav)) << result.err;
  return result;
}

TEST(Music, SoundsLoopsFromItsBeginningAndStops) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  HeadlessGame game(
      "name music tune \"TUNE\"\ntext_wait 0\nmusic tune\nmessage \"あ\"\nclick\nmusic stop\nmessage \"い\"\n"
      "click\nend\n");
  WriteFile(game.folder().path() / "TUNE.MID", ChordThenRest());
  // Seven seconds with the music, then four without: more than a whole turn of the loop, which restarts
  // the piece within a second (the timer's period) after its 2000 ms.
  Wav wav;
  const RunResult result = PlayIntoWav(game, "idle\nwait 7000\nclick 5 5\nidle\nwait 4000\nclick 5 5\n", wav);
  ASSERT_EQ(result.status, 0) << result.err;
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

// A game that plays TUNE.MID and waits for a click.
constexpr char kTuneGame[] =
    "name music tune \"TUNE\"\ntext_wait 0\nmusic tune\nmessage \"あ\"\nclick\nend\n";

// Plays TUNE.MID (the given bytes) for `ms` of the headless clock inside a click wait, its sound into `wav`.
RunResult PlayTune(const midi_bytes::Bytes& tune, int ms, Wav& wav) {
  HeadlessGame game(kTuneGame);
  WriteFile(game.folder().path() / "TUNE.MID", std::string(tune.begin(), tune.end()));
  return PlayIntoWav(game, "idle\nwait " + std::to_string(ms) + "\nclick 5 5\n", wav);
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Files that FluidSynth refuses as they stand are heard, restart after their length (at the first tick
// of the one-second timer at or after it), and are named once on stderr as repaired.
TEST(Music, QuirkyFilesFromTheWildAreHeard) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  for (const midi_bytes::QuirkyFile& c : midi_bytes::QuirkyFiles()) {
    Wav wav;
    const RunResult result = PlayTune(c.file, 3500, wav);
    ASSERT_EQ(result.status, 0) << c.name << ": " << result.err;
    EXPECT_EQ(Occurrences(result.err, "TUNE.MID"), 1u) << c.name << ": " << result.err;
    const double start = OnsetAfter(wav, 0);
    ASSERT_GE(start, 0) << c.name << ": silent";
    EXPECT_GT(Rms(wav, start, 300), 0.01) << c.name << ": the chord is audible";
    const double restart = OnsetAfter(wav, start + 500);
    EXPECT_GE(restart, start + c.length_ms - 10) << c.name;
    EXPECT_LE(restart, start + c.length_ms + 1000 + 20) << c.name;
  }
}

// A 4000 ms piece looped for a minute inside a click wait, whose passes of 17 ms deliver each timer tick
// up to 16 ms late: every restart stays on the timer's beat, 4000 ms after the one before.
TEST(Music, LoopKeepsTheTimersBeat) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  using namespace midi_bytes;
  // 384 ticks of chord, 3456 of rest: 3840 ticks at 500/480 ms = 4000 ms.
  const Bytes tune =
      Header(0, 1, 480) + Track(Tempo(0, 500000) + Program(0, 0) + NoteOn(0, 60, 120) + NoteOn(0, 67, 120) +
                                NoteOff(384, 60) + NoteOff(0, 67) + EndOfTrack(3456));
  Wav wav;
  const RunResult result = PlayTune(tune, 60000, wav);
  ASSERT_EQ(result.status, 0) << result.err;
  std::vector<double> onsets{OnsetAfter(wav, 0)};
  while (onsets.back() >= 0) onsets.push_back(OnsetAfter(wav, onsets.back() + 1000));
  onsets.pop_back();
  ASSERT_GE(onsets.size(), 14u) << "a start and a restart every 4 s of the minute";
  EXPECT_GE(onsets[1] - onsets[0], 4000 - 10);
  EXPECT_LE(onsets[1] - onsets[0], 5000 + 20);
  for (size_t k = 2; k < onsets.size(); ++k) {
    EXPECT_NEAR(onsets[k] - onsets[1], 4000.0 * static_cast<double>(k - 1), 17) << "restart " << k;
  }
}

// Pieces that would hold the synthesiser up for seconds: a 16 MB flood of note-ons at tick 0 (refused,
// with a note) and the largest chord accepted, each of length 0 and so restarted at every timer tick.
// Twenty seconds of the headless clock render in time of the same order.
TEST(Music, HeavyPiecesRenderInTimeProportionalToTheClock) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  const struct {
    const char* name;
    midi_bytes::Bytes tune;
    bool refused;
  } cases[] = {{"16 MB note-on flood", midi_bytes::NoteOnFlood(16000000), true},
               {"largest chord", midi_bytes::LargestChord(511), false}};
  for (const auto& c : cases) {
    // Sounding the chord measures only FluidSynth, which the sanitizers slow down for a minute.
    if (kSanitized && !c.refused) continue;
    Wav wav;
    const auto begin = std::chrono::steady_clock::now();
    const RunResult result = PlayTune(c.tune, 20000, wav);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("%s: 20 s of the clock rendered in %.1f s\n", c.name, seconds);
    EXPECT_EQ(result.status, 0) << c.name << ": " << result.err;
    if (!kSanitized) {
      EXPECT_LT(seconds, 60) << c.name;
    }
    EXPECT_GE(1000.0 * wav.frames() / wav.rate, 20000) << c.name;
    EXPECT_EQ(Occurrences(result.err, "TUNE.MID"), c.refused ? 1u : 0u) << c.name << ": " << result.err;
    EXPECT_EQ(Rms(wav, 0, 20000) > 0.001, !c.refused) << c.name;
  }
}

// Five presses of '-' after the first chord: the piece's restart sounds at half the amplitude, in the
// WAV as on the device, and the volume is kept in the settings file named with --config.
TEST(Music, VolumeKeysScaleTheMusicAndAreRemembered) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  HeadlessGame game(kTuneGame);
  WriteFile(game.folder().path() / "TUNE.MID", ChordThenRest());
  Wav wav;
  const RunResult result =
      PlayIntoWav(game, "idle\nwait 1000\nkey -\nkey -\nkey -\nkey -\nkey -\nwait 3000\nclick 5 5\n", wav,
                  {"--config", "settings.ini"});
  ASSERT_EQ(result.status, 0) << result.err;
  const double start = OnsetAfter(wav, 0), restart = OnsetAfter(wav, start + 500);
  ASSERT_GE(start, 0);
  ASSERT_GT(restart, 0) << "the piece never restarted";
  const double full = Rms(wav, start + 100, 200), half = Rms(wav, restart + 100, 200);
  ASSERT_GT(full, 0.01);
  EXPECT_NEAR(half / full, 0.5, 0.05) << full << " then " << half;
  EXPECT_NE(ReadFile(game.folder().path() / "settings.ini").find("volume=50\n"), std::string::npos);
}

// Played for real (not headless) on a machine that may have no sound card: whatever the sound system says
// stays off the terminal; at most the player's own one line about the sound device remains.
TEST(Music, NoForeignLinesWithoutASoundDevice) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  ScratchFolder folder;
  WriteFile(folder.path() / "TUNE.MID", ChordThenRest());
  BuildGame(kTuneGame, folder.path() / "TUNE.ADV");
  if (HasFatalFailure()) return;
  WriteFile(folder.path() / "events.txt", "idle\nwait 500\nclick 5 5\n");
  ScopedEnv video("SDL_VIDEODRIVER", "dummy");  // no window needed; the sound device is the real one
  const RunResult result = RunPlayer({"--window", "--depth", "32", "--drawing-mode", "0", "--no-config",
                                      "--soundfont", kSoundfont, "--events", "events.txt", "TUNE.ADV"},
                                     folder.path(), std::chrono::seconds(60));
  EXPECT_EQ(result.status, 0) << result.err;
  for (const std::string& line : SplitLines(result.err)) EXPECT_EQ(line.rfind("corvalline: ", 0), 0u) << line;
  EXPECT_LE(SplitLines(result.err).size(), 1u) << result.err;
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
