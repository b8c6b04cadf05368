#include "xvfb.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace corv::test {

bool XvfbServer::Start(const std::string& geometry) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const std::string screen = geometry + "x24";
  const char* argv[] = {"Xvfb", "-displayfd",   "3",         "-noreset", "-screen",
                        "0",    screen.c_str(), "-nolisten", "tcp",      nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The read end is closed first: it may itself be descriptor 3.
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    pid_ = -1;
    close(fds[0]);
    return false;
  }
  // The server writes its display number and a newline once it accepts connections.
  std::string number;
  char c;
  while (number.size() < 8 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) {
    Stop();
    return false;
  }
  display_ = ":" + number;
  return true;
}

void XvfbServer::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

}  // namespace corv::test
