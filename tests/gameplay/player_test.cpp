// The hero on small stages painted here: the jump arc, landing and rising
// through ledges, slopes and the push walls, walking, firing, and the drawn
// poses compared pixel by pixel with the sprite sheet.
#include <vector>

#include "../support/game_fixture.h"
#include "morlo3/player.h"
#include "morlo3/stage_map.h"

namespace kestrel::testing {
namespace {

using morlo3::kKeyFire;
using morlo3::kKeyJump;
using morlo3::kKeyLeft;
using morlo3::kKeyRight;

class Player : public GameTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override { SetUpGame(GetParam()); }

  // A 400 x 200 stage with ground from row 134 down, so a player at y 100
  // stands on it (the foot point is y + 34).
  void MakeFloor() {
    MakeStage(400, 200);
    PaintMask(0, 134, 399, 199, g.MaskGround);
  }
  // The player standing at (x, 100) on that floor, as after landing.
  void StandAt(int32_t x) {
    morlo3::ResetPlayer(g, 100);
    g.PlayerX = x;
    Frame();
    ASSERT_EQ(g.OnGround, 1);
    ASSERT_EQ(g.PlayerY, 100);
  }
  void Frame() { morlo3::UpdatePlayer(g); }
  // Runs n frames and returns PlayerY after each.
  std::vector<int32_t> Frames(int n) {
    std::vector<int32_t> ys;
    for (int i = 0; i < n; ++i) {
      Frame();
      ys.push_back(g.PlayerY);
    }
    return ys;
  }
};

TEST_P(Player, ResetPutsThePlayerAtTheStartFallingWithEveryShotFreed) {
  MakeStage(100, 100);
  g.StageOver = 1;
  g.PlayerFacing = 1;
  g.WalkStep = 9;
  g.ShotCursor = 7;
  g.OnGround = 1;
  g.JumpTime = -4;
  for (auto& s : g.PlayerShots) s.Y = 50;
  for (auto& s : g.EnemyShots) s.Y = 50;
  morlo3::ResetPlayer(g, 700);
  EXPECT_EQ(g.StageOver, 0);
  EXPECT_EQ(g.PlayerX, 10);
  EXPECT_EQ(g.PlayerY, 700);
  EXPECT_EQ(g.JumpBaseY, 700);
  EXPECT_EQ(g.OnGround, 0);
  EXPECT_EQ(g.JumpTime, 40);
  EXPECT_EQ(g.JumpRise, 0);
  EXPECT_EQ(g.PlayerFacing, 0);
  EXPECT_EQ(g.WalkStep, 0);
  EXPECT_EQ(g.ShotCursor, 1);
  for (auto& s : g.PlayerShots) EXPECT_EQ(s.Y, -100);
  for (auto& s : g.EnemyShots) EXPECT_EQ(s.Y, -100);
}

TEST_P(Player, TheJumpRisesFortyAndComesBackDownAndHoldingTheKeyJumpsOnce) {
  MakeFloor();
  StandAt(10);
  Press(kKeyJump);
  Frame();  // the key is seen: the clock is set to -40
  EXPECT_EQ(g.PlayerY, 100);
  EXPECT_EQ(g.JumpTime, -40);
  EXPECT_EQ(g.PlayerPose, 2);
  // Frame k after that uses the clock -40 + 2(k - 1): rise 40 - t*t/40.
  const std::vector<int32_t> ys = Frames(45);
  EXPECT_EQ(ys[0], 100);   // t -40
  EXPECT_EQ(ys[1], 96);    // t -38: 40 - 1444/40 = 4
  EXPECT_EQ(ys[10], 70);   // t -20: 40 - 10
  EXPECT_EQ(ys[19], 60);   // t -2
  EXPECT_EQ(ys[20], 60);   // t 0, the apex
  EXPECT_EQ(ys[21], 60);   // t 2
  EXPECT_EQ(ys[39], 96);   // t 38
  EXPECT_EQ(ys[40], 100);  // t 40: back at the take-off height
  EXPECT_EQ(*std::min_element(ys.begin(), ys.end()), 60);
  // The next frame finds the floor under the foot point and lands; the key,
  // still held, does not start another jump.
  for (size_t i = 41; i < ys.size(); ++i) EXPECT_EQ(ys[i], 100) << i;
  EXPECT_EQ(g.OnGround, 1);
  EXPECT_EQ(g.JumpTime, 40);
  EXPECT_EQ(g.PlayerPose, 1);

  Release(kKeyJump);
  Frame();
  Press(kKeyJump);
  Frame();
  EXPECT_EQ(g.JumpTime, -40);
}

TEST_P(Player, AJumpOffALedgeFallsOnAlongTheSameCurve) {
  // Ground only under columns 0..40: walking right in the air carries the
  // foot point past it.
  MakeStage(400, 300);
  PaintMask(0, 134, 40, 299, g.MaskGround);
  StandAt(10);
  Press(kKeyJump);
  Frame();
  Release(kKeyJump);
  Press(kKeyRight);
  Frames(10);
  Release(kKeyRight);
  EXPECT_EQ(g.PlayerX, 30);
  const std::vector<int32_t> ys = Frames(32);
  EXPECT_EQ(ys[29], 96);         // t 38
  EXPECT_EQ(ys[30], 100);        // t 40
  EXPECT_EQ(ys[31], 104);        // t 42: 40 - 1764/40 = -4
  EXPECT_EQ(Frames(1)[0], 108);  // t 44: 40 - 1936/40 = -8
  EXPECT_EQ(g.OnGround, 0);
}

TEST_P(Player, RisesThroughALedgeFromBelowAndLandsOnItFromAbove) {
  MakeFloor();
  PaintMask(0, 110, 399, 112, g.MaskGround);
  StandAt(10);
  Press(kKeyJump);
  Frame();
  Release(kKeyJump);
  const std::vector<int32_t> ys = Frames(40);
  // Frame 8 (t -26) puts the foot point inside the ledge at row 110; the
  // rising player ignores it and goes on up.
  EXPECT_EQ(ys[7], 76);
  EXPECT_EQ(ys[8], 74);
  EXPECT_EQ(ys[20], 60);
  // Falling: t 24 gives foot row 108 (air), t 26 row 110 (the ledge top).
  EXPECT_EQ(ys[32], 74);
  EXPECT_EQ(ys[33], 76);
  // The next frame lands on the ledge and stays there.
  for (size_t i = 34; i < ys.size(); ++i) EXPECT_EQ(ys[i], 76) << i;
  EXPECT_EQ(g.OnGround, 1);
  EXPECT_EQ(g.JumpBaseY, 76);
}

TEST_P(Player, WalkingUpARisingSlopeLiftsThePlayerInTheSameFrame) {
  MakeFloor();
  // From column 61 the ground rises four rows.
  PaintMask(61, 130, 399, 133, g.MaskGround);
  StandAt(40);
  Press(kKeyRight);
  Frame();
  Frame();
  EXPECT_EQ(g.PlayerX, 44);  // foot column 59
  EXPECT_EQ(g.PlayerY, 100);
  Frame();
  EXPECT_EQ(g.PlayerX, 46);  // foot column 61: four rows up at once
  EXPECT_EQ(g.PlayerY, 96);
  EXPECT_EQ(g.OnGround, 1);
  EXPECT_EQ(morlo3::ProbeMask(g, 61, g.PlayerY + 34), g.MaskGround);
  EXPECT_NE(morlo3::ProbeMask(g, 61, g.PlayerY + 33), g.MaskGround);
  Frame();
  EXPECT_EQ(g.PlayerY, 96);
}

TEST_P(Player, ThePushColoursMoveThePlayerOutOfThemSideways) {
  MakeFloor();
  PaintMask(40, 134, 49, 199, g.MaskPushRight);
  PaintMask(140, 134, 149, 199, g.MaskPushLeft);
  StandAt(10);
  g.PlayerX = 30;  // foot column 45, in the right-pushing colour
  Frame();
  EXPECT_EQ(g.PlayerX, 35);  // foot column 50, past its last column
  Frame();
  g.PlayerX = 130;  // foot column 145, in the left-pushing colour
  Frame();
  EXPECT_EQ(g.PlayerX, 124);  // foot column 139
  // Standing on either colour is not standing on ground: the player drops
  // for that frame and lands on the floor in the next.
  EXPECT_EQ(g.OnGround, 0);
  Frame();
  EXPECT_EQ(g.OnGround, 1);
  EXPECT_EQ(g.PlayerY, 100);
}

TEST_P(Player, WalksTwoPixelsAFrameThroughTheWalkPoses) {
  MakeFloor();
  StandAt(100);
  Press(kKeyRight);
  std::vector<int32_t> poses;
  for (int i = 0; i < 27; ++i) {
    Frame();
    poses.push_back(g.PlayerPose);
  }
  EXPECT_EQ(g.PlayerX, 154);
  EXPECT_EQ(g.PlayerFacing, 0);
  // Steps 0..7 show pose 3, 8..16 pose 4, 17..25 pose 5, then 0 again.
  EXPECT_EQ(poses[0], 3);
  EXPECT_EQ(poses[7], 3);
  EXPECT_EQ(poses[8], 4);
  EXPECT_EQ(poses[16], 4);
  EXPECT_EQ(poses[17], 5);
  EXPECT_EQ(poses[25], 5);
  EXPECT_EQ(poses[26], 3);
  EXPECT_EQ(g.WalkStep, 1);
  Press(kKeyFire);
  Frame();
  EXPECT_EQ(g.PlayerPose, 6);  // step 1 with fire held
  Release(kKeyRight);
  Frame();
  EXPECT_EQ(g.PlayerPose, 9);  // fire held, standing
  Release(kKeyFire);
  Press(kKeyLeft);
  Frame();
  EXPECT_EQ(g.PlayerX, 154);
  EXPECT_EQ(g.PlayerFacing, 1);
  EXPECT_EQ(g.PlayerPose, 3);
}

TEST_P(Player, BothWalkKeysHoldThePlayerStillFacingLeftAndStepTheAnimationTwice) {
  MakeFloor();
  StandAt(100);
  Press(kKeyRight);
  Press(kKeyLeft);
  Frame();
  EXPECT_EQ(g.PlayerX, 100);
  EXPECT_EQ(g.PlayerFacing, 1);
  EXPECT_EQ(g.WalkStep, 2);
  // The left step reads the entry the right step moved to.
  g.WalkStep = 7;
  Frame();
  EXPECT_EQ(g.WalkStep, 9);
  EXPECT_EQ(g.PlayerPose, 4);
  // Each step wraps on its own: 25 -> 0 -> 1.
  g.WalkStep = 25;
  Press(kKeyFire);
  Frame();
  EXPECT_EQ(g.WalkStep, 1);
  EXPECT_EQ(g.PlayerPose, 6);
  EXPECT_EQ(g.PlayerX, 100);
}

TEST_P(Player, FireShootsOncePerPressAndTheSixteenthShotReusesSlotOne) {
  MakeFloor();
  StandAt(10);
  SoundsPlayed();
  Press(kKeyFire);
  Frames(5);
  EXPECT_EQ(g.ShotCursor, 2);
  EXPECT_EQ(SoundsPlayed(), std::vector<int>{morlo3::kSoundShot});
  const auto first = g.PlayerShots[1];
  EXPECT_EQ(first.X, 25);
  EXPECT_EQ(first.Y, 116);
  EXPECT_EQ(first.DX, 3);
  for (int shot = 2; shot <= 15; ++shot) {
    Release(kKeyFire);
    Frame();
    Press(kKeyFire);
    Frame();
  }
  EXPECT_EQ(g.ShotCursor, 1);
  for (int32_t i = 1; i <= 15; ++i) EXPECT_EQ(g.PlayerShots[i].Y, 116) << i;
  // Turn left (one step to x 8), then the sixteenth shot.
  Release(kKeyFire);
  Press(kKeyLeft);
  Frame();
  Release(kKeyLeft);
  Press(kKeyFire);
  Frame();
  EXPECT_EQ(g.ShotCursor, 2);
  EXPECT_EQ(g.PlayerShots[1].X, 8);
  EXPECT_EQ(g.PlayerShots[1].DX, -3);
  EXPECT_EQ(g.PlayerShots[2].X, 25);
  EXPECT_EQ(g.PlayerShots[2].DX, 3);
  EXPECT_EQ(SoundsPlayed().size(), 15u);
}

TEST_P(Player, AShotLeavesFromWhereThePlayerStoodAndFliesTheWayItFaced) {
  MakeFloor();
  StandAt(50);
  Press(kKeyFire);
  Press(kKeyRight);
  Frame();
  EXPECT_EQ(g.PlayerX, 52);
  EXPECT_EQ(g.PlayerShots[1].X, 65);  // 50 + 15
  EXPECT_EQ(g.PlayerShots[1].Y, 116);
  EXPECT_EQ(g.PlayerShots[1].DX, 3);
  EXPECT_EQ(g.PlayerPose, 6);

  // Turning left with a fresh press: the shot still flies right.
  Release(kKeyFire);
  Release(kKeyRight);
  Frame();
  Press(kKeyFire);
  Press(kKeyLeft);
  Frame();
  EXPECT_EQ(g.PlayerX, 50);
  EXPECT_EQ(g.PlayerFacing, 1);
  EXPECT_EQ(g.PlayerShots[2].X, 67);  // 52 + 15
  EXPECT_EQ(g.PlayerShots[2].DX, 3);
  // The next one leaves from the left edge and flies left.
  Release(kKeyFire);
  Frame();  // still walking left, to x 48
  Press(kKeyFire);
  Frame();
  EXPECT_EQ(g.PlayerShots[3].X, 48);
  EXPECT_EQ(g.PlayerShots[3].DX, -3);
}

TEST_P(Player, FireInTheAirShowsTheAirFiringPose) {
  MakeFloor();
  StandAt(10);
  Press(kKeyJump);
  Press(kKeyFire);
  Frame();
  EXPECT_EQ(g.PlayerPose, 10);
  // The shot leaves from the height of this frame's arc.
  EXPECT_EQ(g.PlayerShots[1].Y, 116);
  Release(kKeyFire);
  Frame();
  EXPECT_EQ(g.PlayerPose, 2);
}

TEST_P(Player, WalkingOffAnEdgeFallsWithTheWalkingPose) {
  MakeStage(400, 300);
  PaintMask(0, 134, 40, 299, g.MaskGround);
  StandAt(24);  // foot column 39
  Press(kKeyRight);
  Frame();  // foot column 41: no ground yet seen this frame
  Frame();  // now the foot point is over the gap
  EXPECT_EQ(g.OnGround, 0);
  EXPECT_EQ(g.PlayerPose, 3);  // the clock starts at 40, not below it
  EXPECT_EQ(g.JumpTime, 42);
  EXPECT_EQ(g.PlayerY, 100);
  Frame();
  EXPECT_EQ(g.PlayerY, 104);
}

TEST_P(Player, TheHurtSoundPlaysTheFrameAfterTheHitAndOnlyWithSoundOn) {
  MakeFloor();
  StandAt(10);
  SoundsPlayed();
  g.HurtTimer = 0;
  Frame();
  EXPECT_EQ(g.HurtTimer, 1);
  EXPECT_EQ(SoundsPlayed(), std::vector<int>{morlo3::kSoundHurt});
  Frame();
  EXPECT_TRUE(SoundsPlayed().empty());
  g.SoundOn = 0;
  g.HurtTimer = 0;
  Press(kKeyFire);
  Frame();
  EXPECT_TRUE(SoundsPlayed().empty());
  EXPECT_EQ(g.ShotCursor, 2);
}

TEST_P(Player, OffTheMaskThePlayerNeitherLandsNorIsPushed) {
  MakeFloor();
  morlo3::ResetPlayer(g, 100);
  g.PlayerX = -40;  // foot column -25
  Frames(3);
  EXPECT_EQ(g.OnGround, 0);
  EXPECT_EQ(g.PlayerX, -40);
  EXPECT_EQ(g.PlayerY, 108);  // 0, 4 and 8 below the start
}

// ---- drawing ----

class PlayerDrawing : public Player {
 protected:
  // Draws and checks every screen pixel: the pose's sheet pixels (cut to 34
  // rows, mirrored within the 30-column canvas when facing left) at the
  // player's screen position, the background everywhere else.
  void ExpectDrawn(int32_t sheetX1, int32_t sheetX2) {
    const uint32_t background = g.Display->MakeColor(10, 20, 30);
    g.Screen->Clear(background);
    morlo3::DrawPlayer(g);
    const int32_t atX = g.PlayerX - g.CameraX, atY = g.PlayerY - g.CameraY;
    int wrong = 0, shown = 0;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x) {
        uint32_t want = background;
        int32_t cx = x - atX;
        const int32_t cy = y - atY;
        if (cx >= 0 && cx < 30 && cy >= 0 && cy < 34) {
          if (g.PlayerFacing == 1) cx = 29 - cx;
          if (sheetX1 + cx <= sheetX2) {
            const uint32_t p = g.SpriteSheet->GetPixel(sheetX1 + cx, 145 + cy);
            if (p != g.ColourKey) want = p, ++shown;
          }
        }
        wrong += g.Screen->GetPixel(x, y) != want;
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(shown, 100);
  }
};

TEST_P(PlayerDrawing, EachPoseIsItsSheetRectangleAtThePlayersScreenPosition) {
  MakeStage(400, 200);
  g.CameraX = 5, g.CameraY = 3;
  g.PlayerX = 40, g.PlayerY = 50;
  const int32_t columns[10][2] = {{473, 498}, {550, 577}, {658, 679}, {680, 700}, {701, 726},
                                  {727, 756}, {757, 780}, {781, 809}, {499, 525}, {578, 607}};
  for (int32_t pose = 1; pose <= 10; ++pose) {
    SCOPED_TRACE(pose);
    g.PlayerPose = pose;
    g.PlayerFacing = 0;
    ExpectDrawn(columns[pose - 1][0], columns[pose - 1][1]);
    g.PlayerFacing = 1;
    ExpectDrawn(columns[pose - 1][0], columns[pose - 1][1]);
  }
}

TEST_P(PlayerDrawing, APlayerAtTheScreensEdgesIsCut) {
  MakeStage(400, 200);
  g.PlayerPose = 10;
  g.PlayerFacing = 1;
  g.CameraX = 20, g.CameraY = 0;
  g.PlayerX = 8, g.PlayerY = 180;  // 12 columns off the left, 14 rows off the bottom
  ExpectDrawn(578, 607);
  g.PlayerFacing = 0;
  g.PlayerX = 320, g.PlayerY = -10;  // 10 columns off the right, 10 rows off the top
  ExpectDrawn(578, 607);
}

INSTANTIATE_TEST_SUITE_P(Depths, Player, ::testing::Values(16, 32));
INSTANTIATE_TEST_SUITE_P(Depths, PlayerDrawing, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
