// The walkers: giant rats that stalk upright on their hind legs, hunched,
// with a long bare tail. A walker rests with row 39 of its picture on the
// ground's top row, so its soles are on row 38.
#include <algorithm>
#include <cmath>
#include <string>

#include "sprites_paint.h"

namespace datagen::sprites {
namespace {

struct RatInks {
  Ink fur, fur_back, belly, pink, pink_back, eye, tooth, claw, blood, dead_eye;
};

RatInks MakeRatInks(Figure& f) {
  RatInks k;
  f.SetOutline({26, 18, 18});
  k.fur = f.Material({62, 48, 44}, {104, 86, 76}, {150, 130, 114});
  k.fur_back = f.Material({44, 34, 32}, {72, 58, 52}, {100, 84, 74});
  k.belly = f.Material({128, 104, 88}, {168, 146, 124}, {200, 182, 160});
  k.pink = f.Material({140, 70, 80}, {194, 116, 124}, {232, 164, 164});
  k.pink_back = f.Material({104, 50, 60}, {150, 86, 94}, {180, 118, 120});
  k.eye = f.Flat({255, 48, 40});
  k.tooth = f.Flat({244, 226, 160});
  k.claw = f.Flat({236, 224, 200});
  k.blood = f.Material({90, 8, 12}, {132, 14, 20}, {170, 30, 34});
  k.dead_eye = f.Flat({30, 20, 20});
  return k;
}

struct RatPose {
  double phase = 0;       // stride, degrees
  double tail_wave = 0;   // degrees
  double tail_curl = 12;  // degrees a segment
  double snout_tip = 24;  // column the snout reaches
  double head_tilt = 0;   // degrees, up negative
  bool mouth_open = false;
  bool dead = false;     // crossed-out eyes
  bool arms_up = false;  // recoiling
  double spread = 1.0;   // how far the legs swing
};

// Standing rat facing right, soles on row 38, body around column 13.
void DrawRat(Figure& f, const RatInks& k, const RatPose& p) {
  const double bob = 0.6 * std::abs(std::sin(Rad(p.phase)));
  const Pt hip{11, 27 - bob};
  auto foot = [&](double ph) {
    const double c = std::cos(Rad(ph)), s = std::sin(Rad(ph));
    return Pt{12 + 4.5 * c * p.spread, 37.5 - std::max(0.0, s) * 2.5};
  };
  // Tail: a tapering chain sweeping back and down to the ground.
  {
    Pt a{6, 29};
    double dir = 160 + p.tail_wave;
    double r = 1.6;
    for (int i = 0; i < 7; ++i) {
      Pt b = Toward(a, dir, 2.6);
      f.Capsule(a.x, a.y, b.x, b.y, r, r - 0.15, k.pink_back);
      a = b;
      r = std::max(0.55, r - 0.17);
      dir += p.tail_curl;
    }
  }
  // A hind leg: haunch, shin forward, then the long foot back to the toes.
  auto leg = [&](Pt foot_pt, Ink fur, Ink skin) {
    const Pt knee{foot_pt.x + 2.5, (hip.y + foot_pt.y) / 2 + 1};
    const Pt heel{foot_pt.x - 2.0, foot_pt.y - 2.5};
    f.Capsule(hip.x, hip.y, knee.x, knee.y, 3.6, 2.2, fur);
    f.Capsule(knee.x, knee.y, heel.x, heel.y, 1.8, 1.3, fur);
    f.Capsule(heel.x, heel.y, foot_pt.x + 2.5, foot_pt.y, 1.2, 1.0, skin);
  };
  leg(foot(p.phase + 180), k.fur_back, k.pink_back);
  // Far arm.
  const Pt shoulder{15, 17};
  const Pt hand_far = p.arms_up ? Pt{19, 8} : Pt{20.5 - 2 * std::cos(Rad(p.phase)), 22};
  f.Capsule(shoulder.x - 1, shoulder.y, hand_far.x - 1, hand_far.y, 1.5, 1.1, k.fur_back);
  // Body: a hunched pear leaning forward.
  f.Ellipse(11.5, 24 - bob, 6.4, 7.8, k.fur);
  f.Ellipse(13.5, 17 - bob, 5.3, 5.2, k.fur);
  f.Ellipse(15.5, 24 - bob, 3.2, 5.5, k.belly);
  leg(foot(p.phase), k.fur, k.pink);
  // Head, pointed snout, ear.
  const Pt head{std::min(17.5, p.snout_tip - 6.5), 11 - bob};
  const Xform saved = f.xf;
  f.xf = Xform::Rotate(p.head_tilt, head.x, head.y).Then(f.xf);
  f.Ellipse(head.x, head.y, 4.8, 4.3, k.fur);
  f.Polygon({{head.x + 1, head.y - 3.2},
             {p.snout_tip, head.y + 1.8},
             {p.snout_tip - 0.5, head.y + 3.2},
             {head.x + 0.5, head.y + 3.8}},
            k.fur);
  f.Circle(p.snout_tip - 0.6, head.y + 2.0, 1.4, k.pink);
  if (p.mouth_open) {
    f.Polygon({{head.x + 1.5, head.y + 3.0}, {p.snout_tip - 1, head.y + 3.4}, {head.x + 2.5, head.y + 6.0}},
              k.pink_back);
    f.Box(p.snout_tip - 3, head.y + 3, p.snout_tip - 3, head.y + 4, k.tooth);
  } else {
    f.Box(p.snout_tip - 3, head.y + 3, p.snout_tip - 3, head.y + 4, k.tooth);
    f.Box(p.snout_tip - 4, head.y + 3, p.snout_tip - 4, head.y + 4, k.tooth);
  }
  // A big round ear, pink inside.
  f.Ellipse(head.x - 3.0, head.y - 4.4, 3.2, 3.5, k.fur);
  f.Ellipse(head.x - 2.8, head.y - 4.1, 1.8, 2.2, k.pink);
  if (p.dead) {
    f.Line(head.x + 0.5, head.y - 1.5, head.x + 2.5, head.y + 0.5, k.dead_eye);
    f.Line(head.x + 0.5, head.y + 0.5, head.x + 2.5, head.y - 1.5, k.dead_eye);
  } else {
    f.Box(head.x + 1, head.y - 1, head.x + 2, head.y - 1, k.eye);
    f.Dot(head.x + 1, head.y, k.eye);
  }
  f.xf = saved;
  // Near arm with claws.
  const Pt hand = p.arms_up ? Pt{21, 7} : Pt{21.5 + 2 * std::cos(Rad(p.phase)), 21.5};
  f.Capsule(shoulder.x, shoulder.y + 0.5, hand.x, hand.y, 1.8, 1.2, k.fur);
  f.Dot(hand.x + 1, hand.y + (p.arms_up ? -1 : 1), k.claw);
  f.Dot(hand.x + 1.5, hand.y, k.claw);
}

void WalkFrame(Image& sheet, int frame, bool right) {
  const std::string name = "walker.walk" + std::to_string(frame) + (right ? ".right" : ".left");
  const SpriteRect& r = FindSpriteRect(name);
  Figure f(r.Width(), r.Height());
  RatInks k = MakeRatInks(f);
  RatPose p;
  p.phase = (frame - 1) * 90.0;
  p.tail_wave = std::sin(Rad(p.phase)) * 18;
  p.tail_curl = 12 - p.tail_wave * 0.3;
  p.snout_tip = std::min(24.0, r.Width() - 1.5);
  p.spread = r.Width() >= 30 ? 1.25 : r.Width() <= 23 ? 0.8 : 1.0;
  p.mouth_open = frame == 2;
  // Facing left is the same rat mirrored about its body column, so the
  // walker does not jump when it turns.
  if (!right) f.xf = Xform::MirrorX(13.0);
  DrawRat(f, k, p);
  f.RenderInto(sheet, r);
}

// Dying: the rat recoils, then topples to its right: forwards when it faces
// right, backwards when it faces left, so its feet stay where it stood.
void DeathFrame(Image& sheet, int frame, bool right) {
  const std::string name = "walker.die" + std::to_string(frame) + (right ? ".right" : ".left");
  const SpriteRect& r = FindSpriteRect(name);
  Figure f(r.Width(), r.Height());
  RatInks k = MakeRatInks(f);
  RatPose p;
  p.mouth_open = frame <= 3;
  p.arms_up = frame <= 2;
  p.head_tilt = frame == 1 ? -20 : 0;
  p.dead = frame >= 4;
  // Once down, the tail drops to lie along the ground.
  const double tail[] = {25, 40, -40, -70, -70}, curl[] = {5, 2, 6, -3, -2};
  p.tail_wave = tail[frame - 1];
  p.tail_curl = right ? curl[frame - 1] : -curl[frame - 1];
  const double angle[] = {-8, 22, 55, 88, 92};
  const int left[] = {-1, -1, 0, 4, 2};
  const Xform facing = right ? Xform{} : Xform::MirrorX(13.0);
  const Xform turn = facing.Then(Xform::Rotate(angle[frame - 1], 12, 38));
  if (frame == 5) {
    // A pool spreading under the body.
    f.Ellipse(r.Width() / 2.0 + 2, 37.6, r.Width() / 2.0 - 4, 1.6, k.blood);
  }
  auto draw = [&](Figure& g) { DrawRat(g, k, p); };
  f.Place(turn, left[frame - 1], frame == 5 ? 37 : 38, draw);
  f.RenderInto(sheet, r);
}

}  // namespace

void DrawWalkers(Image& sheet) {
  for (bool right : {true, false}) {
    for (int i = 1; i <= 4; ++i) WalkFrame(sheet, i, right);
    for (int i = 1; i <= 5; ++i) DeathFrame(sheet, i, right);
  }
}

}  // namespace datagen::sprites
