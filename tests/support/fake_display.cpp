#include "fake_display.h"

namespace corv::test {

void FakeDisplay::Present(const Surface& frame) {
  ++presents;
  if (keep_frames) frames.push_back(frame);
  if (on_present) on_present(frame);
  if (clock_) clock_->Advance(present_ms);
}

void FakeDisplay::PollEvents(std::vector<InputEvent>& out) {
  ++polls;
  if (clock_) clock_->Advance(1);
  if (on_poll) {
    on_poll(out);
  } else if (!batches.empty()) {
    out.insert(out.end(), batches.front().begin(), batches.front().end());
    batches.pop_front();
  } else if (strict) {
    throw OutOfEvents{};
  }
}

void FakeDisplay::Queue(std::initializer_list<InputEvent> events) {
  for (const InputEvent& e : events) batches.push_back({e});
}

void FakeDisplay::Idle(int yields) {
  for (int i = 0; i < yields; ++i) batches.emplace_back();
}

void ClickEveryYield(FakeDisplay& display, int max_polls, int max_presents) {
  display.on_poll = [&display, max_polls, max_presents](std::vector<InputEvent>& out) {
    if (display.polls > max_polls || display.presents > max_presents) {
      out.push_back({InputEvent::Kind::kQuit, 0, 0, 0, 0});
      return;
    }
    const double x = static_cast<double>(120 + (display.polls * 53) % 400);
    const double y = static_cast<double>(5 + (display.polls * 37) % 470);
    out.push_back(MoveTo(x, y));
    out.push_back(LeftClick(x, y));
  };
}

}  // namespace corv::test
