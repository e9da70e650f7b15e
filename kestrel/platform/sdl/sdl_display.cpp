// The SDL2 display: one window. A frame is scaled by a whole factor into the
// window's surface, doubled over the client area or letterboxed on the whole
// screen in full screen; or, when asked for, drawn through a renderer.
#include "kestrel/platform/sdl/sdl_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "kestrel/platform/environment.h"
#include "kestrel/platform/input.h"
#include "kestrel/platform/scale.h"
#include "kestrel/platform/sdl/sdl_record.h"
#include "kestrel/platform/sound.h"
#include "kestrel/platform/termination.h"
#include "kestrel/platform/text.h"

namespace kestrel::platform {

namespace {

// The refresh rate the emulated modes are listed with; the clock itself
// ticks FrameRate() times a second.
constexpr uint64_t kFrameRate = 60;
// Falling behind by more than this many frames restarts the clock rather
// than running the missed frames back to back.
constexpr uint64_t kMaxLagFrames = 2;

// Frames reach a renderer as 32-bit X-R-G-B, a format every SDL renderer
// takes natively. The other depths are widened while they are copied into
// the texture, which is several times faster than letting the renderer
// convert while it scales.
constexpr uint32_t kTextureFormat = SDL_PIXELFORMAT_RGB888;

// How frames reach the window.
enum class PresentPath {
  // Scaled by our own loops into the window's surface, which SDL hands to
  // the window system (shared memory under X11). No GL stack is loaded.
  WindowSurface,
  // Uploaded into a texture that an SDL renderer stretches.
  Renderer,
};

// The one place that chooses. Our own integer scale into the window surface
// gives the same pixels as the renderer in a fraction of its time on every
// machine measured, and keeps the GL stack (most of the memory a window
// costs) out of the process. KESTREL_PRESENT=renderer or =surface forces
// either.
PresentPath ChoosePresentPath() {
  if (EnvChoice("KESTREL_PRESENT", {"surface", "renderer"}) == "renderer") return PresentPath::Renderer;
  return PresentPath::WindowSurface;
}

// A window surface we can write X-R-G-B into directly.
bool IsXrgb(const SDL_Surface* s) {
  const SDL_PixelFormat* f = s->format;
  return f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000 && f->Gmask == 0x0000FF00 &&
         f->Bmask == 0x000000FF;
}

void WidenRows(const uint8_t* src, int srcPitch, int depth, uint8_t* dst, int dstPitch, int width,
               int height) {
  for (int y = 0; y < height; ++y, src += srcPitch, dst += dstPitch)
    WidenRow(src, depth, reinterpret_cast<uint32_t*>(dst), width);
}

bool IsValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t extra = 0;
    if (c >= 0x80) {
      if ((c & 0xE0) == 0xC0) extra = 1;
      else if ((c & 0xF0) == 0xE0) extra = 2;
      else if ((c & 0xF8) == 0xF0) extra = 3;
      else return false;
    }
    if (i + extra >= s.size() && extra > 0) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// The engine's texts are Windows-1252; SDL wants UTF-8. Text that already is
// valid UTF-8 (every ASCII text is) passes unchanged.
std::string ToUtf8(const std::string& text) {
  if (IsValidUtf8(text)) return text;
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    const uint32_t u = Cp1252ToUnicode(static_cast<uint8_t>(c));
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

// Where a picture of pw x ph lands in an output of ow x oh: the largest whole
// multiple that fits, centred; a screen smaller than the picture shrinks it.
SDL_Rect Letterbox(int ow, int oh, int pw, int ph) {
  if (pw <= 0 || ph <= 0 || ow <= 0 || oh <= 0) return SDL_Rect{0, 0, ow, oh};
  int w, h;
  if (ow >= pw && oh >= ph) {
    const int scale = std::min(ow / pw, oh / ph);
    w = pw * scale;
    h = ph * scale;
  } else if (int64_t(ow) * ph <= int64_t(oh) * pw) {
    w = ow;
    h = static_cast<int>(int64_t(ph) * ow / pw);
  } else {
    h = oh;
    w = static_cast<int>(int64_t(pw) * oh / ph);
  }
  return SDL_Rect{(ow - w) / 2, (oh - h) / 2, w, h};
}

}  // namespace

struct SdlDisplay::Impl {
  bool videoTried = false;
  bool videoOk = false;
  std::string videoError;

