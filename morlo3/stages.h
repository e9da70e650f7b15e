// The eight stages: their set-up from the stage table and the one frame loop
// they all share.
#pragma once
#include <cstdint>

#include "morlo3/game_state.h"
#include "morlo3/stage_table.h"

namespace morlo3 {

// Each sets its stage up and runs it until it ends. A stage left by its exit
// has advanced StageNumber; a lost, abandoned or won game has set it to 1 and
// cleared GameRunning.
void RunStage1(GameState& g);
void RunStage2(GameState& g);
void RunStage3(GameState& g);
void RunStage4(GameState& g);
void RunStage5(GameState& g);
void RunStage6(GameState& g);
void RunStage7(GameState& g);
void RunStage8(GameState& g);

// What the main menu runs for stage `number`: the picture before stages 1 and
// 5, then the stage.
void StageEntry(GameState& g, int32_t number);

// Writes a stage's start values into the game state: the player, the enemy
// tables, the coins and RirEza, drawing random numbers in slot order.
void SetUpStage(GameState& g, const StageFacts& stage);
// Everything a stage's routine does before its first frame: the player at
// the start, the start values, the hurt timer at 20 whatever the last stage
// left, and the stage's pictures.
void StartStage(GameState& g, const StageFacts& stage);
// One frame of a running stage, from the message pump to the present.
void StageFrame(GameState& g, const StageFacts& stage);
// The random ambient cries.
void PlayAmbient(GameState& g);

}  // namespace morlo3
