// Reading a Standard MIDI File far enough to know how long it plays: the header, every track's
// events and the tempo map they make up. The reader never trusts the file: it stops at the first
// thing it cannot read and reports the length of what it could.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corv {

struct MidiSummary {
  bool playable = false;  // a header in a format the player handles (0 or 1) was found
  int format = -1;        // 0, 1 or 2; -1 when there is no header
  int tracks_read = 0;    // track chunks that were read (fully or in part)
  int32_t length_ms = 0;  // playing time up to the last end of track, at most INT32_MAX
  std::string problem;    // the first fault found, empty for a clean file
  // The file as a synthesiser should see it: the header (6 bytes long, the track count of the tracks
  // read), then each track read, cut before its first fault and closed by an end-of-track event, every
  // chunk length exact; other chunks are left out. Equal to the file itself when the file is sound and
  // holds nothing else. Empty when not playable.
  std::vector<uint8_t> cleaned;
};

// Reads the whole file image. Format 0 and 1 files (with timing in ticks per quarter note or in SMPTE
// frames) give their length; format 2 files and files without a header are not playable, length 0.
MidiSummary ReadMidiSummary(std::span<const uint8_t> bytes);

}  // namespace corv
