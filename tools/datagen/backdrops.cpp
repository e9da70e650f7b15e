#include "backdrops.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "backdrops_paint.h"
#include "font.h"

namespace datagen {
namespace {

using namespace paint;

// ---------------------------------------------------------------------------
// Shared scenery

// A night sky from zenith to horizon, with stars above the horizon line.
void NightSky(View& v, Rng& rng, Rgb zenith, Rgb middle, Rgb horizon, int horizonY, int stars) {
  VerticalGradient(v, 0, v.Height(),
                   {{0, zenith}, {0.45, middle}, {double(horizonY) / v.Height(), horizon}, {1, horizon}});
  Stars(v, rng, stars, horizonY - 20);
}

// Uneven ground from y down, with a lighter lip along its top.
void Ground(View& v, Rng& rng, double y, double amplitude, Rgb top, Rgb bottom) {
  Ridge(v, rng, y, amplitude, 0.02, top, bottom);
}

// A small house for villages, with a lit window.
void House(View& v, double x, double g, double w, double h, Rgb c, Rgb window) {
  FillRect(v, int(x), int(g - h), int(x + w), int(g), c);
  FillPolygon(v, {{x - 2, g - h}, {x + w / 2, g - h - w * 0.55}, {x + w + 2, g - h}}, c);
  FillRect(v, int(x + w * 0.3), int(g - h * 0.7), int(x + w * 0.45), int(g - h * 0.45), window);
  Glow(v, x + w * 0.38, g - h * 0.58, w * 0.6, Scale(window, 0.5), 0.4);
}

// Licking flames rising from a base line.
void Flames(View& v, Rng& rng, double x0, double x1, double g, double height) {
  for (double x = x0; x < x1; x += rng.Range(3, 7)) {
    double h = height * rng.Range(0.4, 1.0);
    double w = rng.Range(3, 7);
    FillPolygon(v, {{x - w, g}, {x + rng.Range(-3, 3), g - h}, {x + w, g}}, {200, 60, 10}, 0.85);
    FillPolygon(v, {{x - w * 0.5, g}, {x + rng.Range(-2, 2), g - h * 0.6}, {x + w * 0.5, g}}, {250, 170, 40}, 0.9);
  }
  Glow(v, (x0 + x1) / 2, g - height / 2, (x1 - x0) * 0.8 + height, {160, 60, 10}, 0.6);
}

// A wisp of spell light along a curve.
void SpellTrail(View& v, const std::vector<std::pair<double, double>>& pts, Rgb core, Rgb halo) {
  for (size_t i = 0; i + 1 < pts.size(); ++i) {
    ThickLine(v, pts[i].first, pts[i].second, pts[i + 1].first, pts[i + 1].second, 5, halo, 0.35);
    ThickLine(v, pts[i].first, pts[i].second, pts[i + 1].first, pts[i + 1].second, 1.6, core, 0.9);
  }
}

std::vector<std::pair<double, double>> Arc(double x0, double y0, double x1, double y1, double bulge, double wave,
                                           int n = 24) {
  std::vector<std::pair<double, double>> p;
  for (int i = 0; i <= n; ++i) {
    double t = double(i) / n;
    double x = x0 + (x1 - x0) * t, y = y0 + (y1 - y0) * t;
    y -= std::sin(t * 3.14159) * bulge;
    y += std::sin(t * 3.14159 * 4) * wave;
    p.push_back({x, y});
  }
  return p;
}

void Skull(View& v, double x, double y, double r, Rgb bone) {
  FillCircle(v, x, y, r, bone);
  FillRect(v, int(x - r * 0.6), int(y + r * 0.5), int(x + r * 0.6), int(y + r * 1.2), bone);
  FillCircle(v, x - r * 0.4, y, r * 0.3 + 0.3, {16, 12, 12});
  FillCircle(v, x + r * 0.4, y, r * 0.3 + 0.3, {16, 12, 12});
}

// Darkens the band where the game writes a line of light text.
void ShadeBand(View& v, int y0, int y1, double strength) {
  for (int y = y0; y < y1; ++y) {
    double edge = std::min({1.0, (y - y0 + 1) / 6.0, (y1 - y) / 6.0});
    for (int x = 0; x < v.Width(); ++x) v.Set(x, y, Scale(v.Get(x, y), 1 - strength * edge));
  }
}

// A rat lit from behind: a copy in the light's colour one pixel higher
// leaves a bright rim along its back.
void RimRat(View& v, double x, double g, double len, Rgb body, Rgb rim, bool faceLeft) {
  Rat(v, x, g - 1.5, len, rim, faceLeft, rim);
  Rat(v, x + (faceLeft ? 0.5 : -0.5), g, len, body, faceLeft);
}

const TitleStyle kGold{2, {255, 236, 160}, {214, 128, 36}, {36, 14, 4}, true};
const TitleStyle kBlood{4, {255, 90, 60}, {120, 0, 0}, {10, 0, 0}, true};

// ---------------------------------------------------------------------------
// Menu, help and interludes

void PaintMenu(View& v) {
  Rng rng(101);
  NightSky(v, rng, {6, 6, 24}, {28, 20, 58}, {104, 52, 70}, 128, 160);
  Moon(v, 288, 38, 21, {250, 242, 214}, {196, 182, 160});
  Clouds(v, rng, 50, 92, {60, 40, 80}, 0.45);
  Ridge(v, rng, 118, 12, 0.012, {44, 34, 70}, {24, 18, 40});
  Castle(v, rng, 214, 122, 0.75, {18, 14, 30}, {255, 190, 90});
  Ridge(v, rng, 140, 10, 0.02, {26, 24, 38}, {14, 12, 20});
  for (int i = 0; i < 5; ++i) DeadTree(v, rng, 20 + i * 70 + rng.Range(-10, 10), 150, rng.Range(34, 52), {10, 8, 14});
  Ground(v, rng, 164, 3, {22, 20, 26}, {8, 6, 10});
  for (int i = 0; i < 9; ++i) {
    double x = 14 + i * 36 + rng.Range(-6, 6);
    if (i % 3 == 1) GraveCross(v, x, 170, rng.Range(12, 16), {30, 28, 36}, rng.Range(-0.2, 0.2));
    else Tombstone(v, x, 170, rng.Range(8, 11), rng.Range(11, 15), {34, 32, 42}, rng.Range(-0.15, 0.15));
  }
  Bat(v, 140, 40, 16, {12, 8, 20}, 0.3);
  Bat(v, 168, 56, 10, {12, 8, 20}, -0.2);
  Bat(v, 300, 92, 12, {12, 8, 20}, 0.5);
  Vignette(v, 0.35);
  Grain(v, rng, 3);
}

// The help page's frame ends on this row; below it lies the caption band.
constexpr int kHelpFrameBottom = 167;
constexpr Rgb kHelpBand{18, 14, 22};  // the slab's darkest

// The words of the help page, so that another language paints the same page
// with its own.
struct HelpWords {
  const char* title;
  const char* keysHeading;
  struct Key {
    const char* key;
    const char* what;
  };
  std::vector<Key> keys;  // one row each, from the top
  const char* goal[2];    // two lines under the keys
  const char* itemsHeading;
  const char* coin;
  const char* energy;
  const char* shotPower;
  const char* extraLife;
  const char* hint[2];  // two lines under the pick-ups
};

const HelpWords kPortugueseHelp{
    "AJUDA",
    "Teclas",
    {{"Ctrl", "dispara"}, {"Cima", "salta"}, {"Setas", "andam"}, {"Esc", "sai"}, {"P", "pausa"}},
    {"Atravessa os oito níveis", "e derrota RirEza!"},
    "Objectos",
    "Moeda",
    "Energia",
    "Poder do tiro",
    "Vida extra",
    {"Apanha tudo o que", "brilha pelo caminho!"},
};

const HelpWords kEnglishHelp{
    "HELP",
    "Keys",
    {{"Ctrl", "fire"}, {"Up", "jump"}, {"Arrows", "walk"}, {"Esc", "give up"}, {"P", "pause"}},
    {"Cross all eight stages", "and defeat RirEza!"},
    "Items",
    "Coin",
    "Energy",
    "Shot power",
    "Extra life",
    {"Grab everything that", "glitters on the way!"},
};

// Every word painted into the sheet's pictures, in one language.
struct PictureWords {
  const HelpWords* help;
  const char* gameOver;
  const char* pressEnter;
  const char* stage;           // before the stage's number
  const char* stageNames[2];   // stages 1 and 5
  const char* warriorReturns;  // under the last picture of the story
};

const PictureWords kPortuguese{
    &kPortugueseHelp,       "FIM DO JOGO", "Prima Enter", "NÍVEL", {"Os Campos Malditos", "As Criptas"},
    "O guerreiro regressou"};
const PictureWords kEnglish{
    &kEnglishHelp, "GAME OVER", "Press Enter", "STAGE", {"The Cursed Fields", "The Crypts"}, "The warrior returns"};

const PictureWords& WordsOf(std::string_view language) {
  if (language == "pt") return kPortuguese;
  if (language == "en") return kEnglish;
  throw std::invalid_argument("no painted words in language " + std::string(language));
}

// Opaque stone slab. The help page is drawn keyed over the menu, but JPEG
// cannot keep an exact key, so it covers the whole screen and stays well away
// from the key's pale cyan. The game writes the hovered element's caption at
// (10, 180); the frame closes above that line and leaves a plain band below,
// one flat colour over whole 8 x 8 blocks of the sheet, which JPEG keeps flat.
void PaintHelp(View& v, const HelpWords& words) {
  Rng rng(202);
  VerticalGradient(v, 0, v.Height(), {{0, {40, 30, 46}}, {1, {18, 14, 22}}});
  Grain(v, rng, 5);
  // The last column and row share 8 x 8 blocks with the neighbouring pictures
  // of the sheet, and the game shows neither under the caption: they stay
  // slab, so the neighbours' pixels do not depend on the band.
  FillRect(v, 0, kHelpFrameBottom + 1, v.Width() - 2, v.Height() - 2, kHelpBand);
  // Carved frame.
  const Rgb wood{120, 90, 50}, stud{180, 130, 60};
  const int b = kHelpFrameBottom;
  FillRect(v, 4, 4, 315, 5, wood);
  FillRect(v, 4, b - 1, 315, b, wood);
  FillRect(v, 4, 4, 5, b, wood);
  FillRect(v, 314, 4, 315, b, wood);
  for (int c : {8, 311})
    for (int r : {8, b - 4}) FillCircle(v, c, r, 2.5, stud);
  TitleCentred(v, 12, words.title, {3, {255, 230, 150}, {200, 110, 30}, {20, 8, 2}, true});

  const Rgb head{236, 196, 112}, body{224, 214, 190}, keyCap{70, 56, 80};
  Text(v, 20, 46, words.keysHeading, head, 1);
  // What each key does starts past the widest key cap.
  int whatX = 62;
  for (const HelpWords::Key& k : words.keys) whatX = std::max(whatX, 20 + font::TextWidth(k.key) + 12);
  int y = 60;
  for (const HelpWords::Key& k : words.keys) {
    int w = font::TextWidth(k.key) + 8;
    FillRect(v, 20, y - 3, 20 + w, y + 9, keyCap);
    FillRect(v, 20, y + 9, 20 + w, y + 10, {30, 22, 36});
    Text(v, 24, y, k.key, {250, 224, 150}, 1, false);
    Text(v, whatX, y, k.what, body, 1);
    y += 16;
  }
  // Under the last key cap, and level on both sides.
  const int closing = y - 2;
  Text(v, 20, closing, words.goal[0], body, 1);
  Text(v, 20, closing + 12, words.goal[1], body, 1);

  // The pick-ups, drawn as they look in play.
  Text(v, 168, 46, words.itemsHeading, head, 1);
  const Rgb gold{232, 176, 40}, goldDark{170, 110, 24}, red{214, 40, 48};
  auto heart = [&](double cx, double cy, double s) {
    FillCircle(v, cx - 2.2 * s, cy - 0.8 * s, 2.5 * s, red);
    FillCircle(v, cx + 2.2 * s, cy - 0.8 * s, 2.5 * s, red);
    FillPolygon(v, {{cx - 4.6 * s, cy - 0.4 * s}, {cx + 4.6 * s, cy - 0.4 * s}, {cx, cy + 4.4 * s}}, red);
  };
  int iy = 60;
  FillCircle(v, 178, iy + 3, 5.5, gold);
  Poly star;
  for (int i = 0; i < 10; ++i) {
    double a = -3.14159 / 2 + i * 3.14159 / 5, r = i % 2 ? 1.4 : 3.4;
    star.push_back({178 + r * std::cos(a), iy + 3.3 + r * std::sin(a)});
  }
  FillPolygon(v, star, goldDark);
  Text(v, 190, iy, words.coin, body, 1);
  iy += 18;
  heart(178, iy + 2, 1.1);
  Text(v, 190, iy, words.energy, body, 1);
  iy += 18;
  FillCircle(v, 178, iy + 3, 5.5, {60, 120, 230});
  FillCircle(v, 176.5, iy + 1.5, 2, {150, 200, 255});
  FillPolygon(v,
              {{179.5, iy - 1.5},
               {175.5, iy + 3.5},
               {178.5, iy + 3.5},
               {176.5, iy + 7.5},
               {180.5, iy + 2.5},
               {177.5, iy + 2.5}},
              {255, 236, 90});
  Text(v, 190, iy, words.shotPower, body, 1);
  iy += 18;
  for (int i = 0; i < 8; ++i) {
    double a = i * 3.14159 / 4;
    ThickLine(v, 178 + 4 * std::cos(a), iy + 3 + 4 * std::sin(a), 178 + 6.5 * std::cos(a), iy + 3 + 6.5 * std::sin(a),
              2.2, gold);
  }
  FillCircle(v, 178, iy + 3, 5, gold);
  heart(178, iy + 3, 0.6);
  Text(v, 190, iy, words.extraLife, body, 1);
  Text(v, 168, closing, words.hint[0], body, 1);
  Text(v, 168, closing + 12, words.hint[1], body, 1);
}

void PaintTitleCard(View& v) {
  Rng rng(303);
  NightSky(v, rng, {4, 2, 10}, {36, 6, 14}, {120, 30, 20}, 160, 120);
  Moon(v, 160, 124, 40, {255, 232, 196}, {214, 168, 146});
  Castle(v, rng, 160, 176, 0.8, {10, 4, 8}, {255, 170, 60});
  Ridge(v, rng, 174, 5, 0.015, {16, 6, 10}, {4, 2, 4});
  for (int i = 0; i < 3; ++i) DeadTree(v, rng, 20 + i * 28, 186, rng.Range(44, 62), {4, 2, 4});
  for (int i = 0; i < 3; ++i) DeadTree(v, rng, 248 + i * 28, 186, rng.Range(44, 62), {4, 2, 4});
  Bat(v, 76, 96, 18, {4, 2, 6}, 0.2);
  Bat(v, 246, 84, 14, {4, 2, 6}, -0.3);
  Bat(v, 262, 100, 9, {4, 2, 6}, 0.4);
  ShadeBand(v, 8, 72, 0.25);
  TitleCentred(v, 16, "MORLO", {6, {255, 232, 140}, {170, 30, 10}, {16, 2, 2}, true});
  int right = (320 + font::TextWidth("MORLO", 6)) / 2;
  Title(v, right - font::TextWidth("v3.0", 2), 64, "v3.0", {2, {250, 240, 220}, {200, 180, 160}, {20, 4, 4}, true});
  Vignette(v, 0.45);
  Grain(v, rng, 3);
}

void PaintGameOver(View& v, const PictureWords& words) {
  Rng rng(404);
  VerticalGradient(v, 0, v.Height(), {{0, {0, 0, 0}}, {0.6, {50, 4, 6}}, {1, {16, 0, 2}}});
  Glow(v, 160, 130, 140, {90, 10, 10}, 0.5);
  Ground(v, rng, 168, 4, {30, 12, 12}, {6, 2, 2});
  Tombstone(v, 160, 172, 56, 70, {70, 66, 72});
  Tombstone(v, 160, 172, 50, 64, {96, 92, 100});
  Title(v, 160 - font::TextWidth("R.I.P.", 2) / 2, 128, "R.I.P.",
        {2, {50, 46, 52}, {40, 36, 40}, {150, 146, 150}, false});
  for (int i = 0; i < 4; ++i) DeadTree(v, rng, 30 + i * 80 + (i > 1 ? 40 : 0), 172, rng.Range(30, 46), {8, 2, 2});
  TitleCentred(v, 40, words.gameOver, kBlood);
  Text(v, 160 - font::TextWidth(words.pressEnter) / 2, 184, words.pressEnter, {220, 190, 170}, 1);
  Vignette(v, 0.4);
  Grain(v, rng, 3);
}

void PaintStageIntro(View& v, int stage, const PictureWords& words) {
  Rng rng(500 + stage);
  if (stage == 1) {
    NightSky(v, rng, {16, 20, 52}, {70, 60, 110}, {220, 120, 80}, 130, 60);
    Glow(v, 90, 132, 90, {150, 70, 30}, 0.5);
    Ridge(v, rng, 120, 12, 0.01, {70, 60, 100}, {40, 34, 60});
    for (int i = 0; i < 14; ++i) PineTree(v, 180 + i * 11 + rng.Range(-4, 4), 148, rng.Range(30, 46), 18, {24, 26, 40});
    Ridge(v, rng, 148, 5, 0.02, {36, 44, 34}, {14, 18, 14});
    for (int i = 0; i < 2; ++i) DeadTree(v, rng, 26 + i * 48, 160, rng.Range(34, 44), {10, 12, 10});
    Warrior(v, 150, 172, 44, {8, 8, 12}, Pose::kStand);
    Rat(v, 230, 178, 26, {8, 8, 12}, true);
    Rat(v, 262, 182, 20, {8, 8, 12}, true);
  } else {
    VerticalGradient(v, 0, v.Height(), {{0, {6, 6, 12}}, {1, {24, 20, 30}}});
    // Crypt arches receding into the dark.
    for (int i = 3; i >= 0; --i) {
      double s = 1 - i * 0.18;
      Rgb stone = Scale({70, 64, 80}, 0.4 + 0.6 * s);
      double w = 180 * s, h = 160 * s, cx = 160, base = 170 + i * -8;
      FillRect(v, int(cx - w / 2 - 16 * s), int(base - h), int(cx - w / 2), int(base), stone);
      FillRect(v, int(cx + w / 2), int(base - h), int(cx + w / 2 + 16 * s), int(base), stone);
      for (int k = 0; k <= 16; ++k) {
        double a = 3.14159 * k / 16;
        FillCircle(v, cx - std::cos(a) * (w / 2 + 8 * s), base - h + 20 * s - std::sin(a) * 26 * s, 8 * s, stone);
      }
    }
    for (int side = -1; side <= 1; side += 2) {
      double tx = 160 + side * 118, ty = 96;
      ThickLine(v, tx, ty, tx, ty + 10, 3, {60, 40, 20});
      Glow(v, tx, ty - 4, 40, {200, 110, 30}, 0.8);
      FillPolygon(v, {{tx - 3, ty}, {tx, ty - 9}, {tx + 3, ty}}, {255, 200, 80});
    }
    Ground(v, rng, 172, 2, {44, 40, 50}, {16, 14, 18});
    Skeleton(v, 150, 176, 40, {220, 214, 190}, false);
    Zombie(v, 196, 176, 38, 1, {40, 60, 40}, {200, 240, 80});
  }
  std::string title = std::string(words.stage) + " " + std::to_string(stage);
  TitleCentred(v, 20, title, {4, {255, 236, 160}, {214, 128, 36}, {30, 10, 2}, true});
  const char* sub = words.stageNames[stage == 1 ? 0 : 1];
  TitleCentred(v, 66, sub, kGold);
  Text(v, 160 - font::TextWidth(words.pressEnter) / 2, 188, words.pressEnter, {240, 230, 200}, 1);
  Vignette(v, 0.35);
  Grain(v, rng, 3);
}

// ---------------------------------------------------------------------------
// Story pages

void PaintStory2(View& v) {  // RirEza casts his spell upon the land
  Rng rng(1002);
  NightSky(v, rng, {4, 4, 14}, {22, 12, 40}, {70, 40, 90}, 150, 90);
  Clouds(v, rng, 70, 130, {50, 90, 60}, 0.5);
  Ridge(v, rng, 150, 6, 0.015, {30, 26, 44}, {12, 10, 18});
  for (int i = 0; i < 7; ++i)
    House(v, 20 + i * 22 + rng.Range(-3, 3), 162, rng.Range(12, 16), rng.Range(8, 11), {14, 12, 20}, {255, 190, 90});
  // The cliff he stands on.
  FillPolygon(v, {{200, 200}, {214, 140}, {236, 128}, {300, 124}, {320, 130}, {320, 200}}, {10, 8, 14});
  SpellTrail(v, Arc(250, 76, 40, 150, 24, 4), {200, 255, 200}, {60, 220, 90});
  SpellTrail(v, Arc(254, 72, 110, 158, 12, -5), {230, 200, 255}, {150, 60, 220});
  SpellTrail(v, Arc(246, 78, 170, 156, 4, 3), {200, 255, 200}, {60, 220, 90});
  Glow(v, 250, 74, 40, {80, 255, 120}, 0.8);
  Sorcerer(v, 262, 128, 66, {14, 8, 20}, {120, 255, 120}, true);
  for (int i = 0; i < 30; ++i) {
    double x = rng.Range(20, 240), y = rng.Range(100, 160);
    FillCircle(v, x, y, rng.Range(0.5, 1.4), {160, 255, 170}, rng.Range(0.4, 0.9));
  }
  ShadeBand(v, 6, 70, 0.35);
  Vignette(v, 0.3);
  Grain(v, rng, 3);
}

void PaintStory3(View& v) {  // The warrior gives his life to end RirEza
  Rng rng(1003);
  VerticalGradient(v, 0, 124, {{0, {10, 6, 20}}, {0.7, {60, 24, 60}}, {1, {120, 50, 60}}});
  Stars(v, rng, 50, 80);
  Glow(v, 168, 80, 120, {255, 210, 140}, 0.9);
  for (int i = 0; i < 18; ++i) {  // rays
    double a = i * 3.14159 * 2 / 18 + 0.1;
    ThickLine(v, 168, 80, 168 + std::cos(a) * 160, 80 + std::sin(a) * 160, 3, {255, 220, 160}, 0.12);
  }
  FillRect(v, 0, 118, 320, 200, {20, 14, 18});
  Ridge(v, rng, 118, 4, 0.03, {36, 24, 28}, {10, 6, 8});
  Warrior(v, 138, 118, 66, {8, 4, 10}, Pose::kThrust);
  Sorcerer(v, 200, 118, 82, {8, 4, 10}, {255, 80, 40}, false);
  Glow(v, 178, 78, 22, {255, 255, 230}, 1.0);
  FillCircle(v, 178, 78, 4, {255, 255, 240});
  ShadeBand(v, 124, 196, 0.3);
  Vignette(v, 0.35);
  Grain(v, rng, 3);
}

void PaintStory4(View& v) {  // RirEza rises again from the depths
  Rng rng(1004);
  VerticalGradient(v, 0, v.Height(), {{0, {6, 2, 4}}, {0.5, {40, 8, 8}}, {1, {20, 4, 4}}});
  Clouds(v, rng, 0, 96, {50, 14, 14}, 0.5);
  Ridge(v, rng, 138, 14, 0.012, {28, 8, 8}, {10, 2, 2});
  // A fissure torn open in the ground, glowing from below; he rises out of it.
  Poly rim, lip;
  for (int i = 0; i <= 10; ++i) {
    double t = i / 10.0, x = 60 + 200 * t;
    double open = std::sin(t * 3.14159);
    rim.push_back({x, 182 - open * 20 + rng.Range(-2, 2)});
  }
  for (int i = 10; i >= 0; --i) {
    double t = i / 10.0, x = 60 + 200 * t;
    lip.push_back({x, 182 + std::sin(t * 3.14159) * 8 + rng.Range(-1.5, 1.5)});
  }
  Poly fissure = rim;
  fissure.insert(fissure.end(), lip.begin(), lip.end());
  FillPolygon(v, fissure, {230, 90, 16});
  Poly heart;
  for (auto [x, y] : fissure) heart.push_back({160 + (x - 160) * 0.7, 182 + (y - 182) * 0.5});
  FillPolygon(v, heart, {255, 214, 96});
  Glow(v, 160, 176, 120, {255, 90, 10}, 0.85);
  Sorcerer(v, 160, 184, 80, {10, 2, 4}, {255, 240, 120}, true);
  // The near lip of the fissure hides his hem.
  Poly front = lip;
  front.push_back({0, 186});
  front.push_back({0, 200});
  front.push_back({320, 200});
  front.push_back({320, 186});
  FillPolygon(v, front, {22, 6, 4});
  for (int i = 0; i < 8; ++i) {  // cracks running off the fissure
    double x = 70 + i * 26, y = 184 + rng.Range(0, 4);
    ThickLine(v, x, y, x + rng.Range(-24, 24), y + rng.Range(6, 16), 1.2, {255, 110, 30}, 0.7);
  }
  for (int i = 0; i < 16; ++i)  // flying rocks and embers
    FillCircle(v, rng.Range(90, 240), rng.Range(96, 160), rng.Range(0.8, 2.4),
               rng.Uniform() < 0.5 ? Rgb{20, 6, 4} : Rgb{255, 160, 40});
  ShadeBand(v, 4, 92, 0.3);
  Vignette(v, 0.35);
  Grain(v, rng, 3);
}

void PaintStory5(View& v) {  // Rats lay the land to waste
  Rng rng(1005);
  VerticalGradient(v, 0, 104, {{0, {20, 8, 6}}, {0.6, {110, 40, 14}}, {1, {200, 90, 30}}});
  Clouds(v, rng, 0, 60, {40, 20, 20}, 0.55);
  for (int i = 0; i < 8; ++i) {
    double x = 10 + i * 40 + rng.Range(-4, 4);
    House(v, x, 100, rng.Range(16, 22), rng.Range(10, 16), {20, 8, 6}, {255, 150, 40});
  }
  Flames(v, rng, 30, 120, 100, 34);
  Flames(v, rng, 200, 300, 100, 28);
  for (int i = 0; i < 9; ++i)  // the horde streaming past the flames
    Rat(v, 24 + i * 32 + rng.Range(-6, 6), 100, rng.Range(9, 13), {16, 6, 4}, false, {16, 6, 4});
  FillRect(v, 0, 100, 320, 200, {34, 18, 12});
  Ridge(v, rng, 101, 2, 0.05, {70, 34, 16}, {20, 10, 8});
  Glow(v, 160, 100, 170, {120, 40, 10}, 0.35);
  ShadeBand(v, 104, 172, 0.35);
  VerticalGradient(v, 174, 200, {{0, {26, 14, 10}}, {1, {44, 22, 12}}});
  for (int i = 0; i < 5; ++i)
    RimRat(v, 10 + i * 66 + rng.Range(-6, 6), 196 - rng.Range(0, 3), rng.Range(44, 52), {58, 36, 26}, {230, 120, 50},
           false);
  Vignette(v, 0.3);
  Grain(v, rng, 3);
}

void PaintStory6(View& v) {  // The dead rise from the earth
  Rng rng(1006);
  NightSky(v, rng, {2, 6, 10}, {14, 30, 34}, {40, 70, 60}, 140, 80);
  Moon(v, 282, 36, 20, {220, 240, 210}, {160, 190, 160});
  Ridge(v, rng, 128, 10, 0.015, {20, 34, 30}, {10, 16, 14});
  for (int i = 0; i < 5; ++i) DeadTree(v, rng, 30 + i * 66, 134, rng.Range(26, 38), {8, 14, 12});
  Zombie(v, 70, 168, 48, 0.85, {42, 64, 36}, {220, 255, 90});
  Zombie(v, 170, 170, 56, 0.6, {42, 64, 36}, {220, 255, 90});
  Zombie(v, 250, 166, 44, 0.95, {42, 64, 36}, {220, 255, 90});
  Ground(v, rng, 166, 3, {34, 40, 30}, {10, 12, 8});
  // Hands breaking through the soil.
  for (double hx : {118.0, 212.0, 292.0}) {
    ThickLine(v, hx, 176, hx + 2, 160, 3, {40, 56, 34});
    for (int f = -1; f <= 1; ++f) ThickLine(v, hx + 2, 160, hx + 2 + f * 3, 153, 1.2, {40, 56, 34});
  }
  for (int i = 0; i < 7; ++i)
    Tombstone(v, 20 + i * 46 + rng.Range(-5, 5), 180, rng.Range(9, 13), rng.Range(13, 18), {50, 56, 56},
              rng.Range(-0.25, 0.25));
  Clouds(v, rng, 150, 200, {90, 140, 110}, 0.4);  // ground mist
  ShadeBand(v, 6, 52, 0.3);
  Vignette(v, 0.3);
  Grain(v, rng, 3);
}

void PaintStory7(View& v) {  // Armies of skeletons gather
  Rng rng(1007);
  VerticalGradient(v, 0, v.Height(), {{0, {10, 2, 2}}, {0.5, {90, 20, 10}}, {0.7, {170, 60, 20}}, {1, {30, 10, 6}}});
  Glow(v, 160, 134, 120, {200, 80, 20}, 0.5);
  Ridge(v, rng, 128, 8, 0.02, {40, 14, 10}, {16, 6, 4});
  // Rows of the army, smaller and darker with distance.
  for (int row = 0; row < 4; ++row) {
    double s = 0.35 + row * 0.22, g = 132 + row * 20;
    Rgb bone = Mix({60, 30, 20}, {236, 226, 200}, row / 3.0);
    for (double x = 6 + row * 5; x < 320; x += 40 * s + 4) Skeleton(v, x + rng.Range(-2, 2), g, 40 * s, bone, true);
  }
  // Tattered banners.
  for (double bx : {60.0, 250.0}) {
    ThickLine(v, bx, 150, bx, 80, 1.5, {30, 14, 10});
    FillPolygon(v, {{bx, 82}, {bx + 20, 86}, {bx + 14, 92}, {bx + 20, 100}, {bx, 98}}, {90, 10, 10});
  }
  ShadeBand(v, 6, 52, 0.4);
  Vignette(v, 0.35);
  Grain(v, rng, 3);
}

void PaintStory8(View& v) {  // Swarms of rats everywhere
  Rng rng(1008);
  // A ruined cellar: brick wall, a beam, rats on everything.
  VerticalGradient(v, 0, v.Height(), {{0, {20, 14, 12}}, {1, {8, 6, 4}}});
  for (int y = 0; y < 200; y += 10)
    for (int x = (y / 10) % 2 ? -12 : 0; x < 320; x += 24) {
      Rgb brick = Scale({48, 32, 24}, rng.Range(0.6, 1.0));
      FillRect(v, x + 1, y + 1, x + 22, y + 8, brick);
    }
  Glow(v, 260, 40, 100, {220, 140, 50}, 0.5);  // lantern
  ThickLine(v, 260, 0, 260, 30, 1, {30, 20, 14});
  FillRect(v, 256, 30, 264, 40, {255, 210, 120});
  FillRect(v, 255, 29, 265, 30, {40, 26, 16});
  FillRect(v, 0, 72, 320, 82, {40, 24, 14});  // the beam
  for (int i = 0; i < 10; ++i)
    RimRat(v, 6 + i * 32 + rng.Range(-4, 4), 72, rng.Range(22, 28), {50, 36, 28}, {200, 140, 80}, i % 3 == 0);
  ShadeBand(v, 100, 152, 0.55);
  VerticalGradient(v, 164, 200, {{0, {16, 10, 8}}, {1, {34, 24, 16}}});
  for (int i = 0; i < 9; ++i)
    RimRat(v, -4 + i * 38 + rng.Range(-6, 6), 178 + (i % 2) * 16 + rng.Range(0, 3), rng.Range(34, 42), {62, 46, 36},
           {190, 140, 80}, i % 3 == 1);
  for (int i = 0; i < 14; ++i) {  // eyes in the dark
    double x = rng.Range(10, 310), y = rng.Range(96, 150);
    if (x < 170 && y < 126) continue;  // keep the text clear
    FillCircle(v, x, y, 0.9, {230, 40, 20});
    FillCircle(v, x + 3, y, 0.9, {230, 40, 20});
  }
  Vignette(v, 0.4);
  Grain(v, rng, 3);
}

void PaintStory9(View& v) {  // Blood-hungry bats
  Rng rng(1009);
  NightSky(v, rng, {6, 0, 4}, {40, 6, 14}, {90, 20, 24}, 170, 60);
  Moon(v, 200, 104, 54, {230, 70, 50}, {150, 30, 30});
  for (int i = 0; i < 40; ++i) {
    double x = rng.Range(0, 320), y = rng.Range(54, 190);
    double s = rng.Range(8, 28);
    Bat(v, x, y, s, {8, 0, 2}, rng.Range(-0.5, 0.6));
  }
  for (int i = 0; i < 4; ++i) DeadTree(v, rng, 20 + i * 92, 200, rng.Range(40, 60), {6, 0, 2});
  Ground(v, rng, 192, 3, {10, 0, 2}, {4, 0, 0});
  ShadeBand(v, 26, 52, 0.4);
  Vignette(v, 0.35);
  Grain(v, rng, 3);
}

void PaintStory10(View& v) {  // A mage calls the hero back from the dead
  Rng rng(1010);
  NightSky(v, rng, {4, 4, 16}, {20, 18, 50}, {50, 40, 90}, 150, 120);
  Ridge(v, rng, 140, 8, 0.015, {24, 22, 46}, {10, 10, 20});
  Ground(v, rng, 166, 3, {30, 28, 44}, {8, 8, 14});
  // The open grave and its column of light.
  for (int y = 0; y < 166; ++y) {
    double t = y / 166.0;
    int hw = int(10 + t * 10);
    for (int x = 210 - hw; x <= 210 + hw; ++x) {
      double edge = 1 - std::abs(x - 210) / double(hw + 1);
      v.Add(x, y, {140, 180, 255}, edge * edge * (0.15 + 0.5 * t));
    }
  }
  FillEllipse(v, 210, 172, 30, 7, {4, 4, 8});
  Glow(v, 210, 168, 50, {140, 180, 255}, 0.9);
  Tombstone(v, 246, 172, 14, 24, {60, 60, 80}, 0.2);
  Warrior(v, 206, 168, 46, {20, 26, 50}, Pose::kStand);
  Mage(v, 92, 176, 64, {14, 10, 30}, {140, 180, 255});
  // A ring of runes on the ground.
  for (int i = 0; i < 12; ++i) {
    double a = i * 3.14159 * 2 / 12;
    FillCircle(v, 150 + std::cos(a) * 80, 182 + std::sin(a) * 10, 1.5, {180, 210, 255}, 0.9);
  }
  ShadeBand(v, 6, 92, 0.35);
  Vignette(v, 0.3);
  Grain(v, rng, 3);
}

void PaintStory11(View& v, const PictureWords& words) {  // The hero stands again
  Rng rng(1011);
  VerticalGradient(v, 0, v.Height(),
                   {{0, {14, 16, 44}}, {0.45, {70, 60, 110}}, {0.75, {230, 140, 90}}, {1, {250, 200, 120}}});
  Stars(v, rng, 40, 60);
  Glow(v, 160, 150, 160, {255, 180, 90}, 0.6);
  Ridge(v, rng, 150, 10, 0.012, {80, 50, 70}, {40, 24, 40});
  FillPolygon(v, {{60, 200}, {110, 166}, {160, 158}, {210, 166}, {260, 200}}, {12, 8, 16});
  Glow(v, 160, 110, 60, {190, 210, 255}, 0.7);
  Warrior(v, 154, 160, 96, {10, 6, 14}, Pose::kRaise);
  Glow(v, 180, 4, 30, {255, 255, 220}, 0.7);    // the blade catches the light
  Glow(v, 118, 100, 22, {120, 170, 255}, 0.9);  // and his open hand holds a spell
  FillCircle(v, 117, 99, 2.5, {225, 238, 255});
  TitleCentred(v, 176, words.warriorReturns, {1, {255, 236, 190}, {240, 200, 140}, {20, 8, 4}, true});
  Vignette(v, 0.3);
  Grain(v, rng, 3);
}

// ---------------------------------------------------------------------------
// Far backgrounds of the stages: drawn whole behind the scenery, which hides
// their lower part, so the interest sits in the sky.

void PaintFields(View& v) {  // stages 1 to 4
  Rng rng(2001);
  NightSky(v, rng, {18, 22, 60}, {60, 56, 110}, {190, 110, 90}, 150, 70);
  Moon(v, 236, 46, 18, {250, 240, 210}, {200, 190, 170});
  Clouds(v, rng, 20, 90, {90, 80, 130}, 0.42);
  Ridge(v, rng, 118, 18, 0.008, {80, 70, 120}, {60, 54, 96});
  Castle(v, rng, 90, 122, 0.5, {50, 44, 80}, {240, 190, 110});
  Ridge(v, rng, 140, 10, 0.015, {46, 54, 76}, {34, 40, 56});
  for (int i = 0; i < 34; ++i) PineTree(v, i * 10 + rng.Range(-4, 4), 168, rng.Range(26, 44), 16, {26, 36, 44});
  Ground(v, rng, 164, 3, {28, 40, 36}, {16, 22, 20});
  Grain(v, rng, 2);
}

void PaintArena(View& v) {  // stage 8, the sorcerer's arena
  Rng rng(2008);
  VerticalGradient(v, 0, v.Height(), {{0, {16, 4, 20}}, {0.5, {70, 14, 40}}, {0.8, {150, 40, 30}}, {1, {60, 14, 14}}});
  Clouds(v, rng, 0, 80, {40, 10, 40}, 0.6);
  // Lightning.
  double lx = 80, ly = 0;
  for (int i = 0; i < 9; ++i) {
    double nx = lx + rng.Range(-12, 12), ny = ly + rng.Range(8, 14);
    ThickLine(v, lx, ly, nx, ny, 1.4, {240, 220, 255});
    lx = nx, ly = ny;
  }
  Glow(v, 80, 40, 60, {200, 160, 255}, 0.3);
  // The sorcerer's spire.
  FillPolygon(v, {{214, 160}, {222, 50}, {232, 20}, {242, 50}, {250, 160}}, {24, 6, 20});
  for (int w = 0; w < 4; ++w) FillRect(v, 231, 64 + w * 22, 233, 68 + w * 22, {140, 255, 150}, 0.8);
  FillCircle(v, 232, 30, 3, {120, 255, 140});
  Glow(v, 232, 30, 26, {80, 255, 120}, 0.7);
  Ridge(v, rng, 150, 10, 0.02, {50, 12, 20}, {24, 6, 10});
  // Broken pillars of the arena.
  for (int i = 0; i < 6; ++i) {
    double x = 20 + i * 56, h = rng.Range(34, 74), top = 170 - h;
    for (int c = 0; c < 14; ++c) {  // lit from the lava on the left
      Rgb col = Mix({96, 52, 52}, {30, 18, 26}, c / 13.0);
      FillRect(v, int(x) + c, int(top), int(x) + c, 172, col);
    }
    for (int f = 3; f < 14; f += 4) FillRect(v, int(x) + f, int(top) + 2, int(x) + f, 170, {24, 14, 20}, 0.6);
    if (i % 2) {  // broken off
      FillPolygon(v, {{x - 1, top + 1}, {x + 3, top - 5}, {x + 7, top - 1}, {x + 10, top - 7}, {x + 15, top + 1}},
                  {70, 40, 44});
    } else {
      FillRect(v, int(x - 3), int(top - 5), int(x + 16), int(top), {80, 46, 48});
      FillRect(v, int(x - 3), int(top - 5), int(x + 16), int(top - 5), {120, 70, 60});
    }
  }
  Glow(v, 160, 200, 140, {255, 80, 20}, 0.45);
  Ground(v, rng, 172, 2, {40, 18, 20}, {16, 6, 8});
  Grain(v, rng, 2);
}

void PaintCrypts(View& v) {  // stages 5 to 7
  Rng rng(2005);
  VerticalGradient(v, 0, v.Height(), {{0, {10, 10, 16}}, {1, {26, 24, 34}}});
  // Stone blocks of a crypt wall, lit unevenly.
  for (int y = 40; y < 200; y += 12)
    for (int x = ((y / 12) % 2) ? -10 : 0; x < 320; x += 20) {
      Rgb c = Scale({52, 50, 64}, rng.Range(0.65, 1.0));
      FillRect(v, x + 1, y + 1, x + 18, y + 10, c);
    }
  ShadeBand(v, 36, 48, 0.7);
  // Arched niches with bones and darkness.
  for (int i = 0; i < 4; ++i) {
    double cx = 40 + i * 80;
    FillRect(v, int(cx - 16), 90, int(cx + 16), 150, {8, 8, 12});
    FillEllipse(v, cx, 90, 16, 14, {8, 8, 12});
    Skull(v, cx, 140, 4, {150, 144, 126});
    ThickLine(v, cx - 12, 148, cx + 12, 146, 2, {120, 114, 100});
  }
  for (int i = 0; i < 3; ++i) {  // torches between the niches
    double tx = 80 + i * 80, ty = 92;
    ThickLine(v, tx, ty, tx, ty + 12, 3, {50, 34, 20});
    Glow(v, tx, ty - 4, 46, {220, 120, 40}, 0.6);
    FillPolygon(v, {{tx - 3, ty}, {tx, ty - 9}, {tx + 3, ty}}, {255, 200, 80});
  }
  // Cavern roof with stalactites, catching a little torch light on one side.
  Poly roof{{0, 0}, {320, 0}};
  for (int x = 320; x >= 0; x -= 4) roof.push_back({double(x), 24 + 5 * std::sin(x * 0.07) + rng.Range(-2, 2)});
  FillPolygon(v, roof, {32, 28, 38});
  for (int x = 4; x < 320; x += rng.Int(9, 18)) {
    double h = rng.Range(30, 58), w = rng.Range(3, 7);
    FillPolygon(v, {{x - w, 20}, {x + rng.Range(-1, 1), h}, {x + w, 20}}, {32, 28, 38});
    ThickLine(v, x - w * 0.6, 22, x, h - 3, 1, {62, 56, 70}, 0.8);
  }
  Ground(v, rng, 176, 2, {30, 28, 36}, {12, 12, 16});
  Grain(v, rng, 2);
}

// ---------------------------------------------------------------------------

struct Entry {
  BackdropCell cell;
  std::function<void(View&)> paint;
};

// Rough widths of the story lines in the game's text font.
TextBand Line(int x, int y, int chars) { return {x, y, chars * 7}; }

// The sheet in one language: only the pictures with words differ.
std::vector<Entry> Entries(const PictureWords& w) {
  return {
      {{1, 1, "help", {}}, [&w](View& v) { PaintHelp(v, *w.help); }},
      {{324, 1, "story1", {}}, PaintTitleCard},
      {{647, 1, "menu", {}}, PaintMenu},
      {{1, 204, "fields", {}}, PaintFields},
      {{324, 204, "arena", {}}, PaintArena},
      {{647, 204, "crypts", {}}, PaintCrypts},
      {{1, 407, "gameover", {}}, [&w](View& v) { PaintGameOver(v, w); }},
      {{324, 407, "story2", {Line(10, 10, 32), Line(10, 30, 34), Line(10, 50, 27)}}, PaintStory2},
      {{647, 407, "story4", {Line(10, 10, 27), Line(10, 30, 26), Line(10, 50, 32), Line(10, 70, 37)}}, PaintStory4},
      {{1, 610, "story10", {Line(10, 10, 27), Line(10, 30, 29), Line(10, 50, 31), Line(10, 70, 18)}}, PaintStory10},
      {{324, 610, "story3", {Line(10, 130, 32), Line(10, 150, 31), Line(10, 170, 32)}}, PaintStory3},
      {{647, 610, "story5", {Line(10, 110, 31), Line(10, 130, 30), Line(10, 150, 16)}}, PaintStory5},
      {{1, 813, "story8", {Line(10, 110, 22), Line(180, 130, 14)}}, PaintStory8},
      {{324, 813, "story7", {Line(10, 10, 26), Line(10, 30, 14)}}, PaintStory7},
      {{647, 813, "story6", {Line(10, 10, 32), Line(10, 30, 23)}}, PaintStory6},
      {{1, 1016, "story9", {Line(10, 30, 34)}}, PaintStory9},
      {{324, 1016, "story11", {}}, [&w](View& v) { PaintStory11(v, w); }},
      {{647, 1016, "stage5", {}}, [&w](View& v) { PaintStageIntro(v, 5, w); }},
      {{1, 1219, "stage1", {}}, [&w](View& v) { PaintStageIntro(v, 1, w); }},
  };
}

}  // namespace

const std::vector<BackdropCell>& BackdropLayout() {
  static const std::vector<BackdropCell> layout = [] {
    std::vector<BackdropCell> cells;
    for (const Entry& e : Entries(kPortuguese)) cells.push_back(e.cell);
    return cells;
  }();
  return layout;
}

Image PaintBackdrop(std::string_view name, std::string_view language) {
  for (const Entry& e : Entries(WordsOf(language))) {
    if (e.cell.name != name) continue;
    Image img(kPictureWidth, kPictureHeight, {0, 0, 0});
    View v(img, 0, 0, kPictureWidth, kPictureHeight);
    e.paint(v);
    return img;
  }
  throw std::invalid_argument("no backdrop picture named " + std::string(name));
}

Image BuildBackdropSheet(std::string_view language) {
  Image sheet(kBackdropSheetWidth, kBackdropSheetHeight, kGutter);
  for (const Entry& e : Entries(WordsOf(language))) {
    View v(sheet, e.cell.x, e.cell.y, kPictureWidth, kPictureHeight);
    e.paint(v);
  }
  return sheet;
}

}  // namespace datagen
