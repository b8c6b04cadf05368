#include "platform/user_folders.h"

#include <cstdlib>

namespace corv {
namespace {

// The folder a variable names when it holds an absolute path (relative ones are ignored, as the base
// directory rules ask), else $HOME followed by `fallback`.
std::string BaseFolder(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  std::string base;
  if (value && value[0] == '/') {
    base = value;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && home[0] ? home : ".") + fallback;
  }
  if (base.back() != '/') base += '/';
  return base + "corvalline/";
}

}  // namespace

std::string UserDataFolder() {
  return BaseFolder("XDG_DATA_HOME", "/.local/share");
}

std::string UserConfigFolder() {
  return BaseFolder("XDG_CONFIG_HOME", "/.config");
}

}  // namespace corv
