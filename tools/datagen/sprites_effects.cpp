// Missiles and effects: the hero's magic dart, the thrown bone, RirEza's
// bolt and its burst, the dust of a rising undead and the stone skull that
// drops down the shaft. The shots are not mirrored by the game, so they are
// drawn to read the same whichever way they fly.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "sprites_paint.h"

namespace datagen::sprites {
namespace {

// A fixed little generator so the scatter of sparks is the same every run.
struct Scatter {
  uint32_t s;
  double Next() {
    s = s * 1664525u + 1013904223u;
    return (s >> 8) / double(1 << 24);
  }
};

void PlayerShot(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("shot.player");
  Figure f(r.Width(), r.Height());
  f.NoOutline();
  Ink rim = f.Flat({30, 110, 200});
  Ink glow = f.Flat({80, 210, 255});
  Ink core = f.Flat({214, 255, 255});
  f.Ellipse(3, 2.5, 3, 2.5, rim);
  f.Ellipse(3, 2.5, 2.2, 1.6, glow);
  f.Box(2, 2, 3, 2, core);
  f.RenderInto(sheet, r);
}

void ThrownBone(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("shot.bone");
  Figure f(r.Width(), r.Height());
  f.SetOutline({38, 30, 24});
  Ink bone = f.Material({156, 144, 112}, {214, 206, 176}, {246, 242, 222});
  Ink blur = f.Flat({188, 192, 200});
  // Spin marks trailing both knobs.
  for (int i = 0; i < 4; ++i) {
    const Pt a = Toward({7, 7}, -160 + i * 12, 6.5), b = Toward({7, 7}, 20 + i * 12, 6.5);
    f.Dot(a.x - 0.5, a.y - 0.5, blur);
    f.Dot(b.x - 0.5, b.y - 0.5, blur);
  }
  f.Capsule(3.5, 10.5, 10.5, 3.5, 1.0, 1.0, bone);
  for (Pt e : {Pt{3, 11}, Pt{11, 3}}) {
    f.Circle(e.x - 1.1, e.y - 0.4, 1.5, bone);
    f.Circle(e.x + 0.4, e.y + 1.1, 1.5, bone);
  }
  f.RenderInto(sheet, r);
}

struct BoltInks {
  Ink outer, inner, core, spark;
};

BoltInks MakeBoltInks(Figure& f) {
  f.SetOutline({60, 8, 80});
  return {f.Flat({150, 40, 200}), f.Flat({234, 96, 240}), f.Flat({255, 236, 255}), f.Flat({255, 170, 250})};
}

// The bolt in flight: a crackling ball whose tendrils turn a little each
// frame. Its middle is on pixel (14, 14), where the game aims it.
void BoltFrame(Image& sheet, const std::string& name, double turn) {
  const SpriteRect& r = FindSpriteRect(name);
  Figure f(r.Width(), r.Height());
  BoltInks k = MakeBoltInks(f);
  const Pt c{14.5, 14.5};
  for (int i = 0; i < 5; ++i) {
    // A jagged tendril: three bends outward from the ball.
    Pt a = c;
    double dir = turn + i * 72.0;
    for (int j = 0; j < 4; ++j) {
      const Pt b = Toward(a, dir + (j % 2 ? 28 : -28), j == 0 ? 6.0 : 3.0);
      f.Capsule(a, b, j == 0 ? 1.2 : 0.6, k.outer);
      a = b;
    }
    f.Dot(a.x - 0.5, a.y - 0.5, k.spark);
  }
  f.Circle(c.x, c.y, 7.0, k.outer);
  f.Circle(c.x, c.y, 5.2, k.inner);
  f.Circle(c.x - 0.8, c.y - 0.8, 2.6, k.core);
  f.RenderInto(sheet, r);
}

// The burst: a flash, a widening ring, then sparks and fading smoke.
void BurstFrame(Image& sheet, const std::string& name, int step) {
  const SpriteRect& r = FindSpriteRect(name);
  Figure f(r.Width(), r.Height());
  BoltInks k = MakeBoltInks(f);
  Ink smoke = f.Flat({110, 70, 130});
  const Pt c{14.5, 14.5};
  Scatter rng{uint32_t(7 + step)};
  switch (step) {
    case 1:
      f.Circle(c.x, c.y, 9.5, k.outer);
      f.Circle(c.x, c.y, 7.5, k.inner);
      f.Circle(c.x, c.y, 5.0, k.core);
      for (int i = 0; i < 8; ++i) f.Capsule(Toward(c, i * 45.0 + 22, 9), Toward(c, i * 45.0 + 22, 13.5), 0.7, k.inner);
      break;
    case 2:
      f.Circle(c.x, c.y, 13.0, k.outer);
      f.Circle(c.x, c.y, 11.0, k.inner);
      f.Circle(c.x, c.y, 8.5, k.core);
      f.Circle(c.x, c.y, 6.0, Figure::kErase);
      break;
    case 3:
      f.Circle(c.x, c.y, 14.0, k.outer);
      f.Circle(c.x, c.y, 12.2, Figure::kErase);
      for (int i = 0; i < 10; ++i) {
        const Pt q = Toward(c, i * 36.0 + rng.Next() * 20, 6 + rng.Next() * 5);
        f.Circle(q.x, q.y, 1.0, i % 3 ? k.spark : k.inner);
      }
      break;
    default:
      for (int i = 0; i < 9; ++i) {
        const Pt q = Toward(c, i * 40.0 + rng.Next() * 25, 8 + rng.Next() * 5);
        f.Circle(q.x, q.y, 1.2 + rng.Next(), i % 2 ? smoke : k.outer);
      }
      for (int i = 0; i < 5; ++i) {
        const Pt q = Toward(c, i * 72.0 + 30, 4 + rng.Next() * 3);
        f.Dot(q.x, q.y, k.spark);
      }
      break;
  }
  f.RenderInto(sheet, r);
}

// The rising undead's dust: a thick cloud of puffs thinning out as it
// drifts up. Each puff is lit on its upper left so the cloud keeps its
// lumps.
void Dust(Image& sheet, int step) {
  const SpriteRect& r = FindSpriteRect("dust." + std::to_string(step));
  Figure f(r.Width(), r.Height());
  if (step <= 2) f.SetOutline({84, 66, 50});
  else f.NoOutline();
  const Ink tones[3] = {f.Flat({124, 104, 82}), f.Flat({160, 140, 112}), f.Flat({196, 180, 152})};
  Scatter rng{uint32_t(31 * step)};
  const double w = r.Width(), h = r.Height();
  const int puffs = step == 1 ? 10 : step == 2 ? 8 : step == 3 ? 6 : 4;
  struct Puff {
    double x, y, r;
  };
  std::vector<Puff> cloud;
  for (int i = 0; i < puffs; ++i) {
    const double rad = step == 1 ? 3.5 + rng.Next() * 2.5 : step == 2 ? 2.8 + rng.Next() * 2.2 : 1.4 + rng.Next() * 1.6;
    cloud.push_back({rad + 1 + rng.Next() * (w - 2 * rad - 2), rad + 1 + rng.Next() * (h - 2 * rad - 2), rad});
  }
  // Lower puffs first, so the upper ones sit in front.
  std::sort(cloud.begin(), cloud.end(), [](const Puff& a, const Puff& b) { return a.y > b.y; });
  const int first = step <= 2 ? 0 : 1;
  for (const Puff& p : cloud) {
    f.Circle(p.x, p.y, p.r, tones[first]);
    f.Circle(p.x - p.r * 0.25, p.y - p.r * 0.25, p.r * 0.7, tones[first + 1 > 2 ? 2 : first + 1]);
    if (p.r > 2.5) f.Circle(p.x - p.r * 0.4, p.y - p.r * 0.4, p.r * 0.3, tones[2]);
  }
  if (step >= 3)
    for (int i = 0; i < 6; ++i) f.Dot(1 + rng.Next() * (w - 3), 1 + rng.Next() * (h - 3), tones[1]);
  f.RenderInto(sheet, r);
}

// The shaft's falling hazard: a skull of stone with dust streaming above it.
void FallingSkull(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("hazard.skull");
  Figure f(r.Width(), r.Height());
  f.SetOutline({30, 28, 30});
  Ink stone = f.Material({88, 84, 86}, {138, 132, 128}, {186, 180, 170});
  Ink hollow = f.Flat({26, 22, 26});
  Ink crack = f.Flat({70, 66, 70});
  // Speed streaks above, light and unlined.
  Figure trail(r.Width(), r.Height());
  trail.NoOutline();
  Ink streak = trail.Flat({176, 172, 166});
  for (int i = 0; i < 4; ++i) {
    const double x = 13 + i * 6;
    const double top = i % 2 ? 3 : 0;
    trail.Line(x, top, x, top + 2, streak);
    trail.Line(x, top + 4, x, 7, streak);
  }
  trail.RenderInto(sheet, r);
  f.Ellipse(22, 17, 13, 9.5, stone);
  f.Box(14, 20, 30, 26, stone);
  f.Ellipse(16.5, 17, 3.5, 3.2, hollow);
  f.Ellipse(27.5, 17, 3.5, 3.2, hollow);
  f.Polygon({{22, 20}, {20.5, 23}, {23.5, 23}}, hollow);
  for (int i = 0; i < 5; ++i) f.Box(16 + i * 3, 25, 17 + i * 3, 26, i % 2 ? crack : hollow);
  f.Line(22, 8, 24, 11, crack);
  f.Line(24, 11, 23, 13, crack);
  f.Line(9, 15, 11, 17, crack);
  f.RenderInto(sheet, r);
}

}  // namespace

void DrawEffects(Image& sheet) {
  PlayerShot(sheet);
  ThrownBone(sheet);
  BoltFrame(sheet, "bolt.fly1", 0);
  BoltFrame(sheet, "bolt.fly2", 24);
  BoltFrame(sheet, "bolt.fly3", 48);
  for (int i = 1; i <= 4; ++i) BurstFrame(sheet, "bolt.burst" + std::to_string(i), i);
  for (int i = 1; i <= 4; ++i) Dust(sheet, i);
  FallingSkull(sheet);
}

}  // namespace datagen::sprites
