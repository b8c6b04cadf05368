// An X server of the tests' own.
#pragma once

#include <sys/types.h>

#include <string>

namespace corv::test {

// Xvfb on a display number it chooses itself (-displayfd), so that tests running side by side never
// share one server; -noreset keeps it accepting connections when its last client leaves (a reset takes a
// while on a busy machine, and a window opened again meanwhile would find no server).
class XvfbServer {
 public:
  XvfbServer() = default;
  ~XvfbServer() { Stop(); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // Starts a server with one screen of `geometry` ("640x480") in 24-bit colour; false when it does not
  // come up.
  bool Start(const std::string& geometry);
  void Stop();
  // ":N" once started.
  const std::string& display() const { return display_; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace corv::test
