// SIGINT, SIGTERM and SIGHUP as a request to close: the handler only notes
// the signal, and the display turns it into a close request at the next
// message pump, so the program ends through its own shutdown and removes
// what it made.
#pragma once

namespace kestrel::platform {

// Installs the handlers (once; later calls do nothing).
void CatchTerminationSignals();
// The signal that asked the program to end, or 0.
int TerminationSignal();
// Forgets a noted signal (tests).
void ClearTerminationSignal();

}  // namespace kestrel::platform
