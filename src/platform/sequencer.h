// The MIDI sequencer, driven by the command strings of the media control interface the games were
// written for: "open \"PATH\" type sequencer alias sequencer", "set sequencer time format milliseconds",
// "play sequencer notify", "status sequencer length", "seek sequencer to start", "close sequencer".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corv {

class Clock;

class Sequencer {
 public:
  virtual ~Sequencer() = default;
  // Sends one command string; returns the reply text (the length query answers in decimal digits).
  virtual std::string SendString(const std::string& command) = 0;
  // The music's loudness, 0 (silent) to 100 percent, for what plays now and what is rendered to a file.
  virtual void SetVolume(int percent) = 0;
};

// A sequencer that plays nothing and records every command, for tests and silent runs.
class RecordingSequencer final : public Sequencer {
 public:
  std::string SendString(const std::string& command) override {
    commands.push_back(command);
    return command == "status sequencer length" ? length_reply : std::string();
  }
  void SetVolume(int percent) override { volume = percent; }
  std::vector<std::string> commands;
  std::string length_reply = "0";
  int volume = 100;
};

struct SequencerOptions {
  std::string soundfont_path;  // --soundfont, else $CORVALLINE_SOUNDFONT, else Debian's default GM font
  std::string audio_out_path;  // --audio-out FILE.wav: render the music into this file
  bool headless = false;       // use SDL's dummy audio driver
};

// The real sequencer: FluidSynth rendering a Standard MIDI File through SDL's audio device.
std::unique_ptr<Sequencer> MakeFluidSynthSequencer(const SequencerOptions& options, Clock& clock);

}  // namespace corv
