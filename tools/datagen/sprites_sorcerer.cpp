// RirEza: a hooded sorcerer with a skull's face and a grey beard, floating
// on a robe that frays into smoke, a staff with a violet orb in one hand.
// The game tests hits about column 20 and row 49 of every pose, so he hangs
// there in all of them; the wider poses use their extra columns on the
// right: the robe streaming behind him, or his casting arm.
#include <cmath>
#include <string>

#include "sprites_paint.h"

namespace datagen::sprites {
namespace {

struct SorcererInks {
  Ink robe, robe_far, lining, trim, hood_shadow, face, eye, beard, staff, orb, orb_core, spark, smoke, hand;
};

SorcererInks MakeInks(Figure& f) {
  SorcererInks k;
  f.SetOutline({16, 6, 22});
  k.robe = f.Material({48, 18, 66}, {84, 34, 116}, {128, 70, 166});
  k.robe_far = f.Material({34, 12, 48}, {60, 24, 84}, {88, 44, 118});
  k.lining = f.Material({110, 14, 28}, {160, 26, 40}, {204, 60, 70});
  k.trim = f.Material({150, 96, 22}, {222, 168, 44}, {255, 226, 120});
  k.hood_shadow = f.Flat({18, 8, 22});
  k.face = f.Material({150, 146, 130}, {200, 196, 178}, {236, 232, 214});
  k.eye = f.Flat({255, 40, 40});
  k.beard = f.Material({130, 130, 140}, {180, 180, 190}, {222, 222, 230});
  k.staff = f.Material({60, 36, 20}, {100, 64, 36}, {140, 96, 56});
  k.orb = f.Flat({200, 70, 240});
  k.orb_core = f.Flat({255, 210, 255});
  k.spark = f.Flat({255, 140, 250});
  k.smoke = f.Material({40, 20, 56}, {66, 36, 90}, {96, 60, 124});
  k.hand = f.Material({150, 146, 130}, {200, 196, 178}, {236, 232, 214});
  return k;
}

struct SorcererPose {
  bool right = false;  // which way he looks
  double tilt = 0;     // degrees, clockwise, about his middle
  double sway = 0;     // where the robe's tail streams: + to the right
  bool cast = false;
  double reach = 0;  // casting: how far the hand reaches from column 20
};

constexpr double kCx = 20.5;

void DrawSorcerer(Figure& f, const SorcererInks& k, const SorcererPose& p) {
  const double s = p.right ? 1 : -1;
  auto X = [&](double dx) { return kCx + s * dx; };
  const Xform base = f.xf;
  f.xf = Xform::Rotate(p.tilt, kCx, 49).Then(base);

  // The staff, held in the far hand behind him.
  const Pt staff_top = p.cast ? Pt{X(-4), 4} : Pt{X(-10), 9};
  const Pt staff_foot = p.cast ? Pt{X(-12), 62} : Pt{X(-9.5), 78};
  f.Capsule(staff_top, staff_foot, 1.1, k.staff);
  f.Capsule(staff_top.x - 2, staff_top.y + 1, staff_top.x + 2, staff_top.y + 1, 0.8, 0.8, k.trim);

  // Robe: broad at the shoulders, fraying into a tail of smoke.
  const double sw = p.sway;
  std::vector<Pt> robe{{kCx - 11, 27},           {kCx + 11, 27},
                       {kCx + 13.5, 50},         {kCx + 12 + sw * 0.3, 62},
                       {kCx + 8 + sw * 0.6, 72}, {kCx + 5 + sw * 0.85, 82},
                       {kCx + 1 + sw, 91},       {kCx - 2 + sw * 0.9, 84},
                       {kCx - 6 + sw * 0.7, 76}, {kCx - 11 + sw * 0.4, 64},
                       {kCx - 13.5, 50}};
  f.Polygon(robe, k.robe);
  // Smoke shreds off the tail.
  f.Circle(kCx + 7 + sw * 0.9, 86, 1.6, k.smoke);
  f.Circle(kCx - 5 + sw * 1.0, 89, 1.3, k.smoke);
  f.Circle(kCx + 3 + sw * 1.1, 93, 1.0, k.smoke);
  // The open front of the robe shows its red lining, edged in gold.
  f.Polygon({{X(2), 36}, {X(5), 36}, {X(7.5), 60}, {X(4.5) + sw * 0.5, 72}, {X(2.5) + sw * 0.4, 60}}, k.lining);
  f.Capsule(X(5), 36, X(7.5), 60, 0.7, 0.7, k.trim);
  f.Capsule(kCx - 12.5, 47, kCx + 12.5, 47, 0.9, 0.9, k.trim);  // belt

  // Far arm to the staff.
  f.Capsule(X(-8), 30, staff_top.x * 0.3 + staff_foot.x * 0.7 - s * 0.5, p.cast ? 44 : 46, 3.0, 3.8, k.robe_far);
  // Mantle over the shoulders.
  f.Ellipse(kCx, 30, 12.5, 5.5, k.robe);
  f.Capsule(kCx - 11.5, 32.5, kCx + 11.5, 32.5, 0.8, 0.8, k.trim);

  // Hood, the shadow inside it, the skull face and the beard.
  f.Polygon({{X(-7.5), 24}, {X(-8.5), 12}, {X(-5), 3.5}, {X(-1), 1.5}, {X(4), 5}, {X(8), 13}, {X(8.5), 24}}, k.robe);
  f.Ellipse(X(3.2), 15.5, 5.8, 8.0, k.trim);
  f.Ellipse(X(3.2), 15.5, 4.9, 7.1, k.hood_shadow);
  f.Ellipse(X(3.6), 16, 3.6, 5.0, k.face);
  // Sunken eyes and a noseless skull's grin.
  const double ex = std::round(X(3.6) - 0.5);
  f.Box(ex - 2, 14, ex - 1, 14, k.eye);
  f.Box(ex + 1, 14, ex + 2, 14, k.eye);
  f.Dot(ex, 16, k.hood_shadow);
  f.Polygon({{X(-0.5), 19}, {X(7.5), 19}, {X(6.5), 28}, {X(3.4), 40}, {X(0.5), 28}}, k.beard);
  f.Box(ex - 1, 19, ex + 1, 19, k.hood_shadow);

  // Near arm: hanging sleeve, or thrust out to cast.
  if (p.cast) {
    const Pt hand{X(p.reach), 33};
    f.Capsule(X(8), 31, hand.x - s * 3, hand.y, 3.2, 4.2, k.robe);
    f.Capsule(hand.x - s * 2, hand.y - 0.5, hand.x, hand.y - 1.5, 1.5, 1.2, k.hand);
    f.Circle(hand.x + s * 2.5, hand.y - 1.5, 3.0, k.orb);
    f.Circle(hand.x + s * 2.5, hand.y - 1.5, 1.4, k.orb_core);
    for (int i = 0; i < 6; ++i) {
      const Pt q = Toward({hand.x + s * 2.5, hand.y - 1.5}, i * 60.0 + 15, 5.2 + (i % 2) * 1.3);
      f.Dot(q.x, q.y, k.spark);
    }
  } else {
    f.Capsule(X(8.5), 31, X(10), 45, 3.0, 4.2, k.robe);
    f.Capsule(X(10), 47, X(10.5), 49, 1.3, 1.1, k.hand);
  }
  // The orb on the staff glows brighter while he casts.
  f.Circle(staff_top.x, staff_top.y - 1.5, p.cast ? 3.2 : 2.5, k.orb);
  f.Circle(staff_top.x - 0.5, staff_top.y - 2, p.cast ? 1.6 : 1.0, k.orb_core);
  f.xf = base;
}

void Pose(Image& sheet, const std::string& name, const SorcererPose& p) {
  const SpriteRect& r = FindSpriteRect(name);
  Figure f(r.Width(), r.Height());
  SorcererInks k = MakeInks(f);
  DrawSorcerer(f, k, p);
  f.RenderInto(sheet, r);
}

}  // namespace

void DrawSorcerer(Image& sheet) {
  for (bool right : {false, true}) {
    const char* side = right ? ".right" : ".left";
    SorcererPose hover;
    hover.right = right;
    hover.sway = 1;
    Pose(sheet, std::string("sorcerer.hover") + side, hover);
    // Gliding: he leans into the way he moves and the robe streams behind.
    SorcererPose left = hover;
    left.tilt = -7;
    left.sway = 11;
    Pose(sheet, std::string("sorcerer.glide_left") + side, left);
    SorcererPose rightward = hover;
    rightward.tilt = 7;
    rightward.sway = -5;
    Pose(sheet, std::string("sorcerer.glide_right") + side, rightward);
    SorcererPose cast = hover;
    cast.cast = true;
    if (right) {
      cast.reach = 30;
      cast.sway = -3;
    } else {
      // Facing left the arm has only the columns left of his middle; the
      // robe whips out behind him across the others.
      cast.reach = 14;
      cast.sway = 20;
      cast.tilt = -4;
    }
    Pose(sheet, std::string("sorcerer.cast") + side, cast);
  }
}

}  // namespace datagen::sprites
