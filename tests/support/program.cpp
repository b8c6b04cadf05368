#include "program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace corv::test {

namespace fs = std::filesystem;

pid_t StartProgram(const std::vector<std::string>& argv, const fs::path& folder) {
  const std::string out_path = (folder / ".stdout").string(), err_path = (folder / ".stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

RunResult WaitForProgram(pid_t pid, const fs::path& folder, std::chrono::seconds limit) {
  RunResult result;
  if (pid <= 0) return result;
  int status = 0;
  struct rusage usage {};
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (done < 0) return result;
    if (std::chrono::steady_clock::now() > until) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, &status, 0, &usage);
      result.timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.max_rss_kb = usage.ru_maxrss;
  result.out = ReadFile(folder / ".stdout");
  result.err = ReadFile(folder / ".stderr");
  return result;
}

RunResult RunProgram(const std::vector<std::string>& argv, const fs::path& folder,
                     std::chrono::seconds limit) {
  return WaitForProgram(StartProgram(argv, folder), folder, limit);
}

bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace corv::test
