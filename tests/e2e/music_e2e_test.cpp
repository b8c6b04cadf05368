// Music through the real player, rendered into a WAV file with --audio-out on the headless clock: the
// piece sounds where it should, restarts from its beginning once its length has passed, and falls silent
// after `music stop`. And the memory a whole headless run of the demo takes, music included.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "sound_support.h"

namespace corv::e2e {
namespace {

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

// Five presses of '-' after the first chord: the piece's restart sounds at half the amplitude, in the
// WAV as on the device, and the volume is kept in the settings file named with --config.
TEST(Music, VolumeKeysScaleTheMusicAndAreRemembered) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  ScratchFolder folder;
  WriteFile(folder.path() / "TUNE.MID", ChordThenRest());
  BuildGame("name music tune \"TUNE\"\ntext_wait 0\nmusic tune\nmessage \"あ\"\nclick\nend\n",
            folder.path() / "TUNE.ADV");
  if (HasFatalFailure()) return;
  WriteFile(folder.path() / "events.txt",
            "idle\nwait 1000\nkey -\nkey -\nkey -\nkey -\nkey -\nwait 3000\nclick 5 5\n");
  const RunResult result = RunPlayer({"--headless", "--config", "settings.ini", "--soundfont", kSoundfont,
                                      "--audio-out", "music.wav", "--events", "events.txt", "TUNE.ADV"},
                                     folder.path());
  ASSERT_EQ(result.status, 0) << result.err;
  Wav wav;
  ASSERT_TRUE(ReadWav(folder.path() / "music.wav", wav));
  const double start = OnsetAfter(wav, 0), restart = OnsetAfter(wav, start + 500);
  ASSERT_GE(start, 0);
  ASSERT_GT(restart, 0) << "the piece never restarted";
  const double full = Rms(wav, start + 100, 200), half = Rms(wav, restart + 100, 200);
  ASSERT_GT(full, 0.01);
  EXPECT_NEAR(half / full, 0.5, 0.05) << full << " then " << half;
  EXPECT_NE(ReadFile(folder.path() / "settings.ini").find("volume=50\n"), std::string::npos);
}

// Played for real (not headless) on a machine that may have no sound card: whatever the sound system says
// stays off the terminal; at most the player's own one line about the sound device remains.
TEST(Music, NoForeignLinesWithoutASoundDevice) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  ScratchFolder folder;
  WriteFile(folder.path() / "TUNE.MID", ChordThenRest());
  BuildGame("name music tune \"TUNE\"\ntext_wait 0\nmusic tune\nmessage \"あ\"\nclick\nend\n",
            folder.path() / "TUNE.ADV");
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
