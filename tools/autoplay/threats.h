// What may hurt the player in the frames ahead, as the automatic player
// foresees it: each foe, thrown missile, falling skull and bolt as a box that
// moves in a simple way, and what a sequence of moves would cost in energy.
// The foresight is a player's judgement, not the game's rules: it errs on
// the side of caution with a small margin around every box.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/autoplay/planner.h"

namespace autoplay {

struct Threat {
  enum class Motion {
    Still,   // stands
    Line,    // keeps its step (vx, vy) every frame
    Patrol,  // walks one column a frame, turning at minX and maxX
    Chase,   // walks one column a frame towards the player
    Flyer,   // flies after the player, dropping to him once near
    Homing,  // flies at (targetX, targetY), 3 a frame on each axis, and bursts there
    Glide,   // glides at (targetX, targetY) by a fifteenth and an eighth of the way a frame
  };
  Motion motion = Motion::Still;
  int32_t x = 0, y = 0, vx = 0, vy = 0;
  int32_t minX = 0, maxX = 0;
  int32_t targetX = 0, targetY = 0;
  // The touch box: it hurts while |x + dx - centre x| < rx and
  // |y + dy - centre y| < ry, with the player's centre at (PlayerX + 12, PlayerY + 18).
  int32_t dx = 0, dy = 0, rx = 0, ry = 0;
  int32_t damage = 10;
  int32_t hurtAbove = 20;  // HurtTimer must be above this for it to hurt
  // It only moves and hurts while within 320 columns of the player.
  bool ranged = false;
  // Rows below which it is gone (a skull leaving the shaft's foot).
  int32_t goneBelow = INT32_MAX;
  // Frames it still lasts (a dying figure, a thrower about to walk on).
  int32_t lifetime = INT32_MAX;
  // A flyer's wing clock, which sets its reach; a glider that swoops keeps
  // its target on the player.
  int32_t wingTicks = -1;
  bool swoops = false;
  // A glider keeping away hangs 100 columns to one side of the player: 1 to
  // his left, -1 to his right, 0 when it does not.
  int32_t keepsSide = 0;
};

// Every threat of the running stage, read from the game state.
std::vector<Threat> GatherThreats(const GameState& g, const morlo3::StageFacts& stage);

struct Outcome {
  int32_t damage = 0;
  int32_t firstHit = -1;     // the frame of the first hit, counting from 0
  int32_t firstThreat = -1;  // and which threat dealt it
  bool fell = false;         // the moves, or the landing after them, cost a life by falling
  PlayerMotion end;
};

// The energy the moves would cost, frame by frame from the state `from` with
// the hurt clock at `hurtTimer`; after the moves the player stands still for
// `settle` frames, which count for falls only.
Outcome Foresee(const GameState& g, const PlayerMotion& from, const std::vector<Move>& moves, const StageBounds& bounds,
                const std::vector<Threat>& threats, int32_t hurtTimer, int32_t margin = 2, int32_t settle = 60);

}  // namespace autoplay
