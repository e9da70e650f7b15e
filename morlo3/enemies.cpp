#include "morlo3/enemies.h"

#include "morlo3/projectiles.h"
#include "morlo3/sprite_rects.h"
#include "morlo3/stage_map.h"

namespace morlo3 {
namespace {

// Wraps like the rest of the game's arithmetic: the magnitude of INT32_MIN
// stays negative, so it never counts as near.
int32_t Abs(int32_t v) { return v < 0 ? -v : v; }

// Only figures within a screen's width of the player move, hit and are hit.
bool InRange(const GameState& g, const EnemyRecord& e) { return Abs(e.X - g.PlayerX) < 320; }

void DrawSprite(GameState& g, const SpriteRect& r, int32_t x, int32_t y) {
  g.SpriteSheet->DrawRectKeyed(*g.Screen, r.x1, r.y1, r.x2, r.y2, x, y, g.ColourKey);
}

// The reach of a kind's hit box around a point of the figure.
struct HitBox {
  int32_t dx, dy;  // the figure's point, from (X, Y)
  int32_t rx, ry;  // strict reach on each axis
};

// Each player shot inside the box costs ShotPower + 1 health and is spent.
// Free slots lie off the stage and hit nothing.
void TakeShotHits(GameState& g, EnemyRecord& e, const HitBox& box) {
  for (int32_t i = 1; i <= g.PlayerShots.Capacity; ++i) {
    ShotRecord& s = g.PlayerShots[i];
    if (s.Y == kFreeShot) continue;
    if (Abs(e.X + box.dx - s.X) < box.rx && Abs(e.Y + box.dy - s.Y) < box.ry) {
      e.Health -= g.ShotPower + 1;
      s.Y = kFreeShot;
    }
  }
}

// Contact with the player's body centre costs 10 energy once HurtTimer has
// passed 20.
void TouchPlayer(GameState& g, const EnemyRecord& e, const HitBox& box) {
  if (Abs(e.X + box.dx - (g.PlayerX + 12)) < box.rx && g.HurtTimer > 20 &&
      Abs(e.Y + box.dy - (g.PlayerY + 18)) < box.ry) {
    g.Energy -= 10;
    g.HurtTimer = 0;
  }
}

// Both ends are tested in the same frame, so at the right end the figure
// turns back at once instead of resting on PatrolMax.
void Patrol(EnemyRecord& e) {
  if (e.PatrolDir == 0) {
    if (e.X < e.PatrolMax) e.X += 1;
    if (e.X >= e.PatrolMax) e.PatrolDir = 1;
    e.Facing = 0;
  }
  if (e.PatrolDir == 1) {
    if (e.X > e.PatrolMin) e.X -= 1;
    if (e.X <= e.PatrolMin) e.PatrolDir = 0;
    e.Facing = 1;
  }
}

// The second frame of dying leaves a bonus item and plays the death cry.
void DeathReward(GameState& g, const EnemyRecord& e, int32_t sound) {
  if (e.DeathTicks != 2) return;
  SpawnBonus(g, e.X, e.Y);
  PlaySound(g, sound);
}

// The walk frames of walkers and throwers: four steps of ten ticks.
int32_t WalkFrame(int32_t ticks) { return ticks < 10 ? 1 : ticks < 20 ? 2 : ticks < 30 ? 3 : 4; }
// Four pictures of eight ticks each, starting at `first`; the last one holds.
int32_t EightTickFrame(int32_t ticks, int32_t first, int32_t pictures) {
  for (int32_t k = 0; k < pictures - 1; ++k)
    if (ticks < 8 * (k + 1)) return first + k;
  return first + pictures - 1;
}

constexpr HitBox kThrowerShot{0, 23, 15, 23};
constexpr HitBox kThrowerTouch{0, 23, 27, 41};
constexpr HitBox kWalkerShot{0, 19, 13, 19};
constexpr HitBox kWalkerTouch{0, 19, 26, 37};
constexpr HitBox kUndeadShot{0, 33, 17, 33};
constexpr HitBox kUndeadTouch{0, 16, 30, 34};
// The lowest a rising undead searches for ground.
constexpr int32_t kUndeadLowest = 220;

// What a frame draws: the picture for each Facing, and how far left of X and
// below Y it goes.
struct Pose {
  SpriteRect rect;
  int32_t left = 0;
  int32_t down = 0;
};
struct FramePoses {
  Pose facing0, facing1;
  const Pose& For(int32_t facing) const { return facing == 1 ? facing1 : facing0; }
};

// The picture of `frame` (1-based) in a table, or none for a frame outside it.
template <size_t N>
const Pose* PoseOf(const FramePoses (&table)[N], int32_t frame, int32_t facing) {
  if (frame < 1 || frame > int32_t(N)) return nullptr;
  return &table[size_t(frame - 1)].For(facing);
}

// clang-format off
constexpr FramePoses kThrowerPoses[] = {
  {{Sprite("thrower.walk1.right"),  15}, {Sprite("thrower.walk1.left"),  15}},
  {{Sprite("thrower.walk2.right"),  15}, {Sprite("thrower.walk2.left"),  15}},
  {{Sprite("thrower.walk3.right"),  15}, {Sprite("thrower.walk3.left"),  15}},
  {{Sprite("thrower.walk4.right"),  15}, {Sprite("thrower.walk4.left"),  15}},
  {{Sprite("thrower.throw1.right"), 15}, {Sprite("thrower.throw1.left"), 15}},
  {{Sprite("thrower.throw2.right"), 15}, {Sprite("thrower.throw2.left"), 15}},
  {{Sprite("thrower.die1.right"),   15}, {Sprite("thrower.die1.left"),   15}},
  {{Sprite("thrower.die2.right"),   15}, {Sprite("thrower.die2.left"),   15}},
  {{Sprite("thrower.die3.right"),   15}, {Sprite("thrower.die3.left"),   15}},
  {{Sprite("thrower.die4.right"),   15}, {Sprite("thrower.die4.left"),   15}},
};

constexpr FramePoses kWalkerPoses[] = {
  {{Sprite("walker.walk1.right"), 13}, {Sprite("walker.walk1.left"), 13}},
  {{Sprite("walker.walk2.right"), 13}, {Sprite("walker.walk2.left"), 13}},
  {{Sprite("walker.walk3.right"), 13}, {Sprite("walker.walk3.left"), 13}},
  {{Sprite("walker.walk4.right"), 13}, {Sprite("walker.walk4.left"), 13}},
  {{Sprite("walker.die1.right"),  13}, {Sprite("walker.die1.left"),  13}},
  {{Sprite("walker.die2.right"),  13}, {Sprite("walker.die2.left"),  13}},
  {{Sprite("walker.die3.right"),  13}, {Sprite("walker.die3.left"),  13}},
  {{Sprite("walker.die4.right"),  13}, {Sprite("walker.die4.left"),  13}},
  {{Sprite("walker.die5.right"),  13}, {Sprite("walker.die5.left"),  13}},
};

// A dead bat lies lower when it fell facing right.
constexpr FramePoses kBatPoses[] = {
  {{Sprite("bat.wings1.right"), 37},     {Sprite("bat.wings1.left"), 37}},
  {{Sprite("bat.wings2.right"), 25},     {Sprite("bat.wings2.left"), 25}},
  {{Sprite("bat.wings3.right"), 17},     {Sprite("bat.wings3.left"), 17}},
  {{Sprite("bat.fall.right"),   18},     {Sprite("bat.fall.left"),   18}},
  {{Sprite("bat.dead"),         38, 21}, {Sprite("bat.dead"),        38, 19}},
};

// Getting up (frame 1) shows the first walking picture. Falling, a figure
// facing left topples the other way and has offsets of its own.
constexpr FramePoses kUndeadPoses[] = {
  {{Sprite("undead.walk1.left"), 17}, {Sprite("undead.walk1.right"), 17}},
  {{Sprite("undead.walk1.left"), 17}, {Sprite("undead.walk1.right"), 17}},
  {{Sprite("undead.walk2.left"), 17}, {Sprite("undead.walk2.right"), 17}},
  {{Sprite("undead.walk3.left"), 17}, {Sprite("undead.walk3.right"), 17}},
  {{Sprite("undead.walk4.left"), 17}, {Sprite("undead.walk4.right"), 17}},
  {{Sprite("undead.fall1.left"), 14}, {Sprite("undead.fall1.right"), 17}},
  {{Sprite("undead.fall2.left"), 22}, {Sprite("undead.fall2.right"), 17}},
  {{Sprite("undead.fall3.left"), 35}, {Sprite("undead.fall3.right"), 17}},
  {{Sprite("undead.fall4.left"), 31}, {Sprite("undead.fall4.right"), 17}},
};
// clang-format on

constexpr const SpriteRect& kHazard = Sprite("hazard.skull");

// The rising dust thins out over its forty frames, ten frames a picture.
constexpr const SpriteRect* kDustPictures[] = {&Sprite("dust.1"), &Sprite("dust.2"), &Sprite("dust.3"),
                                               &Sprite("dust.4")};
const SpriteRect& DustPicture(int32_t ticks) {
  if (ticks < 10) return *kDustPictures[0];
  if (ticks < 20) return *kDustPictures[1];
  if (ticks < 30) return *kDustPictures[2];
  return *kDustPictures[3];
}

}  // namespace

void UpdateThrowers(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    EnemyRecord& e = g.Throwers[i];
    if (e.State == 0 || !InRange(g, e)) continue;
    // Every thrower still standing draws a number, dying ones included.
    e.Roll = Random(g, 100);
    if (e.Roll > 97 && e.State == 1) {
      e.State = 2;
      e.AnimTicks = 0;
    }
    if (e.State == 1) {
      e.AnimTicks += 1;
      if (e.AnimTicks > 40) e.AnimTicks = 0;
      e.Frame = WalkFrame(e.AnimTicks);
      Patrol(e);
    }
    if (e.State == 2) {
      e.AnimTicks += 1;
      if (e.AnimTicks == 10) {
        // The missile leaves the way the thrower last walked.
        ShotRecord& s = g.EnemyShots[g.EnemyShotCursor];
        s.X = e.X;
        s.Y = e.Y + 20;
        s.DX = e.Facing == 0 ? 3 : -3;
        g.EnemyShotCursor = g.EnemyShotCursor >= g.EnemyShots.Capacity ? 1 : g.EnemyShotCursor + 1;
      }
      // The walk clock carries on from the throw clock.
      if (e.AnimTicks > 20) e.State = 1;
      e.Frame = e.AnimTicks < 10 ? 5 : 6;
    }
    // A dying thrower still stops shots and still hurts until it is gone.
    TakeShotHits(g, e, kThrowerShot);
    SettleOnGround(g, e, 0, 44);
    TouchPlayer(g, e, kThrowerTouch);
    if (e.Health < 0) e.State = 3;
    if (e.State == 3) {
      e.DeathTicks += 1;
      DeathReward(g, e, kSoundBones);
      if (e.DeathTicks > 31) e.State = 0;
      e.Frame = EightTickFrame(e.DeathTicks, 7, 4);
    }
  }
}

