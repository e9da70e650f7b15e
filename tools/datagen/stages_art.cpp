// The stage pictures. Every solid cell of a stage's collision grid is painted
// as scenery of the stage's theme; props, grass and ceilings are added on
// top; everything else stays the colour key so the far background shows.
//
// The stage picture is drawn in front of every figure, so props standing on
// walkable ground are kept low: the figures walk behind them.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/datagen/stages.h"

namespace datagen {
namespace {

// ---- Deterministic noise --------------------------------------------------

uint32_t Hash(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

int Rand(int x, int y, uint32_t seed, int n) { return int(Hash(x, y, seed) % uint32_t(n)); }

float Unit(int x, int y, uint32_t seed) { return float(Hash(x, y, seed) & 0xffff) / 65535.0f; }

// Smooth value noise in 0..1 over a lattice of `cell` pixels.
float Smooth(int x, int y, int cell, uint32_t seed) {
  int cx = x >= 0 ? x / cell : (x - cell + 1) / cell;
  int cy = y >= 0 ? y / cell : (y - cell + 1) / cell;
  float fx = float(x - cx * cell) / float(cell), fy = float(y - cy * cell) / float(cell);
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  float a = Unit(cx, cy, seed), b = Unit(cx + 1, cy, seed);
  float c = Unit(cx, cy + 1, seed), d = Unit(cx + 1, cy + 1, seed);
  return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

// ---- Colour helpers -------------------------------------------------------

uint8_t Clamp(int v) { return uint8_t(std::clamp(v, 0, 255)); }

Rgb Shade(Rgb c, int d) { return {Clamp(c.r + d), Clamp(c.g + d), Clamp(c.b + d)}; }

Rgb Mix(Rgb a, Rgb b, float t) {
  return {Clamp(int(std::lround(a.r + (b.r - a.r) * t))), Clamp(int(std::lround(a.g + (b.g - a.g) * t))),
          Clamp(int(std::lround(a.b + (b.b - a.b) * t)))};
}

// A scenery colour never packs to the colour key at 15 or 16 bits; bright
// near-whites are pulled down out of the key's neighbourhood.
Rgb Safe(Rgb c) {
  if (c.r >= 224 && c.g >= 240 && c.b >= 240) return Shade(c, -24);
  return c;
}

// ---- Painter --------------------------------------------------------------

struct Painter {
  Image& img;
  void Dot(int x, int y, Rgb c) { img.Set(x, y, Safe(c)); }
  void Rect(int x1, int y1, int x2, int y2, Rgb c) {
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) Dot(x, y, c);
  }
  void Ellipse(int cx, int cy, int rx, int ry, Rgb c) {
    for (int y = -ry; y <= ry; ++y)
      for (int x = -rx; x <= rx; ++x)
        if (float(x * x) / float(rx * rx + 1) + float(y * y) / float(ry * ry + 1) <= 1.0f) Dot(cx + x, cy + y, c);
  }
  // A line `thick` pixels across.
  void Line(int x1, int y1, int x2, int y2, Rgb c, int thick = 1) {
    int n = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    for (int i = 0; i <= n; ++i) {
      int x = n ? x1 + (x2 - x1) * i / n : x1, y = n ? y1 + (y2 - y1) * i / n : y1;
      for (int t = 0; t < thick; ++t) Dot(x + t - thick / 2, y, c);
    }
  }
  // A filled triangle pointing up (apex at top) or down.
  void Spike(int cx, int base, int halfWidth, int height, Rgb c, Rgb light, bool up) {
    for (int i = 0; i < height; ++i) {
      int hw = halfWidth * (height - i) / height;
      int y = up ? base - i : base + i;
      for (int x = -hw; x <= hw; ++x) Dot(cx + x, y, x < 0 ? light : c);
    }
  }
};

// ---- Palettes -------------------------------------------------------------

struct Palette {
  Rgb grassLight, grass, grassDark;
  Rgb soil, soilDark, pebble;
  Rgb wood, woodDark;
};

const Palette kFields{{150, 206, 72}, {88, 164, 44},   {52, 110, 30},  {134, 92, 52},
                      {96, 62, 34},   {150, 140, 128}, {164, 118, 66}, {104, 70, 38}};
const Palette kWheat{{230, 204, 104}, {200, 164, 70},  {146, 112, 46}, {132, 90, 50},
                     {94, 60, 32},    {150, 140, 128}, {164, 118, 66}, {104, 70, 38}};
const Palette kForest{{112, 170, 60}, {62, 128, 40},   {36, 86, 28},  {104, 72, 46},
                      {70, 46, 30},   {128, 120, 112}, {122, 86, 52}, {74, 50, 30}};
const Palette kDarkForest{{92, 142, 66}, {50, 104, 44},   {28, 70, 34},  {86, 62, 50},
                          {56, 40, 34},  {110, 106, 110}, {106, 76, 52}, {62, 42, 30}};

// ---- Geometry of the solid cells ------------------------------------------

struct Geometry {
  const CellGrid& cells;
  std::vector<int> depth;  // solid rows above this one in an unbroken run
  std::vector<int> rest;   // solid rows below this one in the run
  std::vector<uint8_t> floating;

  Geometry(const Level& level, const CellGrid& c) : cells(c) {
    const int w = c.width, h = c.height;
    depth.assign(size_t(w) * h, 0);
    rest.assign(size_t(w) * h, 0);
    floating.assign(size_t(w) * h, 0);
    for (int x = 0; x < w; ++x) {
      int run = 0;
      for (int y = 0; y < h; ++y) {
        run = c.Solid(x, y) ? run + 1 : 0;
        depth[size_t(y) * w + x] = run - 1;
      }
      run = 0;
      for (int y = h - 1; y >= 0; --y) {
        run = c.Solid(x, y) ? run + 1 : 0;
        rest[size_t(y) * w + x] = run - 1;
      }
    }
    for (const Solid& s : level.solids)
      if (s.Floating())
        for (int x = std::max(0, s.x1); x <= std::min(w - 1, s.x2); ++x)
          for (int y = s.TopAt(x); y < s.TopAt(x) + s.thickness && y < h; ++y)
            if (y >= 0) floating[size_t(y) * w + x] = 1;
  }
  int Depth(int x, int y) const { return depth[size_t(y) * cells.width + x]; }
  int Rest(int x, int y) const { return rest[size_t(y) * cells.width + x]; }
  bool Floating(int x, int y) const { return floating[size_t(y) * cells.width + x] != 0; }
  // Columns to the nearest open cell on the same row, up to `most`.
  int Side(int x, int y, int most) const {
    for (int d = 1; d <= most; ++d)
      if (!cells.Solid(x - d, y) && x - d >= 0) return d - 1;
      else if (!cells.Solid(x + d, y) && x + d < cells.width) return d - 1;
    return most;
  }
  // Rows of each surface: a solid cell with open space (or the top) above.
  bool Surface(int x, int y) const { return cells.Solid(x, y) && !cells.Solid(x, y - 1); }
};

// ---- Materials ------------------------------------------------------------

// Earth with a grass top, strata and pebbles: the fields and the forests.
Rgb Earth(const Geometry& g, const Palette& p, int x, int y, uint32_t seed) {
  int d = g.Depth(x, y);
  int side = g.Side(x, y, 3);
  int grassDepth = 3 + int(Smooth(x, 0, 7, seed) * 4) + Rand(x, 1, seed, 2);
  Rgb c;
  if (d < grassDepth) {
    c = d == 0 ? p.grassLight : d == grassDepth - 1 ? p.grassDark : p.grass;
    c = Shade(c, Rand(x, y, seed + 1, 15) - 7);
  } else {
    float n = Smooth(x, y, 13, seed + 2) * 0.6f + Smooth(x, y, 5, seed + 3) * 0.4f;
    c = Mix(p.soilDark, p.soil, n);
    // Bands of darker earth, waving a little.
    int band = (y + int(Smooth(x, 0, 31, seed + 4) * 9)) % 19;
    if (band < 2) c = Shade(c, -18);
    c = Shade(c, Rand(x, y, seed + 5, 11) - 5);
    // Darker with depth.
    c = Shade(c, -std::min(28, std::max(0, d - grassDepth - 6) / 2));
    if (d == grassDepth) c = Shade(c, -22);  // shadow under the turf
  }
  // Edges of pits and ledges: dark outline, then a shaded column.
  if (side == 0 && d >= 1) c = Shade(c, -40);
  else if (side == 1 && d >= 1) c = Shade(c, -16);
  return c;
}

// Pebbles set in the earth, drawn over it.
void Pebbles(Painter& pt, const Geometry& g, const Palette& p, uint32_t seed) {
  const CellGrid& cells = g.cells;
  for (int cy = 0; cy < cells.height; cy += 9)
    for (int cx = 0; cx < cells.width; cx += 11) {
      if (Rand(cx, cy, seed, 100) > 16) continue;
      int x = cx + Rand(cx, cy, seed + 1, 11), y = cy + Rand(cx, cy, seed + 2, 9);
      if (!cells.Solid(x, y) || g.Depth(x, y) < 9 || g.Side(x, y, 4) < 3 || g.Floating(x, y)) continue;
      int rx = 1 + Rand(x, y, seed + 3, 2), ry = 1;
      Rgb c = Mix(Shade(p.pebble, Rand(x, y, seed + 4, 30) - 24), p.soil, 0.35f);
      pt.Ellipse(x, y, rx, ry, c);
      pt.Dot(x - 1, y - 1, Shade(c, 30));
      pt.Dot(x + rx, y + 1, Shade(c, -40));
    }
}

// Roots twisting down through the earth below the turf.
void Roots(Painter& pt, const Geometry& g, const Palette& p, uint32_t seed, int every) {
  const CellGrid& cells = g.cells;
  for (int x0 = 3; x0 < cells.width; x0 += every) {
    int x = x0 + Rand(x0, 0, seed, every / 2 + 1);
    int y = GroundBelow(cells, x, 0);
    if (y < 0 || g.Floating(x, y)) continue;
    y += 5;
    int len = 10 + Rand(x, 0, seed + 1, 22);
    for (int i = 0; i < len; ++i) {
      if (!cells.Solid(x, y) || g.Side(x, y, 2) < 2) break;
      pt.Dot(x, y, Shade(p.wood, -10 - i));
      if (i < len / 2) pt.Dot(x + 1, y, Shade(p.woodDark, -i));
      y += 1;
      int turn = Rand(x, y, seed + 2, 5);
      if (turn == 0) --x;
      if (turn == 4) ++x;
    }
  }
}

// Planks for the floating platforms of the fields.
Rgb Planks(const Geometry& g, const Palette& p, int x, int y, uint32_t seed) {
  int d = g.Depth(x, y), r = g.Rest(x, y), side = g.Side(x, y, 2);
  int plank = (x + 3) / 20;
  Rgb c = Shade(p.wood, Rand(plank, 0, seed, 16) - 8);
  c = Shade(c, int(Smooth(x, y * 6, 9, seed + plank) * 16) - 8);  // grain
  if ((x + 3) % 20 == 0 || side == 0) c = p.woodDark;
  if (d == 0) c = Shade(c, 26);
  if (r == 0) c = Shade(p.woodDark, -20);
  if (d == 2 && ((x + 3) % 20 == 3 || (x + 3) % 20 == 17)) c = {70, 70, 76};  // nails
  return c;
}

// Mossy logs for the floating platforms of the forests.
Rgb Log(const Geometry& g, const Palette& p, int x, int y, uint32_t seed) {
  int d = g.Depth(x, y), r = g.Rest(x, y), side = g.Side(x, y, 3);
  int total = d + r + 1;
  // Rounded: light along the upper third, dark below.
  float t = float(d) / float(std::max(1, total - 1));
  Rgb c = Mix(Shade(p.wood, 24), p.woodDark, t);
  if (Rand(x / 3, y, seed, 5) == 0) c = Shade(c, -24);      // bark furrows
  if (d == 0 && Rand(x, 0, seed + 1, 3) != 0) c = p.grass;  // moss along the top
  if (side <= 2) {
    // The sawn ends show their rings.
    int ring = (std::abs(d - total / 2) + side) % 3;
    c = ring == 0 ? Shade(p.wood, 40) : Shade(p.wood, 10);
    if (side == 0) c = p.woodDark;
  }
  return c;
}

// Crypt stone: courses of blocks with mortar, a capstone edge on top.
Rgb CryptStone(const Geometry& g, int x, int y, uint32_t seed) {
  int d = g.Depth(x, y), side = g.Side(x, y, 2);
  const Rgb base{104, 104, 120}, mortar{52, 50, 62};
  if (d < 4) {
    Rgb cap{150, 146, 150};
    Rgb c = Shade(cap, Rand(x / 24, 7, seed, 18) - 9 + Rand(x, y, seed + 9, 7) - 3);
    if (d == 0) c = Shade(c, 22);
    if (d == 3) c = {62, 60, 70};
    if ((x + 5) % 24 == 0) c = Shade(c, -38);
    if (side == 0) c = Shade(c, -36);
    return c;
  }
  int row = (y + 1000) / 9, inRow = (y + 1000) % 9;
  int offset = (row % 2) * 9;
  int col = (x + offset) / 18, inCol = (x + offset) % 18;
  if (inRow == 0 || inCol == 0) return side == 0 ? Shade(mortar, -20) : mortar;
  Rgb c = Shade(base, Rand(col, row, seed, 26) - 13);
  if (Rand(col, row, seed + 1, 7) == 0) c = Mix(c, Rgb{82, 106, 80}, 0.45f);  // damp, mossy block
  if (inRow == 1 || inCol == 1) c = Shade(c, 18);
  if (inRow == 8 || inCol == 17) c = Shade(c, -20);
  c = Shade(c, Rand(x, y, seed + 2, 9) - 4);
  // A crack now and then.
  if (Rand(col, row, seed + 3, 9) == 0 && inCol == 5 + inRow / 2 + (inRow % 3 == 1)) c = Shade(c, -46);
  c = Shade(c, -std::min(30, d / 3));
  if (side == 0) c = Shade(c, -44);
  else if (side == 1) c = Shade(c, -18);
  return c;
}

// Nearest and second-nearest distances to the feature points of a jittered
// grid, and the nearest point's cell: rounded stones packed together.
struct Stones {
  float d1 = 1e9f, d2 = 1e9f;
  int cellX = 0, cellY = 0;
  float dx = 0, dy = 0;  // from the stone's centre
};

Stones StonesAt(int x, int y, int cw, int ch, uint32_t seed) {
  Stones s;
  int gx = x / cw, gy = y / ch;
  for (int j = gy - 1; j <= gy + 1; ++j)
    for (int i = gx - 1; i <= gx + 1; ++i) {
      float px = float(i * cw) + Unit(i, j, seed) * float(cw);
      float py = float(j * ch) + Unit(i, j, seed + 1) * float(ch);
      float ddx = float(x) - px, ddy = (float(y) - py) * 1.3f;
      float d = std::sqrt(ddx * ddx + ddy * ddy);
      if (d < s.d1) {
        s.d2 = s.d1;
        s.d1 = d, s.cellX = i, s.cellY = j, s.dx = ddx, s.dy = ddy;
      } else if (d < s.d2) {
        s.d2 = d;
      }
    }
  return s;
}

// Cave rock: packed stones with dark seams, lit from above, a worn rim on top.
Rgb CaveRock(const Geometry& g, int x, int y, uint32_t seed, Rgb light, Rgb dark) {
  int d = g.Depth(x, y), side = g.Side(x, y, 3);
  Stones st = StonesAt(x, y + 40, 15, 11, seed);
  float n = 0.35f + Unit(st.cellX, st.cellY, seed + 7) * 0.4f + Smooth(x, y, 5, seed + 1) * 0.2f;
  // Each stone is lit on its upper left and shadowed on its lower right.
  n += (-st.dx - st.dy) * 0.012f;
  Rgb c = Mix(dark, light, std::clamp(n, 0.0f, 1.0f));
  if (st.d2 - st.d1 < 1.6f) c = Shade(dark, -18);
  else if (st.d2 - st.d1 < 2.6f) c = Mix(c, dark, 0.5f);
  if (d == 0) c = Shade(light, 30);
  else if (d == 1) c = Shade(c, 18);
  c = Shade(c, -std::min(34, d / 2));
  if (g.Rest(x, y) == 0 && g.Floating(x, y)) c = Shade(dark, -26);
  if (side == 0 && d > 0) c = Shade(c, -40);
  else if (side == 1 && d > 0) c = Shade(c, -18);
  return c;
}

// The arena: polished dark marble slabs with a gilded edge.
Rgb Marble(const Geometry& g, int x, int y, uint32_t seed, bool wall) {
  int d = g.Depth(x, y), r = g.Rest(x, y), side = g.Side(x, y, 2);
  const Rgb stone{92, 70, 98}, vein{150, 126, 150}, joint{40, 28, 46}, gold{214, 168, 64};
  if (!wall && d < 4) {
    Rgb c = d == 0 ? Shade(gold, 30) : d == 3 ? Shade(gold, -90) : Shade(gold, d == 1 ? 0 : -30);
    if (side == 0) c = Shade(c, -60);
    return c;
  }
  if (g.Floating(x, y) && r < 2) return r == 0 ? Shade(gold, -96) : gold;
  int w = wall ? 20 : 40, h = wall ? 20 : 16;
  int row = (y + (wall ? 0 : 1000 - 4)) / h, inRow = (y + (wall ? 0 : 1000 - 4)) % h;
  int offset = (row % 2) * (w / 2);
  int col = (x + offset) / w, inCol = (x + offset) % w;
  if (inRow == 0 || inCol == 0) return joint;
  Rgb c = Shade(stone, Rand(col, row, seed, 20) - 10);
  float v = Smooth(x + col * 7, y * 2, 9, seed + 1);
  if (std::fabs(v - 0.5f) < 0.02f) c = Mix(c, vein, 0.35f);
  if (inRow == 1 || inCol == 1) c = Shade(c, 22);
  if (inRow == h - 1 || inCol == w - 1) c = Shade(c, -18);
  if (wall) c = Shade(c, -10);
  if (side == 0) c = Shade(c, -30);
  return c;
}

// ---- Surface dressing -----------------------------------------------------

// Grass blades above every surface, with flowers in the fields.
void Grass(Painter& pt, const Geometry& g, const Palette& p, uint32_t seed, bool flowers) {
  const CellGrid& cells = g.cells;
  for (int y = 1; y < cells.height; ++y)
    for (int x = 0; x < cells.width; ++x) {
      if (!g.Surface(x, y)) continue;
      int r = Rand(x, y, seed, 100);
      int hgt = r < 40 ? 0 : r < 70 ? 1 : r < 88 ? 2 : r < 97 ? 3 : 4;
      for (int i = 1; i <= hgt; ++i)
        pt.Dot(x + (i == 4 ? Rand(x, y, seed + 1, 3) - 1 : 0), y - i, i == hgt ? p.grassLight : p.grass);
      if (flowers && Rand(x, y, seed + 2, 100) < 3 && x > 1) {
        Rgb petal = Rand(x, y, seed + 3, 3) == 0   ? Rgb{236, 206, 60}
                    : Rand(x, y, seed + 3, 3) == 1 ? Rgb{214, 70, 60}
                                                   : Rgb{210, 200, 230};
        pt.Dot(x, y - 1, p.grassDark);
        pt.Dot(x, y - 2, p.grassDark);
        pt.Dot(x - 1, y - 3, petal);
        pt.Dot(x + 1, y - 3, petal);
        pt.Dot(x, y - 4, petal);
        pt.Dot(x, y - 3, Rgb{240, 220, 120});
      }
    }
}

// Loose stones and nubs on rock surfaces.
void Rubble(Painter& pt, const Geometry& g, Rgb c, uint32_t seed) {
  const CellGrid& cells = g.cells;
  for (int y = 1; y < cells.height; ++y)
    for (int x = 2; x < cells.width - 2; ++x) {
      if (!g.Surface(x, y) || Rand(x, y, seed, 100) >= 4) continue;
      int w = 1 + Rand(x, y, seed + 1, 3);
      pt.Rect(x - w, y - 1, x + w, y - 1, c);
      pt.Rect(x - w + 1, y - 2, x + w - 1, y - 2, Shade(c, 20));
    }
}

// The cave ceiling: a ragged band of rock with stalactites.
void CaveCeiling(Painter& pt, int width, Rgb light, Rgb dark, uint32_t seed) {
  for (int x = 0; x < width; ++x) {
    int depth = 3 + int(Smooth(x, 0, 23, seed) * 9);
    for (int y = 0; y <= depth; ++y) {
      Rgb c = Mix(dark, light, Smooth(x, y, 5, seed + 1) * 0.7f);
      if (y == depth) c = Shade(dark, -20);
      pt.Dot(x, y, c);
    }
  }
  for (int x = 6; x < width - 6; x += 9) {
    if (Rand(x, 0, seed + 2, 3) == 0) continue;
    int cx = x + Rand(x, 1, seed, 6);
    int len = 6 + Rand(x, 2, seed, 16);
    int base = 3 + int(Smooth(cx, 0, 23, seed) * 9);
    pt.Spike(cx, base, 2 + Rand(x, 3, seed, 3), len, Shade(dark, 6), Shade(light, 10), false);
    pt.Dot(cx, base + len, Rgb{150, 190, 210});  // a drip
  }
}

// The crypt's vault: a band of dark stone courses with ribs of arches.
void CryptCeiling(Painter& pt, int width, uint32_t seed) {
  const Rgb stone{72, 70, 86}, mortar{38, 36, 46};
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < width; ++x) {
      int offset = (y / 5) % 2 * 8;
      Rgb c =
          (y % 5 == 4 || (x + offset) % 16 == 0) ? mortar : Shade(stone, Rand((x + offset) / 16, y / 5, seed, 16) - 8);
      pt.Dot(x, y, c);
    }
  // Arches spring from the vault every 120 columns.
  for (int a = 60; a < width; a += 120)
    for (int x = -40; x <= 40; ++x) {
      int y = 9 + int(std::lround(14.0 * (1.0 - std::sqrt(1.0 - (x / 40.0) * (x / 40.0)))));
      for (int t = 0; t < 3; ++t) pt.Dot(a + x, y + t - 3, t == 2 ? mortar : Shade(stone, 14 - 6 * t));
    }
}

// The forest roof: a ragged mass of leaf clumps along the top, with vines.
int CanopyDepth(int x, uint32_t seed) { return 6 + int(Smooth(x, 0, 37, seed) * 14 + Smooth(x, 0, 11, seed + 1) * 6); }

void Canopy(Painter& pt, int width, const Palette& p, uint32_t seed) {
  const Rgb deep = Shade(p.grassDark, -20);
  for (int x = 0; x < width; ++x)
    for (int y = 0; y <= CanopyDepth(x, seed) - 4; ++y) pt.Dot(x, y, deep);
  // Clumps: dark body, lit upper-left, a few bright leaves.
  for (int pass = 0; pass < 2; ++pass)
    for (int x = -4; x < width + 8; x += 5) {
      int cx = x + Rand(x, pass, seed + 2, 5);
      int r = 3 + Rand(x, pass, seed + 3, 4);
      int cy = pass == 0 ? CanopyDepth(std::clamp(cx, 0, width - 1), seed) - r + 1
                         : Rand(x, pass, seed + 4, std::max(1, CanopyDepth(std::clamp(cx, 0, width - 1), seed) - r));
      pt.Ellipse(cx, cy, r, r - 1, p.grassDark);
      pt.Ellipse(cx - 1, cy - 1, r - 1, r - 2, p.grass);
      pt.Ellipse(cx - 2, cy - 2, std::max(1, r - 3), std::max(1, r - 3), Mix(p.grass, p.grassLight, 0.5f));
      for (int i = 0; i < r; ++i)
        pt.Dot(cx - r + Rand(cx, i, seed + 5, 2 * r), cy - r / 2 + Rand(cx, i, seed + 6, r), p.grassLight);
    }
  for (int x = 7; x < width; x += 13) {
    if (Rand(x, 5, seed, 3) == 0) continue;
    int vx = x + Rand(x, 6, seed, 7);
    int top = CanopyDepth(vx, seed);
    int len = 6 + Rand(x, 7, seed, 22);
    for (int i = 0; i < len; ++i) {
      int wx = vx + ((i / 4) % 2);
      pt.Dot(wx, top + i, p.grassDark);
      if (i % 5 == 2) pt.Dot(wx + 1, top + i, p.grass);
      if (i % 5 == 4) pt.Dot(wx - 1, top + i, p.grass);
    }
  }
}

// ---- Props ----------------------------------------------------------------

void Flame(Painter& pt, int x, int y) {
  pt.Ellipse(x, y - 3, 2, 4, Rgb{226, 96, 30});
  pt.Ellipse(x, y - 2, 1, 2, Rgb{250, 196, 64});
  pt.Dot(x, y - 1, Rgb{252, 236, 150});
}

void DrawProp(Painter& pt, const Prop& prop, int base, const Palette& pal, uint32_t seed) {
  const int x = prop.x, y = base;  // y is the first ground row
  switch (prop.kind) {
    case PropKind::Bush: {
      const Rgb dark{46, 104, 36}, mid{70, 140, 48}, light{112, 178, 70};
      pt.Ellipse(x - 7, y - 5, 7, 5, dark);
      pt.Ellipse(x + 6, y - 5, 7, 5, dark);
      pt.Ellipse(x, y - 8, 8, 6, mid);
      for (int i = 0; i < 14; ++i) pt.Dot(x - 8 + Rand(i, 0, seed, 17), y - 12 + Rand(i, 1, seed, 8), light);
      pt.Dot(x - 3, y - 9, Rgb{200, 40, 50});
      pt.Dot(x + 4, y - 7, Rgb{200, 40, 50});
      break;
    }
    case PropKind::Fence: {
      const Rgb wood{150, 108, 62}, dark{92, 62, 34};
      for (int i = 0; i < 3; ++i) {
        int px = x - 14 + i * 14;
        pt.Rect(px, y - 13, px + 2, y - 1, wood);
        pt.Rect(px + 2, y - 13, px + 2, y - 1, dark);
        pt.Dot(px + 1, y - 14, wood);
      }
      pt.Rect(x - 16, y - 11, x + 16, y - 10, wood);
      pt.Rect(x - 16, y - 6, x + 16, y - 5, wood);
      pt.Rect(x - 16, y - 9, x + 16, y - 9, dark);
      pt.Rect(x - 16, y - 4, x + 16, y - 4, dark);
      break;
    }
    case PropKind::Rock: {
      const Rgb c{132, 128, 124};
      pt.Ellipse(x, y - 4, 8, 5, Shade(c, -30));
      pt.Ellipse(x - 1, y - 5, 7, 4, c);
      pt.Ellipse(x - 3, y - 7, 3, 1, Shade(c, 34));
      pt.Line(x + 2, y - 8, x + 4, y - 3, Shade(c, -50));
      break;
    }
    case PropKind::Sign: {
      const Rgb wood{150, 106, 60}, dark{84, 56, 30};
      pt.Rect(x - 1, y - 20, x + 1, y - 1, dark);
      // A board pointing right, the way out.
      pt.Rect(x - 9, y - 22, x + 7, y - 14, wood);
      for (int i = 0; i < 5; ++i) pt.Rect(x + 8, y - 22 + i, x + 8 + i, y - 14 - i, wood);
      pt.Rect(x - 9, y - 14, x + 7, y - 14, dark);
      pt.Line(x - 6, y - 18, x + 7, y - 18, Rgb{240, 230, 200});
      pt.Line(x + 4, y - 20, x + 7, y - 18, Rgb{240, 230, 200});
      pt.Line(x + 4, y - 16, x + 7, y - 18, Rgb{240, 230, 200});
      break;
    }
    case PropKind::Mushrooms: {
      for (int i = 0; i < 3; ++i) {
        int mx = x - 6 + i * 6, h = 3 + (i == 1) * 3;
        pt.Rect(mx, y - h, mx + 1, y - 1, Rgb{226, 214, 190});
        pt.Ellipse(mx + 1, y - h - 1, 3, 2, Rgb{190, 40, 40});
        pt.Dot(mx, y - h - 2, Rgb{244, 230, 220});
        pt.Dot(mx + 2, y - h - 1, Rgb{244, 230, 220});
      }
      break;
    }
    case PropKind::Fern: {
      for (int i = -3; i <= 3; ++i) {
        int tipX = x + i * 3, tipY = y - 9 + std::abs(i) * 2;
        pt.Line(x, y - 1, tipX, tipY, i % 2 ? pal.grass : pal.grassDark);
        pt.Dot(tipX, tipY, pal.grassLight);
      }
      break;
    }
    case PropKind::Stump: {
      const Rgb bark{98, 68, 40}, wood{176, 136, 88};
      pt.Rect(x - 7, y - 9, x + 7, y - 1, bark);
      pt.Rect(x - 9, y - 2, x - 7, y - 1, bark);
      pt.Rect(x + 7, y - 2, x + 9, y - 1, bark);
      pt.Ellipse(x, y - 10, 7, 2, wood);
      pt.Ellipse(x, y - 10, 4, 1, Shade(wood, -30));
      pt.Dot(x, y - 10, Shade(wood, 20));
      for (int i = 0; i < 4; ++i) pt.Line(x - 5 + i * 3, y - 8, x - 5 + i * 3, y - 2, Shade(bark, -24));
      break;
    }
    case PropKind::Roots: {
      const Rgb root{92, 64, 40};
      for (int i = 0; i < 4; ++i) {
        int rx = x - 12 + i * 8;
        pt.Line(rx, y - 1, rx + 4, y - 5 - i % 2 * 2, root, 2);
        pt.Line(rx + 4, y - 5 - i % 2 * 2, rx + 8, y - 1, root, 2);
      }
      break;
    }
    case PropKind::Tombstone: {
      const Rgb stone{142, 140, 150};
      pt.Rect(x - 6, y - 12, x + 6, y - 1, stone);
      pt.Ellipse(x, y - 12, 6, 3, stone);
      pt.Rect(x + 5, y - 12, x + 6, y - 1, Shade(stone, -40));
      pt.Rect(x - 1, y - 13, x, y - 5, Shade(stone, -50));
      pt.Rect(x - 3, y - 11, x + 2, y - 10, Shade(stone, -50));
      pt.Rect(x - 8, y - 2, x + 8, y - 1, Shade(stone, -24));
      break;
    }
    case PropKind::Cross: {
      const Rgb wood{110, 82, 58};
      pt.Rect(x - 1, y - 16, x + 1, y - 1, wood);
      pt.Rect(x - 5, y - 12, x + 5, y - 11, wood);
      pt.Rect(x + 1, y - 16, x + 1, y - 1, Shade(wood, -30));
      break;
    }
    case PropKind::Skulls: {
      const Rgb bone{222, 214, 188};
      pt.Line(x - 8, y - 1, x + 8, y - 3, bone, 1);
      pt.Line(x - 6, y - 4, x + 5, y - 1, Shade(bone, -30), 1);
      for (int i : {-4, 4}) {
        pt.Ellipse(x + i, y - 4, 3, 3, bone);
        pt.Dot(x + i - 1, y - 4, Rgb{40, 30, 30});
        pt.Dot(x + i + 1, y - 4, Rgb{40, 30, 30});
        pt.Dot(x + i, y - 2, Rgb{90, 80, 70});
      }
      break;
    }
    case PropKind::Torch: {
      const Rgb iron{60, 56, 62};
      pt.Rect(x, y - 14, x + 1, y - 1, iron);
      pt.Rect(x - 2, y - 16, x + 3, y - 15, Shade(iron, 30));
      Flame(pt, x + 1, y - 17);
      break;
    }
    case PropKind::Candles: {
      for (int i = 0; i < 3; ++i) {
        int cx = x - 5 + i * 5, h = 4 + (i % 2) * 3;
        pt.Rect(cx, y - h, cx + 1, y - 1, Rgb{226, 218, 190});
        pt.Dot(cx, y - h - 1, Rgb{252, 200, 80});
        pt.Dot(cx, y - h - 2, Rgb{252, 236, 150});
      }
      break;
    }
    case PropKind::Stalagmite: {
      pt.Spike(x, y - 1, 4, 14, Rgb{104, 88, 76}, Rgb{142, 124, 108}, true);
      pt.Spike(x + 6, y - 1, 2, 7, Rgb{96, 82, 70}, Rgb{130, 114, 100}, true);
      break;
    }
    case PropKind::Crystals: {
      const Rgb glow[2] = {{110, 210, 220}, {176, 110, 220}};
      for (int i = 0; i < 3; ++i) {
        Rgb c = glow[(Rand(x, i, seed, 2))];
        int cx = x - 5 + i * 5, h = 6 + (i == 1) * 5;
        pt.Spike(cx, y - 1, 2, h, Shade(c, -50), c, true);
        pt.Dot(cx - 1, y - h + 2, Shade(c, 60));
      }
      break;
    }
    case PropKind::Brazier: {
      const Rgb iron{70, 62, 70}, gold{196, 150, 60};
      pt.Rect(x - 1, y - 9, x + 1, y - 1, iron);
      pt.Rect(x - 4, y - 2, x + 4, y - 1, iron);
      pt.Rect(x - 6, y - 13, x + 6, y - 10, gold);
      pt.Rect(x - 5, y - 10, x + 5, y - 10, Shade(gold, -60));
      Flame(pt, x - 3, y - 14);
      Flame(pt, x + 2, y - 15);
      Flame(pt, x, y - 17);
      break;
    }
    case PropKind::Tree: {
      // A trunk rising into the canopy, its roots gripping the ground.
      const Rgb bark{88, 62, 44}, light{122, 90, 62}, dark{54, 38, 30};
      for (int ty = 0; ty < y; ++ty) {
        int half = 4 + (ty > y - 6 ? (ty - (y - 6)) : 0);
        for (int tx = -half; tx <= half; ++tx) {
          Rgb c = tx <= -half + 1 ? light : tx >= half - 1 ? dark : bark;
          if (Rand(x + tx, ty / 3, seed, 6) == 0) c = Shade(c, -20);
          pt.Dot(x + tx, ty, c);
        }
      }
      pt.Line(x - 4, y - 4, x - 10, y - 1, bark, 2);
      pt.Line(x + 4, y - 4, x + 11, y - 1, dark, 2);
      pt.Ellipse(x - 1, y * 2 / 3, 1, 2, dark);  // a knot
      break;
    }
    case PropKind::Haystack: {
      const Rgb hay{214, 176, 82}, dark{160, 122, 50}, light{238, 214, 130};
      pt.Ellipse(x, y - 8, 11, 8, dark);
      pt.Ellipse(x - 1, y - 9, 10, 7, hay);
      pt.Rect(x - 11, y - 2, x + 11, y - 1, dark);
      for (int i = 0; i < 16; ++i) {
        int sx = x - 8 + Rand(i, 0, seed, 16), sy = y - 14 + Rand(i, 1, seed, 11);
        pt.Line(sx, sy, sx + 2, sy - 1, i % 2 ? light : dark);
      }
      break;
    }
    case PropKind::Wheat: {
      const Rgb stalk{176, 146, 60}, ear{226, 190, 92};
      for (int i = 0; i < 7; ++i) {
        int sx = x - 9 + i * 3, h = 11 + Rand(x, i, seed, 6), lean = Rand(x, i + 9, seed, 3) - 1;
        pt.Line(sx, y - 1, sx + lean, y - h, stalk);
        pt.Rect(sx + lean, y - h - 3, sx + lean + 1, y - h, ear);
        pt.Dot(sx + lean - 1, y - h - 2, Shade(ear, -30));
      }
      break;
    }
    case PropKind::Gate: {
      // A stone doorway at the way out; the player walks through it.
      const Rgb stone{118, 114, 128}, dark{62, 58, 72};
      const int top = y - 58;
      for (int side : {-1, 1}) {
        int px = x + side * 9;
        pt.Rect(px - 3, top + 10, px + 3, y - 1, stone);
        pt.Rect(px + 3, top + 10, px + 3, y - 1, dark);
        for (int by = top + 18; by < y; by += 9) pt.Rect(px - 3, by, px + 3, by, dark);
      }
      for (int ax = -12; ax <= 12; ++ax) {
        int ay = top + 10 - int(std::lround(10.0 * std::sqrt(std::max(0.0, 1.0 - (ax / 12.5) * (ax / 12.5)))));
        pt.Rect(x + ax, ay, x + ax, ay + 4, std::abs(ax) % 6 == 0 ? dark : stone);
      }
      pt.Rect(x - 2, top - 2, x + 2, top + 3, Shade(stone, 24));  // keystone
      break;
    }
    case PropKind::Chain: break;  // hung from the vault, drawn with the ceilings
  }
}

// Chains hanging from the crypt's vault.
void HangingProp(Painter& pt, const Prop& prop, uint32_t seed) {
  if (prop.kind == PropKind::Chain) {
    int len = 16 + Rand(prop.x, 0, seed, 14);
    for (int y = 9; y < 9 + len; ++y) pt.Dot(prop.x + ((y / 2) % 2), y, (y % 3) ? Rgb{110, 106, 116} : Rgb{64, 60, 70});
    pt.Rect(prop.x - 1, 9 + len, prop.x + 2, 9 + len + 1, Rgb{90, 86, 96});
  }
}

// The arena's far wall: banners of the sorcerer.
void ArenaWall(Painter& pt) {
  const Rgb cloth{120, 26, 40}, trim{210, 166, 70};
  for (int bx : {968, 984}) {
    pt.Rect(bx - 6, 20, bx + 6, 70, cloth);
    pt.Rect(bx - 6, 20, bx + 6, 22, trim);
    for (int i = 0; i < 6; ++i) pt.Rect(bx - 6 + i, 71 + i, bx + 6 - i, 71 + i, cloth);
    pt.Ellipse(bx, 42, 3, 4, trim);
    pt.Dot(bx, 42, cloth);
  }
  // A torch at each side of the banners.
  for (int tx : {962, 992}) {
    pt.Rect(tx, 96, tx + 2, 104, Rgb{60, 56, 62});
    Flame(pt, tx + 1, 95);
  }
}

// Rock walls down both sides of the shaft, open on the right at the way out.
void ShaftWalls(Painter& pt, const Level& level, const CellGrid& cells, Rgb light, Rgb dark, uint32_t seed) {
  int exitTop = 131 - 70, exitBottom = 131;
  for (int y = 0; y < level.height; ++y) {
    int left = 6 + int(Smooth(0, y, 19, seed) * 7);
    int right = level.width - 7 - int(Smooth(1, y, 19, seed) * 7);
    for (int x = 0; x < level.width; ++x) {
      bool wall = x <= left || (x >= right && (y < exitTop || y >= exitBottom));
      if (!wall || cells.Solid(x, y)) continue;
      Stones st = StonesAt(x, y, 9, 14, seed + 5);
      float n = 0.3f + Unit(st.cellX, st.cellY, seed + 6) * 0.4f + (-st.dx - st.dy) * 0.015f;
      Rgb c = Mix(dark, light, std::clamp(n, 0.0f, 1.0f));
      if (st.d2 - st.d1 < 1.5f) c = Shade(dark, -16);
      if (x == left - 1 || x == right + 1) c = Shade(light, 10);  // lit rim
      if (x == left || x == right) c = Shade(dark, -24);
      pt.Dot(x, y, c);
    }
  }
  // The opening is framed by a lintel of wood.
  const Rgb timber{112, 80, 50}, timberDark{70, 48, 30};
  pt.Rect(level.width - 18, exitTop - 4, level.width - 1, exitTop, timber);
  pt.Rect(level.width - 18, exitTop, level.width - 1, exitTop, timberDark);
  pt.Rect(level.width - 18, exitTop, level.width - 15, exitBottom - 1, timber);
  pt.Rect(level.width - 15, exitTop, level.width - 15, exitBottom - 1, timberDark);
}

// Roots and moss hanging under the shaft's ledges.
void Fringe(Painter& pt, const Geometry& g, Rgb c, uint32_t seed) {
  const CellGrid& cells = g.cells;
  for (int y = 0; y < cells.height - 1; ++y)
    for (int x = 0; x < cells.width; ++x) {
      if (!cells.Solid(x, y) || cells.Solid(x, y + 1) || !g.Floating(x, y)) continue;
      int len = Rand(x, y, seed, 100) < 30 ? 1 + Rand(x, y, seed + 1, 5) : 0;
      for (int i = 1; i <= len; ++i) pt.Dot(x, y + i, Shade(c, -8 * i));
    }
}

// The first ground row under a prop: its own y, or the top-most surface.
int PropBase(const Prop& prop, const CellGrid& cells) {
  if (prop.y > 0) return prop.y;
  int y = GroundBelow(cells, std::clamp(prop.x, 0, cells.width - 1), 0);
  return y < 0 ? cells.height : y;
}

}  // namespace

Image BuildStagePicture(const Level& level) {
  const CellGrid cells = BuildStageCells(level);
  const Geometry g(level, cells);
  Image img(level.width, level.height, kKey);
  Painter pt{img};
  const uint32_t seed = uint32_t(level.number) * 7919u;

  const Palette& pal = level.theme == Theme::Fields   ? kFields
                       : level.theme == Theme::Wheat  ? kWheat
                       : level.theme == Theme::Forest ? kForest
                                                      : kDarkForest;
  const Rgb caveLight{132, 108, 86}, caveDark{58, 44, 40};
  const Rgb shaftLight{120, 110, 112}, shaftDark{50, 46, 54};

  if (level.theme == Theme::Forest || level.theme == Theme::DarkForest) {
    // Trunks stand behind the leaves.
    for (const Prop& prop : level.props)
      if (prop.kind == PropKind::Tree) DrawProp(pt, prop, PropBase(prop, cells), pal, seed + uint32_t(prop.x));
    Canopy(pt, level.width, pal, seed);
  }
  if (level.theme == Theme::Cavern) CaveCeiling(pt, level.width, caveLight, caveDark, seed);
  if (level.theme == Theme::Crypt) CryptCeiling(pt, level.width, seed);
  if (level.theme == Theme::Shaft) ShaftWalls(pt, level, cells, shaftLight, shaftDark, seed);

  for (int y = 0; y < level.height; ++y)
    for (int x = 0; x < level.width; ++x) {
      if (!cells.Solid(x, y)) continue;
      Rgb c;
      switch (level.theme) {
        case Theme::Fields:
        case Theme::Wheat: c = g.Floating(x, y) ? Planks(g, pal, x, y, seed) : Earth(g, pal, x, y, seed); break;
        case Theme::Forest:
        case Theme::DarkForest: c = g.Floating(x, y) ? Log(g, pal, x, y, seed) : Earth(g, pal, x, y, seed); break;
        case Theme::Crypt: c = CryptStone(g, x, y, seed); break;
        case Theme::Cavern: c = CaveRock(g, x, y, seed, caveLight, caveDark); break;
        case Theme::Shaft: c = CaveRock(g, x, y, seed, shaftLight, shaftDark); break;
        case Theme::Arena: c = Marble(g, x, y, seed, x >= 960); break;
      }
      pt.Dot(x, y, c);
    }

  switch (level.theme) {
    case Theme::Fields:
    case Theme::Wheat:
      Pebbles(pt, g, pal, seed);
      Grass(pt, g, pal, seed, true);
      break;
    case Theme::Forest:
    case Theme::DarkForest:
      Pebbles(pt, g, pal, seed);
      Roots(pt, g, pal, seed, level.theme == Theme::Forest ? 23 : 15);
      Grass(pt, g, pal, seed, false);
      break;
    case Theme::Crypt: Rubble(pt, g, Rgb{120, 116, 124}, seed); break;
    case Theme::Cavern: Rubble(pt, g, Rgb{112, 96, 84}, seed); break;
    case Theme::Shaft:
      Rubble(pt, g, Rgb{108, 100, 104}, seed);
      Fringe(pt, g, Rgb{70, 96, 52}, seed);
      break;
    case Theme::Arena: ArenaWall(pt); break;
  }

  for (const Prop& prop : level.props) {
    if (prop.kind == PropKind::Tree) continue;
    if (prop.kind == PropKind::Chain) {
      HangingProp(pt, prop, seed);
      continue;
    }
    DrawProp(pt, prop, PropBase(prop, cells), pal, seed + uint32_t(prop.x));
  }
  return img;
}

}  // namespace datagen
