#include "shell/unsupported.h"

#include <cstdio>

#include "shell/shutdown.h"

namespace corv {

void Unsupported(Player& player, const char* what) {
  std::fprintf(stderr, "corvalline: %s is not supported yet\n", what);
  EndProgram(player, 3);
}

}  // namespace corv
