// The two ways a frame reaches an SDL window, our own whole-number scale into
// the window surface and SDL's renderer, must show the same pixels: at every
// depth, in a window and in full screen, on the dummy and offscreen drivers
// and in a real X server, read back there by the X server itself.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../support/processes.h"
#include "../support/scoped_env.h"
#include "../support/sdl_window.h"
#include "../support/xvfb.h"
#include "kestrel/platform/scale.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/platform/surface.h"

// Last: Xlib defines macros (None, Bool, Status) that other headers use as names.
#include "../support/x_screenshot.h"

using namespace kestrel;
using namespace kestrel::platform;
using kestrel::testing::OpenEngineWindow;
using kestrel::testing::ScopedEnv;
using kestrel::testing::XScreenshot;

namespace {

// Keeps SDL's video up across the displays a test makes one after another:
// SDL's X11 driver does not always start again once stopped in a process.
struct VideoHold {
  VideoHold() { SDL_InitSubSystem(SDL_INIT_VIDEO); }
  ~VideoHold() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
};

// Random pixel values, every bit of the format in use.
std::unique_ptr<Surface> RandomPicture(int depth, int32_t w, int32_t h, unsigned seed) {
  auto s = std::make_unique<Surface>(Surface::Kind::OffScreen, w, h, depth, false, nullptr);
  std::mt19937 random(seed);
  for (size_t i = 0; i < size_t(s->Pitch()) * size_t(h); ++i) s->Pixels()[i] = uint8_t(random());
  return s;
}

// What the screen must show: each picture pixel as a scale x scale block at
// (left, top), black elsewhere. Worked out from PixelToRgb, not the scaler.
std::vector<uint8_t> Expected(const Surface& picture, int width, int height, int left, int top, int scale) {
  std::vector<uint8_t> rgb(size_t(width) * height * 3, 0);
  for (int y = 0; y < picture.Height() * scale; ++y)
    for (int x = 0; x < picture.Width() * scale; ++x) {
      uint8_t* p = &rgb[(size_t(top + y) * width + size_t(left + x)) * 3];
      PixelToRgb(ReadPixel(picture, x / scale, y / scale), picture.Depth(), p[0], p[1], p[2]);
    }
  return rgb;
}

// Where the first pixel that differs lies, for a readable failure.
std::string FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width) {
  if (a.size() != b.size()) return "sizes differ: " + std::to_string(a.size()) + " and " + std::to_string(b.size());
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) {
      const size_t pixel = i / 3;
      return "first difference at " + std::to_string(pixel % size_t(width)) + "," +
             std::to_string(pixel / size_t(width));
    }
  return "same";
}

struct Shot {
  std::vector<uint8_t> rgb;
  int width = 0, height = 0;
  bool renderer = false;
};

// One frame through the path `path` names, read back by the backend.
Shot Show(const char* path, bool fullScreen, const Surface& picture) {
  ScopedEnv present("KESTREL_PRESENT", path);
  SdlDisplay display;
  Shot shot;
  if (OpenEngineWindow(display, fullScreen, picture.Depth()) == 0) return shot;
  shot.renderer = display.UsesRenderer();
  display.ShowFrame(picture, Rect{0, 0, picture.Width(), picture.Height()});
  display.PollEvents();
  if (!display.ReadScreen(shot.rgb, shot.width, shot.height)) shot.rgb.clear();
  return shot;
}

// The backend's screen against `picture` centred at the largest whole
// scale: "same", or where they first differ.
std::string ShownAgainst(SdlDisplay& display, const Surface& picture) {
  Shot shot;
  if (!display.ReadScreen(shot.rgb, shot.width, shot.height)) return "the screen could not be read";
  const int scale = std::min(shot.width / picture.Width(), shot.height / picture.Height());
  const auto expected = Expected(picture, shot.width, shot.height, (shot.width - picture.Width() * scale) / 2,
                                 (shot.height - picture.Height() * scale) / 2, scale);
  return FirstDifference(shot.rgb, expected, shot.width);
}

