// A private X server for tests that need a real window: started on the
// first free display number and stopped with the test (or with us).
#pragma once
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
  // Starts a server on the first free display number from 90 on.
  bool Start() {
    for (int n = 90; n < 140; ++n) {
      const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
      struct stat st;
      if (stat(lock.c_str(), &st) == 0 || stat(socket.c_str(), &st) == 0) continue;
      display_ = ":" + std::to_string(n);
      pid_ = fork();
      if (pid_ == 0) {
        // The server goes with us, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execlp("Xvfb", "Xvfb", display_.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
      }
      if (pid_ < 0) return false;
      for (int i = 0; i < 100; ++i) {
        if (stat(socket.c_str(), &st) == 0) return true;
        int status;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
          pid_ = -1;  // lost a race for this number; try the next
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      Stop();
    }
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
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace kestrel::testing
