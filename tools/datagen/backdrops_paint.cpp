#include "backdrops_paint.h"

#include <algorithm>
#include <cmath>

#include "font.h"

namespace datagen::paint {
namespace {

constexpr double kPi = 3.14159265358979323846;

uint8_t Clamp8(double v) { return uint8_t(std::clamp(std::lround(v), 0l, 255l)); }

// Smooth value noise, the same for a given seed and coordinate.
double Hash(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / double(0x1000000);
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

double ValueNoise(double x, double y, uint32_t seed) {
  int xi = int(std::floor(x)), yi = int(std::floor(y));
  double fx = Smooth(x - xi), fy = Smooth(y - yi);
  double a = Hash(xi, yi, seed), b = Hash(xi + 1, yi, seed);
  double c = Hash(xi, yi + 1, seed), d = Hash(xi + 1, yi + 1, seed);
  return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

double Fbm(double x, double y, uint32_t seed, int octaves) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * ValueNoise(x, y, seed + i * 17);
    norm += amp;
    x *= 2.03, y *= 2.03, amp *= 0.5;
  }
  return sum / norm;
}

// Rotates (x, y) about (px, py).
std::pair<double, double> Rotate(double x, double y, double px, double py, double angle) {
  double s = std::sin(angle), c = std::cos(angle);
  return {px + (x - px) * c - (y - py) * s, py + (x - px) * s + (y - py) * c};
}

}  // namespace

uint32_t Rng::Next() {
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  return uint32_t((state_ * 0x2545F4914F6CDD1Dull) >> 32);
}

double Rng::Uniform() { return Next() / 4294967296.0; }

int Rng::Int(int lo, int hi) { return lo + int(Next() % uint32_t(hi - lo + 1)); }

Rgb Mix(Rgb a, Rgb b, double t) {
  return {Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t), Clamp8(a.b + (b.b - a.b) * t)};
}

Rgb Scale(Rgb c, double f) { return {Clamp8(c.r * f), Clamp8(c.g * f), Clamp8(c.b * f)}; }

void View::Blend(int x, int y, Rgb c, double alpha) {
  if (!Inside(x, y) || alpha <= 0) return;
  Set(x, y, alpha >= 1 ? c : Mix(Get(x, y), c, alpha));
}

void View::Add(int x, int y, Rgb c, double amount) {
  if (!Inside(x, y)) return;
  Rgb o = Get(x, y);
  Set(x, y, {Clamp8(o.r + c.r * amount), Clamp8(o.g + c.g * amount), Clamp8(o.b + c.b * amount)});
}

void VerticalGradient(View& v, int y0, int y1, const std::vector<Stop>& stops) {
  for (int y = y0; y < y1; ++y) {
    double t = y1 - 1 > y0 ? double(y - y0) / (y1 - 1 - y0) : 0;
    Rgb c = stops.front().colour;
    for (size_t i = 1; i < stops.size(); ++i) {
      if (t <= stops[i].at) {
        double span = stops[i].at - stops[i - 1].at;
        double u = span > 0 ? (t - stops[i - 1].at) / span : 1;
        c = Mix(stops[i - 1].colour, stops[i].colour, std::clamp(u, 0.0, 1.0));
        break;
      }
      c = stops[i].colour;
    }
    for (int x = 0; x < v.Width(); ++x) v.Set(x, y, c);
  }
}

void Grain(View& v, Rng& rng, int amount) {
  for (int y = 0; y < v.Height(); ++y)
    for (int x = 0; x < v.Width(); ++x) {
      int d = rng.Int(-amount, amount);
      Rgb o = v.Get(x, y);
      v.Set(x, y, {Clamp8(o.r + d), Clamp8(o.g + d), Clamp8(o.b + d)});
    }
}

void Glow(View& v, double cx, double cy, double radius, Rgb colour, double strength) {
  int x0 = int(cx - radius), x1 = int(cx + radius), y0 = int(cy - radius), y1 = int(cy + radius);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / radius;
      if (d >= 1) continue;
      double f = (1 - d) * (1 - d);
      v.Add(x, y, colour, f * strength);
    }
}

void Vignette(View& v, double strength) {
  double cx = v.Width() / 2.0, cy = v.Height() / 2.0;
  double maxd = std::hypot(cx, cy);
  for (int y = 0; y < v.Height(); ++y)
    for (int x = 0; x < v.Width(); ++x) {
      double d = std::hypot(x + 0.5 - cx, (y + 0.5 - cy) * 1.3) / maxd;
      double f = 1 - strength * std::clamp(d * d - 0.15, 0.0, 1.0);
      v.Set(x, y, Scale(v.Get(x, y), f));
    }
}

