// The screens around the play: the story, the credits, a message line over
// the frame, the full-screen pictures that wait for Enter, and the loss of a
// life.
#pragma once
#include <cstdint>
#include <string>

#include "morlo3/game_state.h"

namespace morlo3 {

// The story pages; returns when they end or are skipped.
void StoryIntro(GameState& g);
// Scrolls the credits once, then ends the game.
void Credits(GameState& g);
// Writes a line of Windows-1252 text over the current frame and keeps it on
// screen for a while.
void ShowMessage(GameState& g, const std::string& text, int32_t x, int32_t y);
// The game-over picture, until Enter.
void GameOverScreen(GameState& g);
// A full-screen picture from BackdropSheet at (x1, y1)-(x2, y2), until
// Enter; then the stage routine.
using StageRoutineFn = void (*)(GameState&);
void StagePicture(GameState& g, int32_t x1, int32_t y1, int32_t x2, int32_t y2, StageRoutineFn stage);
// Once per stage frame: a lost life, the end of the game, or Esc.
void CheckLifeLost(GameState& g, int32_t respawnX, int32_t respawnY, int32_t fallLimit);

}  // namespace morlo3
