// Walkers, throwers and bats on a stage with ground from row 150: patrol,
// hits, contact, dying and the rules all kinds share. A figure at rest stands
// one pixel above the ground: walkers at y 111 (test point y + 38), throwers
// at 105 (y + 44), undead at 116 (y + 33).
#include "morlo3/enemies.h"
#include "figure_fixture.h"
#include "morlo3/sorcerer.h"

namespace kestrel::testing {
namespace {

using morlo3::EnemyRecord;
using morlo3::kFreeShot;

EnemyRecord Walker(int32_t x, int32_t y, int32_t health) {
  EnemyRecord e;
  e.X = x, e.Y = y, e.Health = health, e.State = 1, e.Frame = 1;
  e.PatrolMin = x - 50, e.PatrolMax = x + 50;
  return e;
}

using Enemies = FigureTest;

TEST_P(Enemies, APatrolTurnsAtBothEndsWithoutAPause) {
  g.PlayerX = 400, g.PlayerY = 0;
  EnemyRecord w = Walker(100, 111, 6);
  w.PatrolMin = 98, w.PatrolMax = 102;
  g.Walkers[1] = w;
  // Reaching the right end it steps back in the same frame; at the left end
  // it rests on PatrolMin for one frame.
  const int32_t xs[] = {101, 101, 100, 99, 98, 99, 100};
  const int32_t facings[] = {0, 1, 1, 1, 1, 0, 0};
  for (int f = 0; f < 7; ++f) {
    morlo3::UpdateWalkers(g, 1);
    EXPECT_EQ(g.Walkers[1].X, xs[f]) << "frame " << f + 1;
    EXPECT_EQ(g.Walkers[1].Facing, facings[f]) << "frame " << f + 1;
    EXPECT_EQ(g.Walkers[1].Y, 111);
  }
}

TEST_P(Enemies, AWalkersClockShowsFourFramesOfTenAndWrapsAfter39) {
  g.PlayerX = 400, g.PlayerY = 0;
  g.Walkers[1] = Walker(300, 111, 6);
  std::map<int, int32_t> expected = {{1, 1}, {9, 1}, {10, 2}, {19, 2}, {20, 3}, {30, 4}, {39, 4}, {40, 1}};
  for (int f = 1; f <= 40; ++f) {
    morlo3::UpdateWalkers(g, 1);
    if (expected.count(f)) {
      EXPECT_EQ(g.Walkers[1].Frame, expected[f]) << "frame " << f;
    }
  }
  EXPECT_EQ(g.Walkers[1].AnimTicks, 0);
  EXPECT_EQ(g.Walkers[1].X, 340);
}

TEST_P(Enemies, EachKindSettlesOnTheGroundUnderItsOwnTestPoint) {
  // Ground only in column 111; everything else is open to the bottom.
  g.StageMask->Clear(0);
  PaintMask(111, 150, 111, 199, g.MaskGround);
  g.PlayerX = 100, g.PlayerY = 0;
  EnemyRecord w = Walker(100, -20, 6);
  w.PatrolMin = w.PatrolMax = 100;
  g.Walkers[1] = w;
  EnemyRecord t = Walker(111, -20, 10);
  t.PatrolMin = t.PatrolMax = 111;
  g.Throwers[1] = t;
  EnemyRecord u = Walker(100, -20, 10);
  g.Undead[1] = u;
  morlo3::UpdateWalkers(g, 1);
  morlo3::UpdateThrowers(g, 1);
  morlo3::UpdateUndead(g, 1);
  EXPECT_EQ(g.Walkers[1].Y, 111);   // (x + 11, y + 38)
  EXPECT_EQ(g.Throwers[1].Y, 105);  // (x, y + 44)
  EXPECT_EQ(g.Undead[1].Y, 116);    // (x + 11, y + 33)
}

TEST_P(Enemies, AFigureOutOfRangeStandsStillIsNotHitAndIsStillDrawn) {
  g.PlayerX = 100, g.PlayerY = 100;
  // 320 pixels from the player, in mid-air: not even the ground search runs.
  g.Walkers[1] = Walker(420, 20, 5);
  g.Throwers[1] = Walker(420, 20, 5);
  g.Undead[1] = Walker(420, 20, 5);
  EnemyRecord bat;
  bat.X = 420, bat.Y = 20, bat.Health = 5, bat.HalfWidth = 37, bat.Frame = 1;
  g.Bats[1] = bat;
  PlaceShot(1, 420, 39);  // on the walker and the bat
  PlaceShot(2, 420, 43);  // on the thrower
  PlaceShot(3, 420, 53);  // on the undead
  morlo3::UpdateWalkers(g, 1);
  morlo3::UpdateThrowers(g, 1);
  morlo3::UpdateBats(g, 1);
  morlo3::UpdateUndead(g, 1);
  for (const EnemyRecord* e : {&g.Walkers[1], &g.Throwers[1], &g.Bats[1], &g.Undead[1]}) {
    EXPECT_EQ(e->X, 420);
    EXPECT_EQ(e->Y, 20);
    EXPECT_EQ(e->Health, 5);
    EXPECT_EQ(e->AnimTicks, 0);
  }
  for (int s = 1; s <= 3; ++s) EXPECT_NE(g.PlayerShots[s].Y, kFreeShot);
  // An idle thrower draws no random number.
  EXPECT_EQ(g.RandSeed, 0u);

  g.CameraX = 300;
  ClearScreen();
  morlo3::DrawWalkers(g, 1);
  EXPECT_TRUE(ShowsOnly(813, 122, 838, 161, 420 - 13 - 300, 20));

  // One pixel nearer, they wake.
  FreeAllShots();
  g.PlayerX = 101;
  morlo3::UpdateWalkers(g, 1);
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Walkers[1].X, 421);
  EXPECT_EQ(g.Throwers[1].X, 421);
  EXPECT_EQ(g.RandSeed, SeedAfter(1));
}

TEST_P(Enemies, AShotOverlappingTwoFiguresIsSpentOnTheFirstSlot) {
  g.PlayerX = 400, g.PlayerY = 0;
  g.ShotPower = 2;
  for (int i : {1, 2}) {
    EnemyRecord w = Walker(100, 111, 6);
    w.PatrolMin = w.PatrolMax = 100;
    g.Walkers[i] = w;
  }
  PlaceShot(7, 100, 130);
  morlo3::UpdateWalkers(g, 2);
  EXPECT_EQ(g.Walkers[1].Health, 3);
  EXPECT_EQ(g.Walkers[2].Health, 6);
  EXPECT_EQ(g.PlayerShots[7].Y, kFreeShot);
  // Several shots land in one frame, all on the first figure they reach.
  PlaceShot(3, 100 + 12, 130 - 18);
  PlaceShot(15, 100 - 12, 130 + 18);
  PlaceShot(4, 100 + 13, 130);  // just out of reach
  morlo3::UpdateWalkers(g, 2);
  EXPECT_EQ(g.Walkers[1].Health, -3);
  EXPECT_EQ(g.Walkers[1].State, 2);
  EXPECT_EQ(g.Walkers[2].Health, 6);
  EXPECT_EQ(g.PlayerShots[3].Y, kFreeShot);
  EXPECT_EQ(g.PlayerShots[15].Y, kFreeShot);
  EXPECT_EQ(g.PlayerShots[4].Y, 130);
}

TEST_P(Enemies, AWalkerTouchingThePlayerCostsTenOnceHurtTimerIsPast20) {
  g.PlayerX = 100, g.PlayerY = 100;  // body centre (112, 118)
  EnemyRecord w = Walker(137, 111, 6);
  w.PatrolMin = w.PatrolMax = 137;  // |137 - 112| = 25, |130 - 118| = 12
  g.Walkers[1] = w;
  g.HurtTimer = 20;
  morlo3::UpdateWalkers(g, 1);
  EXPECT_EQ(g.Energy, 100);
  g.HurtTimer = 21;
  morlo3::UpdateWalkers(g, 1);
  EXPECT_EQ(g.Energy, 90);
  EXPECT_EQ(g.HurtTimer, 0);
  g.Walkers[1].X = g.Walkers[1].PatrolMin = g.Walkers[1].PatrolMax = 138;
  g.HurtTimer = 21;
  morlo3::UpdateWalkers(g, 1);
  EXPECT_EQ(g.Energy, 90);
}

TEST_P(Enemies, AKilledWalkerDiesOverFortyFramesRewardsOnceAndKeepsCounting) {
  g.PlayerX = 400, g.PlayerY = 0;
  EnemyRecord w = Walker(100, 111, 0);
  w.PatrolDir = 1;
  g.Walkers[1] = w;
  // A bonus left lying is replaced by the new one.
  g.BonusActive = 1, g.BonusKind = 3, g.BonusX = 5, g.BonusY = 5;
  PlaceShot(1, 99, 130);  // where it stands after this frame's step left
  morlo3::UpdateWalkers(g, 1);
  EXPECT_EQ(g.Walkers[1].X, 99);
  EXPECT_EQ(g.Walkers[1].Health, -1);
  EXPECT_EQ(g.Walkers[1].State, 2);
  EXPECT_EQ(g.Walkers[1].DeathTicks, 1);
  EXPECT_EQ(g.Walkers[1].Frame, 5);
  EXPECT_EQ(g.BonusX, 5);
  EXPECT_TRUE(SoundsPlayed().empty());

  // A dying walker neither stops shots nor hurts.
  g.PlayerX = 87, g.PlayerY = 111;
  g.HurtTimer = 21;
  PlaceShot(2, 99, 130);
  morlo3::UpdateWalkers(g, 1);
  EXPECT_EQ(g.Walkers[1].DeathTicks, 2);
  EXPECT_EQ(g.BonusActive, 1);
  EXPECT_EQ(g.BonusX, 99);
  EXPECT_EQ(g.BonusY, 111);
  EXPECT_EQ(g.BonusKind, 0);  // the first draw, 0
  EXPECT_EQ(SoundsPlayed(), std::vector<int>{morlo3::kSoundWalkerDies});
  EXPECT_EQ(g.PlayerShots[2].Y, 130);
  EXPECT_EQ(g.Energy, 100);

  std::map<int, int32_t> frames = {{7, 5}, {8, 6}, {15, 6}, {16, 7}, {24, 8}, {31, 8}, {32, 9}, {39, 9}};
  for (int t = 3; t <= 39; ++t) {
    morlo3::UpdateWalkers(g, 1);
    if (frames.count(t)) {
      EXPECT_EQ(g.Walkers[1].Frame, frames[t]) << "tick " << t;
    }
    ASSERT_EQ(g.Walkers[1].State, 2);
  }
  morlo3::UpdateWalkers(g, 1);
  EXPECT_EQ(g.Walkers[1].State, 0);
  // Its health sets it dying again every frame; it counts on, on frame 9.
  for (int t = 41; t <= 300; ++t) morlo3::UpdateWalkers(g, 1);
  EXPECT_EQ(g.Walkers[1].DeathTicks, 300);
  EXPECT_EQ(g.Walkers[1].Frame, 9);
  EXPECT_EQ(g.Walkers[1].X, 99);
  EXPECT_TRUE(SoundsPlayed().empty());
  EXPECT_EQ(g.RandSeed, SeedAfter(1));
}

TEST_P(Enemies, AThrowStartedAtThePatrolEndFliesTheWayItLastWalked) {
  g.PlayerX = 400, g.PlayerY = 0;
  EnemyRecord t = Walker(151, 105, 10);
  t.PatrolMin = 150, t.PatrolMax = 300, t.PatrolDir = 1, t.AnimTicks = 5;
  g.Throwers[1] = t;
  for (auto& s : g.EnemyShots) s = {0, kFreeShot, 0};
  g.EnemyShotCursor = 9;

  // The first draw is 0: it steps onto the left end and turns its patrol,
  // still facing left.
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Throwers[1].X, 150);
  EXPECT_EQ(g.Throwers[1].PatrolDir, 0);
  EXPECT_EQ(g.Throwers[1].Facing, 1);
  EXPECT_EQ(g.Throwers[1].Frame, 1);