void DrawThrowers(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    const EnemyRecord& e = g.Throwers[i];
    if (const Pose* p = PoseOf(kThrowerPoses, e.Frame, e.Facing))
      DrawSprite(g, p->rect, e.X - p->left - g.CameraX, e.Y - g.CameraY);
  }
}

void UpdateWalkers(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    EnemyRecord& e = g.Walkers[i];
    if (e.State == 1 && InRange(g, e)) {
      e.AnimTicks += 1;
      if (e.AnimTicks > 39) e.AnimTicks = 0;
      e.Frame = WalkFrame(e.AnimTicks);
      Patrol(e);
      TakeShotHits(g, e, kWalkerShot);
      TouchPlayer(g, e, kWalkerTouch);
      // One pixel up first, so the search lifts it onto a rising slope.
      e.Y -= 1;
      SettleOnGround(g, e, 11, 38);
    }
    // Dying runs everywhere. A dead walker's negative health sets it back to
    // dying each frame: it keeps counting on its last frame, and the reward
    // comes only once.
    if (e.Health < 0) e.State = 2;
    if (e.State == 2) {
      e.DeathTicks += 1;
      DeathReward(g, e, kSoundWalkerDies);
      if (e.DeathTicks > 39) e.State = 0;
      e.Frame = EightTickFrame(e.DeathTicks, 5, 5);
    }
  }
}

