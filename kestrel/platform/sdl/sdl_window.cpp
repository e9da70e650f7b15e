// The SDL display's window: the display modes it offers, opening and closing
// the window, full-screen switching, and where the picture lies in it.
#include <algorithm>
#include <cstdio>

#include "kestrel/platform/environment.h"
#include "kestrel/platform/sdl/sdl_display_impl.h"

namespace kestrel::platform {

namespace {

// The refresh rate the emulated modes are listed with; the clock itself
// ticks FrameRate() times a second.
constexpr uint64_t kFrameRate = 60;

}  // namespace

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

void SdlDisplay::Impl::OutputSize(int& w, int& h) const {
  w = h = 0;
  if (renderer) SDL_GetRendererOutputSize(renderer, &w, &h);
  else if (window) SDL_GetWindowSizeInPixels(window, &w, &h);
}

SDL_Rect SdlDisplay::Impl::Destination() const {
  int ow = 0, oh = 0;
  OutputSize(ow, oh);
  if (!fullScreen && !shownFullScreen) return Letterbox(ow, oh, clientWidth, clientHeight);
  return Letterbox(ow, oh, pictureWidth, pictureHeight);
}

void SdlDisplay::Impl::WindowedSize(int& w, int& h) const {
  w = fullScreen ? std::max(pictureWidth, 1) * 2 : clientWidth;
  h = fullScreen ? std::max(pictureHeight, 1) * 2 : clientHeight;
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

void SdlDisplay::SetCursorVisible(bool visible) {
  if (impl_->videoOk) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
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
}  // namespace kestrel::platform
