#include "sprites_paint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace datagen::sprites {

Xform Xform::Inverse() const {
  const double det = a * d - b * c;
  Xform r;
  r.a = d / det, r.b = -b / det, r.c = -c / det, r.d = a / det;
  r.tx = -(r.a * tx + r.b * ty);
  r.ty = -(r.c * tx + r.d * ty);
  return r;
}

Xform Xform::Then(const Xform& n) const {
  Xform r;
  r.a = n.a * a + n.b * c, r.b = n.a * b + n.b * d;
  r.c = n.c * a + n.d * c, r.d = n.c * b + n.d * d;
  r.tx = n.a * tx + n.b * ty + n.tx;
  r.ty = n.c * tx + n.d * ty + n.ty;
  return r;
}

Xform Xform::Rotate(double deg, double px, double py) {
  const double cs = std::cos(Rad(deg)), sn = std::sin(Rad(deg));
  // y grows downwards, so a positive angle turns clockwise on screen.
  Xform r{cs, -sn, sn, cs, 0, 0};
  r.tx = px - (cs * px - sn * py);
  r.ty = py - (sn * px + cs * py);
  return r;
}

Pt Joint(Pt root, Pt end, double l1, double l2, double bend) {
  const double dx = end.x - root.x, dy = end.y - root.y;
  const double reach = std::max(std::hypot(dx, dy), 1e-6);
  const double ux = dx / reach, uy = dy / reach;
  // Out of reach the limb lies straight towards the end.
  const double d = std::clamp(reach, 0.01, l1 + l2);
  const double a = (l1 * l1 - l2 * l2 + d * d) / (2 * d);
  const double h = std::sqrt(std::max(0.0, l1 * l1 - a * a));
  return {root.x + ux * a - uy * h * bend, root.y + uy * a + ux * h * bend};
}

