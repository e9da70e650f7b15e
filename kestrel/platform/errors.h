// The ways a run ends besides the engine's report (kestrel/error.h, which
// hands these on to the engine and the game): each is an exception that only
// `main` catches, so the whole program can run inside a test.
#pragma once
#include <stdexcept>

namespace kestrel::platform {

// A failure outside the engine's report path that still ends the program:
// "Cannot open file data.kpk", a decompression error, a decoder meeting
// corrupt data. `main` shows the text and exits non-zero; no log is written.
class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Thrown to end the program normally from deep inside a loop (after Shutdown).
class ProgramExit {
 public:
  explicit ProgramExit(int code = 0) : code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// A bad setting from outside the program (an environment variable, a
// command-line argument): one line on standard error and exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kestrel::platform
