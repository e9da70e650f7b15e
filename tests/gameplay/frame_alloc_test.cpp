// A running stage allocates nothing per frame. This program's operator new
// counts every allocation; the stage is built from the real sheets and the
// gameplay routines run in frame order, with keys held, for many frames.
#include "../support/counting_new.h"
#include "../support/game_fixture.h"
#include "morlo3/player.h"
#include "morlo3/projectiles.h"
#include "morlo3/stage_map.h"
#include "morlo3/status.h"

namespace kestrel::testing {
namespace {

using namespace morlo3;

class RunningStage : public GameTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    SetUpGame(GetParam());
    LoadSheets();
    StartStage(1);
    // The headless sound layer keeps a log of its calls, which the game's
    // sounds would grow; the game's own path to them allocates nothing.
    g.SoundOn = 0;
  }

  void RunFrame(int32_t coinCount) {
    if (g.PlayerX < 2) g.PlayerX = 2;
    DrawBackdrop(g);
    UpdatePlayer(g);
    MovePlayerShots(g, 1010);
    MoveEnemyShots(g);
    DrawPlayer(g);
    UpdateBonus(g);
    UpdateCamera(g, g.PlayerX, g.PlayerY);
    UpdateCoins(g, coinCount);
    DrawCoins(g, coinCount);
    DrawStatus(g);
  }
};

TEST_P(RunningStage, AllocatesNothingPerFrame) {
  // Warm up once, so anything made on first use is made.
  RunFrame(6);
  Press(kKeyRight);
  Press(kKeyJump);
  // The counter sees the program's allocations (the set-up made many).
  ASSERT_GT(CountedAllocations(), 0);
  const long before = CountedAllocations();
  long maxX = 0, shots = 0;
  for (int frame = 0; frame < 2000; ++frame) {
    // Fire in bursts, turn now and then, keep jumping; a bonus and thrown
    // missiles lie in the way.
    if (frame % 6 == 0) Press(kKeyFire);
    if (frame % 6 == 3) Release(kKeyFire);
    if (frame % 200 == 150) Press(kKeyLeft);
    if (frame % 200 == 170) Release(kKeyLeft);
    if (frame % 300 == 0) SpawnBonus(g, g.PlayerX + 40, g.PlayerY);
    if (frame % 50 == 0) g.EnemyShots[1 + frame / 50 % 9] = {g.PlayerX + 200, g.PlayerY + 10, -3};
    if (frame == 1000) g.BossStage = 1;
    const int32_t cursor = g.ShotCursor;
    RunFrame(6);
    shots += g.ShotCursor != cursor;
    if (g.PlayerX > maxX) maxX = g.PlayerX;
    if (g.PlayerY > 250) ResetPlayer(g, 100);
  }
  const long during = CountedAllocations() - before;
  EXPECT_EQ(during, 0);
  // The run went somewhere: along the stage, with shots fired.
  EXPECT_GT(maxX, 300);
  EXPECT_GT(shots, 100);
}

INSTANTIATE_TEST_SUITE_P(Depths, RunningStage, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
