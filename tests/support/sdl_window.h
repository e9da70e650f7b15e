// A window on the SDL backend made the way the engine makes one, for tests of
// the backend below the engine.
#pragma once
#include <cstdint>

#include "kestrel/platform/sdl/sdl_display.h"

namespace kestrel::testing {

namespace sdl_window_detail {
inline platform::SdlDisplay* shown = nullptr;
}  // namespace sdl_window_detail

// Its procedure: a close request quits, as in the engine's windowed class.
inline intptr_t QuitOnClose(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  platform::SdlDisplay& d = *sdl_window_detail::shown;
  if (message == platform::WM_CLOSE) {
    d.PostMessage(window, platform::WM_QUIT);
    return 0;
  }
  return d.DefWindowProc(window, message, wParam, lParam);
}

// A 640 x 400 client area in the engine's fixed frame with a title bar and a
// close box, or, in the emulated 320 x 200 mode at `depth`, a borderless
// window over the whole screen; 0 when the mode or the window fails. The
// window is at the screen's corner: an X server reads back only what is on
// the screen, and a window made whole screen stays where it was.
inline platform::WindowHandle OpenEngineWindow(platform::SdlDisplay& display, bool fullScreen, int depth = 16) {
  constexpr uint32_t kPopup = 0x86000000, kFixedFrame = 0x06C80000;
  sdl_window_detail::shown = &display;
  display.RegisterClass("Test", QuitOnClose);
  if (fullScreen) {
    if (display.ChangeMode(320, 200, depth) != platform::DD_OK) return 0;
    const platform::Point screen = display.ScreenSize();
    return display.CreateWindowEx(0, "Test", "Morlo v3.0 [win32]", kPopup, 0, 0, screen.x, screen.y);
  }
  platform::Rect r{0, 0, 640, 400};
  display.AdjustWindowRectEx(r, kFixedFrame, 0);
  return display.CreateWindowEx(0, "Test", "Morlo v3.0 [win32]", kFixedFrame, 0, 0, r.Width(), r.Height());
}

}  // namespace kestrel::testing
