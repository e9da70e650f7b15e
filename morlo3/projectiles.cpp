#include "morlo3/projectiles.h"

#include "morlo3/sprite_rects.h"

namespace morlo3 {

namespace {

// Wraps like the rest of the game's arithmetic, also for the smallest value.
int32_t Abs(int32_t v) { return v < 0 ? -v : v; }

void DrawSprite(GameState& g, const SpriteRect& r, int32_t x, int32_t y) {
  g.SpriteSheet->DrawRectKeyed(*g.Screen, r.x1, r.y1, r.x2, r.y2, x, y, g.ColourKey);
}

// A missile whose screen x leaves -10..330 is freed. A freed one keeps
// moving, out of sight at row -100, and never comes back.
void MoveShot(GameState& g, ShotRecord& s, const SpriteRect& picture) {
  s.X += s.DX;
  DrawSprite(g, picture, s.X - g.CameraX, s.Y - g.CameraY);
  if (s.X - g.CameraX < -10 || s.X - g.CameraX > 330) s.Y = kFreeShot;
}

constexpr SpriteRect kPlayerShot = Sprite("shot.player");
constexpr SpriteRect kThrownShot = Sprite("shot.bone");

// The bonus pictures by kind, 1 to 3. The life is the picture of the menu's
// "Opções" element.
constexpr SpriteRect kBonusPictures[] = {Sprite("bonus.energy"), Sprite("bonus.power"), Sprite("menu.options")};

// The shared coin animation: picture and drawing offset by frame, 1 to 4.
struct CoinFrame {
  SpriteRect picture;
  int32_t dx, dy;
};
constexpr CoinFrame kCoinFrames[] = {
    {Sprite("coin.1"), 0, 0}, {Sprite("coin.2"), 0, 4}, {Sprite("coin.3"), 12, 4}, {Sprite("coin.4"), 0, 3}};

const SpriteRect& CoinPicture(int32_t frame) { return kCoinFrames[frame >= 1 && frame <= 4 ? frame - 1 : 0].picture; }

// The row a collected coin is moved to.
constexpr int32_t kCollectedCoin = -100;

// Stage coins lie in slots 2 to count + 1; a count beyond the table's six
// stage slots is cut to them.
int32_t LastCoinSlot(const GameState& g, int32_t count) {
  return count > g.CoinTable.Capacity - 1 ? g.CoinTable.Capacity : count + 1;
}

}  // namespace

void MovePlayerShots(GameState& g, int32_t /*stageLimit*/) {
  for (int32_t i = 1; i <= g.PlayerShots.Capacity; ++i) MoveShot(g, g.PlayerShots[i], kPlayerShot);
}

void MoveEnemyShots(GameState& g) {
  for (int32_t i = 1; i <= g.EnemyShots.Capacity; ++i) {
    ShotRecord& s = g.EnemyShots[i];
    MoveShot(g, s, kThrownShot);
    // A missile that hits flies on; it can hit again once the timer passes 20.
    // A free slot hits nothing, wherever the player is.
    if (s.Y != kFreeShot && Abs(s.X + 7 - (g.PlayerX + 12)) < 19 && g.HurtTimer > 20 &&
        Abs(s.Y + 7 - (g.PlayerY + 18)) < 25) {
      g.Energy -= 10;
      g.HurtTimer = 0;
    }
  }
}

void SpawnBonus(GameState& g, int32_t x, int32_t y) {
  // Nothing 41 in 100, energy 29, shot power 20, a life 10.
  const int32_t r = Random(g, 100);
  g.BonusKind = r <= 40 ? 0 : r <= 69 ? 1 : r <= 89 ? 2 : 3;
  g.BonusX = x;
  g.BonusY = y;
  g.BonusActive = 1;
}

void UpdateBonus(GameState& g) {
  // An item of kind 0 stays active but unseen until a new one replaces it.
  if (g.BonusActive != 1 || g.BonusKind <= 0 || g.BonusKind > 3) return;
  DrawSprite(g, kBonusPictures[g.BonusKind - 1], g.BonusX - g.CameraX, g.BonusY - g.CameraY);
  if (Abs(g.BonusX + 7 - (g.PlayerX + 12)) < 19 && Abs(g.BonusY + 7 - (g.PlayerY + 18)) < 25) {
    switch (g.BonusKind) {
      case 1: g.Energy += 20; break;  // no upper limit
      case 2:
        if (g.ShotPower < 9) g.ShotPower += 1;
        break;
      case 3: g.Lives += 1; break;
    }
    g.BonusActive = 0;
  }
}

void UpdateCoins(GameState& g, int32_t count) {
  // Like every table routine, a count below 1 touches nothing.
  if (count < 1) return;
  CoinRecord& anim = g.CoinTable[1];
  anim.Ticks += 1;
  if (anim.Ticks >= 20 || anim.Ticks < 0) anim.Ticks = 0;
  anim.Frame = 1 + anim.Ticks / 5;
  anim.DX = kCoinFrames[anim.Frame - 1].dx;
  anim.DY = kCoinFrames[anim.Frame - 1].dy;

  for (int32_t i = 2; i <= LastCoinSlot(g, count); ++i) {
    CoinRecord& c = g.CoinTable[i];
    // A collected coin is never counted again, wherever the player is.
    if (c.Y == kCollectedCoin) continue;
    if (Abs(c.X + anim.DX + 12 - (g.PlayerX + 11)) < 24 && Abs(c.Y + anim.DY + 12 - (g.PlayerY + 16)) < 28) {
      c.Y = kCollectedCoin;
      g.Coins += 1;
    }
  }
  if (g.Coins >= 20) {
    g.Lives += 1;
    g.Coins = 0;
  }
}

void DrawCoins(GameState& g, int32_t count) {
  if (count < 1) return;
  CoinRecord& icon = g.CoinTable[1];
  icon.X = 6;
  icon.Y = 0;
  const SpriteRect& picture = CoinPicture(icon.Frame);
  DrawSprite(g, picture, icon.X + icon.DX, icon.Y + icon.DY);
  for (int32_t i = 2; i <= LastCoinSlot(g, count); ++i) {
    const CoinRecord& c = g.CoinTable[i];
    DrawSprite(g, picture, c.X + icon.DX - g.CameraX, c.Y + icon.DY - g.CameraY);
  }
}

}  // namespace morlo3