  SDL_Window* window = nullptr;
  PresentPath path = PresentPath::WindowSurface;

  // The renderer path.
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureWidth = 0, textureHeight = 0;

  // The window-surface path. The surface belongs to the window, and SDL
  // replaces it when the window changes size.
  SDL_Surface* surface = nullptr;
  void* surfacePixels = nullptr;
  int surfaceWidth = 0, surfaceHeight = 0;
  SDL_Surface* staging = nullptr;  // X-R-G-B picture, for a window surface of another format
  bool sendWhole = false;          // the border changed too, not only the picture
  SDL_Rect lastDest{0, 0, 0, 0};

  bool hasFrame = false;

  WindowHandle handle = 0;
  // The context is a full-screen one: the pointer is read in the picture's
  // pixels rather than the client area's.
  bool fullScreen = false;
  // The real window covers the screen now; Alt+Enter changes it.
  bool shownFullScreen = false;
  bool vsync = false;
  int32_t clientWidth = 0, clientHeight = 0;
  int32_t pictureWidth = 0, pictureHeight = 0;  // of the last frame shown

  bool modeSet = false;
  ModeEntry mode;

  bool clockStarted = false;
  uint64_t clockBase = 0;
  uint64_t clockTicks = 0;
  uint64_t clockRate = 0;  // ticks a second the clock counts at

  void DropTexture() {
    if (texture) SDL_DestroyTexture(texture);
    texture = nullptr;
    textureWidth = textureHeight = 0;
    hasFrame = false;
  }

  void DropSurface() {
    surface = nullptr;
    if (staging) SDL_FreeSurface(staging);
    staging = nullptr;
    hasFrame = false;
  }

  void OutputSize(int& w, int& h) const {
    w = h = 0;
    if (renderer) SDL_GetRendererOutputSize(renderer, &w, &h);
    else if (window) SDL_GetWindowSizeInPixels(window, &w, &h);
  }

  // Where the picture goes in the window. A window's picture fills the
  // client area; should a window manager give the window another size, the
  // client area's shape is kept.
  SDL_Rect Destination() const {
    int ow = 0, oh = 0;
    OutputSize(ow, oh);
    if (!fullScreen && !shownFullScreen) return Letterbox(ow, oh, clientWidth, clientHeight);
    return Letterbox(ow, oh, pictureWidth, pictureHeight);
  }

  // The size of the real window when it is not on the whole screen: the
  // client area of a windowed context, the picture doubled for a full-screen
  // one.
  void WindowedSize(int& w, int& h) const {
    w = fullScreen ? std::max(pictureWidth, 1) * 2 : clientWidth;
    h = fullScreen ? std::max(pictureHeight, 1) * 2 : clientHeight;
  }

  // Draws the last uploaded frame into the renderer's back buffer.
  void Render() {
    const SDL_Rect dest = Destination();
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(renderer, &ow, &oh);
    // Only a border needs clearing; a picture that covers everything
    // replaces the old frame anyway.
    if (!hasFrame || dest.x > 0 || dest.y > 0 || dest.w < ow || dest.h < oh) {
      SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
      SDL_RenderClear(renderer);
    }
    if (hasFrame) SDL_RenderCopy(renderer, texture, nullptr, &dest);
  }

  // The window's surface, cleared to black each time SDL has made a new one
  // (after the window changed size); the border is then never written again.
  SDL_Surface* WindowSurface() {
    SDL_Surface* s = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!s) return nullptr;
    if (s != surface || s->pixels != surfacePixels || s->w != surfaceWidth || s->h != surfaceHeight) {
      SDL_FillRect(s, nullptr, 0);
      surface = s;
      surfacePixels = s->pixels;
      surfaceWidth = s->w;
      surfaceHeight = s->h;
      sendWhole = true;
      hasFrame = false;
    }
    return s;
  }