void ExpectPathsAgree(bool fullScreen) {
  for (int depth : {15, 16, 24, 32}) {
    SCOPED_TRACE("depth " + std::to_string(depth) + (fullScreen ? ", full screen" : ", window"));
    auto picture = RandomPicture(depth, 320, 200, unsigned(depth));
    const Shot old = Show("renderer", fullScreen, *picture);
    const Shot now = Show("surface", fullScreen, *picture);
    ASSERT_TRUE(old.renderer);
    ASSERT_FALSE(now.renderer);
    ASSERT_FALSE(old.rgb.empty());
    ASSERT_FALSE(now.rgb.empty());
    ASSERT_EQ(now.width, old.width);
    ASSERT_EQ(now.height, old.height);
    int scale = 2, left = 0, top = 0;
    if (fullScreen) {
      scale = std::min(now.width / 320, now.height / 200);
      left = (now.width - 320 * scale) / 2;
      top = (now.height - 200 * scale) / 2;
    } else {
      ASSERT_EQ(now.width, 640);
      ASSERT_EQ(now.height, 400);
    }
    const auto expected = Expected(*picture, now.width, now.height, left, top, scale);
    EXPECT_TRUE(now.rgb == expected) << FirstDifference(now.rgb, expected, now.width);
    EXPECT_TRUE(old.rgb == now.rgb) << FirstDifference(old.rgb, now.rgb, now.width);
  }
}

}  // namespace

TEST(Scale, WidensEachDepthByBitReplication) {
  // Hand-worked: 5 bits 10000 widen to 10000100 (0x84), 6 bits 100000 to
  // 10000010 (0x82); full fields to 0xFF.
  const uint16_t p16[] = {0xF800, 0x07E0, 0x001F, 0x8410, 0x0000, 0xFFFF};
  const uint32_t x16[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x848284, 0x000000, 0xFFFFFF};
  const uint16_t p15[] = {0x7C00, 0x03E0, 0x001F, 0x4210, 0x8000, 0x7FFF};
  const uint32_t x15[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x848484, 0x000000, 0xFFFFFF};
  uint32_t out[6];
  WidenRow(reinterpret_cast<const uint8_t*>(p16), 16, out, 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], x16[i]) << "16-bit " << i;
  WidenRow(reinterpret_cast<const uint8_t*>(p15), 15, out, 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], x15[i]) << "15-bit " << i;
  const uint8_t p24[] = {0x56, 0x34, 0x12, 0xFF, 0x00, 0x80};
  WidenRow(p24, 24, out, 2);
  EXPECT_EQ(out[0], 0x123456u);
  EXPECT_EQ(out[1], 0x8000FFu);
  // The X byte of a 32-bit pixel never reaches the screen.
  const uint32_t p32[] = {0xAB123456, 0x00FEDCBA};
  WidenRow(reinterpret_cast<const uint8_t*>(p32), 32, out, 2);
  EXPECT_EQ(out[0], 0x123456u);
  EXPECT_EQ(out[1], 0xFEDCBAu);
}

TEST(Scale, EveryValueAndScaleMakesWholeBlocks) {
  // 256 x 256 16-bit pixels hold every value once; a width of 13 leaves a
  // tail after the eight-pixel steps.
  for (int depth : {15, 16, 24, 32}) {
    for (auto [w, h] : {std::pair{256, 256}, {13, 3}}) {
      if (depth > 16 && w == 256) continue;
      auto picture = RandomPicture(depth, w, h, 7);
      if (w == 256)
        for (int i = 0; i < 65536; ++i) std::memcpy(picture->Pixels() + 2 * i, &i, 2);
      for (int scale : {1, 2, 3}) {
        SCOPED_TRACE("depth " + std::to_string(depth) + " width " + std::to_string(w) + " scale " +
                     std::to_string(scale));
        // Two pixels of margin all round catch a write past the block.
        const int ow = w * scale + 4, oh = h * scale + 4;
        std::vector<uint32_t> out(size_t(ow) * oh, 0xDEADBEEF);
        ScaleToXrgb(picture->Pixels(), picture->Pitch(), depth, w, h, scale,
                    reinterpret_cast<uint8_t*>(&out[size_t(2) * ow + 2]), ow * 4);
        int wrong = 0;
        for (int y = 0; y < oh; ++y)
          for (int x = 0; x < ow; ++x) {
            uint32_t want = 0xDEADBEEF;
            if (x >= 2 && y >= 2 && x < 2 + w * scale && y < 2 + h * scale) {
              uint8_t r, g, b;
              PixelToRgb(ReadPixel(*picture, (x - 2) / scale, (y - 2) / scale), depth, r, g, b);
              want = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
            }
            wrong += out[size_t(y) * ow + x] != want;
          }
        EXPECT_EQ(wrong, 0);
      }
    }
  }
}

