// The SDL display's frame clock: a steady count of the emulated display's
// vertical blanks, whatever the monitor's own refresh.
#include <chrono>
#include <thread>

#include "kestrel/platform/sdl/sdl_display_impl.h"

namespace kestrel::platform {

namespace {

// Falling behind by more than this many frames restarts the clock rather
// than running the missed frames back to back.
constexpr uint64_t kMaxLagFrames = 2;

}  // namespace

void SdlDisplay::WaitForVerticalBlank() {
  const uint64_t frequency = SDL_GetPerformanceFrequency();
  const uint64_t now = SDL_GetPerformanceCounter();
  Impl& c = *impl_;
  const uint64_t rate = uint64_t(FrameRate());
  // A new rate counts afresh from now.
  if (!c.clockStarted || c.clockRate != rate) {
    c.clockStarted = true;
    c.clockBase = now;
    c.clockTicks = 0;
    c.clockRate = rate;
  }
  ++c.clockTicks;
  const uint64_t deadline = c.clockBase + c.clockTicks * frequency / rate;
  if (now >= deadline) {
    // Late: go on at once, and after a long stall start counting afresh
    // instead of rushing through the frames that were missed.
    if (now - deadline > kMaxLagFrames * frequency / rate) {
      c.clockBase = now;
      c.clockTicks = 0;
    }
    return;
  }
  // Sleep most of the way, then watch the counter for the last fraction of a
  // millisecond, which a sleep would overshoot.
  const uint64_t margin = frequency / 2000;
  for (uint64_t t = now; t < deadline; t = SDL_GetPerformanceCounter()) {
    const uint64_t left = deadline - t;
    if (left > margin) {
      std::this_thread::sleep_for(std::chrono::nanoseconds((left - margin) * 1000000000 / frequency));
    } else {
      std::this_thread::yield();
    }
  }
}
}  // namespace kestrel::platform
