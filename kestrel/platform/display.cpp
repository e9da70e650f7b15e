#include "kestrel/platform/display.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "kestrel/base/faults.h"
#include "kestrel/platform/environment.h"
#include "kestrel/platform/termination.h"

namespace kestrel::platform {

// ---- DirectDraw ----

HResult DirectDraw::SetCooperativeLevel(WindowHandle window, uint32_t flags) {
  if (HResult r = CheckFault("SetCooperativeLevel")) return r;
  return display_.SetCooperativeLevel(window, flags);
}

HResult DirectDraw::SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (HResult r = CheckFault("SetDisplayMode")) return r;
  return display_.SetDisplayMode(width, height, bitsPerPixel);
}

HResult DirectDraw::RestoreDisplayMode() { return display_.RestoreDisplayMode(); }

HResult DirectDraw::CreateSurface(const SurfaceRequest& request, std::shared_ptr<Surface>& out) {
  if (HResult r = CheckFault("CreateSurface")) return r;
  return display_.CreateSurfaceFor(request, out);
}

HResult DirectDraw::CreateClipper(uint32_t, std::shared_ptr<Clipper>& out) {
  if (HResult r = CheckFault("CreateClipper")) return r;
  out = std::make_shared<Clipper>();
  return DD_OK;
}

HResult DirectDraw::GetCaps(uint32_t& halCaps, uint32_t& helCaps) {
  if (HResult r = CheckFault("GetCaps")) return r;
  halCaps = display_.HasHardware() ? 0 : DDCAPS_NOHARDWARE;
  helCaps = 0;
  return DD_OK;
}

HResult DirectDraw::EnumDisplayModes(uint32_t, const std::function<bool(const ModeEntry&)>& callback) {
  if (HResult r = CheckFault("EnumDisplayModes")) return r;
  for (const ModeEntry& m : display_.DisplayModes())
    if (!callback(m)) break;
  return DD_OK;
}

HResult DirectDraw::WaitForVerticalBlank(uint32_t) {
  if (HResult r = CheckFault("WaitForVerticalBlank")) return r;
  display_.WaitForVerticalBlank();
  return DD_OK;
}

HResult Clipper::SetHWnd(uint32_t, WindowHandle window) {
  if (HResult r = CheckFault("SetHWnd")) return r;
  window_ = window;
  return DD_OK;
}

// ---- Display: window classes and windows ----

Display::~Display() = default;

bool Display::GetClassInfo(const std::string& className) const { return classes_.count(className) != 0; }

bool Display::RegisterClass(const std::string& className, WindowProc proc) {
  if (CheckFault("RegisterClass")) return false;
  // Windows refuses a second registration of the same name.
  return classes_.emplace(className, proc).second;
}

bool Display::UnregisterClass(const std::string& className) {
  for (const auto& [handle, info] : windows_)
    if (info.className == className) return false;
  return classes_.erase(className) != 0;
}

namespace {
// A fixed frame: 3-pixel borders, and a 20-pixel title bar on captioned styles.
constexpr uint32_t WS_CAPTION = 0x00C00000;
constexpr uint32_t WS_THICKFRAME = 0x00040000;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr int32_t kBorder = 3;
constexpr int32_t kTitle = 20;
}  // namespace

void Display::AdjustWindowRectEx(Rect& rect, uint32_t style, uint32_t) const {
  if (style & WS_POPUP && !(style & WS_CAPTION)) return;
  int32_t border = kBorder + ((style & WS_THICKFRAME) ? 1 : 0);
  rect.left -= border;
  rect.right += border;
  rect.bottom += border;
  rect.top -= border + ((style & WS_CAPTION) == WS_CAPTION ? kTitle : 0);
}

WindowHandle Display::CreateWindowEx(uint32_t exStyle, const std::string& className, const std::string& caption,
                                     uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (CheckFault("CreateWindowEx")) return 0;
  if (!classes_.count(className)) return 0;
  WindowInfo info;
  info.className = className;
  info.caption = caption;
  info.style = style;
  info.exStyle = exStyle;
  info.outer = Rect{x, y, x + width, y + height};
  // The client area is what remains inside the frame the style asks for.
  Rect frame{0, 0, 0, 0};
  AdjustWindowRectEx(frame, style, exStyle);
  info.client = Rect{x - frame.left, y - frame.top, x + width - frame.right, y + height - frame.bottom};
  info.fullScreen = (style & WS_POPUP) && !(style & WS_CAPTION);
  const WindowHandle handle = nextWindow_++;
  const int32_t cw = info.client.Width(), ch = info.client.Height();
  if (cw <= 0 || ch <= 0) return 0;
  windows_[handle] = info;
  if (mainWindow_ == 0) {
    mainWindow_ = handle;
    mainFullScreen_ = info.fullScreen;
    quitPosted_ = false;
    // A full-screen window shows the emulated mode's picture, set later by
    // SetDisplayMode; until then it shows the desktop-sized client.
    if (Failed(OpenWindow(handle, caption, cw, ch, info.fullScreen))) {
      windows_.erase(handle);
      mainWindow_ = 0;
      return 0;
    }
  }
  return handle;
}

