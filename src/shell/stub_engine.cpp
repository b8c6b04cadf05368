// Placeholder until the loader, the interpreter and resource lookup are built.
#include "interaction/waits.h"
#include "media/resources.h"
#include "script/control_flow.h"
#include "script/interpreter.h"
#include "shell/loader.h"
#include "shell/unsupported.h"

namespace corv {
void DefineName(Player& player) { Unsupported(player, "name definitions"); }
std::optional<std::string> FindResource(const Player&, const std::u32string&, const std::string&) {
  return std::nullopt;
}
bool FileExists(const std::string&) { return false; }
std::optional<std::string> FindFileNoCase(const std::string&) { return std::nullopt; }
void RegisterChoice(Player& player) { Unsupported(player, "choice options"); }
bool LoadGame(Player&, const std::string&, std::string* error) {
  if (error) *error = "loading is not built yet";
  return false;
}
bool BuildTables(Player&, std::string* error) {
  if (error) *error = "loading is not built yet";
  return false;
}
void ShowLoadingScreen(Player&) {}
void RunScript(Player& player) { Unsupported(player, "the interpreter"); }
int32_t ExecuteInstruction(Player& player, int32_t) { Unsupported(player, "the interpreter"); }
int32_t InstructionLength(const GameData&, int32_t) { return 1; }
int32_t SkipOptionBody(const GameData&, int32_t) { return 0; }
bool CompareValue(int32_t, uint8_t, int32_t) { return false; }
void GotoLabel(Player& player) { Unsupported(player, "jumps"); }
bool IfGoto(Player& player) { Unsupported(player, "jumps"); }
bool IfPairGoto(Player& player) { Unsupported(player, "jumps"); }
void CalcVariable(Player& player) { Unsupported(player, "arithmetic"); }
}  // namespace corv
