// The stage's mask probe and ground search, on small stages painted here.
#include "../support/game_fixture.h"
#include "morlo3/stage_map.h"

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

INSTANTIATE_TEST_SUITE_P(Depths, StageMap, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