bool Display::DestroyWindow(WindowHandle window) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  windows_.erase(it);
  if (window == mainWindow_) {
    CloseWindow(window);
    mainWindow_ = 0;
    mainFullScreen_ = false;
  }
  // Messages for a window that is gone are dropped, as Windows drops them.
  std::erase_if(queue_, [window](const Message& m) { return m.window == window && m.message != WM_QUIT; });
  return true;
}

bool Display::ShowWindow(WindowHandle window) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  it->second.visible = true;
  return true;
}

bool Display::IsWindow(WindowHandle window) const { return windows_.count(window) != 0; }

Rect Display::GetClientRect(WindowHandle window) const {
  auto it = windows_.find(window);
  if (it == windows_.end()) return Rect{};
  return Rect{0, 0, it->second.client.Width(), it->second.client.Height()};
}

Point Display::ClientToScreen(WindowHandle window, Point p) const {
  auto it = windows_.find(window);
  if (it == windows_.end()) return p;
  return Point{p.x + it->second.client.left, p.y + it->second.client.top};
}

Point Display::ScreenToClient(WindowHandle window, Point p) const {
  auto it = windows_.find(window);
  if (it == windows_.end()) return p;
  return Point{p.x - it->second.client.left, p.y - it->second.client.top};
}

int Display::ShowCursor(bool show) {
  cursorCount_ += show ? 1 : -1;
  SetCursorVisible(cursorCount_ >= 0);
  return cursorCount_;
}

// ---- messages ----

bool Display::PeekMessage(WindowHandle window, Message& out) {
  // A termination signal closes the window as its close box would, once.
  if (!terminationSeen_ && TerminationSignal() != 0) {
    terminationSeen_ = true;
    if (mainWindow_ != 0) RequestClose();
    else PostQuitMessage(0);
  }
  if (queue_.empty()) PollEvents();
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (it->message == WM_QUIT || window == 0 || it->window == window) {
      out = *it;
      queue_.erase(it);
      if (out.message == WM_QUIT) quitPosted_ = false;
      return true;
    }
  }
  return false;
}

void Display::PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == WM_QUIT) {
    // One quit is enough: a second close while the first is pending adds nothing.
    if (quitPosted_) return;
    quitPosted_ = true;
  }
  queue_.push_back(Message{window, message, wParam, lParam});
}

void Display::PostQuitMessage(int exitCode) { PostMessage(0, WM_QUIT, uintptr_t(exitCode), 0); }

intptr_t Display::DispatchMessage(const Message& msg) {
  auto w = windows_.find(msg.window);
  if (w == windows_.end()) return 0;
  auto c = classes_.find(w->second.className);
  if (c == classes_.end() || c->second == nullptr)
    return DefWindowProc(msg.window, msg.message, msg.wParam, msg.lParam);
  return c->second(msg.window, msg.message, msg.wParam, msg.lParam);
}

intptr_t Display::SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return DispatchMessage(Message{window, message, wParam, lParam});
}

intptr_t Display::DefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) return SendMessage(window, WM_CLOSE);
      return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    default: return 0;
  }
}

void Display::DispatchPending() {
  if (mainWindow_ == 0) return;
  PollEvents();
  // Work off what is queued now; a quit message stays for the next PeekMessage.
  std::deque<Message> pending;
  pending.swap(queue_);
  for (const Message& m : pending) {
    if (m.message == WM_QUIT) {
      queue_.push_back(m);
      continue;
    }
    DispatchMessage(m);
  }
}

void Display::SetFrameRate(int32_t framesPerSecond) {
  frameRate_ = std::clamp(framesPerSecond, int32_t(1), int32_t(1000));
}

