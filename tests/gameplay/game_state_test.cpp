// The shared record: its random source, its 1-based tables and its arithmetic.
#include <gtest/gtest.h>

#include "morlo3/game_state.h"

namespace morlo3 {
namespace {

TEST(RandomSource, DrawsTheKnownSequenceFromAFreshSeed) {
  GameState g;
  const int32_t expected[] = {0, 3, 86, 20, 27, 67, 31, 16};
  for (int32_t e : expected) EXPECT_EQ(Random(g, 100), e);
}

TEST(RandomSource, StaysInRangeAndIsTheSameForEveryRun) {
  GameState a, b;
  for (int i = 0; i < 10000; ++i) {
    const int32_t n = 1 + i % 300;
    const int32_t r = Random(a, n);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, n);
    ASSERT_EQ(r, Random(b, n));
  }
}

TEST(Tables, AreNumberedFromOneToTheirCapacity) {
  GameState g;
  EXPECT_EQ(g.PlayerShots.Capacity, 15);
  EXPECT_EQ(g.EnemyShots.Capacity, 9);
  EXPECT_EQ(g.CoinTable.Capacity, 7);
  EXPECT_EQ(g.Walkers.Capacity, 4);
  g.Walkers[1].X = 11;
  g.Walkers[4].X = 44;
  EXPECT_EQ(g.Walkers.begin()->X, 11);
  EXPECT_EQ((g.Walkers.end() - 1)->X, 44);
}

TEST(TablesDeathTest, AnIndexOutsideTheTableStopsTheProgram) {
  GameState g;
  EXPECT_DEATH(g.PlayerShots[0].X = 1, "table slot 0 outside 1..15");
  EXPECT_DEATH(g.EnemyShots[10].X = 1, "table slot 10 outside 1..9");
}

TEST(Arithmetic, WrapsInsteadOfOverflowing) {
  // A freed shot keeps flying for as long as the game runs.
  ShotRecord shot{INT32_MAX - 1, kFreeShot, 3};
  shot.X += shot.DX;
  EXPECT_EQ(shot.X, INT32_MIN + 1);
}

}  // namespace
}  // namespace morlo3
