// Placeholder until the FluidSynth sequencer is built: records commands and plays nothing.
#include "platform/sequencer.h"

namespace corv {
std::unique_ptr<Sequencer> MakeFluidSynthSequencer(const SequencerOptions&, Clock&) {
  return std::make_unique<RecordingSequencer>();
}
}  // namespace corv