  // Hands the window surface to the window system: only the picture, unless
  // the border changed.
  void Send(const SDL_Rect& dest) {
    if (sendWhole) {
      if (SDL_UpdateWindowSurface(window) == 0) sendWhole = false;
    } else {
      SDL_UpdateWindowSurfaceRects(window, &dest, 1);
    }
  }

  // Puts `pw` x `ph` pixels of `depth` into the window surface.
  void ShowOnSurface(const uint8_t* first, int pitch, int depth, int pw, int ph) {
    SDL_Surface* s = WindowSurface();
    if (!s) return;
    pictureWidth = pw;
    pictureHeight = ph;
    const SDL_Rect dest = Destination();
    if (dest.w <= 0 || dest.h <= 0) return;
    if (hasFrame && !SDL_RectEquals(&dest, &lastDest)) {
      // A picture of another size leaves parts of the old one in the border.
      SDL_FillRect(s, nullptr, 0);
      sendWhole = true;
    }
    if (IsXrgb(s)) {
      if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return;
      uint8_t* out = static_cast<uint8_t*>(s->pixels) + size_t(dest.y) * size_t(s->pitch) + size_t(dest.x) * 4;
      const int scale = dest.w / pw;
      if (dest.w == pw * scale && dest.h == ph * scale)
        ScaleToXrgb(first, pitch, depth, pw, ph, scale, out, s->pitch);
      else
        StretchToXrgb(first, pitch, depth, pw, ph, out, s->pitch, dest.w, dest.h);
      if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    } else {
      // A window system of another format (a 16-bit X server): widen, then
      // let SDL convert while it scales.
      if (!staging || staging->w != pw || staging->h != ph) {
        if (staging) SDL_FreeSurface(staging);
        staging = SDL_CreateRGBSurfaceWithFormat(0, pw, ph, 32, kTextureFormat);
        if (!staging) return;
      }
      WidenRows(first, pitch, depth, static_cast<uint8_t*>(staging->pixels), staging->pitch, pw, ph);
      SDL_Rect d = dest;
      if (SDL_BlitScaled(staging, nullptr, s, &d) != 0) return;
    }
    hasFrame = true;
    lastDest = dest;
    Send(dest);
  }

  // Shows the last frame again, after the window system lost it.
  void Redraw() {
    if (renderer) {
      Render();
      SDL_RenderPresent(renderer);
    } else if (WindowSurface()) {
      if (SDL_UpdateWindowSurface(window) == 0) sendWhole = false;
    }
  }
};

SdlDisplay::SdlDisplay() : impl_(std::make_unique<Impl>()), recorder_(SdlRecorder::FromEnvironment()) {}

SdlDisplay::~SdlDisplay() {
  CloseWindow(impl_->handle);
  if (impl_->videoOk) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::unique_ptr<Display> CreateSdlDisplay() { return std::make_unique<SdlDisplay>(); }

std::unique_ptr<InputBackend> SdlDisplay::CreateInputBackend() { return CreateSdlInput(*this); }

std::unique_ptr<SoundBackend> SdlDisplay::CreateSoundBackend() { return CreateSdlSoundBackend(); }

namespace {

// Why no real display could be had, in the user's terms.
std::string NoDisplayReason() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  std::string why = x && *x ? "cannot connect to the X display \"" + std::string(x) + "\"" : "DISPLAY is not set";
  why += wayland && *wayland ? ", and cannot connect to the Wayland display \"" + std::string(wayland) + "\""
                             : ", and there is no Wayland display";
  return why;
}

// Whether a Wayland display may be there; without one, libwayland would
// complain on standard error while SDL tries it.
bool WaylandMayBeThere() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland && *wayland) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && *runtime && ::access((std::string(runtime) + "/wayland-0").c_str(), F_OK) == 0;
}

}  // namespace