Rgb Mix(Rgb a, Rgb b, double t) {
  auto m = [t](int x, int y) { return uint8_t(std::clamp(int(std::lround(x + (y - x) * t)), 0, 255)); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Rgb Scale(Rgb c, double f) {
  auto s = [f](int x) { return uint8_t(std::clamp(int(std::lround(x * f)), 0, 255)); };
  return {s(c.r), s(c.g), s(c.b)};
}

Figure::Figure(int w, int h) : w_(w), h_(h), px_(size_t(w) * h, 0) {
  tones_.push_back({});  // index 0: empty
}

Ink Figure::Material(Rgb dark, Rgb mid, Rgb light) {
  const int base = int(tones_.size());
  tones_.push_back({mid, base + 1, base + 2, base});
  tones_.push_back({dark, -1, -1, base});
  tones_.push_back({light, -1, -1, base});
  if (tones_.size() > 255) std::abort();
  return {base};
}

Ink Figure::Flat(Rgb c) {
  const int base = int(tones_.size());
  tones_.push_back({c, -1, -1, base});
  if (tones_.size() > 255) std::abort();
  return {base};
}

template <class InsideTest>
void Figure::Fill(double x0, double y0, double x1, double y1, Ink ink, InsideTest inside) {
  // Bounding box of the model box in pixel space.
  double minx = 1e9, miny = 1e9, maxx = -1e9, maxy = -1e9;
  for (Pt p : {Pt{x0, y0}, Pt{x1, y0}, Pt{x0, y1}, Pt{x1, y1}}) {
    Pt q = xf.Apply(p);
    minx = std::min(minx, q.x), maxx = std::max(maxx, q.x);
    miny = std::min(miny, q.y), maxy = std::max(maxy, q.y);
  }
  const Xform inv = xf.Inverse();
  const int ix0 = std::max(0, int(std::floor(minx)) - 1), ix1 = std::min(w_ - 1, int(std::ceil(maxx)) + 1);
  const int iy0 = std::max(0, int(std::floor(miny)) - 1), iy1 = std::min(h_ - 1, int(std::ceil(maxy)) + 1);
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      Pt m = inv.Apply({x + 0.5, y + 0.5});
      if (inside(m)) px_[y * w_ + x] = uint8_t(ink.index);
    }
}

void Figure::Ellipse(double cx, double cy, double rx, double ry, Ink ink) {
  // Pixel centres sit at .5, so a centre on a whole number gives an even width.
  Fill(cx - rx, cy - ry, cx + rx, cy + ry, ink, [&](Pt m) {
    const double dx = (m.x - cx) / rx, dy = (m.y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
  });
}

void Figure::Capsule(double x0, double y0, double x1, double y1, double r0, double r1, Ink ink) {
  const double r = std::max(r0, r1);
  const double vx = x1 - x0, vy = y1 - y0, len2 = vx * vx + vy * vy;
  Fill(std::min(x0, x1) - r, std::min(y0, y1) - r, std::max(x0, x1) + r, std::max(y0, y1) + r, ink, [&](Pt m) {
    double t = len2 > 0 ? ((m.x - x0) * vx + (m.y - y0) * vy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = m.x - (x0 + t * vx), dy = m.y - (y0 + t * vy);
    const double rr = r0 + (r1 - r0) * t;
    return dx * dx + dy * dy <= rr * rr;
  });
}

void Figure::Polygon(const std::vector<Pt>& pts, Ink ink) {
  if (pts.size() < 3) return;
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (Pt p : pts) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  Fill(x0, y0, x1, y1, ink, [&](Pt m) {
    bool in = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
      const Pt a = pts[i], b = pts[j];
      if ((a.y > m.y) != (b.y > m.y) && m.x < (b.x - a.x) * (m.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
  });
}

void Figure::Box(double x0, double y0, double x1, double y1, Ink ink) {
  Fill(x0, y0, x1 + 1, y1 + 1, ink, [&](Pt m) { return m.x >= x0 && m.x < x1 + 1 && m.y >= y0 && m.y < y1 + 1; });
}

void Figure::Dot(double x, double y, Ink ink) {
  Pt q = xf.Apply({x + 0.5, y + 0.5});
  Put(int(std::floor(q.x)), int(std::floor(q.y)), ink);
}

void Figure::Line(double x0, double y0, double x1, double y1, Ink ink) {
  Pt a = xf.Apply({x0 + 0.5, y0 + 0.5}), b = xf.Apply({x1 + 0.5, y1 + 0.5});
  const int steps = int(std::ceil(std::max(std::abs(b.x - a.x), std::abs(b.y - a.y)))) + 1;
  for (int i = 0; i <= steps; ++i) {
    const double t = steps ? double(i) / steps : 0;
    Put(int(std::floor(a.x + (b.x - a.x) * t)), int(std::floor(a.y + (b.y - a.y) * t)), ink);
  }
}

void Figure::Grid(double x, double y, std::initializer_list<std::string_view> rows, std::string_view keys,
                  std::initializer_list<Ink> inks) {
  const Ink* ink = inks.begin();
  int row = 0;
  for (std::string_view r : rows) {
    for (size_t col = 0; col < r.size(); ++col) {
      const size_t k = keys.find(r[col]);
      if (k != std::string_view::npos && k < inks.size()) Dot(x + double(col), y + row, ink[k]);
    }
    ++row;
  }
}

Figure::Bounds Figure::Extent() const {
  Bounds b{w_, h_, -1, -1};
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x)
      if (px_[y * w_ + x])
        b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x), b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
  return b;
}

void Figure::FlipX() {
  for (int y = 0; y < h_; ++y) std::reverse(px_.begin() + y * w_, px_.begin() + (y + 1) * w_);
}

void Figure::Render(Image& sheet, int ox, int oy, bool mirror) const {
  auto at = [&](int x, int y) -> int {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return 0;
    return px_[y * w_ + (mirror ? w_ - 1 - x : x)];
  };
  auto base = [&](int x, int y) { return tones_[at(x, y)].base; };
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      const int i = at(x, y);
      Rgb c;
      if (i == 0) {
        if (!has_outline_) continue;
        const bool edge = at(x - 1, y) || at(x + 1, y) || at(x, y - 1) || at(x, y + 1);
        if (!edge) continue;
        c = outline_;
      } else {
        const Tone& t = tones_[i];
        c = t.c;
        if (t.light >= 0) {
          // Light from the upper left: an edge facing it is lit, one facing
          // away is in shadow.
          const int b = t.base;
          const int score =
              (base(x, y - 1) != b) + (base(x - 1, y) != b) - (base(x, y + 1) != b) - (base(x + 1, y) != b) * 1;
          if (score > 0) c = tones_[t.light].c;
          else if (score < 0) c = tones_[t.dark].c;
        }
      }
      // A colour that would pack to the key would vanish in the game: keep
      // it visibly apart.
      while (PacksToKey(c)) c = Rgb{uint8_t(c.r - 24), uint8_t(c.g - 24), uint8_t(c.b - 8)};
      sheet.Set(ox + x, oy + y, c);
    }
}

}  // namespace datagen::sprites
