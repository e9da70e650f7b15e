// Missiles, the bonus item and the coins, on small stages painted here.
#include <vector>

#include "../support/game_fixture.h"
#include "morlo3/projectiles.h"

namespace kestrel::testing {
namespace {

class Projectiles : public GameTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    SetUpGame(GetParam());
    MakeStage(1000, 200);
    background_ = g.Display->MakeColor(10, 20, 30);
    g.Screen->Clear(background_);
    for (auto& s : g.PlayerShots) s = {0, -100, 0};
    for (auto& s : g.EnemyShots) s = {0, -100, 0};
    // The player's body centre is (112, 118).
    g.PlayerX = 100, g.PlayerY = 100;
  }
  int ShownAt(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t atX, int32_t atY) {
    return CountMismatches(*g.SpriteSheet, x1, y1, x2, y2, atX, atY);
  }
  // Pixels of Screen no longer the background.
  int Drawn() const {
    int n = 0;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x) n += g.Screen->GetPixel(x, y) != background_;
    return n;
  }
  uint32_t background_ = 0;
};

TEST_P(Projectiles, PlayerShotsMoveAreDrawnAndAreFreedPastTheScreensEdges) {
  g.CameraX = 100, g.CameraY = 20;
  g.PlayerShots[1] = {200, 70, 3};
  g.PlayerShots[2] = {427, 50, 3};  // to screen x 330: still live
  g.PlayerShots[3] = {428, 50, 3};  // to screen x 331: freed
  g.PlayerShots[4] = {93, 50, -3};  // to screen x -10: still live
  g.PlayerShots[5] = {92, 50, -3};  // to screen x -11: freed
  morlo3::MovePlayerShots(g, 1010);
  EXPECT_EQ(g.PlayerShots[1].X, 203);
  EXPECT_EQ(ShownAt(432, 24, 437, 28, 103, 50), 0);
  EXPECT_EQ(g.PlayerShots[2].Y, 50);
  EXPECT_EQ(g.PlayerShots[3].Y, -100);
  EXPECT_EQ(g.PlayerShots[4].Y, 50);
  EXPECT_EQ(g.PlayerShots[5].Y, -100);
  // The shot picture is 6 x 5 and nothing else shows (the others are off
  // screen or at the screen's edge, cut).
  EXPECT_GT(Drawn(), 10);
  // A freed shot keeps moving but never comes back, even on screen.
  g.PlayerShots[3].X = 200;
  morlo3::MovePlayerShots(g, 1010);
  EXPECT_EQ(g.PlayerShots[3].X, 203);
  EXPECT_EQ(g.PlayerShots[3].Y, -100);
  EXPECT_EQ(g.PlayerShots[5].X, 86);
}

TEST_P(Projectiles, AThrownMissileHurtsThePlayerOnceThePauseHasPassedAndFliesOn) {
  g.HurtTimer = 21;
  g.EnemyShots[4] = {102, 111, 3};  // moves to 105: centre (112, 118), 0 and 0 apart
  morlo3::MoveEnemyShots(g);
  EXPECT_EQ(g.Energy, 90);
  EXPECT_EQ(g.HurtTimer, 0);
  EXPECT_EQ(g.EnemyShots[4].Y, 111);
  EXPECT_EQ(ShownAt(222, 82, 235, 95, 105, 111), 0);
  // Within the pause it passes through.
  g.HurtTimer = 20;
  morlo3::MoveEnemyShots(g);
  EXPECT_EQ(g.Energy, 90);
  EXPECT_EQ(g.EnemyShots[4].X, 108);
}

TEST_P(Projectiles, AThrownMissileHitsOnlyWithinItsReach) {
  struct Case {
    int32_t x, y;  // after this frame's move
    bool hits;
  };
  // |x + 7 - 112| < 19 and |y + 7 - 118| < 25.
  const Case cases[] = {{123, 111, true}, {124, 111, false}, {87, 111, true}, {86, 111, false},
                        {105, 135, true}, {105, 136, false}, {105, 87, true}, {105, 86, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x << ", " << c.y);
    g.Energy = 100, g.HurtTimer = 50;
    g.EnemyShots[9] = {c.x + 3, c.y, -3};
    morlo3::MoveEnemyShots(g);
    EXPECT_EQ(g.Energy, c.hits ? 90 : 100);
  }
}

