// The SDL display's frame clock (see sdl_clock.h).
#include "kestrel/platform/sdl/sdl_clock.h"

#include <SDL.h>
#include <time.h>
#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
#endif

#include <cerrno>
#include <chrono>
#include <thread>

#include "kestrel/platform/environment.h"
#include "kestrel/platform/sdl/sdl_display_impl.h"

namespace kestrel::platform {

namespace {

int64_t Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void Relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

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
  const int64_t deadline = clock_.NextDeadline(Now(), rate);
#if defined(__EMSCRIPTEN__)
  // A page has the browser's one thread: it sleeps by giving the browser the
  // thread until the deadline (to the nearest millisecond), which shows the
  // frame and brings the events; at least once a frame, even a late one.
  const int64_t left = deadline - Now();
  emscripten_sleep(left > 0 ? unsigned((left + 500'000) / 1'000'000) : 0);
#else
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
#endif
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

void SdlDisplay::WaitForVerticalBlank() {
#if defined(__EMSCRIPTEN__)
  // The page keeps the first picture, the loading screen, until the player
  // clicks or presses a key: a browser lets a page play sound only then.
  if (FramesPresented() > 0) WaitForThePlayer();
#endif
  impl_->clock.Wait(FrameRate());
}

}  // namespace kestrel::platform
