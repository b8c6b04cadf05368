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

}  // namespace corv::midi_bytes
