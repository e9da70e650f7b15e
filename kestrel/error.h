// The engine's one failure path. A report is written to "KRL_ERR.txt" and the
// program ends; "ends" means an exception that only `main` catches, so the
// whole program can run inside a test.
#pragma once
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

#include "kestrel/platform/errors.h"

namespace kestrel {

// Set by each display context's constructor, as its last step, to whether it
// is full screen. While true a report ends the program without a message.
extern bool HaltOnError;

// The name of the error log, written in the current directory.
inline constexpr const char* kErrorLogName = "KRL_ERR.txt";

class EngineError : public std::runtime_error {
 public:
  EngineError(const std::string& text, bool quiet, std::string detail = {})
      : std::runtime_error(text), quiet_(quiet), detail_(std::move(detail)) {}
  // True when the program is to end without showing the text (full screen).
  bool Quiet() const { return quiet_; }
  // A second line for standard error only, such as the file a sound looked
  // for; the report itself and the log keep their one line.
  const std::string& Detail() const { return detail_; }

 private:
  bool quiet_;
  std::string detail_;
};

// The failures that end the program without the engine's report, which the
// platform layer raises too.
using platform::FatalError;
using platform::ProgramExit;
using platform::UsageError;

// Restores the desktop's display mode, writes the report to the log (a log that
// cannot be written does not stop it) and ends the program. `detail`, when
// given, follows the report on standard error only.
[[noreturn]] void RaiseEngineError(const std::string& text, const std::string& detail = {});

// Tools that print their own errors turn the log off, so that they leave no
// "KRL_ERR.txt" wherever they happen to run.
void SetErrorLogEnabled(bool enabled);

// When the current directory cannot take the log, it goes to
// $XDG_STATE_HOME/<name>/ (or ~/.local/state/<name>/), and standard error
// says where. Without a name there is no second place.
void SetErrorLogFallback(const std::string& name);

// The caption of the last display context made: the error path's message
// box carries it.
void SetErrorCaption(const std::string& caption);

// Builds "[Tag]Operation -> Text".
std::string ReportText(const char* tag, const std::string& operation, const std::string& text);

// A result code and its description, a row of the tables of DirectDraw's and
// DirectInput's results.
struct CodeText {
  uint32_t code;
  const char* text;
};

// The description `table` gives `code`; "Unrecognized Error" for a code it
// does not hold.
const char* TextOfCode(std::span<const CodeText> table, uint32_t code);

// The description of a DirectDraw result code; "Unrecognized Error" for codes
// outside the table.
const char* DirectDrawErrorText(uint32_t code);

// What `main` does with an engine error: the text goes to standard error, and
// in a window also to the user in a message box. Returns the process exit code.
int HandleTopLevelError(const EngineError& error);

// Called from `main`'s catch-all: turns the exception being handled into its
// message and the process exit code (2 for a UsageError, 1 for any other).
int HandleTopLevelException();

}  // namespace kestrel
