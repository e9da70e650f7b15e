// The display context's window and modes: where a window goes and which
// frame its style selector gives it, the modes a full screen may take, and
// the buffer rules that only show at the seams (memory kind, text colour).
#include "../support/headless_fixture.h"

namespace kestrel::testing {
namespace {

// The client area, not the outer frame, is centred on the screen; the frame
// is the one the selector's style asks for, so it sits right of and below
// the exact centre.
TEST_F(HeadlessTest, TheClientAreaIsCentredInTheFrameItsSelectorGives) {
  struct Row {
    uint16_t selector;
    uint32_t style, exStyle;
  } rows[] = {
      {1, 0x86000000, 0x00040000},   {2, 0x06CF0000, 0x00000180},    {16, 0x06C00000, 0x00040100},
      {256, 0x06C80000, 0x00040100}, {4096, 0x06CA0000, 0x00040100}, {7, 0x06CF0000, 0x00040100},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("selector " + std::to_string(r.selector));
    auto& d = Install();
    TSelfExKestrel ctx(640, 400, "centred", r.selector);
    platform::Rect frame{0, 0, 0, 0};
    d.AdjustWindowRectEx(frame, r.style, r.exStyle);
    const platform::Point origin = d.ClientToScreen(ctx.Handle, platform::Point{0, 0});
    EXPECT_EQ(origin.x, (1280 - 640) / 2 - frame.left);
    EXPECT_EQ(origin.y, (1024 - 400) / 2 - frame.top);
    EXPECT_EQ(d.GetClientRect(ctx.Handle).Width(), 640);
    EXPECT_EQ(d.GetClientRect(ctx.Handle).Height(), 400);
  }
}

// Eight bits or fewer are never taken, even from a driver that offers them.
TEST_F(HeadlessTest, AnOfferedEightBitModeIsStillRefused) {
  platform::HeadlessOptions o;
  o.modes = {{320, 200, 8, 60}, {320, 200, 4, 60}, {320, 200, 16, 60}};
  auto& d = Install(o);
  for (int bits : {8, 4}) {
    EXPECT_EQ(ExpectReport([bits] { TSelfFullKestrel ctx(320, 200, bits, "x"); }),
              "[TSelfFullKestrel]Create -> Selected display mode not supported...")
        << bits;
    EXPECT_EQ(d.MainWindow(), 0u) << "nothing is made before the refusal";
  }
  TSelfFullKestrel ctx(320, 200, 16, "x");
  EXPECT_EQ(ctx.BitsPerPixel, 16);
}

// SetSize keeps the surface only for the same size and the same memory kind;
// a new kind is a new, black surface.
TEST_F(HeadlessTest, ANewMemoryKindIsANewSurface) {
  InstallDepth(16);
  TSelfExKestrel ctx(640, 400, "kind", 256);
  TBuffer64 b(ctx, 4, 4, false);
  const uint32_t white = MakeColor(255, 255, 255);
  b.HLine(0, 3, 2, white);
  ASSERT_EQ(b.SetSize(4, 4, true), 0);
  EXPECT_TRUE(b.VideoMemory);
  EXPECT_EQ(b.GetPixel(1, 2), 0u) << "the video-memory surface is new";
  b.HLine(0, 3, 2, white);
  ASSERT_EQ(b.SetSize(4, 4, true), 0);
  EXPECT_EQ(b.GetPixel(1, 2), white) << "the same kind keeps the surface";
  ASSERT_EQ(b.SetSize(4, 4, false), 0);
  EXPECT_FALSE(b.VideoMemory);
  EXPECT_EQ(b.GetPixel(1, 2), 0u);
}

// Text takes the packed colour it is given, unpacked and handed on as red +
// green * 256 + blue * 65536: fully covered pixels read back as that colour,
// blended ones lie between it and the black below.
TEST_F(HeadlessTest, TextIsDrawnInThePackedColourAtEveryDepth) {
  for (int depth : {15, 16, 24, 32}) {
    InstallDepth(depth);
    // The context and its buffer go before the platform they stand on.
    {
      TSelfExKestrel ctx(640, 400, "text", 256);
      TBuffer64 b(ctx, 60, 24, false);
      b.SetFont("Times New Roman", 15);
      struct Colour {
        uint8_t r, g, b;
      } colours[] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
      for (const Colour& c : colours) {
        b.Clear(0);
        const uint32_t packed = MakeColor(c.r, c.g, c.b);
        b.TextOut(2, 2, "MW", packed);
        int exact = 0, stray = 0;
        for (int y = 0; y < 24; ++y)
          for (int x = 0; x < 60; ++x) {
            uint8_t r = 0, g = 0, bl = 0;
            UnpackColor(b.GetPixel(x, y), r, g, bl);
            exact += b.GetPixel(x, y) == packed;
            stray += (c.r == 0 && r != 0) || (c.g == 0 && g != 0) || (c.b == 0 && bl != 0);
          }
        EXPECT_GT(exact, 10) << "depth " << depth << ", colour " << int(c.r) << "," << int(c.g) << "," << int(c.b);
        EXPECT_EQ(stray, 0) << "depth " << depth << ", colour " << int(c.r) << "," << int(c.g) << "," << int(c.b);
      }
    }
    platform::ResetPlatform();
  }
}

}  // namespace
}  // namespace kestrel::testing
