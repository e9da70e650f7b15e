// The real game binary in a real window on a private X server, played with
// xdotool: the game runs as a child process and the test presses keys and
// clicks as a person would. The game reads keys and buttons as held at each
// frame, so every press is held for some frames (see FramePacedPlayer).
#pragma once
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "xvfb.h"

extern char** environ;

namespace kestrel::testing {

// The real backend has no frame bound, so a run's limit is the test's own:
// every wait on the game has a cap, and the game is killed when the object
// goes, however the test ended.
class RealGame {
 public:
  // `display` is the X display; `command` the shell command that runs the game.
  RealGame(std::string display, const std::string& command) : display_(std::move(display)) {
    const std::string full = "DISPLAY=" + display_ + " exec " + command;
    const char* argv[] = {"/bin/sh", "-c", full.c_str(), nullptr};
    if (posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
  }
  ~RealGame() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Started() const { return pid_ > 0; }
  // The game's process id while it runs (the shell execs it).
  pid_t Pid() const { return pid_; }
  void Signal(int signal) {
    if (pid_ > 0) kill(pid_, signal);
  }

  // Waits for the window with this caption and gives it the keyboard.
  bool FindWindow(const std::string& caption, int seconds = 30) {
    for (int i = 0; i < seconds * 10 && window_.empty(); ++i) {
      window_ = FirstLineOn(display_, "xdotool search --name '" + caption + "' | head -n1");
      if (window_.empty()) Sleep(100);
    }
    if (window_.empty()) return false;
    Tool("windowfocus --sync " + window_);
    return true;
  }
  void KeyDown(const std::string& key) { Tool("keydown " + key); }
  void KeyUp(const std::string& key) { Tool("keyup " + key); }
  // Window coordinates: the 320 x 200 picture is shown doubled.
  void MoveTo(int x, int y) {
    Tool("mousemove --window " + window_ + " " + std::to_string(x) + " " + std::to_string(y));
  }
  // Only for polling a state between looks; presses are held for frames
  // (FramePacedPlayer), never for a guessed time.
  static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  // The exit code once the game has ended, or -1 while it is still running
  // after `seconds`.
  int Wait(int seconds) {
    if (pid_ <= 0) return -2;
    for (int i = 0;; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
      }
      if (i >= seconds * 20) return -1;
      Sleep(50);
    }
  }

 private:
  bool Tool(const std::string& args) {
    return std::system(("DISPLAY=" + display_ + " xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
  }
  std::string display_;
  pid_t pid_ = -1;
  std::string window_;
};

}  // namespace kestrel::testing
