// RirEza: his glide, his four modes, contact and hits, and the homing bolt.
#include "morlo3/sorcerer.h"
#include "figure_fixture.h"

namespace kestrel::testing {
namespace {

using morlo3::kFreeShot;

class Sorcerer : public FigureTest {
 protected:
  // Hovering at (x, y) with that as his target, in `mode`.
  void Place(int32_t x, int32_t y, int32_t mode) {
    g.SorcererX = g.SorcererTargetX = x;
    g.SorcererY = g.SorcererTargetY = y;
    g.SorcererMode = mode;
    g.CastTicks = 0;
  }
};

TEST_P(Sorcerer, HeTurnsToThePlayerAndKeepsHisFacingWhenLevel) {
  Place(400, 10, 3);
  g.CastTicks = 5;
  g.PlayerX = 423;
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererFacing, 1);
  g.PlayerX = 422;
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererFacing, 1);
  g.PlayerX = 421;
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererFacing, 0);
  g.PlayerX = 422;
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererFacing, 0);
}

TEST_P(Sorcerer, KeepingAwayHeGlidesToTheTopBesideThePlayerAndStopsShort) {
  g.PlayerX = 300, g.PlayerY = 116;
  Place(700, 100, 1);
  g.SorcererTargetX = 400, g.SorcererTargetY = 5;
  // An eighth of 95 up, a fifteenth of 300 across.
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererX, 680);
  EXPECT_EQ(g.SorcererY, 89);
  EXPECT_EQ(g.SorcererPose, 2);
  EXPECT_EQ(g.SorcererFacing, 0);
  EXPECT_EQ(g.SorcererTargetX, 400);  // 100 to the player's right
  EXPECT_EQ(g.SorcererTargetY, 5);
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererX, 662);
  EXPECT_EQ(g.SorcererY, 79);
  // The first 56 draws from a fresh seed are all below 98.
  for (int f = 3; f <= 56; ++f) morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererMode, 1);
  // A step of d / 8 is 0 once d is below 8, and d / 15 once below 15.
  EXPECT_EQ(g.SorcererY, 12);
  EXPECT_EQ(g.SorcererX, 414);
  EXPECT_EQ(g.SorcererPose, 1);
  // The 57th draw is 99.
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererMode, 0);

  // With the player to his right he hangs 100 to the player's left.
  Place(100, 5, 1);
  g.SorcererTargetX = 400;
  g.PlayerX = 500;
  g.RandSeed = 0;
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererX, 120);
  EXPECT_EQ(g.SorcererY, 5);
  EXPECT_EQ(g.SorcererPose, 3);
  EXPECT_EQ(g.SorcererFacing, 1);
  EXPECT_EQ(g.SorcererTargetX, 400);
}

TEST_P(Sorcerer, ChoosingToCastCastsAtOnceAndTheCastLasts101Frames) {
  g.PlayerX = 300, g.PlayerY = 116;
  Place(400, 10, 1);
  SetNextDraw(0xFFFFFFFFu);  // random(100) = 99
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererMode, 0);
  EXPECT_EQ(g.SorcererTargetY, 5);
  EXPECT_FALSE(g.BoltActive);
  // The next seed, 2^32 - 134775812, is above 2^31: random(2) = 1, a cast.
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererMode, 3);
  EXPECT_EQ(g.SorcererPose, 4);
  EXPECT_EQ(g.CastTicks, 1);
  EXPECT_EQ(g.BoltActive, 1);
  EXPECT_EQ(g.BoltState, 1);
  EXPECT_EQ(g.BoltTicks, 0);
  EXPECT_EQ(g.BoltX, g.SorcererX);
  EXPECT_EQ(g.BoltY, g.SorcererY);
  EXPECT_EQ(g.BoltTargetX, 312);
  EXPECT_EQ(g.BoltTargetY, 138);
  EXPECT_EQ(SoundsPlayed(), std::vector<int>{morlo3::kSoundCast});

  const uint32_t seed = g.RandSeed;
  g.BoltX = -1234;  // a second cast would move it
  for (int f = 3; f <= 101; ++f) morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererMode, 3);
  EXPECT_EQ(g.CastTicks, 100);
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererMode, 1);
  EXPECT_EQ(g.CastTicks, 0);
  EXPECT_EQ(g.BoltX, -1234);
  EXPECT_TRUE(SoundsPlayed().empty());
  // Casting draws nothing.
  EXPECT_EQ(g.RandSeed, seed);

  g.SoundOn = 0;
  g.BoltActive = 0;
  Place(400, 10, 3);
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.BoltActive, 1);
  EXPECT_TRUE(SoundsPlayed().empty());
}