TEST_P(Projectiles, AFreeMissileSlotHitsNothing) {
  // A player high above the stage, level with the free slots' row.
  g.PlayerY = -111;
  g.HurtTimer = 50;
  g.EnemyShots[1] = {102, -100, 3};
  morlo3::MoveEnemyShots(g);
  EXPECT_EQ(g.Energy, 100);
  EXPECT_EQ(g.HurtTimer, 50);
}

TEST_P(Projectiles, ABonusIsOfTheKindItsRandomDrawSaysAndReplacesTheLastOne) {
  // The fresh sequence of random(100) is 0, 3, 86, 20, 27, 67, 31, 16:
  // 0..40 nothing, 41..69 energy, 70..89 power, 90..99 a life.
  const int32_t kinds[] = {0, 0, 2, 0, 0, 1, 0, 0};
  for (int32_t i = 0; i < 8; ++i) {
    morlo3::SpawnBonus(g, 10 * i, 20 * i);
    EXPECT_EQ(g.BonusKind, kinds[i]) << i;
    EXPECT_EQ(g.BonusX, 10 * i);
    EXPECT_EQ(g.BonusY, 20 * i);
    EXPECT_EQ(g.BonusActive, 1);
  }
}

TEST_P(Projectiles, BonusItemsAreDrawnAndCollectedByKind) {
  g.CameraX = 50, g.CameraY = 0;
  auto collect = [&](int32_t kind) {
    g.BonusKind = kind, g.BonusActive = 1;
    g.BonusX = 105, g.BonusY = 111;  // centred on the player
    morlo3::UpdateBonus(g);
    EXPECT_EQ(g.BonusActive, 0) << kind;
  };
  g.BonusKind = 1, g.BonusActive = 1, g.BonusX = 300, g.BonusY = 60;
  morlo3::UpdateBonus(g);
  EXPECT_EQ(g.BonusActive, 1);
  EXPECT_EQ(ShownAt(264, 36, 282, 49, 250, 60), 0);
  g.BonusKind = 2;
  morlo3::UpdateBonus(g);
  EXPECT_EQ(ShownAt(432, 32, 445, 45, 250, 60), 0);
  g.BonusKind = 3;
  morlo3::UpdateBonus(g);
  EXPECT_EQ(ShownAt(973, 22, 985, 36, 250, 60), 0);

  // Energy has no upper limit: two at full energy make 140.
  collect(1);
  collect(1);
  EXPECT_EQ(g.Energy, 140);
  g.ShotPower = 8;
  collect(2);
  EXPECT_EQ(g.ShotPower, 9);
  // At 9 the power bonus is used up without effect.
  collect(2);
  EXPECT_EQ(g.ShotPower, 9);
  collect(3);
  EXPECT_EQ(g.Lives, 3);
  EXPECT_TRUE(SoundsPlayed().empty());
}

TEST_P(Projectiles, ABonusIsCollectedOnlyWithinItsReach) {
  struct Case {
    int32_t x, y;
    bool taken;
  };
  // |x + 7 - 112| < 19 and |y + 7 - 118| < 25, as for a thrown missile.
  const Case cases[] = {{123, 111, true}, {124, 111, false}, {87, 111, true}, {86, 111, false},
                        {105, 135, true}, {105, 136, false}, {105, 87, true}, {105, 86, false}};
  for (const Case& c : cases) {
    g.BonusKind = 3, g.BonusActive = 1, g.BonusX = c.x, g.BonusY = c.y, g.Lives = 2;
    morlo3::UpdateBonus(g);
    EXPECT_EQ(g.BonusActive, c.taken ? 0 : 1) << c.x << ", " << c.y;
    EXPECT_EQ(g.Lives, c.taken ? 3 : 2);
  }
}

