// The SDL backend under SDL's dummy video driver, and in a real X server
// (Xvfb) when one can be started.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "../support/processes.h"
#include "../support/scoped_env.h"
#include "../support/sdl_window.h"
#include "../support/xvfb.h"
#include "kestrel/buffer64.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/platform/surface.h"

using namespace kestrel::platform;
using kestrel::testing::OpenEngineWindow;
using kestrel::testing::ScopedEnv;
using kestrel::testing::SdlOnXvfb;
using Clock = std::chrono::steady_clock;

namespace {

// A 320 x 200 picture whose pixel (x, y) has red RedAt(x), green GreenAt(y)
// and blue 0xA0, stored at `depth`. The channels are multiples of 8, so every
// depth holds them exactly.
int RedAt(int x) { return (x * 3 / 4) & 0xF8; }
int GreenAt(int y) { return y & 0xF8; }

std::unique_ptr<Surface> TestPicture(int depth) {
  auto s = std::make_unique<Surface>(Surface::Kind::OffScreen, 320, 200, depth, false, nullptr);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) {
      const uint32_t r = RedAt(x), g = GreenAt(y), b = 0xA0;
      uint32_t p = 0;
      switch (depth) {
        case 15: p = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3; break;
        case 16: p = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3; break;
        default: p = r << 16 | g << 8 | b; break;
      }
      std::memcpy(s->Pixels() + (y * 320 + x) * s->BytesPerPixel(), &p, s->BytesPerPixel());
    }
  }
  return s;
}

void ExpectScreenPixel(const std::vector<uint8_t>& rgb, int width, int sx, int sy, int r, int g, int b,
                       const std::string& what) {
  const uint8_t* p = &rgb[(size_t(sy) * width + sx) * 3];
  // 5-bit channels widen with bit replication; allow for it.
  EXPECT_NEAR(p[0], r, 7) << what << " red at " << sx << "," << sy;
  EXPECT_NEAR(p[1], g, 7) << what << " green at " << sx << "," << sy;
  EXPECT_NEAR(p[2], b, 7) << what << " blue at " << sx << "," << sy;
}

class SdlDummy : public testing::Test {
 protected:
  ScopedEnv driver_{"SDL_VIDEODRIVER", "dummy"};
  ScopedEnv answer_{"KESTREL_ANSWER", nullptr};
};

}  // namespace

TEST_F(SdlDummy, OffersTheEmulatedModesAndTheDesktop) {
  SdlDisplay display;
  const std::vector<ModeEntry> modes = display.DisplayModes();
  ASSERT_GE(modes.size(), 5u);
  const int depths[] = {15, 16, 24, 32};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(modes[i].Width, 320);
    EXPECT_EQ(modes[i].Height, 200);
    EXPECT_EQ(modes[i].BitsPerPixel, depths[i]);
  }
  // The dummy driver's desktop.
  EXPECT_EQ(modes[4].Width, display.ScreenSize().x);
  EXPECT_EQ(modes[4].Height, display.ScreenSize().y);

  EXPECT_EQ(display.ChangeMode(320, 200, 16), DD_OK);
  EXPECT_EQ(display.ChangeMode(320, 200, 8), DDERR_INVALIDMODE);
  EXPECT_EQ(display.ChangeMode(640, 480, 16), DDERR_INVALIDMODE);
  display.RestoreMode();
}

TEST_F(SdlDummy, WindowShowsFramesDoubledAtEveryDepth) {
  SdlDisplay display;
  ASSERT_NE(OpenEngineWindow(display, false), 0u);
  for (int depth : {15, 16, 24, 32}) {
    auto picture = TestPicture(depth);
    display.ShowFrame(*picture, Rect{0, 0, 320, 200});
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
    ASSERT_TRUE(display.ReadScreen(rgb, w, h));
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 400);
    const std::string what = "depth " + std::to_string(depth);
    for (auto [x, y] : {std::pair{0, 0}, {17, 9}, {160, 100}, {319, 199}}) {
      for (int d = 0; d < 4; ++d) {
        ExpectScreenPixel(rgb, w, 2 * x + (d & 1), 2 * y + (d >> 1), RedAt(x), GreenAt(y), 0xA0, what);
      }
    }
  }
  // A part of a picture fills the window on its own.
  auto picture = TestPicture(32);
  display.ShowFrame(*picture, Rect{160, 100, 320, 200});
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  ASSERT_TRUE(display.ReadScreen(rgb, w, h));
  ExpectScreenPixel(rgb, w, 0, 0, RedAt(160), GreenAt(100), 0xA0, "quarter");
  ExpectScreenPixel(rgb, w, 639, 399, RedAt(319), GreenAt(199), 0xA0, "quarter");
  EXPECT_EQ(display.WindowToClient(100, 50).x, 100);
  EXPECT_EQ(display.WindowToClient(100, 50).y, 50);
}

