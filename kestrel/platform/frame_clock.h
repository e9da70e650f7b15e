// The arithmetic of the frame clock, apart from any real clock so that it can
// be driven by a made-up one. Times are nanoseconds of a monotonic clock.
//
// Frame n of a rate is due at start + n / rate: deadlines are counted from a
// fixed start, never from the last wake-up, so small lateness never adds up.
// A new rate counts afresh from the moment it is asked for, and a stall of
// more than a few frames starts counting afresh too, rather than running the
// missed frames back to back.
//
// The sleep to a deadline wakes a little late, by an amount that depends on
// the machine and its load. The clock keeps an estimate of that lateness from
// the real wake-ups it is told about; the waiter sleeps to the deadline less
// that margin and watches the clock for the rest.
#pragma once
#include <cstdint>

namespace kestrel::platform {

class FrameClock {
 public:
  // Falling behind by more than this many frames starts the count afresh.
  static constexpr int64_t kMaxLagFrames = 2;
  // The margin stays within these bounds whatever the wake-ups show: a
  // machine that once woke 20 ms late must not make every frame spin.
  static constexpr int64_t kMinMargin = 20'000;
  static constexpr int64_t kMaxMargin = 2'000'000;

  // Counts a frame at `rate` frames a second and gives the time it is due;
  // a deadline not after `now` means go at once.
  int64_t NextDeadline(int64_t now, int64_t rate);

  // A sleep meant to end at `target` ended at `woke`.
  void NoteWakeUp(int64_t target, int64_t woke);
  // How long before a deadline to stop sleeping and start watching.
  int64_t Margin() const;

 private:
  bool started_ = false;
  int64_t rate_ = 0;
  int64_t start_ = 0;
  int64_t frames_ = 0;
  // The mean lateness of a wake-up and its mean deviation, in 1/16 ns, kept
  // as moving averages (the estimator of a round-trip time).
  int64_t lateness16_ = 16 * 100'000;
  int64_t deviation16_ = 16 * 50'000;
};

}  // namespace kestrel::platform
