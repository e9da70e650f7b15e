// The menu's art: the title, the icons of the main and options pages, the
// two ornaments and the mouse pointer. The captions come from the game, so
// the icons carry pictures, not words.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sprites_paint.h"

namespace datagen::sprites {
namespace {

constexpr Rgb kOutline{24, 14, 20};
constexpr Rgb kGoldDark{150, 92, 20}, kGold{226, 170, 40}, kGoldLight{255, 228, 120};
constexpr Rgb kSteelDark{86, 92, 118}, kSteel{150, 156, 182}, kSteelLight{214, 220, 236};

// The title's letters on a grid of 4-pixel cells, 11 cells high.
// clang-format off
const std::vector<std::string> kLetterM = {
  "##.....##", "###...###", "####.####", "##.###.##", "##..#..##", "##.....##",
  "##.....##", "##.....##", "##.....##", "##.....##", "##.....##"};
const std::vector<std::string> kLetterO = {
  "..#####..", ".##...##.", "##.....##", "##.....##", "##.....##", "##.....##",
  "##.....##", "##.....##", "##.....##", ".##...##.", "..#####.."};
const std::vector<std::string> kLetterR = {
  "#######..", "##....##.", "##.....##", "##.....##", "##....##.", "#######..",
  "##..##...", "##...##..", "##....##.", "##.....##", "##.....##"};
const std::vector<std::string> kLetterL = {
  "##......", "##......", "##......", "##......", "##......", "##......",
  "##......", "##......", "##......", "########", "########"};
// clang-format on

// A sword lying flat, point to the right, hilt at x0.
void Sword(Figure& f, double x0, double x1, double cy, double scale) {
  Ink steel = f.Material(kSteelDark, kSteel, kSteelLight);
  Ink gold = f.Material(kGoldDark, kGold, kGoldLight);
  Ink grip = f.Material({60, 30, 20}, {100, 52, 32}, {140, 84, 52});
  Ink groove = f.Flat({110, 116, 144});
  Ink gem = f.Flat({220, 30, 50});
  const double h = 2.6 * scale;
  const double guard = x0 + 9 * scale;
  f.Polygon({{guard, cy - h}, {x1 - 4 * scale, cy - h}, {x1, cy}, {x1 - 4 * scale, cy + h}, {guard, cy + h}}, steel);
  f.Line(guard + 2, cy - 0.5, x1 - 6 * scale, cy - 0.5, groove);
  f.Capsule(x0 + 2 * scale, cy, guard, cy, 1.6 * scale, 1.6 * scale, grip);
  f.Box(guard - 1.5 * scale, cy - 6 * scale, guard + 0.5 * scale, cy + 6 * scale, gold);
  f.Circle(x0 + 1.5 * scale, cy, 2.4 * scale, gold);
  f.Circle(x0 + 1.5 * scale, cy, 1.0 * scale, gem);
}

void Title(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.title");
  const int w = r.Width(), h = r.Height();
  const int cell = 4;
  std::vector<uint8_t> mask(size_t(w) * h, 0);
  const std::vector<std::string>* word[] = {&kLetterM, &kLetterO, &kLetterR, &kLetterL, &kLetterO};
  int total = 0;
  for (auto* l : word) total += int((*l)[0].size()) * cell + 8;
  total -= 8;
  int x = (w - total) / 2 - 1;
  const int top = 4;
  for (auto* l : word) {
    const int gw = int((*l)[0].size()), gh = int(l->size());
    auto cell_at = [&](int gx, int gy) { return gx >= 0 && gy >= 0 && gx < gw && gy < gh && (*l)[gy][gx] == '#'; };
    for (int gy = 0; gy < gh; ++gy)
      for (int gx = 0; gx < gw; ++gx)
        for (int py = 0; py < cell; ++py)
          for (int px = 0; px < cell; ++px) {
            // Soften the cell steps: clip outer corners and fill inner ones
            // with a three-pixel bevel.
            const int sx = px < cell / 2 ? -1 : 1, sy = py < cell / 2 ? -1 : 1;
            const int ex = sx < 0 ? px : cell - 1 - px, ey = sy < 0 ? py : cell - 1 - py;
            const bool corner = ex + ey <= 1;
            bool on = cell_at(gx, gy);
            if (on && corner && !cell_at(gx + sx, gy) && !cell_at(gx, gy + sy)) on = false;
            if (!on && corner && cell_at(gx + sx, gy) && cell_at(gx, gy + sy) && cell_at(gx + sx, gy + sy)) on = true;
            if (on) mask[(top + gy * cell + py) * w + x + gx * cell + px] = 1;
          }
    x += gw * cell + 8;
  }
  auto in = [&](int px, int py) { return px >= 0 && py >= 0 && px < w && py < h && mask[py * w + px]; };
  const int letters_bottom = top + 11 * cell;
  // Drop shadow, a two-pixel outline, then the metal with a bevel and a
  // gradient from pale gold at the top to ember at the foot.
  for (int py = 0; py < h; ++py)
    for (int px = 0; px < w; ++px) {
      Rgb c;
      bool set = false;
      if (in(px - 4, py - 4)) c = {46, 14, 40}, set = true;
      for (int dy = -2; dy <= 2 && !in(px, py); ++dy)
        for (int dx = -2; dx <= 2; ++dx)
          if (std::abs(dx) + std::abs(dy) <= 3 && in(px + dx, py + dy)) c = kOutline, set = true;
      if (in(px, py)) {
        const double t = double(py - top) / (letters_bottom - top);
        c = t < 0.5 ? Mix({255, 240, 160}, {236, 170, 40}, t * 2) : Mix({236, 170, 40}, {190, 60, 20}, (t - 0.5) * 2);
        const bool lit = !in(px - 1, py) || !in(px, py - 1);
        const bool dark = !in(px + 1, py) || !in(px, py + 1);
        if (lit && !dark) c = Mix(c, {255, 255, 230}, 0.55);
        else if (dark && !lit) c = Scale(c, 0.6);
        else if (!in(px - 2, py) || !in(px, py - 2)) c = Mix(c, {255, 255, 230}, 0.2);
        set = true;
      }
      if (set) sheet.Set(r.x1 + px, r.y1 + py, c);
    }
  Figure f(w, h);
  f.SetOutline(kOutline);
  Sword(f, 14, w - 14, 66, 1.3);
  f.RenderInto(sheet, r);
}

// Element 5: "V3.0" on a gold rule, under the title's right-hand end.
void VersionPlate(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.ornament_small");
  Figure f(r.Width(), r.Height());
  f.NoOutline();
  Ink dark = f.Flat({40, 16, 30});
  Ink gold = f.Flat(kGold);
  Ink light = f.Flat(kGoldLight);
  const std::string text = "V3.0";
  const int tw = TextWidth(text);
  const int tx = (r.Width() - tw) / 2;
  Text(f, tx + 1, 1, text, dark);
  Text(f, tx, 0, text, gold);
  for (int side : {-1, 1}) {
    const int a = side < 0 ? 3 : tx + tw + 4, b = side < 0 ? tx - 5 : r.Width() - 4;
    f.Box(a, 3, b, 3, gold);
    f.Box(a + 1, 4, b + 1, 4, dark);
    const int tip = side < 0 ? a : b;
    f.Box(tip - 1, 2, tip + 1, 4, light);
    f.Dot(tip, 1, light), f.Dot(tip, 5, light);
  }
  f.RenderInto(sheet, r);
}

// Element 6: a gilded rule with a red gem, closing the main page.
void FootOrnament(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.ornament_wide");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kOutline);
  Ink gold = f.Material(kGoldDark, kGold, kGoldLight);
  Ink gem = f.Material({120, 10, 30}, {200, 30, 50}, {255, 120, 130});
  Ink stud = f.Material({60, 30, 90}, {110, 60, 170}, {170, 120, 230});
  const double cy = 9, cx = r.Width() / 2.0;
  f.Box(8, cy - 1, r.Width() - 9, cy + 1, gold);
  // Scroll curls at both ends.
  for (int s : {-1, 1}) {
    const double ex = s < 0 ? 6 : r.Width() - 7;
    f.Circle(ex, cy - 3, 3.5, gold);
    f.Circle(ex, cy - 3, 1.6, Figure::kErase);
    f.Circle(ex, cy + 3, 2.5, gold);
  }
  for (int i = 1; i <= 4; ++i)
    for (int s : {-1, 1}) {
      const double x = cx + s * (16 + i * 17);
      f.Polygon({{x, cy - 4}, {x + 3, cy}, {x, cy + 4}, {x - 3, cy}}, stud);
    }
  f.Polygon({{cx - 12, cy}, {cx, cy - 8.5}, {cx + 12, cy}, {cx, cy + 8.5}}, gold);
  f.Ellipse(cx, cy, 5.5, 5, gem);
  f.RenderInto(sheet, r);
}

void NewGame(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.new_game");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kOutline);
  Sword(f, 1.5, r.Width() - 1.5, 6.5, 0.55);
  f.RenderInto(sheet, r);
}

void Help(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.help");
  Figure f(r.Width(), r.Height());
  f.SetOutline({10, 20, 50});
  Ink blue = f.Material({30, 60, 150}, {56, 100, 210}, {130, 170, 250});
  Ink white = f.Flat({250, 250, 240});
  f.Ellipse(7.5, 9, 6.6, 7.6, blue);
  f.Grid(5, 4, {".###.", "##.##", "...##", "..##.", "..##.", ".....", "..##."}, "#", {white});
  f.RenderInto(sheet, r);
}

// "Sair" on both pages: a doorway with its door swung open and an arrow
// leading out.
void Quit(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.quit");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kOutline);
  Ink stone = f.Material({80, 76, 84}, {128, 124, 132}, {176, 172, 176});
  Ink gap = f.Flat({14, 10, 20});
  Ink wood = f.Material({80, 44, 20}, {126, 76, 36}, {170, 116, 64});
  Ink arrow = f.Material({150, 20, 30}, {220, 50, 50}, {255, 130, 120});
  f.Box(1, 1, 11, 14, stone);
  f.Box(3, 3, 9, 14, gap);
  f.Polygon({{9, 3}, {13, 1.5}, {13, 15}, {9, 14.5}}, wood);
  f.Dot(12, 8, gap);
  f.Polygon({{5, 7}, {12, 7}, {12, 4.5}, {17.5, 8.5}, {12, 12.5}, {12, 10}, {5, 10}}, arrow);
  f.RenderInto(sheet, r);
}

void Arrow(Image& sheet, bool up) {
  const SpriteRect& r = FindSpriteRect(up ? "menu.increase" : "menu.decrease");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kOutline);
  Ink ink = up ? f.Material({30, 110, 40}, {60, 180, 70}, {150, 240, 140})
               : f.Material({130, 20, 30}, {210, 50, 50}, {255, 130, 120});
  if (!up) f.xf = Xform{1, 0, 0, -1, 0, double(r.Height())};
  f.Polygon({{8.5, 1}, {16, 9.5}, {11.5, 9.5}, {11.5, 19}, {5.5, 19}, {5.5, 9.5}, {1, 9.5}}, ink);
  f.RenderInto(sheet, r);
}

// "Lento": an hourglass.
void Slow(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.speed_slow");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kOutline);
  Ink wood = f.Material({80, 44, 20}, {130, 80, 40}, {176, 122, 70});
  Ink glass = f.Material({120, 150, 170}, {170, 200, 214}, {214, 234, 242});
  Ink sand = f.Material({170, 120, 40}, {220, 176, 80}, {250, 216, 130});
  const double cx = 11.5;
  f.Polygon({{cx - 8, 4}, {cx + 8, 4}, {cx + 1.5, 16.5}, {cx + 8, 29}, {cx - 8, 29}, {cx - 1.5, 16.5}}, glass);
  f.Polygon({{cx - 3.5, 10}, {cx + 3.5, 10}, {cx + 0.8, 15.5}, {cx - 0.8, 15.5}}, sand);
  f.Box(cx - 0.5, 16, cx, 24, sand);
  f.Polygon({{cx - 7, 29}, {cx + 7, 29}, {cx + 4.5, 24}, {cx - 4.5, 24}}, sand);
  f.Box(1, 1, 21, 3, wood);
  f.Box(1, 29, 21, 31, wood);
  f.Box(2, 3, 3, 29, wood);
  f.Box(19, 3, 20, 29, wood);
  f.RenderInto(sheet, r);
}

// "Rápido": a lightning bolt.
void Fast(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.speed_fast");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kOutline);
  Ink bolt = f.Material({200, 130, 20}, {250, 210, 50}, {255, 248, 170});
  f.Polygon({{11, 1}, {18, 1}, {13, 11}, {18, 11}, {5, 28.5}, {8.5, 15}, {2, 15}}, bolt);
  f.RenderInto(sheet, r);
}

// "Fácil": a green shield with a smile.
void Easy(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.easy");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kOutline);
  Ink green = f.Material({30, 100, 40}, {60, 160, 70}, {140, 220, 130});
  Ink rim = f.Material(kGoldDark, kGold, kGoldLight);
  Ink face = f.Flat({250, 250, 230});
  const double cx = 11;
  f.Polygon({{cx - 9.5, 1}, {cx + 9.5, 1}, {cx + 9.5, 13}, {cx + 6, 21}, {cx, 26.5}, {cx - 6, 21}, {cx - 9.5, 13}},
            rim);
  f.Polygon(
      {{cx - 7.5, 3}, {cx + 7.5, 3}, {cx + 7.5, 12.5}, {cx + 4.5, 19.5}, {cx, 24}, {cx - 4.5, 19.5}, {cx - 7.5, 12.5}},
      green);
  f.Box(cx - 4, 8, cx - 3, 10, face);
  f.Box(cx + 2, 8, cx + 3, 10, face);
  f.Grid(cx - 5, 13, {"#.........#", ".#.......#.", "..#######.."}, "#", {face});
  f.RenderInto(sheet, r);
}

// "Difícil": a skull over crossed bones.
void Hard(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.hard");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kOutline);
  Ink bone = f.Material({156, 144, 112}, {214, 206, 176}, {246, 242, 222});
  Ink hollow = f.Flat({30, 16, 20});
  Ink eye = f.Flat({255, 40, 30});
  const double cx = 11;
  for (int s : {-1, 1}) {
    f.Capsule(cx - 7.5 * s, 19.5, cx + 7.5 * s, 29.5, 1.3, 1.3, bone);
    for (Pt e : {Pt{cx - 8 * s, 19}, Pt{cx + 8 * s, 30}}) {
      f.Circle(e.x - 1.2, e.y + 0.2 * s, 1.5, bone);
      f.Circle(e.x + 1.2, e.y - 0.2 * s, 1.5, bone);
    }
  }
  f.Ellipse(cx, 9, 8.5, 8, bone);
  f.Box(cx - 5, 13, cx + 4, 19, bone);
  f.Ellipse(cx - 3.5, 9.5, 2.4, 2.6, hollow);
  f.Ellipse(cx + 3.5, 9.5, 2.4, 2.6, hollow);
  f.Dot(cx - 4, 9, eye), f.Dot(cx + 3, 9, eye);
  f.Polygon({{cx, 12.5}, {cx - 1.5, 15}, {cx + 1.5, 15}}, hollow);
  for (int i = 0; i < 4; ++i) f.Box(cx - 4 + i * 2.5, 17, cx - 4 + i * 2.5, 18.5, hollow);
  f.RenderInto(sheet, r);
}

// A quaver for the sound icons; muted, a red cross beside it.
void Note(Figure& f, double x, Ink ink) {
  f.Ellipse(x + 5, 23.5, 4.8, 3.6, ink);
  f.Box(x + 8, 4, x + 9.5, 23, ink);
  f.Polygon({{x + 8, 3}, {x + 11, 3}, {x + 17, 9}, {x + 16, 15}, {x + 15, 10.5}, {x + 9.5, 8}}, ink);
}

void Sound(Image& sheet, bool on) {
  const SpriteRect& r = FindSpriteRect(on ? "menu.sound_on" : "menu.sound_off");
  Figure f(r.Width(), r.Height());
  f.SetOutline(kOutline);
  Ink note = f.Material({40, 80, 170}, {80, 140, 230}, {170, 210, 255});
  Ink wave = f.Flat({120, 200, 255});
  Ink cross = f.Material({140, 16, 24}, {220, 40, 40}, {255, 120, 110});
  Note(f, 1, note);
  if (on) {
    // Two arcs of sound spreading from the note.
    for (double rad : {5.0, 8.5})
      for (int a = -40; a < 60; a += 20)
        f.Capsule(Toward({11.5, 22}, a, rad), Toward({11.5, 22}, a + 20, rad), 0.7, wave);
  } else {
    f.Capsule(17, 15, 25, 24, 1.4, 1.4, cross);
    f.Capsule(25, 15, 17, 24, 1.4, 1.4, cross);
  }
  f.RenderInto(sheet, r);
}

// The pointer: an arrow whose tip is the top-left pixel, where the game
// puts the mouse position. Outlined inside, so the tip itself is drawn.
void Pointer(Image& sheet) {
  const SpriteRect& r = FindSpriteRect("menu.pointer");
  Figure f(r.Width(), r.Height());
  f.NoOutline();
  Ink dark = f.Flat(kOutline);
  Ink gold = f.Material(kGoldDark, kGold, kGoldLight);
  f.Polygon({{0, 0}, {12.5, 11.5}, {7.5, 11.8}, {11, 18.5}, {8, 19}, {5, 12.8}, {0, 17}}, dark);
  f.Polygon({{1, 2.4}, {9.6, 10.5}, {5.6, 10.8}, {9.3, 17.6}, {8.6, 17.8}, {4.8, 11.2}, {1, 14.6}}, gold);
  f.Dot(0, 0, dark);
  f.RenderInto(sheet, r);
}

}  // namespace

void DrawMenu(Image& sheet) {
  Title(sheet);
  VersionPlate(sheet);
  FootOrnament(sheet);
  NewGame(sheet);
  Help(sheet);
  Quit(sheet);
  Arrow(sheet, true);
  Arrow(sheet, false);
  Slow(sheet);
  Fast(sheet);
  Easy(sheet);
  Hard(sheet);
  Sound(sheet, true);
  Sound(sheet, false);
  Pointer(sheet);
}

}  // namespace datagen::sprites
