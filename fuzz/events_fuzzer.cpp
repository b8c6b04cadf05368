// Any bytes as an events file, of any size: the parser takes every line, whatever its blanks and bytes,
// and either gives a script whose commands are well formed or names the line it cannot take.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "growing_mutator.h"
#include "shell/event_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  const auto script =
      corv::EventScript::Parse(std::string(reinterpret_cast<const char*>(data), size), "events.txt", &error);
  if (!script && error.rfind("events.txt:", 0) != 0) std::abort();
  return 0;
}