TEST(Scale, StretchTakesThePixelUnderEachCentre) {
  // Three source columns and rows over five: centres at 0.3, 0.9, 1.5, 2.1, 2.7.
  const uint32_t src[] = {0x11, 0x12, 0x13, 0x21, 0x22, 0x23, 0x31, 0x32, 0x33};
  uint32_t out[5 * 5] = {};
  StretchToXrgb(reinterpret_cast<const uint8_t*>(src), 12, 32, 3, 3, reinterpret_cast<uint8_t*>(out), 20, 5, 5);
  const uint32_t want[] = {1, 1, 2, 3, 3};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(out[y * 5 + x], want[y] * 16 + want[x]) << x << "," << y;
}

TEST(PresentPaths, AgreeInAWindowOnTheDummyDriver) {
  ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
  ExpectPathsAgree(false);
}

TEST(PresentPaths, AgreeInFullScreenOnTheDummyDriver) {
  ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
  ExpectPathsAgree(true);
}

TEST(PresentPaths, AgreeOnTheOffscreenDriver) {
  ScopedEnv driver("SDL_VIDEODRIVER", "offscreen");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "no offscreen driver: " << SDL_GetError();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  kestrel::testing::LeakCheckPause pause;  // it may load the GL stack
  ExpectPathsAgree(false);
  ExpectPathsAgree(true);
}

TEST(PresentPaths, ASmallerPictureClearsTheOldOneFromTheBorder) {
  ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
  ScopedEnv present("KESTREL_PRESENT", "surface");
  SdlDisplay display;
  ASSERT_NE(OpenEngineWindow(display, true, 32), 0u);
  auto big = RandomPicture(32, 320, 200, 1);
  auto small = RandomPicture(32, 160, 100, 2);
  display.ShowFrame(*big, Rect{0, 0, 320, 200});
  display.ShowFrame(*small, Rect{0, 0, 160, 100});
  EXPECT_EQ(ShownAgainst(display, *small), "same");
}

// Frame after frame, only the rows that changed are scaled again: a band in
// the middle, the first or the last row alone, nothing, everything. Each
// time the screen shows the whole new picture and nothing of the old.
TEST(PresentPaths, ChangedRowsAloneAreScaledAgainAndTheRestStands) {
  ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
  ScopedEnv present("KESTREL_PRESENT", "surface");
  for (bool fullScreen : {false, true})
    for (int depth : {15, 16, 24, 32}) {
      SCOPED_TRACE("depth " + std::to_string(depth) + (fullScreen ? ", full screen" : ", window"));
      SdlDisplay display;
      ASSERT_NE(OpenEngineWindow(display, fullScreen, depth), 0u);
      auto other = RandomPicture(depth, 320, 200, 8);
      const size_t pitch = size_t(other->Pitch());
      // The first picture (seed 7) with rows [from, to) taken from `other`; a negative
      // `to` takes only the last pixel of row `from`.
      auto withRows = [&](int from, int to) {
        auto p = RandomPicture(depth, 320, 200, 7);
        if (to < 0) std::memset(p->Pixels() + from * pitch + pitch - 1, ~p->Pixels()[from * pitch + pitch - 1], 1);
        for (int y = from; y < to; ++y) std::memcpy(p->Pixels() + y * pitch, other->Pixels() + y * pitch, pitch);
        return p;
      };
      const std::pair<int, int> bands[] = {{0, 0}, {37, 53}, {37, 53}, {199, 200}, {0, 1},
                                           {0, 0}, {0, 200}, {0, 0},   {100, -1},  {0, 0}};
      for (const auto& [from, to] : bands) {
        SCOPED_TRACE("rows " + std::to_string(from) + " to " + std::to_string(to));
        auto picture = withRows(from, to);
        display.ShowFrame(*picture, Rect{0, 0, 320, 200});
        ASSERT_EQ(ShownAgainst(display, *picture), "same");
      }
    }
}

