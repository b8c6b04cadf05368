// advc: the scenario compiler for game authors.
#include <cstdio>

int main() {
  std::fprintf(stderr, "advc: not built yet\n");
  return 1;
}
