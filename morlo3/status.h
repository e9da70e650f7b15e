// The status display: energy, coins, lives, shot power and RirEza's health.
#pragma once
#include "morlo3/game_state.h"

namespace morlo3 {

void DrawStatus(GameState& g);

}  // namespace morlo3