void Stars(View& v, Rng& rng, int count, int maxY) {
  for (int i = 0; i < count; ++i) {
    int x = rng.Int(0, v.Width() - 1), y = rng.Int(0, maxY);
    double b = rng.Range(0.25, 1.0);
    // Fainter towards the horizon.
    b *= 1.0 - 0.6 * double(y) / std::max(1, maxY);
    Rgb c = rng.Uniform() < 0.3 ? Rgb{255, 230, 200} : Rgb{220, 225, 255};
    v.Blend(x, y, c, b);
    if (b > 0.8 && rng.Uniform() < 0.4) {
      v.Blend(x - 1, y, c, b * 0.35);
      v.Blend(x + 1, y, c, b * 0.35);
      v.Blend(x, y - 1, c, b * 0.35);
      v.Blend(x, y + 1, c, b * 0.35);
    }
  }
}

void Moon(View& v, double cx, double cy, double r, Rgb light, Rgb shade) {
  Glow(v, cx, cy, r * 3.2, Scale(light, 0.5), 0.55);
  for (int y = int(cy - r - 2); y <= int(cy + r + 2); ++y)
    for (int x = int(cx - r - 2); x <= int(cx + r + 2); ++x) {
      double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      double d = std::hypot(dx, dy);
      double cover = std::clamp(r - d + 0.5, 0.0, 1.0);
      if (cover <= 0) continue;
      // Seas: darker patches from noise, a little limb darkening.
      double n = Fbm((x - cx) / r * 2.2 + 5, (y - cy) / r * 2.2 + 3, 71, 4);
      double patch = std::clamp((n - 0.45) * 3.0, 0.0, 1.0) * 0.55;
      double limb = 1 - 0.25 * std::pow(d / r, 3);
      Rgb c = Scale(Mix(light, shade, patch), limb);
      v.Blend(x, y, c, cover);
    }
}

void Clouds(View& v, Rng& rng, int y0, int y1, Rgb colour, double density) {
  uint32_t seed = rng.Next();
  for (int y = y0; y < y1; ++y)
    for (int x = 0; x < v.Width(); ++x) {
      double n = Fbm(x / 60.0, y / 18.0, seed, 5);
      double edge = std::sin(kPi * (y - y0) / double(y1 - y0));
      double a = std::clamp((n - (1 - density)) * 2.5, 0.0, 1.0) * edge;
      v.Blend(x, y, colour, a * 0.85);
    }
}

void FillPolygon(View& v, const Poly& pts, Rgb c, double alpha) {
  if (pts.size() < 3) return;
  double minY = pts[0].second, maxY = minY;
  for (auto& p : pts) minY = std::min(minY, p.second), maxY = std::max(maxY, p.second);
  int ya = std::max(0, int(std::floor(minY))), yb = std::min(v.Height() - 1, int(std::ceil(maxY)));
  constexpr int kSub = 4;
  std::vector<double> cover(v.Width() + 2);
  std::vector<double> xs;
  for (int y = ya; y <= yb; ++y) {
    std::fill(cover.begin(), cover.end(), 0.0);
    bool any = false;
    for (int s = 0; s < kSub; ++s) {
      double sy = y + (s + 0.5) / kSub;
      xs.clear();
      for (size_t i = 0; i < pts.size(); ++i) {
        auto [x0, y0] = pts[i];
        auto [x1, y1] = pts[(i + 1) % pts.size()];
        if ((y0 <= sy && y1 > sy) || (y1 <= sy && y0 > sy)) xs.push_back(x0 + (sy - y0) / (y1 - y0) * (x1 - x0));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2) {
        double a = std::clamp(xs[i], 0.0, double(v.Width()));
        double b = std::clamp(xs[i + 1], 0.0, double(v.Width()));
        if (b <= a) continue;
        any = true;
        int ia = int(a), ib = int(b);
        if (ia == ib) {
          cover[ia] += (b - a) / kSub;
          continue;
        }
        cover[ia] += (ia + 1 - a) / kSub;
        for (int x = ia + 1; x < ib; ++x) cover[x] += 1.0 / kSub;
        if (ib < v.Width()) cover[ib] += (b - ib) / kSub;
      }
    }
    if (!any) continue;
    for (int x = 0; x < v.Width(); ++x)
      if (cover[x] > 0) v.Blend(x, y, c, std::min(1.0, cover[x]) * alpha);
  }
}