bool SdlDisplay::EnsureVideo() const {
  if (!impl_->videoTried) {
    impl_->videoTried = true;
    // A window surface drawn through shared memory, not through a GL texture:
    // without a GPU, GL is a software rasteriser that costs a millisecond a
    // frame and most of the memory a window takes. SDL reads this once, when
    // the first window surface is made.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (asked && *asked) {
      // The user chose a driver, perhaps the offscreen one: theirs to have.
      impl_->videoOk = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
      if (!impl_->videoOk) impl_->videoError = std::string("no display could be opened: ") + SDL_GetError();
    } else {
      // Only drivers that show something. Left to itself SDL falls back to
      // its offscreen driver, and the game would run unseen.
      for (int i = 0; i < SDL_GetNumVideoDrivers() && !impl_->videoOk; ++i) {
        const std::string name = SDL_GetVideoDriver(i);
        if (name == "offscreen" || name == "dummy" || name == "evdev") continue;
        if (name == "wayland" && !WaylandMayBeThere()) continue;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, name.c_str());
        impl_->videoOk = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
      }
      SDL_ResetHint(SDL_HINT_VIDEODRIVER);
      if (!impl_->videoOk) impl_->videoError = "no display could be opened: " + NoDisplayReason();
    }
  }
  return impl_->videoOk;
}

int SdlDisplay::DesktopDepth() const {
  if (auto depth = EnvChoice("KESTREL_DEPTH", {"15", "16", "24", "32"})) return std::stoi(*depth);
  return 32;
}

Point SdlDisplay::ScreenSize() const {
  SDL_DisplayMode desktop;
  if (EnsureVideo() && SDL_GetDesktopDisplayMode(0, &desktop) == 0) return {desktop.w, desktop.h};
  return {640, 480};
}

std::vector<ModeEntry> SdlDisplay::DisplayModes() const {
  std::vector<ModeEntry> modes;
  for (int depth : {15, 16, 24, 32}) modes.push_back({320, 200, depth, int32_t(kFrameRate)});
  SDL_DisplayMode desktop;
  if (EnsureVideo() && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
    int depth = SDL_BYTESPERPIXEL(desktop.format) * 8;
    if (desktop.format == SDL_PIXELFORMAT_RGB555 || desktop.format == SDL_PIXELFORMAT_BGR555) {
      depth = 15;
    }
    const ModeEntry own{desktop.w, desktop.h, depth, desktop.refresh_rate};
    if (std::find(modes.begin(), modes.end(), own) == modes.end()) modes.push_back(own);
  }
  return modes;
}

