// The typical frame of the game, as the frame benchmarks compose it: a
// backdrop, a keyed window of a wide stage picture, twenty sprites (half cut
// from a sheet, half from a mirrored canvas) and ten pieces of a status line,
// on a headless display at a chosen depth.
#pragma once
#include <memory>

#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/headless/headless.h"

namespace bench {

using namespace kestrel;

constexpr int kSprites = 20, kStatus = 10;

// Fills a picture with a deterministic mix: about half of the stage picture
// is key, sprites have a key frame around an oval figure.
inline uint32_t StagePixel(int x, int y, uint32_t key) {
  return ((x / 16 + y / 20) % 2 == 0) ? key : MakeColor(uint8_t(x), uint8_t(y), 90);
}
inline uint32_t SpritePixel(int x, int y, uint32_t key) {
  const int dx = x % 30 - 15, dy = y % 40 - 20;
  return dx * dx * 4 + dy * dy * 2 < 800 ? MakeColor(200, uint8_t(x * 3), uint8_t(y * 2)) : key;
}

struct Scene {
  explicit Scene(int depth) {
    platform::HeadlessOptions o;
    o.desktopDepth = depth;
    platform::InstallDisplay(std::make_unique<platform::HeadlessDisplay>(o));
    ResetEngine();
    context = std::make_unique<TSelfExKestrel>(640, 400, "bench", 256);
    key = MakeColor(232, 252, 252);
    screen = std::make_unique<TBuffer64>(*context, 320, 200, false);
    backdrop = std::make_unique<TBuffer64>(*context, 320, 200, false);
    stage = std::make_unique<TBuffer64>(*context, 1000, 200, false);
    sheet = std::make_unique<TBuffer64>(*context, 300, 80, false);
    canvas = std::make_unique<TBuffer64>(*context, 30, 40, false);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 1000; ++x) stage->HLine(x, x, y, StagePixel(x, y, key));
    for (int y = 0; y < 200; ++y) backdrop->HLine(0, 319, y, MakeColor(20, uint8_t(y), 120));
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 300; ++x) sheet->HLine(x, x, y, SpritePixel(x, y, key));
    sheet->DrawRect(*canvas, 0, 0, 29, 39, 0, 0);
    canvas->Mirror();
  }
  ~Scene() {
    screen.reset(), backdrop.reset(), stage.reset(), sheet.reset(), canvas.reset();
    context.reset();
    platform::ResetPlatform();
    ResetEngine();
  }
  void Frame(int camera) {
    backdrop->Draw(*screen, 0, 0);
    stage->DrawRectKeyed(*screen, camera, 0, camera + 320, 200, 0, 0, key);
    for (int i = 0; i < kSprites / 2; ++i)
      sheet->DrawRectKeyed(*screen, (i % 10) * 30, 0, (i % 10) * 30 + 29, 39, i * 29, 40 + i * 7, key);
    for (int i = 0; i < kSprites / 2; ++i) canvas->DrawKeyed(*screen, 10 + i * 30, 120 - i * 5, key);
    for (int i = 0; i < kStatus; ++i) sheet->DrawRectKeyed(*screen, i * 12, 40, i * 12 + 11, 47, 4 + i * 14, 4, key);
  }
  std::unique_ptr<TKestrel> context;
  std::unique_ptr<TBuffer64> screen, backdrop, stage, sheet, canvas;
  uint32_t key = 0;
};

}  // namespace bench