void FillEllipse(View& v, double cx, double cy, double rx, double ry, Rgb c, double alpha) {
  Poly p;
  int n = std::max(12, int((rx + ry) * 1.5));
  for (int i = 0; i < n; ++i) {
    double a = 2 * kPi * i / n;
    p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  FillPolygon(v, p, c, alpha);
}

void FillCircle(View& v, double cx, double cy, double r, Rgb c, double alpha) {
  FillEllipse(v, cx, cy, r, r, c, alpha);
}

void ThickLine(View& v, double x0, double y0, double x1, double y1, double width, Rgb c, double alpha) {
  double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
  if (len < 1e-6) {
    FillCircle(v, x0, y0, width / 2, c, alpha);
    return;
  }
  double nx = -dy / len * width / 2, ny = dx / len * width / 2;
  FillPolygon(v, {{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}}, c, alpha);
}

void FillRect(View& v, int x0, int y0, int x1, int y1, Rgb c, double alpha) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) v.Blend(x, y, c, alpha);
}

void Ridge(View& v, Rng& rng, double baseY, double amplitude, double detail, Rgb top, Rgb bottom) {
  uint32_t seed = rng.Next();
  for (int x = 0; x < v.Width(); ++x) {
    double sky = baseY - amplitude * (Fbm(x * detail, 0.5, seed, 5) - 0.5) * 2;
    int ys = int(std::floor(sky));
    for (int y = std::max(0, ys); y < v.Height(); ++y) {
      double t = (y - sky) / std::max(1.0, v.Height() - sky);
      Rgb c = Mix(top, bottom, std::clamp(t, 0.0, 1.0));
      double cover = y == ys ? 1 - (sky - ys) : 1;
      v.Blend(x, y, c, cover);
    }
  }
}

namespace {
void Branch(View& v, Rng& rng, double x, double y, double angle, double len, double width, Rgb c, int depth) {
  double x1 = x + std::cos(angle) * len, y1 = y + std::sin(angle) * len;
  ThickLine(v, x, y, x1, y1, width, c);
  FillCircle(v, x1, y1, width / 2, c);
  if (depth == 0 || len < 3) return;
  int n = rng.Uniform() < 0.35 ? 3 : 2;
  for (int i = 0; i < n; ++i) {
    double spread = rng.Range(0.3, 0.8) * (i % 2 ? 1 : -1);
    double bend = rng.Range(-0.15, 0.15);
    Branch(v, rng, x1, y1, angle + spread + bend, len * rng.Range(0.6, 0.8), width * 0.62, c, depth - 1);
  }
}
}  // namespace

void DeadTree(View& v, Rng& rng, double x, double groundY, double height, Rgb c) {
  double trunk = height * 0.42, w = std::max(2.0, height * 0.09);
  // Roots flare into the ground.
  FillPolygon(v,
              {{x - w * 1.6, groundY + 1},
               {x - w * 0.5, groundY - trunk * 0.3},
               {x - w * 0.35, groundY - trunk},
               {x + w * 0.35, groundY - trunk},
               {x + w * 0.5, groundY - trunk * 0.3},
               {x + w * 1.7, groundY + 1}},
              c);
  double lean = rng.Range(-0.15, 0.15);
  Branch(v, rng, x, groundY - trunk + 1, -kPi / 2 + lean, height * 0.32, w * 0.7, c, 5);
  Branch(v, rng, x, groundY - trunk * 0.7, -kPi / 2 - 0.7 - rng.Range(0, 0.3), height * 0.25, w * 0.45, c, 3);
  Branch(v, rng, x, groundY - trunk * 0.85, -kPi / 2 + 0.6 + rng.Range(0, 0.3), height * 0.22, w * 0.45, c, 3);
}

void PineTree(View& v, double x, double groundY, double height, double width, Rgb c) {
  FillRect(v, int(x - width * 0.06), int(groundY - height * 0.2), int(x + width * 0.06), int(groundY), c);
  int tiers = 4;
  for (int i = 0; i < tiers; ++i) {
    double t0 = double(i) / tiers, t1 = double(i + 1) / tiers;
    double yb = groundY - height * 0.12 - (height * 0.88) * t0 * 0.85;
    double yt = groundY - height * 0.12 - (height * 0.88) * (t1 * 0.85 + 0.15);
    double hw = width / 2 * (1 - t0 * 0.7);
    FillPolygon(v, {{x - hw, yb}, {x - hw * 0.3, yb - 2}, {x, yt}, {x + hw * 0.3, yb - 2}, {x + hw, yb}}, c);
  }
}

