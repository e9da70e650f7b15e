// The backdrop sheet, the loading screen and the font painted into them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "tools/datagen/backdrops.h"
#include "tools/datagen/backdrops_paint.h"
#include "tools/datagen/datagen.h"
#include "tools/datagen/encode.h"
#include "tools/datagen/font.h"

namespace datagen {
namespace {

const Image& Sheet() {
  static const Image sheet = BuildBackdropSheet();
  return sheet;
}

// How the engine packs a colour at 15 and 16 bits: each channel truncated.
uint32_t Pack16(Rgb c) { return (c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3; }
uint32_t Pack15(Rgb c) { return (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3; }
bool LooksLikeKey(Rgb c) {
  return Pack16(c) == Pack16(kKey) || Pack15(c) == Pack15(kKey) ||
         (std::abs(c.r - kKey.r) <= 6 && std::abs(c.g - kKey.g) <= 6 && std::abs(c.b - kKey.b) <= 6);
}

double Luma(Rgb c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

// Every top-left corner the game cuts a 320 x 200 picture from.
const std::pair<int, int> kCutCorners[] = {
    {1, 1},     {647, 1},  // help page, menu backdrop
    {324, 1},   {324, 407}, {324, 610},  {647, 407}, {647, 610},  {647, 813},
    {324, 813}, {1, 813},   {1, 1016},   {1, 610},   {324, 1016},  // story pages 1..11
    {1, 407},   {1, 1219},  {647, 1016},                           // game over, before stages 1 and 5
    {1, 204},   {324, 204}, {647, 204},                            // far backgrounds
};

TEST(BackdropSheet, SizeGridAndGutters) {
  const Image& s = Sheet();
  ASSERT_EQ(s.width, kBackdropSheetWidth);
  ASSERT_EQ(s.height, kBackdropSheetHeight);
  ASSERT_EQ(s.rgb.size(), size_t(969) * 1420 * 3);

  std::set<std::pair<int, int>> used;
  for (const BackdropCell& c : BackdropLayout()) {
    EXPECT_NE(std::find(kBackdropColumns.begin(), kBackdropColumns.end(), c.x), kBackdropColumns.end()) << c.name;
    EXPECT_NE(std::find(kBackdropRows.begin(), kBackdropRows.end(), c.y), kBackdropRows.end()) << c.name;
    EXPECT_TRUE(used.insert({c.x, c.y}).second) << c.name << " shares its cell";
  }
  // Everything outside the pictures is gutter.
  auto inPicture = [&](int x, int y) {
    for (const BackdropCell& c : BackdropLayout())
      if (x >= c.x && x < c.x + kPictureWidth && y >= c.y && y < c.y + kPictureHeight) return true;
    return false;
  };
  int stray = 0;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      if (!inPicture(x, y) && !(s.Get(x, y) == kGutter)) ++stray;
  EXPECT_EQ(stray, 0);
}

// A misplaced or missing picture shows up as a flat cell.
TEST(BackdropSheet, EveryCutRectangleHoldsAPicture) {
  const Image& s = Sheet();
  for (auto [x0, y0] : kCutCorners) {
    bool listed = false;
    for (const BackdropCell& c : BackdropLayout()) listed |= c.x == x0 && c.y == y0;
    EXPECT_TRUE(listed) << x0 << "," << y0;
    double sum = 0, sq = 0;
    int n = 0;
    for (int y = y0; y < y0 + kPictureHeight; ++y)
      for (int x = x0; x < x0 + kPictureWidth; ++x) {
        double l = Luma(s.Get(x, y));
        sum += l, sq += l * l, ++n;
      }
    double mean = sum / n, sd = std::sqrt(sq / n - mean * mean);
    EXPECT_GT(sd, 6.0) << "flat picture at " << x0 << "," << y0;
    EXPECT_GT(mean, 8.0) << "black picture at " << x0 << "," << y0;
  }
}

TEST(BackdropSheet, IsDeterministic) {
  EXPECT_EQ(BuildBackdropSheet().rgb, Sheet().rgb);
  EXPECT_EQ(BuildLoadingPicture().rgb, BuildLoadingPicture().rgb);
}

// The help page is drawn keyed over the menu; no pixel of it may turn
// transparent, neither as painted nor after the sheet's JPEG round trip.
TEST(BackdropSheet, HelpPageNeverMatchesTheKey) {
  auto countKeyLike = [](const Image& img) {
    int n = 0;
    for (int y = 1; y < 1 + kPictureHeight; ++y)
      for (int x = 1; x < 1 + kPictureWidth; ++x) n += LooksLikeKey(img.Get(x, y));
    return n;
  };
  const Image english = BuildBackdropSheet("en");
  for (const Image* sheet : {&Sheet(), &english}) {
    EXPECT_EQ(countKeyLike(*sheet), 0);
    for (int quality : {90, 95}) {
      Image decoded = DecodeJpeg(EncodeJpeg(*sheet, quality));
      ASSERT_EQ(decoded.width, sheet->width);
      EXPECT_EQ(countKeyLike(decoded), 0) << "quality " << quality;
    }
  }
}

// The game writes its story lines in near-white over the pictures, so the
// bands under them stay dark.
TEST(BackdropSheet, StoryTextBandsStayDark) {
  const Image& s = Sheet();
  int bands = 0;
  for (const BackdropCell& c : BackdropLayout())
    for (const TextBand& b : c.text) {
      ++bands;
      double sum = 0;
      int bright = 0, n = 0;
      for (int y = b.y; y < b.y + 16; ++y)
        for (int x = b.x; x < std::min(b.x + b.width, kPictureWidth); ++x) {
          double l = Luma(s.Get(c.x + x, c.y + y));
          sum += l, ++n, bright += l > 160;
        }
      EXPECT_LT(sum / n, 70.0) << c.name << " line at y " << b.y;
      EXPECT_LT(bright, n / 50) << c.name << " line at y " << b.y;
    }
  EXPECT_EQ(bands, 24);  // the lines of story pages 2 to 10
}

TEST(LoadingScreen, PictureAndBar) {
  Image pic = BuildLoadingPicture();
  EXPECT_EQ(pic.width, 320);
  EXPECT_EQ(pic.height, 200);

  Image bar = BuildLoadingBar();
  ASSERT_EQ(bar.width, 185);
  ASSERT_EQ(bar.height, 58);
  // The bar grows from its left edge: every column the game can show holds
  // some of the band, and nothing in the band is transparent.
  int bandTop = -1, bandBottom = -1;
  for (int y = 0; y < bar.height; ++y) {
    bool any = false;
    for (int x = 0; x < bar.width; ++x) any |= !(bar.Get(x, y) == kKey);
    if (any && bandTop < 0) bandTop = y;
    if (any) bandBottom = y;
  }
  ASSERT_GE(bandTop, 0);
  for (int x = 0; x <= 161; ++x)
    for (int y = bandTop; y <= bandBottom; ++y) ASSERT_FALSE(LooksLikeKey(bar.Get(x, y))) << x << "," << y;
  // Outside the band the bar is exactly the key, so the picture shows.
  for (int y = 0; y < bar.height; ++y) {
    if (y >= bandTop && y <= bandBottom) continue;
    for (int x = 0; x < bar.width; ++x) ASSERT_EQ(bar.Get(x, y), kKey);
  }
  // The loading picture holds a dark trough where the band lands.
  double sum = 0;
  int n = 0;
  for (int y = 136 + bandTop; y <= 136 + bandBottom; ++y)
    for (int x = 128; x <= 128 + 161; ++x) sum += Luma(pic.Get(x, y)), ++n;
  EXPECT_LT(sum / n, 40.0);
  // The bar survives the PNG round trip exactly.
  EXPECT_EQ(DecodePng(EncodePng(bar)).rgb, bar.rgb);
}

TEST(Font, PortugueseLettersAreTheirOwn) {
  using font::RenderText;
  auto same = [](const font::TextMask& a, const font::TextMask& b) { return a.width == b.width && a.on == b.on; };
  const font::TextMask unknown = RenderText("?");
  for (const char* s :
       {"á", "à", "â", "ã", "é", "ê", "í", "ó", "ô", "õ", "ú", "ç", "Á", "À", "Ã", "É", "Í", "Ó", "Ú", "Ç"})
    EXPECT_FALSE(same(RenderText(s), unknown)) << s;
  EXPECT_FALSE(same(RenderText("ç"), RenderText("c")));
  // A capital's accent sits above the capital's top row; a cedilla below the
  // baseline.
  auto rows = [](const font::TextMask& m) {
    int top = m.height, bottom = -1;
    for (int y = 0; y < m.height; ++y)
      for (int x = 0; x < m.width; ++x)
        if (m.At(x, y)) top = std::min(top, y), bottom = std::max(bottom, y);
    return std::pair{top, bottom};
  };
  EXPECT_LT(rows(RenderText("Í")).first, font::kAccentRows);
  EXPECT_EQ(rows(RenderText("I")).first, font::kAccentRows);
  EXPECT_GE(rows(RenderText("Ç")).second, font::kAccentRows + font::kCapHeight);
  // Scale multiplies every dimension.
  EXPECT_EQ(font::TextWidth("NÍVEL 1", 3), font::TextWidth("NÍVEL 1") * 3);
  EXPECT_EQ(font::TextWidth(""), 0);
}

// The painting primitives the pictures are built from.
TEST(Paint, ViewKeepsItsPictureInsideItsCell) {
  Image img(60, 60, {0, 0, 0});
  paint::View v(img, 20, 20, 20, 20);
  paint::FillCircle(v, 10, 10, 40, {255, 255, 255});
  paint::Glow(v, 0, 0, 50, {255, 0, 0}, 1);
  paint::ThickLine(v, -30, -30, 90, 90, 6, {0, 255, 0});
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) {
      if (x >= 20 && x < 40 && y >= 20 && y < 40) continue;
      ASSERT_EQ(img.Get(x, y), (Rgb{0, 0, 0})) << x << "," << y;
    }
  EXPECT_EQ(img.Get(30, 30), (Rgb{0, 255, 0}));
}

// Anti-aliased shapes cover their true area: the summed coverage of a
// polygon on black, painted white, is its area.
TEST(Paint, PolygonCoverageMatchesArea) {
  auto covered = [](const paint::Poly& p) {
    Image img(40, 40, {0, 0, 0});
    paint::View v(img, 0, 0, 40, 40);
    paint::FillPolygon(v, p, {255, 255, 255});
    double sum = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) sum += img.Get(x, y).r / 255.0;
    return sum;
  };
  EXPECT_NEAR(covered({{5.5, 5.25}, {15.5, 5.25}, {15.5, 15.25}, {5.5, 15.25}}), 100.0, 1.0);
  EXPECT_NEAR(covered({{2, 2}, {32, 2}, {2, 22}}), 300.0, 3.0);
  // Either winding fills the same pixels.
  EXPECT_NEAR(covered({{2, 22}, {32, 2}, {2, 2}}), 300.0, 3.0);
}

TEST(Paint, GradientEndsOnItsStops) {
  Image img(4, 50, {0, 0, 0});
  paint::View v(img, 0, 0, 4, 50);
  paint::VerticalGradient(v, 0, 50, {{0, {10, 20, 30}}, {0.5, {200, 100, 0}}, {1, {0, 0, 250}}});
  EXPECT_EQ(img.Get(0, 0), (Rgb{10, 20, 30}));
  EXPECT_EQ(img.Get(3, 49), (Rgb{0, 0, 250}));
  Rgb mid = img.Get(2, 25);
  EXPECT_NEAR(mid.r, 200, 10);
}

TEST(Paint, GeneratorIsSeededAndInRange) {
  paint::Rng a(42), b(42), c(43);
  bool differs = false;
  for (int i = 0; i < 100; ++i) {
    uint32_t x = a.Next();
    EXPECT_EQ(x, b.Next());
    differs |= x != c.Next();
  }
  EXPECT_TRUE(differs);
  bool low = false, high = false;
  for (int i = 0; i < 1000; ++i) {
    int v = a.Int(-2, 2);
    ASSERT_GE(v, -2);
    ASSERT_LE(v, 2);
    low |= v == -2, high |= v == 2;
    double u = a.Uniform();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
  EXPECT_TRUE(low && high);
}

}  // namespace
}  // namespace datagen
