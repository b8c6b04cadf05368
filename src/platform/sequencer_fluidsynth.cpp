// The MIDI sequencer: FluidSynth plays the Standard MIDI File the game names, and the sound goes out
// through SDL's audio device (FluidSynth renders inside SDL's audio callback, and its MIDI player runs
// on the synthesiser's sample clock) or, with --audio-out, into a WAV file rendered on the player's own
// clock. The piece's length comes from our own reading of the file's tempo map.
//
// The game thread never waits for the synthesiser: a command only records what should play (which
// piece, from which start, whether running) under a lock held for a few assignments, and the thread
// that renders takes that record before each buffer and brings the synthesiser and its player in line.
#include <SDL.h>
#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/midi_file.h"
#include "platform/owned.h"
#include "platform/sequencer.h"
#include "platform/wav_writer.h"

namespace corv {
namespace {

constexpr int kSampleRate = 44100;
constexpr uint64_t kMaxMidiFileBytes = 16
                                       << 20;  // far above any real piece; keeps a stray file out of memory
constexpr std::array<const char*, 3> kDebianSoundfonts = {"/usr/share/sounds/sf2/default-GM.sf2",
                                                          "/usr/share/sounds/sf2/TimGM6mb.sf2",
                                                          "/usr/share/sounds/sf2/FluidR3_GM.sf2"};

// ALSA's library reports every failed step of opening a device on stderr ("ALSA lib pcm.c:...: Unknown
// PCM default", eight lines on a machine without a sound card) before SDL tells us the device cannot be
// opened. We say that ourselves in one line, so its reports are dropped. SDL loads the same shared
// library, so the handler set here is the one it uses.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// SDL's audio subsystem and one open playback device.
class AudioDevice {
 public:
  AudioDevice(SDL_AudioCallback callback, void* userdata, bool headless) {
    if (headless) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    snd_lib_error_set_handler(IgnoreAlsaError);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      std::fprintf(stderr, "corvalline: no sound output (%s); the music is silent\n", SDL_GetError());
      return;
    }
    subsystem_ = true;
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = callback;
    want.userdata = userdata;
    id_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);  // SDL converts to the device's format
    if (id_ == 0) {
      std::fprintf(stderr, "corvalline: cannot open the sound device (%s); the music is silent\n",
                   SDL_GetError());
      return;
    }
    SDL_PauseAudioDevice(id_, 0);
  }
  ~AudioDevice() {
    if (id_ != 0) SDL_CloseAudioDevice(id_);  // waits for a running callback to return
    if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

 private:
  bool subsystem_ = false;
  SDL_AudioDeviceID id_ = 0;
};

void QuietLog(int level, const char* message, void*) {
  if (level == FLUID_PANIC) std::fprintf(stderr, "corvalline: fluidsynth: %s\n", message);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The whole file, or nullopt with the reason in `problem`.
std::optional<std::vector<uint8_t>> ReadSmallFile(const std::string& path, std::string& problem) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
  if (size > 0 && static_cast<uint64_t>(size) > kMaxMidiFileBytes) {
    problem = "larger than " + std::to_string(kMaxMidiFileBytes >> 20) + " MiB";
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max<std::streamoff>(size, 0)));
  in.seekg(0);
  if (size < 0 || !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    problem = "cannot be read";
    return std::nullopt;
  }
  return bytes;
}

// What the game thread wants played, taken by the thread that renders.
struct Wanted {
  std::shared_ptr<const std::vector<uint8_t>> piece;  // the cleaned file; null when nothing is to play
  uint64_t start = 0;    // counts the starts from the beginning: each open, seek or close
  bool playing = false;  // set by play, cleared by every start
};

class FluidSynthSequencer final : public Sequencer {
 public:
  FluidSynthSequencer(const SequencerOptions& options, Clock& clock)
      : options_(options), clock_(clock), last_tick_(clock.TickCount()) {
    if (!options.audio_out_path.empty()) {
      wav_ = std::make_unique<WavWriter>(options.audio_out_path, kSampleRate, 2);
      if (!wav_->ok()) wav_.reset();
    }
  }

  ~FluidSynthSequencer() override {
    RenderUntilNow();
    device_.reset();  // the callback stops before the synthesiser goes
    player_.reset();
  }

  // FluidSynth's own default gain (0.2) is full volume; the gain scales every sample linearly, so the
  // sound device and the WAV file both get the music at the set loudness.
  void SetVolume(int percent) override {
    RenderUntilNow();  // what was played before the change keeps its loudness
    gain_ = kFullGain * static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f;
    // FluidSynth's own API lock makes the change safe beside the audio thread; no lock of ours is held.
    if (synth_) fluid_synth_set_gain(synth_.get(), gain_);
  }

