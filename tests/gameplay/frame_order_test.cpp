// The order of steps inside a figure's frame, where a swap would change what
// the player sees: a thrower that drops onto the ground this frame is hit
// where it stood before the drop.
#include "figure_fixture.h"
#include "morlo3/enemies.h"

namespace kestrel::testing {
namespace {

class FrameOrder : public FigureTest {};

TEST_P(FrameOrder, AThrowerIsHitWhereItStoodBeforeItSettlesThisFrame) {
  // A thrower set up high above the ground, as the stages start them, and a
  // shot where its body will be once it stands on the ground.
  morlo3::EnemyRecord& e = g.Throwers[1];
  e = {};
  e.X = 300, e.Y = -20, e.State = 1, e.Health = 10, e.PatrolMin = 300, e.PatrolMax = 300;
  g.PlayerX = 600, g.PlayerY = 10;
  g.RandSeed = 0;
  PlaceShot(1, 300, kGroundTop - 44 + 23);
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(e.Y + 44, kGroundTop - 1) << "it dropped onto the ground in this frame";
  EXPECT_NE(g.PlayerShots[1].Y, morlo3::kFreeShot) << "the shot passed where it was";
  EXPECT_EQ(e.Health, 10);
  // The next frame it is hit where it now stands.
  morlo3::UpdateThrowers(g, 1);
  EXPECT_EQ(g.PlayerShots[1].Y, morlo3::kFreeShot);
  EXPECT_EQ(e.Health, 9);
}

INSTANTIATE_TEST_SUITE_P(Depths, FrameOrder, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