void Tombstone(View& v, double x, double groundY, double w, double h, Rgb c, double tilt) {
  Poly p;
  double r = w / 2;
  p.push_back({x - r, groundY + 2});
  p.push_back({x - r, groundY - h + r});
  for (int i = 1; i < 12; ++i) {
    double a = kPi + kPi * i / 12;
    p.push_back({x + r * std::cos(a), groundY - h + r + r * std::sin(a)});
  }
  p.push_back({x + r, groundY - h + r});
  p.push_back({x + r, groundY + 2});
  for (auto& q : p) q = Rotate(q.first, q.second, x, groundY, tilt);
  FillPolygon(v, p, c);
}

void GraveCross(View& v, double x, double groundY, double h, Rgb c, double tilt) {
  double w = std::max(1.5, h * 0.14);
  auto a = Rotate(x, groundY + 2, x, groundY, tilt), b = Rotate(x, groundY - h, x, groundY, tilt);
  auto l = Rotate(x - h * 0.32, groundY - h * 0.7, x, groundY, tilt);
  auto r = Rotate(x + h * 0.32, groundY - h * 0.7, x, groundY, tilt);
  ThickLine(v, a.first, a.second, b.first, b.second, w, c);
  ThickLine(v, l.first, l.second, r.first, r.second, w, c);
}

void Castle(View& v, Rng& rng, double x, double groundY, double s, Rgb c, Rgb window) {
  struct Tower {
    double dx, w, h;
    bool roof;
  };
  const Tower towers[] = {
      {-46, 14, 62, true}, {-22, 12, 48, false}, {0, 20, 92, true}, {26, 12, 54, false}, {48, 16, 70, true}};
  // Curtain wall with crenellations.
  double wallTop = groundY - 34 * s;
  FillRect(v, int(x - 50 * s), int(wallTop), int(x + 54 * s), int(groundY), c);
  for (double cx = x - 50 * s; cx < x + 54 * s; cx += 6 * s)
    FillRect(v, int(cx), int(wallTop - 3 * s), int(cx + 3 * s), int(wallTop), c);
  for (const Tower& t : towers) {
    double tx = x + t.dx * s, hw = t.w * s / 2, top = groundY - t.h * s;
    FillRect(v, int(tx - hw), int(top), int(tx + hw), int(groundY), c);
    if (t.roof) {
      FillPolygon(v, {{tx - hw - 2 * s, top + 1}, {tx, top - t.w * 1.3 * s}, {tx + hw + 2 * s, top + 1}}, c);
      // Banner pole on the highest roofs.
      if (t.h > 80) ThickLine(v, tx, top - t.w * 1.3 * s, tx, top - t.w * 1.3 * s - 8 * s, 1, c);
    } else {
      for (double cx = tx - hw; cx < tx + hw; cx += 4 * s)
        FillRect(v, int(cx), int(top - 3 * s), int(cx + 2 * s), int(top), c);
    }
    // Some lit windows, slits of light.
    int n = int(t.h / 18);
    for (int i = 0; i < n; ++i) {
      if (rng.Uniform() < 0.45) continue;
      double wy = top + 8 * s + i * 16 * s;
      if (wy > groundY - 12 * s) break;
      FillRect(v, int(tx - s), int(wy), int(tx + s * 0.5), int(wy + 4 * s), window);
      Glow(v, tx, wy + 2 * s, 6 * s, Scale(window, 0.6), 0.35);
    }
  }
  // The gate.
  FillEllipse(v, x + 13 * s, groundY - 12 * s, 5 * s, 6 * s, Scale(c, 0.5));
  FillRect(v, int(x + 8 * s), int(groundY - 12 * s), int(x + 18 * s), int(groundY), Scale(c, 0.5));
}

void Bat(View& v, double cx, double cy, double span, Rgb c, double flap) {
  double h = span / 2;
  double lift = flap * h * 0.6;
  // Each wing: a leading edge up to the wrist, then scallops back to the body.
  for (int side = -1; side <= 1; side += 2) {
    Poly p{
        {cx, cy - h * 0.05}, {cx + side * h * 0.45, cy - h * 0.32 - lift}, {cx + side * h, cy - h * 0.12 - lift * 1.3}};
    int scallops = 3;
    for (int i = 1; i <= scallops; ++i) {
      double t = double(i) / scallops;
      double px = cx + side * h * (1 - t);
      double py = cy - h * 0.12 * (1 - t) - lift * (1 - t) + h * 0.12;
      double mx = cx + side * h * (1 - t + 0.5 / scallops);
      double my = py - h * 0.16;
      p.push_back({mx, my});
      p.push_back({px, py});
    }
    FillPolygon(v, p, c);
  }
  FillEllipse(v, cx, cy + h * 0.05, h * 0.13, h * 0.2, c);
  FillCircle(v, cx, cy - h * 0.16, h * 0.11, c);
  FillPolygon(v, {{cx - h * 0.1, cy - h * 0.2}, {cx - h * 0.07, cy - h * 0.38}, {cx - h * 0.02, cy - h * 0.22}}, c);
  FillPolygon(v, {{cx + h * 0.1, cy - h * 0.2}, {cx + h * 0.07, cy - h * 0.38}, {cx + h * 0.02, cy - h * 0.22}}, c);
}

