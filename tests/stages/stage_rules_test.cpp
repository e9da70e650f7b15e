// Rules of the stage frame in every stage: how far the player may fall, that
// a shot moves in the frame it is fired, and which stages move thrown
// missiles.
#include "../support/game_fixture.h"
#include "morlo3/player.h"
#include "morlo3/stage_map.h"
#include "morlo3/stages.h"

namespace kestrel::testing {
namespace {

using morlo3::kStages;
using morlo3::StageFacts;

class StageRules : public GameTest {
 protected:
  void SetUp() override {
    SetUpGame(32);
    LoadSheets();
  }
  const StageFacts& Start(int number) {
    const StageFacts& s = kStages[size_t(number - 1)];
    morlo3::ResetPlayer(g, s.StartY);
    morlo3::SetUpStage(g, s);
    g.HurtTimer = 20;
    morlo3::BuildStage(g, s);
    return s;
  }
  // Puts the player in the air so that this frame's jump arc leaves him at
  // row y: at the top of the arc the rise is 40.
  void HangAt(int32_t x, int32_t y) {
    g.PlayerX = x;
    g.OnGround = 0;
    g.JumpTime = 0;
    g.JumpBaseY = y + 40;
    g.PlayerY = y;
  }
};

TEST_F(StageRules, AFallCostsALifeOnlyBelowTheStagesFallLimit) {
  // The shaft of stage 7 is 800 rows deep; every other stage is 200.
  for (int k = 1; k <= 8; ++k) {
    const int32_t limit = k == 7 ? 850 : 250;
    for (int32_t below : {0, 1}) {
      SCOPED_TRACE("stage " + std::to_string(k) + ", row " + std::to_string(limit + below));
      g.Lives = 2;
      g.Energy = 100;
      const StageFacts& s = Start(k);
      HangAt(k == 7 ? 150 : 500, limit + below);
      morlo3::StageFrame(g, s);
      EXPECT_EQ(g.Lives, below ? 1 : 2);
      EXPECT_EQ(g.PlayerY, below ? s.StartY : limit + below);
      morlo3::FreeStage(g);
    }
  }
}

TEST_F(StageRules, AShotMovesInTheFrameItIsFiredAndOnlyStagesWithThrowersMoveTheirMissiles) {
  for (int k = 1; k <= 8; ++k) {
    SCOPED_TRACE("stage " + std::to_string(k));
    const StageFacts& s = Start(k);
    // Standing on nothing, facing right, fire held: the shot leaves 15 right
    // of the player and has made its first step of 3 by the frame's end.
    const int32_t x = g.PlayerX;
    g.FireLatch = 0;
    g.EnemyShots[1] = {100, 50, 3};
    Press(morlo3::kKeyFire);
    morlo3::StageFrame(g, s);
    Release(morlo3::kKeyFire);
    EXPECT_EQ(g.PlayerShots[1].X, x + 15 + 3);
    const bool throwers = k >= 5 && k <= 7;
    EXPECT_EQ(g.EnemyShots[1].X, throwers ? 103 : 100);
    morlo3::FreeStage(g);
  }
}

}  // namespace
}  // namespace kestrel::testing