HResult SdlDisplay::OpenWindow(WindowHandle window, const std::string& caption,
                               int32_t clientWidth, int32_t clientHeight, bool fullScreen) {
  CloseWindow(impl_->handle);
  if (!EnsureVideo()) {
    // The engine's report carries the reason (WindowFailure).
    return DDERR_NODIRECTDRAWHW;
  }
  const int w = std::max(clientWidth, 1), h = std::max(clientHeight, 1);
  const Uint32 flags = SDL_WINDOW_SHOWN | (fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  impl_->path = ChoosePresentPath();
  // The window is made once, already as the renderer needs it: SDL would
  // otherwise destroy it and make it again for a GL renderer, and the screen
  // blinks and a close sent to the first window is lost.
  const std::string title = ToUtf8(caption);
  if (impl_->path == PresentPath::Renderer)
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               flags | SDL_WINDOW_OPENGL);
  if (!window_)
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
  if (!window_) {
    std::fprintf(stderr, "kestrel: cannot open a window: %s\n", SDL_GetError());
    return DDERR_GENERIC;
  }
  // Vsync only removes tearing; the frame clock is ours. On a monitor that is
  // not at 60 Hz, vsync would change the game's speed, so it stays off.
  SDL_DisplayMode current;
  const int displayIndex = SDL_GetWindowDisplayIndex(window_);
  impl_->vsync = displayIndex >= 0 && SDL_GetCurrentDisplayMode(displayIndex, &current) == 0 &&
                 current.refresh_rate >= 59 && current.refresh_rate <= 61;
  impl_->window = window_;
  // A window system that offers no surface for the window still has the renderer.
  if (impl_->path == PresentPath::WindowSurface && !impl_->WindowSurface())
    impl_->path = PresentPath::Renderer;
  if (impl_->path == PresentPath::Renderer) {
    const Uint32 vsync = impl_->vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
    // Without GL in the window only the software renderer keeps it as it is.
    if (SDL_GetWindowFlags(window_) & SDL_WINDOW_OPENGL)
      impl_->renderer = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | vsync);
    if (!impl_->renderer) impl_->renderer = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!impl_->renderer) {
      std::fprintf(stderr, "kestrel: cannot draw into the window: %s\n", SDL_GetError());
      SDL_DestroyWindow(window_);
      window_ = nullptr;
      impl_->window = nullptr;
      return DDERR_GENERIC;
    }
  }
  impl_->handle = window;
  impl_->fullScreen = fullScreen;
  impl_->shownFullScreen = fullScreen;
  impl_->clientWidth = w;
  impl_->clientHeight = h;
  impl_->pictureWidth = impl_->modeSet ? impl_->mode.Width : w;
  impl_->pictureHeight = impl_->modeSet ? impl_->mode.Height : h;
  if (fullScreen) SDL_ShowCursor(SDL_DISABLE);
  SDL_RaiseWindow(window_);
  impl_->Redraw();
  return DD_OK;
}

void SdlDisplay::CloseWindow(WindowHandle window) {
  if (window == 0 || window != impl_->handle) return;
  impl_->DropTexture();
  impl_->DropSurface();
  if (impl_->renderer) SDL_DestroyRenderer(impl_->renderer);
  impl_->renderer = nullptr;
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
  impl_->window = nullptr;
  if (impl_->fullScreen) SDL_ShowCursor(SDL_ENABLE);
  impl_->handle = 0;
  impl_->fullScreen = false;
  impl_->shownFullScreen = false;
}

