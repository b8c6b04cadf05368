// The interpreter on a loop of arithmetic and jumps (label, add, compare-and-jump: three instructions a
// turn): as shipped with a window-like display, as shipped headless, and the same instructions run with
// no yield at all.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <string>

#include "advc/advc.h"
#include "core/player.h"
#include "fake_display.h"
#include "platform/clock.h"
#include "script/interpreter.h"
#include "shell/loader.h"

namespace corv::bench {
namespace {

constexpr int32_t kTurns = 300000;
constexpr int64_t kInstructions = 3 * int64_t{kTurns} + 1;

std::vector<uint8_t> LoopGame() {
  const std::string source = "var i = 1\nloop:\ni += 1\nif i < " + std::to_string(kTurns) + " goto loop\n";
  advc::BuildResult built = advc::Build(source, "loop.advs");
  if (!built.ok) throw std::runtime_error("the loop does not compile: " + built.errors[0].ToString());
  return std::move(built.image);
}

// The processor time this thread has used, in microseconds: the interpreter's own work, whatever else
// the machine is doing.
double ThreadCpuMicroseconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// A display that asks the kernel for pending input at every poll, as a window system connection does,
// and has none to give. It also keeps the longest stretch of processor time the interpreter ran
// between two looks for input (from Start to the first look, then look to look).
class WindowLikeDisplay {
 public:
  WindowLikeDisplay() {
    if (::pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
    display.modes = {{640, 480, 32}};
    display.on_poll = [this](std::vector<InputEvent>&) {
      pollfd p{fds_[0], POLLIN, 0};
      benchmark::DoNotOptimize(::poll(&p, 1, 0));
      const double now = ThreadCpuMicroseconds();
      longest_gap_us_ = std::max(longest_gap_us_, now - last_look_us_);
      last_look_us_ = now;
    };
  }
  ~WindowLikeDisplay() {
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  WindowLikeDisplay(const WindowLikeDisplay&) = delete;
  WindowLikeDisplay& operator=(const WindowLikeDisplay&) = delete;

  void Start() { last_look_us_ = ThreadCpuMicroseconds(); }
  double LongestGapMicroseconds() const { return longest_gap_us_; }

  test::FakeDisplay display;

 private:
  int fds_[2];
  double last_look_us_ = 0;
  double longest_gap_us_ = 0;
};

// A clock of real time that only the yield's own bookkeeping reads here.
class RealClock final : public Clock {
 public:
  uint32_t TickCount() override { return clock_->TickCount(); }

 private:
  std::unique_ptr<Clock> clock_ = MakeSystemClock();
};

enum class Mode { kWindow, kHeadless, kNoYield };

void Loop(benchmark::State& state, Mode mode) {
  const std::vector<uint8_t> image = LoopGame();
  VirtualClock virtual_clock;
  RealClock real_clock;
  WindowLikeDisplay window;
  std::unique_ptr<Display> headless = MakeHeadlessDisplay(virtual_clock, DisplayOptions{});
  for (auto _ : state) {
    state.PauseTiming();
    auto player = std::make_unique<Player>();
    if (mode == Mode::kHeadless) {
      player->services.display = headless.get();
      player->services.clock = &virtual_clock;
    } else {
      player->services.display = &window.display;
      player->services.clock = &real_clock;
    }
    player->game.GameImage = image;
    if (const Status built = BuildTables(*player); !built) return state.SkipWithError(built.error().c_str());
    state.ResumeTiming();
    window.Start();
    try {
      if (mode == Mode::kNoYield) {
        ScriptState& script = player->script;
        script.ScriptPosition = kScriptStart;
        while (script.ScriptPosition < player->game.ScriptEnd) {
          script.ScriptPosition += ExecuteInstruction(*player, script.ScriptPosition);
          ++script.instructions_executed;
        }
      } else {
        RunScript(*player);
      }
    } catch (const ProgramExit&) {
    }
    if (player->script.Variables[1] != kTurns) return state.SkipWithError("the loop did not run to its end");
    state.PauseTiming();
    player.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kInstructions);
  if (mode == Mode::kWindow)
    state.counters["longest_run_between_yields_us"] = window.LongestGapMicroseconds();
}

// The longest run between yields is a bound, so its largest value over the repetitions is reported too.
BENCHMARK_CAPTURE(Loop, window, Mode::kWindow)
    ->Name("interpreter/yield_window")
    ->ComputeStatistics("max",
                        [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Loop, headless, Mode::kHeadless)
    ->Name("interpreter/yield_headless")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Loop, none, Mode::kNoYield)->Name("interpreter/no_yield")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corv::bench

BENCHMARK_MAIN();
