// The hero: a warrior-mage raised from the dead, in steel helm and red cape,
// who fires magic from his hand. Drawn facing right on the 30 x 34 canvas
// with his soles on row 33; the game mirrors the canvas for the left.
#include <algorithm>
#include <cmath>

#include "sprites_paint.h"

namespace datagen::sprites {

namespace {

// The missile leaves from canvas row 16 and is 5 rows high: the casting
// hand glows level with its middle.
constexpr double kFireY = 17.5;

struct HeroPose {
  double hip_x = 13.5, hip_y = 20.5;
  Pt foot_back{11, 32}, foot_front{16, 32};  // ankle positions
  Pt hand_back{11, 21}, hand_front{16, 21};
  bool firing = false;
  Pt cape_tip{6, 29};
  double lean = 0;  // degrees, forward positive
};

struct HeroInks {
  Ink steel, steel_back, tunic, cape, legs, legs_back, boots, boots_back, gold, visor, eye, glow, core;
};

HeroInks MakeInks(Figure& f) {
  HeroInks k;
  f.SetOutline({16, 14, 30});
  k.steel = f.Material({74, 82, 116}, {132, 140, 176}, {200, 208, 232});
  k.steel_back = f.Material({52, 58, 84}, {92, 100, 132}, {130, 138, 170});
  k.tunic = f.Material({26, 38, 104}, {46, 70, 166}, {92, 126, 218});
  k.cape = f.Material({96, 14, 34}, {156, 28, 52}, {210, 72, 86});
  k.legs = f.Material({36, 40, 66}, {62, 68, 104}, {98, 106, 146});
  k.legs_back = f.Material({26, 28, 48}, {44, 48, 76}, {66, 72, 104});
  k.boots = f.Material({64, 36, 20}, {108, 66, 36}, {156, 104, 62});
  k.boots_back = f.Material({46, 26, 14}, {76, 46, 26}, {108, 72, 42});
  k.gold = f.Material({150, 96, 22}, {222, 168, 44}, {255, 226, 120});
  k.visor = f.Flat({20, 22, 40});
  k.eye = f.Flat({110, 250, 255});
  k.glow = f.Flat({80, 220, 255});
  k.core = f.Flat({190, 255, 244});
  return k;
}

void Leg(Figure& f, Pt hip, Pt ankle, Ink cloth, Ink boot) {
  const Pt knee = Joint(hip, ankle, 6.0, 6.2, -1);  // knees bend forward
  f.Capsule(hip, knee, 1.9, cloth);
  f.Capsule(knee.x, knee.y, ankle.x, ankle.y - 1.2, 1.7, 1.5, cloth);
  // The boot: shaft, then the foot pointing forward.
  f.Capsule(ankle.x, ankle.y - 1.6, ankle.x, ankle.y, 1.6, 1.6, boot);
  f.Capsule(ankle.x, ankle.y + 0.2, ankle.x + 2.4, ankle.y + 0.4, 1.4, 1.2, boot);
}

void Arm(Figure& f, Pt shoulder, Pt hand, Ink sleeve, Ink glove) {
  const Pt elbow = Joint(shoulder, hand, 4.6, 4.6, 1);  // elbows bend back
  f.Capsule(shoulder, elbow, 1.5, sleeve);
  f.Capsule(elbow, hand, 1.3, sleeve);
  f.Circle(hand.x, hand.y, 1.5, glove);
}

void DrawPose(Image& sheet, std::string_view rect, const HeroPose& p) {
  const SpriteRect& r = FindSpriteRect(rect);
  Figure f(r.Width(), r.Height());
  HeroInks k = MakeInks(f);
  const Pt hip{p.hip_x, p.hip_y};
  // The upper body leans about the hip.
  const Pt shoulder = Toward(hip, -90 + p.lean, 8.0);
  const Pt neck = Toward(hip, -90 + p.lean, 9.5);
  const Pt head{neck.x + 0.8, neck.y - 4.2};

  // Back to front: cape, far arm, far leg, body, near leg, head, near arm.
  f.Polygon({{shoulder.x - 2.2, shoulder.y - 0.8},
             {shoulder.x + 0.8, shoulder.y - 0.5},
             {hip.x - 0.5, hip.y + 1},
             {p.cape_tip.x + 3.5, p.cape_tip.y + 0.5},
             p.cape_tip,
             {(shoulder.x + p.cape_tip.x) / 2 - 1.5, (shoulder.y + p.cape_tip.y) / 2}},
            k.cape);
  Arm(f, {shoulder.x - 0.8, shoulder.y + 0.6}, p.hand_back, k.steel_back, k.steel_back);
  Leg(f, {hip.x - 0.8, hip.y}, p.foot_back, k.legs_back, k.boots_back);
  f.Capsule(hip.x, hip.y, shoulder.x, shoulder.y + 0.6, 3.2, 3.4, k.tunic);
  // Skirt of the tunic over the hips.
  f.Polygon(
      {{hip.x - 3.4, hip.y - 1}, {hip.x + 3.4, hip.y - 1}, {hip.x + 4.0, hip.y + 2.6}, {hip.x - 3.6, hip.y + 2.6}},
      k.tunic);
  Leg(f, {hip.x + 0.8, hip.y}, p.foot_front, k.legs, k.boots);
  f.Box(std::round(hip.x - 3.5), std::round(hip.y - 1.5), std::round(hip.x + 3), std::round(hip.y - 0.5), k.boots);
  f.Box(std::round(hip.x + 0.5), std::round(hip.y - 1.5), std::round(hip.x + 1.5), std::round(hip.y - 0.5), k.gold);
  // The helm, its plume and the visor with the glowing eye.
  f.Polygon({{head.x - 1, head.y - 4.6},
             {head.x - 6.5, head.y - 5.2},
             {head.x - 7.5, head.y - 1.5},
             {head.x - 3.5, head.y - 2.5}},
            k.cape);
  f.Circle(head.x, head.y, 4.6, k.steel);
  f.Box(head.x - 3.6, head.y + 2, head.x + 3.2, head.y + 3.6, k.steel);
  f.Box(std::round(head.x + 1), std::round(head.y - 0.5), std::round(head.x + 4), std::round(head.y + 0.5), k.visor);
  f.Box(std::round(head.x + 1), std::round(head.y + 0.5), std::round(head.x + 1.5), std::round(head.y + 2.5), k.visor);
  f.Dot(std::round(head.x + 2), std::round(head.y - 0.5), k.eye);
  f.Dot(std::round(head.x + 3), std::round(head.y - 0.5), k.eye);
  f.Circle(shoulder.x + 0.3, shoulder.y + 0.8, 2.3, k.steel);  // pauldron
  Arm(f, {shoulder.x + 0.5, shoulder.y + 0.8}, p.hand_front, k.tunic, k.steel);
  if (p.firing) {
    f.Circle(p.hand_front.x + 1.2, p.hand_front.y, 2.3, k.glow);
    f.Circle(p.hand_front.x + 1.4, p.hand_front.y, 1.1, k.core);
  }
  f.RenderInto(sheet, r);
}

// One walking frame: the legs at phase deg of the stride, the far leg half
// a stride behind. Three frames 120 degrees apart loop without a seam.
HeroPose Walk(double deg, bool firing, int width) {
  HeroPose p;
  auto foot = [&](double ph) {
    const double c = std::cos(Rad(ph)), s = std::sin(Rad(ph));
    return Pt{p.hip_x + 0.5 + 5.0 * c, 32 - std::max(0.0, s) * 2.8};
  };
  p.foot_front = foot(deg);
  p.foot_back = foot(deg + 180);
  p.lean = 6;
  p.hip_y = 20.5 + 0.5 * std::abs(std::sin(Rad(deg)));
  // Arms swing against the legs.
  p.hand_front = {p.hip_x + 1 - 3.5 * std::cos(Rad(deg)), 20.5};
  p.hand_back = {p.hip_x - 1 + 3.5 * std::cos(Rad(deg)), 20.0};
  p.cape_tip = {3.5 + std::sin(Rad(deg * 2)) * 0.8, 25.5 + std::cos(Rad(deg)) * 1.2};
  if (firing) {
    p.firing = true;
    p.hand_front = {double(width) - 5.5, kFireY};
    p.lean = 4;
  }
  return p;
}

}  // namespace

void DrawHero(Image& sheet) {
  HeroPose stand;
  stand.foot_back = {11, 32};
  stand.foot_front = {16.5, 32};
  stand.hand_front = {16.5, 21};
  stand.hand_back = {10.5, 21};
  stand.cape_tip = {7, 30};
  DrawPose(sheet, "hero.stand", stand);

  HeroPose fire = stand;
  fire.firing = true;
  fire.hand_front = {27 - 5.5, kFireY};
  fire.hand_back = {10, 20};
  fire.lean = 3;
  fire.foot_front = {18, 32};
  fire.foot_back = {10, 32};
  DrawPose(sheet, "hero.fire", fire);

  // In the air the near knee comes up and the cape streams upwards.
  HeroPose jump;
  jump.hip_y = 19.5;
  jump.foot_front = {19, 27.5};
  jump.foot_back = {9.5, 31.5};
  jump.hand_front = {19, 10};
  jump.hand_back = {8, 15};
  jump.cape_tip = {4, 17};
  jump.lean = 5;
  DrawPose(sheet, "hero.jump", jump);

  HeroPose jump_fire = jump;
  jump_fire.firing = true;
  jump_fire.hand_front = {30 - 5.5, kFireY};
  DrawPose(sheet, "hero.jump_fire", jump_fire);

  const char* walks[] = {"hero.walk1", "hero.walk2", "hero.walk3"};
  const char* fires[] = {"hero.walk_fire1", "hero.walk_fire2", "hero.walk_fire3"};
  for (int i = 0; i < 3; ++i) {
    DrawPose(sheet, walks[i], Walk(i * 120.0, false, FindSpriteRect(walks[i]).Width()));
    DrawPose(sheet, fires[i], Walk(i * 120.0, true, FindSpriteRect(fires[i]).Width()));
  }
}

}  // namespace datagen::sprites