void SdlDisplay::ToggleFullScreen() {
  if (!window_) return;
  Impl& c = *impl_;
  const bool toFull = !c.shownFullScreen;
  SDL_Rect screen;
  if (toFull && SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window_), 0), &screen) == 0) {
    // A window manager makes the window cover the screen; without one
    // nobody would, so it is given the screen's place and size first.
    SDL_SetWindowPosition(window_, screen.x, screen.y);
    SDL_SetWindowSize(window_, screen.w, screen.h);
  }
  if (SDL_SetWindowFullscreen(window_, toFull ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return;
  c.shownFullScreen = toFull;
  if (!toFull) {
    // Back to the window players know, in the middle of the screen.
    int w = 0, h = 0;
    c.WindowedSize(w, h);
    SDL_SetWindowSize(window_, w, h);
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  // The renderer's border is cleared by the next frame; the window surface
  // is made anew by SDL for the new size and cleared when it is first used.
  c.DropTexture();
}

bool SdlDisplay::ShownFullScreen() const { return impl_->shownFullScreen; }

HResult SdlDisplay::ChangeMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  // The screen itself is never switched: a full-screen-desktop window shows
  // the emulated mode scaled up, so any offered mode can be "set".
  for (const ModeEntry& mode : DisplayModes()) {
    if (mode.Width == width && mode.Height == height && mode.BitsPerPixel == bitsPerPixel) {
      impl_->modeSet = true;
      impl_->mode = mode;
      impl_->pictureWidth = width;
      impl_->pictureHeight = height;
      return DD_OK;
    }
  }
  return DDERR_INVALIDMODE;
}

void SdlDisplay::RestoreMode() { impl_->modeSet = false; }

void SdlDisplay::ShowFrame(const Surface& picture, const Rect& area) {
  if (recorder_) recorder_->Frame(picture, area);
  if (!window_ || !picture.Pixels()) return;
  const Rect r{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, picture.Width()),
               std::min(area.bottom, picture.Height())};
  if (r.Width() <= 0 || r.Height() <= 0) return;
  const int depth = picture.Depth();
  if (depth != 15 && depth != 16 && depth != 24 && depth != 32) return;
  const uint8_t* first = picture.Pixels() + size_t(r.top) * picture.Pitch() +
                         size_t(r.left) * picture.BytesPerPixel();
  if (!impl_->renderer) {
    impl_->ShowOnSurface(first, picture.Pitch(), depth, r.Width(), r.Height());
    return;
  }
  if (!impl_->texture || impl_->textureWidth != r.Width() || impl_->textureHeight != r.Height()) {
    impl_->DropTexture();
    impl_->texture = SDL_CreateTexture(impl_->renderer, kTextureFormat, SDL_TEXTUREACCESS_STREAMING,
                                       r.Width(), r.Height());
    if (!impl_->texture) return;
    SDL_SetTextureScaleMode(impl_->texture, SDL_ScaleModeNearest);
    impl_->textureWidth = r.Width();
    impl_->textureHeight = r.Height();
  }
  if (depth == 32) {
    if (SDL_UpdateTexture(impl_->texture, nullptr, first, picture.Pitch()) != 0) return;
  } else {
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(impl_->texture, nullptr, &pixels, &pitch) != 0) return;
    WidenRows(first, picture.Pitch(), depth, static_cast<uint8_t*>(pixels), pitch, r.Width(),
              r.Height());
    SDL_UnlockTexture(impl_->texture);
  }
  impl_->hasFrame = true;
  impl_->pictureWidth = r.Width();
  impl_->pictureHeight = r.Height();
  impl_->Render();
  SDL_RenderPresent(impl_->renderer);
}

void SdlDisplay::WaitForVerticalBlank() {
  const uint64_t frequency = SDL_GetPerformanceFrequency();
  const uint64_t now = SDL_GetPerformanceCounter();
  Impl& c = *impl_;
  const uint64_t rate = uint64_t(FrameRate());
  // A new rate counts afresh from now.
  if (!c.clockStarted || c.clockRate != rate) {
    c.clockStarted = true;
    c.clockBase = now;
    c.clockTicks = 0;
    c.clockRate = rate;
  }
  ++c.clockTicks;
  const uint64_t deadline = c.clockBase + c.clockTicks * frequency / rate;
  if (now >= deadline) {
    // Late: go on at once, and after a long stall start counting afresh
    // instead of rushing through the frames that were missed.
    if (now - deadline > kMaxLagFrames * frequency / rate) {
      c.clockBase = now;
      c.clockTicks = 0;
    }
    return;
  }
  // Sleep most of the way, then watch the counter for the last fraction of a
  // millisecond, which a sleep would overshoot.
  const uint64_t margin = frequency / 2000;
  for (uint64_t t = now; t < deadline; t = SDL_GetPerformanceCounter()) {
    const uint64_t left = deadline - t;
    if (left > margin) {
      std::this_thread::sleep_for(std::chrono::nanoseconds((left - margin) * 1000000000 / frequency));
    } else {
      std::this_thread::yield();
    }
  }
}

void SdlDisplay::PollEvents() {
  if (!impl_->videoOk) return;
  bool closeSeen = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    // While recording, input waits for the next frame.
    if (recorder_ && recorder_->Hold(event)) continue;
    HandleEvent(event, closeSeen);
  }
  if (recorder_) {
    bool heldCloseSeen = false;
    recorder_->Release(*this, [&](const SDL_Event& e) { return HandleEvent(e, heldCloseSeen); });
  }
}

