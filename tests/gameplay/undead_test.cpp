// The undead, their rising in the boss stage and its dust, and the hazards
// falling down the shaft. Ground starts at row 150, so an undead at rest
// stands at y 116 (test point y + 33).
#include "figure_fixture.h"
#include "morlo3/enemies.h"

namespace kestrel::testing {
namespace {

using morlo3::EnemyRecord;
using morlo3::kFreeShot;

EnemyRecord Undead(int32_t x, int32_t health, int32_t state = 1) {
  EnemyRecord e;
  e.X = x, e.Y = 116, e.Health = health, e.State = state, e.Frame = 2, e.Facing = 1;
  return e;
}

using UndeadFigures = FigureTest;

TEST_P(UndeadFigures, AnUndeadWalksAtThePlayerOnFourFramesOfTen) {
  g.PlayerX = 100, g.PlayerY = 116;
  g.Undead[1] = Undead(200, 11);
  std::map<int, int32_t> frames = {{1, 2}, {9, 2}, {10, 3}, {20, 4}, {29, 4}, {30, 5}, {40, 5}, {41, 2}};
  for (int f = 1; f <= 41; ++f) {
    morlo3::UpdateUndead(g, 1);
    if (frames.count(f)) {
      EXPECT_EQ(g.Undead[1].Frame, frames[f]) << "frame " << f;
    }
  }
  EXPECT_EQ(g.Undead[1].X, 159);
  EXPECT_EQ(g.Undead[1].Facing, 0);  // 0 moves left
  EXPECT_EQ(g.Undead[1].Y, 116);
  EXPECT_EQ(g.Undead[1].AnimTicks, 0);
  g.PlayerX = 300;
  morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Undead[1].X, 160);
  EXPECT_EQ(g.Undead[1].Facing, 1);
}

TEST_P(UndeadFigures, OnlyAWalkingUndeadHurts) {
  g.PlayerX = 100, g.PlayerY = 116;  // body centre (112, 134)
  g.Undead[1] = Undead(142, 11);     // steps to 141: |141 - 112| = 29, |132 - 134| = 2
  g.HurtTimer = 21;
  morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Energy, 90);
  EXPECT_EQ(g.HurtTimer, 0);
  for (int32_t state : {2, 3}) {
    g.Undead[1] = Undead(112, 11, state);
    g.HurtTimer = 21;
    morlo3::UpdateUndead(g, 1);
    EXPECT_EQ(g.Energy, 90) << "state " << state;
  }
}

TEST_P(UndeadFigures, OutsideTheBossStageAKilledUndeadIsGoneAfter32Frames) {
  g.PlayerX = 200, g.PlayerY = 116;
  g.HurtTimer = 0;
  g.Undead[1] = Undead(200, 0);
  PlaceShot(1, 200 + 16, 149 - 32);  // reach 17 across, 33 down from y + 33
  morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Undead[1].Health, -1);
  EXPECT_EQ(g.Undead[1].State, 3);
  EXPECT_EQ(g.Undead[1].DeathTicks, 1);
  EXPECT_EQ(g.Undead[1].Frame, 6);
  morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.BonusActive, 1);
  EXPECT_EQ(g.BonusX, 200);
  EXPECT_EQ(g.BonusY, 116);
  EXPECT_EQ(SoundsPlayed(), std::vector<int>{morlo3::kSoundBones});
  std::map<int, int32_t> frames = {{7, 6}, {8, 7}, {16, 8}, {23, 8}, {24, 9}, {31, 9}};
  for (int t = 3; t <= 31; ++t) {
    morlo3::UpdateUndead(g, 1);
    if (frames.count(t)) {
      EXPECT_EQ(g.Undead[1].Frame, frames[t]) << "tick " << t;
    }
  }
  EXPECT_EQ(g.Undead[1].State, 3);
  morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Undead[1].State, 0);
  for (int f = 0; f < 300; ++f) morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Undead[1].State, 0);
  EXPECT_EQ(g.Undead[1].DeathTicks, 32);
  EXPECT_EQ(g.Undead[1].Frame, 9);
  EXPECT_EQ(g.RiseEffect.Active, 0);
  EXPECT_TRUE(SoundsPlayed().empty());
}

