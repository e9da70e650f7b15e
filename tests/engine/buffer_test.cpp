#include <random>
#include <vector>

#include "../support/headless_fixture.h"

namespace kestrel::testing {
namespace {

class Buffer : public HeadlessTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    InstallDepth(GetParam());
    context_ = std::make_unique<TSelfExKestrel>(640, 400, "test", 256);
  }
  void TearDown() override {
    context_.reset();
    HeadlessTest::TearDown();
  }
  std::unique_ptr<TBuffer64> Make(int w, int h) { return std::make_unique<TBuffer64>(*context_, w, h, false); }
  // A colour that tells (x, y) apart from its neighbours at every depth.
  static uint32_t Pattern(int x, int y) {
    return MakeColor(uint8_t(8 + (x * 8) % 240), uint8_t(8 + (y * 8) % 240), uint8_t(64 + ((x + y) % 4) * 32));
  }
  static void Paint(TBuffer64& b) {
    for (int y = 0; y < b.Height; ++y)
      for (int x = 0; x < b.Width; ++x) b.HLine(x, x, y, Pattern(x, y));
  }
  std::unique_ptr<TKestrel> context_;
};

TEST_P(Buffer, NewAndResizedBuffersAreBlackAndSameSizeKeepsPixels) {
  auto b = Make(17, 9);
  EXPECT_EQ(b->Width, 17);
  EXPECT_EQ(b->Pitch, 17 * b->BytesPerPixel);  // rows are unpadded
  EXPECT_EQ(b->BitsPerPixel, GetParam() == 15 ? 16 : GetParam());
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 17; ++x) ASSERT_EQ(b->GetPixel(x, y), 0u);
  Paint(*b);
  EXPECT_EQ(b->SetSize(17, 9, false), 0);
  EXPECT_EQ(b->GetPixel(16, 8), Pattern(16, 8));
  EXPECT_EQ(b->SetSize(5, 30, false), 0);
  EXPECT_EQ(b->Width, 5);
  EXPECT_EQ(b->Height, 30);
  EXPECT_EQ(b->Rows.size(), 30u);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(b->GetPixel(x, y), 0u);
}

TEST_P(Buffer, ImpossibleSizesAreRefusedNotCrashed) {
  EXPECT_EQ(ExpectReport([&] { Make(0, 10); }),
            "[TBuffer64]CreateSurface -> One or more of the parameters passed to the function are incorrect.");
  EXPECT_EQ(ExpectReport([&] { Make(10, -3); }),
            "[TBuffer64]CreateSurface -> One or more of the parameters passed to the function are incorrect.");
  EXPECT_EQ(ExpectReport([&] { Make(100000, 100000); }),
            "[TBuffer64]CreateSurface -> DirectDraw does not have enough memory to perform the operation.");
  auto b = Make(4, 4);
  EXPECT_EQ(b->SetSize(0, 4, false), -1);
  EXPECT_EQ(b->SetSize(60000, 60000, false), -1);
  // An emptied buffer reads as black and draws nothing.
  EXPECT_EQ(b->GetPixel(0, 0), 0u);
  b->HLine(0, 3, 0, 1);
  EXPECT_EQ(b->SetSize(4, 4, false), 0);
}

TEST_P(Buffer, DrawClipsAtEveryEdge) {
  auto src = Make(320, 200), dst = Make(320, 200);
  Paint(*src);
  src->Draw(*dst, -10, 5);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) {
      const uint32_t want = (x <= 309 && y >= 5) ? Pattern(x + 10, y - 5) : 0u;
      ASSERT_EQ(dst->GetPixel(x, y), want) << x << "," << y;
    }
  auto empty = Make(320, 200);
  src->Draw(*empty, 320, 0);
  src->Draw(*empty, -320, 0);
  src->Draw(*empty, 0, 200);
  src->Draw(*empty, 0, -200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) ASSERT_EQ(empty->GetPixel(x, y), 0u);
  // Bottom-right overhang.
  auto small = Make(8, 6);
  Paint(*small);
  auto d2 = Make(10, 10);
  small->Draw(*d2, 5, 7);
  EXPECT_EQ(d2->GetPixel(5, 7), Pattern(0, 0));
  EXPECT_EQ(d2->GetPixel(9, 9), Pattern(4, 2));
  EXPECT_EQ(d2->GetPixel(4, 9), 0u);
}

