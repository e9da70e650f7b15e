// The main menu with its help and options pages; the hub that runs the stages.
#pragma once
#include <cstdint>

#include "morlo3/game_state.h"

namespace morlo3 {

// Runs until "Sair" on the main page is clicked.
void MainMenu(GameState& g);
// Whether the pointer lies in the rectangle, edges included; in the window the
// client position is halved first.
bool MouseIn(GameState& g, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

}  // namespace morlo3
