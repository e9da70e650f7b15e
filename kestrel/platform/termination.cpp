#include "kestrel/platform/termination.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstring>
#include <initializer_list>

namespace kestrel::platform {
namespace {

volatile std::sig_atomic_t noted = 0;
// Set while a message box holds the thread (EndAtOnceOnSignal), with the
// process that showed it.
volatile std::sig_atomic_t endAtOnce = 0;
volatile pid_t boxOwner = 0;

void Note(int signal) {
  noted = signal;
  if (endAtOnce) ::_exit(128 + signal);
}

// In a process forked while a box is up: the box is shown from it, and it
// must not outlive the program that asked for it.
void WhileABoxIsUp() {
  if (!endAtOnce) return;
  EndWithParent();
  if (::getppid() != boxOwner) ::_exit(1);
}

// Few and fixed: no allocation is needed on the way out.
std::array<void (*)(), 4> cleanups{};

void WriteAll(const char* text, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(STDERR_FILENO, text, size);
    if (n <= 0) return;
    text += n;
    size -= size_t(n);
  }
}

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
  // A write to a pipe whose reader has gone, or to the socket of a display
  // that has gone, fails as an error its writer handles (a frame log's write
  // error, the display's fatal-IO handler), rather than ending the process
  // unseen with its scratch folder left behind.
  signal(SIGPIPE, SIG_IGN);
  pthread_atfork(nullptr, nullptr, WhileABoxIsUp);
}

int TerminationSignal() { return int(noted); }

void ClearTerminationSignal() { noted = 0; }

EndAtOnceOnSignal::EndAtOnceOnSignal() {
  boxOwner = ::getpid();
  endAtOnce = 1;
  if (noted) ::_exit(128 + noted);
}

EndAtOnceOnSignal::~EndAtOnceOnSignal() { endAtOnce = 0; }

void AtAbruptEnd(void (*cleanup)()) {
  for (auto& slot : cleanups) {
    if (slot == cleanup) return;
    if (!slot) {
      slot = cleanup;
      return;
    }
  }
}

void EndAbruptly(const char* line, int code) {
  WriteAll(line, std::strlen(line));
  WriteAll("\n", 1);
  for (auto cleanup : cleanups)
    if (cleanup) cleanup();
  ::_exit(code);
}

}  // namespace kestrel::platform
