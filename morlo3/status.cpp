#include "morlo3/status.h"

#include <charconv>
#include <string>

#include "morlo3/sprite_rects.h"

namespace morlo3 {

namespace {

void DrawSprite(GameState& g, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t atX, int32_t atY) {
  g.SpriteSheet->DrawRectKeyed(*g.Screen, x1, y1, x2, y2, atX, atY, g.ColourKey);
}
void DrawSprite(GameState& g, const SpriteRect& r, int32_t atX, int32_t atY) {
  DrawSprite(g, r.x1, r.y1, r.x2, r.y2, atX, atY);
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

// "x" and the number. At most 12 bytes, so the string stays in its own
// storage and the display allocates nothing per frame.
void DrawCount(GameState& g, int32_t x, int32_t y, int32_t value) {
  char text[16] = {'x'};
  const auto end = std::to_chars(text + 1, text + sizeof text, value).ptr;
  const std::string line(text, size_t(end - text));
  g.Screen->TextOut(x, y, line, g.TextColour);
}

constexpr SpriteRect kEnergyFrame = Sprite("status.energy_frame");
constexpr SpriteRect kEnergyFill = Sprite("status.energy_fill");
constexpr SpriteRect kLivesIcon = Sprite("status.lives");
constexpr SpriteRect kPowerFrame = Sprite("status.power_frame");
constexpr SpriteRect kPowerFill = Sprite("status.power_fill");
constexpr SpriteRect kBossBar = Sprite("status.boss_bar");

}  // namespace

void DrawStatus(GameState& g) {
  // The fill is energy + 1 columns wide: one column still shows at 0, and
  // energy above 100 shows the full bar.
  DrawSprite(g, kEnergyFrame, 10, 170);
  const int32_t e = Clamp(g.Energy, 0, 100);
  DrawSprite(g, kEnergyFill.x1, kEnergyFill.y1, kEnergyFill.x1 + e, kEnergyFill.y2, 24, 173);

  DrawSprite(g, kLivesIcon, 270, 8);
  DrawCount(g, 30, 8, g.Coins);
  DrawCount(g, 290, 8, g.Lives);

  // The gauge fills upwards from row 176: one row at power 0, 46 at power 9.
  DrawSprite(g, kPowerFrame, 290, 130);
  const int32_t p = Clamp(5 * g.ShotPower, 0, 45);
  DrawSprite(g, kPowerFill.x1, kPowerFill.y2 - p, kPowerFill.x2, kPowerFill.y2, 299, 176 - p);

  // Both difficulties start with a bar of 101 columns; a dying RirEza keeps
  // one column.
  if (g.BossStage == 1) {
    int32_t m = 0;
    if (g.Difficulty == 0) m = g.SorcererHealth;
    if (g.Difficulty == 1) m = g.SorcererHealth / 2;
    m = Clamp(m, 0, kBossBar.x2 - kBossBar.x1);
    DrawSprite(g, kBossBar.x1, kBossBar.y1, kBossBar.x1 + m, kBossBar.y2, 110, 4);
  }
}

}  // namespace morlo3
