// The undead: rotting zombies in torn clothes that shamble with their arms
// held out. An undead rests with row 33 of its picture on the ground, so its
// feet are on row 32; its body stands on column 17, where the game puts X.
// Falling, it pitches forward onto its face; in the arena the same frames
// played backwards raise it again.
#include <cmath>
#include <string>

#include "sprites_paint.h"

namespace datagen::sprites {
namespace {

struct ZombieInks {
  Ink skin, skin_far, shirt, shirt_far, trousers, trousers_far, eye, mouth, wound, hair;
};

ZombieInks MakeInks(Figure& f) {
  ZombieInks k;
  f.SetOutline({20, 26, 18});
  k.skin = f.Material({66, 94, 56}, {108, 140, 82}, {150, 180, 110});
  k.skin_far = f.Material({50, 72, 44}, {80, 106, 62}, {108, 136, 82});
  k.shirt = f.Material({48, 44, 78}, {76, 72, 116}, {110, 106, 152});
  k.shirt_far = f.Material({36, 32, 58}, {56, 52, 86}, {80, 76, 114});
  k.trousers = f.Material({66, 48, 34}, {98, 74, 48}, {130, 102, 68});
  k.trousers_far = f.Material({48, 34, 24}, {72, 54, 36}, {96, 74, 50});
  k.eye = f.Flat({250, 236, 110});
  k.mouth = f.Flat({70, 16, 20});
  k.wound = f.Flat({120, 24, 30});
  k.hair = f.Flat({44, 40, 36});
  return k;
}

struct ZombiePose {
  Pt hip{16, 20};
  Pt foot_near{19, 31}, foot_far{13, 31};
  double lean = 14;     // forward, degrees
  double arm_drop = 0;  // how far the outstretched arms sag, pixels
  double reach = 31;    // column the near hand reaches
};

void Leg(Figure& f, Pt hip, Pt ankle, Ink cloth, Ink skin) {
  const Pt knee = Joint(hip, ankle, 6.0, 6.0, -1);
  f.Capsule(hip, knee, 2.0, cloth);
  f.Capsule(knee.x, knee.y, ankle.x, ankle.y - 0.5, 1.8, 1.6, cloth);
  // Bare feet.
  f.Capsule(ankle.x, ankle.y + 0.2, ankle.x + 2.3, ankle.y + 0.6, 1.2, 1.0, skin);
}

void DrawZombie(Figure& f, const ZombieInks& k, const ZombiePose& p) {
  const Pt shoulder = Toward(p.hip, -90 + p.lean, 9.0);
  const Pt neck = Toward(p.hip, -90 + p.lean, 10.5);
  const Pt head{neck.x + 2.0, neck.y - 3.0};
  // Far arm, a little higher and shorter than the near one.
  f.Capsule(shoulder.x - 0.5, shoulder.y + 0.5, p.reach - 3, shoulder.y - 0.5 + p.arm_drop * 0.6, 1.4, 1.2,
            k.shirt_far);
  f.Circle(p.reach - 2.5, shoulder.y - 0.5 + p.arm_drop * 0.6, 1.4, k.skin_far);
  Leg(f, {p.hip.x - 0.8, p.hip.y}, p.foot_far, k.trousers_far, k.skin_far);
  // Torso in a torn shirt, ragged at the hem.
  f.Capsule(p.hip.x, p.hip.y - 1, shoulder.x, shoulder.y + 1, 3.4, 3.6, k.shirt);
  f.Polygon({{p.hip.x - 3.5, p.hip.y - 2},
             {p.hip.x + 3.8, p.hip.y - 2},
             {p.hip.x + 3.5, p.hip.y + 1.5},
             {p.hip.x + 1.5, p.hip.y + 0.5},
             {p.hip.x, p.hip.y + 2.5},
             {p.hip.x - 2, p.hip.y + 0.8},
             {p.hip.x - 3.8, p.hip.y + 2}},
            k.shirt);
  const Pt rip = Toward(p.hip, -90 + p.lean, 5.0);
  f.Box(std::round(rip.x + 1), std::round(rip.y), std::round(rip.x + 2), std::round(rip.y + 1), k.skin);
  f.Dot(std::round(rip.x + 1), std::round(rip.y + 1), k.wound);
  Leg(f, {p.hip.x + 0.8, p.hip.y}, p.foot_near, k.trousers, k.skin);
  f.Box(std::round(p.hip.x - 3), std::round(p.hip.y - 1), std::round(p.hip.x + 3), std::round(p.hip.y), k.trousers);
  // Head thrust forward, jaw slack.
  f.Circle(head.x, head.y, 3.9, k.skin);
  f.Box(head.x - 1, head.y + 2, head.x + 3.5, head.y + 4.2, k.skin);
  f.Polygon({{head.x - 3.8, head.y - 1},
             {head.x - 2.5, head.y - 4.2},
             {head.x + 2.5, head.y - 4.2},
             {head.x + 0.5, head.y - 2.5},
             {head.x - 2, head.y - 2}},
            k.hair);
  f.Dot(std::round(head.x + 2), std::round(head.y - 1), k.eye);
  f.Box(std::round(head.x + 2), std::round(head.y + 2), std::round(head.x + 3), std::round(head.y + 2), k.mouth);
  // Near arm held out, the hand hanging.
  const Pt hand{p.reach - 1.5, shoulder.y + 0.5 + p.arm_drop};
  f.Capsule(shoulder.x + 0.5, shoulder.y + 1, hand.x - 1, hand.y, 1.6, 1.3, k.shirt);
  f.Capsule(hand.x - 1.5, hand.y, hand.x + 0.3, hand.y + 1.2, 1.2, 1.0, k.skin);
}

ZombiePose Walk(int frame, double reach) {
  // A shamble: the near leg strides, the far one drags behind.
  const double ph = (frame - 1) * 90.0;
  ZombiePose p;
  auto foot = [&](double a, double stride) {
    return Pt{16.5 + stride * std::cos(Rad(a)), 31 - std::max(0.0, std::sin(Rad(a))) * 2.0};
  };
  p.foot_near = foot(ph, 5.0);
  p.foot_far = foot(ph + 180, 4.0);
  p.hip.y = 20 + 0.6 * std::abs(std::sin(Rad(ph)));
  p.lean = 14 + 3 * std::sin(Rad(ph));
  p.arm_drop = 1.0 + std::sin(Rad(ph + 90)) * 1.0;
  p.reach = reach;
  return p;
}

}  // namespace

void DrawUndead(Image& sheet) {
  for (bool right : {true, false}) {
    const char* side = right ? ".right" : ".left";
    for (int i = 1; i <= 4; ++i) {
      const SpriteRect& r = FindSpriteRect("undead.walk" + std::to_string(i) + side);
      Figure f(r.Width(), r.Height());
      ZombieInks k = MakeInks(f);
      // Facing left mirrors about the body column so a turn does not jump.
      if (!right) f.xf = Xform::MirrorX(17.5);
      DrawZombie(f, k, Walk(i, 31 + (r.Width() - 34) * 0.5));
      f.RenderInto(sheet, r);
    }
    // Falling onto its face about its feet; the game offsets the left-facing
    // frames as exact mirrors of the right-facing ones.
    const double angle[] = {22, 48, 78, 90};
    for (int i = 1; i <= 4; ++i) {
      const SpriteRect& r = FindSpriteRect("undead.fall" + std::to_string(i) + side);
      Figure f(r.Width(), r.Height());
      ZombieInks k = MakeInks(f);
      ZombiePose p = Walk(1, 30);
      p.arm_drop = i >= 3 ? 4 : 2;
      p.lean = 14 + i * 3;
      if (i >= 3) p.foot_near = {17.5, 31.5}, p.foot_far = {15.5, 31.5};  // legs go limp
      const Xform turn = Xform::Rotate(angle[i - 1], 16, 32);
      auto draw = [&](Figure& g) { DrawZombie(g, k, p); };
      f.Place(turn, i == 1 ? 8 : 1, 33, draw);
      f.RenderInto(sheet, r, !right);
    }
  }
}

}  // namespace datagen::sprites
