// Reading a Standard MIDI File far enough to know how long it plays: the header, every track's
// events and the tempo map they make up. The reader never trusts the file: it stops at the first
// thing it cannot read and reports the length of what it could.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corv {

// Bounds on what a piece may ask of the synthesiser, far above what music needs: the whole piece is
// replayed at every turn of the loop, and events crowded at one moment are all sounded within one
// audio buffer. A file beyond either is not played.
inline constexpr size_t kMaxMidiEvents = 131072;
inline constexpr size_t kMaxMidiEventsAtOnce = 512;  // within any kMidiCrowdedMs of the piece
inline constexpr uint32_t kMidiCrowdedMs = 25;

struct MidiSummary {
  bool playable = false;  // a header in a format the player handles (0 or 1), within the bounds above
  int format = -1;        // 0, 1 or 2; -1 when there is no header
  int tracks_read = 0;    // track chunks that were read (fully or in part)
  int32_t length_ms = 0;  // playing time up to the last end of track, at most INT32_MAX
  // The first fault found or mended, or why the file is refused; empty for a clean file.
  std::string problem;
  // The file as a synthesiser should see it: the header (6 bytes long, the track count of the tracks
  // read), then each track read, cut before its first fault and closed by an end-of-track event, every
  // chunk length exact; other chunks are left out. Each event has its own status byte (running status
  // resolved), and stray system common and real-time bytes are left out, their delta times added to the
  // next event's. Equal to the file itself when the file is sound, uses no running status and holds
  // nothing else. Empty when not playable.
  std::vector<uint8_t> cleaned;
};

// Reads the whole file image. Format 0 and 1 files (with timing in ticks per quarter note or in SMPTE
// frames) give their length; format 2 files, files without a header and files beyond the bounds above
// are not playable, length 0.
MidiSummary ReadMidiSummary(std::span<const uint8_t> bytes);

}  // namespace corv
