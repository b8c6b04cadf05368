// Placeholder until scripted input is built.
#include "shell/event_script.h"

namespace corv {
std::unique_ptr<EventScript> EventScript::Load(const std::string& path, std::string* error) {
  if (error) *error = path + ": scripted input is not built yet";
  return nullptr;
}
std::unique_ptr<EventScript> EventScript::Parse(const std::string&, const std::string& name, std::string* error) {
  if (error) *error = name + ": scripted input is not built yet";
  return nullptr;
}
void EventScript::Deliver(Player&) {}
}  // namespace corv
