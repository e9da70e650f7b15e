// Other programs run from a test: whether the tools it needs are installed,
// a shell line's exit code, and a bounded wait on what they do.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>

namespace kestrel::testing {

// The exit code of a shell line, or -1 when it did not exit by itself.
inline int RunProcess(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether every program is installed. The suite's package list brings them
// all, so a missing one is a failure that names its package, never a skip.
inline ::testing::AssertionResult Installed(std::initializer_list<const char*> programs) {
  std::string missing;
  for (const std::string program : programs) {
    if (RunProcess("command -v " + program + " >/dev/null 2>&1") == 0) continue;
    const std::string package = program == "Xvfb"                                     ? "xvfb"
                                : program == "xmessage" || program == "xwininfo"      ? "x11-utils"
                                : program.starts_with("msg") || program == "xgettext" ? "gettext"
                                                                                      : program;
    missing += (missing.empty() ? "" : "; ") + program + " is missing: apt-get install " + package;
  }
  if (missing.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << missing;
}

// Waits until `ready` holds, looking every 20 ms; false when it did not
// within `seconds`. The cap only ends a wait for what never comes: a test
// waits on the event itself, never on a guessed time.
inline bool WaitUntil(const std::function<bool()>& ready, int seconds = 60) {
  for (int i = 0; i < seconds * 50; ++i) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return ready();
}

}  // namespace kestrel::testing