TEST_P(Buffer, DrawRectCornersAndCuts) {
  auto src = Make(20, 20);
  Paint(*src);
  auto a = Make(20, 20), b = Make(20, 20);
  src->DrawRect(*a, 5, 7, 2, 3, 1, 1);
  src->DrawRect(*b, 2, 3, 5, 7, 1, 1);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      ASSERT_EQ(a->GetPixel(x, y), b->GetPixel(x, y));
      const bool inside = x >= 1 && x <= 4 && y >= 1 && y <= 5;
      ASSERT_EQ(a->GetPixel(x, y), inside ? Pattern(x + 1, y + 2) : 0u) << x << "," << y;
    }
  // A corner cut at the source's left edge is not compensated by a shift.
  auto c = Make(20, 20);
  src->DrawRect(*c, -4, 0, 3, 0, 10, 10);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(c->GetPixel(x, 10), (x >= 10 && x <= 13) ? Pattern(x - 10, 0) : 0u) << x;
  auto one = Make(20, 20);
  src->DrawRect(*one, 6, 6, 6, 6, 0, 0);
  EXPECT_EQ(one->GetPixel(0, 0), Pattern(6, 6));
  EXPECT_EQ(one->GetPixel(1, 0), 0u);
  EXPECT_EQ(one->GetPixel(0, 1), 0u);
  // Negative destination: the rectangle starts further in.
  auto neg = Make(20, 20);
  src->DrawRect(*neg, 0, 0, 9, 9, -3, -2);
  EXPECT_EQ(neg->GetPixel(0, 0), Pattern(3, 2));
  EXPECT_EQ(neg->GetPixel(6, 7), Pattern(9, 9));
  EXPECT_EQ(neg->GetPixel(7, 7), 0u);
}

