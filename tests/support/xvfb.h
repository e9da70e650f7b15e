// A private X server for tests that need a real window: started on a free
// display number and stopped with the test (or with us).
#pragma once
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

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
  // Starts a server on a display number it picks itself. Two test programs
  // starting servers at once must never share one, so the number is the one
  // the server took, not one that merely looked free.
  // `screen` is the screen's size and depth, as Xvfb takes it.
  bool Start(const std::string& screen = "1024x768x24") {
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
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-noreset",
             static_cast<char*>(nullptr));
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
  pid_t pid_ = -1;
  std::string display_;
};

// What `command` (a shell line) prints on its first line under `display`,
// without the line's end; "" when it prints nothing or cannot run.
inline std::string FirstLineOn(const std::string& display, const std::string& command) {
  FILE* p = popen(("DISPLAY=" + display + " " + command + " 2>/dev/null").c_str(), "r");
  char buf[128] = {};
  if (p) {
    if (!fgets(buf, sizeof buf, p)) buf[0] = 0;
    pclose(p);
  }
  std::string s(buf);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace kestrel::testing
