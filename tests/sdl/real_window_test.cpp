// The real window on a private X server: Alt+Enter between the window and
// the whole screen, a close in the first frames of full screen, the window
// destroyed by another program, and a termination signal while a box is
// open. The game itself runs as a process where the whole program is what is
// checked.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../support/data_cut_short.h"
#include "../support/frame_paced_player.h"
#include "../support/sdl_window.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/platform/surface.h"

// Last: Xlib defines macros (None, Bool, Status) that other headers use as names.
#include "../support/x_screenshot.h"

using namespace kestrel::platform;
using kestrel::testing::FirstLineOn;
using kestrel::testing::FramePacedPlayer;
using kestrel::testing::GameCommand;
using kestrel::testing::Installed;
using kestrel::testing::OpenEngineWindow;
using kestrel::testing::ReadText;
using kestrel::testing::RealGame;
using kestrel::testing::ScratchDir;
using kestrel::testing::SdlOnXvfb;
using kestrel::testing::WaitUntil;
using kestrel::testing::WindowTitled;
using kestrel::testing::WriteDataCutShort;
using kestrel::testing::XScreenshot;
namespace fs = std::filesystem;

namespace {

// Asks a window to close as a window manager's close box does.
bool SendClose(const std::string& displayName, unsigned long window) {
  ::Display* x = XOpenDisplay(displayName.c_str());
  if (!x) return false;
  XEvent e;
  std::memset(&e, 0, sizeof e);
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(x, window, False, NoEventMask, &e) != 0;
  XSync(x, False);
  XCloseDisplay(x);
  return sent;
}

// Destroys a window as another program may: xdotool windowclose, or a
// window manager that goes down with it.
bool DestroyFromElsewhere(const std::string& displayName, unsigned long window) {
  ::Display* x = XOpenDisplay(displayName.c_str());
  if (!x) return false;
  XDestroyWindow(x, window);
  XSync(x, False);
  XCloseDisplay(x);
  return true;
}

unsigned long XWindowOf(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}

// A 320 x 200 picture at 32 bits whose pixel (x, y) is (x & 255, y, 0x40).
std::unique_ptr<Surface> Picture() {
  auto s = std::make_unique<Surface>(Surface::Kind::OffScreen, 320, 200, 32, false, nullptr);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) {
      const uint32_t p = uint32_t(x & 255) << 16 | uint32_t(y) << 8 | 0x40;
      std::memcpy(s->Pixels() + (size_t(y) * 320 + x) * 4, &p, 4);
    }
  return s;
}

// Whether the screenshot shows the picture's pixel (x, y) at (sx, sy).
::testing::AssertionResult ShowsPixel(const std::vector<uint8_t>& rgb, int width, int sx, int sy, int x, int y) {
  const uint8_t* p = &rgb[(size_t(sy) * width + sx) * 3];
  if (p[0] == (x & 255) && p[1] == y && p[2] == 0x40) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at " << sx << "," << sy << " (" << int(p[0]) << "," << int(p[1]) << ","
                                       << int(p[2]) << ") is not picture pixel " << x << "," << y;
}

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Installed({"Xvfb", "xdotool", "xwininfo"}));
    ASSERT_TRUE(x_.Start());
  }
  // Presents `frames` frames at the display's pace, handling events between
  // them as the game's loop does; the milliseconds that took.
  double Run(SdlDisplay& d, const Surface& picture, int frames) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
      d.WaitForVerticalBlank();
      d.ShowFrame(picture, Rect{0, 0, 320, 200});
      d.PollEvents();
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  // Presses Alt+Enter on the window, as a player would, and runs frames
  // until the window has answered and a screenshot shows a whole frame at
  // its new size: the picture's first, middle and last pixels at their
  // places, 3x on the whole screen or 2x in the window. That screenshot is
  // left in `rgb` for the test to read. The caps only end a wait for an
  // answer that never comes.
  void AltEnter(SdlDisplay& d, const Surface& picture, std::vector<uint8_t>& rgb) {
    const bool before = d.ShownFullScreen();
    const std::string id = std::to_string(XWindowOf(d.Window()));
    std::system(("xdotool windowfocus --sync " + id + " key alt+Return").c_str());
    for (int i = 0; i < 3600 && d.ShownFullScreen() == before; ++i) Run(d, picture, 1);
    const bool whole = d.ShownFullScreen();
    const int w = whole ? 1024 : 640, h = whole ? 768 : 400, scale = whole ? 3 : 2, left = whole ? 32 : 0,
              top = whole ? 84 : 0;
    int shotW = 0, shotH = 0;
    for (int i = 0; i < 3600; ++i) {
      Run(d, picture, 1);
      if (XScreenshot(d.Window(), rgb, shotW, shotH) && shotW == w && shotH == h &&
          ShowsPixel(rgb, w, left, top, 0, 0) &&
          ShowsPixel(rgb, w, left + 100 * scale + scale - 1, top + 50 * scale, 100, 50) &&
          ShowsPixel(rgb, w, left + 320 * scale - 1, top + 200 * scale - 1, 319, 199))
        return;
    }
  }
  SdlOnXvfb x_;
};

