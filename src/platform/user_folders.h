// The per-user folders the player keeps its own files in, after the XDG base directory rules: an
// absolute $XDG_DATA_HOME or $XDG_CONFIG_HOME, else ~/.local/share and ~/.config.
#pragma once

#include <string>

namespace corv {

// $XDG_DATA_HOME/corvalline/ (default ~/.local/share/corvalline/), ending in '/'.
std::string UserDataFolder();

// $XDG_CONFIG_HOME/corvalline/ (default ~/.config/corvalline/), ending in '/'.
std::string UserConfigFolder();

}  // namespace corv