void Rat(View& v, double x, double g, double len, Rgb c, bool faceLeft, Rgb eye) {
  double d = faceLeft ? -1 : 1;
  auto P = [&](double fx, double fy) { return std::pair{x + d * fx * len, g - fy * len}; };
  // Tail: a long thin whip curling up behind.
  auto [px, py] = P(0.02, 0.1);
  for (int i = 1; i <= 14; ++i) {
    double t = i / 14.0;
    auto [nx, ny] = P(-0.85 * t, 0.1 + std::sin(t * kPi * 1.1) * 0.14 - t * 0.06);
    ThickLine(v, px, py, nx, ny, std::max(0.9, len * 0.045 * (1 - t * 0.75)), c);
    px = nx, py = ny;
  }
  // Body in profile: round rump, arched back, tapering snout.
  const double profile[][2] = {{0.06, 0.03}, {0.0, 0.13},  {0.06, 0.25}, {0.2, 0.33},  {0.4, 0.34},
                               {0.56, 0.3},  {0.68, 0.24}, {0.8, 0.2},   {0.92, 0.12}, {1.0, 0.06},
                               {0.92, 0.03}, {0.78, 0.04}, {0.6, 0.06},  {0.4, 0.05},  {0.2, 0.04}};
  Poly body;
  for (auto& q : profile) body.push_back(P(q[0], q[1]));
  FillPolygon(v, body, c);
  auto [ex, ey] = P(0.72, 0.26);
  FillCircle(v, ex, ey, len * 0.065, c);  // ear
  // Legs: a hind foot under the haunch, a fore paw under the chest.
  for (double lx : {0.14, 0.66}) {
    auto [ax, ay] = P(lx, 0.06);
    auto [bx, by] = P(lx + 0.06, 0.0);
    ThickLine(v, ax, ay, bx, by, std::max(1.0, len * 0.05), c);
  }
  auto [ix, iy] = P(0.86, 0.14);
  FillCircle(v, ix, iy, std::max(0.7, len * 0.028), eye);
}

void Skeleton(View& v, double x, double g, double h, Rgb bone, bool spear) {
  double u = h / 40.0;
  double lw = std::max(1.0, 1.6 * u);
  // Legs, pelvis, spine.
  ThickLine(v, x - 3 * u, g - 18 * u, x - 5 * u, g, lw, bone);
  ThickLine(v, x + 3 * u, g - 18 * u, x + 5 * u, g, lw, bone);
  FillEllipse(v, x, g - 19 * u, 4 * u, 2 * u, bone);
  ThickLine(v, x, g - 19 * u, x, g - 33 * u, lw, bone);
  // Ribs.
  for (int i = 0; i < 4; ++i) {
    double ry = g - 31 * u + i * 3 * u;
    double rw = (5 - i * 0.6) * u;
    ThickLine(v, x - rw, ry + u, x + rw, ry + u, std::max(1.0, u), bone);
  }
  // Arms.
  ThickLine(v, x - 5 * u, g - 32 * u, x - 8 * u, g - 22 * u, lw, bone);
  ThickLine(v, x + 5 * u, g - 32 * u, x + 9 * u, g - 24 * u, lw, bone);
  ThickLine(v, x - 6 * u, g - 32 * u, x + 6 * u, g - 32 * u, lw, bone);
  // Skull with dark sockets.
  FillCircle(v, x, g - 37 * u, 3.6 * u, bone);
  FillRect(v, int(x - 2 * u), int(g - 34 * u), int(x + 2 * u), int(g - 32.5 * u), bone);
  Rgb dark{20, 10, 10};
  FillCircle(v, x - 1.4 * u, g - 37 * u, 0.9 * u + 0.3, dark);
  FillCircle(v, x + 1.4 * u, g - 37 * u, 0.9 * u + 0.3, dark);
  if (spear) {
    ThickLine(v, x + 9 * u, g + 2 * u, x + 9 * u, g - 52 * u, std::max(1.0, u), Scale(bone, 0.7));
    FillPolygon(v, {{x + 7 * u, g - 52 * u}, {x + 9 * u, g - 58 * u}, {x + 11 * u, g - 52 * u}}, Scale(bone, 0.8));
  }
}

