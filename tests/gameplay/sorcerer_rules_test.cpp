// One-frame edges of RirEza and his bolt: the hover pose within 14 pixels of
// his target and the glide poses from 15 on, measured after the frame's
// glide; and the bolt's vertical steps near its target's row, where each test
// sees the step before it, and the column within which it bursts.
#include "figure_fixture.h"
#include "morlo3/sorcerer.h"

namespace kestrel::testing {
namespace {

class SorcererRules : public FigureTest {
 protected:
  void Place(int32_t x, int32_t targetX) {
    g.SorcererX = x, g.SorcererTargetX = targetX, g.SorcererY = g.SorcererTargetY = 10;
    // Swooping at a player far off: he aims anew only after the glide.
    g.SorcererMode = 2;
    g.PlayerX = 300, g.PlayerY = 190;
  }
};

TEST_P(SorcererRules, HeHoversWithin14OfHisTargetAndGlidesFrom15) {
  // Distance before the frame, and the distance the glide (a fifteenth,
  // rounded toward zero) leaves: 15 -> 14, 16 -> 15, 17 -> 16.
  const struct { int32_t before, after; } cases[] = {{15, 14}, {16, 15}, {17, 16}, {30, 28}};
  for (const auto& c : cases)
    for (int32_t side : {1, -1}) {
      SCOPED_TRACE("target " + std::to_string(side * c.before) + " away");
      Place(500, 500 + side * c.before);
      morlo3::UpdateSorcerer(g);
      EXPECT_EQ(std::abs(500 + side * c.before - g.SorcererX), c.after);
      // Gliding right is pose 3, left pose 2; hovering is pose 1.
      EXPECT_EQ(g.SorcererPose, c.after < 15 ? 1 : side > 0 ? 3 : 2);
    }
}

TEST_P(SorcererRules, ABoltNearItsTargetsRowStepsPastItAndBackAndRestsThere) {
  // The bolt's centre row against the target's row before the frame, and
  // after: below by 1 or 2 it steps up 3 and back down 3 again only when
  // that overshoots.
  const struct { int32_t before, after; } cases[] = {{1, -2}, {2, -1}, {-1, -1}, {-2, -2}, {0, 0}, {5, 2}, {-5, -2}};
  for (const auto& c : cases) {
    g.BoltActive = 1, g.BoltState = 1, g.BoltTicks = 1;
    g.BoltTargetX = 900, g.BoltTargetY = 100;
    g.BoltX = 300, g.BoltY = 100 + c.before - 14;
    g.PlayerX = 600, g.PlayerY = 10;
    morlo3::UpdateBolt(g);
    EXPECT_EQ(g.BoltY + 14 - 100, c.after) << "from " << c.before;
    EXPECT_EQ(g.BoltState, 1) << "still flying: it is far from the target's column";
  }
}

TEST_P(SorcererRules, ABoltBurstsWithinFourOfItsTargetsColumnAfterItsStep) {
  // On the target's row; the column offset before the frame, after the
  // frame's step of 3, and whether that is close enough to burst.
  const struct {
    int32_t before, after;
    bool bursts;
  } cases[] = {{8, 5, false}, {7, 4, true}, {-8, -5, false}, {-7, -4, true}};
  for (const auto& c : cases) {
    g.BoltActive = 1, g.BoltState = 1, g.BoltTicks = 1;
    g.BoltTargetX = 300, g.BoltTargetY = 100;
    g.BoltX = 300 + c.before - 14, g.BoltY = 100 - 14;
    g.PlayerX = 600, g.PlayerY = 10;
    morlo3::UpdateBolt(g);
    EXPECT_EQ(g.BoltX + 14 - 300, c.after) << "from " << c.before;
    EXPECT_EQ(g.BoltState, c.bursts ? 2 : 1) << "from " << c.before;
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, SorcererRules, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
