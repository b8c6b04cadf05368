// A mutator for the targets whose faults come with size (saves, MIDI files, events files): libFuzzer's
// own mutations grow an input a few bytes at a time, so a run never reaches the megabytes where a
// quadratic loop or an unbounded allocation shows. Now and then this one instead repeats a slice of the
// input until it is up to max_size long (a flood of MIDI events, a million lines, a table of a million
// entries), or writes a large value into a 16- or 32-bit field (a chunk, text or table length). The rest
// of the time libFuzzer's own mutations run. The target defines LLVMFuzzerCustomMutator to call it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace corv::fuzz {

inline size_t GrowOrMutate(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
  std::minstd_rand random(seed);
  const unsigned choice = random() % 16;
  if (choice == 0 && size > 0 && size < max_size) {
    // Repeat data[start, start + length) until the input holds up to a random size up to max_size.
    const size_t start = random() % size;
    const size_t length = 1 + random() % std::min<size_t>(size - start, 256);
    const size_t target = size + 1 + random() % (max_size - size);
    std::vector<uint8_t> grown(data, data + start + length);
    grown.reserve(target);
    while (grown.size() + length + (size - start - length) <= target) {
      grown.insert(grown.end(), data + start, data + start + length);
    }
    grown.insert(grown.end(), data + start + length, data + size);
    grown.resize(std::min(grown.size(), max_size));
    std::memcpy(data, grown.data(), grown.size());
    return grown.size();
  }
  if (choice == 1 && size >= 4) {
    static constexpr uint32_t kLarge[] = {0x7FFFFFFF, 0xFFFFFFFF, 0x00FFFFFF, 0x01000000,
                                          0x10000000, 0x0000FFFF, 0x00007FFF, 0x00010000};
    const uint32_t value = kLarge[random() % std::size(kLarge)];
    const size_t at = random() % (size - 3);
    const bool big_endian = random() % 2;  // MIDI lengths are big-endian, our own formats little-endian
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<uint8_t>(value >> (8 * (big_endian ? 3 - i : i)));
    return size;
  }
  return LLVMFuzzerMutate(data, size, max_size);
}

}  // namespace corv::fuzz

// The targets that include this header take it as their mutator.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
  return corv::fuzz::GrowOrMutate(data, size, max_size, seed);
}
