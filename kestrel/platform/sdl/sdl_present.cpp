// Presenting a frame with SDL: our own whole-factor scaler into the window's
// surface, or a texture that an SDL renderer stretches.
#include <algorithm>
#include <cstring>
#include <vector>

#include "kestrel/base/screenshot.h"
#include "kestrel/platform/environment.h"
#include "kestrel/platform/frame_clock.h"
#include "kestrel/platform/scale.h"
#include "kestrel/platform/sdl/sdl_display_impl.h"
#include "kestrel/platform/sdl/sdl_record.h"
#include "kestrel/platform/settings.h"

namespace kestrel::platform {

namespace {

// Frames reach a renderer as 32-bit X-R-G-B, a format every SDL renderer
// takes natively. The other depths are widened while they are copied into
// the texture, which is several times faster than letting the renderer
// convert while it scales.
constexpr uint32_t kTextureFormat = SDL_PIXELFORMAT_RGB888;

// A window surface we can write X-R-G-B into directly.
bool IsXrgb(const SDL_Surface* s) {
  const SDL_PixelFormat* f = s->format;
  return f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000 && f->Gmask == 0x0000FF00 && f->Bmask == 0x000000FF;
}

void WidenRows(const uint8_t* src, int srcPitch, int depth, uint8_t* dst, int dstPitch, int width, int height) {
  for (int y = 0; y < height; ++y, src += srcPitch, dst += dstPitch)
    WidenRow(src, depth, reinterpret_cast<uint32_t*>(dst), width);
}

}  // namespace

// The one place that chooses. Our own integer scale into the window surface
// gives the same pixels as the renderer in a fraction of its time on every
// machine measured, and keeps the GL stack (most of the memory a window
// costs) out of the process. KESTREL_PRESENT=renderer or =surface forces
// either.
PresentPath ChoosePresentPath() {
  if (EnvChoice("KESTREL_PRESENT", {"surface", "renderer"}) == "renderer") return PresentPath::Renderer;
  return PresentPath::WindowSurface;
}

void SdlDisplay::Impl::DropTexture() {
  if (texture) SDL_DestroyTexture(texture);
  texture = nullptr;
  textureWidth = textureHeight = 0;
  hasFrame = false;
}

void SdlDisplay::Impl::DropSurface() {
  surface = nullptr;
  if (staging) SDL_FreeSurface(staging);
  staging = nullptr;
  hasFrame = false;
}

void SdlDisplay::Impl::Render() {
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

SDL_Surface* SdlDisplay::Impl::WindowSurface() {
  SDL_Surface* s = window ? SDL_GetWindowSurface(window) : nullptr;
  if (!s) return nullptr;
  // SDL makes the surface anew whenever the window changes size, often at
  // the old one's address, with its pixels at theirs: a window dragged away
  // and back, or a switch to full screen that resizes twice, gives a black
  // surface that looks like the one holding the last frame, and a still
  // picture would never be drawn again. Only the surface we drew into
  // carries our mark.
  if (s != surface || s->userdata != this || s->pixels != surfacePixels || s->w != surfaceWidth ||
      s->h != surfaceHeight) {
    s->userdata = this;
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

void SdlDisplay::Impl::Send(const SDL_Rect& dest) {
  if (sendWhole) {
    if (SDL_UpdateWindowSurface(window) == 0) sendWhole = false;
  } else {
    SDL_UpdateWindowSurfaceRects(window, &dest, 1);
  }
}

void SdlDisplay::Impl::ShowOnSurface(const uint8_t* first, int pitch, int depth, int pw, int ph) {
  SDL_Surface* s = WindowSurface();
  if (!s) return;
  pictureWidth = pw;
  pictureHeight = ph;
  // Placed in the surface itself, so that nothing is written outside it
  // whatever size the window system gave it.
  const SDL_Rect dest = ToSdlRect(Letterbox(s->w, s->h, pw, ph, CurrentSettings().aspect));
  if (dest.w <= 0 || dest.h <= 0) return;
  if (hasFrame && !SDL_RectEquals(&dest, &lastDest)) {
    // A picture of another size leaves parts of the old one in the border.
    SDL_FillRect(s, nullptr, 0);
    sendWhole = true;
  }
  // Whole factors across and down: the same, but for 4:3 at 5 x 6.
  const int scaleX = dest.w / pw, scaleY = dest.h / ph;
  if (IsXrgb(s) && scaleX >= 1 && scaleY >= 1 && dest.w == pw * scaleX && dest.h == ph * scaleY) {
    // The band of rows [top, bottom) that differs from the picture already
    // in the surface; all of them when there is none to compare with.
    const size_t rowBytes = size_t(pw) * size_t(depth == 15 ? 2 : (depth + 7) / 8);
    int top = 0, bottom = ph;
    auto same = [&](int y) {
      return std::memcmp(first + size_t(y) * size_t(pitch), shownRows.data() + size_t(y) * rowBytes, rowBytes) == 0;
    };
    if (hasFrame && !sendWhole && shownDepth == depth && shownRows.size() == rowBytes * size_t(ph) &&
        SDL_RectEquals(&dest, &lastDest)) {
      while (top < ph && same(top)) ++top;
      // Nothing changed: the window already shows this frame.
      if (top == ph) return;
      while (bottom > top && same(bottom - 1)) --bottom;
    } else {
      shownRows.assign(rowBytes * size_t(ph), 0);
      shownDepth = depth;
    }
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) {
      shownRows.clear();
      return;
    }
    for (int y = top; y < bottom; ++y)
      std::memcpy(shownRows.data() + size_t(y) * rowBytes, first + size_t(y) * size_t(pitch), rowBytes);
    uint8_t* out =
        static_cast<uint8_t*>(s->pixels) + size_t(dest.y + top * scaleY) * size_t(s->pitch) + size_t(dest.x) * 4;
    ScaleToXrgb(first + size_t(top) * size_t(pitch), pitch, depth, pw, bottom - top, scaleX, scaleY, out, s->pitch);
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    hasFrame = true;
    lastDest = dest;
    Send(SDL_Rect{dest.x, dest.y + top * scaleY, dest.w, (bottom - top) * scaleY});
    return;
  }
  // Any other frame is scaled and sent whole, and compared with none.
  shownRows.clear();
  if (IsXrgb(s)) {
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return;
    uint8_t* out = static_cast<uint8_t*>(s->pixels) + size_t(dest.y) * size_t(s->pitch) + size_t(dest.x) * 4;
    ScaleShapedToXrgb(first, pitch, depth, pw, ph, out, s->pitch, dest.w, dest.h, unsmoothed);
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

void SdlDisplay::Impl::Redraw() {
  if (renderer) {
    Render();
    SDL_RenderPresent(renderer);
  } else if (WindowSurface()) {
    if (SDL_UpdateWindowSurface(window) == 0) sendWhole = false;
  }
}

void SdlDisplay::ShowFrame(const Surface& picture, const Rect& area) {
  if (recorder_) recorder_->Frame(picture, area);
  if (!window_ || !picture.Pixels()) return;
  if (impl_->renderer) impl_->FollowPace(FrameRate());
  const Rect r{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, picture.Width()),
               std::min(area.bottom, picture.Height())};
  if (r.Width() <= 0 || r.Height() <= 0) return;
  const int depth = picture.Depth();
  if (depth != 15 && depth != 16 && depth != 24 && depth != 32) return;
  const uint8_t* first = picture.Pixels() + size_t(r.top) * picture.Pitch() + size_t(r.left) * picture.BytesPerPixel();
  if (impl_->renderer) impl_->ShowThroughRenderer(first, picture.Pitch(), depth, r.Width(), r.Height());
  else impl_->ShowOnSurface(first, picture.Pitch(), depth, r.Width(), r.Height());
  if (impl_->shotWanted) {
    impl_->shotWanted = false;
    impl_->WriteShot(first, picture.Pitch(), depth, r.Width(), r.Height());
  }
}

void SdlDisplay::Impl::FollowPace(int framesPerSecond) {
  const bool want = VsyncKeepsPace(screenRefresh, framesPerSecond);
  if (want != vsync && SDL_RenderSetVSync(renderer, want ? 1 : 0) == 0) vsync = want;
}

void SdlDisplay::Impl::ShowThroughRenderer(const uint8_t* first, int pitch, int depth, int pw, int ph) {
  pictureWidth = pw;
  pictureHeight = ph;
  // Square pixels go up as they are and the renderer scales them by whole
  // factors. In 4:3 the texture holds the picture at the whole factors that
  // fit, and the renderer smooths it to its size when they do not reach it.
  const bool square = CurrentSettings().aspect == Aspect::Square;
  const SDL_Rect d = Destination();
  const int scaleX = square ? 1 : std::max(d.w / pw, 1), scaleY = square ? 1 : std::max(d.h / ph, 1);
  const int tw = pw * scaleX, th = ph * scaleY;
  if (!texture || textureWidth != tw || textureHeight != th) {
    DropTexture();
    texture = SDL_CreateTexture(renderer, kTextureFormat, SDL_TEXTUREACCESS_STREAMING, tw, th);
    if (!texture) return;
    textureWidth = tw;
    textureHeight = th;
  }
  const bool smooth = !square && (d.w != tw || d.h != th);
  SDL_SetTextureScaleMode(texture, smooth ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  if (scaleX != 1 || scaleY != 1) {
    void* pixels = nullptr;
    int texturePitch = 0;
    if (SDL_LockTexture(texture, nullptr, &pixels, &texturePitch) != 0) return;
    ScaleToXrgb(first, pitch, depth, pw, ph, scaleX, scaleY, static_cast<uint8_t*>(pixels), texturePitch);
    SDL_UnlockTexture(texture);
  } else if (depth == 32) {
    if (SDL_UpdateTexture(texture, nullptr, first, pitch) != 0) return;
  } else {
    void* pixels = nullptr;
    int texturePitch = 0;
    if (SDL_LockTexture(texture, nullptr, &pixels, &texturePitch) != 0) return;
    WidenRows(first, pitch, depth, static_cast<uint8_t*>(pixels), texturePitch, pw, ph);
    SDL_UnlockTexture(texture);
  }
  hasFrame = true;
  Render();
  SDL_RenderPresent(renderer);
}

void SdlDisplay::Impl::WriteShot(const uint8_t* first, int pitch, int depth, int pw, int ph) {
  const SDL_Rect d = Destination();
  if (CurrentSettings().aspect != Aspect::Square) {
    // In 4:3 what is shown, without the bars; never smaller than two steps
    // of the shape (640 x 480).
    int w = d.w, h = d.h;
    if (w < 2 * pw) ShapedSize(pw, ph, CurrentSettings().aspect, 2, w, h);
    std::vector<uint8_t> pixels(size_t(w) * size_t(h) * 4), scratch;
    ScaleShapedToXrgb(first, pitch, depth, pw, ph, pixels.data(), w * 4, w, h, scratch);
    SaveScreenshot(CurrentSettings().programName, pixels.data(), w * 4, w, h);
    return;
  }
  // The picture at the whole scale it is shown at, without the bars; never
  // smaller than 640 x 400, so a small window still gives a useful picture.
  const int shown = WholeScale(Placement{d.x, d.y, d.w, d.h}, pw, ph);
  const int scale = std::max({shown, (640 + pw - 1) / pw, (400 + ph - 1) / ph, 1});
  std::vector<uint8_t> pixels(size_t(pw) * scale * size_t(ph) * scale * 4);
  ScaleToXrgb(first, pitch, depth, pw, ph, scale, pixels.data(), pw * scale * 4);
  SaveScreenshot(CurrentSettings().programName, pixels.data(), pw * scale * 4, pw * scale, ph * scale);
}

bool SdlDisplay::UsesRenderer() const { return impl_->renderer != nullptr; }

bool SdlDisplay::ReadScreen(std::vector<uint8_t>& rgb, int& width, int& height) {
  if (!window_) return false;
  if (impl_->renderer) {
    if (SDL_GetRendererOutputSize(impl_->renderer, &width, &height) != 0) return false;
    impl_->Render();
    rgb.assign(size_t(width) * height * 3, 0);
    return SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_RGB24, rgb.data(), width * 3) == 0;
  }
  SDL_Surface* s = impl_->WindowSurface();
  if (!s) return false;
  width = s->w;
  height = s->h;
  rgb.assign(size_t(width) * height * 3, 0);
  if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return false;
  const bool ok = SDL_ConvertPixels(width, height, s->format->format, s->pixels, s->pitch, SDL_PIXELFORMAT_RGB24,
                                    rgb.data(), width * 3) == 0;
  if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
  return ok;
}

}  // namespace kestrel::platform
