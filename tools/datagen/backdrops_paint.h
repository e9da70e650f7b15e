// Painting primitives for the full-screen pictures: gradients, soft glows,
// filled shapes, landscape silhouettes, figures and painted titles. All
// randomness comes from a seeded generator so every run paints the same
// pixels.
#pragma once
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "datagen.h"

namespace datagen::paint {

// xorshift64*: small, fast and the same everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next();
  double Uniform();  // [0, 1)
  double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  int Int(int lo, int hi);  // lo..hi inclusive
 private:
  uint64_t state_;
};

Rgb Mix(Rgb a, Rgb b, double t);
Rgb Scale(Rgb c, double f);

// A window onto a part of an image, with its own origin; writes outside the
// window are dropped, so a picture never spills into its neighbours.
class View {
 public:
  View(Image& image, int x, int y, int w, int h) : img_(&image), ox_(x), oy_(y), w_(w), h_(h) {}
  int Width() const { return w_; }
  int Height() const { return h_; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
  Rgb Get(int x, int y) const { return img_->Get(ox_ + x, oy_ + y); }
  void Set(int x, int y, Rgb c) {
    if (Inside(x, y)) img_->Set(ox_ + x, oy_ + y, c);
  }
  void Blend(int x, int y, Rgb c, double alpha);
  void Add(int x, int y, Rgb c, double amount);

 private:
  Image* img_;
  int ox_, oy_, w_, h_;
};

struct Stop {
  double at;  // 0 at the top of the range, 1 at the bottom
  Rgb colour;
};
using Poly = std::vector<std::pair<double, double>>;

// Backgrounds and light.
void VerticalGradient(View& v, int y0, int y1, const std::vector<Stop>& stops);
void Grain(View& v, Rng& rng, int amount);
void Glow(View& v, double cx, double cy, double radius, Rgb colour, double strength);
void Vignette(View& v, double strength);
void Stars(View& v, Rng& rng, int count, int maxY);
void Moon(View& v, double cx, double cy, double r, Rgb light, Rgb shade);
void Clouds(View& v, Rng& rng, int y0, int y1, Rgb colour, double density);

// Shapes; alpha < 1 blends.
void FillPolygon(View& v, const Poly& points, Rgb c, double alpha = 1.0);
void FillEllipse(View& v, double cx, double cy, double rx, double ry, Rgb c, double alpha = 1.0);
void FillCircle(View& v, double cx, double cy, double r, Rgb c, double alpha = 1.0);
void ThickLine(View& v, double x0, double y0, double x1, double y1, double width, Rgb c, double alpha = 1.0);
void FillRect(View& v, int x0, int y0, int x1, int y1, Rgb c, double alpha = 1.0);

// Landscape silhouettes. A ridge fills from a noisy skyline down to the
// bottom of the view, shaded from top to bottom colour.
void Ridge(View& v, Rng& rng, double baseY, double amplitude, double detail, Rgb top, Rgb bottom);
void DeadTree(View& v, Rng& rng, double x, double groundY, double height, Rgb c);
void PineTree(View& v, double x, double groundY, double height, double width, Rgb c);
void Tombstone(View& v, double x, double groundY, double w, double h, Rgb c, double tilt = 0);
void GraveCross(View& v, double x, double groundY, double h, Rgb c, double tilt = 0);
void Castle(View& v, Rng& rng, double x, double groundY, double scale, Rgb c, Rgb window);

// Figures, as silhouettes facing right unless flipped.
void Bat(View& v, double cx, double cy, double span, Rgb c, double flap = 0);
void Rat(View& v, double x, double groundY, double length, Rgb c, bool faceLeft = false, Rgb eye = {220, 30, 20});
void Skeleton(View& v, double x, double groundY, double height, Rgb bone, bool spear = true);
void Zombie(View& v, double x, double groundY, double height, double rise, Rgb c, Rgb eye);
void Sorcerer(View& v, double x, double groundY, double height, Rgb robe, Rgb eye, bool armsUp = true);
enum class Pose { kStand, kThrust, kRaise };
void Warrior(View& v, double x, double groundY, double height, Rgb c, Pose pose);
void Mage(View& v, double x, double groundY, double height, Rgb robe, Rgb staffLight);

// A painted title: top-to-bottom fill, a dark outline and a drop shadow.
struct TitleStyle {
  int scale = 2;
  Rgb top{255, 230, 150}, bottom{200, 120, 40};
  Rgb outline{30, 10, 5};
  bool shadow = true;
};
void Title(View& v, int x, int y, std::string_view utf8, const TitleStyle& style);
void TitleCentred(View& v, int y, std::string_view utf8, const TitleStyle& style);
// Plain text, one colour, with an optional one-pixel dark shadow.
void Text(View& v, int x, int y, std::string_view utf8, Rgb c, int scale = 1, bool shadow = true);

}  // namespace datagen::paint
