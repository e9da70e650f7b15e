// The display seam: window classes, windows and their message queue, the
// DirectDraw-shaped object that makes surfaces, clippers and display modes,
// and message boxes. `Display` keeps what every backend shares (class
// registry, queue, surfaces, fault checks); a backend supplies the screen
// (display_backend.h).
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/platform/display_backend.h"
#include "kestrel/platform/result.h"
#include "kestrel/platform/surface.h"

namespace kestrel::platform {

// Window messages, with the values the engine's window procedures test.
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uintptr_t SC_CLOSE = 0xF060;
constexpr uintptr_t SC_SCREENSAVE = 0xF140;
constexpr uintptr_t SC_MONITORPOWER = 0xF170;

// Cooperative levels.
constexpr uint32_t DDSCL_FULLSCREEN = 0x1;
constexpr uint32_t DDSCL_ALLOWREBOOT = 0x2;
constexpr uint32_t DDSCL_NORMAL = 0x8;
constexpr uint32_t DDSCL_EXCLUSIVE = 0x10;
constexpr uint32_t DDWAITVB_BLOCKEND = 0x4;
constexpr uint32_t DDCAPS_NOHARDWARE = 0x02000000;

struct Message {
  WindowHandle window = 0;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

using WindowProc = intptr_t (*)(WindowHandle, uint32_t, uintptr_t, intptr_t);

struct PixelFormat {
  uint32_t rgbBitCount = 0;
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;
};

// A clipper only remembers its window: every surface is clipped to its own
// bounds anyway, and nothing else overlaps our windows.
class Clipper {
 public:
  HResult SetHWnd(uint32_t flags, WindowHandle window);
  WindowHandle Window() const { return window_; }

 private:
  WindowHandle window_ = 0;
};

class Display;

// The object that `DirectDrawCreate` hands out. It forwards to its display.
class DirectDraw {
 public:
  explicit DirectDraw(Display& display) : display_(display) {}
  HResult SetCooperativeLevel(WindowHandle window, uint32_t flags);
  HResult SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel);
  HResult RestoreDisplayMode();
  HResult CreateSurface(const SurfaceRequest& request, std::shared_ptr<Surface>& out);
  HResult CreateClipper(uint32_t flags, std::shared_ptr<Clipper>& out);
  // Fills the capability word of the driver and of the emulation layer.
  HResult GetCaps(uint32_t& halCaps, uint32_t& helCaps);
  HResult EnumDisplayModes(uint32_t flags, const std::function<bool(const ModeEntry&)>& callback);
  HResult WaitForVerticalBlank(uint32_t flags);
  Display& GetDisplay() { return display_; }

 private:
  Display& display_;
};

class Display : public DisplayBackend {
 public:
  ~Display() override;

  // ---- window classes and windows ----
  bool GetClassInfo(const std::string& className) const;
  bool RegisterClass(const std::string& className, WindowProc proc);
  bool UnregisterClass(const std::string& className);
  // Adds a frame of fixed thickness around the client area, as the style asks.
  void AdjustWindowRectEx(Rect& rect, uint32_t style, uint32_t exStyle) const;
  WindowHandle CreateWindowEx(uint32_t exStyle, const std::string& className, const std::string& caption,
                              uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height);
  bool DestroyWindow(WindowHandle window);
  bool ShowWindow(WindowHandle window);
  bool IsWindow(WindowHandle window) const;
  Rect GetClientRect(WindowHandle window) const;
  Point ClientToScreen(WindowHandle window, Point p) const;
  Point ScreenToClient(WindowHandle window, Point p) const;
  WindowHandle MainWindow() const { return mainWindow_; }
  bool IsFullScreenWindow() const { return mainFullScreen_; }
  int ShowCursor(bool show);  // returns the display counter, as Windows does

  // ---- messages ----
  // Takes the first pending message for `window` (or any window when 0). A
  // quit message is always taken, whatever the filter.
  bool PeekMessage(WindowHandle window, Message& out);
  void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
  void PostQuitMessage(int exitCode);
  intptr_t DispatchMessage(const Message& msg);
  intptr_t SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
  intptr_t DefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  // Dispatches every pending message but a quit message, which stays queued
  // for the next PeekMessage. Does nothing when there is no window.
  void DispatchPending();
  // Asks the window to close, as its close box does.
  void RequestClose();
  size_t PendingMessages() const { return queue_.size(); }

  // ---- DirectDraw ----
  HResult DirectDrawCreate(std::shared_ptr<DirectDraw>& out);
  void ChangeDisplaySettings();

  // Pixel format of surfaces made now: the emulated mode's in full screen,
  // the desktop's in a window.
  int SurfaceDepth() const;
  PixelFormat FormatOfDepth(int depth) const;

  // Internal to the seam: used by Surface and DirectDraw.
  HResult CreateSurfaceFor(const SurfaceRequest& request, std::shared_ptr<Surface>& out);
  HResult SetCooperativeLevel(WindowHandle window, uint32_t flags);
  HResult SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel);
  HResult RestoreDisplayMode();
  void PresentSurface(const Surface& picture, const Rect& area) final;
  // Number of frames that reached the screen.
  uint64_t FramesPresented() const { return framesPresented_; }
  // The refresh rate of the emulated display, 60 frames a second unless set;
  // kept within 1 to 1000.
  void SetFrameRate(int32_t framesPerSecond);
  int32_t FrameRate() const { return frameRate_; }
  std::shared_ptr<Surface> PrimarySurface() const { return primary_.lock(); }

 protected:
  Display() = default;
  uint64_t framesPresented_ = 0;
  int32_t frameRate_ = 60;

 private:
  struct WindowInfo {
    std::string className;
    std::string caption;
    uint32_t style = 0, exStyle = 0;
    Rect outer;   // position and outer size on the screen
    Rect client;  // client area on the screen
    bool visible = false;
    bool fullScreen = false;
  };
  std::map<std::string, WindowProc> classes_;
  std::map<WindowHandle, WindowInfo> windows_;
  std::deque<Message> queue_;
  WindowHandle nextWindow_ = 1;
  WindowHandle mainWindow_ = 0;
  bool mainFullScreen_ = false;
  int cursorCount_ = 0;
  bool exclusive_ = false;
  int modeDepth_ = 0;  // the emulated mode's depth while one is set
  int32_t modeWidth_ = 0, modeHeight_ = 0;
  std::weak_ptr<Surface> primary_;
  bool quitPosted_ = false;
  bool terminationSeen_ = false;
  friend class Surface;
};

// ---- the current backend ----
// KESTREL_PLATFORM=headless selects the in-memory backend; sdl, or nothing,
// the SDL one. Any other value is a UsageError.
bool HeadlessSelected();
// The one place that picks a backend: a display of the selected one. Input
// and sound come from the display (CreateInputBackend, CreateSoundBackend).
std::unique_ptr<Display> CreateDisplay();
// The display of this process, made on first use by CreateDisplay.
Display& GetDisplay();
bool HasDisplay();
// Replaces the current display (tests); also runs the reset hooks.
void InstallDisplay(std::unique_ptr<Display> display);
// Drops the display and everything registered with OnPlatformReset.
void ResetPlatform();
// Input and sound register here to be dropped with the display.
void OnPlatformReset(std::function<void()> hook);

// Made by the backends (defined in sdl/ and headless/).
std::unique_ptr<Display> CreateSdlDisplay();
std::unique_ptr<Display> CreateHeadlessDisplayFromEnvironment();

// KESTREL_ANSWER: 1 for yes, 0 for no, -1 when unset; any other value is a
// UsageError.
int AnswerFromEnvironment();

}  // namespace kestrel::platform
