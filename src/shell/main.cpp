// corvalline: plays a game file.
#include <string>
#include <vector>

#include "shell/player.h"
#include "shell/run.h"

int main(int argc, char** argv) {
  try {
    return corv::Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const corv::ProgramExit& exit) {
    return exit.status;
  }
}
