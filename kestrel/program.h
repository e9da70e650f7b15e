// The program around the engine's run, so that the game never calls the
// platform layer or the system itself: its start with the player's settings,
// the start-up question, and the exit code. Its scratch folder is in
// scratch.h, where it finds its data in data_files.h.
#pragma once
#include <string>

#include "kestrel/settings.h"

namespace kestrel {

// Called first, with the settings of the run (settings.h): they name the
// scratch folder and the fallback folder of the error log, and the
// termination signals (SIGINT, SIGTERM, SIGHUP) from now on close the window
// instead of killing the process, so the program ends through its own
// shutdown.
void StartProgram(const Settings& settings);

// Asks a Yes/No question (a message box, or KESTREL_ANSWER; the settings'
// answer where the environment gives none); true for Yes. A
// termination signal while it is open takes the question down and ends the
// program (ProgramExit).
bool AskYesNo(const std::string& caption, const std::string& text);

// The exit code of a run that ended normally with `code`: 128 + the signal
// after a termination signal. Also removes the scratch folder.
int FinalExitCode(int code);

}  // namespace kestrel