TEST_F(SdlDummy, AWindowGivenAnotherSizeKeepsTheClientShape) {
  SdlDisplay display;
  ASSERT_NE(OpenEngineWindow(display, false), 0u);
  // As a tiling window manager might do.
  SDL_SetWindowSize(display.Window(), 800, 600);
  display.PollEvents();
  auto picture = TestPicture(32);
  display.ShowFrame(*picture, Rect{0, 0, 320, 200});
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  ASSERT_TRUE(display.ReadScreen(rgb, w, h));
  ASSERT_EQ(w, 800);
  ASSERT_EQ(h, 600);
  ExpectScreenPixel(rgb, w, 79, 100, 0, 0, 0, "border");
  ExpectScreenPixel(rgb, w, 80, 99, 0, 0, 0, "border");
  ExpectScreenPixel(rgb, w, 80, 100, 0, 0, 0xA0, "corner");
  ExpectScreenPixel(rgb, w, 80 + 639, 100 + 399, RedAt(319), GreenAt(199), 0xA0, "far corner");
  const Point p = display.WindowToClient(80 + 20, 100 + 10);
  EXPECT_EQ(p.x, 20);
  EXPECT_EQ(p.y, 10);
}

TEST_F(SdlDummy, FullScreenIsLetterboxedAtAWholeScale) {
  SdlDisplay display;
  ASSERT_NE(OpenEngineWindow(display, true, 16), 0u);
  auto picture = TestPicture(16);
  display.ShowFrame(*picture, Rect{0, 0, 320, 200});
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  ASSERT_TRUE(display.ReadScreen(rgb, w, h));
  const int scale = std::min(w / 320, h / 200);
  ASSERT_GE(scale, 1);
  const int left = (w - 320 * scale) / 2, top = (h - 200 * scale) / 2;
  if (left > 0) ExpectScreenPixel(rgb, w, left - 1, h / 2, 0, 0, 0, "border");
  if (top > 0) ExpectScreenPixel(rgb, w, w / 2, top - 1, 0, 0, 0, "border");
  ExpectScreenPixel(rgb, w, left, top, 0, 0, 0xA0, "corner");
  ExpectScreenPixel(rgb, w, left + 40 * scale + scale - 1, top + 24 * scale, RedAt(40), GreenAt(24), 0xA0, "inside");
  ExpectScreenPixel(rgb, w, left + 320 * scale - 1, top + 200 * scale - 1, RedAt(319), GreenAt(199), 0xA0,
                    "far corner");
  // The pointer maps to the picture's pixels, and to its edge over the border.
  const Point p = display.WindowToClient(left + 40 * scale, top + 24 * scale);
  EXPECT_EQ(p.x, 40);
  EXPECT_EQ(p.y, 24);
  const Point outside = display.WindowToClient(0, 0);
  EXPECT_EQ(outside.x, 0);
  EXPECT_EQ(outside.y, 0);
}