void Display::RequestClose() {
  if (mainWindow_ == 0) return;
  PostMessage(mainWindow_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// ---- DirectDraw support ----

HResult Display::DirectDrawCreate(std::shared_ptr<DirectDraw>& out) {
  if (HResult r = CheckFault("DirectDrawCreate")) return r;
  out = std::make_shared<DirectDraw>(*this);
  return DD_OK;
}

void Display::ChangeDisplaySettings() {
  if (modeDepth_ != 0) RestoreDisplayMode();
}

int Display::SurfaceDepth() const { return modeDepth_ != 0 ? modeDepth_ : DesktopDepth(); }

PixelFormat Display::FormatOfDepth(int depth) const {
  switch (depth) {
    case 15: return {16, 0x7C00, 0x03E0, 0x001F};
    case 16: return {16, 0xF800, 0x07E0, 0x001F};
    case 24: return {24, 0xFF0000, 0x00FF00, 0x0000FF};
    case 32: return {32, 0xFF0000, 0x00FF00, 0x0000FF};
    default: return {uint32_t(depth), 0, 0, 0};
  }
}

HResult Display::CreateSurfaceFor(const SurfaceRequest& request, std::shared_ptr<Surface>& out) {
  const int depth = SurfaceDepth();
  if (request.caps & DDSCAPS_PRIMARYSURFACE) {
    // Only one flipping primary can own the screen at a time.
    if (request.caps & DDSCAPS_FLIP && !primary_.expired()) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    if (request.caps & DDSCAPS_FLIP && !exclusive_) return DDERR_NOEXCLUSIVEMODE;
    if (mainWindow_ == 0) return DDERR_NOCOOPERATIVELEVELSET;
    const Rect client = GetClientRect(mainWindow_);
    auto primary =
        std::make_shared<Surface>(Surface::Kind::Primary, client.Width(), client.Height(), depth, true, this);
    if (request.caps & DDSCAPS_FLIP) {
      if (BytesPerPixelOfDepth(depth) == 0) return DDERR_UNSUPPORTEDMODE;
      try {
        primary->attached_ =
            std::make_shared<Surface>(Surface::Kind::BackBuffer, modeWidth_, modeHeight_, depth, true, this);
      } catch (const std::bad_alloc&) {
        return DDERR_OUTOFMEMORY;
      }
    }
    primary_ = primary;
    out = std::move(primary);
    return DD_OK;
  }
  if (!(request.flags & DDSD_WIDTH) || !(request.flags & DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
  if (request.width <= 0 || request.height <= 0) return DDERR_INVALIDPARAMS;
  const int bpp = BytesPerPixelOfDepth(depth);
  if (bpp == 0) return DDERR_UNSUPPORTEDMODE;
  if (int64_t(request.width) * request.height * bpp > kMaxSurfaceBytes) return DDERR_OUTOFMEMORY;
  // There is no separate video memory: a request for it is served from the
  // same memory, and without hardware it is refused so callers fall back.
  if ((request.caps & DDSCAPS_VIDEOMEMORY) && !HasHardware()) return DDERR_OUTOFMEMORY;
  try {
    out = std::make_shared<Surface>(Surface::Kind::OffScreen, request.width, request.height, depth,
                                    (request.caps & DDSCAPS_VIDEOMEMORY) != 0, this);
  } catch (const std::bad_alloc&) {
    return DDERR_OUTOFMEMORY;
  }
  return DD_OK;
}

HResult Display::SetCooperativeLevel(WindowHandle window, uint32_t flags) {
  if (window != 0 && !IsWindow(window)) return DDERR_INVALIDPARAMS;
  exclusive_ = (flags & DDSCL_EXCLUSIVE) != 0;
  return DD_OK;
}

HResult Display::SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
  bool offered = false;
  for (const ModeEntry& m : DisplayModes())
    offered |= m.Width == width && m.Height == height && m.BitsPerPixel == bitsPerPixel;
  if (!offered) return DDERR_INVALIDMODE;
  if (HResult r = ChangeMode(width, height, bitsPerPixel); Failed(r)) return r;
  modeWidth_ = width;
  modeHeight_ = height;
  // A mode offered as 16 bits may really be 5-5-5; the backend says which.
  modeDepth_ = RealModeDepth(bitsPerPixel);
  // The window that covered the screen covers the new, smaller screen.
  if (mainWindow_ && mainFullScreen_) {
    WindowInfo& w = windows_[mainWindow_];
    w.outer = w.client = Rect{0, 0, width, height};
  }
  return DD_OK;
}

HResult Display::RestoreDisplayMode() {
  if (modeDepth_ == 0) return DD_OK;
  RestoreMode();
  modeDepth_ = 0;
  modeWidth_ = modeHeight_ = 0;
  return DD_OK;
}

void Display::PresentSurface(const Surface& picture, const Rect& area) {
  ShowFrame(picture, area);
  ++framesPresented_;
  PollEvents();
  AfterFrame();
}

// ---- the current backend ----

namespace {

struct PlatformState {
  std::unique_ptr<Display> display;
  std::vector<std::function<void()>> resetHooks;
};

PlatformState& State() {
  static PlatformState state;
  return state;
}

}  // namespace

bool HeadlessSelected() { return EnvChoice("KESTREL_PLATFORM", {"headless", "sdl"}) == "headless"; }

std::unique_ptr<Display> CreateDisplay() {
  return HeadlessSelected() ? CreateHeadlessDisplayFromEnvironment() : CreateSdlDisplay();
}

Display& GetDisplay() {
  PlatformState& s = State();
  if (!s.display) {
    // A bad setting stops both backends the same way, before either starts.
    CheckEnvironment();
    s.display = CreateDisplay();
  }
  return *s.display;
}

bool HasDisplay() { return State().display != nullptr; }

void InstallDisplay(std::unique_ptr<Display> display) {
  ResetPlatform();
  State().display = std::move(display);
}

void ResetPlatform() {
  PlatformState& s = State();
  for (auto& hook : s.resetHooks) hook();
  s.display.reset();
  ClearFaults();
}

void OnPlatformReset(std::function<void()> hook) { State().resetHooks.push_back(std::move(hook)); }

int AnswerFromEnvironment() {
  const std::optional<std::string> v = EnvChoice("KESTREL_ANSWER", {"yes", "no"});
  if (!v) return -1;
  return *v == "yes" ? 1 : 0;
}

}  // namespace kestrel::platform