void DrawWalkers(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    const EnemyRecord& e = g.Walkers[i];
    // Walkers live in stages one screen high: the screen row is the stage row.
    if (const Pose* p = PoseOf(kWalkerPoses, e.Frame, e.Facing)) DrawSprite(g, p->rect, e.X - p->left - g.CameraX, e.Y);
  }
}

void UpdateBats(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    EnemyRecord& e = g.Bats[i];
    if (e.Health >= 0 && InRange(g, e)) {
      // The wing span changes with the picture; at 30 the last one holds.
      e.AnimTicks += 1;
      if (e.AnimTicks > 30) e.AnimTicks = 0;
      if (e.AnimTicks < 10) {
        e.HalfWidth = 37, e.Frame = 1;
      } else if (e.AnimTicks < 20) {
        e.HalfWidth = 25, e.Frame = 2;
      } else if (e.AnimTicks < 30) {
        e.HalfWidth = 17, e.Frame = 3;
      }
      const int32_t target = g.PlayerX - 16;
      if (e.X - e.HalfWidth < target) {
        e.X += 1;
        e.Facing = 0;
      }
      if (e.X - e.HalfWidth > target) {
        e.X -= 1;
        e.Facing = 1;
      }
      // It only drops to the player's height once it is close.
      if (Abs(e.X - g.PlayerX) < 50) {
        if (e.Y < g.PlayerY - 10) e.Y += 1;
        if (e.Y > g.PlayerY - 10) e.Y -= 1;
      }
      TouchPlayer(g, e, HitBox{0, 16, e.HalfWidth + 12, 34});
      TakeShotHits(g, e, HitBox{0, 19, e.HalfWidth, 19});
    }
    if (e.Health < 0) {
      // -10 marks a bat already dead. A hit that lands on exactly -10 kills
      // it with no bonus item and no cry.
      if (e.Health != -10) {
        e.Health = -10;
        SpawnBonus(g, e.X, e.Y);
        PlaySound(g, kSoundBatDies);
      }
      if (ProbeMask(g, e.X, e.Y + 35) != g.MaskGround) {
        e.Frame = 4;
        e.Y += 2;
      } else {
        e.Frame = 5;
      }
    }
  }
}

