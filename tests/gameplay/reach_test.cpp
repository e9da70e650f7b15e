// The reach of every contact and hit box, on both axes and at both edges.
// Each box is a strict reach around a point of the figure: the player's body
// centre (x + 12, y + 18), a player shot, or for coins the player's own point
// (x + 11, y + 16), is inside when it is less than the reach away on both
// axes. Figures may move a pixel before they test, so every case is judged
// from where the figure stood when the frame was over.
#include <functional>
#include <string>

#include "figure_fixture.h"
#include "morlo3/enemies.h"
#include "morlo3/projectiles.h"
#include "morlo3/sorcerer.h"

namespace kestrel::testing {
namespace {

struct Point {
  int32_t x, y;
};

// One box: how to set its owner up, its point, its reach, one frame of its
// routine, and whether that frame counted a hit.
struct Box {
  std::string name;
  bool byShot;  // tested against a player shot rather than the player
  std::function<void(morlo3::GameState&)> setUp;
  std::function<Point(const morlo3::GameState&)> point;
  std::function<Point(const morlo3::GameState&)> reach;
  std::function<void(morlo3::GameState&)> frame;
  std::function<bool(const morlo3::GameState&)> hit;
};

class Reach : public FigureTest {
 protected:
  // The player's point a box measures from, for coins their own.
  static Point PlayerPoint(const morlo3::GameState& g, bool coin) {
    return coin ? Point{g.PlayerX + 11, g.PlayerY + 16} : Point{g.PlayerX + 12, g.PlayerY + 18};
  }

  // Places the player's point, or a shot, at (dx, dy) from the box's point,
  // runs one frame, and checks the verdict against the offset that held
  // after it.
  void Try(const Box& b, bool coin, int32_t dx, int32_t dy, int seen[2][2][2]) {
    FreeAllShots();
    g.Energy = 100, g.HurtTimer = 100, g.Coins = 0;
    g.PlayerX = 500, g.PlayerY = 100;
    b.setUp(g);
    const Point p = b.point(g);
    if (b.byShot) {
      PlaceShot(1, p.x + dx, p.y + dy);
      // The player stays well away, in range and clear of every box.
      g.PlayerX = p.x + 150, g.PlayerY = p.y - 150;
    } else {
      const Point off = PlayerPoint(g, coin);
      g.PlayerX += p.x + dx - off.x;
      g.PlayerY += p.y + dy - off.y;
    }
    const Point shotAt{p.x + dx, p.y + dy};
    b.frame(g);
    const Point q = b.point(g), r = b.reach(g);
    const Point other = b.byShot ? shotAt : PlayerPoint(g, coin);
    const int32_t ax = std::abs(other.x - q.x), ay = std::abs(other.y - q.y);
    const bool inside = ax < r.x && ay < r.y;
    EXPECT_EQ(b.hit(g), inside) << b.name << ": " << ax << " across of " << r.x << ", " << ay << " down of " << r.y;
    // Which edges this case stood on: [axis][outside][hit].
    if (ay < r.y && (ax == r.x - 1 || ax == r.x)) seen[0][ax == r.x][b.hit(g)] += 1;
    if (ax < r.x && (ay == r.y - 1 || ay == r.y)) seen[1][ay == r.y][b.hit(g)] += 1;
  }

  void Check(const Box& b, bool coin = false) {
    int seen[2][2][2] = {};
    const Point r0 = [&] {
      b.setUp(g);
      return b.reach(g);
    }();
    // Around both edges of both axes, a few pixels either way.
    for (int32_t side : {-1, 1})
      for (int32_t k = -3; k <= 3; ++k) {
        Try(b, coin, side * (r0.x + k), 0, seen);
        Try(b, coin, 0, side * (r0.y + k), seen);
      }
    for (int axis : {0, 1}) {
      EXPECT_GT(seen[axis][0][1], 0) << b.name << ": no hit seen just inside on axis " << axis;
      EXPECT_GT(seen[axis][1][0], 0) << b.name << ": no miss seen on the edge on axis " << axis;
    }
  }

