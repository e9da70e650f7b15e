// The status display compared pixel by pixel with the sheet rectangles at
// their screen positions, with the fills clamped.
#include <string>
#include <vector>

#include "../support/game_fixture.h"
#include "morlo3/status.h"

namespace kestrel::testing {
namespace {

class Status : public GameTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    SetUpGame(GetParam());
    background_ = g.Display->MakeColor(10, 20, 30);
  }

  // One picture of the display: sheet rectangle (x1, y1)-(x2, y2), corners
  // included, at screen (atX, atY).
  struct Piece {
    int32_t x1, y1, x2, y2, atX, atY;
  };

  // The screen DrawStatus must leave on a plain background: the two texts
  // as the screen's own text output writes them, and the pieces laid over
  // them in order wherever the sheet is not the key colour.
  std::vector<uint32_t> Expected(const std::vector<Piece>& pieces) {
    g.Screen->Clear(background_);
    g.Screen->TextOut(30, 8, "x" + std::to_string(g.Coins), g.TextColour);
    g.Screen->TextOut(290, 8, "x" + std::to_string(g.Lives), g.TextColour);
    std::vector<uint32_t> want(320 * 200);
    int text = 0;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x) {
        want[size_t(y * 320 + x)] = g.Screen->GetPixel(x, y);
        text += want[size_t(y * 320 + x)] != background_;
      }
    EXPECT_GT(text, 10) << "the texts show";
    for (const Piece& p : pieces)
      for (int32_t y = p.y1; y <= p.y2; ++y)
        for (int32_t x = p.x1; x <= p.x2; ++x) {
          const int32_t sx = p.atX + x - p.x1, sy = p.atY + y - p.y1;
          const uint32_t c = g.SpriteSheet->GetPixel(x, y);
          if (c != g.ColourKey && sx >= 0 && sx < 320 && sy >= 0 && sy < 200) want[size_t(sy * 320 + sx)] = c;
        }
    return want;
  }

  // The display for the current state, with energy fill e, power fill rows
  // p and boss bar columns m (m < 0: no bar).
  void ExpectStatus(int32_t e, int32_t p, int32_t m) {
    std::vector<Piece> pieces = {
        {21, 1, 138, 25, 10, 170},                 // energy bar frame
        {139, 1, 139 + e, 25, 24, 173},            // energy fill
        {239, 2, 256, 21, 270, 8},                 // lives icon
        {634, 182, 655, 238, 290, 130},            // power gauge frame
        {1008, 119 - p, 1012, 119, 299, 176 - p},  // power fill
    };
    if (m >= 0) pieces.push_back({320, 61, 320 + m, 70, 110, 4});
    const std::vector<uint32_t> want = Expected(pieces);
    g.Screen->Clear(background_);
    morlo3::DrawStatus(g);
    int wrong = 0;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x) wrong += g.Screen->GetPixel(x, y) != want[size_t(y * 320 + x)];
    EXPECT_EQ(wrong, 0);
  }
  // A hash of what DrawStatus draws, for comparing two states.
  std::vector<uint32_t> Drawn() {
    g.Screen->Clear(background_);
    morlo3::DrawStatus(g);
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x) pixels.push_back(g.Screen->GetPixel(x, y));
    return pixels;
  }

  uint32_t background_ = 0;
};

TEST_P(Status, ShowsEnergyCoinsLivesAndPowerAtTheirPlaces) {
  g.Energy = 57, g.Coins = 7, g.Lives = 3, g.ShotPower = 4;
  ExpectStatus(57, 20, -1);
  g.Energy = 100, g.Coins = 19, g.Lives = 12, g.ShotPower = 9;
  ExpectStatus(100, 45, -1);
  g.Energy = 0, g.Coins = 0, g.Lives = 0, g.ShotPower = 0;
  ExpectStatus(0, 0, -1);
}

TEST_P(Status, EnergyAboveAHundredShowsTheFullBarAndBelowZeroOneColumn) {
  g.Energy = 140;
  ExpectStatus(100, 0, -1);
  const auto full = Drawn();
  g.Energy = 100;
  EXPECT_EQ(Drawn(), full);
  g.Energy = 99;
  ExpectStatus(99, 0, -1);
  // In the frame before the life is lost.
  g.Energy = -5;
  ExpectStatus(0, 0, -1);
  const auto empty = Drawn();
  g.Energy = 0;
  EXPECT_EQ(Drawn(), empty);
  g.Energy = INT32_MIN;
  EXPECT_EQ(Drawn(), empty);
}

TEST_P(Status, ThePowerGaugeFillsFiveRowsAPowerUpToNine) {
  for (int32_t power = 0; power <= 9; ++power) {
    SCOPED_TRACE(power);
    g.ShotPower = power;
    ExpectStatus(100, 5 * power, -1);
  }
}

TEST_P(Status, TheBossBarShowsHalfTheHealthAtHard) {
  g.BossStage = 1;
  g.Difficulty = 0, g.SorcererHealth = 100;
  ExpectStatus(100, 0, 100);
  const auto fullNormal = Drawn();
  // Both difficulties start with the same bar.
  g.Difficulty = 1, g.SorcererHealth = 200;
  ExpectStatus(100, 0, 100);
  EXPECT_EQ(Drawn(), fullNormal);
  g.SorcererHealth = 101;
  ExpectStatus(100, 0, 50);
  g.SorcererHealth = 1;
  ExpectStatus(100, 0, 0);
  // A dying RirEza keeps one column.
  g.SorcererHealth = -3;
  ExpectStatus(100, 0, 0);
  g.Difficulty = 0;
  ExpectStatus(100, 0, 0);
  // Any other difficulty shows one column.
  g.Difficulty = 2, g.SorcererHealth = 100;
  ExpectStatus(100, 0, 0);
  // Outside the boss stage there is no bar.
  g.BossStage = 0;
  ExpectStatus(100, 0, -1);
}

INSTANTIATE_TEST_SUITE_P(Depths, Status, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
