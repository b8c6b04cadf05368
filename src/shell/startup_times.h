// Where start-up time goes: with CORVALLINE_TIMINGS set in the environment, each phase of the start is
// written to standard error with the milliseconds since main began, for whoever is making start-up faster.
#pragma once

#include <chrono>

namespace corv {

class StartupTimes {
 public:
  StartupTimes();  // starts the clock; on only when CORVALLINE_TIMINGS is set
  // Writes "corvalline: <ms> ms <phase>" when on.
  void Mark(const char* phase) const;

 private:
  bool on_ = false;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace corv
