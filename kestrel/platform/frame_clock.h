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
// the machine. The clock keeps an estimate of that lateness from the real
// wake-ups it is told about; the waiter sleeps to the deadline less that
// margin and watches the clock for the rest. The estimate follows the
// median lateness: a wake-up delayed by other work on the machine (which no
// watching could have saved) moves it by one small step and no more, and a
// busy machine does not make every frame spin for its worst delays.
#pragma once
#include <cstdint>

namespace kestrel::platform {

class FrameClock {
 public:
  // Falling behind by more than this many frames starts the count afresh.
  static constexpr int64_t kMaxLagFrames = 2;
  // The margin stays within these bounds whatever the wake-ups show; the
  // most is what the clock always watched for before it learnt.
  static constexpr int64_t kMinMargin = 20'000;
  static constexpr int64_t kMaxMargin = 500'000;
  // A wake-up later than the margin raises it by kRaise, any other lowers
  // it by kLower: it settles where kLower / (kRaise + kLower) of the
  // wake-ups are later.
  static constexpr int64_t kRaise = 2'000;
  static constexpr int64_t kLower = 2'000;

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
  int64_t margin_ = 200'000;
};

// Whether waiting for the screen's vertical blank keeps the game at its own
// pace: only when the screen refreshes at that rate (give or take one, as
// screens report 59.94 Hz as 59 or 60). Elsewhere the wait would hold the
// game to the screen's rate, 85 frames a second to 60 on most screens; a
// screen whose rate is unknown (0) is never waited for.
bool VsyncKeepsPace(int screenRefresh, int framesPerSecond);

}  // namespace kestrel::platform