void DrawBats(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    const EnemyRecord& e = g.Bats[i];
    if (const Pose* p = PoseOf(kBatPoses, e.Frame, e.Facing))
      DrawSprite(g, p->rect, e.X - p->left - g.CameraX, e.Y + p->down);
  }
}

void UpdateUndead(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    EnemyRecord& e = g.Undead[i];
    if (e.State == 0 || !InRange(g, e)) continue;
    if (e.State == 1) {
      e.AnimTicks += 1;
      if (e.AnimTicks > 40) e.AnimTicks = 0;
      e.Frame = WalkFrame(e.AnimTicks) + 1;
      if (g.PlayerX < e.X) {
        e.X -= 1;
        e.Facing = 0;
      }
      if (e.X < g.PlayerX) {
        e.X += 1;
        e.Facing = 1;
      }
    }
    if (e.State == 2) {
      e.AnimTicks += 1;
      e.Frame = 1;
      if (e.AnimTicks > 20) {
        e.State = 1;
        e.AnimTicks = 0;
      }
    }
    TakeShotHits(g, e, kUndeadShot);
    SettleOnGround(g, e, 11, 33, kUndeadLowest);
    // Only a walking undead hurts or notices its health: one hit while
    // getting up starts dying on its first walking frame.
    if (e.State == 1) {
      TouchPlayer(g, e, kUndeadTouch);
      if (e.Health < 0) e.State = 3;
    }
    if (e.State == 3) {
      e.DeathTicks += 1;
      DeathReward(g, e, kSoundBones);
      if (e.DeathTicks > 31 && g.BossStage == 0) e.State = 0;
      // In the boss stage the dead lie a while and then rise.
      if (e.DeathTicks > 149) {
        e.State = 4;
        e.DeathTicks = 0;
      }
      e.Frame = EightTickFrame(e.DeathTicks, 6, 4);
    }
    if (e.State == 4) {
      e.DeathTicks += 1;
      if (e.DeathTicks == 2) g.RiseEffect = RiseEffectRecord{e.X - 5, e.Y + 18, 0, 1};
      if (e.DeathTicks > 31) {
        e.Health = g.Difficulty == 1 ? 24 : 12;
        e.State = 2;
        e.DeathTicks = 0;
        e.AnimTicks = 0;
      }
      // The fall played backwards.
      e.Frame = 15 - EightTickFrame(e.DeathTicks, 6, 4);
    }
  }
}

void DrawUndead(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    const EnemyRecord& e = g.Undead[i];
    if (const Pose* p = PoseOf(kUndeadPoses, e.Frame, e.Facing)) DrawSprite(g, p->rect, e.X - p->left - g.CameraX, e.Y);
  }
}

void UpdateFallingHazards(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    EnemyRecord& e = g.FallingHazards[i];
    e.Y += 2;
    // Below the shaft's foot it starts again above the top, somewhere new.
    if (e.Y > 820) {
      e.X = Random(g, 280) + 20;
      e.Y = -20;
    }
    if (Abs(e.X + 22 - (g.PlayerX + 12)) < 34 && g.HurtTimer > 20 && Abs(e.Y + 14 - (g.PlayerY + 18)) < 32) {
      g.Energy -= 20;
      g.HurtTimer = 0;
    }
  }
}

void DrawFallingHazards(GameState& g, int32_t count) {
  for (int32_t i = 1; i <= count; ++i) {
    const EnemyRecord& e = g.FallingHazards[i];
    DrawSprite(g, kHazard, e.X - g.CameraX, e.Y - g.CameraY);
  }
}

void UpdateRiseEffect(GameState& g) {
  RiseEffectRecord& d = g.RiseEffect;
  if (d.Active != 1) return;
  d.Ticks += 1;
  DrawSprite(g, DustPicture(d.Ticks), d.X - g.CameraX, d.Y - g.CameraY);
  if (d.Ticks >= 40) d.Active = 0;
  // The dust drifts up one or two pixels a frame.
  d.Y -= Random(g, 2) + 1;
}

}  // namespace morlo3