void Zombie(View& v, double x, double g, double h, double rise, Rgb c, Rgb eye) {
  double u = h / 40.0;
  double base = g + (1 - rise) * h;  // the part under the ground is painted over later
  // Hunched torso and ragged coat.
  FillPolygon(v,
              {{x - 6 * u, base - 18 * u},
               {x - 4 * u, base - 33 * u},
               {x + 3 * u, base - 35 * u},
               {x + 7 * u, base - 28 * u},
               {x + 6 * u, base - 18 * u},
               {x + 4 * u, base - 15 * u},
               {x + 1 * u, base - 18 * u},
               {x - 2 * u, base - 14 * u}},
              c);
  ThickLine(v, x - 3 * u, base - 18 * u, x - 5 * u, base, 3 * u, c);
  ThickLine(v, x + 3 * u, base - 18 * u, x + 4 * u, base, 3 * u, c);
  // Arms reaching forward.
  ThickLine(v, x + 2 * u, base - 31 * u, x + 15 * u, base - 27 * u, 2.4 * u, c);
  ThickLine(v, x + 0 * u, base - 29 * u, x + 13 * u, base - 24 * u, 2.4 * u, c);
  for (int f = 0; f < 3; ++f)
    ThickLine(v, x + 15 * u, base - 27 * u, x + 18 * u, base - (28 - f * 1.5) * u, 0.9 * u + 0.3, c);
  // Head, tilted forward.
  FillEllipse(v, x + 5 * u, base - 38 * u, 3.6 * u, 4.2 * u, c);
  FillCircle(v, x + 7 * u, base - 38.5 * u, 0.8 * u + 0.2, eye);
  Glow(v, x + 7 * u, base - 38.5 * u, 3 * u, eye, 0.5);
}

void Sorcerer(View& v, double x, double g, double h, Rgb robe, Rgb eye, bool armsUp) {
  double u = h / 60.0;
  // Robe widening to a torn hem.
  Poly p{{x - 5 * u, g - 44 * u}};
  p.push_back({x - 14 * u, g});
  for (int i = 0; i <= 8; ++i) {
    double t = i / 8.0;
    p.push_back({x - 14 * u + 28 * u * t, g - (i % 2 ? 4 * u : 0)});
  }
  p.push_back({x + 5 * u, g - 44 * u});
  FillPolygon(v, p, robe);
  FillEllipse(v, x, g - 42 * u, 9 * u, 4 * u, robe);  // shoulders
  // Hood with a peak.
  FillPolygon(v,
              {{x - 7 * u, g - 42 * u},
               {x - 6.5 * u, g - 50 * u},
               {x - 4 * u, g - 55 * u},
               {x, g - 61 * u},
               {x + 4 * u, g - 55 * u},
               {x + 6.5 * u, g - 50 * u},
               {x + 7 * u, g - 42 * u}},
              robe);
  FillEllipse(v, x, g - 49 * u, 3.5 * u, 4 * u, Scale(robe, 0.35));
  FillCircle(v, x - 1.5 * u, g - 49.5 * u, 0.8 * u + 0.3, eye);
  FillCircle(v, x + 1.5 * u, g - 49.5 * u, 0.8 * u + 0.3, eye);
  Glow(v, x, g - 49.5 * u, 6 * u, eye, 0.7);
  // Wide sleeves and clawed hands.
  for (int side = -1; side <= 1; side += 2) {
    double hx = x + side * (armsUp ? 20 : 14) * u, hy = g - (armsUp ? 62 : 30) * u;
    FillPolygon(v,
                {{x + side * 4 * u, g - 44 * u},
                 {x + side * 6 * u, g - 36 * u},
                 {hx + side * 2 * u, hy + 6 * u},
                 {hx - side * 3 * u, hy + 3 * u}},
                robe);
    for (int f = -1; f <= 1; ++f)
      ThickLine(v, hx, hy + 3 * u, hx + side * (1 + f) * 1.5 * u, hy - 3 * u + std::abs(f) * u, std::max(1.0, 0.8 * u),
                robe);
  }
}

