#include "platform/midi_file.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <string>
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

constexpr uint32_t kMaxDelta = 0x0FFFFFFF;  // the largest four-byte variable-length quantity

void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t bytes[4];
  int n = 0;
  do {
    bytes[n++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (n > 1) out.push_back(static_cast<uint8_t>(bytes[--n] | 0x80));
  out.push_back(bytes[0]);
}

// How many data bytes follow a system common status byte (0xF1 to 0xF6); real-time bytes have none.
int SystemCommonDataBytes(uint8_t status) {
  switch (status) {
    case 0xF1:  // time code quarter frame
    case 0xF3:  // song select
      return 1;
    case 0xF2:  // song position
      return 2;
    default:
      return 0;
  }
}

// One track as read: the tick of its end (the end-of-track event, or the last event that could be read),
// its events as the synthesiser gets them, and whether they close with an end-of-track event.
struct TrackRead {
  uint64_t end_tick = 0;
  bool closed = false;
  std::vector<uint8_t> body;
  uint32_t pending_delta = 0;  // ticks of skipped bytes after the last event in `body`
};

// Reads one track's events, collecting its tempo changes and the tick of every event. The events are
// copied with an explicit status byte each: running status is resolved here, also where it carries on
// after a meta or system exclusive event, which many files in the wild do and FluidSynth does not accept.
// Stray system common and real-time bytes are skipped with their data bytes, their delta times carried
// over to the next event. Stops at the first fault, or once `event_ticks` holds more than `max_events`.
TrackRead ReadTrack(std::span<const uint8_t> bytes, std::vector<TempoChange>& tempi,
                    std::vector<uint64_t>& event_ticks, size_t max_events, std::string& problem) {
  TrackRead track;
  ByteReader in(bytes);
  uint64_t tick = 0;
  uint8_t running_status = 0;
  bool after_system_event = false;  // the last event was a meta or system exclusive event
  while (!in.AtEnd()) {
    const size_t event_start = in.Position();
    uint32_t delta;
    if (!in.VarLen(delta)) {
      Note(problem, "a delta time is cut off or longer than four bytes");
      return track;
    }
    const size_t delta_end = in.Position();
    uint8_t status;
    if (!in.Peek(status)) {
      Note(problem, "a track ends inside an event");
      return track;
    }
    bool explicit_status = true;
    if (status & 0x80) {
      in.Skip(1);
    } else if (running_status != 0) {
      status = running_status;  // running status: the data bytes follow at once
      explicit_status = false;
    } else {
      Note(problem, "a data byte stands where no running status applies");
      return track;
    }
    const size_t data_start = in.Position();
    if (static_cast<uint64_t>(track.pending_delta) + delta > kMaxDelta) {
      Note(problem, "skipped bytes leave a delta time longer than four bytes");
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
      if (!explicit_status && after_system_event)
        Note(problem, "running status carries on after a meta or system exclusive event");
      running_status = status;
      after_system_event = false;
    } else if (status == 0xF0 || status == 0xF7) {  // system exclusive: a length, then the bytes
      uint32_t length;
      if (!in.VarLen(length) || !in.Skip(length)) {
        Note(problem, "a system exclusive message is cut off");
        return track;
      }
      after_system_event = true;
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
      if (type == 0x51) {
        if (length == 3) {
          tempi.push_back({tick + delta, BigEndian(data, 0, 3)});
        } else {
          Note(problem, "a tempo event does not hold three bytes");
        }
      }
      track.closed = type == 0x2F;  // end of track
      after_system_event = true;
    } else {  // a stray system common or real-time byte: skipped with the data bytes it takes
      Note(problem, "a system common or real-time byte inside a track is skipped");
      uint8_t b;
      for (int i = SystemCommonDataBytes(status); i > 0 && in.Peek(b) && !(b & 0x80); --i) in.Skip(1);
      track.pending_delta += delta;
      tick += delta;
      track.end_tick = tick;
      continue;
    }

    // The whole event is read: copy it, its delta time as it stands unless skipped bytes added to it.
    if (track.pending_delta == 0) {
      track.body.insert(track.body.end(), bytes.begin() + static_cast<std::ptrdiff_t>(event_start),
                        bytes.begin() + static_cast<std::ptrdiff_t>(delta_end));
    } else {
      PutVarLen(track.body, track.pending_delta + delta);
      track.pending_delta = 0;
    }
    track.body.push_back(status);
    track.body.insert(track.body.end(), bytes.begin() + static_cast<std::ptrdiff_t>(data_start),
                      bytes.begin() + static_cast<std::ptrdiff_t>(in.Position()));
    tick += delta;
    track.end_tick = tick;
    event_ticks.push_back(tick);
    if (track.closed || event_ticks.size() > max_events) return track;
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

// Turns ticks into microseconds: under the tempo map at `division` ticks per quarter note, or at a fixed
// SMPTE rate (in hundredths of ticks per second), where tempo events play no part. Ticks are asked in
// ascending order.
class Timeline {
 public:
  Timeline(std::vector<TempoChange> tempi, uint32_t division, uint32_t ticks_per_second_x100)
      : tempi_(std::move(tempi)), division_(division), ticks_per_second_x100_(ticks_per_second_x100) {
    std::stable_sort(tempi_.begin(), tempi_.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  }
  unsigned __int128 Microseconds(uint64_t tick) {
    if (ticks_per_second_x100_ != 0)
      return static_cast<unsigned __int128>(tick) * 100000000 / ticks_per_second_x100_;
    // A tempo change takes effect after its own tick, so one at the very tick asked plays no part.
    for (; next_ < tempi_.size() && tempi_[next_].tick < tick; ++next_) {
      microsecond_ticks_ += static_cast<unsigned __int128>(tempi_[next_].tick - tick_) * tempo_;
      tick_ = tempi_[next_].tick;
      tempo_ = tempi_[next_].tempo;
    }
    return (microsecond_ticks_ + static_cast<unsigned __int128>(tick - tick_) * tempo_) / division_;
  }

 private:
  std::vector<TempoChange> tempi_;
  uint32_t division_;
  uint32_t ticks_per_second_x100_;
  size_t next_ = 0;                          // the first tempo change not yet passed
  uint64_t tick_ = 0;                        // the tick of the last change passed
  uint32_t tempo_ = kDefaultTempo;           // microseconds per quarter note from there
  unsigned __int128 microsecond_ticks_ = 0;  // sum of ticks × microseconds per quarter note up to tick_
};

// Whether more than kMaxMidiEventsAtOnce events fall within kMidiCrowdedMs anywhere in the piece; takes
// the events' ticks in ascending order.
bool Crowded(const std::vector<uint64_t>& sorted_ticks, Timeline& timeline) {
  std::vector<unsigned __int128> times;
  times.reserve(sorted_ticks.size());
  for (size_t i = 0; i < sorted_ticks.size(); ++i) {
    times.push_back(timeline.Microseconds(sorted_ticks[i]));
    if (i >= kMaxMidiEventsAtOnce && times[i] - times[i - kMaxMidiEventsAtOnce] < kMidiCrowdedMs * 1000)
      return true;
  }
  return false;
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
  std::vector<uint64_t> event_ticks;
  uint64_t end_tick = 0;
  std::vector<uint8_t> tracks;  // the cleaned track chunks
  uint64_t pos = 8 + static_cast<uint64_t>(header_length);
  while (static_cast<uint32_t>(summary.tracks_read) < track_count && pos + 8 <= bytes.size() &&
         event_ticks.size() <= kMaxMidiEvents) {
    const uint32_t chunk_type = BigEndian(bytes, static_cast<size_t>(pos), 4);
    const uint64_t chunk_length = BigEndian(bytes, static_cast<size_t>(pos) + 4, 4);
    const uint64_t body_start = pos + 8;
    const uint64_t available = std::min<uint64_t>(chunk_length, bytes.size() - body_start);
    if (available < chunk_length) Note(summary.problem, "a chunk runs past the end of the file");
    if (chunk_type == 0x4D54726B /* MTrk */) {
      const auto body = bytes.subspan(static_cast<size_t>(body_start), static_cast<size_t>(available));
      TrackRead track = ReadTrack(body, tempi, event_ticks, kMaxMidiEvents, summary.problem);
      end_tick = std::max(end_tick, track.end_tick);
      ++summary.tracks_read;
      if (!track.closed) {  // closed at the tick where reading stopped
        PutVarLen(track.body, track.pending_delta);
        track.body.insert(track.body.end(), {0xFF, 0x2F, 0x00});
      }
      PutBigEndian(tracks, 0x4D54726B, 4);
      PutBigEndian(tracks, static_cast<uint32_t>(track.body.size()), 4);
      tracks.insert(tracks.end(), track.body.begin(), track.body.end());
    }  // chunks of other types are skipped, as the file format asks
    pos = body_start + chunk_length;
  }
  if (static_cast<uint32_t>(summary.tracks_read) < track_count) Note(summary.problem, "tracks are missing");

  Timeline timeline(std::move(tempi), division, ticks_per_second_x100);
  const bool too_many = event_ticks.size() > kMaxMidiEvents;
  if (!too_many) std::sort(event_ticks.begin(), event_ticks.end());
  if (too_many || Crowded(event_ticks, timeline)) {
    // Every event is replayed at each turn of the loop, and a crowd of them at one moment holds up the
    // synthesiser for as long as it takes to sound them: such a file is not played.
    summary.problem = too_many ? "the piece holds more than " + std::to_string(kMaxMidiEvents) + " events"
                               : "more than " + std::to_string(kMaxMidiEventsAtOnce) +
                                     " events fall within " + std::to_string(kMidiCrowdedMs) + " ms";
    summary.playable = false;
    return summary;
  }

  PutBigEndian(summary.cleaned, 0x4D546864, 4);
  PutBigEndian(summary.cleaned, 6, 4);
  PutBigEndian(summary.cleaned, static_cast<uint32_t>(summary.format), 2);
  PutBigEndian(summary.cleaned, static_cast<uint32_t>(summary.tracks_read), 2);
  PutBigEndian(summary.cleaned, division, 2);
  summary.cleaned.insert(summary.cleaned.end(), tracks.begin(), tracks.end());
  summary.length_ms = ClampMs(timeline.Microseconds(end_tick) / 1000);
  return summary;
}

}  // namespace corv
