// SIGINT, SIGTERM and SIGHUP as a request to close: the handler only notes
// the signal, and the display turns it into a close request at the next
// message pump, so the program ends through its own shutdown and removes
// what it made.
#pragma once

namespace kestrel::platform {

// Installs the handlers, and ignores SIGPIPE so that a broken pipe or a
// dead display's socket is a write error (once; later calls do nothing).
void CatchTerminationSignals();
// The signal that asked the program to end, or 0.
int TerminationSignal();
// Forgets a noted signal (tests).
void ClearTerminationSignal();

// A message box holds the thread that shows it until it is answered, so a
// termination signal cannot reach the program's own shutdown meanwhile.
// While one of these lives, a termination signal ends the process at once
// with 128 + the signal, and a process forked meanwhile (SDL shows a box
// from a process of its own) goes with it. One noted before ends it at
// construction. Whoever shows a box this way has nothing left to clean up.
class EndAtOnceOnSignal {
 public:
  EndAtOnceOnSignal();
  ~EndAtOnceOnSignal();
  EndAtOnceOnSignal(const EndAtOnceOnSignal&) = delete;
  EndAtOnceOnSignal& operator=(const EndAtOnceOnSignal&) = delete;
};

// Makes this process, a helper forked while a message box is up, end with
// the program that forked it (the SDL backend's, as SDL forks to show a box).
void EndWithParent();

// For an end that cannot go through the program's own shutdown or even the
// usual exit, as when the display's connection is gone and any exit handler
// that touches the window would wait on it for ever: `cleanup` is run by
// EndAbruptly. Registering the same routine again does nothing.
void AtAbruptEnd(void (*cleanup)());
// Writes `line` and a line break to standard error, runs the registered
// clean-ups, and ends the process with `code` at once: no exit handlers, no
// destructors.
[[noreturn]] void EndAbruptly(const char* line, int code);

}  // namespace kestrel::platform
