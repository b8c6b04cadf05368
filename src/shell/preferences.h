// The settings file: what the player chose, kept from run to run as a key file (settings.ini).
#pragma once

#include <string>

#include "core/player.h"

namespace corv {

// $XDG_CONFIG_HOME/corvalline/settings.ini (default ~/.config/corvalline/settings.ini).
std::string DefaultSettingsPath();

// Reads the settings file at `path` into `prefs`. A missing file is no fault: everything keeps its
// default. A file that cannot be parsed is ignored whole, and a key that is unknown or has a value it
// cannot take is ignored alone, each with one line on stderr.
void ReadPreferences(const std::string& path, Preferences& prefs);

// Writes every setting to `path` at once (a crash leaves the old file or the new one), making its folder
// when missing. False, with *error, when it cannot be written.
[[nodiscard]] bool WritePreferences(const std::string& path, const Preferences& prefs, std::string* error);

// Writes the player's preferences to its settings file, if it has one; a failure is said on stderr.
void SavePreferences(const Player& player);

}  // namespace corv
