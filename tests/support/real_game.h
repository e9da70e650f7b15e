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

#include "paths.h"
#include "processes.h"
#include "scratch_dir.h"
#include "xvfb.h"

extern char** environ;

namespace kestrel::testing {

// The shell line that runs the game in `scratch`'s folder, with that
// folder's TMPDIR and runtime folder: its frames are logged to frames.log,
// its standard output is appended to out.txt and its standard error written
// to err.txt, all in the folder. `settings` are env's arguments for this run
// (any -u NAME first, then NAME=value), `args` the game's own. The caller's
// KESTREL_* settings and video driver are left out: SDL finds the X server
// by DISPLAY, which RealGame sets.
inline std::string GameCommand(ScratchDir& scratch, const std::string& settings, const std::string& args = "") {
  const std::string folder = scratch.Path().string();
  return "env -C " + folder +
         " -u KESTREL_PLATFORM -u KESTREL_ANSWER -u KESTREL_INPUT -u KESTREL_CAPTURE -u KESTREL_RECORD"
         " -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY " +
         settings + " TMPDIR=" + scratch.Tmp().string() + " XDG_RUNTIME_DIR=" + scratch.Runtime().string() +
         " KESTREL_FRAMELOG=" + folder + "/frames.log " + kGame + " " + args + " >>" + folder + "/out.txt 2>" + folder +
         "/err.txt";
}

// The real backend has no frame bound, so a run's limit is the test's own:
// every wait on the game has a cap, and the game is killed when the object
// goes, however the test ended.
class RealGame {
 public:
  // `display` is the X display; `command` the shell command that runs the
  // game (GameCommand) or another program.
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
  const std::string& Display() const { return display_; }

  // Waits for the window with this caption and gives it the keyboard.
  bool FindWindow(const std::string& caption, int seconds = 30) {
    WaitUntil([&] { return !(window_ = FirstLineOn(display_, "xdotool search --name '" + caption + "'")).empty(); },
              seconds);
    if (window_.empty()) return false;
    Xdo("windowfocus --sync " + window_);
    return true;
  }
  // The window FindWindow found, as xdotool names it: its X id in decimal.
  const std::string& Window() const { return window_; }
  void KeyDown(const std::string& key) { Xdo("keydown " + key); }
  void KeyUp(const std::string& key) { Xdo("keyup " + key); }
  // Window coordinates: the 320 x 200 picture is shown doubled.
  void MoveTo(int x, int y) {
    Xdo("mousemove --window " + window_ + " " + std::to_string(x) + " " + std::to_string(y));
  }
  // xdotool with these arguments on the game's X server.
  bool Xdo(const std::string& args) {
    return std::system(("DISPLAY=" + display_ + " xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
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
  std::string display_;
  pid_t pid_ = -1;
  std::string window_;
};

}  // namespace kestrel::testing
