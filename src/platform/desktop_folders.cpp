#include "platform/desktop_folders.h"

#include <glib.h>

#include <cstdlib>

namespace corv {

std::string PicturesFolder() {
  g_reload_user_special_dirs_cache();  // the user may have moved it since the last screenshot
  const gchar* named = g_get_user_special_dir(G_USER_DIRECTORY_PICTURES);
  const gchar* home = g_get_home_dir();
  // A pictures folder "set" to the home folder itself is how the desktop says there is none.
  if (named && *named && !(home && std::string(named) == home)) return named;
  const char* env_home = std::getenv("HOME");
  return std::string(env_home && *env_home ? env_home : (home ? home : ".")) + "/Pictures";
}

}  // namespace corv
