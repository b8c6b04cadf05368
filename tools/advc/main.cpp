// advc: the scenario compiler for game authors.
#include <iostream>
#include <string>
#include <vector>

#include "advc/cli.h"

int main(int argc, char** argv) {
  return advc::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
