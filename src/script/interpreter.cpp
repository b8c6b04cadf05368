// The interpreter loop: yield to the window system when one is due, execute the instruction at
// ScriptPosition, move on by the advance it returns, until the position reaches the end of the file or a
// command ends the game.
//
// When a yield is due: in a headless run the clock is virtual and moves 1 ms at every yield, so time is
// counted in yields and every instruction is preceded by one; replayed runs (their frames, traces and
// random numbers) depend on exactly that. With a real clock the loop yields once 0.5 ms have passed since
// the last yield, or after kMaxInstructionsBetweenYields instructions, whichever is first: the window
// system sees the program at least a thousand times a second, and long runs of instructions that do not
// wait are not slowed by a round trip to it before each one. Reading the clock costs about as much as an
// arithmetic instruction, so it is read before every instruction that can take long (drawing, music,
// text, options) and before every eighth of the instant ones (labels, jumps, arithmetic, text settings).
// Seven instant instructions take far less than the 0.5 ms left before the millisecond is up; the rest
// of that margin absorbs the moments the processor is taken away from the program (by other programs,
// or by the host of a virtual machine), so no instruction starts more than 1 ms after the last yield.
//
// Every operand is read through the format's checked reader. A read outside the file (a
// truncated last instruction, a body scan that runs off the end) ends the program with a diagnostic
// naming the instruction's position, as does execution arriving at a position before the first byte.
#include "script/interpreter.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include "core/events.h"
#include "core/operands.h"
#include "core/shutdown.h"
#include "core/trace.h"
#include "format/opcodes.h"
#include "interaction/save_game.h"
#include "interaction/waits.h"
#include "media/music.h"
#include "media/pictures.h"
#include "media/resources.h"
#include "script/control_flow.h"
#include "script/message_text.h"

namespace corv {
namespace {

// Opcode 131: registers the option, then steps over its body to the byte 8 that ends it.
int32_t ChoiceOption(Player& player, int32_t position) {
  RegisterChoice(player);
  const auto distance = static_cast<int32_t>(SkipOptionBody(Image(player.game), position));
  if (distance == 0) ScriptFault(player, position, "the choice option's body has no end marker (byte 8)");
  return distance;
}

constexpr uint32_t kMaxInstructionsBetweenYields = 100000;
constexpr auto kYieldInterval = std::chrono::microseconds(500);
constexpr uint32_t kInstantInstructionsPerClockRead = 8;

// Instructions whose handlers do a fixed, small amount of work.
bool IsInstant(uint8_t opcode) {
  switch (opcode) {
    case op::kLabel:
    case op::kGoto:
    case op::kIfGoto:
    case op::kIfPairGoto:
    case op::kCalc:
    case op::kTextWait:
    case op::kTextMode:
      return true;
    default:
      return false;
  }
}

// Tells the interpreter loop when to yield (see the top of this file).
class YieldPacer {
 public:
  explicit YieldPacer(const Player& player)
      : every_instruction_(player.services.Mode() == RunMode::kReplay) {}

  bool Due(uint8_t opcode) {
    if (every_instruction_ || ++since_last_ >= kMaxInstructionsBetweenYields) return true;
    if (IsInstant(opcode) && since_last_ % kInstantInstructionsPerClockRead != 0) return false;
    return std::chrono::steady_clock::now() - last_ >= kYieldInterval;
  }
  void Yielded() {
    since_last_ = 0;
    if (!every_instruction_) last_ = std::chrono::steady_clock::now();
  }

 private:
  bool every_instruction_;
  uint32_t since_last_ = 0;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace

void RunScript(Player& player) {
  ScriptState& script = player.script;
  script.ScriptPosition = kScriptStart;
  YieldPacer yields(player);
  while (script.ScriptPosition < player.game.ScriptEnd) {
    const int32_t position = script.ScriptPosition;
    if (position < 1) ScriptFault(player, position, "execution cannot continue before the start of the file");
    if (yields.Due(Image(player.game).Byte(position))) {
      DoEvents(player);
      yields.Yielded();
    }
    try {
      const int32_t advance = ExecuteInstruction(player, position);
      if (std::optional<SavedGame>& chosen = player.menu.chosen_load) {
        // A saved game was chosen in the system menu during the instruction's wait: resume there.
        SavedGame game = std::move(*chosen);
        chosen.reset();
        ApplySavedGame(player, std::move(game));
      } else {
        script.ScriptPosition += advance;
      }
    } catch (const ImageBoundsError& e) {
      ScriptFault(player, position,
                  "the instruction reads position " + std::to_string(e.position) + ", outside the file of " +
                      std::to_string(player.game.GameImage.size()) + " bytes");
    }
    ++script.instructions_executed;
  }
  EndProgram(player);
}

int32_t ExecuteInstruction(Player& player, int32_t position) {
  const ImageReader image = Image(player.game);
  ScriptState& script = player.script;
  const uint8_t opcode = image.Byte(position);
  if (player.trace) {
    if (!player.trace->ok()) EndProgram(player, 1);  // says which file could not be written
    if (opcode != op::kCalc) player.trace->Instruction(position, opcode);
  }

  switch (opcode) {
    case op::kDefineBackground:
    case op::kDefineMusic:
    case op::kDefinePicture:
      DefineName(player);
      break;
    case op::kTextWait:
      script.TextWait = static_cast<uint8_t>(Instruction(image, position, opcode)[Field::kWait]);
      break;
    case op::kMusic:
      PlayMusicCommand(player);
      break;
    case op::kWaitChoice:
      static_cast<void>(WaitForChoice(player));  // RunScript puts a game chosen there in place
      return 0;
    case op::kGoto:
      GotoLabel(player);
      return 0;
    case op::kTextMode:
      script.TextMode = static_cast<uint8_t>(Instruction(image, position, opcode)[Field::kMode]);
      break;
    case op::kIfGoto:
      if (IfGoto(player)) return 0;
      break;
    case op::kIfPairGoto:
      if (IfPairGoto(player)) return 0;
      break;
    case op::kCalc:
      CalcVariable(player);
      break;
    case op::kEnd:
    case op::kEndProgram:
      EndProgram(player);
    case op::kBackground:
      ShowBackground(player);
      break;
    case op::kMessage:
      ShowMessage(player);
      break;
    case op::kOption:
      return ChoiceOption(player, position);
    case op::kLayer1:
      ShowLayerPicture(player, 1);
      break;
    case op::kLayer3:
      ShowLayerPicture(player, 3);
      break;
    default:  // labels, body end markers, ignored operands, and bytes without a handler
      break;
  }
  return kOpcodes[opcode].length;
}

}  // namespace corv