  // A roll of 99 starts the throw.
  SetNextDraw(0xFFFFFFFFu);
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Throwers[1].Roll, 99);
  EXPECT_EQ(g.Throwers[1].State, 2);
  EXPECT_EQ(g.Throwers[1].AnimTicks, 1);
  EXPECT_EQ(g.Throwers[1].Frame, 5);
  for (int f = 3; f <= 10; ++f) morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.EnemyShots[9].Y, kFreeShot);
  EXPECT_EQ(g.Throwers[1].Frame, 5);

  // The tenth frame of the throw lets go, from the hand at y + 20.
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Throwers[1].Frame, 6);
  EXPECT_EQ(g.EnemyShots[9].X, 150);
  EXPECT_EQ(g.EnemyShots[9].Y, 125);
  EXPECT_EQ(g.EnemyShots[9].DX, -3);
  EXPECT_EQ(g.EnemyShotCursor, 1);

  for (int f = 12; f <= 21; ++f) morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Throwers[1].State, 2);
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Throwers[1].State, 1);
  EXPECT_EQ(g.Throwers[1].AnimTicks, 21);
  EXPECT_EQ(g.Throwers[1].X, 150);
  // The walk clock carries on from 21, and the patrol turns it round.
  g.RandSeed = 0;
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Throwers[1].Frame, 3);
  EXPECT_EQ(g.Throwers[1].X, 151);
  EXPECT_EQ(g.Throwers[1].Facing, 0);
  // One missile only.
  for (int s = 1; s <= 8; ++s) EXPECT_EQ(g.EnemyShots[s].Y, kFreeShot);

  // Walking right, it throws right.
  g.Throwers[1] = Walker(200, 105, 10);
  SetNextDraw(0xFFFFFFFFu);
  for (int f = 1; f <= 10; ++f) morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.EnemyShots[1].DX, 3);
  EXPECT_EQ(g.EnemyShots[1].X, 200);
  EXPECT_EQ(g.EnemyShotCursor, 2);
}

