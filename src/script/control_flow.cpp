// Labels, jumps and variable arithmetic.
//
// Numbers a script cannot mean end the program with a diagnostic (ScriptFault) before any variable is
// read or written: a variable number outside 0..10000, a label number outside 1..10000, and a jump
// taken to a label the chain never filled (entry 0 is the header, an entry of 0 was never reached, -1
// marks the end of the chain) or whose position lies outside the file. A conditional jump that is not
// taken does not look at its label's entry, only at its number.
//
// Arithmetic never traps: sums, differences and products wrap modulo 2^32 like the 32-bit registers
// the games were written for; a division by zero leaves the variable as it was; -2147483648 / -1
// wraps to -2147483648.
#include "script/control_flow.h"

#include <cmath>
#include <string>

#include "core/operands.h"
#include "core/shutdown.h"
#include "core/trace.h"
#include "format/opcodes.h"
#include "script/interpreter.h"

namespace corv {
namespace {

int32_t Wrap(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// Division rounded to the nearest integer, ties to the even one: the quotient the games computed in
// double precision and rounded, done here in exact integer arithmetic (same results, no dependence on
// the floating-point rounding mode). x is never 0.
int64_t DivideRounded(int64_t v, int64_t x) {
  int64_t quotient = v / x;
  const int64_t remainder = v % x;
  const int64_t twice = 2 * (remainder < 0 ? -remainder : remainder);
  const int64_t divisor = x < 0 ? -x : x;
  const int64_t away = (v < 0) != (x < 0) ? -1 : 1;  // the direction away from zero
  if (twice > divisor || (twice == divisor && quotient % 2 != 0)) quotient += away;
  return quotient;
}

// A uniform fraction in [0, 1) from the player's generator.
double NextFraction(std::mt19937& random) {
  return static_cast<double>(random()) / 4294967296.0;
}

bool IsVariableNumber(int32_t n) {
  return n >= 0 && n <= kMaxVariable;
}
bool IsLabelNumber(int32_t n) {
  return n >= 1 && n <= kMaxLabel;
}

void CheckVariable(Player& player, int32_t variable) {
  if (!IsVariableNumber(variable)) {
    ScriptFault(player, player.script.ScriptPosition,
                "variable number " + std::to_string(variable) + " is outside 0 to 10000");
  }
}

void CheckLabel(Player& player, int32_t label) {
  if (!IsLabelNumber(label)) {
    ScriptFault(player, player.script.ScriptPosition,
                "label number " + std::to_string(label) + " is outside 1 to 10000");
  }
}

// Continues at label n: the label instruction itself, one before the link its table entry holds.
void JumpToLabel(Player& player, int32_t label) {
  const int32_t link = player.game.LabelTable[label];
  const int64_t target = static_cast<int64_t>(link) - 1;
  if (link <= 0 || target < 1 || target > player.game.ScriptEnd) {
    ScriptFault(player, player.script.ScriptPosition,
                "label " + std::to_string(label) + " does not exist in this game (its chain entry is " +
                    std::to_string(link) + ")");
  }
  player.script.ScriptPosition = static_cast<int32_t>(target);
}

}  // namespace

bool CompareValue(int32_t value, uint8_t op, int32_t constant) {
  switch (op) {
    case 1:
      return value == constant;
    case 2:
      return value > constant;
    case 3:
      return value < constant;
    case 4:
      return value != constant;
    default:
      return false;
  }
}

int32_t Calculate(int32_t value, uint8_t operation, int32_t x, std::mt19937& random) {
  const int64_t v = value;
  switch (operation) {
    case 1:
      return x;
    case 2:
      return Wrap(v + x);
    case 3:
      return Wrap(v - x);
    case 4:
      return Wrap(v * x);
    case 5:
      return x == 0 ? value : Wrap(DivideRounded(v, x));
    case 6:
      return x == 0 ? value : Wrap(v / x);
    case 7:
      return Wrap(static_cast<int64_t>(std::floor(NextFraction(random) * x)) + 1);
    default:
      return value;
  }
}

void GotoLabel(Player& player) {
  const int32_t label = CurrentInstruction(player, op::kGoto)[Field::kLabel];
  CheckLabel(player, label);
  JumpToLabel(player, label);
}

namespace {

// One comparison of a conditional jump: a variable, an operator and a constant.
struct Condition {
  int32_t variable = 0;
  uint8_t op = 0;
  int32_t constant = 0;
};

Condition ReadCondition(const Instruction& in, Field variable, Field op, Field constant) {
  return {in[variable], static_cast<uint8_t>(in[op]), in[constant]};
}

// Its variable must have been checked.
bool Holds(const Player& player, const Condition& c) {
  return CompareValue(player.script.Variables[c.variable], c.op, c.constant);
}

bool JumpIf(Player& player, bool taken, int32_t label) {
  if (taken) JumpToLabel(player, label);
  return taken;
}

}  // namespace

bool IfGoto(Player& player) {
  const Instruction in = CurrentInstruction(player, op::kIfGoto);
  const Condition condition = ReadCondition(in, Field::kVariable, Field::kOperator, Field::kConstant);
  const int32_t label = in[Field::kLabel];
  CheckVariable(player, condition.variable);
  CheckLabel(player, label);
  return JumpIf(player, Holds(player, condition), label);
}

bool IfPairGoto(Player& player) {
  const Instruction in = CurrentInstruction(player, op::kIfPairGoto);
  const Condition first = ReadCondition(in, Field::kVariable, Field::kOperator, Field::kConstant);
  const Condition second = ReadCondition(in, Field::kVariable2, Field::kOperator2, Field::kConstant2);
  const int32_t connective = in[Field::kConnective];
  const int32_t label = in[Field::kLabel];
  CheckVariable(player, first.variable);
  CheckVariable(player, second.variable);
  CheckLabel(player, label);
  const bool r1 = Holds(player, first), r2 = Holds(player, second);
  switch (connective) {
    case 1:
      return JumpIf(player, r1 && r2, label);
    case 2:
      return JumpIf(player, r1 || r2, label);
    case 3:
      return JumpIf(player, !r1 && !r2, label);
    default:
      return false;
  }
}

void CalcVariable(Player& player) {
  const int32_t at = player.script.ScriptPosition;
  const Instruction in = CurrentInstruction(player, op::kCalc);
  const int32_t variable = in[Field::kVariable];
  const auto operation = static_cast<uint8_t>(in[Field::kOperation]);
  const int32_t x = in[Field::kOperand];
  if (!IsVariableNumber(variable) && player.trace)
    player.trace->Instruction(at, op::kCalc);  // nothing stored
  CheckVariable(player, variable);
  int32_t& slot = player.script.Variables[variable];
  slot = Calculate(slot, operation, x, player.script.Random);
  if (player.trace) player.trace->Instruction(at, op::kCalc, variable, slot);
}

}  // namespace corv
