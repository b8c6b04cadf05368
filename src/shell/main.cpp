// corvalline: plays a game file.
#include <string>
#include <vector>

#include "core/player.h"
#include "platform/file_store.h"
#include "shell/run.h"

int main(int argc, char** argv) {
  // A write past the file-size limit then fails like a full disk, and is reported, instead of killing
  // the player with the game unsaved.
  corv::IgnoreFileSizeSignal();
  try {
    return corv::Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const corv::ProgramExit& exit) {
    return exit.status;
  }
}
