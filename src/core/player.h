// The player context: every piece of state the subsystems share, in a few plain structs, and the
// platform services they draw, wait and play through. One Player is one running game; tests build as
// many as they like in-process.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "format/game_format.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/display.h"
#include "platform/glyphs.h"
#include "platform/sequencer.h"
#include "platform/surface.h"

namespace corv {

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

// Settings chosen at every start in the options dialog.
struct Settings {
  int ColourDepth = 32;  // 16, 24 or 32
  int DrawingMode = 1;   // 0 coarse, 1 normal, 2 fine
};

// Where a text lies in GameImage: `length` bytes from `position`.
struct TextSpan {
  int32_t position = 0;
  int32_t length = 0;
};

// Texts by number, each a span of GameImage. The table reaches only as far as the highest number set, so
// a small game's texts cost next to nothing and clearing them costs only what the last load put in.
class TextTable {
 public:
  // An empty span for a number never set, negative or past the highest one set.
  TextSpan operator[](int64_t number) const {
    return number >= 0 && number < static_cast<int64_t>(spans_.size()) ? spans_[number] : TextSpan{};
  }
  void Set(int32_t number, TextSpan span) {  // number is at least 0
    if (static_cast<size_t>(number) >= spans_.size()) spans_.resize(static_cast<size_t>(number) + 1);
    spans_[number] = span;
  }
  void Clear() { spans_.clear(); }  // keeps the memory for the next load
  size_t Reach() const { return spans_.size(); }