void Warrior(View& v, double x, double g, double h, Rgb c, Pose pose) {
  double u = h / 40.0;
  // Cape billowing behind, its hem in folds.
  Poly cape{{x - 3 * u, g - 31 * u}, {x - 9 * u, g - 20 * u}, {x - 14 * u, g - 4 * u}};
  for (int i = 0; i <= 4; ++i) cape.push_back({x - 14 * u + i * 3 * u, g - 3 * u - (i % 2 ? 2.5 * u : 0)});
  cape.push_back({x - 1 * u, g - 12 * u});
  cape.push_back({x + 2 * u, g - 30 * u});
  FillPolygon(v, cape, c);
  // Legs: thigh, shin, boot.
  bool stride = pose != Pose::kStand;
  double kneeL = stride ? -4 : -2, footL = stride ? -7 : -3, kneeR = stride ? 4 : 2.5, footR = stride ? 6 : 3.5;
  ThickLine(v, x - 1.5 * u, g - 18 * u, x + kneeL * u, g - 9 * u, 3.6 * u, c);
  ThickLine(v, x + kneeL * u, g - 9 * u, x + footL * u, g - 1.5 * u, 3.0 * u, c);
  ThickLine(v, x + 1.5 * u, g - 18 * u, x + kneeR * u, g - 9 * u, 3.6 * u, c);
  ThickLine(v, x + kneeR * u, g - 9 * u, x + footR * u, g - 1.5 * u, 3.0 * u, c);
  FillEllipse(v, x + (footL + 1) * u, g - 1.2 * u, 2.6 * u, 1.3 * u, c);
  FillEllipse(v, x + (footR + 1) * u, g - 1.2 * u, 2.6 * u, 1.3 * u, c);
  // Torso tapering to the belt, a short skirt of mail below it.
  FillPolygon(v,
              {{x - 5.5 * u, g - 31 * u},
               {x + 5.5 * u, g - 31 * u},
               {x + 3.5 * u, g - 19 * u},
               {x + 4.5 * u, g - 15 * u},
               {x - 4.5 * u, g - 15 * u},
               {x - 3.5 * u, g - 19 * u}},
              c);
  FillCircle(v, x - 5 * u, g - 30 * u, 2.8 * u, c);
  FillCircle(v, x + 5 * u, g - 30 * u, 2.8 * u, c);
  // Neck, helmet and a plume that streams back.
  FillRect(v, int(x - 1.2 * u), int(g - 34 * u), int(x + 1.2 * u), int(g - 31 * u), c);
  FillCircle(v, x + 0.5 * u, g - 36 * u, 3.3 * u, c);
  FillPolygon(v, {{x + 3.8 * u, g - 36 * u}, {x + 5 * u, g - 34 * u}, {x + 2 * u, g - 33 * u}}, c);
  FillPolygon(v,
              {{x + 1.5 * u, g - 38.5 * u},
               {x - 1 * u, g - 41 * u},
               {x - 6 * u, g - 40.5 * u},
               {x - 10 * u, g - 36 * u},
               {x - 6 * u, g - 37.5 * u},
               {x - 2 * u, g - 36.5 * u}},
              c);
  // Arms.
  switch (pose) {
    case Pose::kStand:
      ThickLine(v, x + 5 * u, g - 29 * u, x + 7 * u, g - 21 * u, 2.4 * u, c);
      ThickLine(v, x + 7 * u, g - 21 * u, x + 9 * u, g - 14 * u, 2.1 * u, c);
      ThickLine(v, x + 9 * u, g - 14 * u, x + 14 * u, g - 0.5 * u, 1.5 * u, c);  // sword, point down
      ThickLine(v, x + 6.5 * u, g - 15.5 * u, x + 11 * u, g - 13 * u, 1.2 * u, c);
      ThickLine(v, x - 5 * u, g - 29 * u, x - 6 * u, g - 17 * u, 2.3 * u, c);
      break;
    case Pose::kThrust:
      ThickLine(v, x + 5 * u, g - 30 * u, x + 11 * u, g - 25 * u, 2.4 * u, c);
      ThickLine(v, x + 11 * u, g - 25 * u, x + 16 * u, g - 26 * u, 2.1 * u, c);
      ThickLine(v, x + 16 * u, g - 26 * u, x + 34 * u, g - 28 * u, 1.6 * u, c);
      ThickLine(v, x + 16 * u, g - 29.5 * u, x + 15.5 * u, g - 22.5 * u, 1.3 * u, c);
      ThickLine(v, x - 5 * u, g - 30 * u, x - 9 * u, g - 22 * u, 2.3 * u, c);
      ThickLine(v, x - 9 * u, g - 22 * u, x - 12 * u, g - 17 * u, 2.0 * u, c);
      break;
    case Pose::kRaise:
      ThickLine(v, x + 5 * u, g - 31 * u, x + 8 * u, g - 38 * u, 2.4 * u, c);
      ThickLine(v, x + 8 * u, g - 38 * u, x + 9 * u, g - 45 * u, 2.1 * u, c);
      ThickLine(v, x + 9 * u, g - 45 * u, x + 11 * u, g - 66 * u, 1.6 * u, c);
      ThickLine(v, x + 6 * u, g - 45.5 * u, x + 12 * u, g - 44.5 * u, 1.3 * u, c);
      // The off hand held out, palm open, for the spell it will cast.
      ThickLine(v, x - 5 * u, g - 30 * u, x - 10 * u, g - 24 * u, 2.3 * u, c);
      ThickLine(v, x - 10 * u, g - 24 * u, x - 15 * u, g - 25 * u, 2.0 * u, c);
      break;
  }
}