  std::string SendString(const std::string& command) override {
    RenderUntilNow();
    const std::string reply = Command(command);
    if (!device_) Apply();  // without an audio thread the change is made at once, at the clock's present
    return reply;
  }

 private:
  std::string Command(const std::string& command) {
    const std::string lower = Lower(command);
    static const std::string kOpenPrefix = "open \"";
    static const std::string kOpenSuffix = "\" type sequencer alias sequencer";
    if (lower.size() > kOpenPrefix.size() + kOpenSuffix.size() && lower.starts_with(kOpenPrefix) &&
        lower.ends_with(kOpenSuffix)) {
      Open(command.substr(kOpenPrefix.size(), command.size() - kOpenPrefix.size() - kOpenSuffix.size()));
    } else if (lower == "play sequencer notify" || lower == "play sequencer") {
      const std::lock_guard lock(wanted_mutex_);
      wanted_.playing = wanted_.piece != nullptr;
    } else if (lower == "seek sequencer to start") {
      if (open_) Want(piece_);
    } else if (lower == "status sequencer length") {
      if (open_) return std::to_string(length_ms_);
    } else if (lower == "close sequencer") {
      open_ = false;
      piece_.reset();
      Want(nullptr);
    }
    // "set sequencer time format milliseconds": lengths are always given in milliseconds.
    return std::string();
  }

  void Open(const std::string& path) {
    std::string problem;
    std::optional<std::vector<uint8_t>> bytes = ReadSmallFile(path, problem);
    if (!bytes) {
      Warn(path, problem + "; the music is silent");
      return;  // the device stays closed; the following commands do nothing
    }
    EnsureSynth();
    MidiSummary summary = ReadMidiSummary(*bytes);
    if (!summary.problem.empty())
      Warn(path,
           summary.problem + (summary.playable ? "; playing what can be read" : "; the music is silent"));
    // FluidSynth is handed the file as our reader understood it, never the raw bytes: its own parser can
    // be sent into an endless loop by damaged chunk structures, and refuses running status after a meta
    // or system exclusive event.
    piece_.reset();
    if (synth_ && summary.playable && summary.tracks_read > 0)
      piece_ = std::make_shared<const std::vector<uint8_t>>(std::move(summary.cleaned));
    length_ms_ = summary.length_ms;
    open_ = true;
    Want(piece_);
  }

  // Names a file on stderr once, whatever is wrong with it.
  void Warn(const std::string& path, const std::string& what) {
    if (warned_files_.insert(path).second)
      std::fprintf(stderr, "corvalline: %s: %s\n", path.c_str(), what.c_str());
  }

  // Asks for `piece` from its beginning, stopped until the next play command.
  void Want(std::shared_ptr<const std::vector<uint8_t>> piece) {
    const std::lock_guard lock(wanted_mutex_);
    wanted_.piece = std::move(piece);
    ++wanted_.start;
    wanted_.playing = false;
  }

  // On the thread that renders, before each buffer: a new start silences the synthesiser and sets up a
  // fresh player at the beginning of the piece; play starts it.
  void Apply() {
    Wanted wanted;
    {
      const std::lock_guard lock(wanted_mutex_);
      wanted = wanted_;
    }
    if (wanted.start != applied_start_) {
      applied_start_ = wanted.start;
      player_.reset();
      player_running_ = false;
      Silence();
      if (synth_ && wanted.piece) {
        player_.reset(new_fluid_player(synth_.get()));
        if (player_ &&
            fluid_player_add_mem(player_.get(), wanted.piece->data(), wanted.piece->size()) != FLUID_OK)
          player_.reset();
      }
    }
    if (wanted.playing && player_ && !player_running_) {
      fluid_player_play(player_.get());
      player_running_ = true;
    }
  }

  // Cuts every sound at once (no release) and returns the channels to their power-on state.
  void Silence() {
    if (!synth_) return;
    fluid_synth_system_reset(synth_.get());
    fluid_synth_all_sounds_off(synth_.get(), -1);
  }

