// The loading screen "load.jpg" and its bar "load2.png". The game draws the
// picture once, then widens the bar over it at (128, 136) seven pixels a step,
// up to 161 pixels, keyed, so the bar's picture is key above and below the
// glowing band and the loading picture holds the empty trough it fills.
#include <algorithm>
#include <cmath>

#include "backdrops_paint.h"
#include "font.h"

namespace datagen {
namespace {

using namespace paint;

constexpr int kBarX = 128, kBarY = 136;         // where the game draws the bar
constexpr int kBarShown = 161;                  // the widest it is ever drawn
constexpr int kBandTop = 20, kBandBottom = 37;  // the band's rows in the bar picture

}  // namespace

Image BuildLoadingPicture() {
  Image img(320, 200, {0, 0, 0});
  View v(img, 0, 0, 320, 200);
  Rng rng(7);
  VerticalGradient(v, 0, 200, {{0, {6, 4, 18}}, {0.55, {34, 18, 48}}, {0.7, {80, 36, 50}}, {1, {12, 8, 14}}});
  Stars(v, rng, 90, 100);
  Moon(v, 60, 46, 20, {250, 238, 210}, {200, 184, 160});
  Ridge(v, rng, 126, 10, 0.014, {34, 22, 46}, {16, 10, 22});
  Castle(v, rng, 250, 128, 0.55, {14, 10, 22}, {255, 180, 80});
  for (int i = 0; i < 4; ++i) DeadTree(v, rng, 18 + i * 30, 132, rng.Range(28, 40), {10, 6, 14});
  FillRect(v, 0, 130, 320, 200, {12, 8, 16});
  Ridge(v, rng, 130, 2, 0.05, {26, 18, 30}, {10, 6, 12});
  TitleCentred(v, 16, "MORLO", {5, {255, 232, 140}, {170, 30, 10}, {16, 2, 2}, true});
  TitleCentred(v, 64, "v3.0", {1, {240, 230, 210}, {200, 180, 160}, {10, 4, 4}, true});

  // The trough the bar fills, one pixel proud of it all round.
  int x0 = kBarX - 2, x1 = kBarX + kBarShown + 1;
  int y0 = kBarY + kBandTop - 2, y1 = kBarY + kBandBottom + 2;
  FillRect(v, x0 - 1, y0 - 1, x1 + 1, y1 + 1, {150, 110, 60});
  FillRect(v, x0, y0, x1, y1, {20, 12, 16});
  FillRect(v, x0 + 1, y0 + 1, x1 - 1, y0 + 2, {8, 4, 8});
  for (int c : {x0 - 1, x1 + 1}) FillCircle(v, c, (y0 + y1) / 2.0, 3, {200, 150, 70});
  Text(v, 18, kBarY + kBandTop + 5, "A carregar...", {236, 210, 160}, 1);
  Vignette(v, 0.3);
  Grain(v, rng, 2);
  return img;
}

// A band of rising fire: dark red at its edges, gold at its heart, with faint
// runes every few pixels so the growth is visible.
Image BuildLoadingBar() {
  Image img(185, 58, kKey);
  for (int y = kBandTop; y <= kBandBottom; ++y) {
    double t = double(y - kBandTop) / (kBandBottom - kBandTop);
    double heat = 1 - std::abs(t - 0.4) * 1.6;
    for (int x = 0; x < img.width; ++x) {
      double flicker = 0.08 * std::sin(x * 0.7) * std::sin(x * 0.23 + y);
      double h = std::clamp(heat + flicker, 0.0, 1.0);
      Rgb c = h < 0.5 ? Mix({110, 10, 6}, {230, 90, 20}, h * 2) : Mix({230, 90, 20}, {255, 220, 110}, (h - 0.5) * 2);
      if (x % 12 == 5 && y > kBandTop + 3 && y < kBandBottom - 3) c = Scale(c, 0.75);
      img.Set(x, y, c);
    }
  }
  // A highlight line along the top of the band.
  for (int x = 0; x < img.width; ++x) img.Set(x, kBandTop + 1, {255, 236, 170});
  return img;
}

}  // namespace datagen