TEST_P(Buffer, AnyRectangleAnywhereStaysInsideBothPictures) {
  // Every destination pixel either keeps its fill or holds some source pixel;
  // the sanitizers see any read or write outside the two pictures.
  auto src = Make(23, 17);
  Paint(*src);
  auto dst = Make(19, 13);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(-40, 60);
  const uint32_t fill = MakeColor(10, 250, 10);
  for (int i = 0; i < 3000; ++i) {
    dst->Clear(fill);
    const int x1 = coord(rng), y1 = coord(rng), x2 = coord(rng), y2 = coord(rng), dx = coord(rng), dy = coord(rng);
    if (i % 3 == 0) src->DrawRect(*dst, x1, y1, x2, y2, dx, dy);
    else if (i % 3 == 1) src->DrawRectKeyed(*dst, x1, y1, x2, y2, dx, dy, Pattern(1, 1));
    else src->Draw(*dst, dx, dy);
    for (int y = 0; y < dst->Height; ++y)
      for (int x = 0; x < dst->Width; ++x) {
        const uint32_t p = dst->GetPixel(x, y);
        if (p == fill) continue;
        bool found = false;
        for (int sy = 0; sy < src->Height && !found; ++sy)
          for (int sx = 0; sx < src->Width && !found; ++sx) found = src->GetPixel(sx, sy) == p;
        ASSERT_TRUE(found) << "case " << i;
      }
  }
  // Extreme coordinates do not overflow into a copy.
  dst->Clear(fill);
  src->DrawRect(*dst, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
  src->DrawRect(*dst, 0, 0, INT32_MAX, INT32_MAX, INT32_MAX, 0);
  src->Draw(*dst, INT32_MAX, INT32_MAX);
  src->Draw(*dst, INT32_MIN, INT32_MIN);
}

TEST_P(Buffer, KeyedCopiesSkipExactlyTheKey) {
  const uint32_t key = MakeColor(232, 252, 252);
  auto src = Make(4, 1), dst = Make(4, 1);
  src->HLine(0, 3, 0, key);
  src->HLine(1, 1, 0, MakeColor(200, 10, 10));
  // One bit off the key is a different colour and is copied.
  const uint32_t nearKey = key ^ 1u;
  src->HLine(2, 2, 0, nearKey);
  const uint32_t under = MakeColor(20, 40, 60);
  dst->Clear(under);
  src->DrawKeyed(*dst, 0, 0, key);
  EXPECT_EQ(dst->GetPixel(0, 0), under);
  EXPECT_EQ(dst->GetPixel(1, 0), MakeColor(200, 10, 10));
  EXPECT_EQ(dst->GetPixel(2, 0), nearKey);
  EXPECT_EQ(dst->GetPixel(3, 0), under);
  EXPECT_TRUE(src->Surface->HasColorKey());
  EXPECT_EQ(src->Surface->ColorKey(), key);
  // A key no pixel has copies everything.
  dst->Clear(under);
  src->DrawRectKeyed(*dst, 0, 0, 3, 0, 0, 0, MakeColor(1, 128, 1));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(dst->GetPixel(x, 0), src->GetPixel(x, 0));
}

// A keyed copy of a buffer onto itself reads every source pixel before it is
// overwritten, whichever way the rectangles overlap: with no key pixel it is
// the unkeyed copy, and key pixels leave what was there before the copy.
TEST_P(Buffer, KeyedCopyOntoItselfIsACopyThroughASpareBuffer) {
  const uint32_t key = MakeColor(232, 252, 252);
  const uint32_t absent = MakeColor(1, 129, 3);
  for (int dy : {-1, 0, 1})
    for (int dx : {-9, -3, -1, 0, 1, 3, 9}) {
      auto keyed = Make(48, 6), plain = Make(48, 6);
      Paint(*keyed);
      // Every fifth pixel is the key.
      for (int y = 0; y < 6; ++y)
        for (int x = (y * 2) % 5; x < 48; x += 5) keyed->HLine(x, x, y, key);
      keyed->Draw(*plain, 0, 0);
      std::vector<uint32_t> before(48 * 6);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 48; ++x) before[size_t(y * 48 + x)] = keyed->GetPixel(x, y);
      // The source (12, 1)-(35, 4) lands at (12 + dx, 1 + dy).
      keyed->DrawRectKeyed(*keyed, 12, 1, 35, 4, 12 + dx, 1 + dy, key);
      plain->DrawRect(*plain, 12, 1, 35, 4, 12 + dx, 1 + dy);
      auto unkeyed = Make(48, 6);
      plain->Draw(*unkeyed, 0, 0);
      // The same copy with a key no pixel has gives the unkeyed picture.
      auto again = Make(48, 6);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 48; ++x) again->HLine(x, x, y, before[size_t(y * 48 + x)]);
      again->DrawRectKeyed(*again, 12, 1, 35, 4, 12 + dx, 1 + dy, absent);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 48; ++x) {
          const int sx = x - dx, sy = y - dy;
          const bool inside = sx >= 12 && sx <= 35 && sy >= 1 && sy <= 4;
          const uint32_t src = inside ? before[size_t(sy * 48 + sx)] : key;
          const uint32_t want = src == key ? before[size_t(y * 48 + x)] : src;
          ASSERT_EQ(keyed->GetPixel(x, y), want) << "dx " << dx << " dy " << dy << " at " << x << "," << y;
          ASSERT_EQ(again->GetPixel(x, y), unkeyed->GetPixel(x, y)) << "dx " << dx << " dy " << dy;
        }
    }
}

TEST_P(Buffer, MirrorTwiceRestoresAndKeepsTheMiddle) {
  auto b = Make(7, 3);
  Paint(*b);
  b->Mirror();
  for (int x = 0; x < 7; ++x) EXPECT_EQ(b->GetPixel(x, 1), Pattern(6 - x, 1));
  EXPECT_EQ(b->GetPixel(3, 2), Pattern(3, 2));
  b->Mirror();
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(b->GetPixel(x, y), Pattern(x, y));
}