TEST_P(Enemies, ADyingThrowerStillStopsShotsAndHurtsUntilItIsGone) {
  g.PlayerX = 188, g.PlayerY = 110;  // body centre (200, 128), on the thrower
  EnemyRecord t = Walker(200, 105, 0);
  t.PatrolMin = t.PatrolMax = 200;
  g.Throwers[1] = t;
  g.HurtTimer = 0;
  PlaceShot(1, 200, 128);
  // Draw 1 (0) is this frame's roll.
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Throwers[1].Health, -1);
  EXPECT_EQ(g.Throwers[1].State, 3);
  EXPECT_EQ(g.Throwers[1].DeathTicks, 1);
  EXPECT_EQ(g.Throwers[1].Frame, 7);
  EXPECT_EQ(g.PlayerShots[1].Y, kFreeShot);

  // Draw 2 (3) is the roll, draw 3 (86) the bonus: shot power.
  g.HurtTimer = 21;
  PlaceShot(2, 200, 128);
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Throwers[1].Roll, 3);
  EXPECT_EQ(g.Throwers[1].Health, -2);
  EXPECT_EQ(g.PlayerShots[2].Y, kFreeShot);
  EXPECT_EQ(g.Energy, 90);
  EXPECT_EQ(g.HurtTimer, 0);
  EXPECT_EQ(g.BonusKind, 2);
  EXPECT_EQ(g.BonusX, 200);
  EXPECT_EQ(g.BonusY, 105);
  EXPECT_EQ(SoundsPlayed(), std::vector<int>{morlo3::kSoundBones});

  std::map<int, int32_t> frames = {{7, 7}, {8, 8}, {16, 9}, {23, 9}, {24, 10}, {31, 10}};
  for (int tick = 3; tick <= 31; ++tick) {
    morlo3::UpdateThrowers(g, 1);
    if (frames.count(tick)) {
      EXPECT_EQ(g.Throwers[1].Frame, frames[tick]) << "tick " << tick;
    }
  }
  EXPECT_EQ(g.Throwers[1].State, 3);
  g.HurtTimer = 21;
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.Energy, 80);  // still hurts on its last frame
  EXPECT_EQ(g.Throwers[1].State, 0);
  EXPECT_EQ(g.Throwers[1].Frame, 10);
  EXPECT_EQ(g.RandSeed, SeedAfter(33));

  // Gone: no rolls, shots pass, no harm.
  g.HurtTimer = 21;
  PlaceShot(3, 200, 128);
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.RandSeed, SeedAfter(33));
  EXPECT_EQ(g.PlayerShots[3].Y, 128);
  EXPECT_EQ(g.Energy, 80);
  EXPECT_TRUE(SoundsPlayed().empty());
}

