// The stage's pictures and collision mask, cut from the sheets at each stage
// start, the mask probe and the ground search the figures use, and the camera
// that follows the player and draws the stage picture in front of everything.
#pragma once
#include <cstdint>

#include "morlo3/game_state.h"
#include "morlo3/stage_table.h"

namespace morlo3 {

// Makes StageScene and StageMask of width x height from StageSheet and fills
// Backdrop from BackdropSheet.
void BuildStage(GameState& g, int32_t width, int32_t height, int32_t sceneX, int32_t sceneY, int32_t backdropX,
                int32_t backdropY, int32_t maskX, int32_t maskY);
// The same, with the stage's own row of the stage table.
void BuildStage(GameState& g, const StageFacts& stage);
void FreeStage(GameState& g);

// The mask colour at stage pixel (x, y); 0 outside the mask, which matches no
// mask colour.
inline uint32_t ProbeMask(const GameState& g, int32_t x, int32_t y) {
  const kestrel::TBuffer64& m = *g.StageMask;
  if (uint32_t(x) >= uint32_t(m.Width) || uint32_t(y) >= uint32_t(m.Height)) return 0;
  const uint8_t* p = m.Rows[size_t(y)];
  switch (m.BytesPerPixel) {
    case 2: return reinterpret_cast<const uint16_t*>(p)[x];
    case 4: return reinterpret_cast<const uint32_t*>(p)[x];
    default: return m.GetPixel(x, y);
  }
}

// Moves a figure up out of ground or down onto it, with the test point at
// (X + dx, Y + h). It ends one pixel above the rest position. With `lowest`
// (the undead's 220) the search also stops once Y passes it; without it the
// search stops once the test point has left the mask, so a figure with no
// ground below it does not search for ever.
inline constexpr int32_t kNoLowest = INT32_MIN;
void SettleOnGround(const GameState& g, EnemyRecord& e, int32_t dx, int32_t h, int32_t lowest = kNoLowest);

// The far background, the first drawing of every frame.
void DrawBackdrop(GameState& g);
// Moves the camera to follow (x, y) and draws the stage picture over the frame.
void UpdateCamera(GameState& g, int32_t x, int32_t y);

}  // namespace morlo3
