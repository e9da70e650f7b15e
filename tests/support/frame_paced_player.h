// Plays the real game by its own frames rather than by the clock: the frame
// log it writes (KESTREL_FRAMELOG) says how far it has come, so a loaded
// machine only slows the session down. A press is held for some frames, so
// that it is never let go within the frame it came in.
#pragma once
#include <cstdlib>
#include <fstream>
#include <string>

#include "real_game.h"

namespace kestrel::testing {

class FramePacedPlayer {
 public:
  FramePacedPlayer(RealGame& game, std::string display, std::string frameLog)
      : game_(game), display_(std::move(display)), frameLog_(std::move(frameLog)) {}

  // Frames shown so far: the lines of the frame log.
  size_t Frames() const {
    std::ifstream in(frameLog_);
    size_t n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
  }
  // Waits until the game has shown `frames` frames in all; false when it
  // stopped first. The minute's cap only ends a run that hangs.
  bool Reach(size_t frames) {
    for (int i = 0; i < 1200; ++i) {
      if (Frames() >= frames) return true;
      if (Ended()) return false;
      RealGame::Sleep(50);
    }
    return false;
  }
  // Waits until `frames` more frames were shown.
  bool Wait(size_t frames) { return Reach(Frames() + frames); }
  // Whether the game has ended; ExitCode() then says how.
  bool Ended() {
    if (exitCode_ == -1) exitCode_ = game_.Wait(0);
    return exitCode_ != -1;
  }
  int ExitCode() const { return exitCode_; }
  void Hold(const std::string& key, size_t frames) {
    game_.KeyDown(key);
    Wait(frames);
    game_.KeyUp(key);
  }
  void Click(int x, int y) {
    game_.MoveTo(x, y);
    Wait(2);
    Xdo("mousedown 1");
    Wait(4);
    Xdo("mouseup 1");
  }
  // Clicks at (x, y) a second of frames apart until the game ends; its exit
  // code, or -1 when it still runs after `tries` clicks.
  int ClickUntilEnded(int x, int y, int tries = 10) {
    for (int i = 0; i < tries && !Ended(); ++i) {
      Click(x, y);
      Wait(60);
    }
    return Ended() ? exitCode_ : -1;
  }
  void Xdo(const std::string& args) {
    std::system(("DISPLAY=" + display_ + " xdotool " + args + " >/dev/null 2>&1").c_str());
  }

 private:
  RealGame& game_;
  std::string display_, frameLog_;
  int exitCode_ = -1;
};

}  // namespace kestrel::testing
