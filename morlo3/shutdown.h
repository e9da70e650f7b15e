// The program's orderly end. It sits below the menu, the stages and the
// screens, so a closed window in any of their loops ends the program by
// calling down into this unit.
#pragma once

#include "morlo3/game_state.h"

namespace morlo3 {

// Releases what start-up made, in a fixed order; objects not made yet are
// skipped, and it is safe to call twice.
void Shutdown(GameState& game);
// Shutdown, then the end of the program.
[[noreturn]] void ShutdownAndExit(GameState& game);

}  // namespace morlo3
