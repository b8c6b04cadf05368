// MIDI bytes from anywhere, played: the file is opened by the FluidSynth sequencer exactly as a game's
// music is (open, play, length query), then half a second of it is rendered into a WAV file on the
// virtual clock (into /dev/null), so FluidSynth's own MIDI parser and player run over the bytes too.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "growing_mutator.h"
#include "platform/clock.h"
#include "platform/sequencer.h"

namespace {

// The sequencer loads its soundfont once; it lives for the whole fuzzing process.
struct Rig {
  std::string folder = "/tmp/corv-fuzz-midi-" + std::to_string(::getpid());
  corv::VirtualClock clock;
  std::unique_ptr<corv::Sequencer> sequencer;
  Rig() {
    ::mkdir(folder.c_str(), 0700);
    sequencer = corv::MakeFluidSynthSequencer({"", "/dev/null", true}, clock);
  }
  ~Rig() {
    sequencer.reset();
    std::remove((folder + "/in.mid").c_str());
    ::rmdir(folder.c_str());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Rig rig;
  const std::string path = rig.folder + "/in.mid";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  corv::Sequencer& s = *rig.sequencer;
  s.SendString("open \"" + path + "\" type sequencer alias sequencer");
  s.SendString("set sequencer time format milliseconds");
  s.SendString("play sequencer notify");
  s.SendString("status sequencer length");
  rig.clock.Advance(500);
  s.SendString("seek sequencer to start");  // renders up to now first
  s.SendString("close sequencer");
  return 0;
}

// The statics are built before the first input, so that no input's time includes them.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  LLVMFuzzerTestOneInput(nullptr, 0);
  return 0;
}