void Mage(View& v, double x, double g, double h, Rgb robe, Rgb staffLight) {
  double u = h / 50.0;
  FillPolygon(v, {{x - 4 * u, g - 34 * u}, {x - 11 * u, g}, {x + 11 * u, g}, {x + 5 * u, g - 34 * u}}, robe);
  // Pointed hat with a wide brim.
  FillEllipse(v, x, g - 38 * u, 9 * u, 1.8 * u, robe);
  FillPolygon(v, {{x - 5 * u, g - 38 * u}, {x - 1 * u, g - 52 * u}, {x - 6 * u, g - 58 * u}, {x + 5 * u, g - 38 * u}},
              robe);
  FillCircle(v, x + 1 * u, g - 35 * u, 3.2 * u, robe);
  // Beard.
  FillPolygon(v, {{x - 1 * u, g - 34 * u}, {x + 5 * u, g - 34 * u}, {x + 3 * u, g - 24 * u}}, Scale(robe, 1.0));
  // Staff raised, orb of light.
  ThickLine(v, x + 6 * u, g - 32 * u, x + 12 * u, g - 30 * u, 2.2 * u, robe);
  ThickLine(v, x + 12 * u, g + 1, x + 13 * u, g - 50 * u, 1.6 * u, robe);
  Glow(v, x + 13 * u, g - 53 * u, 22 * u, staffLight, 0.9);
  FillCircle(v, x + 13 * u, g - 53 * u, 2.6 * u, Mix(staffLight, Rgb{255, 255, 255}, 0.5));
}

void Title(View& v, int x, int y, std::string_view utf8, const TitleStyle& st) {
  font::TextMask m = font::RenderText(utf8, st.scale);
  int top = y - font::kAccentRows * st.scale;
  int o = std::max(1, st.scale / 2);
  if (st.shadow)
    for (int my = 0; my < m.height; ++my)
      for (int mx = 0; mx < m.width; ++mx)
        if (m.At(mx, my)) v.Blend(x + mx + o + 1, top + my + o + 1, {0, 0, 0}, 0.6);
  // Outline: every pixel within o of the text.
  for (int my = -o; my < m.height + o; ++my)
    for (int mx = -o; mx < m.width + o; ++mx) {
      if (m.At(mx, my)) continue;
      bool near = false;
      for (int dy = -o; dy <= o && !near; ++dy)
        for (int dx = -o; dx <= o && !near; ++dx) near = m.At(mx + dx, my + dy);
      if (near) v.Set(x + mx, top + my, st.outline);
    }
  double capTop = font::kAccentRows * st.scale, capH = font::kCapHeight * st.scale;
  for (int my = 0; my < m.height; ++my)
    for (int mx = 0; mx < m.width; ++mx)
      if (m.At(mx, my)) {
        double t = std::clamp((my - capTop) / capH, 0.0, 1.0);
        v.Set(x + mx, top + my, Mix(st.top, st.bottom, t));
      }
}

void TitleCentred(View& v, int y, std::string_view utf8, const TitleStyle& st) {
  Title(v, (v.Width() - font::TextWidth(utf8, st.scale)) / 2, y, utf8, st);
}

void Text(View& v, int x, int y, std::string_view utf8, Rgb c, int scale, bool shadow) {
  font::TextMask m = font::RenderText(utf8, scale);
  int top = y - font::kAccentRows * scale;
  for (int my = 0; my < m.height; ++my)
    for (int mx = 0; mx < m.width; ++mx)
      if (m.At(mx, my)) {
        if (shadow) v.Blend(x + mx + 1, top + my + 1, {0, 0, 0}, 0.7);
      }
  for (int my = 0; my < m.height; ++my)
    for (int mx = 0; mx < m.width; ++mx)
      if (m.At(mx, my)) v.Set(x + mx, top + my, c);
}

}  // namespace datagen::paint
