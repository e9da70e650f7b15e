#include "morlo3/player.h"

#include "morlo3/sprite_rects.h"
#include "morlo3/stage_map.h"

namespace morlo3 {

namespace {

// The ten poses by PlayerPose; each spans rows 145 to 179 of the sheet and
// the 34-row canvas keeps rows 145 to 178.
constexpr SpriteRect kPoses[] = {
    Sprite("hero.stand"), Sprite("hero.jump"),       Sprite("hero.walk1"),      Sprite("hero.walk2"),
    Sprite("hero.walk3"), Sprite("hero.walk_fire1"), Sprite("hero.walk_fire2"), Sprite("hero.walk_fire3"),
    Sprite("hero.fire"),  Sprite("hero.jump_fire"),
};
constexpr int32_t kPoseCount = int32_t(sizeof kPoses / sizeof kPoses[0]);

// Every mask test of the player is made at the foot point.
constexpr int32_t kFootDX = 15;
constexpr int32_t kFootDY = 34;

uint32_t Foot(const GameState& g, const PlayerMotion& m) { return ProbeMask(g, m.X + kFootDX, m.Y + kFootDY); }

// One walking step, shared by both walk keys. The step index wraps after 25,
// so the pose tables are read only at entries 0 to 25.
void WalkStep(const GameState& g, PlayerMotion& m, int32_t dx, int32_t facing, bool fireHeld) {
  m.X += dx;
  m.Facing = facing;
  if (m.WalkStep < 0 || m.WalkStep > 25) m.WalkStep = 0;
  m.Pose = fireHeld ? g.WalkFirePoses[size_t(m.WalkStep)] : g.WalkPoses[size_t(m.WalkStep)];
  m.WalkStep += 1;
  if (m.WalkStep > 25) m.WalkStep = 0;
}

}  // namespace

void ResetPlayer(GameState& g, int32_t startY) {
  g.StageOver = 0;
  g.PlayerX = 10;
  g.PlayerY = startY;
  g.JumpBaseY = startY;
  g.OnGround = 0;
  g.JumpRise = 0;
  // At rest on the jump clock: the player drops from the start height.
  g.JumpTime = 40;
  g.PlayerFacing = 0;
  for (ShotRecord& s : g.PlayerShots) s.Y = kFreeShot;
  for (ShotRecord& s : g.EnemyShots) s.Y = kFreeShot;
  g.WalkStep = 0;
  g.ShotCursor = 1;
}

PlayerMotion MotionOf(const GameState& g) {
  PlayerMotion m;
  m.X = g.PlayerX, m.Y = g.PlayerY, m.Pose = g.PlayerPose, m.Facing = g.PlayerFacing;
  m.OnGround = g.OnGround, m.JumpTime = g.JumpTime, m.JumpRise = g.JumpRise, m.JumpBaseY = g.JumpBaseY;
  m.WalkStep = g.WalkStep, m.FireLatch = g.FireLatch, m.JumpLatch = g.JumpLatch;
  return m;
}

void SetMotion(GameState& g, const PlayerMotion& m) {
  g.PlayerX = m.X, g.PlayerY = m.Y, g.PlayerPose = m.Pose, g.PlayerFacing = m.Facing;
  g.OnGround = m.OnGround, g.JumpTime = m.JumpTime, g.JumpRise = m.JumpRise, g.JumpBaseY = m.JumpBaseY;
  g.WalkStep = m.WalkStep, g.FireLatch = m.FireLatch, g.JumpLatch = m.JumpLatch;
}

PlayerKeys KeysHeld(GameState& g) {
  kestrel::TInput64& in = *g.Input;
  return {in.KeyDown(kKeyFire), in.KeyDown(kKeyLeft), in.KeyDown(kKeyRight), in.KeyDown(kKeyJump)};
}

ShotLaunch StepPlayer(PlayerMotion& m, const PlayerKeys& keys, const GameState& g) {
  ShotLaunch shot;
  m.Pose = 1;

  // Landing. While the jump clock is 0 or below (rising) ground is ignored,
  // so the player rises through a ledge from below.
  const uint32_t foot = Foot(g, m);
  if (foot != g.MaskGround) m.OnGround = 0;
  if (foot == g.MaskGround && m.JumpTime > 0) {
    m.JumpTime = 40;
    m.OnGround = 1;
    m.JumpBaseY = m.Y;
  }

  // The jump arc, from the clock before this frame's tick.
  m.Y = m.JumpBaseY;
  m.JumpRise = 40 - (m.JumpTime * m.JumpTime) / 40;
  if (m.OnGround == 0) m.JumpTime += 2;
  m.Y -= m.JumpRise;

  // Firing comes before walking: the shot leaves from where the player stood
  // and flies the way the player faced before this frame's turn.
  if (keys.Fire) {
    m.Pose = 9;
    if (m.FireLatch == 0) {
      shot.Fired = true;
      shot.Y = m.Y + 16;
      if (m.Facing == 0) {
        shot.X = m.X + 15;
        shot.DX = 3;
      } else {
        shot.X = m.X;
        shot.DX = -3;
      }
      m.FireLatch = 1;
    }
  }

  // With both walk keys held both steps run: no movement, facing left, and
  // the walk animation two steps on.
  if (keys.Right) WalkStep(g, m, 2, 0, keys.Fire);
  if (keys.Left) WalkStep(g, m, -2, 1, keys.Fire);

  // Holding the key jumps once.
  if (keys.Jump) {
    if (m.OnGround == 1 && m.JumpLatch == 0) {
      m.JumpTime = -40;
      m.OnGround = 0;
      m.JumpLatch = 1;
    }
  } else {
    m.JumpLatch = 0;
  }

  // Out of a rising slope, pixel by pixel, in the same frame. A probe off the
  // mask reads no colour, so each of these loops ends at the mask's edge.
  if (m.JumpTime > 0) {
    while (Foot(g, m) == g.MaskGround && ProbeMask(g, m.X + kFootDX, m.Y + kFootDY - 1) == g.MaskGround) m.Y -= 1;
  }
  while (Foot(g, m) == g.MaskPushRight) m.X += 1;
  while (Foot(g, m) == g.MaskPushLeft) m.X -= 1;

  // A fall from a ledge starts at clock 40 and keeps the walking or standing pose.
  if (m.OnGround == 0 && m.JumpTime < 40) m.Pose = keys.Fire ? 10 : 2;

  if (!keys.Fire) m.FireLatch = 0;
  return shot;
}

void UpdatePlayer(GameState& g) {
  // The hurt sound plays in the frame after the hit that zeroed the timer.
  g.HurtTimer += 1;
  if (g.HurtTimer == 1) PlaySound(g, kSoundHurt);

  PlayerMotion m = MotionOf(g);
  const ShotLaunch shot = StepPlayer(m, KeysHeld(g), g);
  SetMotion(g, m);

  if (shot.Fired) {
    PlaySound(g, kSoundShot);
    if (g.ShotCursor < 1 || g.ShotCursor > g.PlayerShots.Capacity) g.ShotCursor = 1;
    ShotRecord& s = g.PlayerShots[g.ShotCursor];
    s.X = shot.X;
    s.Y = shot.Y;
    s.DX = shot.DX;
    g.ShotCursor += 1;
    if (g.ShotCursor > g.PlayerShots.Capacity) g.ShotCursor = 1;
  }
}

void DrawPlayer(GameState& g) {
  kestrel::TBuffer64& canvas = *g.PlayerCanvas;
  canvas.Clear(g.ColourKey);
  const int32_t pose = g.PlayerPose >= 1 && g.PlayerPose <= kPoseCount ? g.PlayerPose : 1;
  const SpriteRect& r = kPoses[pose - 1];
  g.SpriteSheet->DrawRectKeyed(canvas, r.x1, r.y1, r.x2, r.y2, 0, 0, g.ColourKey);
  if (g.PlayerFacing == 1) canvas.Mirror();
  canvas.DrawKeyed(*g.Screen, g.PlayerX - g.CameraX, g.PlayerY - g.CameraY, g.ColourKey);
}

}  // namespace morlo3
