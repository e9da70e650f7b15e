// The SDL display's window: the display modes it offers, opening and closing
// the window, full-screen switching, and where the picture lies in it.
#include <algorithm>
#include <cstdio>

#include "kestrel/platform/environment.h"
#include "kestrel/platform/frame_clock.h"
#include "kestrel/platform/sdl/sdl_display_impl.h"
#include "kestrel/platform/settings.h"

namespace kestrel::platform {

namespace {

// The refresh rate the emulated modes are listed with; the clock itself
// ticks FrameRate() times a second.
constexpr uint64_t kFrameRate = 60;

}  // namespace

void SdlDisplay::Impl::OutputSize(int& w, int& h) const {
  w = h = 0;
  if (renderer) {
    SDL_GetRendererOutputSize(renderer, &w, &h);
  } else if (window) {
    // The window's real pixels; but should SDL have made the window's
    // surface at its logical size (high-density screens), frames are drawn
    // at that size, and the pointer must follow what is drawn.
    SDL_GetWindowSizeInPixels(window, &w, &h);
    int ww = 0, wh = 0;
    SDL_GetWindowSize(window, &ww, &wh);
    if (surface && (ww != w || wh != h) && surfaceWidth == ww && surfaceHeight == wh) w = ww, h = wh;
  }
}

SDL_Rect SdlDisplay::Impl::Destination() const {
  int ow = 0, oh = 0;
  OutputSize(ow, oh);
  return ToSdlRect(Letterbox(ow, oh, pictureWidth, pictureHeight, CurrentSettings().aspect));
}

void SdlDisplay::Impl::BaseSize(int& w, int& h) const {
  w = modeSet ? mode.Width : (clientWidth + 1) / 2;
  h = modeSet ? mode.Height : (clientHeight + 1) / 2;
  w = std::max(w, 1);
  h = std::max(h, 1);
}

void SdlDisplay::Impl::FirstWindowSize(SDL_Window* on, int& w, int& h) const {
  int pw = 0, ph = 0;
  BaseSize(pw, ph);
  // The scale counts in the picture's shown shape: 4:3 steps are 320 x 240.
  ShapedSize(pw, ph, CurrentSettings().aspect, 1, pw, ph);
  // The usable area leaves out panels and docks; without a window manager
  // to say so it is the whole screen.
  SDL_Rect usable{0, 0, 1920, 1080};
  const int index = on ? std::max(SDL_GetWindowDisplayIndex(on), 0) : 0;
  if (SDL_GetDisplayUsableBounds(index, &usable) != 0) SDL_GetDisplayBounds(index, &usable);
  const int chosen = CurrentSettings().scale, scale = FirstWindowScale(usable.w, usable.h, pw, ph, chosen);
  if (chosen > 0 && scale < chosen && !scaleLowered) {
    scaleLowered = true;
    std::fprintf(stderr, "Scale %d does not fit the screen's usable %d x %d; the window opens at scale %d.\n", chosen,
                 usable.w, usable.h, scale);
  }
  w = pw * scale;
  h = ph * scale;
}

void SdlDisplay::Impl::ApplyIcon() {
  if (!window || icon.empty()) return;
  // Written once, so that nobody reads a list of one size in between.
  if (OfferIconSizes(window, icon, iconWidth, iconHeight)) return;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(icon.data(), iconWidth, iconHeight, 32, iconWidth * 4,
                                                      SDL_PIXELFORMAT_ARGB8888);
  if (!s) return;
  SDL_SetWindowIcon(window, s);
  SDL_FreeSurface(s);
}

void SdlDisplay::SetWindowIcon(const std::vector<uint32_t>& argb, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || argb.size() != size_t(width) * size_t(height)) return;
  impl_->icon = argb;
  impl_->iconWidth = width;
  impl_->iconHeight = height;
  impl_->ApplyIcon();
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

HResult SdlDisplay::OpenWindow(WindowHandle window, const std::string& caption, int32_t clientWidth,
                               int32_t clientHeight, bool fullScreen) {
  CloseWindow(impl_->handle);
  if (!EnsureVideo()) {
    // The engine's report carries the reason (WindowFailure).
    return DDERR_NODIRECTDRAWHW;
  }
  impl_->clientWidth = std::max(clientWidth, 1);
  impl_->clientHeight = std::max(clientHeight, 1);
  // A full-screen window is made at the size it covers; a window opens at
  // a multiple of its picture that suits the screen.
  // A full-screen one learns its window size when it first leaves the
  // screen: only then is the picture it will show there known.
  int w = impl_->clientWidth, h = impl_->clientHeight;
  impl_->windowedWidth = impl_->windowedHeight = 0;
  if (!fullScreen) {
    impl_->FirstWindowSize(nullptr, impl_->windowedWidth, impl_->windowedHeight);
    w = impl_->windowedWidth, h = impl_->windowedHeight;
  }
  // Any size the player drags it to; drawn at the real pixels of a
  // high-density screen.
  const Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI |
                       (fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  impl_->path = ChoosePresentPath();
  // The window is made once, already as the renderer needs it: SDL would
  // otherwise destroy it and make it again for a GL renderer, and the screen
  // blinks and a close sent to the first window is lost.
  const std::string title = ToUtf8(caption);
  if (impl_->path == PresentPath::Renderer)
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               flags | SDL_WINDOW_OPENGL);
  if (!window_) window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
  if (!window_) {
    std::fprintf(stderr, "kestrel: cannot open a window: %s\n", SDL_GetError());
    return DDERR_GENERIC;
  }
  // Vsync only removes tearing; the frame clock is ours. Where the screen's
  // rate is not the game's, vsync would change the game's speed, so it
  // stays off (and follows the game's pace as it changes, sdl_present.cpp).
  SDL_DisplayMode current;
  const int displayIndex = SDL_GetWindowDisplayIndex(window_);
  impl_->screenRefresh =
      displayIndex >= 0 && SDL_GetCurrentDisplayMode(displayIndex, &current) == 0 ? current.refresh_rate : 0;
  impl_->vsync = VsyncKeepsPace(impl_->screenRefresh, FrameRate());
  impl_->window = window_;
  // A window system that offers no surface for the window still has the renderer.
  if (impl_->path == PresentPath::WindowSurface && !impl_->WindowSurface()) impl_->path = PresentPath::Renderer;
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
  impl_->BaseSize(impl_->pictureWidth, impl_->pictureHeight);
  impl_->ApplyIcon();
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
  // The size the player left the window at is where it comes back to.
  if (toFull) SDL_GetWindowSize(window_, &c.windowedWidth, &c.windowedHeight);
  if (toFull && SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window_), 0), &screen) == 0) {
    // A window manager makes the window cover the screen; without one
    // nobody would, so it is given the screen's place and size first.
    SDL_SetWindowPosition(window_, screen.x, screen.y);
    SDL_SetWindowSize(window_, screen.w, screen.h);
  }
  if (SDL_SetWindowFullscreen(window_, toFull ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return;
  c.shownFullScreen = toFull;
  if (!toFull) {
    // Back to the window as the player left it, in the middle of the screen;
    // a game that started on the whole screen opens its first window size.
    if (c.windowedWidth <= 0 || c.windowedHeight <= 0) c.FirstWindowSize(window_, c.windowedWidth, c.windowedHeight);
    SDL_SetWindowSize(window_, std::max(c.windowedWidth, 1), std::max(c.windowedHeight, 1));
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
  const SDL_Rect d = impl_->Destination();
  // A windowed context reads the client area the picture stands for; a
  // full-screen one the picture's own pixels.
  Point p;
  if (impl_->fullScreen)
    OutputToArea(ox, oy, Placement{d.x, d.y, d.w, d.h}, impl_->pictureWidth, impl_->pictureHeight, p.x, p.y);
  else
    // Over the bars the pointer is on the picture's nearest edge; outside
    // the window it reads past the client area, as a window's client
    // coordinates do (left of it and above it are negative).
    OutputToArea(ox, oy, Placement{d.x, d.y, d.w, d.h}, impl_->clientWidth, impl_->clientHeight, p.x, p.y,
                 x >= 0 && y >= 0 && x < ww && y < wh);
  return p;
}

}  // namespace kestrel::platform
