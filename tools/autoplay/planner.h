// The automatic player's route finding: which walking and jumping keys, frame
// by frame, take the hero from where he is to a goal. It moves the hero with
// the game's own movement step over the real stage mask, so a route it finds
// is the route the game will play.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "morlo3/game_state.h"
#include "morlo3/player.h"
#include "morlo3/stage_table.h"

namespace autoplay {

using morlo3::GameState;
using morlo3::PlayerMotion;

// The walking and jumping keys of one frame. Jump is held only in the frame
// of a take-off, so its latch never stands in the way of the next jump.
struct Move {
  bool left = false, right = false, jump = false;
  bool operator==(const Move&) const = default;
};

// What the stage frame adds to the player's own movement: the hold at x 2,
// the arena's far limit, and the fall line.
struct StageBounds {
  int32_t maxX = INT32_MAX;
  int32_t fallLimit = 250;
  // Past this column the stage is left.
  int32_t exitX = INT32_MAX;
  static StageBounds Of(const morlo3::StageFacts& s) {
    return {s.HasExit ? INT32_MAX : s.ExitX, s.FallLimit, s.HasExit ? s.ExitX : INT32_MAX};
  }
};

// One frame of movement as the stage frame runs it; with `fire` the fire key
// is held too, and a shot it fires is handed back through `shot`.
PlayerMotion Advance(const GameState& g, PlayerMotion m, Move move, const StageBounds& bounds, bool fire = false,
                     morlo3::ShotLaunch* shot = nullptr);

// Whether the player stands: on ground, at rest on the jump clock.
inline bool Standing(const PlayerMotion& m) { return m.OnGround == 1 && m.JumpTime == 40; }

// A region the route should end in, with a guess of how far away it is.
struct Goal {
  std::function<bool(const PlayerMotion&)> reached;
  // Where the goal lies, for the estimate: a column range and the highest
  // row the player's top must come up to (INT32_MAX: any).
  int32_t minX = INT32_MIN, maxX = INT32_MAX;
  int32_t topY = INT32_MAX;
};

struct Route {
  bool found = false;
  std::vector<Move> moves;
  // The motion after each move.
  std::vector<PlayerMotion> motions;
  size_t explored = 0;
};

// A short route from `from` to the goal, by A* over the player's movement
// states; frames in which the motion would cross `fallLimit` are never
// taken. Gives up after `budget` states and then hands back the way to the
// state that came nearest, marked not found.
Route FindRoute(const GameState& g, const PlayerMotion& from, const StageBounds& bounds, const Goal& goal,
                size_t budget = 400000);

// Goals the automatic player uses.
Goal ReachColumn(int32_t x);                                                // PlayerX beyond x
Goal StandWithin(int32_t minX, int32_t maxX, int32_t maxTopY = INT32_MAX);  // standing, PlayerX in range
bool TakesCoin(int32_t coinX, int32_t coinY, const PlayerMotion& m);        // whatever the coin's frame
Goal TakeCoin(int32_t coinX, int32_t coinY);

}  // namespace autoplay
