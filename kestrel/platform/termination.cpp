#include "kestrel/platform/termination.h"

#include <signal.h>

#include <csignal>
#include <initializer_list>

namespace kestrel::platform {
namespace {

volatile std::sig_atomic_t noted = 0;

void Note(int signal) { noted = signal; }

}  // namespace

void CatchTerminationSignals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = Note;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait on the terminal or on a helper process comes back
  // early, so the signal is seen at once.
  action.sa_flags = 0;
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
}

int TerminationSignal() { return int(noted); }

void ClearTerminationSignal() { noted = 0; }

}  // namespace kestrel::platform