// ---- in a real X server ----

namespace {

Shot XShow(const char* path, bool fullScreen, const Surface& picture) {
  ScopedEnv present("KESTREL_PRESENT", path);
  SdlDisplay display;
  Shot shot;
  if (OpenEngineWindow(display, fullScreen, picture.Depth()) == 0) return shot;
  shot.renderer = display.UsesRenderer();
  // Frames, as a game would show them, with the events in between, until
  // the X server shows the picture where it belongs: the server draws in its
  // own time. The cap only ends a wait for a picture that never comes.
  for (int i = 0; i < 600; ++i) {
    display.ShowFrame(picture, Rect{0, 0, picture.Width(), picture.Height()});
    display.PollEvents();
    if (!XScreenshot(display.Window(), shot.rgb, shot.width, shot.height)) {
      shot.rgb.clear();
      continue;
    }
    const int scale = fullScreen ? std::min(shot.width / 320, shot.height / 200) : 2;
    if (shot.rgb == Expected(picture, shot.width, shot.height, (shot.width - 320 * scale) / 2,
                             (shot.height - 200 * scale) / 2, scale))
      break;
  }
  return shot;
}

}  // namespace

TEST(PresentPaths, AgreeInARealXServer) {
  ASSERT_TRUE(kestrel::testing::Installed({"Xvfb"}));
  kestrel::testing::SdlOnXvfb x;
  ASSERT_TRUE(x.Start());
  VideoHold video;  // stopped before the server goes
  for (bool fullScreen : {false, true}) {
    for (int depth : {15, 16, 24, 32}) {
      SCOPED_TRACE("depth " + std::to_string(depth) + (fullScreen ? ", full screen" : ", window"));
      auto picture = RandomPicture(depth, 320, 200, unsigned(depth) + 100);
      const Shot now = XShow("surface", fullScreen, *picture);
      const Shot old = XShow("renderer", fullScreen, *picture);
      ASSERT_FALSE(now.renderer);
      ASSERT_FALSE(now.rgb.empty());
      ASSERT_FALSE(old.rgb.empty());
      const int scale = fullScreen ? std::min(now.width / 320, now.height / 200) : 2;
      const auto expected = Expected(*picture, now.width, now.height, (now.width - 320 * scale) / 2,
                                     (now.height - 200 * scale) / 2, scale);
      EXPECT_TRUE(now.rgb == expected) << FirstDifference(now.rgb, expected, now.width);
      EXPECT_TRUE(old.rgb == now.rgb) << FirstDifference(old.rgb, now.rgb, now.width);
    }
  }
}

// A window dragged to another size and back between two frames of a still
// picture (a menu, a pause): SDL makes the window's surface anew at the old
// size, often where the old one was, and the picture must be drawn into it
// again rather than taken for already shown.
TEST(PresentPaths, AStillPictureIsDrawnAgainAfterTheWindowWasResizedAndBack) {
  ASSERT_TRUE(kestrel::testing::Installed({"Xvfb"}));
  kestrel::testing::SdlOnXvfb x;
  ASSERT_TRUE(x.Start());
  ScopedEnv present("KESTREL_PRESENT", "surface");
  VideoHold video;
  SdlDisplay d;
  ASSERT_NE(kestrel::testing::OpenEngineWindow(d, false, 32), 0u);
  auto picture = RandomPicture(32, 320, 200, 5);
  const auto expected = Expected(*picture, 640, 400, 0, 0, 2);
  Shot shot;
  for (int round = 0; round < 12; ++round) {
    SDL_SetWindowSize(d.Window(), 641, 400);
    SDL_SetWindowSize(d.Window(), 640, 400);
    // Frames of the same picture until the screen shows it: a loaded server
    // may map the window late. A picture taken for already shown never comes.
    for (int frame = 0; frame < 300; ++frame) {
      d.PollEvents();
      d.ShowFrame(*picture, Rect{0, 0, 320, 200});
      ASSERT_TRUE(XScreenshot(d.Window(), shot.rgb, shot.width, shot.height));
      if (shot.rgb == expected) break;
    }
    ASSERT_TRUE(shot.rgb == expected) << "round " << round << ": " << FirstDifference(shot.rgb, expected, 640);
  }
}