TEST_F(SdlDummy, PresentingThroughTheSeamReachesTheScreen) {
  SdlDisplay display;
  const WindowHandle window = OpenEngineWindow(display, false);
  ASSERT_NE(window, 0u);
  std::shared_ptr<DirectDraw> dd;
  ASSERT_EQ(display.DirectDrawCreate(dd), DD_OK);
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  std::shared_ptr<Surface> primary, back;
  ASSERT_EQ(dd->CreateSurface(SurfaceRequest{DDSD_CAPS, DDSCAPS_PRIMARYSURFACE}, primary), DD_OK);
  ASSERT_EQ(dd->CreateSurface(SurfaceRequest{DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                                             DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, 320, 200},
                              back),
            DD_OK);
  EXPECT_EQ(back->Depth(), display.DesktopDepth());
  BltFx fx;
  fx.fillColor = 0x00FF8000;
  ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
  const uint64_t before = display.FramesPresented();
  for (int i = 0; i < 3; ++i) {
    const Point origin = display.ClientToScreen(window, Point{0, 0});
    Rect dest{origin.x, origin.y, origin.x + 640, origin.y + 400};
    ASSERT_EQ(primary->Blt(&dest, back.get(), nullptr, 0, nullptr), DD_OK);
  }
  EXPECT_EQ(display.FramesPresented(), before + 3);
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  ASSERT_TRUE(display.ReadScreen(rgb, w, h));
  ExpectScreenPixel(rgb, w, 320, 200, 0xFF, 0x80, 0x00, "filled");
}

TEST_F(SdlDummy, ClosingTheWindowPostsOneCloseAndThenQuit) {
  SdlDisplay display;
  const WindowHandle window = OpenEngineWindow(display, false);
  ASSERT_NE(window, 0u);
  int seen = 0;
  display.AddEventListener([&](const SDL_Event& e) {
    if (e.type == SDL_USEREVENT) ++seen;
  });
  // What SDL sends when the close box is clicked: a window event, then quit.
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  close.window.windowID = SDL_GetWindowID(display.Window());
  SDL_PushEvent(&close);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  SDL_Event user{};
  user.type = SDL_USEREVENT;
  SDL_PushEvent(&user);

  display.PollEvents();
  EXPECT_EQ(seen, 1) << "every event goes to the listeners";
  ASSERT_EQ(display.PendingMessages(), 1u);
  Message m;
  ASSERT_TRUE(display.PeekMessage(window, m));
  EXPECT_EQ(m.message, WM_SYSCOMMAND);
  EXPECT_EQ(m.wParam, SC_CLOSE);
  display.DispatchMessage(m);
  ASSERT_TRUE(display.PeekMessage(window, m));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_FALSE(display.PeekMessage(window, m));

  // A quit on its own (Ctrl+C in the terminal) is a close request too.
  SDL_PushEvent(&quit);
  display.PollEvents();
  EXPECT_EQ(display.PendingMessages(), 1u);
}

TEST_F(SdlDummy, VerticalBlankIsASteadySixtyHertzClock) {
  // Only lower bounds: a busy machine may wake the game late, but no wait may
  // end before its tick. The deadline arithmetic itself is checked against a
  // made-up clock in the engine's tests.
  // Timed from before the first wait, which starts the clock: however late
  // any wait wakes, the twelfth tick is twelve periods after the start.
  SdlDisplay display;
  auto start = Clock::now();
  for (int i = 0; i < 12; ++i) display.WaitForVerticalBlank();
  double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  EXPECT_GE(ms, 199.9);

  // After a stall the clock starts afresh from the first wait after it, so
  // the ticks that follow are whole periods again rather than a rush
  // through the missed ones.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  start = Clock::now();
  for (int i = 0; i < 7; ++i) display.WaitForVerticalBlank();
  ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  EXPECT_GE(ms, 99.9);
}

TEST(SdlNoDisplay, OpeningFailsAndNamesTheCause) {
  ScopedEnv driver("SDL_VIDEODRIVER", "no-such-driver");
  SdlDisplay display;
  testing::internal::CaptureStderr();
  const WindowHandle window = OpenEngineWindow(display, false);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(window, 0u);
  // The engine's report carries the reason; the backend itself says nothing.
  EXPECT_EQ(said, "");
  const std::string why = display.WindowFailure();
  EXPECT_TRUE(why.starts_with("No display could be opened with SDL_VIDEODRIVER=no-such-driver: ")) << why;
}

// ---- in a real X server ----