  // Creates the synthesiser and loads the soundfont at the first piece; a game without music never pays
  // for them. Without a soundfont the game plays on in silence.
  void EnsureSynth() {
    if (synth_tried_) return;
    synth_tried_ = true;
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
      fluid_set_log_function(level, QuietLog, nullptr);
    settings_.reset(new_fluid_settings());
    if (!settings_) return;
    fluid_settings_setnum(settings_.get(), "synth.sample-rate", kSampleRate);
    fluid_settings_setint(settings_.get(), "synth.lock-memory", 0);
    fluid_settings_setint(settings_.get(), "synth.cpu-cores", 1);
    fluid_settings_setstr(settings_.get(), "player.timing-source", "sample");
    fluid_settings_setnum(settings_.get(), "synth.gain", gain_);
    synth_.reset(new_fluid_synth(settings_.get()));
    if (!synth_ || !LoadSoundfont()) {
      synth_.reset();
      std::fprintf(stderr,
                   "corvalline: no General MIDI soundfont found (give one with --soundfont or "
                   "CORVALLINE_SOUNDFONT); the music is silent\n");
      return;
    }
    if (!wav_)
      device_ = std::make_unique<AudioDevice>(&FluidSynthSequencer::AudioCallback, this, options_.headless);
  }

  bool LoadSoundfont() {
    std::vector<std::pair<std::string, bool>> candidates;  // path, whether the user named it
    if (!options_.soundfont_path.empty()) candidates.emplace_back(options_.soundfont_path, true);
    if (const char* env = std::getenv("CORVALLINE_SOUNDFONT"); env && *env)
      candidates.emplace_back(env, true);
    for (const char* path : kDebianSoundfonts) candidates.emplace_back(path, false);
    for (const auto& [path, named] : candidates) {
      if (named || std::ifstream(path).good()) {
        if (fluid_synth_sfload(synth_.get(), path.c_str(), 1) != FLUID_FAILED) return true;
        if (named) std::fprintf(stderr, "corvalline: cannot load the soundfont %s\n", path.c_str());
      }
    }
    return false;
  }

  static void AudioCallback(void* userdata, Uint8* stream, int length) {
    auto* self = static_cast<FluidSynthSequencer*>(userdata);
    const int frames = length / static_cast<int>(2 * sizeof(float));
    self->Apply();
    if (self->synth_) {
      fluid_synth_write_float(self->synth_.get(), frames, stream, 0, 2, stream, 1, 2);
    } else {
      SDL_memset(stream, 0, static_cast<size_t>(length));
    }
  }

  // With --audio-out: renders the sound up to the clock's present, so the file's length follows the
  // clock (virtual or real) and silence fills the time when nothing plays.
  void RenderUntilNow() {
    if (!wav_) return;
    const uint32_t now = clock_.TickCount();
    elapsed_ms_ += TicksSince(now, last_tick_);
    last_tick_ = now;
    const uint64_t target = elapsed_ms_ * kSampleRate / 1000;
    std::array<float, 2 * 4096> sound{};
    std::array<int16_t, 2 * 4096> samples{};
    while (rendered_frames_ < target) {
      const int frames = static_cast<int>(std::min<uint64_t>(target - rendered_frames_, 4096));
      if (synth_) fluid_synth_write_float(synth_.get(), frames, sound.data(), 0, 2, sound.data(), 1, 2);
      // Rounded without dither, so silence is exact zeros.
      for (int i = 0; i < 2 * frames; ++i) {
        samples[i] =
            synth_ ? static_cast<int16_t>(std::lrint(std::clamp(sound[i], -1.0f, 1.0f) * 32767.0f)) : 0;
      }
      wav_->Write(samples.data(), frames);
      rendered_frames_ += frames;
    }
  }

  SequencerOptions options_;
  Clock& clock_;
  std::unique_ptr<WavWriter> wav_;
  uint32_t last_tick_;
  uint64_t elapsed_ms_ = 0;
  uint64_t rendered_frames_ = 0;

  static constexpr float kFullGain = 0.2f;
  float gain_ = kFullGain;
  bool synth_tried_ = false;
  Owned<fluid_settings_t, delete_fluid_settings> settings_;
  Owned<fluid_synth_t, delete_fluid_synth> synth_;
  Owned<fluid_player_t, delete_fluid_player> player_;  // used only by the thread that renders
  uint64_t applied_start_ = 0;
  bool player_running_ = false;

  std::mutex wanted_mutex_;
  Wanted wanted_;

  // The game thread's own state.
  bool open_ = false;
  std::shared_ptr<const std::vector<uint8_t>> piece_;
  int32_t length_ms_ = 0;
  std::set<std::string> warned_files_;

  std::unique_ptr<AudioDevice> device_;  // declared last: closed first, before what its thread uses goes
};

}  // namespace

std::unique_ptr<Sequencer> MakeFluidSynthSequencer(const SequencerOptions& options, Clock& clock) {
  return std::make_unique<FluidSynthSequencer>(options, clock);
}

}  // namespace corv
