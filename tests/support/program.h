// Running a program (the player, advc, a shell script beside a test) in a folder, with its exit status,
// output and peak memory.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace corv::test {

struct RunResult {
  int status = -1;         // the exit status; 128 + the signal when killed; -1 when it could not start
  bool timed_out = false;  // killed after the time limit
  std::string out, err;
  long max_rss_kb = 0;  // the process's peak resident memory
};

// Starts a program (argv[0] is its path) in `folder`, its stdout and stderr going to the files .stdout
// and .stderr there; the process id, or -1.
pid_t StartProgram(const std::vector<std::string>& argv, const std::filesystem::path& folder);

// Waits at most `limit` for a program started in `folder` to end; one still running then is killed.
RunResult WaitForProgram(pid_t pid, const std::filesystem::path& folder, std::chrono::seconds limit);

// Runs a program to its end (or for at most `limit`).
RunResult RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& folder,
                     std::chrono::seconds limit = std::chrono::seconds(240));

// Whether a program of that name is on the PATH.
bool HaveProgram(const std::string& name);

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

}  // namespace corv::test
