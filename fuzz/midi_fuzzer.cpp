// MIDI bytes from anywhere, up to megabytes of them: the length reader must stop at what it cannot read
// and never report a negative length or a playable file without a header.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "growing_mutator.h"
#include "platform/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const corv::MidiSummary summary = corv::ReadMidiSummary(std::span<const uint8_t>(data, size));
  if (summary.length_ms < 0) std::abort();
  if (summary.playable && summary.format != 0 && summary.format != 1) std::abort();
  if (!summary.playable && summary.length_ms != 0) std::abort();
  return 0;
}
