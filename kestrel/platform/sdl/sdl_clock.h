// The SDL display's frame clock: a steady count of the emulated display's
// vertical blanks, whatever the monitor's own refresh. How it sleeps to each
// deadline is the desktop's (desktop/clock.cpp) or the page's (web/clock.cpp).
//
// Two settings are for benchmarks only (bench/xvfb_window.sh):
// KESTREL_BENCH_OLD_CLOCK=1 selects the clock as it was (a relative sleep to
// half a millisecond before the deadline, then yielding until it), so both
// can be compared in one run; KESTREL_BENCH_PACELOG=FILE writes the time of
// every frame's wake-up in nanoseconds, one a line.
#pragma once
#include <cstdint>
#include <cstdio>

#include "kestrel/platform/frame_clock.h"

namespace kestrel::platform {

class SdlFrameClock {
 public:
  SdlFrameClock();
  ~SdlFrameClock();
  SdlFrameClock(const SdlFrameClock&) = delete;
  SdlFrameClock& operator=(const SdlFrameClock&) = delete;

  // Returns at the next tick of a clock of `rate` ticks a second.
  void Wait(int64_t rate);

 private:
  // CLOCK_MONOTONIC in nanoseconds.
  static int64_t Now();
  // Returns at `deadline` (Now's time), as closely as the machine allows.
  void SleepUntil(int64_t deadline);
  void WaitAsBefore(int64_t rate);
  void NotePace();

  FrameClock clock_;
  bool oldClock_ = false;
  // The old clock's count.
  bool oldStarted_ = false;
  uint64_t oldBase_ = 0, oldTicks_ = 0, oldRate_ = 0;
  FILE* paceLog_ = nullptr;
  uint32_t paceLines_ = 0;
};

}  // namespace kestrel::platform