TEST_P(Sorcerer, ASwoopEndsWithin20PixelsOfThePlayersColumn) {
  g.PlayerX = 300, g.PlayerY = 116;
  Place(400, 10, 0);
  SetNextDraw(0);  // random(2) = 0, a swoop
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererMode, 2);
  EXPECT_EQ(g.SorcererTargetX, 300);
  EXPECT_EQ(g.SorcererTargetY, 66);
  const uint32_t seed = g.RandSeed;
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererX, 394);  // 400 - 100 / 15
  EXPECT_EQ(g.SorcererY, 17);   // 10 + 56 / 8
  int frame = 2;
  while (g.SorcererMode == 2 && frame < 100) {
    morlo3::UpdateSorcerer(g);
    ++frame;
  }
  // Near the end he closes one pixel a frame: he breaks off at 19 short.
  EXPECT_EQ(frame, 31);
  EXPECT_EQ(g.SorcererMode, 1);
  EXPECT_EQ(g.SorcererX, 319);
  EXPECT_EQ(g.SorcererY, 59);
  EXPECT_EQ(g.RandSeed, seed);
}

TEST_P(Sorcerer, AHitCostsShotPowerPlusOneAndBreaksOffASwoop) {
  g.PlayerX = 100, g.PlayerY = 116;
  Place(400, 10, 2);
  // Reach 22 across from x + 20 and 50 down from y + 49.
  PlaceShot(1, 420, 59);
  PlaceShot(2, 441, 108);
  PlaceShot(3, 442, 59);
  PlaceShot(4, 420, 109);
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.SorcererHealth, 98);
  EXPECT_EQ(g.PlayerShots[1].Y, kFreeShot);
  EXPECT_EQ(g.PlayerShots[2].Y, kFreeShot);
  EXPECT_EQ(g.PlayerShots[3].Y, 59);
  EXPECT_EQ(g.PlayerShots[4].Y, 109);
  EXPECT_EQ(g.SorcererMode, 1);
}

TEST_P(Sorcerer, AtHardDifficultyHeTakesTwiceTheHits) {
  g.PlayerX = 100, g.PlayerY = 116;
  g.ShotPower = 9;
  for (int32_t health : {100, 200}) {
    SCOPED_TRACE(health);
    Place(400, 10, 3);
    g.CastTicks = 5;
    g.SorcererHealth = health;
    int hits = 0;
    while (g.SorcererHealth >= 0 && hits < 100) {
      PlaceShot(1, 420, 59);
      morlo3::UpdateSorcerer(g);
      ++hits;
    }
    EXPECT_EQ(hits, health / 10 + 1);
    EXPECT_EQ(g.SorcererHealth, -10);
  }
}

TEST_P(Sorcerer, TouchingHimCostsTwenty) {
  Place(700, 10, 3);
  g.CastTicks = 5;
  g.PlayerX = 708, g.PlayerY = 100;  // |720 - 720| = 0, |59 - 118| = 59
  g.HurtTimer = 20;
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.Energy, 100);
  g.HurtTimer = 21;
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.Energy, 80);
  EXPECT_EQ(g.HurtTimer, 0);
  g.HurtTimer = 21;
  g.PlayerY = 109;  // |59 - 127| = 68
  morlo3::UpdateSorcerer(g);
  EXPECT_EQ(g.Energy, 80);
}

TEST_P(Sorcerer, TheBoltFliesAtWhereThePlayerWasAndBurstsThere) {
  g.PlayerX = 300, g.PlayerY = 116;
  Place(400, 10, 3);
  morlo3::UpdateSorcerer(g);
  ASSERT_EQ(g.BoltTargetX, 312);
  ASSERT_EQ(g.BoltTargetY, 138);
  g.PlayerX = 600;
  g.HurtTimer = 21;
  // Three pixels a frame on each axis: across 102 to go, down 114.
  for (int n = 1; n <= 33; ++n) morlo3::UpdateBolt(g);
  EXPECT_EQ(g.BoltX, 301);
  EXPECT_EQ(g.BoltY, 109);
  morlo3::UpdateBolt(g);
  EXPECT_EQ(g.BoltX, 298);  // on the target's column: it holds there
  EXPECT_EQ(g.BoltY, 112);
  morlo3::UpdateBolt(g);
  morlo3::UpdateBolt(g);
  EXPECT_EQ(g.BoltX, 298);
  EXPECT_EQ(g.BoltY, 118);
  EXPECT_EQ(g.BoltState, 1);
  EXPECT_EQ(g.BoltTicks, 4);
  // 3 above the target row is near enough.
  morlo3::UpdateBolt(g);
  EXPECT_EQ(g.BoltY, 121);
  EXPECT_EQ(g.BoltState, 2);
  EXPECT_EQ(g.BoltTicks, 3);
  for (int n = 38; n <= 62; ++n) morlo3::UpdateBolt(g);
  EXPECT_EQ(g.BoltTicks, 28);
  EXPECT_EQ(g.BoltActive, 1);
  morlo3::UpdateBolt(g);
  EXPECT_EQ(g.BoltActive, 0);
  EXPECT_EQ(g.Energy, 100);
  morlo3::UpdateBolt(g);
  EXPECT_EQ(g.BoltTicks, 29);
  EXPECT_EQ(g.BoltX, 298);
}

