// The bands of the random draws at their edges: the bonus kinds, the
// thrower's throw, RirEza's change of mode and the column a falling hazard
// starts again in. Each case makes the routine's draw come out at a chosen
// value.
#include "../support/random_draw.h"
#include "figure_fixture.h"
#include "morlo3/enemies.h"
#include "morlo3/projectiles.h"
#include "morlo3/sorcerer.h"

namespace kestrel::testing {
namespace {

class RandomBands : public FigureTest {
 protected:
  void NextDraw(int32_t r, int32_t n) { g.RandSeed = SeedBeforeDraw(r, n); }
};

TEST_P(RandomBands, ABonusIsNothingBelow41EnergyTo69PowerTo89AndALifeAbove) {
  const struct {
    int32_t draw, kind;
  } cases[] = {{0, 0}, {40, 0}, {41, 1}, {69, 1}, {70, 2}, {89, 2}, {90, 3}, {99, 3}};
  for (const auto& c : cases) {
    NextDraw(c.draw, 100);
    morlo3::SpawnBonus(g, 5, 6);
    EXPECT_EQ(g.BonusKind, c.kind) << "draw " << c.draw;
    EXPECT_EQ(g.BonusActive, 1);
  }
}

TEST_P(RandomBands, AWalkingThrowerThrowsOnlyOnADrawOf98Or99) {
  for (int32_t draw : {0, 96, 97, 98, 99}) {
    morlo3::EnemyRecord& e = g.Throwers[1];
    e = {};
    e.X = 300, e.Y = 106, e.State = 1, e.Health = 10, e.PatrolMin = 300, e.PatrolMax = 300;
    g.PlayerX = 600;
    NextDraw(draw, 100);
    morlo3::UpdateThrowers(g, 1);
    EXPECT_EQ(e.Roll, draw);
    EXPECT_EQ(e.State, draw >= 98 ? 2 : 1) << "draw " << draw;
  }
}

TEST_P(RandomBands, RirEzaStopsKeepingAwayOnlyOn99AndThenSwoopsOrCasts) {
  auto reset = [this](int32_t mode) {
    g.SorcererX = 700, g.SorcererY = 10, g.SorcererTargetX = 700, g.SorcererTargetY = 10;
    g.SorcererMode = mode, g.CastTicks = 0;
    g.PlayerX = 100, g.PlayerY = 116;
  };
  for (int32_t draw : {0, 97, 98, 99}) {
    reset(1);
    NextDraw(draw, 100);
    morlo3::UpdateSorcerer(g);
    EXPECT_EQ(g.SorcererMode, draw == 99 ? 0 : 1) << "draw " << draw;
  }
  // Choosing, the draw of 0 or 1 gives a swoop or a cast, acted on at once.
  for (int32_t draw : {0, 1}) {
    reset(0);
    NextDraw(draw, 2);
    morlo3::UpdateSorcerer(g);
    EXPECT_EQ(g.SorcererMode, 2 + draw) << "draw " << draw;
    EXPECT_EQ(g.CastTicks, draw);
  }
}

TEST_P(RandomBands, AHazardStartsAgainOncePastRow820InColumns20To299) {
  const struct {
    int32_t y, draw, x, yAfter;
  } cases[] = {
      {818, 0, 50, 820},    // at 820 it is still falling
      {819, 0, 20, -20},    // past 820: the lowest draw
      {819, 279, 299, -20}, // and the highest
  };
  for (const auto& c : cases) {
    morlo3::EnemyRecord& e = g.FallingHazards[1];
    e = {};
    e.X = 50, e.Y = c.y;
    g.PlayerX = 600, g.PlayerY = 100;
    NextDraw(c.draw, 280);
    morlo3::UpdateFallingHazards(g, 1);
    EXPECT_EQ(e.X, c.x) << "from row " << c.y << ", draw " << c.draw;
    EXPECT_EQ(e.Y, c.yAfter);
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, RandomBands, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
