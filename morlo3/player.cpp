#include "morlo3/player.h"

#include "morlo3/sprite_rects.h"
#include "morlo3/stage_map.h"

namespace morlo3 {

namespace {

// The ten poses by PlayerPose; each spans rows 145 to 179 of the sheet and
// the 34-row canvas keeps rows 145 to 178.
constexpr SpriteRect kPoses[] = {
    Sprite("hero.stand"),       Sprite("hero.jump"),       Sprite("hero.walk1"),      Sprite("hero.walk2"),
    Sprite("hero.walk3"),       Sprite("hero.walk_fire1"), Sprite("hero.walk_fire2"), Sprite("hero.walk_fire3"),
    Sprite("hero.fire"),        Sprite("hero.jump_fire"),
};
constexpr int32_t kPoseCount = int32_t(sizeof kPoses / sizeof kPoses[0]);

// Every mask test of the player is made at the foot point.
constexpr int32_t kFootDX = 15;
constexpr int32_t kFootDY = 34;

bool KeyDown(GameState& g, int32_t key) { return g.Input->KeyDown(key); }

uint32_t Foot(const GameState& g) { return ProbeMask(g, g.PlayerX + kFootDX, g.PlayerY + kFootDY); }

// One walking step, shared by both walk keys. The step index wraps after 25,
// so the pose tables are read only at entries 0 to 25.
void WalkStep(GameState& g, int32_t dx, int32_t facing, bool fireHeld) {
  g.PlayerX += dx;
  g.PlayerFacing = facing;
  if (g.WalkStep < 0 || g.WalkStep > 25) g.WalkStep = 0;
  g.PlayerPose = fireHeld ? g.WalkFirePoses[size_t(g.WalkStep)] : g.WalkPoses[size_t(g.WalkStep)];
  g.WalkStep += 1;
  if (g.WalkStep > 25) g.WalkStep = 0;
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

void UpdatePlayer(GameState& g) {
  // The hurt sound plays in the frame after the hit that zeroed the timer.
  g.HurtTimer += 1;
  if (g.HurtTimer == 1) PlaySound(g, kSoundHurt);

  g.PlayerPose = 1;

  // Landing. While the jump clock is 0 or below (rising) ground is ignored,
  // so the player rises through a ledge from below.
  const uint32_t foot = Foot(g);
  if (foot != g.MaskGround) g.OnGround = 0;
  if (foot == g.MaskGround && g.JumpTime > 0) {
    g.JumpTime = 40;
    g.OnGround = 1;
    g.JumpBaseY = g.PlayerY;
  }

  // The jump arc, from the clock before this frame's tick.
  g.PlayerY = g.JumpBaseY;
  g.JumpRise = 40 - (g.JumpTime * g.JumpTime) / 40;
  if (g.OnGround == 0) g.JumpTime += 2;
  g.PlayerY -= g.JumpRise;

  // Firing comes before walking: the shot leaves from where the player stood
  // and flies the way the player faced before this frame's turn.
  if (KeyDown(g, kKeyFire)) {
    g.PlayerPose = 9;
    if (g.FireLatch == 0) {
      PlaySound(g, kSoundShot);
      if (g.ShotCursor < 1 || g.ShotCursor > g.PlayerShots.Capacity) g.ShotCursor = 1;
      ShotRecord& s = g.PlayerShots[g.ShotCursor];
      s.Y = g.PlayerY + 16;
      if (g.PlayerFacing == 0) {
        s.X = g.PlayerX + 15;
        s.DX = 3;
      } else {
        s.X = g.PlayerX;
        s.DX = -3;
      }
      g.ShotCursor += 1;
      if (g.ShotCursor > g.PlayerShots.Capacity) g.ShotCursor = 1;
      g.FireLatch = 1;
    }
  }

  // With both walk keys held both steps run: no movement, facing left, and
  // the walk animation two steps on.
  if (KeyDown(g, kKeyRight)) WalkStep(g, 2, 0, KeyDown(g, kKeyFire));
  if (KeyDown(g, kKeyLeft)) WalkStep(g, -2, 1, KeyDown(g, kKeyFire));

  // Holding the key jumps once.
  if (KeyDown(g, kKeyJump)) {
    if (g.OnGround == 1 && g.JumpLatch == 0) {
      g.JumpTime = -40;
      g.OnGround = 0;
      g.JumpLatch = 1;
    }
  } else {
    g.JumpLatch = 0;
  }

  // Out of a rising slope, pixel by pixel, in the same frame. A probe off the
  // mask reads no colour, so each of these loops ends at the mask's edge.
  if (g.JumpTime > 0) {
    while (Foot(g) == g.MaskGround &&
           ProbeMask(g, g.PlayerX + kFootDX, g.PlayerY + kFootDY - 1) == g.MaskGround)
      g.PlayerY -= 1;
  }
  while (Foot(g) == g.MaskPushRight) g.PlayerX += 1;
  while (Foot(g) == g.MaskPushLeft) g.PlayerX -= 1;

  // A fall from a ledge starts at clock 40 and keeps the walking or standing pose.
  if (g.OnGround == 0 && g.JumpTime < 40) g.PlayerPose = KeyDown(g, kKeyFire) ? 10 : 2;

  if (!KeyDown(g, kKeyFire)) g.FireLatch = 0;
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
