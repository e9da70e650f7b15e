// The hero: walking, jumping, landing and being pushed by the mask, firing,
// and drawing the pose through PlayerCanvas.
#pragma once
#include <cstdint>

#include "morlo3/game_state.h"

namespace morlo3 {

// Puts the player at x 10 and the given height, falling, with every shot freed.
void ResetPlayer(GameState& g, int32_t startY);
// One frame of the player from the keys held now: the hurt clock, the
// movement, and the shot it fires.
void UpdatePlayer(GameState& g);
void DrawPlayer(GameState& g);

// The player's own fields that one frame of movement changes.
struct PlayerMotion {
  int32_t X = 10;
  int32_t Y = 100;
  int32_t Pose = 1;
  int32_t Facing = 0;
  uint8_t OnGround = 0;
  int32_t JumpTime = 40;
  int32_t JumpRise = 0;
  int32_t JumpBaseY = 100;
  int32_t WalkStep = 0;
  int32_t FireLatch = 0;
  int32_t JumpLatch = 0;
  bool operator==(const PlayerMotion&) const = default;
};

// The four keys the player is steered with, as held this frame.
struct PlayerKeys {
  bool Fire = false, Left = false, Right = false, Jump = false;
};

// Where a shot fired this frame leaves from, and its step.
struct ShotLaunch {
  bool Fired = false;
  int32_t X = 0, Y = 0, DX = 0;
};

PlayerMotion MotionOf(const GameState& g);
void SetMotion(GameState& g, const PlayerMotion& m);
PlayerKeys KeysHeld(GameState& g);

// One frame of movement: landing, the jump arc, walking, jumping, the lift
// out of rising ground and the push walls, and the pose. The world is only
// asked: its mask through ProbeMask, its colours and the walking pose tables.
// Changes nothing but `m`; a shot it fires is handed back for the caller to
// place.
ShotLaunch StepPlayer(PlayerMotion& m, const PlayerKeys& keys, const GameState& world);

}  // namespace morlo3
