// A game state ready for the gameplay routines, on the headless backend at a
// chosen depth: the display, the packed colours, Screen, PlayerCanvas,
// Backdrop, the real sprite sheet from the generated data.kpk, the input, and
// twelve sounds whose plays the test can read back by slot. A test builds its
// own small stage in memory with MakeStage and paints its mask.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "headless_fixture.h"
#include "kestrel/input64.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/sound.h"
#include "kestrel/sound64.h"
#include "morlo3/game_state.h"
#include "morlo3/stages.h"
#include "morlo3/startup.h"

namespace kestrel::testing {

inline const std::string kGeneratedData = std::string(KESTREL_BINARY_DIR) + "/data.kpk";

// The real sprite sheet, decoded once per test program at each depth.
class GameTest : public HeadlessTest {
 protected:
  // Depth of the pretend desktop; tests of drawing run at 16 and 32.
  void SetUpGame(int depth = 32) {
    display_ = &InstallGameDisplay(depth);
    g.Display = std::make_unique<TSelfExKestrel>(640, 400, morlo3::kCaption, 256);
    morlo3::SetUpColours(g);
    morlo3::FillPoseTables(g);
    TKestrel& d = *g.Display;
    g.Screen = std::make_unique<TBuffer64>(d, 320, 200, false);
    g.Screen->SetFont("Times New Roman", 15);
    g.Backdrop = std::make_unique<TBuffer64>(d, 320, 200, false);
    g.PlayerCanvas = std::make_unique<TBuffer64>(d, 30, 34, false);
    g.SpriteSheet = std::make_unique<TBuffer64>(d, 1024, 768, false);
    TKPK archive(kGeneratedData);
    g.SpriteSheet->LoadKPKImage(archive, "sprites.png", false);
    g.Input = std::make_unique<TInput64>(d.Handle);
    // Sounds: the headless sound system only needs files that exist.
    sounds_ = platform::HeadlessSound();
    for (int slot = 1; slot < morlo3::kSoundSlots; ++slot) {
      const std::string name = "slot" + std::to_string(slot) + ".wav";
      std::ofstream(name) << "RIFF";
      g.Sounds[size_t(slot)] = std::make_unique<TSound64>(d, name, slot == morlo3::kLoopingSlot);
      slotOfStream_[g.Sounds[size_t(slot)]->Stream()] = slot;
    }
    if (sounds_) sounds_->calls.clear();
  }

  // The display SetUpGame installs; a test may put one of its own in place.
  virtual platform::HeadlessDisplay& InstallGameDisplay(int depth) { return InstallDepth(depth); }

  // The big sheets, for tests that cut stages or pictures from them.
  void LoadSheets() {
    TKestrel& d = *g.Display;
    TKPK archive(kGeneratedData);
    g.BackdropSheet = std::make_unique<TBuffer64>(d, 969, 1420, false);
    g.BackdropSheet->LoadKPKImage(archive, "320200.jpg", false);
    g.StageSheet = std::make_unique<TBuffer64>(d, 1005, 3644, false);
    g.StageSheet->LoadKPKImage(archive, "niveis.png", false);
  }

  void TearDown() override {
    g = morlo3::GameState{};
    HeadlessTest::TearDown();
  }

  // Stage `number` as its routine starts it, before its first frame (the
  // big sheets must be loaded).
  const morlo3::StageFacts& Start(int number) {
    const morlo3::StageFacts& s = morlo3::kStages[size_t(number - 1)];
    morlo3::StartStage(g, s);
    return s;
  }

  // A width x height stage: an empty mask (no colour of the mask's own) and a
  // fully transparent picture. The camera starts at (0, 0).
  void MakeStage(int32_t width, int32_t height) {
    g.StageScene = std::make_unique<TBuffer64>(*g.Display, width, height, false);
    g.StageScene->Clear(g.ColourKey);
    g.StageMask = std::make_unique<TBuffer64>(*g.Display, width, height, false);
    g.StageMask->Clear(0);
    g.CameraX = g.CameraY = 0;
  }
  // Fills mask pixels (x1, y1)-(x2, y2), corners included, with a packed colour.
  void PaintMask(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    for (int32_t y = y1; y <= y2; ++y) g.StageMask->HLine(x1, x2, y, colour);
  }

  void Press(int key) { display_->Input().keys[size_t(key)] = 0x80; }
  void Release(int key) { display_->Input().keys[size_t(key)] = 0; }
  void ReleaseAll() { display_->Input().keys.fill(0); }

  // The slots played since the last call, in order.
  std::vector<int> SoundsPlayed() {
    std::vector<int> slots;
    if (!sounds_) return slots;
    for (const std::string& call : sounds_->calls)
      if (call.rfind("PlayStream ", 0) == 0) {
        const auto it = slotOfStream_.find(uint32_t(std::stoul(call.substr(11))));
        slots.push_back(it == slotOfStream_.end() ? -1 : it->second);
      }
    sounds_->calls.clear();
    return slots;
  }

  // Pixel (x, y) of a buffer as a packed value.
  static uint32_t Pixel(const TBuffer64& b, int32_t x, int32_t y) { return b.GetPixel(x, y); }

  // Whether Screen shows the sheet rectangle (x1, y1)-(x2, y2), corners
  // included, at screen (atX, atY): every non-key sheet pixel that lands on
  // the screen is there. Returns the number of pixels that differ.
  int CountMismatches(const TBuffer64& sheet, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t atX,
                      int32_t atY) const {
    int wrong = 0;
    for (int32_t y = y1; y <= y2; ++y)
      for (int32_t x = x1; x <= x2; ++x) {
        const int32_t sx = atX + x - x1, sy = atY + y - y1;
        if (sx < 0 || sy < 0 || sx >= 320 || sy >= 200) continue;
        if (x >= sheet.Width || y >= sheet.Height) continue;
        const uint32_t p = sheet.GetPixel(x, y);
        if (p == g.ColourKey) continue;
        wrong += g.Screen->GetPixel(sx, sy) != p;
      }
    return wrong;
  }

  morlo3::GameState g;
  platform::HeadlessDisplay* display_ = nullptr;

 private:
  platform::HeadlessSoundLog* sounds_ = nullptr;
  std::map<uint32_t, int> slotOfStream_;
};

}  // namespace kestrel::testing
