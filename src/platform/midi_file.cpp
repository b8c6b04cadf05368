#include "platform/midi_file.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

namespace corv {
namespace {

constexpr uint32_t kDefaultTempo =
    500000;  // microseconds per quarter note until a tempo event says otherwise

struct TempoChange {
  uint64_t tick;
  uint32_t tempo;  // microseconds per quarter note
};

// A cursor over one chunk's bytes; every read is checked against the end.
class ByteReader {
 public:
  ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  size_t Position() const { return pos_; }
  bool Byte(uint8_t& out) {
    if (AtEnd()) return false;
    out = bytes_[pos_++];
    return true;
  }
  bool Peek(uint8_t& out) const {
    if (AtEnd()) return false;
    out = bytes_[pos_];
    return true;
  }
  bool Skip(uint64_t n) {
    if (n > bytes_.size() - pos_) return false;
    pos_ += static_cast<size_t>(n);
    return true;
  }
  std::span<const uint8_t> Take(uint64_t n) {
    if (n > bytes_.size() - pos_) return {};
    std::span<const uint8_t> part = bytes_.subspan(pos_, static_cast<size_t>(n));
    pos_ += static_cast<size_t>(n);
    return part;
  }
  // A variable-length quantity: at most four bytes of seven bits each.
  bool VarLen(uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b;
      if (!Byte(b)) return false;
      out = (out << 7) | (b & 0x7F);
      if (!(b & 0x80)) return true;
    }
    return false;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

uint32_t BigEndian(std::span<const uint8_t> bytes, size_t at, int n) {
  uint32_t value = 0;
  for (int i = 0; i < n; ++i) value = (value << 8) | bytes[at + i];
  return value;
}

void Note(std::string& problem, const char* what) {
  if (problem.empty()) problem = what;
}

// One track as read: the tick of its end (the end-of-track event, or the last event that could be read),
// how many bytes of its body hold whole events, and whether they close with an end-of-track event.
struct TrackRead {
  uint64_t end_tick = 0;
  size_t sound_bytes = 0;
  bool closed = false;
};

// Reads one track's events, collecting its tempo changes.
TrackRead ReadTrack(std::span<const uint8_t> body, std::vector<TempoChange>& tempi, std::string& problem) {
  TrackRead track;
  ByteReader in(body);
  uint64_t tick = 0;
  uint8_t running_status = 0;
  while (!in.AtEnd()) {
    uint32_t delta;
    if (!in.VarLen(delta)) {
      Note(problem, "a delta time is cut off or longer than four bytes");
      return track;
    }
    tick += delta;
    uint8_t status;
    if (!in.Peek(status)) {
      Note(problem, "a track ends inside an event");
      return track;
    }
    if (status & 0x80) {
      in.Skip(1);
    } else if (running_status != 0) {
      status = running_status;  // running status: the data bytes follow at once
    } else {
      Note(problem, "a data byte stands where no running status applies");
      return track;
    }

    if (status < 0xF0) {  // channel message: one or two data bytes
      const int data_bytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
      for (int i = 0; i < data_bytes; ++i) {
        uint8_t b = 0;
        if (!in.Byte(b)) {
          Note(problem, "a track ends inside an event");
          return track;
        }
        if (b & 0x80) {
          Note(problem, "a status byte stands where a data byte belongs");
          return track;
        }
      }
      running_status = status;
    } else if (status == 0xF0 || status == 0xF7) {  // system exclusive: a length, then the bytes
      uint32_t length;
      if (!in.VarLen(length) || !in.Skip(length)) {
        Note(problem, "a system exclusive message is cut off");
        return track;
      }
    } else if (status == 0xFF) {  // meta event: type, length, data
      uint8_t type;
      uint32_t length;
      if (!in.Byte(type) || !in.VarLen(length)) {
        Note(problem, "a meta event is cut off");
        return track;
      }
      std::span<const uint8_t> data = in.Take(length);
      if (data.size() != length) {
        Note(problem, "a meta event is cut off");
        return track;
      }
      if (type == 0x2F) {  // end of track
        track.end_tick = tick;
        track.sound_bytes = in.Position();
        track.closed = true;
        return track;
      }
      if (type == 0x51) {
        if (length == 3) {
          tempi.push_back({tick, BigEndian(data, 0, 3)});
        } else {
          Note(problem, "a tempo event does not hold three bytes");
        }
      }
    } else {
      Note(problem, "a system common or real-time byte stands inside a track");
      return track;
    }
    track.end_tick = tick;
    track.sound_bytes = in.Position();
  }
  Note(problem, "a track has no end-of-track event");
  return track;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int n) {
  for (int i = n - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

int32_t ClampMs(unsigned __int128 ms) {
  return ms > static_cast<unsigned>(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                         : static_cast<int32_t>(ms);
}

// Milliseconds from tick 0 to end_tick at `division` ticks per quarter note under the tempo map.
int32_t TempoMapLength(std::vector<TempoChange> tempi, uint64_t end_tick, uint32_t division) {
  std::stable_sort(tempi.begin(), tempi.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  unsigned __int128 microsecond_ticks = 0;  // sum of ticks × microseconds per quarter note
  uint64_t tick = 0;
  uint32_t tempo = kDefaultTempo;
  for (const TempoChange& change : tempi) {
    if (change.tick >= end_tick) break;
    microsecond_ticks += static_cast<unsigned __int128>(change.tick - tick) * tempo;
    tick = change.tick;
    tempo = change.tempo;
  }
  microsecond_ticks += static_cast<unsigned __int128>(end_tick - tick) * tempo;
  return ClampMs(microsecond_ticks / (static_cast<uint64_t>(division) * 1000));
}

}  // namespace

MidiSummary ReadMidiSummary(std::span<const uint8_t> bytes) {
  MidiSummary summary;
  if (bytes.size() < 14 || BigEndian(bytes, 0, 4) != 0x4D546864 /* MThd */) {
    summary.problem = "no MIDI file header";
    return summary;
  }
  const uint32_t header_length = BigEndian(bytes, 4, 4);
  if (header_length < 6) {
    summary.problem = "the MIDI file header is too short";
    return summary;
  }
  summary.format = static_cast<int>(BigEndian(bytes, 8, 2));
  const uint32_t track_count = BigEndian(bytes, 10, 2);
  const uint32_t division = BigEndian(bytes, 12, 2);
  if (summary.format > 1) {
    summary.problem = summary.format == 2 ? "format 2 (independent sequences) is not supported"
                                          : "unknown MIDI file format";
    return summary;
  }

  // Timing: ticks per quarter note, or (top bit set) frames per second and ticks per frame.
  uint32_t ticks_per_second_x100 = 0;  // SMPTE timing, in hundredths so that 29.97 frames is exact
  if (division & 0x8000) {
    const int frames = -static_cast<int8_t>(division >> 8);
    const uint32_t ticks_per_frame = division & 0xFF;
    const uint32_t frames_x100 = frames == 24   ? 2400
                                 : frames == 25 ? 2500
                                 : frames == 29 ? 2997
                                 : frames == 30 ? 3000
                                                : 0;
    if (frames_x100 == 0 || ticks_per_frame == 0) {
      summary.problem = "the SMPTE time division is invalid";
      return summary;
    }
    ticks_per_second_x100 = frames_x100 * ticks_per_frame;
  } else if (division == 0) {
    summary.problem = "the time division is 0";
    return summary;
  }
  summary.playable = true;

  std::vector<TempoChange> tempi;
  uint64_t end_tick = 0;
  std::vector<uint8_t> tracks;  // the cleaned track chunks
  uint64_t pos = 8 + static_cast<uint64_t>(header_length);
  while (static_cast<uint32_t>(summary.tracks_read) < track_count && pos + 8 <= bytes.size()) {
    const uint32_t chunk_type = BigEndian(bytes, static_cast<size_t>(pos), 4);
    const uint64_t chunk_length = BigEndian(bytes, static_cast<size_t>(pos) + 4, 4);
    const uint64_t body_start = pos + 8;
    const uint64_t available = std::min<uint64_t>(chunk_length, bytes.size() - body_start);
    if (available < chunk_length) Note(summary.problem, "a chunk runs past the end of the file");
    if (chunk_type == 0x4D54726B /* MTrk */) {
      const auto body = bytes.subspan(static_cast<size_t>(body_start), static_cast<size_t>(available));
      const TrackRead track = ReadTrack(body, tempi, summary.problem);
      end_tick = std::max(end_tick, track.end_tick);
      ++summary.tracks_read;
      static constexpr uint8_t kEndOfTrack[] = {0x00, 0xFF, 0x2F, 0x00};
      const size_t length = track.sound_bytes + (track.closed ? 0 : sizeof kEndOfTrack);
      PutBigEndian(tracks, 0x4D54726B, 4);
      PutBigEndian(tracks, static_cast<uint32_t>(length), 4);
      tracks.insert(tracks.end(), body.begin(),
                    body.begin() + static_cast<std::ptrdiff_t>(track.sound_bytes));
      if (!track.closed) tracks.insert(tracks.end(), std::begin(kEndOfTrack), std::end(kEndOfTrack));
    }  // chunks of other types are skipped, as the file format asks
    pos = body_start + chunk_length;
  }
  if (static_cast<uint32_t>(summary.tracks_read) < track_count) Note(summary.problem, "tracks are missing");

  PutBigEndian(summary.cleaned, 0x4D546864, 4);
  PutBigEndian(summary.cleaned, 6, 4);
  PutBigEndian(summary.cleaned, static_cast<uint32_t>(summary.format), 2);
  PutBigEndian(summary.cleaned, static_cast<uint32_t>(summary.tracks_read), 2);
  PutBigEndian(summary.cleaned, division, 2);
  summary.cleaned.insert(summary.cleaned.end(), tracks.begin(), tracks.end());

  if (ticks_per_second_x100 != 0) {
    summary.length_ms = ClampMs(static_cast<unsigned __int128>(end_tick) * 100000 /
                                ticks_per_second_x100);  // tempo plays no part
  } else {
    summary.length_ms = TempoMapLength(std::move(tempi), end_tick, division);
  }
  return summary;
}

}  // namespace corv
