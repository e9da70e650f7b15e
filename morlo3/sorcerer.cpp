#include "morlo3/sorcerer.h"

#include "morlo3/sprite_rects.h"

namespace morlo3 {
namespace {

int32_t Abs(int32_t v) { return v < 0 ? -v : v; }

void DrawSprite(GameState& g, const SpriteRect& r, int32_t x, int32_t y) {
  g.SpriteSheet->DrawRectKeyed(*g.Screen, r.x1, r.y1, r.x2, r.y2, x, y, g.ColourKey);
}

enum SorcererModes : int32_t { kChoose = 0, kKeepAway = 1, kSwoop = 2, kCast = 3 };

// His pictures by pose 1 to 4 (hover, glide left, glide right, cast), for
// SorcererFacing 0 and 1.
constexpr const SpriteRect* kSorcererPoses[4][2] = {
    {&Sprite("sorcerer.hover.left"), &Sprite("sorcerer.hover.right")},
    {&Sprite("sorcerer.glide_left.left"), &Sprite("sorcerer.glide_left.right")},
    {&Sprite("sorcerer.glide_right.left"), &Sprite("sorcerer.glide_right.right")},
    {&Sprite("sorcerer.cast.left"), &Sprite("sorcerer.cast.right")},
};

// The flying bolt by BoltTicks 1 to 4.
constexpr const SpriteRect* kBoltFlying[4] = {&Sprite("bolt.fly1"), &Sprite("bolt.fly2"), &Sprite("bolt.fly3"),
                                              &Sprite("bolt.fly2")};

const SpriteRect& BoltBurst(int32_t ticks) {
  static constexpr const SpriteRect* kBurst[4] = {&Sprite("bolt.burst1"), &Sprite("bolt.burst2"),
                                                  &Sprite("bolt.burst3"), &Sprite("bolt.burst4")};
  if (ticks < 7) return *kBurst[0];
  if (ticks <= 13) return *kBurst[1];
  if (ticks <= 20) return *kBurst[2];
  return *kBurst[3];
}

}  // namespace

void UpdateSorcerer(GameState& g) {
  g.SorcererPose = 1;

  // He turns to the player; level with him he keeps his facing.
  if (g.SorcererX + 22 < g.PlayerX) g.SorcererFacing = 1;
  if (g.PlayerX < g.SorcererX + 22) g.SorcererFacing = 0;

  // He glides an eighth of the way down or up and a fifteenth across each
  // frame; the integer steps leave him up to 7 and 14 pixels short.
  if (g.SorcererY < g.SorcererTargetY) g.SorcererY += (g.SorcererTargetY - g.SorcererY) / 8;
  if (g.SorcererY > g.SorcererTargetY) g.SorcererY -= (g.SorcererY - g.SorcererTargetY) / 8;
  if (g.SorcererX < g.SorcererTargetX) {
    g.SorcererX += (g.SorcererTargetX - g.SorcererX) / 15;
    g.SorcererPose = 3;
  }
  if (g.SorcererX > g.SorcererTargetX) {
    g.SorcererX -= (g.SorcererX - g.SorcererTargetX) / 15;
    g.SorcererPose = 2;
  }
  if (Abs(g.SorcererX - g.SorcererTargetX) < 15) g.SorcererPose = 1;

  // Each mode's step tests the mode as the steps before it left it, so a
  // choice made this frame is acted on this frame.
  if (g.SorcererMode == kChoose) g.SorcererMode = Random(g, 2) + 2;

  if (g.SorcererMode == kKeepAway) {
    if (Random(g, 100) > 98) g.SorcererMode = kChoose;
    // Near the top, 100 pixels to the player's side.
    g.SorcererTargetY = 5;
    g.SorcererTargetX = g.SorcererFacing == 1 ? g.PlayerX - 100 : g.PlayerX + 100;
  }

  if (g.SorcererMode == kSwoop) {
    g.SorcererTargetX = g.PlayerX;
    g.SorcererTargetY = g.PlayerY - 50;
    if (Abs(g.PlayerX - g.SorcererX) < 20) g.SorcererMode = kKeepAway;
  }

  if (g.SorcererMode == kCast) {
    g.SorcererPose = 4;
    g.CastTicks += 1;
    if (g.CastTicks == 1) {
      // The bolt flies at where the player's chest is now, not where he goes.
      g.BoltX = g.SorcererX;
      g.BoltY = g.SorcererY;
      g.BoltTargetX = g.PlayerX + 12;
      g.BoltTargetY = g.PlayerY + 22;
      g.BoltActive = 1;
      g.BoltTicks = 0;
      g.BoltState = 1;
      PlaySound(g, kSoundCast);
    }
    if (g.CastTicks > 100) {
      g.SorcererMode = kKeepAway;
      g.CastTicks = 0;
    }
  }

  if (Abs(g.SorcererX + 20 - (g.PlayerX + 12)) < 32 && g.HurtTimer > 20 &&
      Abs(g.SorcererY + 49 - (g.PlayerY + 18)) < 67) {
    g.Energy -= 20;
    g.HurtTimer = 0;
  }

  // Free shot slots lie off the stage and hit nothing.
  for (int32_t i = 1; i <= g.PlayerShots.Capacity; ++i) {
    ShotRecord& s = g.PlayerShots[i];
    if (s.Y == kFreeShot) continue;
    if (Abs(g.SorcererX + 20 - s.X) < 22 && Abs(g.SorcererY + 49 - s.Y) < 50) {
      g.SorcererHealth -= g.ShotPower + 1;
      s.Y = kFreeShot;
      // A hit breaks off a swoop.
      if (g.SorcererMode == kSwoop) g.SorcererMode = kKeepAway;
    }
  }
}

void DrawSorcerer(GameState& g) {
  if (g.SorcererPose < 1 || g.SorcererPose > 4) return;
  const SpriteRect& r = *kSorcererPoses[g.SorcererPose - 1][g.SorcererFacing == 1 ? 1 : 0];
  DrawSprite(g, r, g.SorcererX - g.CameraX, g.SorcererY - g.CameraY);
}

void UpdateBolt(GameState& g) {
  if (g.BoltActive != 1) return;
  if (g.BoltState == 1) {
    // Three pixels per axis towards the fixed target. Each test sees the
    // step before it, so a bolt within two pixels of the target's line steps
    // past it and straight back, and rests there.
    if (g.BoltY + 14 < g.BoltTargetY) g.BoltY += 3;
    if (g.BoltY + 14 > g.BoltTargetY) g.BoltY -= 3;
    if (g.BoltX + 14 < g.BoltTargetX) g.BoltX += 3;
    if (g.BoltX + 14 > g.BoltTargetX) g.BoltX -= 3;
    if (Abs(g.BoltX + 14 - g.BoltTargetX) < 5 && Abs(g.BoltY + 14 - g.BoltTargetY) < 4) {
      g.BoltState = 2;
      g.BoltTicks = 1;
    }
    // The bolt is quicker to hurt than anything else: past 15, not 20.
    if (Abs(g.BoltX + 14 - (g.PlayerX + 12)) < 26 && g.HurtTimer > 15 && Abs(g.BoltY + 14 - (g.PlayerY + 18)) < 32) {
      g.Energy -= 15;
      g.HurtTimer = 0;
      g.BoltState = 2;
      g.BoltTicks = 1;
    }
    g.BoltTicks += 1;
    if (g.BoltTicks > 4) g.BoltTicks = 1;
    if (g.BoltTicks >= 1) DrawSprite(g, *kBoltFlying[g.BoltTicks - 1], g.BoltX - g.CameraX, g.BoltY - g.CameraY);
  }
  // Bursting, from the very frame it stopped flying.
  if (g.BoltState == 2) {
    g.BoltTicks += 1;
    if (g.BoltTicks > 28) g.BoltActive = 0;
    DrawSprite(g, BoltBurst(g.BoltTicks), g.BoltX - g.CameraX, g.BoltY - g.CameraY);
  }
}

}  // namespace morlo3
