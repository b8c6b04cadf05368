// The advc command line, callable in-process: build, dis, check, --help, --version.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace advc {

// args excludes the program name. Returns the exit status: 0 success, 1 failure or findings, 2 bad usage.
int RunCommandLine(std::vector<std::string> args, std::ostream& out, std::ostream& err);

}  // namespace advc
