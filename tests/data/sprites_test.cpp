// The sprite sheet as the game reads it: every rectangle it cuts holds a
// figure on a clean colour key, figures stand where the game's offsets put
// them, and animations really move.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/datagen/sprites.h"

namespace {

using datagen::Image;
using datagen::kKey;
using datagen::kSpriteRects;
using datagen::Rgb;
using datagen::SpriteRect;

const Image& Sheet() {
  static const Image sheet = datagen::BuildSpriteSheet();
  return sheet;
}

const SpriteRect& R(const char* name) { return datagen::FindSpriteRect(name); }

bool IsFigure(const Image& img, int x, int y) { return !(img.Get(x, y) == kKey); }

struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
  int count = 0;
  double sum_x = 0;
  bool Empty() const { return count == 0; }
  double MeanX() const { return sum_x / count; }
};

// The figure pixels of a rectangle, in coordinates relative to its corner.
Box FigureBox(const SpriteRect& r) {
  Box b;
  for (int y = r.y1; y <= r.y2; ++y)
    for (int x = r.x1; x <= r.x2; ++x)
      if (IsFigure(Sheet(), x, y)) {
        b.x0 = std::min(b.x0, x - r.x1), b.x1 = std::max(b.x1, x - r.x1);
        b.y0 = std::min(b.y0, y - r.y1), b.y1 = std::max(b.y1, y - r.y1);
        ++b.count, b.sum_x += x - r.x1;
      }
  return b;
}

std::vector<Rgb> Pixels(const SpriteRect& r) {
  std::vector<Rgb> v;
  for (int y = r.y1; y <= r.y2; ++y)
    for (int x = r.x1; x <= r.x2; ++x) v.push_back(Sheet().Get(x, y));
  return v;
}

TEST(SpriteSheet, IsTheGamesSizeAndTheSameEveryBuild) {
  EXPECT_EQ(Sheet().width, 1024);
  EXPECT_EQ(Sheet().height, 768);
  EXPECT_TRUE(datagen::BuildSpriteSheet().rgb == Sheet().rgb);
}

TEST(SpriteSheet, KeyPackingMatchesBothDepths) {
  EXPECT_TRUE(datagen::PacksToKey(kKey));
  EXPECT_TRUE(datagen::PacksToKey({239, 255, 255}));
  EXPECT_TRUE(datagen::PacksToKey({232, 248, 248}));  // 15 bits only
  EXPECT_FALSE(datagen::PacksToKey({231, 252, 252}));
  EXPECT_FALSE(datagen::PacksToKey({240, 252, 252}));
  EXPECT_FALSE(datagen::PacksToKey({232, 247, 252}));
}

// Every rectangle: a figure in it, nothing that turns into the key at 15 or
// 16 bits, and nothing that is almost the key (a fringe the keyed copy
// would leave as a pale halo).
TEST(SpriteSheet, EveryRectangleHoldsAFigureOnAnExactKey) {
  for (const SpriteRect& r : kSpriteRects) {
    SCOPED_TRACE(std::string(r.name));
    ASSERT_GE(r.x1, 0);
    ASSERT_GE(r.y1, 0);
    ASSERT_LT(r.x2, Sheet().width);
    ASSERT_LT(r.y2, Sheet().height);
    const Box b = FigureBox(r);
    EXPECT_GE(b.count, std::min(12, r.Width() * r.Height() / 4));
    int near_key = 0, packs = 0;
    for (Rgb c : Pixels(r)) {
      if (c == kKey) continue;
      packs += datagen::PacksToKey(c);
      near_key += std::abs(c.r - kKey.r) + std::abs(c.g - kKey.g) + std::abs(c.b - kKey.b) < 24;
    }
    EXPECT_EQ(packs, 0);
    EXPECT_EQ(near_key, 0);
  }
}

TEST(SpriteSheet, EverythingOutsideTheRectanglesIsKey) {
  int stray = 0;
  for (int y = 0; y < Sheet().height; ++y)
    for (int x = 0; x < Sheet().width; ++x) {
      if (!IsFigure(Sheet(), x, y)) continue;
      const bool owned = std::any_of(std::begin(kSpriteRects), std::end(kSpriteRects),
                                     [&](const SpriteRect& r) { return r.Contains(x, y); });
      if (!owned && ++stray <= 5) ADD_FAILURE() << "figure pixel outside every rectangle at " << x << "," << y;
    }
  EXPECT_EQ(stray, 0);
}

// Rectangles share pixels only where the game reads one picture two ways:
// the energy fill's last column is the lives icon's first.
TEST(SpriteSheet, RectanglesDoNotOverlapExceptTheSharedColumn) {
  const size_t n = std::size(kSpriteRects);
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j) {
      const SpriteRect &a = kSpriteRects[i], &b = kSpriteRects[j];
      EXPECT_NE(a.name, b.name);
      const int x0 = std::max(a.x1, b.x1), x1 = std::min(a.x2, b.x2);
      const int y0 = std::max(a.y1, b.y1), y1 = std::min(a.y2, b.y2);
      if (x0 > x1 || y0 > y1) continue;
      const bool shared = (a.name == "status.energy_fill" && b.name == "status.lives") ||
                          (a.name == "status.lives" && b.name == "status.energy_fill");
      EXPECT_TRUE(shared) << a.name << " overlaps " << b.name;
      if (shared) {
        EXPECT_EQ(x0, 239);
        EXPECT_EQ(x1, 239);
      }
    }
}

