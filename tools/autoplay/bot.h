// The automatic player. After every presented frame it looks at the game
// state (and the stage mask) and decides what a person at the keyboard and
// mouse would do next: keys pressed and released, the pointer moved, the
// button pressed. It never writes the game state; everything it does goes
// through the input layer as events, which also make up its recording.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "kestrel/platform/headless/headless.h"
#include "morlo3/game_state.h"
#include "morlo3/player.h"
#include "tools/autoplay/planner.h"

namespace autoplay {

using kestrel::platform::ScriptEvent;

struct BotSettings {
  int32_t difficulty = 0;  // 0 normal, 1 hard
  // Frames the player stands still at the start of the first stage. The
  // ambient cries draw a random number every frame, so each wait moves every
  // later draw: a player that wins whatever the wait wins by play, not by a
  // lucky sequence.
  int32_t startDelay = 0;
  // Plays with the sound off, which draws fewer random numbers still.
  bool soundOff = false;
  // Writes what the player decides, frame by frame, to stderr.
  bool verbose = false;
};

// How the run went, stage by stage.
struct StageReport {
  uint64_t firstFrame = 0, frames = 0;
  int32_t livesLost = 0;
  int32_t energyLost = 0;  // by hits, not counting the refill of a lost life
  int32_t coins = 0;       // coins taken
  int32_t kills = 0;
  int32_t shotPowerAtStart = 0, energyAtStart = 0, livesAtStart = 0;
};

struct BotReport {
  std::array<StageReport, morlo3::kStageCount> stages{};
  bool storySkipped = false;
  bool difficultySet = false;
  bool gameStarted = false;
  bool creditsSeen = false;
  bool quitClicked = false;
  int32_t livesLost = 0;
  uint64_t creditsFrames = 0;
  int32_t difficultyPlayed = -1;
};

class Bot {
 public:
  Bot(const morlo3::GameState& g, BotSettings settings);

  // Called once frame `frame` has been presented; the events to apply before
  // the next frame is made.
  std::vector<ScriptEvent> Act(uint64_t frame);

  const BotReport& Report() const { return report_; }

 private:
  enum class Phase { Loading, Story, Menu, Picture, Stage, Credits };
  Phase PhaseNow() const;

  // ---- input, as a person holds it ----
  void Key(int code, bool down);
  void Pointer(int32_t x, int32_t y);
  void Button(bool down);
  void ReleaseKeys();

  // ---- the screens around the play ----
  void StoryFrame();
  void MenuFrame();
  void PictureFrame();
  // Clicks a menu element once it has come to rest; true when done.
  bool Click(int element);

  // ---- the stages ----
  void StageFrame();
  void StartStage(int32_t number);
  void Observe();
  struct Foe;
  void GatherFoes();
  // The keys of the next frame.
  Move ChooseMove(const PlayerMotion& m);
  bool FollowRoute(const PlayerMotion& m, Move& move);
  // RirEza is fought from the arena's highest ledge, out of the undead's reach.
  static constexpr int32_t kSpotMinX = 345, kSpotMaxX = 405, kSpotTop = 90;
  bool AtFightingSpot(const PlayerMotion& m) const;
  bool Engage(const PlayerMotion& m, Move& move);
  bool ShotWouldHit(const morlo3::ShotLaunch& shot) const;
  void Log(const std::string& text) const;
  // What stands near enough to have hurt the player this frame.
  std::string Culprits() const;

  const morlo3::GameState& g_;
  BotSettings settings_;
  BotReport report_;
  uint64_t frame_ = 0;
  std::vector<ScriptEvent> out_;

  // What the bot holds down now.
  std::array<bool, 256> keys_{};
  int32_t pointerX_ = -1, pointerY_ = -1;
  bool button_ = false;

  // The menu's errands, in order, and how far along the current click is.
  std::deque<int> clicks_;
  int clickStep_ = 0;
  int32_t waited_ = 0;
  bool gameOver_ = false;

  // The stage being played.
  int32_t stage_ = 0;
  StageBounds bounds_;
  Route route_;
  // A dodge under way: its moves from this frame on.
  std::vector<Move> evasion_;
  int32_t evasionFrames_ = 0;
  size_t routeStep_ = 0;
  // What the route leads to: a coin of the stage (0-based), or one of these.
  static constexpr int kToExit = -1, kToBonus = 100;
  int goal_ = kToExit;
  std::vector<bool> coinSkipped_;
  bool bonusSkipped_ = false;
  int32_t skippedBonusX_ = 0, skippedBonusY_ = 0;
  // The last route found, from where and to what.
  Route cached_;
  PlayerMotion cachedFrom_;
  int cachedGoal_ = kToExit;
  bool WantsBonus() const;
  int32_t lastEnergy_ = 100, lastLives_ = 2;

  struct Foe {
    enum class Kind { Walker, Bat, Thrower, Undead, Sorcerer } kind;
    int32_t slot = 0;
    int32_t x = 0, y = 0, vx = 0, vy = 0;
    bool alive = true;  // a hit counts towards killing it
    // Where shots strike it: the point (x + dx, y + dy) and the strict reach.
    int32_t shotDx = 0, shotDy = 0, shotRx = 0, shotRy = 0;
    // Where it hurts the player's centre.
    int32_t touchDx = 0, touchDy = 0, touchRx = 0, touchRy = 0;
  };
  std::vector<Foe> foes_;
  int engaged_ = -1;  // kind * 10 + slot of the foe being fought
  // Each figure's position last frame, to tell how it moves.
  std::array<std::array<int32_t, 2>, 20> lastPos_{};
  std::array<bool, 20> lastKnown_{};
};

}  // namespace autoplay
