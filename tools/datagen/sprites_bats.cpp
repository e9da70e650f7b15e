// Bats: three wing beats whose span fills the frame (the game's hit width
// follows it: half-widths 37, 25 and 17, body on that column), a tumbling
// fall and a body lying with its wings spread. The head turns the way the
// bat flies.
#include <cmath>
#include <string>

#include "sprites_paint.h"

namespace datagen::sprites {
namespace {

struct BatInks {
  Ink fur, wing, wing_far, bone, eye, pupil, fang, ear, dead_eye;
};

BatInks MakeBatInks(Figure& f) {
  BatInks k;
  f.SetOutline({22, 10, 22});
  k.fur = f.Material({52, 34, 48}, {88, 60, 78}, {128, 96, 112});
  k.wing = f.Material({70, 30, 62}, {112, 52, 96}, {150, 84, 128});
  k.wing_far = f.Material({52, 22, 46}, {82, 38, 72}, {108, 58, 94});
  k.bone = f.Flat({44, 20, 40});
  k.eye = f.Flat({255, 214, 60});
  k.pupil = f.Flat({200, 30, 20});
  k.fang = f.Flat({246, 240, 226});
  k.ear = f.Flat({196, 110, 130});
  k.dead_eye = f.Flat({26, 12, 24});
  return k;
}

// One wing on the side s (+1 right, -1 left) from the shoulder: wrist and
// tip give the leading edge, the fingers end in a scalloped trailing edge.
void Wing(Figure& f, const BatInks& k, Pt shoulder, Pt wrist, Pt tip, Pt root, Ink ink) {
  // Finger ends between the tip and the root, pulled in towards the wrist
  // to scallop the membrane.
  std::vector<Pt> edge{shoulder, wrist, tip};
  const int fingers = 3;
  std::vector<Pt> ends;
  for (int i = 1; i <= fingers; ++i) {
    const double t = double(i) / (fingers + 1);
    ends.push_back({tip.x + (root.x - tip.x) * t, tip.y + (root.y - tip.y) * t + 2.0});
  }
  for (size_t i = 0; i < ends.size(); ++i) {
    Pt prev = i == 0 ? tip : ends[i - 1];
    Pt mid{(prev.x + ends[i].x) / 2 * 0.85 + wrist.x * 0.15, (prev.y + ends[i].y) / 2 * 0.85 + wrist.y * 0.15};
    edge.push_back(mid);
    edge.push_back(ends[i]);
  }
  edge.push_back(
      {(ends.back().x + root.x) / 2 * 0.85 + wrist.x * 0.15, (ends.back().y + root.y) / 2 * 0.85 + wrist.y * 0.15});
  edge.push_back(root);
  f.Polygon(edge, ink);
  f.Line(shoulder.x, shoulder.y, wrist.x, wrist.y, k.bone);
  f.Line(wrist.x, wrist.y, tip.x, tip.y, k.bone);
  for (Pt e : ends) f.Line(wrist.x, wrist.y, e.x, e.y, k.bone);
  f.Dot(wrist.x - (tip.x > wrist.x ? 1 : -1), wrist.y - 1, k.fang);  // thumb claw
}

void Body(Figure& f, const BatInks& k, double cx, bool dead) {
  f.Ellipse(cx, 16, 4.2, 6.0, k.fur);
  f.Polygon({{cx - 3.2, 6}, {cx - 2.6, 1}, {cx - 0.8, 5}}, k.fur);
  f.Polygon({{cx + 3.4, 6}, {cx + 3.2, 1}, {cx + 1.2, 5}}, k.fur);
  f.Dot(cx - 2, 4, k.ear);
  f.Dot(cx + 2, 4, k.ear);
  f.Circle(cx + 0.3, 8.5, 3.7, k.fur);
  if (dead) {
    f.Dot(cx - 1, 8, k.dead_eye), f.Dot(cx + 2, 8, k.dead_eye);
  } else {
    // Looking ahead: both eyes shifted towards the flight.
    f.Box(cx - 1, 8, cx - 1, 8, k.eye), f.Box(cx + 2, 8, cx + 3, 8, k.eye);
    f.Dot(cx + 3, 8, k.pupil), f.Dot(cx, 8, k.pupil);
  }
  f.Dot(cx, 11, k.fang), f.Dot(cx + 2, 11, k.fang);
  f.Capsule(cx - 1.5, 21, cx - 2, 23, 0.6, 0.6, k.fur);
  f.Capsule(cx + 1.5, 21, cx + 2, 23, 0.6, 0.6, k.fur);
}

// The three wing beats: spread, raised, lowered.
void FlyFrame(Image& sheet, int frame, bool right) {
  const std::string name = "bat.wings" + std::to_string(frame) + (right ? ".right" : ".left");
  const SpriteRect& r = FindSpriteRect(name);
  Figure f(r.Width(), r.Height());
  BatInks k = MakeBatInks(f);
  const double hw = r.Width() / 2.0;  // 37, 25.5, 17.5
  const double cx = frame == 1 ? 37 : frame == 2 ? 25 : 17;
  if (!right) f.xf = Xform::MirrorX(cx + 0.5);
  const double span = hw - 1.0;
  for (int s : {-1, 1}) {
    const Ink ink = s > 0 ? k.wing : k.wing_far;
    const Pt sh{cx + 0.5 + s * 3.0, 13};
    Pt wrist, tip, root{cx + 0.5 + s * 3.5, 19};
    if (frame == 1) {
      wrist = {cx + 0.5 + s * span * 0.45, 7};
      tip = {cx + 0.5 + s * span, 12};
    } else if (frame == 2) {
      wrist = {cx + 0.5 + s * span * 0.55, 2.5};
      tip = {cx + 0.5 + s * span, 1.5};
      root = {cx + 0.5 + s * 3.5, 17};
    } else {
      wrist = {cx + 0.5 + s * span * 0.55, 17};
      tip = {cx + 0.5 + s * span, 29.5};
      root = {cx + 0.5 + s * 3.0, 21};
    }
    Wing(f, k, sh, wrist, tip, root, ink);
  }
  Body(f, k, cx, false);
  f.RenderInto(sheet, r);
}

// Falling: wings crumpled, turned over.
void FallFrame(Image& sheet, bool right) {
  const SpriteRect& r = FindSpriteRect(right ? "bat.fall.right" : "bat.fall.left");
  Figure f(r.Width(), r.Height());
  BatInks k = MakeBatInks(f);
  const double cx = 18;
  Xform x = Xform::Rotate(right ? 150 : -150, cx, 15);
  if (!right) x = Xform::MirrorX(cx + 0.5).Then(x);
  f.xf = x.Then(Xform::Translate(0, 4));
  for (int s : {-1, 1}) {
    const Pt sh{cx + 0.5 + s * 3.0, 13};
    Wing(f, k, sh, {cx + 0.5 + s * 9, s > 0 ? 8.0 : 5.0}, {cx + 0.5 + s * 13, 16.0 + s * 3}, {cx + 0.5 + s * 3.5, 19},
         s > 0 ? k.wing : k.wing_far);
  }
  Body(f, k, cx, true);
  f.RenderInto(sheet, r);
}

// Lying on its back, wings flat on the ground; one picture for both facings.
void DeadFrame(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("bat.dead");
  Figure f(r.Width(), r.Height());
  BatInks k = MakeBatInks(f);
  const double cx = 37.5;
  for (int s : {-1, 1}) {
    Pt sh{cx + s * 3, 6}, wrist{cx + s * 17, 3.5}, tip{cx + s * 36, 8.5}, root{cx + s * 4, 10};
    Wing(f, k, sh, wrist, tip, root, k.wing);
  }
  f.Ellipse(cx, 7.5, 5.5, 3.8, k.fur);
  f.Circle(cx, 7, 3.0, k.fur);
  f.Polygon({{cx - 3, 3}, {cx - 5, 0.5}, {cx - 1, 2.5}}, k.fur);
  f.Polygon({{cx + 3, 3}, {cx + 5, 0.5}, {cx + 1, 2.5}}, k.fur);
  f.Dot(cx - 2, 6, k.dead_eye), f.Dot(cx + 1, 6, k.dead_eye);
  f.Dot(cx - 2, 5, k.dead_eye), f.Dot(cx + 1, 5, k.dead_eye);
  f.Dot(cx - 1, 9, k.fang);
  f.RenderInto(sheet, r);
}

}  // namespace

void DrawBats(Image& sheet) {
  for (bool right : {true, false}) {
    for (int i = 1; i <= 3; ++i) FlyFrame(sheet, i, right);
    FallFrame(sheet, right);
  }
  DeadFrame(sheet);
}

}  // namespace datagen::sprites