TEST_P(Projectiles, AnEmptyBonusStaysActiveUnseenAndUntouched) {
  g.BonusKind = 0, g.BonusActive = 1, g.BonusX = 105, g.BonusY = 111;
  morlo3::UpdateBonus(g);
  EXPECT_EQ(g.BonusActive, 1);
  EXPECT_EQ(Drawn(), 0);
  // An item already taken is neither drawn nor taken again.
  g.BonusKind = 3, g.BonusActive = 0;
  morlo3::UpdateBonus(g);
  EXPECT_EQ(g.Lives, 2);
  EXPECT_EQ(Drawn(), 0);
}

// ---- coins ----

class Coins : public Projectiles {
 protected:
  void Place(int32_t slot, int32_t x, int32_t y) { g.CoinTable[slot].X = x, g.CoinTable[slot].Y = y; }
  // Runs the shared animation to the given Ticks.
  void AnimateTo(int32_t ticks) {
    g.CoinTable[1].Ticks = ticks - 1;
    morlo3::UpdateCoins(g, 1);
  }
};

TEST_P(Coins, TheSharedAnimationTurnsTheCoinEveryFiveFrames) {
  Place(2, 900, 0);  // far from the player
  struct Step {
    int32_t frame, dx, dy;
  };
  const Step steps[20] = {{1, 0, 0}, {1, 0, 0}, {1, 0, 0},  {1, 0, 0},  {2, 0, 4},  {2, 0, 4},  {2, 0, 4},
                          {2, 0, 4}, {2, 0, 4}, {3, 12, 4}, {3, 12, 4}, {3, 12, 4}, {3, 12, 4}, {3, 12, 4},
                          {4, 0, 3}, {4, 0, 3}, {4, 0, 3},  {4, 0, 3},  {4, 0, 3},  {1, 0, 0}};
  g.CoinTable[1].Ticks = 0;
  for (int i = 0; i < 20; ++i) {
    morlo3::UpdateCoins(g, 1);
    const auto& a = g.CoinTable[1];
    EXPECT_EQ(a.Ticks, (i + 1) % 20) << i;
    EXPECT_EQ(a.Frame, steps[i].frame) << i;
    EXPECT_EQ(a.DX, steps[i].dx) << i;
    EXPECT_EQ(a.DY, steps[i].dy) << i;
  }
}

TEST_P(Coins, ACoinIsTakenWhenItsPictureMeetsThePlayerWithTheFramesOffset) {
  // Player test point (111, 116). A coin at x 75 is 24 away on frame 1 and
  // 12 away on frame 3, whose picture is drawn 12 to the right.
  Place(2, 75, 100);
  g.CoinTable[1].Ticks = 8;  // advances to 9: frame 2
  morlo3::UpdateCoins(g, 1);
  EXPECT_EQ(g.Coins, 0);
  EXPECT_EQ(g.CoinTable[2].Y, 100);
  morlo3::UpdateCoins(g, 1);  // ticks 10: frame 3
  EXPECT_EQ(g.Coins, 1);
  EXPECT_EQ(g.CoinTable[2].Y, -100);

  // Rows: |y + dy + 12 - 116| < 28. On frame 1, y 131 is reached and 132 not.
  g.CoinTable[1].Ticks = 19;  // advances to 0: frame 1
  Place(2, 100, 131);
  Place(3, 100, 132);
  Place(4, 100, 77);
  Place(5, 100, 76);
  morlo3::UpdateCoins(g, 4);
  EXPECT_EQ(g.CoinTable[2].Y, -100);
  EXPECT_EQ(g.CoinTable[3].Y, 132);
  EXPECT_EQ(g.CoinTable[4].Y, -100);
  EXPECT_EQ(g.CoinTable[5].Y, 76);
  EXPECT_EQ(g.Coins, 3);
}

