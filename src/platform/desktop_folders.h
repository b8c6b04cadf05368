// Folders of the desktop user, as the desktop's own settings name them.
#pragma once

#include <string>

namespace corv {

// The user's pictures folder: the one user-dirs.dirs names (what `xdg-user-dir PICTURES` prints), else
// ~/Pictures. Without a trailing '/'.
std::string PicturesFolder();

}  // namespace corv
