// The player's missiles, the thrown missiles, the one bonus item and the
// stage's coins.
#pragma once
#include <cstdint>

#include "morlo3/game_state.h"

namespace morlo3 {

// Moves and draws the player's missiles. The argument (the stage width plus
// 10) is passed by every stage and used by none.
void MovePlayerShots(GameState& g, int32_t stageLimit);
// Moves and draws the thrown missiles; they hurt the player on contact.
void MoveEnemyShots(GameState& g);
// Leaves a bonus item of a random kind at (x, y), replacing any still lying.
void SpawnBonus(GameState& g, int32_t x, int32_t y);
// Draws the bonus item and lets the player collect it.
void UpdateBonus(GameState& g);
// Advances the shared coin animation and collects the coins the player
// touches; `count` stage coins lie in slots 2 to count + 1.
void UpdateCoins(GameState& g, int32_t count);
void DrawCoins(GameState& g, int32_t count);

}  // namespace morlo3
