#include "morlo3/stage_map.h"

namespace morlo3 {

using kestrel::TBuffer64;

void BuildStage(GameState& g, int32_t width, int32_t height, int32_t sceneX, int32_t sceneY, int32_t backdropX,
                int32_t backdropY, int32_t maskX, int32_t maskY) {
  // Corners are included and what passes the destination's edge is cut, so
  // exactly width x height pixels arrive.
  g.StageScene = std::make_unique<TBuffer64>(*g.Display, width, height, false);
  g.StageSheet->DrawRect(*g.StageScene, sceneX, sceneY, sceneX + width, sceneY + height, 0, 0);
  g.StageMask = std::make_unique<TBuffer64>(*g.Display, width, height, false);
  g.StageSheet->DrawRect(*g.StageMask, maskX, maskY, maskX + width, maskY + height, 0, 0);
  g.BackdropSheet->DrawRect(*g.Backdrop, backdropX, backdropY, backdropX + 320, backdropY + 200, 0, 0);
}

void BuildStage(GameState& g, const StageFacts& s) {
  BuildStage(g, s.Width, s.Height, s.SceneX, s.SceneY, s.BackdropX, s.BackdropY, s.MaskX, s.MaskY);
}

void FreeStage(GameState& g) {
  g.StageScene.reset();
  g.StageMask.reset();
}

void SettleOnGround(const GameState& g, EnemyRecord& e, int32_t dx, int32_t h, int32_t lowest) {
  const int32_t height = g.StageMask->Height;
  for (;;) {
    const bool a = ProbeMask(g, e.X + dx, e.Y + h) == g.MaskGround;
    const bool b = ProbeMask(g, e.X + dx, e.Y + h - 1) == g.MaskGround;
    e.Y += a ? -1 : 1;
    if (lowest != kNoLowest) {
      if (e.Y > lowest) return;
    } else if (e.Y + h >= height) {
      // No ground below: the test point has dropped out of the bottom of the
      // mask. (It cannot leave by the top: rising needs ground at the test
      // point, and ground in the top row stops the search there.) The
      // undead's own bound lets them sink past the bottom as far as it says.
      return;
    }
    if (a && !b) return;
  }
}

void DrawBackdrop(GameState& g) { g.Backdrop->Draw(*g.Screen, 0, 0); }

void UpdateCamera(GameState& g, int32_t x, int32_t y) {
  const int32_t w = g.StageScene->Width, h = g.StageScene->Height;
  g.CameraX = x - 160;
  if (x < 160) g.CameraX = 0;
  if (x > w - 160) g.CameraX = w - 319;
  g.CameraY = y - 100;
  if (y < 100) g.CameraY = 0;
  if (y > h - 100) g.CameraY = h - 199;
  g.StageScene->DrawRectKeyed(*g.Screen, g.CameraX, g.CameraY, g.CameraX + 320, g.CameraY + 200, 0, 0, g.ColourKey);
}

}  // namespace morlo3
