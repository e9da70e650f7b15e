// The enemies: walkers, bats, throwers and undead, the falling hazards of the
// shaft and the dust of an undead getting up. Each update and draw routine
// visits the table's slots 1 to `count` in order.
#pragma once
#include <cstdint>

#include "morlo3/game_state.h"

namespace morlo3 {

void UpdateThrowers(GameState& g, int32_t count);
void DrawThrowers(GameState& g, int32_t count);
void UpdateWalkers(GameState& g, int32_t count);
void DrawWalkers(GameState& g, int32_t count);
void UpdateBats(GameState& g, int32_t count);
void DrawBats(GameState& g, int32_t count);
void UpdateUndead(GameState& g, int32_t count);
void DrawUndead(GameState& g, int32_t count);
void UpdateFallingHazards(GameState& g, int32_t count);
void DrawFallingHazards(GameState& g, int32_t count);
// Moves and draws the rising dust while it is active.
void UpdateRiseEffect(GameState& g);

}  // namespace morlo3
