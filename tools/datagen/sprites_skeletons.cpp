// The throwers: skeletons in a rag of a loincloth that hurl bones. A
// thrower rests with row 45 of its picture on the ground's top row, so its
// feet are on row 44; its body stands on column 15, where the game puts X.
// The collapse moves every bone from where it stood to a heap on the ground.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sprites_paint.h"

namespace datagen::sprites {
namespace {

enum BoneKind { kLong, kFoot, kSpine, kRibs, kPelvis, kSkull };

// A long bone runs from a to b; the others sit at a, turned by angle.
struct Bone {
  BoneKind kind;
  bool near;  // the side towards the viewer is lit brighter
  Pt a, b;
  double angle = 0;
};

struct SkeletonInks {
  Ink bone, bone_far, socket, eye, rag, held;
};

SkeletonInks MakeInks(Figure& f) {
  SkeletonInks k;
  f.SetOutline({38, 30, 24});
  k.bone = f.Material({156, 144, 112}, {214, 206, 176}, {246, 242, 222});
  k.bone_far = f.Material({120, 110, 86}, {166, 158, 132}, {196, 190, 164});
  k.socket = f.Flat({40, 26, 24});
  k.eye = f.Flat({255, 60, 40});
  k.rag = f.Material({54, 30, 34}, {92, 50, 52}, {128, 78, 70});
  k.held = k.bone;
  return k;
}

// Draws one bone; right says which way the skull looks.
void DrawBone(Figure& f, const SkeletonInks& k, const Bone& b, bool right) {
  const Ink ink = b.near ? k.bone : k.bone_far;
  const Xform base = f.xf;
  switch (b.kind) {
    case kLong:
      f.Capsule(b.a, b.b, 0.9, ink);
      f.Circle(b.a.x, b.a.y, 1.35, ink);
      f.Circle(b.b.x, b.b.y, 1.35, ink);
      break;
    case kFoot: f.Capsule(b.a, b.b, 0.9, ink); break;
    case kSpine:
      f.Capsule(b.a, b.b, 0.8, k.bone_far);
      for (int i = 1; i < 6; ++i) {
        const double t = i / 6.0;
        f.Circle(b.a.x + (b.b.x - b.a.x) * t, b.a.y + (b.b.y - b.a.y) * t, 1.1, k.bone_far);
      }
      break;
    case kRibs: {
      f.xf = Xform::Rotate(b.angle, b.a.x, b.a.y).Then(base);
      const double s = right ? 1 : -1;
      for (int i = 0; i < 4; ++i) {
        const double y = b.a.y - 3.5 + i * 2.2;
        const double w = 4.2 - std::abs(i - 1.2) * 0.5;
        f.Capsule(b.a.x - s * (w - 0.5), y, b.a.x + s * w, y + 1.0, 0.65, 0.65, ink);
      }
      f.Capsule(b.a.x - s * 0.6, b.a.y - 4, b.a.x - s * 0.6, b.a.y + 3.2, 0.8, 0.8, ink);
      break;
    }
    case kPelvis:
      f.xf = Xform::Rotate(b.angle, b.a.x, b.a.y).Then(base);
      // The rag hangs from the hips.
      f.Polygon({{b.a.x - 4, b.a.y - 0.5},
                 {b.a.x + 4, b.a.y - 0.5},
                 {b.a.x + 3.5, b.a.y + 5},
                 {b.a.x + 1.5, b.a.y + 3.5},
                 {b.a.x + 0.5, b.a.y + 6},
                 {b.a.x - 1.5, b.a.y + 3.8},
                 {b.a.x - 3.8, b.a.y + 5.5}},
                k.rag);
      f.Ellipse(b.a.x, b.a.y, 3.6, 1.6, ink);
      break;
    case kSkull: {
      const double s = right ? 1 : -1;
      f.xf = Xform::Rotate(b.angle, b.a.x, b.a.y).Then(base);
      // Cranium, the face jutting forward under it, the jaw hung below a
      // row of teeth.
      const double cx = std::round(b.a.x), cy = std::round(b.a.y);
      f.Ellipse(cx, cy - 0.5, 4.0, 3.8, k.bone);
      f.Box(std::min(cx - s, cx + 3 * s), cy, std::max(cx - s, cx + 3 * s), cy + 2, k.bone);
      f.Box(std::min(cx, cx + 2 * s), cy + 3, std::max(cx, cx + 2 * s), cy + 3, k.bone);
      for (int i = 0; i < 4; ++i) f.Dot(cx + s * (i - 0.5) - (s < 0 ? 0 : 0), cy + 2, i % 2 ? k.socket : k.bone);
      f.Box(std::min(cx + s, cx + 2 * s), cy - 1, std::max(cx + s, cx + 2 * s), cy, k.socket);
      f.Dot(cx + 2 * s, cy - 1, k.eye);
      f.Dot(cx + 3 * s, cy + 1, k.socket);
      break;
    }
  }
  f.xf = base;
}

struct SkeletonPose {
  Pt hip{15, 26};
  Pt foot_near{18, 42.5}, foot_far{12, 42.5};
  Pt hand_near{16, 26}, hand_far{13, 25};
  double lean = 0;       // degrees about the hip, forward positive
  bool holding = false;  // a bone in the near hand
};

// The standing figure as a list of bones, facing right.
std::vector<Bone> Skeleton(const SkeletonPose& p) {
  const Pt neck = Toward(p.hip, -90 + p.lean, 16.5);
  const Pt shoulder = Toward(p.hip, -90 + p.lean, 13.5);
  const Pt ribs = Toward(p.hip, -90 + p.lean, 9.5);
  std::vector<Bone> v;
  auto arm = [&](Pt sh, Pt hand, bool near) {
    const Pt elbow = Joint(sh, hand, 6.5, 6.2, 1);
    v.push_back({kLong, near, sh, elbow});
    v.push_back({kLong, near, elbow, hand});
  };
  auto leg = [&](Pt foot, bool near) {
    const Pt hip{p.hip.x + (near ? 0.5 : -0.5), p.hip.y};
    const Pt knee = Joint(hip, foot, 8.2, 8.2, -1);
    v.push_back({kLong, near, hip, knee});
    v.push_back({kLong, near, knee, foot});
    v.push_back({kFoot, near, {foot.x - 0.5, foot.y + 1.5}, {foot.x + 3, foot.y + 1.5}});
  };
  arm({shoulder.x - 1, shoulder.y}, p.hand_far, false);
  leg(p.foot_far, false);
  v.push_back({kPelvis, true, {p.hip.x, p.hip.y - 0.5}, {}, p.lean * 0.5});
  v.push_back({kSpine, false, {p.hip.x, p.hip.y - 1}, neck});
  v.push_back({kRibs, true, {ribs.x + 0.8, ribs.y}, {}, p.lean});
  leg(p.foot_near, true);
  v.push_back({kSkull, true, {neck.x + 1.5, neck.y - 4.5}, {}, p.lean * 0.6});
  arm({shoulder.x + 0.5, shoulder.y}, p.hand_near, true);
  return v;
}

// Where each bone of Skeleton() comes to rest, facing right, in a heap
// spread over the 51 columns of the last frame.
std::vector<Bone> Heap() {
  return {
      {kLong, false, {35, 43.5}, {41, 42.5}},  // far upper arm
      {kLong, false, {44, 43}, {49, 43.5}},    // far forearm
      {kLong, false, {2, 43.5}, {10, 43}},     // far thigh
      {kLong, false, {5, 41.5}, {13, 39.5}},   // far shin
      {kFoot, false, {45, 43.5}, {48, 43}},    // far foot
      {kPelvis, true, {14, 38.5}, {}, 10},    {kSpine, false, {17, 43.5}, {29, 43}},
      {kRibs, true, {23, 40}, {}, 85},        {kLong, true, {26, 43.5}, {34, 42.5}},  // near thigh
      {kLong, true, {33, 43.5}, {41, 40.5}},                                          // near shin
      {kFoot, true, {7, 43.5}, {10, 43.5}},                                           // near foot
      {kSkull, true, {30.5, 38.5}, {}, 25},   {kLong, true, {18, 38}, {23, 43}},      // near upper arm
      {kLong, true, {38, 39.5}, {44, 38}},                                            // near forearm
  };
}

void DrawSkeleton(Figure& f, const SkeletonInks& k, const std::vector<Bone>& bones, bool right) {
  for (const Bone& b : bones) DrawBone(f, k, b, right);
}

void HeldBone(Figure& f, const SkeletonInks& k, Pt at) {
  f.Capsule(at.x - 2.5, at.y + 2, at.x + 2.5, at.y - 2, 0.9, 0.9, k.held);
  for (Pt e : {Pt{at.x - 3, at.y + 2.5}, Pt{at.x + 3, at.y - 2.5}}) {
    f.Circle(e.x - 0.6, e.y - 0.6, 1.1, k.held);
    f.Circle(e.x + 0.6, e.y + 0.6, 1.1, k.held);
  }
}

SkeletonPose WalkPose(int frame) {
  SkeletonPose p;
  const double ph = (frame - 1) * 90.0;
  auto foot = [&](double a) { return Pt{15.5 + 5.0 * std::cos(Rad(a)), 42.5 - std::max(0.0, std::sin(Rad(a))) * 2.5}; };
  p.foot_near = foot(ph);
  p.foot_far = foot(ph + 180);
  p.hip.y = 26 - 0.7 * std::abs(std::sin(Rad(ph)));
  p.hand_near = {16 - 4 * std::cos(Rad(ph)), 25};
  p.hand_far = {14 + 4 * std::cos(Rad(ph)), 24.5};
  p.lean = 4;
  return p;
}

void Render(Image& sheet, const std::string& name, bool right, const SkeletonPose& p, bool swoosh = false) {
  const SpriteRect& r = FindSpriteRect(name);
  Figure f(r.Width(), r.Height());
  SkeletonInks k = MakeInks(f);
  // Facing left is the same figure mirrored about its body column.
  if (!right) f.xf = Xform::MirrorX(15.5);
  if (swoosh) {
    Ink trail = f.Flat({200, 206, 214});
    for (int i = 0; i < 7; ++i) {
      const Pt q = Toward({15, 16}, -80 + i * 13, 12.5);
      f.Dot(q.x, q.y, trail);
    }
  }
  DrawSkeleton(f, k, Skeleton(p), true);
  if (p.holding) HeldBone(f, k, {p.hand_near.x - 1, p.hand_near.y - 3});
  f.RenderInto(sheet, r);
}

void Collapse(Image& sheet, int frame, bool right) {
  const std::string name = "thrower.die" + std::to_string(frame) + (right ? ".right" : ".left");
  const SpriteRect& r = FindSpriteRect(name);
  Figure f(r.Width(), r.Height());
  SkeletonInks k = MakeInks(f);
  const double t = frame / 4.0;
  // Down fast, then spreading out.
  const double ty = 1 - (1 - t) * (1 - t), tx = t * t;
  std::vector<Bone> from = Skeleton(WalkPose(1)), to = Heap();
  auto lerp = [&](Pt a, Pt b) { return Pt{a.x + (b.x - a.x) * tx, a.y + (b.y - a.y) * ty}; };
  std::vector<Bone> now;
  for (size_t i = 0; i < from.size(); ++i) {
    Bone a = from[i], b = to[i];
    if (!right) {
      // Standing mirrored about the body column; the heap mirrored about
      // its own middle, so it covers the same ground either way.
      a.a.x = 31 - a.a.x, a.b.x = 31 - a.b.x, a.angle = -a.angle;
      b.a.x = 51 - b.a.x, b.b.x = 51 - b.b.x, b.angle = -b.angle;
      if (a.kind == kFoot) std::swap(a.a, a.b);
    }
    now.push_back({a.kind, a.near, lerp(a.a, b.a), lerp(a.b, b.b), a.angle + (b.angle - a.angle) * t});
  }
  DrawSkeleton(f, k, now, right);
  f.RenderInto(sheet, r);
}

}  // namespace

void DrawThrowers(Image& sheet) {
  for (bool right : {true, false}) {
    const char* side = right ? ".right" : ".left";
    for (int i = 1; i <= 4; ++i) Render(sheet, "thrower.walk" + std::to_string(i) + side, right, WalkPose(i));
    // Winding up: leaning back, the bone raised behind the head.
    SkeletonPose wind;
    wind.lean = -10;
    wind.foot_near = {21, 42.5};
    wind.foot_far = {10, 42.5};
    wind.hand_near = {8, 4};
    wind.hand_far = {20, 20};
    wind.holding = true;
    Render(sheet, std::string("thrower.throw1") + side, right, wind);
    // The throw: the arm whipped forward, the hand open.
    SkeletonPose hurl;
    hurl.lean = 12;
    hurl.foot_near = {22, 42.5};
    hurl.foot_far = {9, 42.5};
    hurl.hand_near = {31, 13};
    hurl.hand_far = {10, 24};
    Render(sheet, std::string("thrower.throw2") + side, right, hurl, true);
    for (int i = 1; i <= 4; ++i) Collapse(sheet, i, right);
  }
}

}  // namespace datagen::sprites
