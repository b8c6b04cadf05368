// The FluidSynth sequencer, heard through its WAV output on a virtual clock.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/events.h"
#include "media/music.h"
#include "midi_bytes.h"
#include "platform/sequencer.h"
#include "scratch_folder.h"

namespace corv {
namespace {

using namespace midi_bytes;

constexpr int kRate = 44100;

uint32_t Le(const Bytes& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

// Reads a 16-bit stereo 44.1 kHz WAV file written by the sequencer, checking every header field.
std::vector<int16_t> ReadWav(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_GE(b.size(), 44u);
  if (b.size() < 44) return {};
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
  EXPECT_EQ(Le(b, 4, 4), b.size() - 8);
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(Le(b, 16, 4), 16u);      // fmt chunk size
  EXPECT_EQ(Le(b, 20, 2), 1u);       // PCM
  EXPECT_EQ(Le(b, 22, 2), 2u);       // stereo
  EXPECT_EQ(Le(b, 24, 4), 44100u);   // frames per second
  EXPECT_EQ(Le(b, 28, 4), 176400u);  // bytes per second
  EXPECT_EQ(Le(b, 32, 2), 4u);       // bytes per frame
  EXPECT_EQ(Le(b, 34, 2), 16u);      // bits per sample
  EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
  EXPECT_EQ(Le(b, 40, 4), b.size() - 44);
  std::vector<int16_t> samples((b.size() - 44) / 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(Le(b, 44 + 2 * i, 2));
  return samples;
}

// Root mean square of both channels between two times in milliseconds.
double Rms(const std::vector<int16_t>& samples, int from_ms, int to_ms) {
  const size_t from = static_cast<size_t>(from_ms) * kRate / 1000 * 2;
  const size_t to = std::min(samples.size(), static_cast<size_t>(to_ms) * kRate / 1000 * 2);
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
  return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// Frames from a time in milliseconds to the first sample of either channel that is not near silence.
size_t OnsetFrames(const std::vector<int16_t>& samples, int from_ms) {
  const size_t base = static_cast<size_t>(from_ms) * kRate / 1000 * 2;
  size_t i = base;
  while (i < samples.size() && std::abs(samples[i]) < 20) ++i;
  return (i - base) / 2;
}

bool HaveDefaultSoundfont() {
  return std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2");
}

// A piano chord for the first 500 ms of a 2000 ms piece.
Bytes ChordPiece() {
  return Header(0, 1, 480) +
         Track(Program(0, 0) + NoteOn(0, 60, 110) + NoteOn(0, 64, 110) + NoteOn(0, 67, 110) +
               NoteOff(480, 60) + NoteOff(0, 64) + NoteOff(0, 67) + EndOfTrack(1440));
}

TEST(FluidSynthSequencer, PlaysStopsAndRestartsFromTheBeginning) {
  if (!HaveDefaultSoundfont()) GTEST_SKIP() << "no default GM soundfont installed";
  test::ScratchFolder dir;
  const std::string midi = dir.Write("piece one.mid", ChordPiece());
  const std::filesystem::path wav = dir.path() / "out.wav";
  VirtualClock clock(0);
  {
    std::unique_ptr<Sequencer> sequencer = MakeFluidSynthSequencer(
        {.soundfont_path = "", .audio_out_path = wav.string(), .headless = true}, clock);
    auto player = std::make_unique<Player>();
    player->services.clock = &clock;
    player->services.sequencer = sequencer.get();
    player->next_timer_tick = 1000;
    clock.Advance(300);
    EXPECT_EQ(PlayMusic(*player, midi), 2000);
    // The timer restarts the piece at the tick of 3000 ms (the first at or after 300 + 2000).
    while (clock.TickCount() < 3200) {
      DoEvents(*player);
      clock.Advance(1);
    }
    EXPECT_EQ(player->music.MusicStartTick, 3000u);
    PlayMusic(*player, "");  // stopped at 3200, while the chord sounds
    clock.Advance(1800);
  }
  const std::vector<int16_t> samples = ReadWav(wav);
  EXPECT_EQ(samples.size(), 5000u * kRate / 1000 * 2);  // the file is as long as the clock ran
  EXPECT_EQ(Rms(samples, 0, 300), 0.0) << "nothing plays before the piece is opened";
  EXPECT_GT(Rms(samples, 300, 700), 300.0) << "the chord sounds";
  EXPECT_LT(Rms(samples, 1600, 3000), 1.0) << "the piece has ended and is not yet restarted";
  // The restart plays the chord again from its beginning: it sets in as soon after the restart as
  // the first time after the start, and as loud, 50 ms by 50 ms (each start falls at a different point
  // of a 64-frame block, so the windows are compared, not the samples).
  const size_t first_onset = OnsetFrames(samples, 300), restart_onset = OnsetFrames(samples, 3000);
  EXPECT_LT(first_onset, 441u) << "the chord sets in within 10 ms";
  EXPECT_NEAR(double(restart_onset), double(first_onset), 64.0) << "within one 64-frame block of the first";
  for (int t = 0; t < 200; t += 50) {
    const double first = Rms(samples, 300 + t, 350 + t);
    EXPECT_NEAR(Rms(samples, 3000 + t, 3050 + t), first, 0.1 * first) << t << " ms into the restart";
  }
  EXPECT_LT(Rms(samples, 3210, 5000), 1.0) << "stopping cuts the sound, reverberation included";
}

TEST(FluidSynthSequencer, RepliesToTheLengthQueryOnlyWhileOpen) {
  if (!HaveDefaultSoundfont()) GTEST_SKIP() << "no default GM soundfont installed";
  test::ScratchFolder dir;
  const std::string midi = dir.Write("a.mid", ChordPiece());
  VirtualClock clock;
  std::unique_ptr<Sequencer> s = MakeFluidSynthSequencer(
      {.soundfont_path = "", .audio_out_path = (dir.path() / "o.wav").string(), .headless = true}, clock);
  EXPECT_EQ(s->SendString("status sequencer length"), "");
  s->SendString("open \"" + midi + "\" type sequencer alias sequencer");
  EXPECT_EQ(s->SendString("status sequencer length"), "2000");
  s->SendString("close sequencer");
  EXPECT_EQ(s->SendString("status sequencer length"), "");
  s->SendString("open \"" + (dir.path() / "missing.mid").string() + "\" type sequencer alias sequencer");
  EXPECT_EQ(s->SendString("status sequencer length"), "") << "a file that cannot be opened has no length";
}

// Damaged and refused files play on without a crash (the sanitizer build checks the memory) and report
// the length that could be read.
TEST(FluidSynthSequencer, DamagedFilesPlayOnWithTheirReadableLength) {
  if (!HaveDefaultSoundfont()) GTEST_SKIP() << "no default GM soundfont installed";
  const Bytes notes = Program(0, 0) + NoteOn(0, 60) + NoteOff(960, 60);  // 1000 ms
  Bytes cut = Header(0, 1, 480) + Track(notes + EndOfTrack(960));
  cut.resize(cut.size() - 5);
  const struct {
    const char* name;
    Bytes file;
    const char* length;
  } cases[] = {
      {"empty", {}, "0"},
      {"cut off", cut, "1000"},
      {"format 2", Header(2, 1, 480) + Track(notes + EndOfTrack(0)), "0"},
      {"SMPTE timing", Header(0, 1, 0xE728) + Track(notes + EndOfTrack(0)), "960"},
      {"no running status", Header(0, 1, 480) + Track(Raw({0x00, 60, 100}) + notes), "0"},
      {"tempo 0", Header(0, 1, 480) + Track(Tempo(0, 0) + notes + EndOfTrack(0)), "0"},
      {"huge delta", Header(0, 1, 480) + Track(notes + NoteOn(0x0FFFFFFF, 62) + EndOfTrack(0)), "279621265"},
      {"chunk length beyond the file", Header(0, 1, 480) + Be(0x4D54726B, 4) + Be(0x7FFFFFFF, 4) + notes,
       "1000"},
  };
  test::ScratchFolder dir;
  VirtualClock clock;
  std::unique_ptr<Sequencer> s = MakeFluidSynthSequencer(
      {.soundfont_path = "", .audio_out_path = (dir.path() / "o.wav").string(), .headless = true}, clock);
  for (const auto& c : cases) {
    const std::string path = dir.Write("bad.mid", c.file);
    s->SendString("open \"" + path + "\" type sequencer alias sequencer");
    s->SendString("play sequencer notify");
    EXPECT_EQ(s->SendString("status sequencer length"), c.length) << c.name;
    clock.Advance(1500);
    s->SendString("seek sequencer to start");
    s->SendString("play sequencer notify");
    clock.Advance(500);
    s->SendString("close sequencer");
  }
}

// Without --audio-out the sound goes to SDL's audio device; headless runs use its dummy driver.
TEST(FluidSynthSequencer, PlaysThroughTheDummyAudioDriver) {
  if (!HaveDefaultSoundfont()) GTEST_SKIP() << "no default GM soundfont installed";
  test::ScratchFolder dir;
  const std::string midi = dir.Write("a.mid", ChordPiece());
  VirtualClock clock;
  std::unique_ptr<Sequencer> s =
      MakeFluidSynthSequencer({.soundfont_path = "", .audio_out_path = "", .headless = true}, clock);
  s->SendString("open \"" + midi + "\" type sequencer alias sequencer");
  s->SendString("play sequencer notify");
  EXPECT_EQ(s->SendString("status sequencer length"), "2000");
  s->SendString("seek sequencer to start");
  s->SendString("close sequencer");
}

}  // namespace
}  // namespace corv
