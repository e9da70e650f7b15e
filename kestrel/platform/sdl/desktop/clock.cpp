// The frame clock's sleep on the desktop: to an absolute deadline, and the
// last stretch, which a sleep on this machine is seen to overshoot, watching
// the clock.
#include <time.h>

#include <cerrno>

#include "kestrel/platform/sdl/sdl_display_impl.h"

namespace kestrel::platform {

namespace {

void Relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

void SdlFrameClock::SleepUntil(int64_t deadline) {
  const int64_t wake = deadline - clock_.Margin();
  if (wake > Now()) {
    const timespec at{time_t(wake / 1'000'000'000), long(wake % 1'000'000'000)};
    // The deadline is absolute: a sleep cut short by a signal goes back to
    // sleep to the same moment.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
    clock_.NoteWakeUp(wake, Now());
  }
  while (Now() < deadline) Relax();
}

void SdlDisplay::WaitForVerticalBlank() { impl_->clock.Wait(FrameRate()); }

}  // namespace kestrel::platform
