// The program from its entry: the full-screen question, the loading screen
// while everything is made and loaded, then the story and the menu. The top
// of the game: nothing in it calls back up here.
#pragma once
#include <string>
#include <vector>

#include "morlo3/game_state.h"

namespace morlo3 {

// Runs the whole program with its command-line arguments (without the
// program's name) and returns its exit code: 0 after a normal shutdown or
// --help and --version, 2 for a bad argument or setting, 1 after an engine
// error or any other failure.
int Main(const std::vector<std::string>& args = {});

// The start-up sequence, then the story, the menu and Shutdown. Ends by
// throwing kestrel::ProgramExit; engine errors leave as kestrel::EngineError.
[[noreturn]] void Run(GameState& game);

void SetUpColours(GameState& game);
// The walking poses by walk step, without and with fire held.
void FillPoseTables(GameState& game);
// Widens the loading bar by one step and presents it; a closed window ends
// the program through Shutdown.
void LoadingStep(GameState& game);
// Extracts the twelve sounds into a scratch folder made for this run and
// opens them.
void LoadSounds(GameState& game);

// The file name in this run's scratch folder.
std::string ScratchPath(const GameState& game, const std::string& fileName);

}  // namespace morlo3