TEST_P(Enemies, ABatFlapsAndFollowsThePlayerDroppingOnlyWhenClose) {
  g.PlayerX = 100, g.PlayerY = 100;  // it aims its left wing tip at x 84
  EnemyRecord bat;
  bat.X = 300, bat.Y = 50, bat.Health = 7, bat.HalfWidth = 37;
  g.Bats[1] = bat;
  std::map<int, std::pair<int32_t, int32_t>> wings = {{1, {37, 1}},  {9, {37, 1}},  {10, {25, 2}},
                                                      {20, {17, 3}}, {30, {17, 3}}, {31, {37, 1}}};
  for (int f = 1; f <= 31; ++f) {
    morlo3::UpdateBats(g, 1);
    if (wings.count(f)) {
      EXPECT_EQ(g.Bats[1].HalfWidth, wings[f].first) << "frame " << f;
      EXPECT_EQ(g.Bats[1].Frame, wings[f].second) << "frame " << f;
    }
  }
  EXPECT_EQ(g.Bats[1].X, 269);
  EXPECT_EQ(g.Bats[1].Y, 50);
  EXPECT_EQ(g.Bats[1].Facing, 1);

  // Within 50 pixels it also closes in on the player's height less 10.
  bat.X = 130, bat.AnimTicks = 0;
  g.Bats[1] = bat;
  for (int f = 1; f <= 9; ++f) morlo3::UpdateBats(g, 1);
  EXPECT_EQ(g.Bats[1].X, 121);  // 121 - 37 = 84: it holds
  EXPECT_EQ(g.Bats[1].Y, 59);
  morlo3::UpdateBats(g, 1);  // narrower wings: on again
  EXPECT_EQ(g.Bats[1].X, 120);
  EXPECT_EQ(g.Bats[1].Y, 60);

  bat.X = 50, bat.Y = 95, bat.AnimTicks = 0, bat.Facing = 1;
  g.Bats[1] = bat;
  morlo3::UpdateBats(g, 1);
  EXPECT_EQ(g.Bats[1].X, 51);
  EXPECT_EQ(g.Bats[1].Facing, 0);
  EXPECT_EQ(g.Bats[1].Y, 94);
}

