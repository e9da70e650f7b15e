#include "kestrel/platform/frame_clock.h"

#include <algorithm>

namespace kestrel::platform {

namespace {

constexpr int64_t kSecond = 1'000'000'000;

// Frame `n`'s offset from the start at `rate`; exact for any run a program
// lives through, without the drift of adding a rounded period.
int64_t Offset(int64_t n, int64_t rate) { return n / rate * kSecond + n % rate * kSecond / rate; }

}  // namespace

int64_t FrameClock::NextDeadline(int64_t now, int64_t rate) {
  rate = std::max<int64_t>(rate, 1);
  if (!started_ || rate != rate_) {
    started_ = true;
    rate_ = rate;
    start_ = now;
    frames_ = 0;
  }
  ++frames_;
  const int64_t deadline = start_ + Offset(frames_, rate_);
  if (now - deadline > kMaxLagFrames * kSecond / rate_) {
    start_ = now;
    frames_ = 0;
    return now;
  }
  return deadline;
}

void FrameClock::NoteWakeUp(int64_t target, int64_t woke) {
  margin_ = std::clamp<int64_t>(woke - target > margin_ ? margin_ + kRaise : margin_ - kLower, kMinMargin, kMaxMargin);
}

int64_t FrameClock::Margin() const { return margin_; }

bool VsyncKeepsPace(int screenRefresh, int framesPerSecond) {
  return screenRefresh > 0 && screenRefresh >= framesPerSecond - 1 && screenRefresh <= framesPerSecond + 1;
}

}  // namespace kestrel::platform