// Figures rest where the game's ground settling leaves them: the hero's
// soles on the canvas's last kept row, a walker's on row 38 (row 39 meets
// the ground), a thrower's on row 44, an undead's on row 32.
TEST(SpriteSheet, FiguresStandOnTheirGroundRow) {
  struct Case {
    const char* prefix;
    int sole;
  };
  for (const Case c : {Case{"hero.stand", 33}, Case{"hero.walk", 33}, Case{"hero.fire", 33}, Case{"walker.walk", 38},
                       Case{"thrower.walk", 44}, Case{"thrower.throw", 44}, Case{"thrower.die", 44},
                       Case{"undead.walk", 32}, Case{"undead.fall", 33}, Case{"walker.die", 38}}) {
    for (const SpriteRect& r : kSpriteRects) {
      if (!r.name.starts_with(c.prefix)) continue;
      SCOPED_TRACE(std::string(r.name));
      bool on_sole = false;
      for (int x = r.x1; x <= r.x2; ++x) on_sole |= IsFigure(Sheet(), x, r.y1 + c.sole);
      EXPECT_TRUE(on_sole);
      // Below the sole at most the outline's one row.
      EXPECT_LE(FigureBox(r).y1, c.sole + 1);
    }
  }
  // Nothing in the hero's poses is wider than the 30-column canvas.
  for (const SpriteRect& r : kSpriteRects)
    if (r.group == datagen::SpriteGroup::Hero) {
      EXPECT_LE(r.Width(), 30) << r.name;
    }
}

// The game draws both facings of a walking enemy at the same offset, so the
// left-facing frame must be the right-facing one turned about the same
// body column; the falling undead have mirrored outlines, as their offsets
// (14, 22, 35, 31 against 17) assume. (Shading is lit from the upper left
// in both facings, so colours may differ.)
TEST(SpriteSheet, LeftFacingFramesMirrorTheRightAboutTheBody) {
  struct Pair {
    const char* right;
    const char* left;
    double column;
  };
  for (const Pair p :
       {Pair{"walker.walk1.right", "walker.walk1.left", 13}, Pair{"walker.walk3.right", "walker.walk3.left", 13},
        Pair{"thrower.walk2.right", "thrower.walk2.left", 15}, Pair{"thrower.throw2.right", "thrower.throw2.left", 15},
        Pair{"undead.walk1.right", "undead.walk1.left", 17}, Pair{"undead.walk4.right", "undead.walk4.left", 17}}) {
    SCOPED_TRACE(p.right);
    const double right = FigureBox(R(p.right)).MeanX(), left = FigureBox(R(p.left)).MeanX();
    EXPECT_NEAR(right - p.column, p.column - left, 2.0);
  }
  for (int i = 1; i <= 4; ++i) {
    const SpriteRect& a = R(("undead.fall" + std::to_string(i) + ".right").c_str());
    const SpriteRect& b = R(("undead.fall" + std::to_string(i) + ".left").c_str());
    ASSERT_EQ(a.Width(), b.Width());
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        ASSERT_EQ(IsFigure(Sheet(), a.x1 + x, a.y1 + y), IsFigure(Sheet(), b.x2 - x, b.y1 + y))
            << i << " at " << x << "," << y;
  }
}

TEST(SpriteSheet, BatWingsSpanTheirHitWidth) {
  struct Wing {
    const char* name;
    int half;
  };
  for (const Wing w : {Wing{"bat.wings1.right", 37}, Wing{"bat.wings2.right", 25}, Wing{"bat.wings3.right", 17},
                       Wing{"bat.wings1.left", 37}, Wing{"bat.wings2.left", 25}, Wing{"bat.wings3.left", 17}}) {
    SCOPED_TRACE(w.name);
    const Box b = FigureBox(R(w.name));
    EXPECT_GE(b.x1 - b.x0 + 1, 2 * w.half - 4);
    EXPECT_NEAR((b.x0 + b.x1) / 2.0, w.half, 1.5);
  }
}

// Each animation's frames differ from one another.
TEST(SpriteSheet, AnimationFramesMove) {
  for (const char* prefix :
       {"hero.walk", "hero.walk_fire", "walker.walk", "walker.die", "bat.wings", "thrower.walk", "thrower.throw",
        "thrower.die", "undead.walk", "undead.fall", "coin.", "bolt.fly", "bolt.burst", "dust.", "sorcerer."}) {
    std::vector<const SpriteRect*> frames;
    for (const SpriteRect& r : kSpriteRects)
      if (r.name.starts_with(prefix)) frames.push_back(&r);
    ASSERT_GE(frames.size(), 2u) << prefix;
    for (size_t i = 0; i < frames.size(); ++i)
      for (size_t j = i + 1; j < frames.size(); ++j)
        if (frames[i]->Width() == frames[j]->Width() && frames[i]->Height() == frames[j]->Height()) {
          EXPECT_FALSE(Pixels(*frames[i]) == Pixels(*frames[j])) << frames[i]->name << " = " << frames[j]->name;
        }
  }
}

