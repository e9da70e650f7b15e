// Plays the real game by its own frames rather than by the clock: the frame
// log it writes (KESTREL_FRAMELOG) says how far it has come, so a loaded
// machine only slows the session down. A press is held for some frames, so
// that it is never let go within the frame it came in.
#pragma once
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "files.h"
#include "real_game.h"

namespace kestrel::testing {

// Window coordinates of the settled main menu's elements: the picture is
// shown doubled.
inline constexpr int kNewGameX = 2 * 76, kNewGameY = 2 * 137;
inline constexpr int kOptionsX = 2 * 134, kOptionsY = 2 * 137;
inline constexpr int kOptionsQuitX = 2 * 294, kOptionsQuitY = 2 * 138;
inline constexpr int kQuitX = 2 * 265, kQuitY = 2 * 137;

// The hashes of a frame log, frame 1 first; only whole lines count.
inline std::vector<std::string> FrameHashes(const std::string& log) {
  std::vector<std::string> hashes;
  const std::string text = ReadText(log);
  std::istringstream in(text.substr(0, text.rfind('\n') + 1));
  for (std::string frame, hash; in >> frame >> hash;) hashes.push_back(hash);
  return hashes;
}

class FramePacedPlayer {
 public:
  // `frameLog` is the game's: GameCommand's, in the test's own folder.
  explicit FramePacedPlayer(RealGame& game, std::string frameLog = "frames.log")
      : game_(game), frameLog_(std::move(frameLog)) {}

  // Frames shown so far: the lines of the frame log.
  size_t Frames() const { return CountLines(frameLog_); }
  std::vector<std::string> Hashes() const { return FrameHashes(frameLog_); }
  // The hash of the last frame shown; "" before the first.
  std::string LastHash() const {
    const std::vector<std::string> hashes = Hashes();
    return hashes.empty() ? "" : hashes.back();
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
  // Waits until `ready` holds, looking again after each new frame, for at
  // most `frames` frames; false when they went by first or the game ended.
  bool WaitFor(size_t frames, const std::function<bool()>& ready) {
    const size_t limit = Frames() + frames;
    while (!ready())
      if (Frames() >= limit || !Wait(1)) return ready();
    return true;
  }
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
  // From the start into stage 1, with the options page on the way: Esc held
  // skips the story as soon as loading is over, and as the menu does not
  // read it, it stays held until a game is about to start. The menu's
  // elements take two seconds of frames to slide in; "Novo Jogo" then shows
  // the picture before stage 1, which waits for Enter. False when the game
  // did not get that far.
  bool PlayIntoStageOne() {
    game_.KeyDown("Escape");
    if (!Reach(360)) return false;
    Click(kOptionsX, kOptionsY);
    Wait(150);
    Click(kOptionsQuitX, kOptionsQuitY);
    Wait(150);
    game_.KeyUp("Escape");
    Click(kNewGameX, kNewGameY);
    Wait(30);
    Hold("Return", 8);
    return Wait(30);
  }
  void Xdo(const std::string& args) { game_.Xdo(args); }

 private:
  RealGame& game_;
  std::string frameLog_;
  int exitCode_ = -1;
};

}  // namespace kestrel::testing
