// A real SDL window on a private X server, driven by xdotool: what a key
// press, a click and the pointer look like through TInput64.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "../support/processes.h"
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
    ASSERT_TRUE(kestrel::testing::Installed({"Xvfb", "xdotool"}));
    ASSERT_TRUE(x_.Start());
    ResetPlatform();
    ResetEngine();
    InstallDisplay(CreateSdlDisplay());
    context_ = std::make_unique<TSelfExKestrel>(640, 400, "devices-xdotool", 256);
    auto* sdl = dynamic_cast<SdlDisplay*>(&GetDisplay());
    ASSERT_NE(sdl, nullptr);
    // xdotool addresses the X window by its own id, found by the caption
    // once the window is there; the keys go to it once it has the focus.
    ASSERT_TRUE(PumpUntil([&] {
      return !(xid_ = kestrel::testing::FirstLineOn(x_.Display(), "xdotool search --name devices-xdotool")).empty();
    })) << "no window";
    Shell("xdotool windowfocus --sync " + xid_);
    ASSERT_TRUE(PumpUntil([] { return SDL_GetKeyboardFocus() != nullptr; })) << "no focus";
  }
  void TearDown() override {
    context_.reset();
    ResetPlatform();
    ResetEngine();
  }

  // Drains the display's events until `arrived` says the X server's events
  // have come through; false when they never do (the cap ends a hang only).
  static bool PumpUntil(const std::function<bool()>& arrived) {
    return kestrel::testing::WaitUntil(
        [&] {
          GetDisplay().PollEvents();
          return arrived();
        },
        10);
  }

  // A server of the test's own, never the desktop the tests were started
  // from: xdotool moves its pointer and sends its keys.
  kestrel::testing::SdlOnXvfb x_;
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