 private:
  std::vector<TextSpan> spans_;
};

// What the player chose, remembered from run to run in the settings file: read at start, written back at
// the end and whenever the settings dialog closes with OK.
struct Preferences {
  int depth = 0;          // the colour depth last chosen: 16, 24 or 32; 0 when none was yet
  int drawing_mode = -1;  // the drawing mode last chosen: 0, 1 or 2; -1 when none was yet
  bool fullscreen = true;
  int window_width = 0;  // the window's size when last closed; 0 when not known
  int window_height = 0;
  Scaling scaling = Scaling::kWhole;
  int volume = 100;  // music, in percent
  bool muted = false;
  int text_speed_ms = -1;        // milliseconds per character for every message; -1 keeps the game's own
  int auto_delay_ms = 1500;      // auto mode: the pause after a page before it goes on
  bool skip_unread = false;      // skipping also passes text not read before
  bool strict = false;           // the game exactly as it was made: no comforts that change its course
  std::string last_game_folder;  // where the open-file dialog starts
  bool operator==(const Preferences&) const = default;
};

// The loaded game file and the tables the loader builds from it.
struct GameData {
  std::vector<uint8_t> GameImage;  // position p is GameImage[p - 1]
  int32_t ScriptEnd = 0;
  std::vector<int32_t> LabelTable = std::vector<int32_t>(kMaxLabel + 1, 0);
  // The message and choice texts stay in the image and are converted when shown: a game file made of
  // text then costs little more than its own size, not the four times its size of converted text.
  TextTable MessageTexts;
  TextTable ChoiceTexts;  // text `slot` of choice text `number` is number * kChoiceSlots + slot
  std::vector<std::u32string> BackgroundNames = std::vector<std::u32string>(kMaxName + 1);
  std::vector<std::u32string> MusicNames = std::vector<std::u32string>(kMaxName + 1);
  std::vector<std::u32string> PictureNames = std::vector<std::u32string>(kMaxName + 1);
  int32_t BackgroundNameCursor = 0;
  int32_t MusicNameCursor = 0;
  int32_t PictureNameCursor = 0;
  TextSpan ChoiceText(int number, int slot) const {
    return ChoiceTexts[static_cast<int64_t>(number) * kChoiceSlots + slot];
  }
};

// Where the game file lies: GameFolder ends in the path separator.
struct GameLocation {
  std::string GameFolder;
  std::string GameFileName;
  std::string SaveFolder;  // where slot files are looked up: --save-dir, else GameFolder; ends in '/'
};

// The scenario's own state.
struct ScriptState {
  int32_t ScriptPosition = 0;
  std::vector<int32_t> Variables = std::vector<int32_t>(kMaxVariable + 1, 0);
  uint8_t TextMode = 0;
  uint8_t TextWait = 0;
  std::mt19937 Random{0};
  uint64_t instructions_executed = 0;
};

// A key that the waits answer, beyond the mouse buttons (never set with --strict).
enum class WaitKey {
  kNone,
  kConfirm,  // Enter, keypad Enter, Space
  kUp,
  kDown,
  kPageUp,
  kPageDown,
  kWheelUp,
  kWheelDown,
  kBacklog,  // B
  kClose,    // Esc while an overlay is open
};

// Input recorded by the main window's handlers and consumed by the waits.
struct InputState {
  int32_t PointerX = 0;
  int32_t PointerY = 0;
  bool LeftClicked = false;
  bool RightClicked = false;
  // Like the click flags: set by the handlers, cleared by the consumer and when a wait starts.
  WaitKey PendingKey = WaitKey::kNone;
  bool PointerMoved = false;  // the pointer moved: a keyboard highlight gives way to it
};

// The frame surfaces and the picture slots.
struct Screen {
  Surface PrimarySurface;
  Surface BackBuffer;
  Surface WorkSurface;
  Surface MessageSaveSurface;
  Surface MenuSaveSurface;
  std::array<Surface, 9> PictureSurfaces;  // slots 1 to 8; slot 5 is the keyed page-text layer
  std::array<Rect, 9> PictureRects{};
  int32_t BackgroundNumber = 0;
  int32_t Layer1Number = 0;
  int32_t Layer3Number = 0;
  std::set<std::string> unreadable_pictures;  // picture files already named on stderr as unreadable
  FontSpec TextFont;  // the one font object; surfaces take a copy when it is given to them
};

// Message text state kept between messages.
struct TextState {
  uint32_t TextColour = 0xFFFFFF;
  uint32_t TextShadowColour = 0x000000;
  int32_t TextCursorX = 0;
  int32_t TextCursorY = 0;
};

struct ChoiceEntry {
  std::u32string Text;
  int32_t Position = 0;
};

struct BlinkState {
  bool MarkerHidden = false;
  uint32_t NextToggle = 0;
};

struct ChoiceState {
  std::array<ChoiceEntry, kChoiceSlots> Choices;
  BlinkState Blink;
  KeptFrame Frame;   // the lit list or the marker the current wait last drew; every wait starts afresh
  int key_row = -1;  // the row lit by the keyboard, -1 when the pointer decides
};

// The music state shared by the music commands and the music timer.
struct MusicState {
  bool SequencerOpen = false;
  bool MusicPlaying = false;
  int32_t MusicLength = 0;
  uint32_t MusicStartTick = 0;
  int32_t MusicNumber = 0;
};

// The point a loaded game resumes from, recorded by the two waits that can be resumed: a message
// (opcode 130, shown again from its start) and a choice (opcode 9, its options drawn again over the
// frame it was offered on). Only what those instructions do not rebuild themselves is kept.
struct ResumePoint {
  enum class Kind : int32_t { kNone = 0, kMessage = 1, kChoice = 2 };
  Kind kind = Kind::kNone;
  int32_t position = 0;                           // the opcode 130 or 9 to run again
  std::array<ChoiceEntry, kChoiceSlots> choices;  // the options registered when it was recorded
  int32_t TextCursorX = 0;                        // the page-text cursor before the wait
  int32_t TextCursorY = 0;
  Surface page_layer;          // picture slot 5 before the wait
  Surface work;                // kChoice: WorkSurface before the options were drawn
  Surface message_save;        // kChoice: MessageSaveSurface at that moment
  uint64_t backlog_count = 0;  // Comforts::backlog_added when it was recorded
};

// One entry of the backlog: a message as it was shown, or an option that was picked.
struct BacklogEntry {
  std::u32string text;
  bool picked_option = false;
  bool operator==(const BacklogEntry&) const = default;
};

// Everything a game resumes from: the scenario's state, the pictures and music by number, the name
// tables that give those numbers their files, and the wait to resume (with the frame it needs).
struct SavedGame {
  std::vector<int32_t> Variables;
  uint8_t TextMode = 0;
  uint8_t TextWait = 0;
  std::string random_state;  // the random generator, in its standard text form
  int32_t BackgroundNumber = 0;
  int32_t Layer1Number = 0;
  int32_t Layer3Number = 0;
  int32_t MusicNumber = 0;
  std::vector<std::u32string> BackgroundNames;
  std::vector<std::u32string> MusicNames;
  std::vector<std::u32string> PictureNames;
  int32_t BackgroundNameCursor = 0;
  int32_t MusicNameCursor = 0;
  int32_t PictureNameCursor = 0;
  ResumePoint resume;
  std::vector<BacklogEntry> backlog;  // as it stood at the resume point
};

// The system menu's lasting state: the slot labels and where slot files live.
struct MenuState {
  std::array<std::u32string, 6> SlotLabels;  // slots 1 to 5; refreshed each time the slot screen opens
  ResumePoint resume;
  bool data_folder_noted = false;  // the fallback save folder has been named on stderr
  // A game chosen under "L O A D", from the moment the menu closes until the interpreter loop puts it in
  // place; the waits return at once while it is there.
  std::optional<SavedGame> chosen_load;
};

// Something drawn over the frame on screen at present time, on a surface of its own: the game's
// surfaces are never drawn on, and taking it away shows the frame exactly as it was.
struct Overlay {
  std::function<void(Surface&)> draw;  // empty: no overlay
  int key = 0;                         // stands for everything `draw` depends on besides the frame
  KeptFrame kept;
  Surface shown;  // the frame last handed to the display with the overlay on it
};

// The reading comforts: keys, skip, auto mode, the backlog, the read record and the text hook.
struct Comforts {
  // Settings.
  bool strict = false;                  // --strict: only the mouse buttons and Esc act
  bool skip_unread = false;             // skipping goes on through messages not read before
  uint32_t auto_delay_ms = 1500;        // auto mode: the pause after a complete text ...
  uint32_t auto_ms_per_character = 50;  // ... and per character of the message
  int text_speed_ms = -1;               // the pause per typed character; -1 keeps the game's own

