// Where a copy lands when it reaches past an edge, worked out by hand from
// the clipping rules: a whole-buffer copy is cut to the destination and
// shifted in when it starts above or left of it; a rectangle copy is cut to
// the source first (without moving its destination point), then to the
// destination's right and bottom, then shifted in at its left and top.
#include "../support/headless_fixture.h"

namespace kestrel::testing {
namespace {

enum class Op { Draw, DrawRect };

struct ClipCase {
  const char* rule;
  Op op;
  int srcW, srcH, destW, destH;
  int x1, y1, x2, y2;  // DrawRect's corners (unused by Draw)
  int x, y;            // where the copy is put
  // What lands: source (sx, sy) and w x h of it at destination (dx, dy).
  int sx, sy, w, h, dx, dy;
};

constexpr ClipCase kCases[] = {
    {"above the top, the source starts further down", Op::Draw, 8, 6, 10, 10, 0, 0, 0, 0, 1, -2, 0, 2, 8, 4, 1, 0},
    {"past the bottom-right corner", Op::Draw, 8, 6, 10, 10, 0, 0, 0, 0, 5, 7, 0, 0, 5, 3, 5, 7},
    {"left of the edge, the source starts further in", Op::Draw, 8, 6, 10, 10, 0, 0, 0, 0, -3, 8, 3, 0, 5, 2, 0, 8},
    {"the width is cut before the shift", Op::Draw, 8, 6, 4, 3, 0, 0, 0, 0, -2, -1, 2, 1, 4, 3, 0, 0},
    {"at the destination's width nothing lands", Op::Draw, 8, 6, 10, 10, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0},
    {"past the source's right edge the rectangle is cut there", Op::DrawRect, 20, 20, 20, 20, 15, 2, 25, 4, 0, 0, 15, 2,
     5, 3, 0, 0},
    {"past the source's bottom edge the rectangle is cut there", Op::DrawRect, 20, 20, 20, 20, 2, 15, 4, 30, 0, 0, 2,
     15, 3, 5, 0, 0},
    {"past the destination's bottom the rows up to it land", Op::DrawRect, 20, 20, 20, 20, 0, 0, 3, 9, 0, 15, 0, 0, 4,
     5, 0, 15},
    {"above the destination the rectangle starts further down", Op::DrawRect, 20, 20, 20, 20, 5, 5, 9, 9, 3, -2, 5, 7,
     5, 3, 3, 0},
    {"a cut at the source's left does not move the destination point", Op::DrawRect, 20, 20, 20, 20, -4, 0, 3, 0, 10,
     10, 0, 0, 4, 1, 10, 10},
    {"corners in either order", Op::DrawRect, 20, 20, 20, 20, 6, 9, 2, 3, 1, 1, 2, 3, 5, 7, 1, 1},
    {"cut at the source's right, then at the destination's", Op::DrawRect, 20, 20, 20, 20, 10, 0, 25, 0, 12, 0, 10, 0,
     8, 1, 12, 0},
    {"into a smaller destination from its top-left outside", Op::DrawRect, 20, 20, 6, 5, 0, 0, 19, 19, -3, -4, 3, 4, 6,
     5, 0, 0},
    {"put at the destination's width nothing lands", Op::DrawRect, 20, 20, 20, 20, 0, 0, 3, 3, 20, 0, 0, 0, 0, 0, 0, 0},
};

class Clipping : public HeadlessTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    InstallDepth(GetParam());
    context_ = std::make_unique<TSelfExKestrel>(640, 400, "clip", 256);
  }
  void TearDown() override {
    context_.reset();
    HeadlessTest::TearDown();
  }
  // Never black, and different at every pixel of a 20 x 20 picture.
  static uint32_t Pattern(int x, int y) { return MakeColor(uint8_t(8 + x * 12), uint8_t(8 + y * 12), 200); }
  std::unique_ptr<TKestrel> context_;
};

TEST_P(Clipping, EachCopyLandsWhereTheRulesPutIt) {
  for (const ClipCase& c : kCases) {
    // The keyed copies clip as the plain ones do; their key is on no pixel.
    for (bool keyed : {false, true}) {
      SCOPED_TRACE(std::string(c.rule) + (keyed ? " (keyed)" : ""));
      TBuffer64 src(*context_, c.srcW, c.srcH, false), dest(*context_, c.destW, c.destH, false);
      for (int y = 0; y < c.srcH; ++y)
        for (int x = 0; x < c.srcW; ++x) src.HLine(x, x, y, Pattern(x, y));
      const uint32_t key = MakeColor(0, 0, 8);
      if (c.op == Op::Draw) {
        if (keyed) src.DrawKeyed(dest, c.x, c.y, key);
        else src.Draw(dest, c.x, c.y);
      } else {
        if (keyed) src.DrawRectKeyed(dest, c.x1, c.y1, c.x2, c.y2, c.x, c.y, key);
        else src.DrawRect(dest, c.x1, c.y1, c.x2, c.y2, c.x, c.y);
      }
      int wrong = 0;
      for (int y = 0; y < c.destH; ++y)
        for (int x = 0; x < c.destW; ++x) {
          const bool inside = x >= c.dx && x < c.dx + c.w && y >= c.dy && y < c.dy + c.h;
          const uint32_t want = inside ? Pattern(c.sx + x - c.dx, c.sy + y - c.dy) : 0u;
          if (dest.GetPixel(x, y) != want && ++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y;
        }
      EXPECT_EQ(wrong, 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, Clipping, ::testing::Values(15, 16, 24, 32));

}  // namespace
}  // namespace kestrel::testing