TEST_P(Coins, TwoCoinsAreTakenInOneFrameAndTheTwentiethGivesALifeAtOnce) {
  g.Coins = 18, g.Lives = 2;
  Place(2, 99, 100);
  Place(3, 110, 100);
  Place(4, 500, 100);
  morlo3::UpdateCoins(g, 3);
  EXPECT_EQ(g.CoinTable[2].Y, -100);
  EXPECT_EQ(g.CoinTable[3].Y, -100);
  EXPECT_EQ(g.CoinTable[4].Y, 100);
  EXPECT_EQ(g.Lives, 3);
  EXPECT_EQ(g.Coins, 0);
}

TEST_P(Coins, ACollectedCoinIsNeverTakenAgain) {
  Place(2, 100, 100);
  morlo3::UpdateCoins(g, 1);
  EXPECT_EQ(g.Coins, 1);
  morlo3::UpdateCoins(g, 1);
  EXPECT_EQ(g.Coins, 1);
  // Not even by a player level with row -100.
  g.PlayerY = -110;
  for (int i = 0; i < 20; ++i) morlo3::UpdateCoins(g, 1);
  EXPECT_EQ(g.Coins, 1);
}

TEST_P(Coins, OnlyTheStageCoinsInPlayAreTakenAndACountBelowOneDoesNothing) {
  Place(2, 100, 100);
  Place(3, 100, 100);
  morlo3::UpdateCoins(g, 1);
  EXPECT_EQ(g.Coins, 1);
  EXPECT_EQ(g.CoinTable[3].Y, 100);
  const auto before = g.CoinTable[1];
  morlo3::UpdateCoins(g, 0);
  morlo3::DrawCoins(g, 0);
  EXPECT_EQ(g.CoinTable[1].Ticks, before.Ticks);
  EXPECT_EQ(g.CoinTable[3].Y, 100);
  EXPECT_EQ(Drawn(), 0);
  // More than the table's six stage coins reads only the six.
  for (int32_t i = 2; i <= 7; ++i) Place(i, 100, 100);
  g.Coins = 0;
  morlo3::UpdateCoins(g, 50);
  EXPECT_EQ(g.Coins, 6);
}

TEST_P(Coins, TheIconAndTheStageCoinsAreDrawnWithTheSharedFrame) {
  g.CameraX = 40, g.CameraY = 0;
  Place(2, 200, 60);
  Place(3, 250, -100);  // collected
  const struct {
    int32_t ticks, x1, x2, dx, dy;
  } frames[] = {{0, 303, 327, 0, 0}, {5, 328, 348, 0, 4}, {10, 349, 355, 12, 4}, {15, 356, 376, 0, 3}};
  for (const auto& f : frames) {
    SCOPED_TRACE(f.ticks);
    g.Screen->Clear(background_);
    AnimateTo(f.ticks);
    morlo3::DrawCoins(g, 2);
    EXPECT_EQ(g.CoinTable[1].X, 6);
    EXPECT_EQ(g.CoinTable[1].Y, 0);
    EXPECT_EQ(ShownAt(f.x1, 33, f.x2, 57, 6 + f.dx, 0 + f.dy), 0);
    EXPECT_EQ(ShownAt(f.x1, 33, f.x2, 57, 160 + f.dx, 60 + f.dy), 0);
    // Two pictures and nothing else: the collected coin is out of sight.
    int inIcon = 0, inCoin = 0;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x) {
        if (g.Screen->GetPixel(x, y) == background_) continue;
        const bool icon = x >= 6 && x < 6 + 40 && y < 40;
        const bool coin = x >= 160 && x < 160 + 40 && y >= 60 && y < 100;
        inIcon += icon, inCoin += coin;
        EXPECT_TRUE(icon || coin) << x << ", " << y;
      }
    EXPECT_GT(inIcon, 20);
    EXPECT_EQ(inIcon, inCoin);
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, Projectiles, ::testing::Values(16, 32));
INSTANTIATE_TEST_SUITE_P(Depths, Coins, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
