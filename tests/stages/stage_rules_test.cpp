// Rules of the stage frame in every stage: how far the player may fall, that
// a shot moves in the frame it is fired, which stages move thrown missiles,
// the ambient cries' draws, when the arena is won, what its set-up clears,
// and that the bonus moves with the camera of the frame before.
#include "../support/game_fixture.h"
#include "../support/random_draw.h"
#include "morlo3/player.h"
#include "morlo3/stage_map.h"
#include "morlo3/stages.h"

namespace kestrel::testing {
namespace {

using morlo3::StageFacts;

class StageRules : public GameTest {
 protected:
  void SetUp() override {
    SetUpGame(32);
    LoadSheets();
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
      const StageFacts& s = StartStage(k);
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
    const StageFacts& s = StartStage(k);
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

TEST_F(StageRules, ACryNeedsMoreThan100FramesAndADrawAbove95AndIsOneOfTheThree) {
  g.SoundOn = 1;
  SoundsPlayed();
  // A hundred frames after the last cry no draw is made at all.
  g.AmbientTicks = 99;
  g.RandSeed = SeedBeforeDraw(99, 100);
  const uint32_t seed = g.RandSeed;
  morlo3::PlayAmbient(g);
  EXPECT_EQ(g.AmbientTicks, 100);
  EXPECT_EQ(g.RandSeed, seed);
  EXPECT_TRUE(SoundsPlayed().empty());
  // A draw of 95 is no cry.
  g.RandSeed = SeedBeforeDraw(95, 100);
  morlo3::PlayAmbient(g);
  EXPECT_EQ(g.AmbientTicks, 101);
  EXPECT_TRUE(SoundsPlayed().empty());
  // Above 95 one of the three cries, by the next draw of random(3).
  for (int32_t cry = 0; cry < 3; ++cry) {
    // The first seed whose draw is above 95 and whose next draw is `cry`.
    uint32_t s = SeedBeforeDraw(96, 100);
    for (;; s += 977) {
      morlo3::GameState probe;
      probe.RandSeed = s;
      if (morlo3::Random(probe, 100) > 95 && morlo3::Random(probe, 3) == cry) break;
    }
    g.AmbientTicks = 101;
    g.RandSeed = s;
    morlo3::PlayAmbient(g);
    EXPECT_EQ(SoundsPlayed(), std::vector<int>{morlo3::kSoundFirstCry + cry});
    EXPECT_EQ(g.AmbientTicks, 0);
  }
}

TEST_F(StageRules, TheArenaStartsWithNoBoltIsWonOnlyBelowZeroAndMovesTheBolt) {
  g.BoltActive = 1;
  const StageFacts& s = StartStage(8);
  EXPECT_EQ(g.BoltActive, 0) << "a bolt of the last game is gone";
  // At 0 health RirEza still stands; the frame moves his bolt.
  g.SorcererHealth = 0;
  g.BoltActive = 1, g.BoltState = 1, g.BoltTicks = 1;
  g.BoltX = 300, g.BoltY = 20, g.BoltTargetX = 900, g.BoltTargetY = 20 + 14;
  morlo3::StageFrame(g, s);
  EXPECT_EQ(g.StageOver, 0);
  EXPECT_EQ(g.BoltX, 303);
  // Below 0 the frame shows the victory and the credits, and ends the game.
  g.GameRunning = 1;
  g.SorcererHealth = -1;
  morlo3::StageFrame(g, s);
  EXPECT_EQ(g.StageOver, 1);
  EXPECT_EQ(g.GameRunning, 0);
  morlo3::FreeStage(g);
}

TEST_F(StageRules, AStageStartsItsWalkersAfreshWhateverTheLastOneLeft) {
  for (auto& e : g.Walkers) e.DeathTicks = 30, e.State = 2, e.PatrolDir = 1;
  StartStage(1);
  for (int32_t i = 1; i <= 4; ++i) {
    EXPECT_EQ(g.Walkers[i].DeathTicks, 0);
    EXPECT_EQ(g.Walkers[i].State, 1);
    EXPECT_EQ(g.Walkers[i].PatrolDir, 0);
  }
  morlo3::FreeStage(g);
}

TEST_F(StageRules, TheBonusIsDrawnWithTheCameraOfTheFrameBefore) {
  // The player far enough right that this frame moves the camera from 0 to
  // 240; an energy bonus at stage x 420, which that camera would show at 180.
  const StageFacts& s = StartStage(2);
  g.PlayerX = 400, g.PlayerY = 20, g.OnGround = 0, g.JumpTime = 0, g.JumpBaseY = 60;
  g.CameraX = 0;
  g.BonusX = 420, g.BonusY = 30, g.BonusKind = 1, g.BonusActive = 1;
  morlo3::StageFrame(g, s);
  EXPECT_EQ(g.CameraX, 240);
  // Drawn at 420 against the old camera: off the screen, so not at 180.
  EXPECT_GT(CountMismatches(*g.SpriteSheet, 264, 36, 282, 49, 180, 30), 20);
  morlo3::FreeStage(g);
}

}  // namespace
}  // namespace kestrel::testing