bool SdlDisplay::HandleEvent(const SDL_Event& event, bool& closeSeen) {
  // Closing the last window brings a window-close event and a quit event
  // together; they are one close request.
  bool closing = false;
  if (event.type == SDL_WINDOWEVENT && window_ && event.window.windowID == SDL_GetWindowID(window_)) {
    if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
      RequestClose();
      closeSeen = closing = true;
    } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
      impl_->Redraw();
    }
  } else if (event.type == SDL_KEYDOWN && (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) &&
             (event.key.keysym.mod & KMOD_ALT)) {
    // Alt+Enter switches between the window and the whole screen; the game
    // does not see it as Enter.
    if (!event.key.repeat) ToggleFullScreen();
    return false;
  } else if (event.type == SDL_RENDER_DEVICE_RESET) {
    // The texture went with the device; the next frame makes a new one.
    impl_->DropTexture();
  } else if (event.type == SDL_QUIT) {
    if (!closeSeen) {
      RequestClose();
      closing = true;
    }
    closeSeen = false;
  }
  // By index: a listener may add another.
  for (size_t i = 0; i < listeners_.size(); ++i) listeners_[i](event);
  return closing;
}

void SdlDisplay::AfterFrame() {
  if (recorder_) recorder_->AfterFrame(framesPresented_);
}

void SdlDisplay::SetCursorVisible(bool visible) {
  if (impl_->videoOk) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

namespace {

// The question in a message box: 1 for Yes, 0 for No, -1 when no box can
// be shown.
int AskInABox(SDL_Window* parent, const std::string& title, const std::string& message) {
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
  };
  const SDL_MessageBoxData box{SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                               parent, title.c_str(), message.c_str(), 2, buttons, nullptr};
  int chosen = -1;
  if (SDL_ShowMessageBox(&box, &chosen) != 0) return -1;
  return chosen == 1 ? 1 : 0;
}

// The question on the terminal; the safe No without one. A termination
// signal ends the wait for a line (the handlers do not restart it).
bool AskOnTerminal(const std::string& title, const std::string& message) {
  if (!isatty(STDIN_FILENO)) return false;
  std::fprintf(stderr, "%s\n%s [y/N] ", title.c_str(), message.c_str());
  std::fflush(stderr);
  char line[64] = {};
  if (!std::fgets(line, sizeof line, stdin)) return false;
  const char* p = line;
  while (*p == ' ' || *p == '\t') ++p;
  return *p == 'y' || *p == 'Y';
}

// The box in a helper process: -1 when it cannot be shown, else the answer.
// A termination signal takes the helper down with its box.
int AskInAHelper(const std::string& title, const std::string& message) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return AskInABox(nullptr, title, message);
  const pid_t parent = ::getpid();
  const pid_t helper = ::fork();
  if (helper < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return AskInABox(nullptr, title, message);
  }
  if (helper == 0) {
    // A group of its own: SDL may show the box from a process of its own,
    // and the whole group goes when the box must.
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, SIG_DFL);
    ::close(fds[0]);
    const int answer = AskInABox(nullptr, title, message);
    const char c = answer < 0 ? '-' : answer == 1 ? 'y' : 'n';
    ssize_t ignored = ::write(fds[1], &c, 1);
    (void)ignored;
    ::_exit(0);
  }
  ::setpgid(helper, helper);
  ::close(fds[1]);
  char c = 'n';
  for (;;) {
    if (TerminationSignal() != 0) {
      ::kill(-helper, SIGKILL);
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, 100);
    if (ready > 0) {
      if (::read(fds[0], &c, 1) != 1) c = 'n';
      break;
    }
    if (ready < 0 && errno != EINTR) break;
  }
  ::close(fds[0]);
  while (::waitpid(helper, nullptr, 0) < 0 && errno == EINTR) {
  }
  return c == '-' ? -1 : c == 'y' ? 1 : 0;
}

}  // namespace

