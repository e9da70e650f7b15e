// A 1000 x 200 stage whose ground starts at row 150, at depths 16 and 32,
// for the enemies and RirEza; and the pixel checks of their drawing.
#pragma once
#include "../support/game_fixture.h"

namespace kestrel::testing {

class FigureTest : public GameTest, public ::testing::WithParamInterface<int> {
 protected:
  static constexpr int32_t kGroundTop = 150;

  void SetUp() override {
    SetUpGame(GetParam());
    MakeStage(1000, 200);
    PaintMask(0, kGroundTop, 999, 199, g.MaskGround);
    FreeAllShots();
  }

  // Makes the next draw of the random source continue from `seedAfter`, so
  // the next random(n) is the high half of seedAfter x n: 0xFFFFFFFF gives
  // n - 1 and 0 gives 0.
  void SetNextDraw(uint32_t seedAfter) {
    // The multiplier is odd, so it has an inverse modulo 2^32 (Newton's
    // iteration doubles the correct low bits each round).
    const uint32_t a = 134775813u;
    uint32_t inverse = a;
    for (int i = 0; i < 5; ++i) inverse *= 2u - a * inverse;
    g.RandSeed = (seedAfter - 1u) * inverse;
  }

  // The seed after `draws` draws from a fresh generator.
  static uint32_t SeedAfter(int draws) {
    morlo3::GameState fresh;
    for (int i = 0; i < draws; ++i) morlo3::Random(fresh, 100);
    return fresh.RandSeed;
  }

  void ClearScreen() { g.Screen->Clear(g.ColourKey); }

  // Pixels of Screen that are not the key colour.
  int PaintedPixels() const {
    int n = 0;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x) n += g.Screen->GetPixel(x, y) != g.ColourKey;
    return n;
  }
  // Pixels of a sheet rectangle, corners included, that are not the key colour.
  int SheetPixels(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    int n = 0;
    for (int32_t y = y1; y <= y2; ++y)
      for (int32_t x = x1; x <= x2; ++x) n += g.SpriteSheet->GetPixel(x, y) != g.ColourKey;
    return n;
  }
  // Screen, cleared before the drawing, shows exactly the sheet rectangle at
  // (atX, atY) and nothing else. The rectangle must lie wholly on the screen.
  ::testing::AssertionResult ShowsOnly(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t atX, int32_t atY) const {
    const int wrong = CountMismatches(*g.SpriteSheet, x1, y1, x2, y2, atX, atY);
    const int painted = PaintedPixels(), expected = SheetPixels(x1, y1, x2, y2);
    if (expected > 0 && wrong == 0 && painted == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rectangle (" << x1 << ", " << y1 << ")-(" << x2 << ", " << y2 << ") at ("
                                         << atX << ", " << atY << "): " << wrong << " pixels differ, " << painted
                                         << " painted, " << expected << " expected";
  }

  // A player shot, live, at (x, y).
  void PlaceShot(int32_t slot, int32_t x, int32_t y) { g.PlayerShots[slot] = {x, y, 3}; }
  void FreeAllShots() {
    for (auto& s : g.PlayerShots) s = {0, morlo3::kFreeShot, 3};
  }
};

}  // namespace kestrel::testing
