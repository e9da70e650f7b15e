// What a display backend supplies: the screen and its modes, the window,
// its events, its questions, and the input and sound of the same backend.
// Display (display.h) keeps everything the backends share; a backend derives
// from it and supplies these.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/platform/result.h"
#include "kestrel/platform/surface.h"

namespace kestrel::platform {

using WindowHandle = uint32_t;  // 0 is no window

struct Point {
  int32_t x = 0, y = 0;
};

struct ModeEntry {
  int32_t Width = 0, Height = 0, BitsPerPixel = 0, RefreshRate = 0;
  bool operator==(const ModeEntry&) const = default;
};

class InputBackend;
class SoundBackend;
struct Bindings;

class DisplayBackend : public Screen {
 public:
  virtual ~DisplayBackend() = default;

  virtual const char* BackendName() const = 0;
  // Depth of the desktop a window is shown on (15, 16, 24, 32, or anything
  // else the desktop really has).
  virtual int DesktopDepth() const = 0;
  virtual Point ScreenSize() const = 0;
  // The modes a full-screen context may ask for, in enumeration order.
  virtual std::vector<ModeEntry> DisplayModes() const = 0;
  virtual bool HasHardware() const { return false; }
  // Opens the real window for a window handle made by CreateWindowEx. A
  // full-screen window shows a picture of `clientWidth` x `clientHeight`.
  virtual HResult OpenWindow(WindowHandle window, const std::string& caption, int32_t clientWidth, int32_t clientHeight,
                             bool fullScreen) = 0;
  virtual void CloseWindow(WindowHandle window) = 0;
  // Switches the screen to the emulated mode (full screen) or back.
  virtual HResult ChangeMode(int32_t width, int32_t height, int32_t bitsPerPixel) = 0;
  virtual void RestoreMode() = 0;
  // The pixel depth a mode asked for as `bitsPerPixel` really has: a driver
  // may offer a 16-bit mode that is 5-5-5.
  virtual int RealModeDepth(int32_t bitsPerPixel) const { return bitsPerPixel; }
  // A finished frame reached the screen: `area` of `picture`, stretched over
  // the client area of the current window.
  virtual void ShowFrame(const Surface& picture, const Rect& area) = 0;
  // Waits for the next tick of the emulated display's clock, FrameRate()
  // ticks a second. The headless backend does not wait.
  void WaitForVerticalBlank() override = 0;
  // Moves pending backend events (a window closed, keys, the mouse) into the
  // message queue and to the input layer.
  virtual void PollEvents() = 0;
  virtual void SetCursorVisible(bool visible) = 0;
  // Asks a Yes/No question; true for Yes. KESTREL_ANSWER=yes|no answers it
  // without asking in every backend.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  // Shows a failure text to the user (the windowed error path).
  virtual void ShowErrorMessage(const std::string& caption, const std::string& text) = 0;
  // Why the last OpenWindow failed, in the user's terms ("no display could
  // be opened: DISPLAY is not set ..."), or "".
  virtual std::string WindowFailure() const { return ""; }
  // The window's icon, `width` x `height` pixels of 0xAARRGGBB, row by row;
  // kept for windows opened later. A backend without a window ignores it.
  virtual void SetWindowIcon(const std::vector<uint32_t>& argb, int32_t width, int32_t height) {
    (void)argb, (void)width, (void)height;
  }
  // The devices of the same backend: the seam asks the display it has for
  // them rather than guessing the backend from the display's type.
  virtual std::unique_ptr<InputBackend> CreateInputBackend() = 0;
  virtual std::unique_ptr<SoundBackend> CreateSoundBackend() = 0;
  // The key bindings a replayed input script carries, which win over the
  // program's; null when there are none.
  virtual const Bindings* ScriptBindings() const { return nullptr; }

 protected:
  // Called after each presented frame (frame bound, logs, capture).
  virtual void AfterFrame() {}
};

}  // namespace kestrel::platform