// The coin's frames are drawn with offsets (0,0), (0,4), (12,4), (0,3); the
// coin must not wander as it spins.
TEST(SpriteSheet, SpinningCoinKeepsItsPlace) {
  struct Frame {
    const char* name;
    int dx, dy;
  };
  const Frame frames[] = {{"coin.1", 0, 0}, {"coin.2", 0, 4}, {"coin.3", 12, 4}, {"coin.4", 0, 3}};
  const Box first = FigureBox(R("coin.1"));
  for (const Frame& f : frames) {
    SCOPED_TRACE(f.name);
    const Box b = FigureBox(R(f.name));
    EXPECT_NEAR((b.x0 + b.x1) / 2.0 + f.dx, (first.x0 + first.x1) / 2.0, 1.5);
    EXPECT_NEAR(b.y0 + f.dy, first.y0, 1.0);
    EXPECT_NEAR(b.y1 + f.dy, first.y1, 1.0);
  }
}

// Keyed copy of a sheet rectangle onto a screen, as the status display draws.
void Blit(Image& screen, int x1, int y1, int x2, int y2, int dx, int dy) {
  for (int y = y1; y <= y2; ++y)
    for (int x = x1; x <= x2; ++x)
      if (IsFigure(Sheet(), x, y)) screen.Set(dx + x - x1, dy + y - y1, Sheet().Get(x, y));
}

// The fills are cut to any width or height; every cut must read as the same
// bar and land inside its frame's cavity, never on its rim or outside it.
TEST(SpriteSheet, StatusFillsSitInTheirFrames) {
  const SpriteRect& fill = R("status.energy_fill");
  for (int x = fill.x1 + 1; x < fill.x2; ++x)
    for (int y = fill.y1; y <= fill.y2; ++y) ASSERT_EQ(Sheet().Get(x, y), Sheet().Get(fill.x1, y)) << x << "," << y;
  const SpriteRect& gauge = R("status.power_fill");
  for (int y = gauge.y1; y <= gauge.y2 - 5; ++y)
    for (int x = gauge.x1; x <= gauge.x2; ++x) ASSERT_EQ(Sheet().Get(x, y), Sheet().Get(x, y + 5)) << x << "," << y;

  const SpriteRect& frame = R("status.energy_frame");
  const SpriteRect& power = R("status.power_frame");
  Image bare(320, 200), full(320, 200);
  Blit(bare, frame.x1, frame.y1, frame.x2, frame.y2, 10, 170);
  Blit(bare, power.x1, power.y1, power.x2, power.y2, 290, 130);
  full = bare;
  Blit(full, fill.x1, fill.y1, fill.x1 + 100, fill.y2, 24, 173);
  Blit(full, gauge.x1, gauge.y2 - 45, gauge.x2, gauge.y2, 299, 176 - 45);
  // Every pixel the fills cover was a dark cavity pixel of the frame.
  int covered = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) {
      if (full.Get(x, y) == bare.Get(x, y)) continue;
      ++covered;
      const Rgb under = bare.Get(x, y);
      ASSERT_FALSE(under == kKey) << "fill outside its frame at " << x << "," << y;
      EXPECT_LT(under.r + under.g + under.b, 200) << "fill over the frame's rim at " << x << "," << y;
    }
  EXPECT_GT(covered, 100 * 12);
  // Even the one-column cut at no energy and the one-row cut at no power
  // show something.
  bool column = false, row = false;
  for (int y = fill.y1; y <= fill.y2; ++y) column |= IsFigure(Sheet(), fill.x1, y);
  for (int x = gauge.x1; x <= gauge.x2; ++x) row |= IsFigure(Sheet(), x, gauge.y2);
  EXPECT_TRUE(column);
  EXPECT_TRUE(row);
}

TEST(SpriteSheet, PointerTipIsItsTopLeftPixel) {
  const SpriteRect& r = R("menu.pointer");
  EXPECT_TRUE(IsFigure(Sheet(), r.x1, r.y1));
}

}  // namespace

namespace {

// The review sheet shows every figure pixel of every rectangle as a 4 x 4
// block on a neutral ground, and never the key itself.
TEST(SpriteSheet, ContactSheetShowsEveryFigureFourTimesOver) {
  const Image contact = datagen::SpriteContactSheet(Sheet());
  long figure = 0;
  for (const SpriteRect& r : kSpriteRects) figure += FigureBox(r).count;
  // Ground, frames and labels are the only other colours on it.
  const Rgb ground = contact.Get(0, 0), frame{70, 74, 82}, label{220, 220, 200};
  long shown = 0;
  for (int y = 0; y < contact.height; ++y)
    for (int x = 0; x < contact.width; ++x) {
      const Rgb c = contact.Get(x, y);
      ASSERT_FALSE(c == kKey) << x << "," << y;
      shown += !(c == ground) && !(c == frame) && !(c == label);
    }
  EXPECT_EQ(shown, figure * 16);
}

}  // namespace