// A window of the windowed context goes to the whole 1024 x 768 screen,
// with the picture at the largest whole scale (3, centred at 32, 84), the
// pointer read in the client area's coordinates and the 60 Hz pace; and
// back to 640 x 400, doubled.
TEST_F(RealWindow, AltEnterSwitchesBetweenTheWindowAndTheWholeScreen) {
  auto picture = Picture();
  for (bool fullScreenContext : {false, true}) {
    SCOPED_TRACE(fullScreenContext ? "full-screen context" : "windowed context");
    SdlDisplay d;
    const WindowHandle window = OpenEngineWindow(d, fullScreenContext, 32);
    ASSERT_NE(window, 0u);
    Run(d, *picture, 5);
    // Picture pixel (100, 50) as the window shows it, and where the pointer
    // over it reads: client pixels for a windowed context, picture pixels
    // for a full-screen one. The windowed context's is checked on the whole
    // screen, at 3x, where the second pixel of a block has its centre over
    // client pixel 201 (1.5 screen pixels to a client pixel).
    const Point expected = fullScreenContext ? Point{100, 50} : Point{201, 101};
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      ASSERT_EQ(d.ShownFullScreen(), fullScreenContext);
      std::vector<uint8_t> rgb;
      AltEnter(d, *picture, rgb);
      ASSERT_NE(d.ShownFullScreen(), fullScreenContext) << "Alt+Enter was not seen";
      const bool whole = d.ShownFullScreen();
      const int scale = whole ? 3 : 2, left = whole ? 32 : 0, top = whole ? 84 : 0, w = whole ? 1024 : 640;
      ASSERT_EQ(rgb.size(), size_t(w) * (whole ? 768 : 400) * 3);
      EXPECT_TRUE(ShowsPixel(rgb, w, left, top, 0, 0));
      EXPECT_TRUE(ShowsPixel(rgb, w, left + 100 * scale + scale - 1, top + 50 * scale, 100, 50));
      EXPECT_TRUE(ShowsPixel(rgb, w, left + 320 * scale - 1, top + 200 * scale - 1, 319, 199));
      if (whole) {
        EXPECT_FALSE(ShowsPixel(rgb, w, 0, 0, 0, 0)) << "a black border";
      }
      const Point p = d.WindowToClient(left + 100 * scale + 1, top + 50 * scale + 1);
      EXPECT_EQ(p.x, expected.x);
      EXPECT_EQ(p.y, expected.y);
      // 30 frames at 60 a second take at least half a second on either
      // screen: the pace holds after the switch (a busy machine only makes
      // them later).
      EXPECT_GT(Run(d, *picture, 30), 450.0);
      AltEnter(d, *picture, rgb);
    }
    d.DestroyWindow(window);
  }
}

