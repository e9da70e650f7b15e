// A private X server for tests that need a real window: started on a free
// display number and stopped with the test (or with us).
#pragma once
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "scoped_env.h"

// The X11 and OpenGL libraries SDL loads keep a few allocations for the life
// of the process and are unloaded before the leak check can name them. Leak
// checking pauses while a real X server is in use (in sanitizer builds).
extern "C" void __lsan_disable() __attribute__((weak));
extern "C" void __lsan_enable() __attribute__((weak));

namespace kestrel::testing {

struct LeakCheckPause {
  LeakCheckPause() {
    if (__lsan_disable) __lsan_disable();
  }
  ~LeakCheckPause() {
    if (__lsan_enable) __lsan_enable();
  }
};

class Xvfb {
 public:
  // Starts a server on a display number of its own. Two test programs
  // starting servers at once must never share one, so the number is the one
  // the server took, not one that merely looked free; and it is drawn at
  // random from a wide range, so that a server started after this one ends
  // does not take the same number while a game still looks for this one.
  // `screen` is the screen's size and depth, as Xvfb takes it.
  bool Start(const std::string& screen = "1024x768x24") {
    static std::mt19937 draw(std::random_device{}());
    for (int attempt = 0; attempt < 20; ++attempt)
      if (StartOn(":" + std::to_string(std::uniform_int_distribution<int>(100, 30000)(draw)), screen)) return true;
    return false;
  }
  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }
  ~Xvfb() { Stop(); }
  const std::string& Display() const { return display_; }

 private:
  // False when the number is taken: the server then ends at once.
  bool StartOn(const std::string& display, const std::string& screen) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      // The server goes with us, however the test ends.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      // -noreset: a server resets when its last client leaves, and a client
      // that connects meanwhile is refused.
      execlp("Xvfb", "Xvfb", display.c_str(), "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return false;
    }
    // The server writes its number once it takes connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    for (char c; poll(&p, 1, 20000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n';) number += c;
    close(fds[0]);
    if (number.empty()) {
      Stop();
      return false;
    }
    display_ = ":" + number;
    return true;
  }

  pid_t pid_ = -1;
  std::string display_;
};

// A private X server that SDL in this process shows its windows on: while
// the object lives, DISPLAY names the server, SDL's X11 driver is chosen and
// leak checking pauses.
class SdlOnXvfb {
 public:
  ::testing::AssertionResult Start(const std::string& screen = "1024x768x24") {
    if (!server_.Start(screen)) return ::testing::AssertionFailure() << "Xvfb could not be started";
    display_.emplace("DISPLAY", server_.Display());
    driver_.emplace("SDL_VIDEODRIVER", "x11");
    return ::testing::AssertionSuccess();
  }
  const std::string& Display() const { return server_.Display(); }

 private:
  LeakCheckPause pause_;
  Xvfb server_;
  std::optional<ScopedEnv> display_, driver_;
};

// What `command` (a shell line) prints under `display`; "" when it prints
// nothing or cannot run.
inline std::string OutputOn(const std::string& display, const std::string& command) {
  std::string out;
  if (FILE* p = popen(("DISPLAY=" + display + " " + command + " 2>/dev/null").c_str(), "r")) {
    char buf[256];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// Its first line, without the line's end.
inline std::string FirstLineOn(const std::string& display, const std::string& command) {
  const std::string out = OutputOn(display, command);
  return out.substr(0, out.find_first_of("\r\n"));
}

// The X ids of the windows whose title begins with `title`, in the X
// server's own list: a title stored as UTF-8 is not found by every tool.
inline std::vector<unsigned long> WindowsTitled(const std::string& display, const std::string& title) {
  std::istringstream ids(OutputOn(display, "xwininfo -root -tree | grep -F '\"" + title + "' | awk '{print $1}'"));
  std::vector<unsigned long> windows;
  for (std::string id; ids >> id;) windows.push_back(std::stoul(id, nullptr, 16));
  return windows;
}

// The first of them, or 0.
inline unsigned long WindowTitled(const std::string& display, const std::string& title) {
  const std::vector<unsigned long> windows = WindowsTitled(display, title);
  return windows.empty() ? 0 : windows.front();
}

}  // namespace kestrel::testing