TEST_P(Enemies, ABatsReachIsItsHalfWingSpan) {
  g.PlayerX = 100, g.PlayerY = 100;
  EnemyRecord bat;
  bat.X = 301, bat.Y = 50, bat.Health = 7;
  g.Bats[1] = bat;
  PlaceShot(1, 300 - 36, 69);  // the bat moves to 300 first
  morlo3::UpdateBats(g, 1);
  EXPECT_EQ(g.Bats[1].Health, 6);
  EXPECT_EQ(g.PlayerShots[1].Y, kFreeShot);

  g.Bats[1].AnimTicks = 9;  // next frame: half-width 25, x 299
  PlaceShot(1, 299 - 25, 69);
  PlaceShot(2, 299 + 24, 69 + 18);
  morlo3::UpdateBats(g, 1);
  EXPECT_EQ(g.Bats[1].Health, 5);
  EXPECT_EQ(g.PlayerShots[1].Y, 69);
  EXPECT_EQ(g.PlayerShots[2].Y, kFreeShot);

  // Contact reaches half-width + 12 across and 34 down from y + 16.
  bat.X = 112 + 48 + 1, bat.Y = 102, bat.AnimTicks = 0;
  g.Bats[1] = bat;  // moves to 160: |160 - 112| = 48 < 49, and stays at y 102
  g.HurtTimer = 21;
  morlo3::UpdateBats(g, 1);
  EXPECT_EQ(g.Energy, 90);
  EXPECT_EQ(g.HurtTimer, 0);
}

TEST_P(Enemies, AShotBatDiesOnceFallsTwoAFrameAndLiesOnTheGround) {
  g.PlayerX = 100, g.PlayerY = 100;
  EnemyRecord bat;
  bat.X = 300, bat.Y = 50, bat.Health = 0, bat.Facing = 0;
  g.Bats[1] = bat;
  PlaceShot(1, 299, 69);
  morlo3::UpdateBats(g, 1);
  EXPECT_EQ(g.Bats[1].Health, -10);
  EXPECT_EQ(g.Bats[1].Frame, 4);
  EXPECT_EQ(g.Bats[1].Y, 52);
  EXPECT_EQ(g.BonusActive, 1);
  EXPECT_EQ(g.BonusX, 299);
  EXPECT_EQ(g.BonusY, 50);
  EXPECT_EQ(SoundsPlayed(), std::vector<int>{morlo3::kSoundBatDies});

  // It falls out of range too, and a falling bat harms no one.
  g.PlayerX = 299 - 320, g.PlayerY = 52;
  g.HurtTimer = 21;
  for (int f = 2; f <= 33; ++f) morlo3::UpdateBats(g, 1);
  EXPECT_EQ(g.Bats[1].Y, 116);
  EXPECT_EQ(g.Bats[1].Frame, 4);
  morlo3::UpdateBats(g, 1);  // its test point y + 35 is now in the ground
  EXPECT_EQ(g.Bats[1].Y, 116);
  EXPECT_EQ(g.Bats[1].Frame, 5);
  for (int f = 0; f < 50; ++f) morlo3::UpdateBats(g, 1);
  EXPECT_EQ(g.Bats[1].Y, 116);
  EXPECT_EQ(g.Bats[1].X, 299);
  EXPECT_EQ(g.Energy, 100);
  EXPECT_TRUE(SoundsPlayed().empty());
  EXPECT_EQ(g.RandSeed, SeedAfter(1));
}

