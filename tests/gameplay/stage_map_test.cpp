// The stage's mask probe and ground search, on small stages painted here.
#include "morlo3/stage_map.h"
#include "../support/game_fixture.h"

namespace kestrel::testing {
namespace {

using morlo3::EnemyRecord;

class StageMap : public GameTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override { SetUpGame(GetParam()); }
};

TEST_P(StageMap, AFigureWithNoGroundBelowStopsWhenItLeavesTheMask) {
  MakeStage(100, 60);
  EnemyRecord e;
  e.X = 50, e.Y = 0;
  morlo3::SettleOnGround(g, e, 11, 38);
  // The test point has just passed the bottom row.
  EXPECT_EQ(e.Y + 38, 60);
}

TEST_P(StageMap, AFigureDroppedFromAboveSettlesOnTheFirstGroundBelow) {
  MakeStage(100, 200);
  PaintMask(0, 120, 99, 130, g.MaskGround);
  PaintMask(0, 170, 99, 199, g.MaskGround);
  EnemyRecord e;
  e.X = 40, e.Y = -20;
  morlo3::SettleOnGround(g, e, 0, 44);
  // One pixel above the rest position: ground just below the test point.
  EXPECT_EQ(morlo3::ProbeMask(g, 40, e.Y + 44 + 1), g.MaskGround);
  EXPECT_NE(morlo3::ProbeMask(g, 40, e.Y + 44), g.MaskGround);
  EXPECT_EQ(e.Y + 44, 119);
}

TEST_P(StageMap, AFigureInsideGroundRisesToJustAboveItsSurface) {
  MakeStage(100, 200);
  PaintMask(0, 100, 99, 199, g.MaskGround);
  EnemyRecord e;
  e.X = 30, e.Y = 150 - 38;
  morlo3::SettleOnGround(g, e, 11, 38);
  EXPECT_EQ(e.Y + 38, 99);
}

TEST_P(StageMap, AFigureOffTheMaskOrBelowItStopsAtOnce) {
  MakeStage(100, 60);
  PaintMask(0, 30, 99, 59, g.MaskGround);
  EnemyRecord e;
  e.X = 200, e.Y = -20;  // beside the mask: no ground in its column
  morlo3::SettleOnGround(g, e, 0, 44);
  EXPECT_EQ(e.Y + 44, 60);
  e.X = 50, e.Y = 500;  // already below it
  morlo3::SettleOnGround(g, e, 0, 44);
  EXPECT_EQ(e.Y, 501);
}

TEST_P(StageMap, TheUndeadSearchStopsOnlyPastItsOwnLowestRow) {
  MakeStage(100, 200);
  EnemyRecord e;
  e.X = 50, e.Y = 20;
  morlo3::SettleOnGround(g, e, 11, 33, 220);
  EXPECT_EQ(e.Y, 221);
  // On ground it settles as any other figure.
  PaintMask(0, 150, 99, 199, g.MaskGround);
  e.Y = 20;
  morlo3::SettleOnGround(g, e, 11, 33, 220);
  EXPECT_EQ(e.Y + 33, 149);
}

TEST_P(StageMap, AProbeOutsideTheMaskReadsNothing) {
  MakeStage(100, 60);
  PaintMask(0, 0, 99, 59, g.MaskGround);
  EXPECT_EQ(morlo3::ProbeMask(g, 0, 0), g.MaskGround);
  EXPECT_EQ(morlo3::ProbeMask(g, 99, 59), g.MaskGround);
  const int32_t outside[][2] = {{-1, 0},
                                {0, -1},
                                {100, 0},
                                {0, 60},
                                {-1, -1},
                                {100, 60},
                                {INT32_MIN, 5},
                                {5, INT32_MIN},
                                {INT32_MAX, 5},
                                {5, INT32_MAX},
                                {INT32_MIN, INT32_MIN}};
  for (const auto& p : outside) EXPECT_EQ(morlo3::ProbeMask(g, p[0], p[1]), 0u) << p[0] << ", " << p[1];
}

TEST_P(StageMap, TheProbeReadsEachMaskColourExactly) {
  MakeStage(100, 60);
  PaintMask(10, 10, 10, 10, g.MaskGround);
  PaintMask(11, 10, 11, 10, g.MaskPushLeft);
  PaintMask(12, 10, 12, 10, g.MaskPushRight);
  EXPECT_EQ(morlo3::ProbeMask(g, 10, 10), g.MaskGround);
  EXPECT_EQ(morlo3::ProbeMask(g, 11, 10), g.MaskPushLeft);
  EXPECT_EQ(morlo3::ProbeMask(g, 12, 10), g.MaskPushRight);
  EXPECT_EQ(morlo3::ProbeMask(g, 13, 10), 0u);
}

struct CameraCase {
  int32_t x, y, cameraX, cameraY;
};

TEST_P(StageMap, TheCameraFollowsThePlayerOnePixelPerPixelBetweenItsLimits) {
  MakeStage(1000, 200);
  const CameraCase wide[] = {{0, 0, 0, 0},       {160, 100, 0, 0},   {161, 101, 1, 1},   {500, 150, 340, 1},
                             {840, 199, 680, 1}, {841, 100, 681, 0}, {990, 250, 681, 1}, {-30, -40, 0, 0}};
  for (const CameraCase& c : wide) {
    morlo3::UpdateCamera(g, c.x, c.y);
    EXPECT_EQ(g.CameraX, c.cameraX) << c.x;
    EXPECT_EQ(g.CameraY, c.cameraY) << c.y;
  }
  // The shaft: 800 high, one screen wide.
  MakeStage(320, 800);
  const CameraCase shaft[] = {{10, 700, 0, 600}, {10, 701, 0, 601}, {10, 800, 0, 601},
                              {160, 100, 0, 0},  {161, 101, 1, 1},  {310, 400, 1, 300}};
  for (const CameraCase& c : shaft) {
    morlo3::UpdateCamera(g, c.x, c.y);
    EXPECT_EQ(g.CameraX, c.cameraX) << c.x;
    EXPECT_EQ(g.CameraY, c.cameraY) << c.y;
  }
  for (int32_t y = 0; y <= 800; ++y) {
    morlo3::UpdateCamera(g, 10, y);
    ASSERT_EQ(g.CameraY, y < 100 ? 0 : y > 700 ? 601 : y - 100) << y;
  }
}

TEST_P(StageMap, TheCameraDrawsTheStagePictureOverTheFrameWhereItIsNotKeyed) {
  MakeStage(1000, 200);
  // A picture with a solid block and a stripe; the rest stays transparent.
  const uint32_t block = g.Display->MakeColor(200, 40, 40), stripe = g.Display->MakeColor(40, 200, 40);
  for (int32_t y = 50; y < 150; ++y) g.StageScene->HLine(400, 700, y, block);
  g.StageScene->VLine(0, 199, 520, stripe);
  const uint32_t backdrop = g.Display->MakeColor(1, 2, 3);
  g.Backdrop->Clear(backdrop);
  morlo3::DrawBackdrop(g);
  morlo3::UpdateCamera(g, 600, 150);  // camera (440, 1)
  EXPECT_EQ(CountMismatches(*g.StageScene, 440, 1, 760, 201, 0, 0), 0);
  EXPECT_EQ(Pixel(*g.Screen, 0, 48), backdrop);  // stage (440, 49)
  EXPECT_EQ(Pixel(*g.Screen, 0, 49), block);     // stage (440, 50)
  EXPECT_EQ(Pixel(*g.Screen, 80, 10), stripe);   // stage column 520
  EXPECT_EQ(Pixel(*g.Screen, 260, 148), block);  // stage (700, 149)
  EXPECT_EQ(Pixel(*g.Screen, 261, 100), backdrop);
  EXPECT_EQ(Pixel(*g.Screen, 100, 149), backdrop);  // stage row 150
  EXPECT_EQ(Pixel(*g.Screen, 319, 199), backdrop);
}

TEST_P(StageMap, AStageIsCutFromTheSheetsWithItsMaskInTheDisplaysFormat) {
  LoadSheets();
  const morlo3::StageFacts& s = morlo3::kStages[0];
  morlo3::BuildStage(g, s);
  ASSERT_EQ(g.StageScene->Width, 1000);
  ASSERT_EQ(g.StageScene->Height, 200);
  ASSERT_EQ(g.StageMask->Width, 1000);
  int wrongScene = 0, wrongMask = 0, wrongBackdrop = 0, ground = 0;
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 1000; ++x) {
      wrongScene += Pixel(*g.StageScene, x, y) != Pixel(*g.StageSheet, 1 + x, 2225 + y);
      wrongMask += morlo3::ProbeMask(g, x, y) != Pixel(*g.StageSheet, 1 + x, 1 + y);
      ground += morlo3::ProbeMask(g, x, y) == g.MaskGround;
      if (x < 320) wrongBackdrop += Pixel(*g.Backdrop, x, y) != Pixel(*g.BackdropSheet, 1 + x, 204 + y);
    }
  EXPECT_EQ(wrongScene, 0);
  EXPECT_EQ(wrongMask, 0);
  EXPECT_EQ(wrongBackdrop, 0);
  EXPECT_GT(ground, 1000 * 20);
  // The player starts above the ground of stage 1: something below x 10's
  // foot point is ground.
  bool below = false;
  for (int32_t y = 134; y < 200; ++y) below |= morlo3::ProbeMask(g, 25, y) == g.MaskGround;
  EXPECT_TRUE(below);
  morlo3::FreeStage(g);
  EXPECT_EQ(g.StageScene, nullptr);
  EXPECT_EQ(g.StageMask, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Depths, StageMap, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
