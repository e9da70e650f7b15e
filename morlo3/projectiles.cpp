#include "morlo3/projectiles.h"

namespace morlo3 {

void SpawnBonus(GameState& g, int32_t x, int32_t y) {
  // Nothing 41 in 100, energy 29, shot power 20, a life 10.
  const int32_t r = Random(g, 100);
  g.BonusKind = r <= 40 ? 0 : r <= 69 ? 1 : r <= 89 ? 2 : 3;
  g.BonusX = x;
  g.BonusY = y;
  g.BonusActive = 1;
}

}  // namespace morlo3