  // A figure of a kind, standing still on the ground at (300, y).
  static void Figure(morlo3::EnemyRecord& e, int32_t y, int32_t state = 1) {
    e = {};
    e.X = 300, e.Y = y, e.State = state, e.Health = 50, e.PatrolMin = 300, e.PatrolMax = 300;
  }
  static Point At(const morlo3::EnemyRecord& e, int32_t dx, int32_t dy) { return {e.X + dx, e.Y + dy}; }
  static Point Fixed(int32_t x, int32_t y) { return {x, y}; }
};

// Energy lost to a contact.
bool Hurt(const morlo3::GameState& g) { return g.Energy < 100; }
// A player shot spent on the box.
bool ShotSpent(const morlo3::GameState& g) { return g.PlayerShots[1].Y == morlo3::kFreeShot; }

TEST_P(Reach, EveryEnemysShotAndContactBox) {
  // Throwers settle with their top at 105 over ground at 150 (their test
  // point is 44 below the top), walkers at 111 and undead at 116.
  const Box boxes[] = {
      {"thrower, shot", true, [](auto& g) { Figure(g.Throwers[1], 105); },
       [](const auto& g) { return At(g.Throwers[1], 0, 23); }, [](const auto&) { return Fixed(15, 23); },
       [](auto& g) { morlo3::UpdateThrowers(g, 1); }, ShotSpent},
      {"thrower, contact", false, [](auto& g) { Figure(g.Throwers[1], 105); },
       [](const auto& g) { return At(g.Throwers[1], 0, 23); }, [](const auto&) { return Fixed(27, 41); },
       [](auto& g) { morlo3::UpdateThrowers(g, 1); }, Hurt},
      {"walker, shot", true, [](auto& g) { Figure(g.Walkers[1], 111); },
       [](const auto& g) { return At(g.Walkers[1], 0, 19); }, [](const auto&) { return Fixed(13, 19); },
       [](auto& g) { morlo3::UpdateWalkers(g, 1); }, ShotSpent},
      {"walker, contact", false, [](auto& g) { Figure(g.Walkers[1], 111); },
       [](const auto& g) { return At(g.Walkers[1], 0, 19); }, [](const auto&) { return Fixed(26, 37); },
       [](auto& g) { morlo3::UpdateWalkers(g, 1); }, Hurt},
      {"undead, shot", true, [](auto& g) { Figure(g.Undead[1], 116); },
       [](const auto& g) { return At(g.Undead[1], 0, 33); }, [](const auto&) { return Fixed(17, 33); },
       [](auto& g) { morlo3::UpdateUndead(g, 1); }, ShotSpent},
      {"undead, contact", false, [](auto& g) { Figure(g.Undead[1], 116); },
       [](const auto& g) { return At(g.Undead[1], 0, 16); }, [](const auto&) { return Fixed(30, 34); },
       [](auto& g) { morlo3::UpdateUndead(g, 1); }, Hurt},
      // A bat's reach is its half wing span, 37 on its first picture.
      {"bat, shot", true, [](auto& g) { Figure(g.Bats[1], 60), g.Bats[1].HalfWidth = 37; },
       [](const auto& g) { return At(g.Bats[1], 0, 19); }, [](const auto& g) { return Fixed(g.Bats[1].HalfWidth, 19); },
       [](auto& g) { morlo3::UpdateBats(g, 1); }, ShotSpent},
      {"bat, contact", false, [](auto& g) { Figure(g.Bats[1], 60), g.Bats[1].HalfWidth = 37; },
       [](const auto& g) { return At(g.Bats[1], 0, 16); },
       [](const auto& g) { return Fixed(g.Bats[1].HalfWidth + 12, 34); }, [](auto& g) { morlo3::UpdateBats(g, 1); },
       Hurt},
      {"falling hazard, contact", false,
       [](auto& g) {
         g.FallingHazards[1] = {};
         g.FallingHazards[1].X = 300, g.FallingHazards[1].Y = 60;
       },
       [](const auto& g) { return At(g.FallingHazards[1], 22, 14); }, [](const auto&) { return Fixed(34, 32); },
       [](auto& g) { morlo3::UpdateFallingHazards(g, 1); }, Hurt},
  };
  for (const Box& b : boxes) {
    b.setUp(g);
    Check(b);
  }
}

TEST_P(Reach, RirEzaHisBoltTheMissilesTheBonusAndTheCoins) {
  auto sorcerer = [](morlo3::GameState& g) {
    g.SorcererX = g.SorcererTargetX = 300, g.SorcererY = g.SorcererTargetY = 40;
    g.SorcererMode = 3, g.CastTicks = 5;  // casting: he stays where he is
  };
  auto bolt = [](morlo3::GameState& g) {
    g.BoltActive = 1, g.BoltState = 1, g.BoltTicks = 1;
    g.BoltX = 300, g.BoltY = 60, g.BoltTargetX = 900, g.BoltTargetY = 60 + 14;
    g.HurtTimer = 16;  // the bolt hurts past 15
  };
  auto missile = [](morlo3::GameState& g) {
    for (auto& s : g.EnemyShots) s = {0, morlo3::kFreeShot, 0};
    g.EnemyShots[1] = {300, 60, 3};
  };
  auto bonus = [](morlo3::GameState& g) { g.BonusX = 300, g.BonusY = 60, g.BonusKind = 1, g.BonusActive = 1; };
  auto coin = [](morlo3::GameState& g) {
    g.CoinTable[1] = {};  // the shared animation's first picture, drawn at its place
    g.CoinTable[2] = {300, 60, 0, 0, 0, 0};
  };
  const Box boxes[] = {
      {"RirEza, shot", true, sorcerer, [](const auto& g) { return Fixed(g.SorcererX + 20, g.SorcererY + 49); },
       [](const auto&) { return Fixed(22, 50); }, morlo3::UpdateSorcerer, ShotSpent},
      {"RirEza, contact", false, sorcerer, [](const auto& g) { return Fixed(g.SorcererX + 20, g.SorcererY + 49); },
       [](const auto&) { return Fixed(32, 67); }, morlo3::UpdateSorcerer, Hurt},
      {"bolt", false, bolt, [](const auto& g) { return Fixed(g.BoltX + 14, g.BoltY + 14); },
       [](const auto&) { return Fixed(26, 32); }, morlo3::UpdateBolt, Hurt},
      {"thrown missile", false, missile,
       [](const auto& g) { return Fixed(g.EnemyShots[1].X + 7, g.EnemyShots[1].Y + 7); },
       [](const auto&) { return Fixed(19, 25); }, morlo3::MoveEnemyShots, Hurt},
      {"bonus", false, bonus, [](const auto& g) { return Fixed(g.BonusX + 7, g.BonusY + 7); },
       [](const auto&) { return Fixed(19, 25); }, morlo3::UpdateBonus,
       [](const auto& g) { return g.BonusActive == 0; }},
  };
  for (const Box& b : boxes) {
    b.setUp(g);
    Check(b);
  }
  const Box coins{"coin", false, coin,
                  // A coin taken moves off the stage: its point is where it lay.
                  [](const auto&) { return Fixed(300 + 12, 60 + 12); }, [](const auto&) { return Fixed(24, 28); },
                  [](auto& g) { morlo3::UpdateCoins(g, 1); }, [](const auto& g) { return g.Coins == 1; }};
  coins.setUp(g);
  Check(coins, true);
}

INSTANTIATE_TEST_SUITE_P(Depths, Reach, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