TEST_P(Enemies, ABatHitToExactlyMinusTenDiesWithNoRewardAndNoCry) {
  g.PlayerX = 100, g.PlayerY = 100;
  g.ShotPower = 9;
  EnemyRecord bat;
  bat.X = 300, bat.Y = 50, bat.Health = 0;
  g.Bats[1] = bat;
  PlaceShot(1, 299, 69);
  morlo3::UpdateBats(g, 1);
  EXPECT_EQ(g.Bats[1].Health, -10);
  EXPECT_EQ(g.Bats[1].Frame, 4);
  EXPECT_EQ(g.Bats[1].Y, 52);
  EXPECT_EQ(g.BonusActive, 0);
  EXPECT_EQ(g.RandSeed, 0u);
  EXPECT_TRUE(SoundsPlayed().empty());
}

TEST_P(Enemies, EveryKindRewardsItsDeathAndCriesOnlyWithSoundOn) {
  for (int32_t soundOn : {0, 1}) {
    SCOPED_TRACE(soundOn);
    g.SoundOn = soundOn;
    g.RandSeed = 0;
    g.PlayerX = 100, g.PlayerY = 0;
    g.Walkers[1] = Walker(300, 111, -1);
    g.Throwers[1] = Walker(300, 105, -1);
    g.Undead[1] = Walker(300, 116, -1);
    EnemyRecord bat;
    bat.X = 300, bat.Y = 50, bat.Health = -1;
    g.Bats[1] = bat;
    g.BonusActive = 0;
    // The bat's reward comes in the frame it dies, the others' a frame on.
    morlo3::UpdateWalkers(g, 1);
    morlo3::UpdateBats(g, 1);
    morlo3::UpdateThrowers(g, 1);
    morlo3::UpdateUndead(g, 1);
    EXPECT_EQ(g.BonusActive, 1);
    const std::vector<int> none;
    EXPECT_EQ(SoundsPlayed(), soundOn ? std::vector<int>{3} : none);
    morlo3::UpdateWalkers(g, 1);
    morlo3::UpdateBats(g, 1);
    morlo3::UpdateThrowers(g, 1);
    morlo3::UpdateUndead(g, 1);
    EXPECT_EQ(SoundsPlayed(), soundOn ? std::vector<int>({6, 7, 7}) : none);
    // Bat, thrower roll, walker, thrower roll, thrower, undead.
    EXPECT_EQ(g.RandSeed, SeedAfter(6));
  }
}

TEST_P(Enemies, ACountBelowOneTouchesNothing) {
  g.Walkers[1] = Walker(100, 20, -1);
  g.Throwers[1] = Walker(100, 20, 5);
  g.FallingHazards[1].Y = 900;
  const morlo3::EnemyRecord before = g.Walkers[1];
  morlo3::UpdateWalkers(g, 0);
  morlo3::UpdateThrowers(g, -1);
  morlo3::UpdateFallingHazards(g, 0);
  EXPECT_EQ(g.Walkers[1].State, before.State);
  EXPECT_EQ(g.Walkers[1].DeathTicks, 0);
  EXPECT_EQ(g.FallingHazards[1].Y, 900);
  EXPECT_EQ(g.RandSeed, 0u);
  ClearScreen();
  morlo3::DrawWalkers(g, 0);
  morlo3::DrawThrowers(g, 0);
  EXPECT_EQ(PaintedPixels(), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, Enemies, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
