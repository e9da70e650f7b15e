// The figure painter under the sprite sheet: transforms, limb joints,
// primitive coverage, and the shading and outline pass.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/datagen/sprites_paint.h"

namespace {

using datagen::Image;
using datagen::kKey;
using datagen::Rgb;
using namespace datagen::sprites;

void ExpectNear(Pt a, Pt b) {
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
}

TEST(SpritePaint, TransformsTurnClockwiseMirrorAndInvert) {
  // y grows downwards: a quarter turn clockwise takes right to down.
  ExpectNear(Xform::Rotate(90, 0, 0).Apply({1, 0}), {0, 1});
  ExpectNear(Xform::Rotate(90, 10, 10).Apply({10, 10}), {10, 10});
  ExpectNear(Xform::MirrorX(5).Apply({7, 3}), {3, 3});
  const Xform x = Xform::Rotate(33, 4, 9).Then(Xform::Translate(-2, 5)).Then(Xform::MirrorX(1.5));
  ExpectNear(x.Inverse().Apply(x.Apply({12.25, -3.5})), {12.25, -3.5});
  // Then applies the left transform first.
  ExpectNear(Xform::Translate(1, 0).Then(Xform::Rotate(90, 0, 0)).Apply({0, 0}), {0, 1});
}

TEST(SpritePaint, JointKeepsLimbLengthsAndBendsToTheAskedSide) {
  const Pt hip{10, 10}, foot{12, 21};
  const Pt fwd = Joint(hip, foot, 6, 6, -1), back = Joint(hip, foot, 6, 6, 1);
  for (Pt k : {fwd, back}) {
    EXPECT_NEAR(std::hypot(k.x - hip.x, k.y - hip.y), 6, 1e-6);
    EXPECT_NEAR(std::hypot(foot.x - k.x, foot.y - k.y), 6, 1e-6);
  }
  EXPECT_GT(fwd.x, back.x);  // a knee bent with -1 points forward, to the right
  // Out of reach: the limb lies straight towards the end.
  const Pt straight = Joint({0, 0}, {0, 30}, 5, 5, 1);
  EXPECT_NEAR(straight.x, 0, 1e-3);
  EXPECT_NEAR(straight.y, 5, 1e-3);
}

// Draws onto a key-filled picture and reports which pixels changed.
Image Rendered(const Figure& f, bool mirror = false) {
  Image img(f.Width(), f.Height(), kKey);
  f.Render(img, 0, 0, mirror);
  return img;
}

TEST(SpritePaint, BoxCoversItsInclusiveCornersAndMirrorsExactly) {
  Figure f(12, 8);
  f.NoOutline();
  Ink ink = f.Flat({10, 20, 30});
  f.Box(2, 1, 4, 5, ink);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x) EXPECT_EQ(f.At(x, y) != 0, x >= 2 && x <= 4 && y >= 1 && y <= 5) << x << "," << y;

  // The same shapes drawn through a mirror transform land as the mirror image.
  Figure a(15, 11), b(15, 11);
  for (Figure* g : {&a, &b}) {
    Ink i = g->Flat({200, 40, 40});
    if (g == &b) g->xf = Xform::MirrorX(7.5);
    g->Circle(4.3, 5.1, 3.2, i);
    g->Capsule(2, 9, 11, 2, 1.2, 0.6, i);
    g->Polygon({{9, 1}, {14, 3}, {10, 8}}, i);
  }
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 15; ++x) ASSERT_EQ(a.At(x, y) != 0, b.At(14 - x, y) != 0) << x << "," << y;
  // Render's own mirror agrees too.
  const Image ra = Rendered(a, true), rb = Rendered(b);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 15; ++x) ASSERT_EQ(ra.Get(x, y) == kKey, rb.Get(x, y) == kKey) << x << "," << y;
}

TEST(SpritePaint, RenderShadesFromTheUpperLeftAndOutlinesOutside) {
  Figure f(9, 9);
  const Rgb dark{40, 0, 0}, mid{120, 0, 0}, light{200, 0, 0}, line{5, 5, 5};
  f.SetOutline(line);
  Ink m = f.Material(dark, mid, light);
  f.Box(2, 2, 6, 6, m);
  const Image img = Rendered(f);
  EXPECT_EQ(img.Get(2, 4), light);  // left edge
  EXPECT_EQ(img.Get(4, 2), light);  // top edge
  EXPECT_EQ(img.Get(6, 4), dark);   // right edge
  EXPECT_EQ(img.Get(4, 6), dark);   // bottom edge
  EXPECT_EQ(img.Get(4, 4), mid);
  // The outline rings the box on the four sides, not at the diagonals.
  EXPECT_EQ(img.Get(1, 4), line);
  EXPECT_EQ(img.Get(7, 4), line);
  EXPECT_EQ(img.Get(4, 1), line);
  EXPECT_EQ(img.Get(4, 7), line);
  EXPECT_EQ(img.Get(1, 1), kKey);
  EXPECT_EQ(img.Get(0, 4), kKey);
}

TEST(SpritePaint, RenderNeverWritesAColourThatPacksToTheKey) {
  Figure f(4, 1);
  f.NoOutline();
  f.Box(0, 0, 0, 0, f.Flat(kKey));
  f.Box(1, 0, 1, 0, f.Flat({235, 250, 249}));
  f.Box(2, 0, 2, 0, f.Flat({232, 253, 255}));
  const Image img = Rendered(f);
  for (int x = 0; x < 3; ++x) EXPECT_FALSE(datagen::PacksToKey(img.Get(x, 0))) << x;
  EXPECT_EQ(img.Get(3, 0), kKey);
}

TEST(SpritePaint, PlaceSetsTheLowestAndLeftmostPixel) {
  Figure f(40, 40);
  Ink i = f.Flat({50, 60, 70});
  auto draw = [&](Figure& g) { g.Capsule(5, 3, 5, 20, 1.5, 1.5, i); };
  f.Place(Xform::Rotate(70, 5, 20), 3, 30, draw);
  const Figure::Bounds b = f.Extent();
  EXPECT_EQ(b.y1, 30);
  EXPECT_EQ(b.x0, 3);
  EXPECT_GT(b.x1 - b.x0, b.y1 - b.y0);  // lying down after a 70-degree turn
}

TEST(SpritePaint, FontPrintsCapitalsForEitherCase) {
  EXPECT_EQ(TextWidth("V3.0"), 23);
  EXPECT_EQ(Glyph('a'), Glyph('A'));
  EXPECT_EQ(Glyph('~'), nullptr);
  Figure f(30, 7);
  Ink i = f.Flat({1, 2, 3});
  Text(f, 0, 0, "I", i);
  // The I's stem is its middle column.
  for (int y = 0; y < 7; ++y) EXPECT_NE(f.At(2, y), 0) << y;
  EXPECT_EQ(f.At(0, 3), 0);
}

}  // namespace
