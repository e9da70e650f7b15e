// The engine's one failure path. A report is written to "KRL_ERR.txt" and the
// program ends; "ends" means an exception that only `main` catches, so the
// whole program can run inside a test.
#pragma once
#include <stdexcept>
#include <string>

namespace kestrel {

// Set by each display context's constructor, as its last step, to whether it
// is full screen. While true a report ends the program without a message.
extern bool HaltOnError;

// The name of the error log, written in the current directory.
inline constexpr const char* kErrorLogName = "KRL_ERR.txt";

class EngineError : public std::runtime_error {
 public:
  EngineError(const std::string& text, bool quiet) : std::runtime_error(text), quiet_(quiet) {}
  // True when the program is to end without showing the text (full screen).
  bool Quiet() const { return quiet_; }

 private:
  bool quiet_;
};

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

// Restores the desktop's display mode, writes the report to the log (a log that
// cannot be written does not stop it) and ends the program.
[[noreturn]] void RaiseEngineError(const std::string& text);

// Builds "[Tag]Operation -> Text".
std::string ReportText(const char* tag, const std::string& operation, const std::string& text);

// The description of a DirectDraw result code; "Unrecognized Error" for codes
// outside the table.
const char* DirectDrawErrorText(uint32_t code);

// What `main` does with an engine error: in a window the text goes to the user
// in a message box and to standard error. Returns the process exit code.
int HandleTopLevelError(const EngineError& error);

}  // namespace kestrel
