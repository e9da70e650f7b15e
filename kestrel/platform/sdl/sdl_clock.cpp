// The SDL display's frame clock (see sdl_clock.h).
#include "kestrel/platform/sdl/sdl_clock.h"

#include <SDL.h>
#include <time.h>

#include <chrono>
#include <thread>

#include "kestrel/platform/environment.h"

namespace kestrel::platform {

int64_t SdlFrameClock::Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

SdlFrameClock::SdlFrameClock() {
  oldClock_ = EnvValue("KESTREL_BENCH_OLD_CLOCK").value_or("") == "1";
  const std::string pace = EnvValue("KESTREL_BENCH_PACELOG").value_or("");
  if (!pace.empty()) paceLog_ = std::fopen(pace.c_str(), "w");
}

SdlFrameClock::~SdlFrameClock() {
  if (paceLog_) std::fclose(paceLog_);
}

void SdlFrameClock::Wait(int64_t rate) {
  if (oldClock_) {
    WaitAsBefore(rate);
    NotePace();
    return;
  }
  SleepUntil(clock_.NextDeadline(Now(), rate));
  NotePace();
}

void SdlFrameClock::WaitAsBefore(int64_t rate) {
  const uint64_t frequency = SDL_GetPerformanceFrequency();
  const uint64_t now = SDL_GetPerformanceCounter();
  const uint64_t r = uint64_t(rate > 0 ? rate : 1);
  if (!oldStarted_ || oldRate_ != r) {
    oldStarted_ = true;
    oldBase_ = now;
    oldTicks_ = 0;
    oldRate_ = r;
  }
  ++oldTicks_;
  const uint64_t deadline = oldBase_ + oldTicks_ * frequency / r;
  if (now >= deadline) {
    if (now - deadline > uint64_t(FrameClock::kMaxLagFrames) * frequency / r) {
      oldBase_ = now;
      oldTicks_ = 0;
    }
    return;
  }
  const uint64_t margin = frequency / 2000;
  for (uint64_t t = now; t < deadline; t = SDL_GetPerformanceCounter()) {
    const uint64_t left = deadline - t;
    if (left > margin) std::this_thread::sleep_for(std::chrono::nanoseconds((left - margin) * 1000000000 / frequency));
    else std::this_thread::yield();
  }
}

void SdlFrameClock::NotePace() {
  if (!paceLog_) return;
  std::fprintf(paceLog_, "%lld\n", static_cast<long long>(Now()));
  // A benchmark reads the file while the game runs.
  if (++paceLines_ % 32 == 0) std::fflush(paceLog_);
}

}  // namespace kestrel::platform
