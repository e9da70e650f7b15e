#include "kestrel/program.h"

#include "kestrel/error.h"
#include "kestrel/platform/display.h"
#include "kestrel/platform/termination.h"
#include "kestrel/scratch.h"

namespace kestrel {

void StartProgram(const Settings& settings) {
  UseSettings(settings);
  SetErrorLogFallback(settings.programName);
  platform::CatchTerminationSignals();
}

bool AskYesNo(const std::string& caption, const std::string& text) {
  // The player's settings answer only where the environment does not.
  const StartupAnswer preset = CurrentSettings().fullScreen;
  if (preset != StartupAnswer::Ask && platform::AnswerFromEnvironment() < 0) return preset == StartupAnswer::Yes;
  const bool yes = platform::GetDisplay().AskYesNo(caption, text);
  // A signal while the question was open: nothing has been made yet.
  if (platform::TerminationSignal() != 0) throw ProgramExit(FinalExitCode(0));
  return yes;
}

int FinalExitCode(int code) {
  RemoveScratchFolder();
  if (const int signal = platform::TerminationSignal(); signal != 0 && code == 0) return 128 + signal;
  return code;
}

}  // namespace kestrel