TEST_P(Sorcerer, TheBoltHurtsOnceHurtTimerIsPast15) {
  g.PlayerX = 300, g.PlayerY = 100;  // body centre (312, 118)
  g.BoltActive = 1, g.BoltState = 1, g.BoltTicks = 0;
  g.BoltX = 300, g.BoltY = 100;
  g.BoltTargetX = 0, g.BoltTargetY = 0;
  g.HurtTimer = 15;
  morlo3::UpdateBolt(g);  // (297, 97): |311 - 312| = 1, |111 - 118| = 7
  EXPECT_EQ(g.Energy, 100);
  EXPECT_EQ(g.BoltState, 1);
  g.HurtTimer = 16;
  morlo3::UpdateBolt(g);
  EXPECT_EQ(g.BoltX, 294);
  EXPECT_EQ(g.Energy, 85);
  EXPECT_EQ(g.HurtTimer, 0);
  EXPECT_EQ(g.BoltState, 2);
  EXPECT_EQ(g.BoltTicks, 3);
  // Bursting, it hurts no more.
  g.HurtTimer = 21;
  morlo3::UpdateBolt(g);
  EXPECT_EQ(g.Energy, 85);
  EXPECT_EQ(g.BoltX, 294);
}

TEST_P(Sorcerer, HisPicturesByPoseAndFacing) {
  g.CameraX = 300, g.CameraY = 1;
  g.SorcererX = 400, g.SorcererY = 10;
  struct Picture {
    int32_t pose, facing, x1, y1, x2, y2;
  };
  const Picture pictures[] = {
      {1, 0, 197, 166, 237, 259}, {1, 1, 555, 182, 595, 275}, {2, 0, 244, 167, 289, 260}, {2, 1, 503, 183, 548, 276},
      {3, 0, 291, 167, 333, 260}, {3, 1, 460, 183, 501, 276}, {4, 0, 335, 168, 394, 261}, {4, 1, 398, 184, 457, 277},
  };
  for (const Picture& p : pictures) {
    g.SorcererPose = p.pose, g.SorcererFacing = p.facing;
    ClearScreen();
    morlo3::DrawSorcerer(g);
    EXPECT_TRUE(ShowsOnly(p.x1, p.y1, p.x2, p.y2, 100, 9)) << "pose " << p.pose << " facing " << p.facing;
  }
}

TEST_P(Sorcerer, TheBoltsPicturesByItsClock) {
  g.CameraX = 300, g.CameraY = 1;
  g.BoltActive = 1, g.BoltState = 1, g.BoltTicks = 0;
  g.BoltX = 400, g.BoltY = 100;
  g.BoltTargetX = 0, g.BoltTargetY = 0;
  struct Picture {
    int32_t x1, y1, x2, y2;
  };
  const Picture flying[] = {{958, 111, 988, 140}, {974, 76, 1003, 105}, {923, 101, 952, 129}, {974, 76, 1003, 105}};
  for (int n = 0; n < 4; ++n) {
    ClearScreen();
    morlo3::UpdateBolt(g);
    EXPECT_TRUE(ShowsOnly(flying[n].x1, flying[n].y1, flying[n].x2, flying[n].y2, g.BoltX - 300, g.BoltY - 1))
        << "ticks " << n + 1;
  }
  g.BoltState = 2;
  const std::pair<int32_t, Picture> bursts[] = {
      {6, {198, 125, 227, 154}},  {7, {920, 136, 949, 165}},   {13, {920, 136, 949, 165}}, {14, {955, 145, 984, 174}},
      {20, {955, 145, 984, 174}}, {21, {990, 145, 1019, 173}}, {29, {990, 145, 1019, 173}}};
  for (const auto& [ticks, p] : bursts) {
    g.BoltTicks = ticks - 1;
    ClearScreen();
    morlo3::UpdateBolt(g);
    EXPECT_TRUE(ShowsOnly(p.x1, p.y1, p.x2, p.y2, 88, 87)) << "ticks " << ticks;
  }
  EXPECT_EQ(g.BoltActive, 0);
  ClearScreen();
  morlo3::UpdateBolt(g);
  EXPECT_EQ(PaintedPixels(), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, Sorcerer, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
