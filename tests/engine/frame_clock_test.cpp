// The frame clock's arithmetic, driven by a made-up clock: deadlines on a
// fixed grid at each rate, a change of rate counted afresh, a long stall not
// made up by frames back to back, and the wake-up margin learnt from the
// wake-ups it is told about.
#include <gtest/gtest.h>

#include <vector>

#include "kestrel/platform/frame_clock.h"

namespace kestrel::platform {
namespace {

constexpr int64_t kSecond = 1'000'000'000;

// A waiter that wakes exactly at each deadline (or at once when late) after
// `work` nanoseconds of its own each frame; the times it goes on at.
struct FakeRun {
  FrameClock clock;
  int64_t now = 5 * kSecond;
  std::vector<int64_t> wakes;

  void Frames(int64_t rate, int count, int64_t work = 1'000'000) {
    for (int i = 0; i < count; ++i) {
      now += work;
      const int64_t deadline = clock.NextDeadline(now, rate);
      now = std::max(now, deadline);
      wakes.push_back(now);
    }
  }
};

TEST(FrameClock, EachRateKeepsItsGridAcrossChangesOfRate) {
  FakeRun run;
  struct Phase {
    int64_t rate;
    int frames;
  };
  // 60 -> 85 -> 60, as when the player picks the fast speed and back.
  const Phase phases[] = {{60, 120}, {85, 170}, {60, 61}};
  for (const Phase& p : phases) {
    SCOPED_TRACE("rate " + std::to_string(p.rate));
    const size_t first = run.wakes.size();
    const int64_t asked = run.now + 1'000'000;  // the frame that asks for the rate
    run.Frames(p.rate, p.frames);
    const int64_t period = kSecond / p.rate;
    // The first frame at a rate is one period after it was asked for.
    EXPECT_EQ(run.wakes[first], asked + period);
    for (size_t i = first + 1; i < run.wakes.size(); ++i) {
      const int64_t interval = run.wakes[i] - run.wakes[i - 1];
      EXPECT_GE(interval, period);
      EXPECT_LE(interval, period + 1);
    }
    // Whole seconds land exactly: no rounded period adds up.
    const int64_t span = run.wakes[first + size_t(p.rate)] - run.wakes[first];
    EXPECT_EQ(span, kSecond) << "one second of frames";
  }
}

TEST(FrameClock, ALateFrameIsMadeUpButALongStallIsNot) {
  FakeRun run;
  const int64_t start = run.now + 1'000'000;  // the first frame's call
  run.Frames(60, 10);
  const int64_t period = kSecond / 60;

  // Late by a frame and a bit: the next deadlines stay on the grid, so two
  // frames go at once and the rate over the second is kept.
  run.Frames(60, 1, period + period / 2);
  run.Frames(60, 2, 0);
  EXPECT_EQ(run.wakes.back(), start + 13 * kSecond / 60);

  // A stall of a second: the frame after it goes at once, and the ones after
  // that a whole period apart, not 60 frames back to back.
  run.now += kSecond;
  const int64_t stalled = run.now;
  EXPECT_EQ(run.clock.NextDeadline(run.now, 60), stalled);
  run.wakes.push_back(stalled);
  run.Frames(60, 30, 0);
  for (size_t i = run.wakes.size() - 30; i < run.wakes.size(); ++i)
    EXPECT_GE(run.wakes[i] - run.wakes[i - 1], period) << "frame " << i;
  EXPECT_EQ(run.wakes.back(), stalled + kSecond / 2);
}

TEST(FrameClock, TheMarginFollowsTheWakeUpsTheMachineGives) {
  FrameClock clock;
  // Wake-ups late by `late`, and every `every`th by `preempted` instead.
  auto wake = [&](int64_t late, int times, int every = 0, int64_t preempted = 0) {
    for (int i = 1; i <= times; ++i) clock.NoteWakeUp(1000, 1000 + (every && i % every == 0 ? preempted : late));
  };
  EXPECT_GE(clock.Margin(), FrameClock::kMinMargin);
  EXPECT_LE(clock.Margin(), FrameClock::kMaxMargin);

  // A quiet machine: the margin comes down to about the lateness it sees.
  wake(60'000, 300);
  EXPECT_GE(clock.Margin(), 60'000 - FrameClock::kLower);
  EXPECT_LE(clock.Margin(), 60'000 + FrameClock::kRaise);
  // Wake-ups come later: the margin grows with them, up to its bound.
  wake(300'000, 200);
  EXPECT_GE(clock.Margin(), 300'000 - FrameClock::kLower);
  EXPECT_LE(clock.Margin(), 300'000 + FrameClock::kRaise);
  wake(5'000'000, 300);
  EXPECT_EQ(clock.Margin(), FrameClock::kMaxMargin);
  // A machine busy with other work delays one wake-up in five by
  // milliseconds: watching could not save those, and the margin follows the
  // others rather than spinning for the delays.
  wake(60'000, 3000, 5, 3'000'000);
  EXPECT_LE(clock.Margin(), 60'000 + 2 * FrameClock::kRaise);
  // Early or on-time wake-ups never take it below the floor.
  wake(-5'000, 300);
  EXPECT_EQ(clock.Margin(), FrameClock::kMinMargin);
}

}  // namespace
}  // namespace kestrel::platform
