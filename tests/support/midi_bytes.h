// Building Standard MIDI File bytes by hand for the music tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace corv::midi_bytes {

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline Bytes Be(uint32_t v, int n) {
  Bytes out;
  for (int i = n - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return out;
}

// A variable-length quantity (v < 2^28).
inline Bytes VarLen(uint32_t v) {
  Bytes out{static_cast<uint8_t>(v & 0x7F)};
  while (v >>= 7) out.insert(out.begin(), static_cast<uint8_t>(0x80 | (v & 0x7F)));
  return out;
}

inline Bytes Header(int format, int tracks, uint16_t division) {
  return Bytes{'M', 'T', 'h', 'd'} + Be(6, 4) + Be(format, 2) + Be(tracks, 2) + Be(division, 2);
}

// A track chunk whose length field matches its body.
inline Bytes Track(const Bytes& body) {
  return Bytes{'M', 'T', 'r', 'k'} + Be(body.size(), 4) + body;
}

// Events, each starting with its delta time.
inline Bytes Tempo(uint32_t delta, uint32_t microseconds_per_quarter) {
  return VarLen(delta) + Bytes{0xFF, 0x51, 0x03} + Be(microseconds_per_quarter, 3);
}
inline Bytes EndOfTrack(uint32_t delta) {
  return VarLen(delta) + Bytes{0xFF, 0x2F, 0x00};
}
inline Bytes NoteOn(uint32_t delta, uint8_t key, uint8_t velocity = 100, uint8_t channel = 0) {
  return VarLen(delta) + Bytes{static_cast<uint8_t>(0x90 | channel), key, velocity};
}
inline Bytes NoteOff(uint32_t delta, uint8_t key, uint8_t channel = 0) {
  return VarLen(delta) + Bytes{static_cast<uint8_t>(0x80 | channel), key, 0x40};
}
inline Bytes Program(uint32_t delta, uint8_t program, uint8_t channel = 0) {
  return VarLen(delta) + Bytes{static_cast<uint8_t>(0xC0 | channel), program};
}
inline Bytes Raw(std::initializer_list<uint8_t> bytes) {
  return Bytes(bytes);
}
inline Bytes Repeat(const Bytes& bytes, size_t times) {
  Bytes out;
  out.reserve(bytes.size() * times);
  for (size_t i = 0; i < times; ++i) out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

// Pieces that make the synthesiser work hard, all at tick 0 and of length 0: a flood of `bytes` bytes of
// running-status note-ons, and the most note-ons the player accepts at one moment, on different keys.
inline Bytes NoteOnFlood(size_t bytes) {
  const size_t events = (bytes - 30) / 3;
  return Header(0, 1, 480) +
         Track(Raw({0x00, 0x90, 60, 100}) + Repeat(Raw({0x00, 60, 100}), events) + EndOfTrack(0));
}
inline Bytes LargestChord(size_t notes) {
  Bytes track;
  for (size_t i = 0; i < notes; ++i) track = track + NoteOn(0, static_cast<uint8_t>(24 + i % 80), 100);
  return Header(0, 1, 480) + Track(track + EndOfTrack(0));
}

// Files in the shapes players in the wild accept and FluidSynth does not, each a loud C-major chord for
// its first 400 ms (480 ticks a quarter at the default 500000 microseconds: 384 ticks) and quiet up to
// the length worked out beside it.
struct QuirkyFile {
  const char* name;
  Bytes file;
  int32_t length_ms;
};
inline std::vector<QuirkyFile> QuirkyFiles() {
  const Bytes chord_on = Raw({0x00, 0xC0, 0x00, 0x00, 0x90, 60, 120});  // piano, then note-on with status
  const Bytes rest = Raw({0x00, 64, 120, 0x00, 67, 120}) + NoteOff(384, 60) + NoteOff(0, 64) + NoteOff(0, 67);
  const auto piece = [](const Bytes& track) { return Header(0, 1, 480) + Track(track); };
  return {
      // 384 + 1536 ticks = 1920 ticks = 2000 ms.
      {"running status after a meta event",
       piece(chord_on + Raw({0x00, 0xFF, 0x01, 0x02, 'h', 'i'}) + rest + EndOfTrack(1536)), 2000},
      // The same after a system exclusive message (GM on): 2000 ms.
      {"running status after a system exclusive event",
       piece(chord_on + Raw({0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}) + rest + EndOfTrack(1536)),
       2000},
      // Stray bytes, each with a delta time of its own: 0 + 10 + 20 ticks before the chord, the data bytes
      // of F1 (1), F2 (2) and F3 (1) skipped; real-time F8 and FE and undefined F4, F5, F9, FD between the
      // notes at 0 ticks; 30 ticks before the end. 30 + 384 + 30 + 1536 = 1980 ticks = 2062.5 ms: 2062.
      {"stray system common and real-time bytes",
       piece(Raw({0x00, 0xF1, 0x20, 0x0A, 0xF2, 0x01, 0x02, 0x14, 0xF3, 0x05}) + chord_on +
             Raw({0x00, 0xF8, 0x00, 0xFE, 0x00, 0xF4, 0x00, 0xF5, 0x00, 0xF9, 0x00, 0xFD, 0x00, 0xF6}) +
             rest + Raw({0x1E, 0xFA}) + EndOfTrack(1536)),
       2062},
  };
}

}  // namespace corv::midi_bytes