bool SdlDisplay::AskYesNo(const std::string& caption, const std::string& text) {
  if (const int answer = AnswerFromEnvironment(); answer >= 0) return answer == 1;
  const std::string title = ToUtf8(caption), message = ToUtf8(text);
  // A message box keeps the thread that shows it until it is answered, and a
  // termination signal could not take it down: a helper process shows it.
  // Once our own connection to the display is open, a second process must
  // not share it, and the box is shown here.
  const int answer = impl_->videoOk ? AskInABox(window_, title, message) : AskInAHelper(title, message);
  if (answer >= 0) return answer == 1;
  if (TerminationSignal() != 0) return false;
  // No message box on this machine: ask on the terminal.
  return AskOnTerminal(title, message);
}

std::string SdlDisplay::WindowFailure() const { return impl_->videoTried ? impl_->videoError : ""; }

void SdlDisplay::ShowErrorMessage(const std::string& caption, const std::string& text) {
  // Without a display there is nowhere to show a box; standard error has it.
  if (impl_->videoTried && !impl_->videoOk) return;
  // The text also goes to standard error, so a box that cannot be shown loses nothing.
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, ToUtf8(caption).c_str(), ToUtf8(text).c_str(),
                           impl_->shownFullScreen ? nullptr : window_);
}

void SdlDisplay::AddEventListener(EventListener listener) {
  listeners_.push_back(std::move(listener));
}

Point SdlDisplay::WindowToClient(int32_t x, int32_t y) const {
  if (!window_) return {x, y};
  int ww = 0, wh = 0, ow = 0, oh = 0;
  SDL_GetWindowSize(window_, &ww, &wh);
  impl_->OutputSize(ow, oh);
  if (ww <= 0 || wh <= 0 || ow <= 0 || oh <= 0) return {x, y};
  // Window coordinates to output pixels (they differ on high-density screens).
  const int64_t ox = int64_t(x) * ow / ww, oy = int64_t(y) * oh / wh;
  const SDL_Rect dest = impl_->Destination();
  if (dest.w <= 0 || dest.h <= 0) return {0, 0};
  if (!impl_->fullScreen) {
    const int64_t cx = (ox - dest.x) * impl_->clientWidth / dest.w;
    const int64_t cy = (oy - dest.y) * impl_->clientHeight / dest.h;
    if (!impl_->shownFullScreen) return {int32_t(cx), int32_t(cy)};
    // On the whole screen the border around the picture counts as its edge.
    return {int32_t(std::clamp<int64_t>(cx, 0, std::max(impl_->clientWidth - 1, 0))),
            int32_t(std::clamp<int64_t>(cy, 0, std::max(impl_->clientHeight - 1, 0)))};
  }
  const int64_t px = (ox - dest.x) * impl_->pictureWidth / dest.w;
  const int64_t py = (oy - dest.y) * impl_->pictureHeight / dest.h;
  // The pointer over the black border counts as on the picture's edge.
  return {int32_t(std::clamp<int64_t>(px, 0, std::max(impl_->pictureWidth - 1, 0))),
          int32_t(std::clamp<int64_t>(py, 0, std::max(impl_->pictureHeight - 1, 0)))};
}

bool SdlDisplay::UsesRenderer() const { return impl_->renderer != nullptr; }

bool SdlDisplay::ReadScreen(std::vector<uint8_t>& rgb, int& width, int& height) {
  if (!window_) return false;
  if (impl_->renderer) {
    if (SDL_GetRendererOutputSize(impl_->renderer, &width, &height) != 0) return false;
    impl_->Render();
    rgb.assign(size_t(width) * height * 3, 0);
    return SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_RGB24, rgb.data(),
                                width * 3) == 0;
  }
  SDL_Surface* s = impl_->WindowSurface();
  if (!s) return false;
  width = s->w;
  height = s->h;
  rgb.assign(size_t(width) * height * 3, 0);
  if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return false;
  const bool ok = SDL_ConvertPixels(width, height, s->format->format, s->pixels, s->pitch,
                                    SDL_PIXELFORMAT_RGB24, rgb.data(), width * 3) == 0;
  if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
  return ok;
}

}  // namespace kestrel::platform
