#include "shell/startup_times.h"

#include <cstdio>
#include <cstdlib>

namespace corv {

StartupTimes::StartupTimes()
    : on_(std::getenv("CORVALLINE_TIMINGS") != nullptr), start_(std::chrono::steady_clock::now()) {}

void StartupTimes::Mark(const char* phase) const {
  if (!on_) return;
  const std::chrono::duration<double, std::milli> since = std::chrono::steady_clock::now() - start_;
  std::fprintf(stderr, "corvalline: %.1f ms %s\n", since.count(), phase);
  std::fflush(stderr);
}

}  // namespace corv
