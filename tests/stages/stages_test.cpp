// The stages on the real sheets: their start values, the one stage frame, the
// ambient cries, and that a running stage allocates nothing.
#include <atomic>
#include <cstdlib>
#include <new>

#include "../support/game_fixture.h"
#include "morlo3/player.h"
#include "morlo3/stage_map.h"
#include "morlo3/stages.h"

// Every allocation of this test program is counted.
namespace {
std::atomic<long> gAllocations{0};
}
void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace kestrel::testing {
namespace {

using morlo3::StageFacts;

class Stages : public GameTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    SetUpGame(GetParam());
    LoadSheets();
  }
};

TEST_P(Stages, StartValuesFollowTheDifficulty) {
  // Stage 1 at normal, after a hurt in the last frame of the stage before:
  // walkers of 6 health on their patrols, bats of 7.
  g.HurtTimer = 0;
  const StageFacts& first = StartStage(1);
  EXPECT_EQ(g.Walkers[1].Health, 6);
  EXPECT_EQ(g.Walkers[4].X, 378);
  EXPECT_EQ(g.Walkers[4].PatrolMin, 340);
  EXPECT_EQ(g.Walkers[4].PatrolMax, 400);
  EXPECT_EQ(g.Walkers[2].Y, 20);
  EXPECT_EQ(g.Walkers[3].State, 1);
  EXPECT_EQ(g.Bats[3].Health, 7);
  EXPECT_EQ(g.Bats[2].X, 550);
  EXPECT_EQ(g.CoinTable[7].X, 770);
  EXPECT_EQ(g.CoinTable[7].Y, 85);
  // Its first frame: the hurt timer goes on from 20, so the grace is over
  // and the old hurt does not sound again; the hero is at the start.
  SoundsPlayed();
  morlo3::StageFrame(g, first);
  EXPECT_EQ(g.HurtTimer, 21);
  EXPECT_EQ(SoundsPlayed(), std::vector<int>{});
  EXPECT_EQ(g.PlayerX, 10);
  EXPECT_EQ(g.PlayerY, 100);

  // Stage 7 at hard: throwers of 21 on their ledges, hazards at 0, 300, 600.
  g.Difficulty = 1;
  StartStage(7);
  EXPECT_EQ(g.Throwers[1].Health, 21);
  EXPECT_EQ(g.Throwers[2].Y, 738);
  EXPECT_EQ(g.Throwers[3].X, 158);
  EXPECT_EQ(g.FallingHazards[2].Y, 300);
  EXPECT_EQ(g.PlayerY, 700);
  EXPECT_EQ(g.CoinTable[6].Y, 52);

  // The arena: RirEza at (700, 10) keeping away, 200 health at hard.
  StartStage(8);
  EXPECT_EQ(g.BossStage, 1);
  EXPECT_EQ(g.SorcererHealth, 200);
  EXPECT_EQ(g.SorcererX, 700);
  EXPECT_EQ(g.SorcererMode, 1);
  EXPECT_EQ(g.Undead[3].X, 800);
  EXPECT_EQ(g.Undead[3].Health, 24);
  EXPECT_EQ(g.BoltTicks, 1);
}

TEST_P(Stages, RandomStartsAreDrawnInSlotOrderAndOtherFieldsCarryOver) {
  morlo3::GameState reference;
  g.Walkers[2].AnimTicks = 33;
  g.Walkers[2].Facing = 1;
  StartStage(1);
  // Bats start at 10 + random(30), slot 1 first.
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(g.Bats[i].Y, 10 + morlo3::Random(reference, 30)) << "bat " << i;
  EXPECT_EQ(g.RandSeed, reference.RandSeed);
  // Fields a stage does not name keep what the last stage left.
  EXPECT_EQ(g.Walkers[2].AnimTicks, 33);
  EXPECT_EQ(g.Walkers[2].Facing, 1);

  StartStage(7);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(g.FallingHazards[i].X, 20 + morlo3::Random(reference, 280)) << "hazard " << i;
}

TEST_P(Stages, WalkingOffTheExitEndsTheStageAfterAWholeFrame) {
  const StageFacts& s = StartStage(1);
  g.PlayerX = 991;
  const uint64_t before = display_->VerticalBlankWaits();
  morlo3::StageFrame(g, s);
  EXPECT_EQ(g.StageOver, 1);
  EXPECT_EQ(g.StageNumber, 2);
  // The frame still ran and was presented.
  EXPECT_EQ(display_->VerticalBlankWaits(), before + 1);
  EXPECT_EQ(g.CameraX, 681);

  // 990 is still inside.
  StartStage(1);
  g.StageNumber = 1;
  g.PlayerX = 990;
  morlo3::StageFrame(g, s);
  EXPECT_EQ(g.StageOver, 0);
}

TEST_P(Stages, TheArenaHasNoExitAndHoldsThePlayerIn) {
  const StageFacts& s = StartStage(8);
  g.PlayerX = 1200;
  morlo3::StageFrame(g, s);
  EXPECT_EQ(g.StageOver, 0);
  EXPECT_LE(g.PlayerX, 990);
  g.PlayerX = -50;
  morlo3::StageFrame(g, s);
  EXPECT_GE(g.PlayerX, 2);
}

TEST_P(Stages, AmbientCriesComeAtLeast101FramesApartAndOnlyWithSound) {
  const StageFacts& s = StartStage(2);
  g.Lives = 1000;  // falls and hits may cost lives; the stage must go on
  SoundsPlayed();
  std::vector<int> cries;
  int lastCry = -1000, frame = 0;
  for (; frame < 3000; ++frame) {
    morlo3::StageFrame(g, s);
    for (int slot : SoundsPlayed())
      if (slot >= 9 && slot <= 11) {
        EXPECT_GE(frame - lastCry, 101) << "cry at frame " << frame;
        lastCry = frame;
        cries.push_back(slot);
      }
  }
  EXPECT_GE(cries.size(), 3u);

  g.SoundOn = 0;
  const int32_t ticks = g.AmbientTicks;
  for (int i = 0; i < 500; ++i) morlo3::StageFrame(g, s);
  EXPECT_EQ(g.AmbientTicks, ticks);
  EXPECT_TRUE(SoundsPlayed().empty());
}

TEST_P(Stages, ARunningStageAllocatesNothing) {
  for (int number : {1, 5, 7, 8}) {
    SCOPED_TRACE("stage " + std::to_string(number));
    const StageFacts& s = StartStage(number);
    g.Lives = 1000;
    g.StageOver = 0;
    // The headless sound backend logs every call it gets; the game's own
    // path to a sound allocates nothing, but the log would.
    g.SoundOn = 0;
    // Warm up once, then count over many frames of walking, jumping and firing.
    morlo3::StageFrame(g, s);
    const long before = gAllocations.load();
    for (int frame = 0; frame < 1500; ++frame) {
      (frame / 40) % 3 == 0 ? Press(morlo3::kKeyRight) : Release(morlo3::kKeyRight);
      (frame / 7) % 2 == 0 ? Press(morlo3::kKeyFire) : Release(morlo3::kKeyFire);
      (frame / 25) % 2 == 0 ? Press(morlo3::kKeyJump) : Release(morlo3::kKeyJump);
      morlo3::StageFrame(g, s);
      g.StageOver = 0;
    }
    EXPECT_EQ(gAllocations.load() - before, 0);
    ReleaseAll();
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, Stages, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
