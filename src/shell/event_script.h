// Scripted input (--events FILE): one command a line, '#' starting a comment anywhere on a line, blank
// lines ignored, delivered at yields to the window system, one line per yield:
//   move X Y | click X Y | rclick X Y | mclick X Y
//   key NAME  esc, enter, space, tab, up, down, pageup, pagedown, ctrl+c, or one character (a, b, ...)
//   keydown ctrl | keyup ctrl   hold Ctrl down, let it go
//   wheel up|down               turn the mouse wheel one step
//   wait MS   deliver nothing more until MS milliseconds of the clock have passed
//   idle      deliver nothing more until the program waits for the player and has run one pass of it
//   shot FILE write the frame now on screen as a 640 x 480 8-bit RGB PNG
// When the commands are used up the program runs on until it is next idle, then ends as by Esc.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/player.h"

namespace corv {

class EventScript final : public ScriptedInput {
 public:
  struct Command {
    enum class Kind { kInput, kWait, kIdle, kShot };
    Kind kind = Kind::kInput;
    InputEvent input;  // kInput: what the window would have sent
    uint32_t ms = 0;   // kWait
    std::string path;  // kShot
    int line = 0;
  };

  // Parses an events file; nullptr with *error ("FILE:LINE: what") when it cannot be read or parsed.
  static std::unique_ptr<EventScript> Load(const std::string& path, std::string* error);
  static std::unique_ptr<EventScript> Parse(const std::string& text, const std::string& name,
                                            std::string* error);

  // Called at every yield: delivers at most one command through the main window's handlers.
  void Deliver(Player& player) override;
  // Called by the waits for the player after their first pass.
  void NoteWaiting() override { waiting_for_player_ = true; }

 private:
  std::vector<Command> commands_;
  size_t next_ = 0;
  bool waiting_for_player_ = false;
  bool waiting_for_idle_ = false;
  bool wait_started_ = false;
  uint32_t wait_from_ = 0;
};

}  // namespace corv
