// What the end-to-end tests of the music share: a short test piece and measures of the rendered sound.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "e2e_support.h"
#include "midi_bytes.h"

namespace corv::e2e {

// One loud chord for the first 400 ms, then rests up to the end of the piece at 2000 ms
// (480 ticks a quarter at 500 000 microseconds a quarter: 1 tick = 500/480 ms).
inline std::string ChordThenRest() {
  using namespace midi_bytes;
  const Bytes track = Tempo(0, 500000) + Program(0, 0) + NoteOn(0, 60, 120) + NoteOn(0, 64, 120) +
                      NoteOn(0, 67, 120) + NoteOff(384, 60) + NoteOff(0, 64) + NoteOff(0, 67) +
                      EndOfTrack(1536);
  const Bytes file = Header(0, 1, 480) + Track(track);
  return std::string(file.begin(), file.end());
}

// Root mean square of the left channel over [from_ms, from_ms + length_ms), as a fraction of full scale.
inline double Rms(const Wav& wav, double from_ms, double length_ms) {
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

inline int Level(const Wav& wav, long frame) {
  return std::abs(static_cast<int>(wav.samples[frame * wav.channels]));
}

// Where sound begins after 100 ms of near silence, at `from_ms` or later: the time (ms) of the first
// sample above the quiet level when a loud one follows within 50 ms; -1 if none does.
inline double OnsetAfter(const Wav& wav, double from_ms) {
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

}  // namespace corv::e2e