// The player may drag the window to any size (the picture keeps its whole
// scale), so the window is resizable.
TEST(SdlXvfb, RealWindowIsResizableCaptionedAndDrawn) {
  ASSERT_TRUE(kestrel::testing::Installed({"Xvfb"}));
  SdlOnXvfb x;
  ASSERT_TRUE(x.Start());
  {
    SdlDisplay display;
    const WindowHandle window = OpenEngineWindow(display, false);
    ASSERT_NE(window, 0u);
    SDL_Window* w = display.Window();
    EXPECT_STREQ(SDL_GetWindowTitle(w), "Morlo v3.0 [win32]");
    int cw = 0, ch = 0;
    SDL_GetWindowSize(w, &cw, &ch);
    EXPECT_EQ(cw, 640);
    EXPECT_EQ(ch, 400);
    EXPECT_NE(SDL_GetWindowFlags(w) & SDL_WINDOW_RESIZABLE, 0u);
    auto picture = TestPicture(16);
    for (int i = 0; i < 5; ++i) {
      display.WaitForVerticalBlank();
      display.ShowFrame(*picture, Rect{0, 0, 320, 200});
      display.PollEvents();
    }
    std::vector<uint8_t> rgb;
    int sw = 0, sh = 0;
    ASSERT_TRUE(display.ReadScreen(rgb, sw, sh));
    ASSERT_EQ(sw, 640);
    ExpectScreenPixel(rgb, sw, 2 * 200 + 1, 2 * 150 + 1, RedAt(200), GreenAt(150), 0xA0, "x11");
    display.DestroyWindow(window);
    EXPECT_EQ(display.Window(), nullptr);
  }
}

// ---- the engine on the real backend ----

class SdlEngine : public SdlDummy {
 protected:
  SdlDisplay& Install() {
    auto owned = std::make_unique<SdlDisplay>();
    SdlDisplay& display = *owned;
    InstallDisplay(std::move(owned));
    kestrel::ResetEngine();
    return display;
  }
  void TearDown() override {
    ResetPlatform();
    kestrel::ResetEngine();
  }
};

TEST_F(SdlEngine, FullScreenContextPresentsTheEmulatedModeLetterboxed) {
  SdlDisplay& display = Install();
  kestrel::TSelfFullKestrel context(320, 200, 16, "Morlo v3.0 [win32]");
  EXPECT_EQ(context.BitsPerPixel, 16);
  kestrel::TBuffer64 screen(context, 320, 200, false);
  screen.Clear(context.MakeColor(255, 0, 0));
  screen.HLine(0, 319, 199, context.MakeColor(0, 255, 0));
  screen.Present(false);
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  ASSERT_TRUE(display.ReadScreen(rgb, w, h));
  const int scale = std::min(w / 320, h / 200);
  const int left = (w - 320 * scale) / 2, top = (h - 200 * scale) / 2;
  ExpectScreenPixel(rgb, w, left, top, 255, 0, 0, "first row");
  ExpectScreenPixel(rgb, w, left + 320 * scale - 1, top + 200 * scale - 1, 0, 255, 0, "last row");
  if (top > 0) ExpectScreenPixel(rgb, w, left, top - 1, 0, 0, 0, "border");
}

TEST_F(SdlEngine, WindowedContextAtA16BitDesktopShowsTheBufferDoubled) {
  ScopedEnv depth("KESTREL_DEPTH", "16");
  SdlDisplay& display = Install();
  kestrel::TSelfExKestrel context(640, 400, "Morlo v3.0 [win32]", 256);
  EXPECT_EQ(context.BitsPerPixel, 16);
  kestrel::TBuffer64 screen(context, 320, 200, false);
  screen.Clear(context.MakeColor(0, 0, 255));
  screen.VLine(0, 199, 319, context.MakeColor(255, 255, 255));
  screen.Present(true);
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  ASSERT_TRUE(display.ReadScreen(rgb, w, h));
  ASSERT_EQ(w, 640);
  ASSERT_EQ(h, 400);
  ExpectScreenPixel(rgb, w, 0, 0, 0, 0, 255, "inside");
  ExpectScreenPixel(rgb, w, 637, 399, 0, 0, 255, "inside");
  ExpectScreenPixel(rgb, w, 638, 0, 255, 255, 255, "last column");
  ExpectScreenPixel(rgb, w, 639, 399, 255, 255, 255, "last column");
}
