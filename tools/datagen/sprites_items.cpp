// Coins, bonus items and the status display.
#include <cmath>

#include "sprites_paint.h"

namespace datagen::sprites {
namespace {

constexpr Rgb kGoldDark{150, 92, 20}, kGold{226, 170, 40}, kGoldLight{255, 228, 120};
constexpr Rgb kInkBrown{52, 28, 8};

// The emblem shared by the coins: a five-pointed star.
std::vector<Pt> Star(double cx, double cy, double r_out, double r_in, double turn = -90) {
  std::vector<Pt> p;
  for (int i = 0; i < 10; ++i) p.push_back(Toward({cx, cy}, turn + i * 36.0, i % 2 ? r_in : r_out));
  return p;
}

// A coin seen at an angle: width is its apparent half-width. The face shows
// the star, the back a ring; edge-on it is a thin bar.
void Coin(Image& sheet, std::string_view rect, double cx, double cy, double half_w, bool back) {
  const SpriteRect& r = FindSpriteRect(rect);
  Figure f(r.Width(), r.Height());
  f.SetOutline(kInkBrown);
  Ink gold = f.Material(kGoldDark, kGold, kGoldLight);
  Ink deep = f.Flat({176, 112, 24});
  Ink shine = f.Flat({255, 246, 196});
  const double ry = 9.5;
  if (half_w < 2) {
    f.Box(cx - 1.5, cy - ry, cx + 0.5, cy + ry - 1, gold);
    f.Box(cx - 0.5, cy - ry + 2, cx - 0.5, cy - 2, shine);
  } else {
    f.Ellipse(cx, cy, half_w, ry, gold);
    const double k = half_w / 9.5;
    if (!back) {
      std::vector<Pt> star = Star(0, 0.3, 5.5, 2.3);
      for (Pt& p : star) p = {cx + p.x * k, cy + p.y};
      f.Polygon(star, deep);
    } else {
      f.Ellipse(cx, cy, std::max(1.0, half_w - 3 * k - 1), ry - 4, deep);
      f.Ellipse(cx, cy, std::max(0.6, half_w - 5 * k - 1), ry - 6, gold);
    }
    f.Dot(cx - half_w * 0.55, cy - 6, shine);
    if (half_w > 6) f.Dot(cx - half_w * 0.55 + 1, cy - 7, shine);
  }
  f.RenderInto(sheet, r);
}

void Heart(Figure& f, double cx, double cy, double s, Ink ink) {
  f.Circle(cx - 4 * s, cy - 1.5 * s, 4.5 * s, ink);
  f.Circle(cx + 4 * s, cy - 1.5 * s, 4.5 * s, ink);
  f.Polygon({{cx - 8.3 * s, cy}, {cx + 8.3 * s, cy}, {cx, cy + 7.5 * s}}, ink);
  f.Polygon({{cx - 8.3 * s, cy - 1.5 * s}, {cx + 8.3 * s, cy - 1.5 * s}, {cx + 8.3 * s, cy}, {cx - 8.3 * s, cy}}, ink);
}

void EnergyBonus(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("bonus.energy");
  Figure f(r.Width(), r.Height());
  f.SetOutline({60, 6, 12});
  Ink red = f.Material({150, 18, 30}, {214, 40, 48}, {255, 120, 110});
  Ink shine = f.Flat({255, 236, 230});
  Heart(f, 9.5, 5.2, 1.0, red);
  f.Dot(4, 2, shine), f.Dot(5, 2, shine), f.Dot(3, 3, shine);
  f.RenderInto(sheet, r);
}

void PowerBonus(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("bonus.power");
  Figure f(r.Width(), r.Height());
  f.SetOutline({10, 18, 60});
  Ink orb = f.Material({30, 60, 170}, {60, 120, 230}, {150, 200, 255});
  Ink bolt = f.Flat({255, 236, 90});
  Ink shine = f.Flat({255, 255, 255});
  f.Circle(7, 7, 6, orb);
  f.Grid(4, 3, {"...#", "..#.", ".##.", "####", "..#.", ".#..", "#..."}, "#", {bolt});
  f.Dot(4, 2, shine);
  f.RenderInto(sheet, r);
}

// "Opções" on the main menu and the extra-life bonus in play: a golden cog
// (settings) round a heart (a life).
void LifeCog(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.options");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kInkBrown);
  Ink gold = f.Material(kGoldDark, kGold, kGoldLight);
  Ink red = f.Material({150, 18, 30}, {220, 44, 52}, {255, 140, 130});
  const double cx = 6.5, cy = 7.5;
  for (int i = 0; i < 8; ++i) {
    const Pt a = Toward({cx, cy}, i * 45.0, 3.5), b = Toward({cx, cy}, i * 45.0, 5.2);
    f.Capsule(a, b, 1.2, gold);
  }
  f.Circle(cx, cy, 4.6, gold);
  f.Grid(4, 5, {"##.##", "#####", "#####", ".###.", "..#.."}, "#", {red});
  f.RenderInto(sheet, r);
}

}  // namespace

void DrawPickUps(Image& sheet) {
  // Every frame keeps the coin's centre on the same screen pixel once the
  // game's per-frame offsets are added.
  Coin(sheet, "coin.1", 13.5, 14.5, 9.5, false);
  Coin(sheet, "coin.2", 13.5, 10.5, 5.5, false);
  Coin(sheet, "coin.3", 2.5, 10.5, 1.0, false);
  Coin(sheet, "coin.4", 13.5, 11.5, 5.5, true);
  EnergyBonus(sheet);
  PowerBonus(sheet);
  LifeCog(sheet);
}

namespace {

constexpr Rgb kFillCap{64, 10, 14};

void EnergyFrame(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("status.energy_frame");
  Figure f(r.Width(), r.Height());
  f.SetOutline({20, 14, 18});
  Ink steel = f.Material({86, 84, 104}, {140, 140, 160}, {204, 204, 220});
  Ink cavity = f.Flat({34, 12, 18});
  Ink notch = f.Flat({58, 26, 34});
  Ink gold = f.Material(kGoldDark, kGold, kGoldLight);
  Ink red = f.Material({150, 18, 30}, {214, 40, 48}, {255, 120, 110});
  // The tube; the fill lands on its cavity, columns 14 to 114, rows 6 to 21.
  f.Box(12, 5, 116, 22, steel);
  f.Box(14, 6, 114, 21, cavity);
  for (int x = 24; x < 114; x += 10) f.Box(x, 7, x, 20, notch);
  // The medallion at its left end.
  f.Ellipse(6.5, 12.5, 6.5, 11.5, gold);
  Heart(f, 6.5, 11.5, 0.55, red);
  f.RenderInto(sheet, r);
}

// The fill is cut 1 to 101 columns wide from the left; every column but the
// last is the same, so any width reads as a bar. Rows 3 to 18 land on the
// frame's cavity.
void EnergyFill(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("status.energy_fill");
  const Rgb rows[16] = {{255, 150, 130}, {250, 96, 80}, {236, 60, 52}, {224, 44, 44}, {214, 36, 40}, {206, 30, 36},
                        {198, 28, 34},   {190, 26, 32}, {182, 24, 30}, {172, 22, 28}, {162, 20, 28}, {150, 18, 26},
                        {138, 16, 24},   {124, 14, 22}, {110, 12, 20}, {92, 10, 18}};
  for (int x = r.x1; x < r.x2; ++x)
    for (int i = 0; i < 16; ++i) sheet.Set(x, r.y1 + 3 + i, rows[i]);
  // The last column is the end cap of a full bar and the left edge of the
  // lives badge beside it.
  for (int i = 0; i < 16; ++i) sheet.Set(r.x2, r.y1 + 3 + i, kFillCap);
}

// The lives badge: the hero's helmeted head. Its left edge is the energy
// fill's end cap (sheet rows 4 to 19), so both draw the same pixels there.
void LivesIcon(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("status.lives");
  Figure f(r.Width(), r.Height());
  f.NoOutline();
  Ink rim = f.Flat(kFillCap);
  Ink back = f.Flat({40, 34, 70});
  Ink helm = f.Material({70, 78, 110}, {120, 130, 166}, {186, 196, 224});
  Ink face = f.Material({120, 132, 150}, {170, 184, 196}, {210, 220, 226});
  Ink eye = f.Flat({90, 250, 255});
  Ink plume = f.Material({120, 20, 40}, {190, 40, 60}, {240, 100, 110});
  // Rounded badge: the left edge is the straight run of rows 2 to 17.
  f.Box(1, 0, 16, 19, rim);
  f.Box(0, 2, 17, 17, rim);
  f.Box(1, 1, 16, 18, rim);
  f.Box(2, 1, 15, 18, back);
  f.Box(1, 2, 16, 17, back);
  f.Ellipse(8.5, 10, 5.5, 6, helm);
  f.Box(4, 10, 13, 14, helm);
  f.Box(8, 10, 13, 14, face);
  f.Box(10, 11, 13, 11, eye);
  f.Box(4, 15, 13, 16, helm);
  f.Polygon({{4, 5}, {7, 2}, {11, 3}, {6, 6}}, plume);
  f.RenderInto(sheet, r);
}

void PowerFrame(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("status.power_frame");
  Figure f(r.Width(), r.Height());
  f.SetOutline({14, 16, 30});
  Ink steel = f.Material({86, 84, 104}, {140, 140, 160}, {204, 204, 220});
  Ink cavity = f.Flat({14, 20, 44});
  Ink orb = f.Material({30, 60, 170}, {60, 120, 230}, {150, 200, 255});
  Ink shine = f.Flat({196, 226, 255});
  // Tube: the fill lands on columns 9 to 13, rows 1 (power 9) to 46.
  f.Box(8, 0, 14, 47, steel);
  f.Box(9, 1, 13, 46, cavity);
  for (int k = 1; k <= 9; ++k) f.Box(15, 46 - 5 * k, 16 + (k % 3 == 0), 46 - 5 * k, steel);
  f.Circle(11.5, 51.8, 5.2, orb);  // clear of the cavity's last row
  f.Dot(9, 48, shine);
  f.RenderInto(sheet, r);
}

// Cut from row 119 - 5 x power down to 119: the top row of each step is lit.
void PowerFill(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("status.power_fill");
  const Rgb cols[5] = {{40, 90, 200}, {90, 170, 255}, {170, 226, 255}, {90, 170, 255}, {40, 90, 200}};
  for (int y = r.y1; y <= r.y2; ++y)
    for (int i = 0; i < 5; ++i) {
      Rgb c = cols[i];
      if ((r.y2 - y) % 5 == 0) c = Mix(c, {255, 255, 255}, 0.45);
      sheet.Set(r.x1 + i, y, c);
    }
}

// RirEza's health, cut 1 to 101 columns wide from the left.
void BossBar(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("status.boss_bar");
  const Rgb rows[10] = {{40, 0, 36},    {226, 130, 255}, {180, 70, 230}, {160, 50, 214}, {140, 36, 196},
                        {124, 28, 176}, {106, 22, 150},  {88, 18, 126},  {70, 14, 100},  {40, 0, 36}};
  for (int x = r.x1; x <= r.x2; ++x)
    for (int i = 0; i < 10; ++i) {
      Rgb c = rows[i];
      if (x == r.x1 && i > 0 && i < 9) c = rows[0];
      else if ((x - r.x1) % 6 == 5 && i > 0 && i < 9) c = Scale(c, 0.8);
      sheet.Set(x, r.y1 + i, c);
    }
}

}  // namespace

void DrawStatus(Image& sheet) {
  EnergyFrame(sheet);
  EnergyFill(sheet);
  LivesIcon(sheet);
  PowerFrame(sheet);
  PowerFill(sheet);
  BossBar(sheet);
}

}  // namespace datagen::sprites