// Full screen shows one window, made once, on either way of presenting: no
// window is made, shown and taken down again before it.
TEST_F(RealWindow, FullScreenIsShownOnce) {
  auto picture = Picture();
  for (const char* path : {"surface", "renderer"}) {
    SCOPED_TRACE(path);
    kestrel::testing::ScopedEnv present("KESTREL_PRESENT", path);
    ::Display* x = XOpenDisplay(x_.Display().c_str());
    ASSERT_NE(x, nullptr);
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
    XSync(x, False);
    {
      SdlDisplay d;
      const WindowHandle window = OpenEngineWindow(d, true, 16);
      ASSERT_NE(window, 0u);
      Run(d, *picture, 10);
      // Ten frames shown means the window was made and shown long before;
      // its events are drained until the map has come through (the cap only
      // ends a wait for a window that is never shown).
      int mapped = 0, unmapped = 0;
      for (int i = 0; i < 500 && mapped == 0; ++i) {
        XSync(x, False);
        while (XPending(x)) {
          XEvent e;
          XNextEvent(x, &e);
          mapped += e.type == MapNotify;
          unmapped += e.type == UnmapNotify;
        }
        if (mapped == 0) RealGame::Sleep(20);
      }
      EXPECT_EQ(mapped, 1);
      EXPECT_EQ(unmapped, 0);
      d.DestroyWindow(window);
    }
    XCloseDisplay(x);
  }
}

// The game as a process, in a folder of its own.
class RealGameRun : public RealWindow {
 protected:
  bool NothingLeft() const { return scratch_.NothingLeft() && !fs::exists("KRL_ERR.txt"); }
  // What the game wrote, on either stream.
  std::string Said() const { return ReadText("out.txt") + ReadText("err.txt"); }
  ScratchDir scratch_;
};

// A close at once, or a few frames into full screen, ends the game through
// its shutdown with exit 0. So does the window destroyed by another program
// (xdotool windowclose, a window manager that crashed), in full screen and
// in a window, with one line that says so.
TEST_F(RealGameRun, TheWindowClosedOrDestroyedEndsTheGame) {
  const std::string destroyedLine = "The window was destroyed by another program; the game ends.\n";
  struct Case {
    const char* answer;
    size_t frames;
    bool destroy;
  } cases[] = {{"yes", 0, false}, {"yes", 2, false}, {"yes", 20, false},
               {"yes", 20, true}, {"no", 0, true},   {"no", 20, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.destroy ? "destroyed" : "closed") + " after " + std::to_string(c.frames) +
                 " frames, full screen " + c.answer);
    for (const char* old : {"frames.log", "out.txt", "err.txt"}) fs::remove(old);
    RealGame game(x_.Display(), GameCommand(scratch_, "KESTREL_ANSWER=" + std::string(c.answer)));
    ASSERT_TRUE(game.Started());
    unsigned long window = 0;
    ASSERT_TRUE(WaitUntil([&] { return (window = WindowTitled(x_.Display(), "Morlo v3.0")) != 0; }))
        << "no window: " << Said();
    if (c.frames > 0) {
      FramePacedPlayer player(game);
      ASSERT_TRUE(player.Reach(c.frames)) << Said();
    }
    ASSERT_TRUE(c.destroy ? DestroyFromElsewhere(x_.Display(), window) : SendClose(x_.Display(), window));
    EXPECT_EQ(game.Wait(10), 0) << Said();
    EXPECT_EQ(Said(), c.destroy ? destroyedLine : "");
    EXPECT_TRUE(NothingLeft());
  }
}

