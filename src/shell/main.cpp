// corvalline: plays a game file.
#include <cstdio>

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  std::fprintf(stderr, "corvalline: the player is being built; it cannot play a game yet\n");
  return 1;
}
