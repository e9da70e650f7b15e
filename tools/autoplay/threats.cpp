#include "tools/autoplay/threats.h"

#include <algorithm>
#include <cstdlib>

namespace autoplay {

namespace {

int32_t Sign(int32_t v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

// A bat's half span by its wing clock.
int32_t Span(int32_t ticks) { return ticks < 10 ? 37 : ticks < 20 ? 25 : 17; }

Threat Box(Threat t, int32_t dx, int32_t dy, int32_t rx, int32_t ry) {
  t.dx = dx, t.dy = dy, t.rx = rx, t.ry = ry;
  return t;
}

// One frame of a threat, with the player at `p` after his own step.
void Step(Threat& t, const PlayerMotion& p) {
  if (t.lifetime != INT32_MAX) --t.lifetime;
  if (t.ranged && std::abs(t.x - p.X) >= 320) return;
  switch (t.motion) {
    case Threat::Motion::Still: break;
    case Threat::Motion::Line:
      t.x += t.vx;
      t.y += t.vy;
      break;
    case Threat::Motion::Patrol:
      t.x += t.vx;
      if (t.x >= t.maxX) t.vx = -1;
      if (t.x <= t.minX) t.vx = 1;
      break;
    case Threat::Motion::Chase: t.x += Sign(p.X - t.x); break;
    case Threat::Motion::Flyer: {
      t.wingTicks = t.wingTicks >= 30 ? 0 : t.wingTicks + 1;
      const int32_t span = Span(std::min(t.wingTicks, 29));
      t.rx = span + 12;
      t.x += Sign(p.X - 16 - (t.x - span));
      if (std::abs(t.x - p.X) < 50) t.y += Sign(p.Y - 10 - t.y);
      break;
    }
    case Threat::Motion::Homing:
      t.x += Sign(t.targetX - (t.x + 14)) * 3;
      t.y += Sign(t.targetY - (t.y + 14)) * 3;
      if (std::abs(t.x + 14 - t.targetX) < 5 && std::abs(t.y + 14 - t.targetY) < 4) t.lifetime = 0;
      break;
    case Threat::Motion::Glide:
      if (t.swoops) t.targetX = p.X, t.targetY = p.Y - 50;
      if (t.keepsSide != 0) t.targetX = p.X - 100 * t.keepsSide, t.targetY = 5;
      t.y += (t.targetY - t.y) / 8;
      t.x += (t.targetX - t.x) / 15;
      break;
  }
}

bool Touches(const Threat& t, const PlayerMotion& p, int32_t margin) {
  if (t.lifetime <= 0 || t.y > t.goneBelow) return false;
  if (t.ranged && std::abs(t.x - p.X) >= 320) return false;
  return std::abs(t.x + t.dx - (p.X + 12)) < t.rx + margin && std::abs(t.y + t.dy - (p.Y + 18)) < t.ry + margin;
}

}  // namespace

std::vector<Threat> GatherThreats(const GameState& g, const morlo3::StageFacts& s) {
  std::vector<Threat> threats;
  for (int i = 1; i <= s.WalkerCount; ++i) {
    const morlo3::EnemyRecord& e = g.Walkers[i];
    if (e.State != 1 || e.Health < 0) continue;
    Threat t;
    t.motion = Threat::Motion::Patrol;
    t.x = e.X, t.y = e.Y, t.vx = e.PatrolDir == 0 ? 1 : -1, t.minX = e.PatrolMin, t.maxX = e.PatrolMax;
    t.ranged = true;
    threats.push_back(Box(t, 0, 19, 26, 37));
  }
  for (int i = 1; i <= s.BatCount; ++i) {
    const morlo3::EnemyRecord& e = g.Bats[i];
    if (e.Health < 0) continue;
    Threat t;
    t.motion = Threat::Motion::Flyer;
    t.x = e.X, t.y = e.Y, t.wingTicks = e.AnimTicks, t.ranged = true;
    threats.push_back(Box(t, 0, 16, Span(std::min(e.AnimTicks, 29)) + 12, 34));
  }
  for (int i = 1; i <= s.ThrowerCount; ++i) {
    const morlo3::EnemyRecord& e = g.Throwers[i];
    if (e.State == 0) continue;
    Threat t;
    t.x = e.X, t.y = e.Y, t.ranged = true;
    if (e.State == 1 && e.Health >= 0) {
      t.motion = Threat::Motion::Patrol;
      t.vx = e.PatrolDir == 0 ? 1 : -1, t.minX = e.PatrolMin, t.maxX = e.PatrolMax;
    }
    // A dying thrower hurts until it is gone.
    if (e.State == 3) t.lifetime = 32 - e.DeathTicks;
    threats.push_back(Box(t, 0, 23, 27, 41));
  }
  for (int i = 1; i <= s.UndeadCount; ++i) {
    const morlo3::EnemyRecord& e = g.Undead[i];
    // Only a walking one hurts; one getting up soon walks.
    if (e.State != 1 && e.State != 2) continue;
    Threat t;
    t.motion = Threat::Motion::Chase;
    t.x = e.X, t.y = e.Y, t.ranged = true;
    threats.push_back(Box(t, 0, 16, 30, 34));
  }
  for (int i = 1; i <= s.HazardCount; ++i) {
    const morlo3::EnemyRecord& e = g.FallingHazards[i];
    Threat t;
    t.motion = Threat::Motion::Line;
    t.x = e.X, t.y = e.Y, t.vy = 2, t.damage = 20, t.goneBelow = 820;
    threats.push_back(Box(t, 22, 14, 34, 32));
  }
  if (s.ThrownMissiles)
    for (int i = 1; i <= g.EnemyShots.Capacity; ++i) {
      const morlo3::ShotRecord& shot = g.EnemyShots[i];
      if (shot.Y == morlo3::kFreeShot) continue;
      Threat t;
      t.motion = Threat::Motion::Line;
      t.x = shot.X, t.y = shot.Y, t.vx = shot.DX;
      threats.push_back(Box(t, 7, 7, 19, 25));
    }
  if (!s.HasExit) {
    if (g.SorcererHealth >= 0) {
      Threat t;
      t.motion = Threat::Motion::Glide;
      t.x = g.SorcererX, t.y = g.SorcererY, t.targetX = g.SorcererTargetX, t.targetY = g.SorcererTargetY;
      t.swoops = g.SorcererMode == 2;
      if (g.SorcererMode == 1) t.keepsSide = g.SorcererFacing == 1 ? 1 : -1;
      t.damage = 20;
      threats.push_back(Box(t, 20, 49, 32, 67));
    }
    if (g.BoltActive == 1 && g.BoltState == 1) {
      Threat t;
      t.motion = Threat::Motion::Homing;
      t.x = g.BoltX, t.y = g.BoltY, t.targetX = g.BoltTargetX, t.targetY = g.BoltTargetY;
      t.damage = 15, t.hurtAbove = 15;
      threats.push_back(Box(t, 14, 14, 26, 32));
    }
  }
  return threats;
}

Outcome Foresee(const GameState& g, const PlayerMotion& from, const std::vector<autoplay::Move>& moves,
                const StageBounds& bounds, const std::vector<Threat>& threats, int32_t hurtTimer, int32_t margin,
                int32_t settle) {
  Outcome o;
  std::vector<Threat> ts = threats;
  PlayerMotion p = from;
  for (size_t k = 0; k < moves.size(); ++k) {
    int32_t index = 0;
    p = Advance(g, p, moves[k], bounds);
    if (p.X > bounds.exitX) break;
    if (p.Y > bounds.fallLimit) {
      o.fell = true;
      break;
    }
    hurtTimer += 1;
    for (Threat& t : ts) {
      Step(t, p);
      if (Touches(t, p, margin) && hurtTimer > t.hurtAbove) {
        o.damage += t.damage;
        hurtTimer = 0;
        if (o.firstHit < 0) o.firstHit = int32_t(k), o.firstThreat = index;
      }
      ++index;
    }
  }
  for (int32_t k = 0; !o.fell && k < settle && !Standing(p) && p.X <= bounds.exitX; ++k) {
    p = Advance(g, p, {}, bounds);
    o.fell = p.Y > bounds.fallLimit;
  }
  o.end = p;
  return o;
}

}  // namespace autoplay