TEST_P(UndeadFigures, InTheBossStageTheDeadLie150FramesRise32GetUp21AndWalkWithFreshHealth) {
  for (int32_t difficulty : {0, 1}) {
    SCOPED_TRACE(difficulty);
    g.Difficulty = difficulty;
    g.BossStage = 1;
    g.RandSeed = 0;
    g.RiseEffect = {};
    g.PlayerX = 200, g.PlayerY = 116;
    g.HurtTimer = 0;
    g.Undead[1] = Undead(200, 0);
    PlaceShot(1, 200, 149);
    const EnemyRecord& u = g.Undead[1];
    int frame = 0;
    auto runTo = [&](int last) {
      while (frame < last) {
        morlo3::UpdateUndead(g, 1);
        ++frame;
      }
    };
    runTo(149);
    EXPECT_EQ(u.State, 3);
    EXPECT_EQ(u.DeathTicks, 149);
    EXPECT_EQ(u.Frame, 9);
    // The 150th frame of lying is the first of rising.
    runTo(150);
    EXPECT_EQ(u.State, 4);
    EXPECT_EQ(u.DeathTicks, 1);
    EXPECT_EQ(u.Frame, 9);
    EXPECT_EQ(g.RiseEffect.Active, 0);
    runTo(151);
    EXPECT_EQ(g.RiseEffect.Active, 1);
    EXPECT_EQ(g.RiseEffect.X, 195);
    EXPECT_EQ(g.RiseEffect.Y, 134);
    EXPECT_EQ(g.RiseEffect.Ticks, 0);
    // The fall played backwards.
    runTo(156);
    EXPECT_EQ(u.Frame, 9);
    runTo(157);
    EXPECT_EQ(u.Frame, 8);
    runTo(165);
    EXPECT_EQ(u.Frame, 7);
    runTo(173);
    EXPECT_EQ(u.Frame, 6);
    runTo(180);
    EXPECT_EQ(u.State, 4);
    runTo(181);
    EXPECT_EQ(u.State, 2);
    EXPECT_EQ(u.Health, difficulty == 1 ? 24 : 12);
    EXPECT_EQ(u.DeathTicks, 0);
    EXPECT_EQ(u.AnimTicks, 0);
    runTo(182);
    EXPECT_EQ(u.Frame, 1);
    runTo(201);
    EXPECT_EQ(u.State, 2);
    runTo(202);
    EXPECT_EQ(u.State, 1);
    EXPECT_EQ(u.AnimTicks, 0);
    EXPECT_EQ(u.Frame, 1);
    runTo(203);
    EXPECT_EQ(u.Frame, 2);
    EXPECT_EQ(u.X, 200);
    // One reward, at the first death; rising draws nothing.
    EXPECT_EQ(SoundsPlayed(), std::vector<int>{morlo3::kSoundBones});
    EXPECT_EQ(g.RandSeed, SeedAfter(1));
  }
}

TEST_P(UndeadFigures, AnUndeadHitWhileGettingUpStartsDyingWhenItFirstWalks) {
  g.BossStage = 1;
  g.ShotPower = 9;
  g.PlayerX = 200, g.PlayerY = 116;
  g.HurtTimer = 21;
  EnemyRecord u = Undead(200, 5, 2);
  u.AnimTicks = 0;
  g.Undead[1] = u;
  PlaceShot(1, 200, 149);
  morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Undead[1].Health, -5);
  EXPECT_EQ(g.Undead[1].State, 2);
  EXPECT_EQ(g.Undead[1].Frame, 1);
  for (int f = 2; f <= 20; ++f) morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Undead[1].State, 2);
  EXPECT_EQ(g.Energy, 100);
  // Up at last: in the same frame it touches the player and starts dying.
  morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Energy, 90);
  EXPECT_EQ(g.Undead[1].State, 3);
  EXPECT_EQ(g.Undead[1].DeathTicks, 1);
  EXPECT_EQ(g.Undead[1].Frame, 6);
}

TEST_P(UndeadFigures, AnUndeadWithNoGroundBelowStopsSearchingPastRow220) {
  g.StageMask->Clear(0);
  g.PlayerX = 200, g.PlayerY = 116;
  g.Undead[1] = Undead(200, 11);
  g.Undead[1].Y = 100;
  morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Undead[1].Y, 221);
}

