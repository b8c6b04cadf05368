// The registering half of the choice-option command (opcode 131).
#include <string>

#include "core/operands.h"
#include "core/shutdown.h"
#include "format/opcodes.h"
#include "interaction/waits.h"

namespace corv {

// Puts the option's text into its slot and remembers where its body starts, right after the 9-byte
// instruction. A text number outside 0..50000 or a slot above 5 names no option: the script is broken
// and the program ends with a diagnostic rather than reading outside the choice texts.
void RegisterChoice(Player& player) {
  const int32_t at = player.script.ScriptPosition;
  const Instruction in = CurrentInstruction(player, op::kOption);
  const int32_t number = in[Field::kNumber];
  const auto slot = static_cast<uint8_t>(in[Field::kSlot]);
  if (number < 0 || number > kMaxChoiceText) {
    ScriptFault(player, at, "choice text number " + std::to_string(number) + " is outside 0 to 50000");
  }
  if (slot >= kChoiceSlots) ScriptFault(player, at, "choice slot " + std::to_string(slot) + " is above 5");
  ChoiceEntry& entry = player.choices.Choices[slot];
  entry.Text = ReadText(player.game, player.game.ChoiceText(number, slot));
  entry.Position = at + in.length();
}

}  // namespace corv
