// The program as a whole: the command line, the platform services it asks for, and start-up.
#pragma once

#include <string>
#include <vector>

namespace corv {

// Runs the player with the arguments after the program name and returns the exit status: 0 for every
// orderly end, 1 when the file is not a game, the display cannot be opened or loading fails, 2 for bad
// usage. Throws ProgramExit when the game ends through EndProgram; main catches it.
int Run(const std::vector<std::string>& args);

}  // namespace corv