TEST_P(UndeadFigures, TheDustRisesOneOrTwoPixelsAFrameForFortyFrames) {
  g.CameraX = 100, g.CameraY = 1;
  g.RiseEffect = {195, 134, 0, 1};
  // random(2) is 1 exactly when random(100) would be 50 or more: the draws
  // 0, 3, 86, 20, 27, 67, 31, 16 lift it by 1, 1, 2, 1, 1, 2, 1, 1.
  const int32_t ys[] = {133, 132, 130, 129, 128, 126, 125, 124};
  for (int32_t y : ys) {
    morlo3::UpdateRiseEffect(g);
    EXPECT_EQ(g.RiseEffect.Y, y);
  }
  EXPECT_EQ(g.RiseEffect.X, 195);
  EXPECT_EQ(g.RiseEffect.Ticks, 8);
  for (int t = 9; t <= 39; ++t) morlo3::UpdateRiseEffect(g);
  EXPECT_EQ(g.RiseEffect.Active, 1);
  const uint32_t seed = g.RandSeed;
  ClearScreen();
  const int32_t y = g.RiseEffect.Y;
  morlo3::UpdateRiseEffect(g);
  // The fortieth frame is still drawn and still drifts.
  EXPECT_TRUE(ShowsOnly(602, 184, 625, 195, 95, y - 1));
  EXPECT_EQ(g.RiseEffect.Active, 0);
  EXPECT_EQ(g.RandSeed, seed * 134775813u + 1) << "one draw for the drift";
  const uint32_t after = g.RandSeed;
  const int32_t lastY = g.RiseEffect.Y;
  ClearScreen();
  morlo3::UpdateRiseEffect(g);
  EXPECT_EQ(PaintedPixels(), 0);
  EXPECT_EQ(g.RandSeed, after);
  EXPECT_EQ(g.RiseEffect.Y, lastY);
}

TEST_P(UndeadFigures, TheDustThinsOutEveryTenFrames) {
  g.CameraX = 100, g.CameraY = 1;
  g.RiseEffect = {195, 134, 0, 1};
  struct Picture {
    int ticks, x1, y1, x2, y2;
  };
  const Picture pictures[] = {{1, 921, 172, 949, 199},
                              {9, 921, 172, 949, 199},
                              {10, 957, 181, 982, 207},
                              {20, 992, 181, 1017, 196},
                              {30, 602, 184, 625, 195}};
  int ticks = 0;
  for (const Picture& p : pictures) {
    while (ticks < p.ticks - 1) {
      morlo3::UpdateRiseEffect(g);
      ++ticks;
    }
    ClearScreen();
    const int32_t y = g.RiseEffect.Y;
    morlo3::UpdateRiseEffect(g);
    ++ticks;
    EXPECT_TRUE(ShowsOnly(p.x1, p.y1, p.x2, p.y2, 95, y - 1)) << "ticks " << p.ticks;
  }
}

TEST_P(UndeadFigures, AFallingHazardWrapsBelow820ToANewRandomColumn) {
  g.PlayerX = 600, g.PlayerY = 100;  // far away: hazards have no range test
  g.FallingHazards[1].X = 100, g.FallingHazards[1].Y = 818;
  g.FallingHazards[2].X = 150, g.FallingHazards[2].Y = 819;
  morlo3::UpdateFallingHazards(g, 2);
  EXPECT_EQ(g.FallingHazards[1].X, 100);
  EXPECT_EQ(g.FallingHazards[1].Y, 820);
  // The first draw from seed 1 is 0: column 20.
  EXPECT_EQ(g.FallingHazards[2].X, 20);
  EXPECT_EQ(g.FallingHazards[2].Y, -20);
  morlo3::UpdateFallingHazards(g, 2);
  // Seed 134775814: 134775814 x 280 / 2^32 = 8.79, column 28.
  EXPECT_EQ(g.FallingHazards[1].X, 28);
  EXPECT_EQ(g.FallingHazards[1].Y, -20);
  EXPECT_EQ(g.FallingHazards[2].Y, -18);
}

TEST_P(UndeadFigures, AFallingHazardHurtsTwentyAndLetsShotsThrough) {
  g.FallingHazards[1].X = 100, g.FallingHazards[1].Y = 300;
  g.PlayerX = 110, g.PlayerY = 296;  // after the fall: |122 - 122| = 0, |316 - 314| = 2
  g.HurtTimer = 21;
  PlaceShot(1, 110, 316);
  morlo3::UpdateFallingHazards(g, 1);
  EXPECT_EQ(g.Energy, 80);
  EXPECT_EQ(g.HurtTimer, 0);
  EXPECT_EQ(g.PlayerShots[1].Y, 316);
  // 34 to the side is out of reach, 33 is in.
  g.HurtTimer = 21;
  g.PlayerX = 144, g.PlayerY = 298;
  morlo3::UpdateFallingHazards(g, 1);
  EXPECT_EQ(g.Energy, 80);
  g.PlayerX = 143, g.PlayerY = 300;
  morlo3::UpdateFallingHazards(g, 1);
  EXPECT_EQ(g.Energy, 60);
  g.HurtTimer = 20;
  g.PlayerY = 302;
  morlo3::UpdateFallingHazards(g, 1);
  EXPECT_EQ(g.Energy, 60);
}

INSTANTIATE_TEST_SUITE_P(Depths, UndeadFigures, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
