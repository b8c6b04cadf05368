// One line on stderr for each picture or music file a game names but that is not in its folder, so a
// player who sees black screens or hears silence learns why. The game itself goes on unchanged.
#pragma once

#include <string>

#include "core/player.h"

namespace corv {

enum class MissingKind { kPicture, kMusic };

// Says that the file for `name` was not found in the game folder, the first time only for each name and
// kind. An empty name (an entry the game never defined) names no file and is not reported.
void NoteMissingFile(Player& player, MissingKind kind, const std::u32string& name);

}  // namespace corv
