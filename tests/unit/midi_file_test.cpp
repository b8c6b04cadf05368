#include "platform/midi_file.h"

#include <gtest/gtest.h>

#include <random>

#include "midi_bytes.h"

namespace corv {
namespace {

using namespace midi_bytes;

struct LengthCase {
  const char* name;
  Bytes file;
  int32_t length_ms;
};

// Every expected length below is worked out by hand in the comment beside it.
TEST(MidiFile, LengthFollowsTheTempoMap) {
  const LengthCase cases[] = {
      // 960 ticks at 480 per quarter, default 500000 us per quarter: 2 quarters = 1000 ms.
      {"default tempo", Header(0, 1, 480) + Track(NoteOn(0, 60) + NoteOff(960, 60) + EndOfTrack(0)), 1000},
      // 480 ticks = 1 quarter at 1 s per quarter.
      {"one tempo", Header(0, 1, 480) + Track(Tempo(0, 1000000) + EndOfTrack(480)), 1000},
      // 48 ticks at 400000/96 us = 200 ms, then 192 ticks at 750000/96 us = 1500 ms.
      {"tempo change", Header(0, 1, 96) + Track(Tempo(0, 400000) + Tempo(48, 750000) + EndOfTrack(192)),
       1700},
      // Tempo track ends at 96 (96 ticks at 1 s per quarter = 1000 ms); its second tempo holds for the
      // note track, which ends at 480: 384 ticks = 4 quarters at 250 ms = 1000 ms.
      {"format 1, tempo track shorter than the notes",
       Header(1, 2, 96) + Track(Tempo(0, 1000000) + Tempo(96, 250000) + EndOfTrack(0)) +
           Track(NoteOn(0, 60) + NoteOff(384, 60) + EndOfTrack(96)),
       2000},
      // A tempo in the third track counts too: 192 ticks = 2 quarters at 2 s = 4000 ms.
      {"format 1, tempo outside track 0",
       Header(1, 3, 96) + Track(EndOfTrack(0)) + Track(Tempo(0, 2000000) + EndOfTrack(48)) +
           Track(NoteOn(0, 60) + NoteOff(192, 60) + EndOfTrack(0)),
       4000},
      // Two tracks with tempo changes merged in time order: track 1 sets 1 s/quarter at 96, track 2
      // sets 250 ms/quarter at 192. 96 ticks at 500 ms/q = 500 ms, 96 at 1 s/q = 1000 ms, 96 at 250 = 250.
      {"format 1, tempo changes from two tracks interleave",
       Header(1, 2, 96) + Track(Tempo(96, 1000000) + EndOfTrack(0)) +
           Track(Tempo(192, 250000) + EndOfTrack(96)),
       1750},
      // 1000 ticks at 500000/480 us = 1041666.7 us: rounded down to 1041 ms.
      {"rounded down", Header(0, 1, 480) + Track(EndOfTrack(1000)), 1041},
      // A tempo change at the very end plays no part.
      {"tempo at the end", Header(0, 1, 480) + Track(Tempo(960, 100000) + EndOfTrack(0)), 1000},
      // The end-of-track delta counts: silence at the end belongs to the piece. 1920 ticks = 2000 ms.
      {"trailing silence", Header(0, 1, 480) + Track(NoteOn(0, 60) + NoteOff(480, 60) + EndOfTrack(1440)),
       2000},
      // SMPTE: 25 frames × 40 ticks = 1000 ticks per second; tempo events do not count. 2500 ticks.
      {"SMPTE 25 fps", Header(0, 1, 0xE728) + Track(Tempo(0, 2000000) + EndOfTrack(2500)), 2500},
      // SMPTE 29.97 (drop frame) × 100 ticks = 2997 ticks per second: 5994 ticks = 2000 ms.
      {"SMPTE 29.97 fps", Header(0, 1, 0xE364) + Track(EndOfTrack(5994)), 2000},
      // Running status, a system exclusive message and text events between notes must be stepped over
      // byte for byte: 480 + 480 ticks = 1000 ms.
      {"running status, sysex and meta text",
       Header(0, 1, 480) +
           Track(Raw({0x00, 0x90, 60, 100}) + Raw({0x00, 64, 100}) +                // running status
                 Raw({0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7}) +                        // sysex
                 Raw({0x00, 0xFF, 0x01, 0x05, 'h', 'e', 'l', 'l', 'o'}) +           // text
                 Raw({0x83, 0x60, 0x90, 60, 0}) + Raw({0x83, 0x60, 0x80, 64, 0}) +  // delta 480
                 EndOfTrack(0)),
       1000},
      // Extreme but well-formed timing.
      // Tempo 0: every tick takes no time at all.
      {"tempo 0", Header(0, 1, 480) + Track(Tempo(0, 0) + EndOfTrack(960)), 0},
      // The slowest tempo, 16777215 us per quarter: 96 ticks at 96 per quarter = 16777 ms.
      {"slowest tempo", Header(0, 1, 96) + Track(Tempo(0, 0xFFFFFF) + EndOfTrack(96)), 16777},
      // Huge deltas at the slowest tempo and 1 tick per quarter overflow any 32-bit length: clamped.
      {"huge delta times", Header(0, 1, 1) + Track(Tempo(0, 0xFFFFFF) + EndOfTrack(0x0FFFFFFF)), 2147483647},
      // A header longer than six bytes and an unknown chunk before the track are skipped.
      {"longer header, alien chunk",
       Bytes{'M', 'T', 'h', 'd'} + Be(8, 4) + Be(0, 2) + Be(1, 2) + Be(480, 2) + Be(0xABCD, 2) +
           Bytes{'X', 'Y', 'Z', 'W'} + Be(3, 4) + Bytes{1, 2, 3} + Track(EndOfTrack(480)),
       500},
  };
  for (const LengthCase& c : cases) {
    const MidiSummary s = ReadMidiSummary(c.file);
    EXPECT_TRUE(s.playable) << c.name;
    EXPECT_EQ(s.length_ms, c.length_ms) << c.name;
    EXPECT_EQ(s.problem, "") << c.name;
  }
}

// Damaged files: never a crash, never a read outside the bytes; the length of what could be read.
TEST(MidiFile, DamagedFilesGiveTheLengthOfWhatCanBeRead) {
  const Bytes notes = NoteOn(0, 60) + NoteOff(960, 60);  // 1000 ms at the default tempo
  const Bytes good_track = Track(notes + EndOfTrack(960));
  Bytes truncated_track = Header(0, 1, 480) + good_track;
  truncated_track.resize(truncated_track.size() - 4);  // the end-of-track event is cut off
  Bytes short_chunk_length = Header(0, 1, 480) + good_track;
  short_chunk_length[14 + 7] = static_cast<uint8_t>(notes.size());  // the chunk ends before the end of track
  const LengthCase cases[] = {
      {"empty", {}, 0},
      {"only the magic", Bytes{'M', 'T', 'h', 'd'}, 0},
      {"header cut off", Bytes{'M', 'T', 'h', 'd'} + Be(6, 4) + Bytes(4, 0), 0},
      {"header length 2", Bytes{'M', 'T', 'h', 'd'} + Be(2, 4) + Bytes(6, 0) + good_track, 0},
      {"not a MIDI file", Bytes{'R', 'I', 'F', 'F'} + Bytes(10, 0), 0},
      {"division 0", Header(0, 1, 0) + good_track, 0},
      {"SMPTE with 23 frames", Header(0, 1, 0xE928) + good_track, 0},
      {"SMPTE with 0 ticks per frame", Header(0, 1, 0xE700) + good_track, 0},
      {"no tracks at all", Header(0, 1, 480), 0},
      {"track cut off", truncated_track, 1000},
      {"chunk length too short", short_chunk_length, 1000},
      {"chunk length beyond the file", Header(0, 1, 480) + Be(0x4D54726B, 4) + Be(0xFFFFFFF0, 4) + notes,
       1000},
      {"data byte with no running status", Header(0, 1, 480) + Track(Raw({0x00, 60, 100}) + EndOfTrack(960)),
       0},
      {"status byte as data", Header(0, 1, 480) + Track(NoteOn(480, 60) + Raw({0x00, 0x90, 0x90, 0x40})),
       500},
      {"delta of five bytes",
       Header(0, 1, 480) + Track(NoteOn(480, 60) + Raw({0x81, 0x81, 0x81, 0x81, 0x01})), 500},
      {"meta event longer than its track",
       Header(0, 1, 480) + Track(NoteOn(480, 60) + Raw({0x00, 0xFF, 0x01, 0x7F, 'a'})), 500},
      {"sysex longer than its track",
       Header(0, 1, 480) + Track(NoteOn(480, 60) + Raw({0x00, 0xF0, 0x50, 1, 2})), 500},
      {"no end of track", Header(0, 1, 480) + Track(notes), 1000},
      {"fewer tracks than the header says", Header(1, 5, 480) + good_track, 2000},
      {"tempo event of the wrong size",
       Header(0, 1, 480) + Track(Raw({0x00, 0xFF, 0x51, 0x02, 0x0F, 0x42}) + EndOfTrack(480)), 500},
  };
  for (const LengthCase& c : cases) {
    const MidiSummary s = ReadMidiSummary(c.file);
    EXPECT_EQ(s.length_ms, c.length_ms) << c.name;
    EXPECT_NE(s.problem, "") << c.name;
  }
}

// The synthesiser gets only whole chunks with exact lengths: each track cut before its first fault and
// closed, other chunks left out, the header counting the tracks read.
TEST(MidiFile, CleanedFileHoldsWhatWasReadInExactChunks) {
  const Bytes notes = NoteOn(0, 60) + NoteOff(480, 60);
  const Bytes closed = Track(notes + EndOfTrack(0));
  const Bytes tempo_track = Track(Tempo(0, 400000) + EndOfTrack(0));
  struct Case {
    const char* name;
    Bytes file;
    Bytes cleaned;
  };
  const Case cases[] = {
      {"a sound file is left as it is", Header(1, 2, 480) + tempo_track + closed,
       Header(1, 2, 480) + tempo_track + closed},
      {"a longer header is cut to six bytes",
       Bytes{'M', 'T', 'h', 'd'} + Be(8, 4) + Be(0, 2) + Be(1, 2) + Be(480, 2) + Bytes{0xAB, 0xCD} + closed,
       Header(0, 1, 480) + closed},
      {"other chunks are left out",
       Header(1, 2, 480) + tempo_track + Bytes{'X', 'F', 'I', 'H'} + Be(3, 4) + Bytes{1, 2, 3} + closed,
       Header(1, 2, 480) + tempo_track + closed},
      {"a track without its end is closed", Header(0, 1, 480) + Track(notes), Header(0, 1, 480) + closed},
      {"a track is cut before a faulty event",
       Header(0, 1, 480) + Track(notes + Raw({0x00, 0x90, 0x90, 0x40})), Header(0, 1, 480) + closed},
      {"a chunk running past the end keeps what is there",
       Header(0, 1, 480) + Bytes{'M', 'T', 'r', 'k'} + Be(0xFFFFFFF0, 4) + notes, Header(0, 1, 480) + closed},
      {"the header counts the tracks read", Header(1, 5, 480) + tempo_track, Header(1, 1, 480) + tempo_track},
      {"chunks of garbage give no tracks",
       Header(1, 2, 96) + Bytes{'M', 'T', 'r', 0} + Be(0, 4) + Bytes(4, 0) + Be(0x51, 4), Header(1, 0, 96)},
      {"format 2 gives nothing", Header(2, 1, 480) + closed, {}},
      {"running status after a meta event is written out",
       Header(0, 1, 480) + Track(Raw({0, 0x90, 60, 9, 0, 0xFF, 0x01, 1, 'a', 0, 64, 9}) + EndOfTrack(0)),
       Header(0, 1, 480) +
           Track(Raw({0, 0x90, 60, 9, 0, 0xFF, 0x01, 1, 'a', 0, 0x90, 64, 9}) + EndOfTrack(0))},
      // 128 + 5 ticks of stray bytes (F2 with its two data bytes, F8) go to the next note: 0x81 0x05.
      {"stray bytes are left out, their delta times kept",
       Header(0, 1, 480) +
           Track(Raw({0, 0x90, 60, 9, 0x81, 0x00, 0xF2, 1, 2, 5, 0xF8, 0, 64, 9}) + EndOfTrack(0)),
       Header(0, 1, 480) + Track(Raw({0, 0x90, 60, 9, 0x81, 0x05, 0x90, 64, 9}) + EndOfTrack(0))},
      {"a track cut after stray bytes closes at their tick",
       Header(0, 1, 480) + Track(Raw({0, 0x90, 60, 9, 0x10, 0xF8})),
       Header(0, 1, 480) + Track(Raw({0, 0x90, 60, 9}) + EndOfTrack(0x10))},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadMidiSummary(c.file).cleaned, c.cleaned) << c.name;
  }
}

// Files as players in the wild take them: played with the length worked out by hand, and named as
// repaired.
TEST(MidiFile, QuirksOfFilesInTheWildAreRepaired) {
  for (const QuirkyFile& c : QuirkyFiles()) {
    const MidiSummary s = ReadMidiSummary(c.file);
    EXPECT_TRUE(s.playable) << c.name;
    EXPECT_EQ(s.length_ms, c.length_ms) << c.name;
    EXPECT_NE(s.problem, "") << c.name;
    EXPECT_EQ(ReadMidiSummary(s.cleaned).problem, "") << c.name << ": the repaired file is clean";
  }
}

// Bounds on the work a piece makes: in all and at any one moment, across tracks and whatever the tempo.
TEST(MidiFile, PiecesBeyondTheBoundsAreRefused) {
  const Bytes spaced = Raw({0x01, 0x90, 60, 9});  // one note-on a tick (1.04 ms)
  const Bytes together = Raw({0x00, 0x90, 60, 9});
  const auto crowd = [&](size_t n) { return Repeat(together, n); };
  struct Case {
    const char* name;
    Bytes file;
    bool refused;
  };
  const Case cases[] = {
      {"the most events", Header(0, 1, 480) + Track(Repeat(spaced, kMaxMidiEvents - 1) + EndOfTrack(0)),
       false},
      {"one event more", Header(0, 1, 480) + Track(Repeat(spaced, kMaxMidiEvents) + EndOfTrack(0)), true},
      {"one more at one moment", Header(0, 1, 480) + Track(crowd(kMaxMidiEventsAtOnce + 1) + EndOfTrack(480)),
       true},
      // 24 ticks = 25 ms after the crowd: outside it. 23 ticks = 23.96 ms: inside.
      {"one more 25 ms later",
       Header(0, 1, 480) + Track(crowd(kMaxMidiEventsAtOnce) + Raw({24, 0x90, 60, 9}) + EndOfTrack(480)),
       false},
      {"one more 24 ms later",
       Header(0, 1, 480) + Track(crowd(kMaxMidiEventsAtOnce) + Raw({23, 0x90, 60, 9}) + EndOfTrack(480)),
       true},
      {"a crowd split between tracks",
       Header(1, 2, 480) + Track(crowd(kMaxMidiEventsAtOnce / 2 + 1) + EndOfTrack(480)) +
           Track(crowd(kMaxMidiEventsAtOnce / 2) + EndOfTrack(480)),
       true},
      {"a crowd on separate ticks at tempo 0",
       Header(0, 1, 480) + Track(Tempo(0, 0) + Repeat(spaced, kMaxMidiEventsAtOnce) + EndOfTrack(0)), true},
  };
  for (const Case& c : cases) {
    const MidiSummary s = ReadMidiSummary(c.file);
    EXPECT_EQ(s.playable, !c.refused) << c.name;
    EXPECT_EQ(s.problem.empty(), !c.refused) << c.name;
    EXPECT_EQ(s.cleaned.empty(), c.refused) << c.name;
  }
}

TEST(MidiFile, Format2IsRefused) {
  const MidiSummary s = ReadMidiSummary(Header(2, 1, 480) + Track(EndOfTrack(960)));
  EXPECT_FALSE(s.playable);
  EXPECT_EQ(s.format, 2);
  EXPECT_EQ(s.length_ms, 0);
}

// Random damage to a valid file: the reader must stay inside the bytes (the sanitizer build checks each
// read) and an unplayable file has no length. Cutting the file short can only shorten the piece.
TEST(MidiFile, RandomDamageNeverCrashes) {
  // 96 ticks at 300000/96 us = 300 ms, then 162 ticks at 900000/96 us = 1518.75 ms: 1818 ms.
  const Bytes file = Header(1, 2, 96) + Track(Tempo(0, 300000) + Tempo(96, 900000) + EndOfTrack(0)) +
                     Track(Program(0, 5) + NoteOn(0, 60) + Raw({0x30, 64, 90}) + NoteOff(200, 60) +
                           Raw({0x00, 0xF0, 0x02, 0x01, 0xF7}) + EndOfTrack(10));
  ASSERT_EQ(ReadMidiSummary(file).length_ms, 1818);
  for (size_t size = 0; size < file.size(); ++size) {
    EXPECT_LE(ReadMidiSummary(Bytes(file.begin(), file.begin() + size)).length_ms, 1818) << size << " bytes";
  }
  std::mt19937 random(1234);
  for (int round = 0; round < 20000; ++round) {
    Bytes damaged = file;
    const int hits = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < hits; ++i) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    const MidiSummary s = ReadMidiSummary(damaged);
    if (!s.playable) {
      EXPECT_EQ(s.length_ms, 0);
    } else {
      // What the synthesiser is given reads back as itself, with the same length.
      const MidiSummary again = ReadMidiSummary(s.cleaned);
      EXPECT_EQ(again.cleaned, s.cleaned) << "round " << round;
      EXPECT_EQ(again.length_ms, s.length_ms) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace corv
