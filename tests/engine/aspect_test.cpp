// The picture in 4:3: where it lands in an output, and how it is drawn there
// (whole factors where they reach the size, else the largest whole factors
// and then smoothly), checked pixel by pixel against its source.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kestrel/platform/frame_clock.h"
#include "kestrel/platform/scale.h"

using namespace kestrel::platform;

namespace {

// In 4:3 the largest size of the shape that fits, whole steps or not; square
// pixels stop at the largest whole multiple.
TEST(Aspect, APictureFillsTheLargestSizeOfItsShape) {
  const struct {
    int ow, oh;
    Aspect aspect;
    Placement at;
  } cases[] = {
      {640, 480, Aspect::FourThree, {0, 0, 640, 480}},
      {700, 500, Aspect::FourThree, {17, 0, 666, 500}},
      {1600, 1200, Aspect::FourThree, {0, 0, 1600, 1200}},
      {1920, 1080, Aspect::FourThree, {240, 0, 1440, 1080}},
      {1280, 1024, Aspect::FourThree, {0, 32, 1280, 960}},
      {1920, 1080, Aspect::Square, {160, 40, 1600, 1000}},
      {700, 500, Aspect::Square, {30, 50, 640, 400}},
      // Smaller than one step: shrunk, keeping the 4:3 shape.
      {300, 200, Aspect::FourThree, {17, 0, 266, 200}},
  };
  for (const auto& c : cases) EXPECT_EQ(Letterbox(c.ow, c.oh, 320, 200, c.aspect), c.at) << c.ow << "x" << c.oh;
  int32_t w = 0, h = 0;
  ShapedSize(320, 200, Aspect::FourThree, 2, w, h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  ShapedSize(320, 200, Aspect::Square, 3, w, h);
  EXPECT_EQ(h, 600);
}

// A 320 x 200 picture whose every pixel tells its place: red the row, green
// and blue the column.
std::vector<uint32_t> Source() {
  std::vector<uint32_t> src(320 * 200);
  for (uint32_t y = 0; y < 200; ++y)
    for (uint32_t x = 0; x < 320; ++x) src[y * 320 + x] = y << 16 | (x & 255) << 8 | x >> 8;
  return src;
}

uint32_t Red(uint32_t p) { return p >> 16 & 255; }

// Whole factors that reach the size give exact blocks; 5 x 6 is 4:3. Where
// they do not, every column is still exact (the width is a whole multiple),
// and each output row is a picture row whole, or a mix of two neighbours
// that lies between them; every picture row shows whole, in order, taking
// its share of the height.
TEST(Aspect, RowsStayWholeWhereTheyCanAndBlendBetween) {
  const std::vector<uint32_t> src = Source();
  const auto* bytes = reinterpret_cast<const uint8_t*>(src.data());
  std::vector<uint8_t> scratch;
  const struct {
    int w, h;
    bool exact;
  } cases[] = {{1600, 1200, true}, {640, 400, true}, {640, 480, false}, {1280, 960, false}, {320, 240, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    std::vector<uint32_t> out(size_t(c.w) * size_t(c.h), 0xFF000000);
    ScaleShapedToXrgb(bytes, 320 * 4, 32, 320, 200, reinterpret_cast<uint8_t*>(out.data()), c.w * 4, c.w, c.h, scratch);
    const int fx = c.w / 320;
    std::vector<int> wholeRows(200, 0);
    int lastWhole = -1;
    for (int y = 0; y < c.h; ++y) {
      const uint32_t* row = &out[size_t(y) * size_t(c.w)];
      const uint32_t r = Red(row[0]);
      bool whole = true;
      for (int x = 0; x < c.w; ++x) {
        // Columns are whole everywhere, and the X byte is clear.
        ASSERT_EQ(row[x] & 0xFF00FFFF, src[x / fx] & 0xFF00FFFF) << "column " << x << " of row " << y;
        whole = whole && row[x] == src[r * 320 + uint32_t(x / fx)];
      }
      if (c.exact) ASSERT_EQ(r, uint32_t(y * 200 / c.h)) << "row " << y;
      if (whole) {
        ASSERT_GE(int(r), lastWhole) << "row " << y << " out of order";
        lastWhole = int(r);
        ++wholeRows[r];
      } else {
        // A mix: red between the rows whole above and below it.
        ASSERT_GE(int(r), lastWhole) << "row " << y;
        ASSERT_LE(int(r), lastWhole + 1) << "row " << y;
      }
    }
    for (int r = 0; r < 200; ++r) ASSERT_GE(wholeRows[size_t(r)], 1) << "picture row " << r << " shows nowhere whole";
    if (c.exact)
      for (int r = 0; r < 200; ++r) ASSERT_EQ(wholeRows[size_t(r)], c.h / 200);
  }
}

// Two equal neighbours mixed in any share give their own colour; unequal
// ones something between, weighted by the distance.
TEST(Aspect, ASmoothResizeMixesNeighboursByDistance) {
  const uint32_t src[2] = {0x000000, 0xFFFFFF};
  uint32_t out[4] = {};
  SmoothXrgb(reinterpret_cast<const uint8_t*>(src), 8, 2, 1, reinterpret_cast<uint8_t*>(out), 16, 4, 1);
  // Centres of 4 over 2: -0.25 and 1.25 take the edges; 0.25 and 0.75 mix.
  EXPECT_EQ(out[0], 0x000000u);
  EXPECT_EQ(out[1], 0x3F3F3Fu);
  EXPECT_EQ(out[2], 0xBFBFBFu);
  EXPECT_EQ(out[3], 0xFFFFFFu);
  const uint32_t flat[4] = {0x123456, 0x123456, 0x123456, 0x123456};
  uint32_t tall[3 * 7] = {};
  SmoothXrgb(reinterpret_cast<const uint8_t*>(flat), 8, 2, 2, reinterpret_cast<uint8_t*>(tall), 12, 3, 7);
  for (uint32_t p : tall) EXPECT_EQ(p, 0x123456u);
}

// Vsync waits for the screen: it keeps the game's pace only where the screen
// runs at it.
TEST(Vsync, IsOnlyWhereTheScreenRunsAtTheGamesOwnRate) {
  const struct {
    int screen, game;
    bool on;
  } cases[] = {{60, 60, true}, {59, 60, true},   {61, 60, true},  {58, 60, false}, {62, 60, false}, {60, 85, false},
               {85, 85, true}, {144, 60, false}, {75, 60, false}, {0, 60, false},  {120, 85, false}};
  for (const auto& c : cases) EXPECT_EQ(VsyncKeepsPace(c.screen, c.game), c.on) << c.screen << " Hz, " << c.game;
}

}  // namespace
