// The hero: walking, jumping, landing and being pushed by the mask, firing,
// and drawing the pose through PlayerCanvas.
#pragma once
#include <cstdint>

#include "morlo3/game_state.h"

namespace morlo3 {

// Puts the player at x 10 and the given height, falling, with every shot freed.
void ResetPlayer(GameState& g, int32_t startY);
void UpdatePlayer(GameState& g);
void DrawPlayer(GameState& g);

}  // namespace morlo3