// The game in a window switches to the whole screen and back while it runs,
// and still ends cleanly by its close box.
TEST_F(RealGameRun, AltEnterInTheRunningGame) {
  RealGame game(x_.Display(), GameCommand(scratch_, "KESTREL_ANSWER=no"));
  ASSERT_TRUE(game.Started());
  ASSERT_TRUE(game.FindWindow("Morlo v3.0"));
  const unsigned long window = WindowTitled(x_.Display(), "Morlo v3.0");
  // "Geometry: WxH" once the window has left `from`.
  auto sizeAfterAltEnter = [&](const std::string& from) {
    game.Xdo("key alt+Return");
    std::string now;
    WaitUntil([&] {
      now = FirstLineOn(x_.Display(), "xdotool getwindowgeometry " + std::to_string(window) + " | grep Geometry");
      return now.find(from) == std::string::npos;
    });
    return now;
  };
  EXPECT_EQ(sizeAfterAltEnter("640x400"), "  Geometry: 1024x768");
  EXPECT_EQ(sizeAfterAltEnter("1024x768"), "  Geometry: 640x400");
  EXPECT_EQ(game.Wait(0), -1) << "the game goes on";
  ASSERT_TRUE(SendClose(x_.Display(), window));
  EXPECT_EQ(game.Wait(10), 0) << Said();
  EXPECT_TRUE(NothingLeft());
}

// A termination signal while a box is open, the start-up question or the
// report of an error, ends the game at once with 128 + the signal and takes
// the box down with it: sent to the game alone, or to the terminal's whole
// job as Ctrl+C sends it, which reaches a box SDL forked from the game too.
// The error comes after the scratch folder was made; none is left.
TEST_F(RealGameRun, ASignalWhileABoxIsOpenEndsTheGameAndTheBox) {
  enum class Data { Whole, CutShort, AFolder };
  struct Box {
    const char* name;
    const char* settings;
    Data data;
    const char* title;
    size_t windows;  // with that title while the box is up
  } boxes[] = {
      {"the start-up question", "", Data::Whole, "Do you want...", 1},
      // The report bears the window's caption.
      {"an engine error over the window", "KESTREL_ANSWER=no", Data::CutShort, "Morlo v3.0", 2},
      // Full screen shows no engine error, but data it cannot open it does.
      {"data that cannot be opened over full screen", "KESTREL_ANSWER=yes", Data::AFolder, "Morlo v3.0", 2},
  };
  struct Delivery {
    int signal;
    bool wholeJob;
  } deliveries[] = {{SIGTERM, false}, {SIGINT, true}, {SIGHUP, false}};
  auto windowsTitled = [&](const std::string& title) {
    return kestrel::testing::WindowsTitled(x_.Display(), title).size();
  };
  for (const Box& box : boxes)
    for (const Delivery& d : deliveries) {
      SCOPED_TRACE(std::string(box.name) + ", " + strsignal(d.signal) + (d.wholeJob ? " to the job" : ""));
      fs::remove_all("data.kpk");
      for (const char* old : {"KRL_ERR.txt", "out.txt", "err.txt"}) fs::remove(old);
      if (box.data == Data::CutShort) WriteDataCutShort(kestrel::testing::kGeneratedData, "data.kpk");
      if (box.data == Data::AFolder) fs::create_directory("data.kpk");
      // A job of its own, as a terminal starts it: the game leads its group.
      RealGame game(x_.Display(), "setsid " + GameCommand(scratch_, box.settings));
      ASSERT_TRUE(game.Started());
      // A loaded machine may take its time; the cap only ends a hang.
      ASSERT_TRUE(WaitUntil([&] { return windowsTitled(box.title) >= box.windows; }))
          << "the box did not show: " << Said();
      ::kill(d.wholeJob ? -game.Pid() : game.Pid(), d.signal);
      // At once: the bound only tells an end from a wait for the box's answer.
      EXPECT_EQ(game.Wait(5), 128 + d.signal) << Said();
      // The server takes a dead client's windows down as it notices the end
      // of its connection; the cap only ends a wait for a box that stays.
      EXPECT_TRUE(WaitUntil([&] { return windowsTitled(box.title) == 0; }, 10)) << "a box is left";
      EXPECT_TRUE(scratch_.NothingLeft()) << "a scratch folder is left";
    }
}

}  // namespace
