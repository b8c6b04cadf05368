#include "shell/run.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/player.h"
#include "core/trace.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/display.h"
#include "platform/glyphs.h"
#include "platform/sdl_environment.h"
#include "platform/sequencer.h"
#include "platform/settings_editor.h"
#include "platform/user_folders.h"
#include "shell/command_line.h"
#include "shell/event_script.h"
#include "shell/options_dialog.h"
#include "shell/player_keys.h"
#include "shell/preferences.h"
#include "shell/startup.h"
#include "shell/startup_times.h"

namespace corv {

int Run(const std::vector<std::string>& args) {
  const StartupTimes times;
  CommandLine options;
  std::string error;
  if (!ParseCommandLine(args, options, &error)) {
    std::fprintf(stderr, "corvalline: %s\nTry 'corvalline --help' for the options.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(VersionText().c_str(), stdout);
    return 0;
  }

  if (options.demo) {
    std::vector<std::string> searched;
    options.game_path = BundledDemoFile(AppFolder(), &searched);
    if (!options.game_path) {
      std::fprintf(stderr, "corvalline: the demo game is not installed (looked for %s and %s)\n",
                   searched[0].c_str(), searched[1].c_str());
      return 1;
    }
    // The demo lies in the build or install tree, which is no place for the player's saves (a build's
    // `make clean` would delete them; an installed tree is read-only).
    if (options.save_dir.empty())
      options.save_dir = UserDataFolder() + std::filesystem::path(*options.game_path).stem().string() + "/";
  }

  if (options.headless) UseHeadlessSdl();  // before SDL's first use

  auto player = std::make_unique<Player>();
  // Headless runs are the same on every machine: they read and write settings only from a file named
  // with --config.
  if (!options.no_config && (!options.headless || !options.config_path.empty())) {
    player->settings_path = options.config_path.empty() ? DefaultSettingsPath() : options.config_path;
    ReadPreferences(player->settings_path, player->preferences);
  }
  Preferences& prefs = player->preferences;
  if (!options.window_mode_given)
    options.window_mode = prefs.fullscreen ? WindowMode::kFullscreen : WindowMode::kWindow;
  prefs.fullscreen = options.window_mode == WindowMode::kFullscreen;
  if (!options.save_dir.empty()) {
    player->location.SaveFolder = options.save_dir;
    if (player->location.SaveFolder.back() != '/') player->location.SaveFolder += '/';
  }

  // The clock, the display, the dialogs and the options dialog: virtual and silent when headless.
  std::unique_ptr<VirtualClock> virtual_clock;
  std::unique_ptr<Clock> system_clock;
  std::unique_ptr<Display> display;
  std::unique_ptr<Dialogs> dialogs;
  std::unique_ptr<OptionsDialog> options_dialog;
  std::unique_ptr<SettingsEditor> settings_editor;  // F1; none when headless
  if (options.headless) {
    virtual_clock = std::make_unique<VirtualClock>();
    display = MakeHeadlessDisplay(*virtual_clock, DisplayOptions{});
    dialogs = MakeHeadlessDialogs();
    options_dialog = MakePresetOptionsDialog(player->settings, options.depth != 0 ? options.depth : 32,
                                             options.drawing_mode >= 0 ? options.drawing_mode : 1);
  } else {
    system_clock = MakeSystemClock();
    display = MakeSdlDisplay(
        DisplayOptions{options.window_mode, {}, prefs.scaling, prefs.window_width, prefs.window_height});
    dialogs = MakeFltkDialogs();
    settings_editor = MakeFltkSettingsEditor();
    const bool preset = options.depth != 0 || options.drawing_mode >= 0;
    options_dialog = preset ? MakePresetOptionsDialog(player->settings, options.depth, options.drawing_mode)
                            : MakeFltkOptionsDialog(player->settings, prefs);
  }
  Clock& clock = virtual_clock ? static_cast<Clock&>(*virtual_clock) : *system_clock;
  times.Mark("display and dialogs made");

  // Text: the Mincho face, or plain boxes when no Japanese font can be found.
  std::unique_ptr<GlyphSource> glyphs = MakeTrueTypeGlyphSource(&error);
  if (!glyphs) {
    std::fprintf(stderr, "corvalline: no Japanese font (%s); text will be drawn as boxes\n", error.c_str());
    glyphs = MakeBoxGlyphSource();
  }
  times.Mark("font found");

  std::unique_ptr<Sequencer> sequencer = MakeFluidSynthSequencer(
      SequencerOptions{options.soundfont_path, options.audio_out_path, options.headless}, clock);
  times.Mark("synthesizer made");

  std::unique_ptr<EventScript> events;
  if (!options.events_path.empty()) {
    events = EventScript::Load(options.events_path, &error);
    if (!events) {
      std::fprintf(stderr, "corvalline: %s\n", error.c_str());
      return 2;
    }
  }

  // --text-out: a file of our own, or standard output for "-".
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, FileCloser> text_out_file;
  std::FILE* text_out = nullptr;
  if (options.text_out_path == "-") {
    text_out = stdout;
  } else if (!options.text_out_path.empty()) {
    text_out_file.reset(std::fopen(options.text_out_path.c_str(), "w"));
    text_out = text_out_file.get();
    if (!text_out) {
      std::fprintf(stderr, "corvalline: %s: cannot write the text file\n", options.text_out_path.c_str());
      return 2;
    }
  }

  std::unique_ptr<Trace> trace;
  if (!options.trace_path.empty()) {
    trace = std::make_unique<Trace>(options.trace_path);
    if (!trace->ok()) {
      std::fprintf(stderr, "corvalline: %s: cannot write the trace file\n", options.trace_path.c_str());
      return 2;
    }
  }

  player->services =
      Services{display.get(), &clock, sequencer.get(), glyphs.get(), dialogs.get(), settings_editor.get()};
  InstallHooks(*player);
  ApplyVolume(*player);
  player->event_script = events.get();
  player->trace = trace.get();
  player->comforts.strict = options.strict || player->preferences.strict;
  player->comforts.skip_unread = player->preferences.skip_unread;
  player->comforts.auto_delay_ms = static_cast<uint32_t>(player->preferences.auto_delay_ms);
  player->comforts.text_out = text_out;
  player->comforts.text_speed_ms = player->preferences.text_speed_ms;
  // The settings are written back however the game ends (EndProgram notes the window as it was left).
  try {
    const int status = StartGame(*player, *options_dialog, options.game_path, times);
    SavePreferences(*player);
    return status;
  } catch (const ProgramExit&) {
    SavePreferences(*player);
    throw;
  }
}

}  // namespace corv
