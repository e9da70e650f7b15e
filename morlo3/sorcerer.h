// RirEza, the sorcerer of the last stage, and his homing bolt.
#pragma once
#include "morlo3/game_state.h"

namespace morlo3 {

void UpdateSorcerer(GameState& g);
void DrawSorcerer(GameState& g);
// Moves and draws the bolt while it is active.
void UpdateBolt(GameState& g);

}  // namespace morlo3
