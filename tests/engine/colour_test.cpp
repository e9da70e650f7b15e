#include <gtest/gtest.h>

#include "kestrel/colour.h"

namespace kestrel {
namespace {

struct DepthGuard {
  explicit DepthGuard(uint8_t d) { ScreenDepth = d; }
  ~DepthGuard() { ScreenDepth = 0; }
};

TEST(Colour, KnownPackings) {
  struct Case {
    uint8_t depth, r, g, b;
    uint32_t packed;
  } cases[] = {
      {15, 232, 252, 252, 0x77FF},
      {16, 232, 252, 252, 0xEFFF},
      {24, 232, 252, 252, 0xE8FCFC},
      {32, 232, 252, 252, 0xE8FCFC},
      {15, 255, 255, 255, 0x7FFF},
      {16, 255, 255, 255, 0xFFFF},
      {24, 255, 255, 255, 0xFFFFFF},
      {32, 255, 255, 255, 0xFFFFFF},
      {15, 1, 2, 3, 0},
      {16, 1, 2, 3, 0},
      {16, 7, 3, 7, 0},
      {16, 8, 4, 8, 0x0821},
      {15, 8, 8, 8, 0x0421},
      {32, 1, 2, 3, 0x010203},
  };
  for (const Case& c : cases) {
    DepthGuard g(c.depth);
    EXPECT_EQ(MakeColor(c.r, c.g, c.b), c.packed)
        << int(c.depth) << " " << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
}

TEST(Colour, NothingIsPackedBeforeADisplayExists) {
  for (uint8_t depth : {0, 8, 17}) {
    DepthGuard g(depth);
    EXPECT_EQ(MakeColor(232, 252, 252), 0u);
    EXPECT_EQ(MakeColor(255, 255, 255), 0u);
    uint8_t r = 1, gr = 2, b = 3;
    UnpackColor(0xFFFF, r, gr, b);
    EXPECT_EQ(r, 1);  // left as they were
    EXPECT_EQ(gr, 2);
    EXPECT_EQ(b, 3);
  }
}

TEST(Colour, UnpackWidensThroughTheTables) {
  uint8_t r, g, b;
  {
    DepthGuard d(15);
    UnpackColor(MakeColor(232, 252, 252), r, g, b);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(238, 255, 255));
  }
  {
    DepthGuard d(16);
    UnpackColor(MakeColor(232, 252, 252), r, g, b);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(238, 255, 255));
    UnpackColor(MakeColor(0, 0, 212), r, g, b);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(0, 0, 213));
  }
  for (uint8_t depth : {15, 16, 24, 32}) {
    DepthGuard d(depth);
    UnpackColor(MakeColor(255, 255, 255), r, g, b);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(255, 255, 255)) << int(depth);
  }
}

TEST(Colour, ExpansionTablesFollowTheirRule) {
  for (int i = 0; i < 32; ++i) EXPECT_EQ(Expand5[i], i * 255 / 31) << i;
  for (int i = 0; i < 64; ++i) EXPECT_EQ(Expand6[i], i * 255 / 63) << i;
}

TEST(Colour, EveryComponentKeepsItsHighBitsAndNeverBleeds) {
  // Packing one channel at a time must leave the others zero and keep the
  // top bits of that channel, at every value.
  for (uint8_t depth : {15, 16}) {
    DepthGuard d(depth);
    const int gbits = depth == 16 ? 6 : 5;
    for (int v = 0; v < 256; ++v) {
      const uint32_t red = MakeColor(uint8_t(v), 0, 0), green = MakeColor(0, uint8_t(v), 0),
                     blue = MakeColor(0, 0, uint8_t(v));
      EXPECT_EQ(blue, uint32_t(v >> 3));
      EXPECT_EQ(green, uint32_t(v >> (8 - gbits)) << 5);
      EXPECT_EQ(red, uint32_t(v >> 3) << (5 + gbits));
      EXPECT_EQ(MakeColor(uint8_t(v), uint8_t(v), uint8_t(v)), red | green | blue);
    }
    EXPECT_LT(MakeColor(255, 255, 255), depth == 15 ? 0x8000u : 0x10000u);
  }
}

}  // namespace
}  // namespace kestrel