TEST_P(Buffer, LinesAndRectanglesClipSideBySide) {
  const uint32_t c = MakeColor(250, 200, 40);
  auto b = Make(40, 40);
  EXPECT_EQ(b->GetPixel(40, 0), 0u);
  EXPECT_EQ(b->GetPixel(-1, 0), 0u);
  EXPECT_EQ(b->GetPixel(0, 40), 0u);
  b->HLine(10, 5, 3, c);
  for (int x = 0; x < 40; ++x) EXPECT_EQ(b->GetPixel(x, 3), (x >= 5 && x <= 10) ? c : 0u) << x;
  b->HLine(-5, 2, 4, c);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b->GetPixel(x, 4), x <= 2 ? c : 0u);
  b->HLine(39, 50, 5, c);
  EXPECT_EQ(b->GetPixel(39, 5), c);
  EXPECT_EQ(b->GetPixel(38, 5), 0u);
  b->HLine(40, 43, 6, c);
  for (int x = 0; x < 40; ++x) EXPECT_EQ(b->GetPixel(x, 6), 0u);
  b->VLine(-5, 45, 20, c);
  for (int y = 0; y < 40; ++y) EXPECT_EQ(b->GetPixel(20, y), c);

  auto r = Make(40, 40);
  r->Rectangle(0, 0, 0, 0, c);
  EXPECT_EQ(r->GetPixel(0, 0), c);
  EXPECT_EQ(r->GetPixel(1, 0), 0u);
  r->Clear(0);
  r->Rectangle(20, 30, -10, 5, c);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool on = ((y == 5 || y == 30) && x <= 20) || (x == 20 && y >= 5 && y <= 30);
      ASSERT_EQ(r->GetPixel(x, y), on ? c : 0u) << x << "," << y;
    }
}

TEST_P(Buffer, WideAndNarrowFillsAgreeAndStopAtTheRunEnd) {
  const uint32_t c = MakeColor(123, 45, 67), guard = MakeColor(9, 250, 9);
  const bool had = HasMMX;
  for (int start = 0; start < 4; ++start)
    for (int n = 1; n <= 11; ++n) {
      std::vector<uint32_t> results[2];
      for (int wide = 0; wide < 2; ++wide) {
        HasMMX = wide == 1;
        auto b = Make(20, 1);
        b->Clear(guard);
        b->HLine(start, start + n - 1, 0, c);
        for (int x = 0; x < 20; ++x) results[wide].push_back(b->GetPixel(x, 0));
        for (int x = 0; x < 20; ++x)
          ASSERT_EQ(results[wide][size_t(x)], (x >= start && x < start + n) ? c : guard) << start << " " << n;
      }
      EXPECT_EQ(results[0], results[1]);
    }
  HasMMX = had;
}

// The pause's dimmed picture: every component of every pixel halves, as the
// depth holds it, to the last row and column; black stays black.
TEST_P(Buffer, DimHalvesEveryComponentOfEveryPixel) {
  auto b = Make(13, 7);
  Paint(*b);
  b->HLine(0, 12, 6, MakeColor(255, 255, 255));
  b->HLine(0, 3, 0, 0);
  auto before = Make(13, 7);
  b->Draw(*before, 0, 0);
  b->Dim();
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) {
      uint8_t r = 0, g = 0, bl = 0;
      UnpackColor(before->GetPixel(x, y), r, g, bl);
      ASSERT_EQ(b->GetPixel(x, y), MakeColor(r / 2, g / 2, bl / 2)) << x << "," << y;
    }
  EXPECT_EQ(b->GetPixel(0, 0), 0u);
  uint8_t r = 0, g = 0, bl = 0;
  UnpackColor(b->GetPixel(12, 6), r, g, bl);
  EXPECT_TRUE(r >= 120 && r <= 128 && g >= 120 && g <= 128 && bl >= 120 && bl <= 128) << int(r) << " " << int(g);
}

INSTANTIATE_TEST_SUITE_P(AllDepths, Buffer, ::testing::Values(15, 16, 24, 32));

TEST_F(HeadlessTest, TwentyFourBitPixelsHoldTheirBytesInOrder) {
  InstallDepth(24);
  TSelfExKestrel ctx(640, 400, "test", 256);
  TBuffer64 b(ctx, 8, 8, false);
  b.HLine(0, 3, 2, 0x123456);
  b.VLine(0, 7, 6, 0x123456);
  const uint8_t* p = b.Rows[2];
  EXPECT_EQ(p[0], 0x56);
  EXPECT_EQ(p[1], 0x34);
  EXPECT_EQ(p[2], 0x12);
  EXPECT_EQ(b.Rows[5][18], 0x56);
  EXPECT_EQ(b.GetPixel(1, 2), 0x123456u);
  EXPECT_EQ(b.GetPixel(6, 7), 0x123456u);
  EXPECT_EQ(b.GetPixel(4, 2), 0u);
}

}  // namespace
}  // namespace kestrel::testing