  // Modes.
  bool ctrl_held = false;
  bool skip_mode = false;  // Tab
  bool auto_mode = false;  // A

  // The message on screen.
  int32_t message_number = -1;
  bool message_was_read = false;  // read in an earlier showing, before this one
  std::u32string message_text;

  // Messages read, by number, one bit each; kept per game across runs.
  std::vector<uint8_t> read_bits = std::vector<uint8_t>(kMaxMessage / 8 + 1, 0);
  bool read_changed = false;
  std::string read_record_path;  // empty: nothing is kept

  static constexpr size_t kBacklogLength = 200;
  std::deque<BacklogEntry> backlog;
  uint64_t backlog_added = 0;  // entries ever added

  std::FILE* text_out = nullptr;  // --text-out: JSON lines
  Overlay overlay;
};

// Notes said once on stderr: the names of pictures and music files a game asked for but that were missing.
struct Notices {
  std::set<std::u32string> missing_pictures;
  std::set<std::u32string> missing_music;
};

// A short note of the player's own (the volume just set, where a screenshot went), shown over the frame's
// top-right corner as it is presented, never drawn on the game's surfaces.
struct CornerNote {
  std::u32string text;  // empty: no note
  uint32_t until = 0;   // the clock tick at which it goes
};

class SettingsEditor;

// How time passes in a run: on the system's clock, or on the virtual clock of a headless run, where the
// same events file gives the same frames and trace on every machine.
enum class RunMode { kRealTime, kReplay };

// The platform services a player runs on; owned elsewhere (main, or a test), never null while running
// (the settings dialog excepted: headless runs have none).
struct Services {
  Display* display = nullptr;
  Clock* clock = nullptr;
  Sequencer* sequencer = nullptr;
  GlyphSource* glyphs = nullptr;
  Dialogs* dialogs = nullptr;
  SettingsEditor* settings_editor = nullptr;

  RunMode Mode() const { return clock && clock->IsVirtual() ? RunMode::kReplay : RunMode::kRealTime; }
};

struct Player;

// Scripted input (--events), delivered at yields through the main window's handlers.
class ScriptedInput {
 public:
  virtual ~ScriptedInput() = default;
  // Called at every yield: delivers at most one command.
  virtual void Deliver(Player& player) = 0;
  // Called by the waits for the player after their first pass.
  virtual void NoteWaiting() = 0;
};

// What the layers above core add to the yield and to the way out. The shell fills them in when it starts
// a game (InstallHandlers, shell/player_keys.h); a Player built bare, as in-process tests build it, runs
// without them.
struct Hooks {
  bool (*own_key)(Player& player, int key_code) = nullptr;  // the player's own keys; true when taken
  void (*at_yield)(Player& player) = nullptr;  // after the events: a corner note whose time is up goes
  void (*at_exit)(Player& player) = nullptr;   // on the way out, before the music stops: the read record
};

class Trace;

struct Player {
  Services services;
  Settings settings;
  GameLocation location;
  GameData game;
  ScriptState script;
  InputState input;
  Screen screen;
  TextState text;
  ChoiceState choices;
  MusicState music;
  MenuState menu;
  Comforts comforts;
  Notices notices;
  CornerNote note;
  Preferences preferences;
  std::string settings_path;  // where the preferences are kept; empty: nowhere (--no-config)

  Hooks hooks;
  Trace* trace = nullptr;                 // --trace: one line per executed instruction
  ScriptedInput* event_script = nullptr;  // --events: scripted input delivered at yields
  uint32_t next_timer_tick = 1000;        // when the music timer's next tick is due
};

// Thrown by EndProgram; main catches it, so the program unwinds and RAII releases everything.
struct ProgramExit {
  int status = 0;
};

}  // namespace corv
