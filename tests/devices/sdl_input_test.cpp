// A real SDL window on an X server, driven by xdotool: what a key press, a
// click and the pointer look like through TInput64. Skipped without an X
// display or without xdotool (run it under Xvfb).
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "../support/xvfb.h"
#include "kestrel/input64.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/sdl/sdl_display.h"

using namespace kestrel;
using namespace kestrel::platform;

namespace {

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

class SdlInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Shell("command -v xdotool")) GTEST_SKIP() << "needs xdotool (apt-get install xdotool)";
    // Without an X display of our own, bring up a private one.
    if (!std::getenv("DISPLAY")) {
      if (!Shell("command -v Xvfb")) GTEST_SKIP() << "needs an X display or Xvfb";
      if (!server_.Start()) GTEST_SKIP() << "Xvfb could not be started";
      setenv("DISPLAY", server_.Display().c_str(), 1);
      ownDisplay_ = true;
    }
    leakPause_ = std::make_unique<kestrel::testing::LeakCheckPause>();
    ResetPlatform();
    ResetEngine();
    InstallDisplay(CreateSdlDisplay());
    context_ = std::make_unique<TSelfExKestrel>(640, 400, "devices-xdotool", 256);
    auto* sdl = dynamic_cast<SdlDisplay*>(&GetDisplay());
    ASSERT_NE(sdl, nullptr);
    // xdotool addresses the X window by its own id, found by the caption
    // once the window is there; the keys go to it once it has the focus.
    ASSERT_TRUE(PumpUntil([&] { return !(xid_ = XWindowOf()).empty(); })) << "no window";
    Shell("xdotool windowfocus --sync " + xid_);
    ASSERT_TRUE(PumpUntil([] { return SDL_GetKeyboardFocus() != nullptr; })) << "no focus";
  }
  void TearDown() override {
    context_.reset();
    ResetPlatform();
    ResetEngine();
    if (ownDisplay_) unsetenv("DISPLAY");
    leakPause_.reset();
  }

  static std::string XWindowOf() {
    FILE* p = popen("xdotool search --name devices-xdotool | head -n1", "r");
    char buf[64] = {};
    if (p) {
      if (!fgets(buf, sizeof buf, p)) buf[0] = 0;
      pclose(p);
    }
    std::string id(buf);
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
    return id;
  }

  // Drains the display's events until `arrived` says the X server's events
  // have come through; false when they never do (the cap ends a hang only).
  bool PumpUntil(const std::function<bool()>& arrived) {
    for (int i = 0; i < 1000; ++i) {
      GetDisplay().PollEvents();
      if (arrived()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  kestrel::testing::Xvfb server_;
  std::unique_ptr<kestrel::testing::LeakCheckPause> leakPause_;
  bool ownDisplay_ = false;
  std::unique_ptr<TSelfExKestrel> context_;
  std::string xid_;
};

TEST_F(SdlInputTest, RealKeysClicksAndPointer) {
  ASSERT_FALSE(xid_.empty());
  TInput64 input(context_->Handle);
  auto held = [&](int code) { return [&input, code] { return input.KeyDown(code); }; };
  auto free = [&](int code) { return [&input, code] { return !input.KeyDown(code); }; };

  ASSERT_TRUE(Shell("xdotool keydown Left"));
  EXPECT_TRUE(PumpUntil(held(0xCB)));
  ASSERT_TRUE(Shell("xdotool keydown Right"));
  EXPECT_TRUE(PumpUntil(held(0xCD)));
  EXPECT_TRUE(input.KeyDown(0xCB)) << "both held at once";
  Shell("xdotool keyup Left keyup Right");
  EXPECT_TRUE(PumpUntil([&] { return !input.KeyDown(0xCB) && !input.KeyDown(0xCD); }));

  for (auto [key, code] : {std::pair{"Control_L", 0x1D},
                           {"Control_R", 0x9D},
                           {"Up", 0xC8},
                           {"Escape", 0x01},
                           {"Return", 0x1C},
                           {"KP_Enter", 0x9C}}) {
    SCOPED_TRACE(key);
    Shell(std::string("xdotool keydown ") + key);
    EXPECT_TRUE(PumpUntil(held(code)));
    Shell(std::string("xdotool keyup ") + key);
    EXPECT_TRUE(PumpUntil(free(code)));
  }

  // The pointer, inside the client area and left of / above it.
  int32_t x = 0, y = 0;
  auto at = [&](int32_t wantX, int32_t wantY) {
    return [&, wantX, wantY] {
      input.GetMousePos(x, y);
      return x == wantX && y == wantY;
    };
  };
  Shell("xdotool mousemove --window " + xid_ + " 100 50");
  EXPECT_TRUE(PumpUntil(at(100, 50))) << x << "," << y;
  // Moved as a device moves it (a warp would not reach SDL's global pointer).
  Shell("xdotool mousemove_relative -- -120 -80");
  EXPECT_TRUE(PumpUntil(at(-20, -30))) << x << "," << y;

  // A click between two reads clicks at the first read after it, and only
  // there; a held button reads held. The move after the click comes through
  // after it, so once the pointer is there the click has come through too.
  Shell("xdotool mousemove --window " + xid_ + " 100 50");
  EXPECT_TRUE(PumpUntil(at(100, 50)));
  bool left = false, middle = false, right = false;
  input.MouseButtons(left, middle, right);
  Shell("xdotool click 1 mousemove --window " + xid_ + " 101 50");
  EXPECT_TRUE(PumpUntil(at(101, 50)));
  input.MouseButtons(left, middle, right);
  EXPECT_TRUE(left);
  input.MouseButtons(left, middle, right);
  EXPECT_FALSE(left);
  Shell("xdotool mousedown 3");
  EXPECT_TRUE(PumpUntil([&] {
    input.MouseButtons(left, middle, right);
    return right;
  }));
  Shell("xdotool mouseup 3");
  EXPECT_TRUE(PumpUntil([&] {
    input.MouseButtons(left, middle, right);
    return !right;
  }));
}

}  // namespace
