#include "kestrel/buffer64.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "kestrel/blit_retry.h"
#include "kestrel/colour.h"
#include "kestrel/error.h"

namespace kestrel {

using namespace platform;

TBuffer64::TBuffer64(TKestrel& context, int32_t width, int32_t height, bool videoMemory) {
  ReleaseSurface();
  Window = context.Handle;
  DirectDraw = context.DirectDraw;
  Primary = context.Primary;
  BackBuffer = context.BackBuffer;
  Hardware = context.Hardware;
  ContextDepth = context.BitsPerPixel;
  IsFullScreen = context.IsFullScreen;
  VideoMemory = videoMemory;
  if (HResult r = CreateSurfaceOfSize(width, height, videoMemory); Failed(r))
    ReportError("CreateSurface", DirectDrawErrorText(r));
  MapSurface();
  Clear(0);
}

TBuffer64::~TBuffer64() { Release(); }

void TBuffer64::Release() {
  ReleaseSurface();
  Rows.clear();
  Rows.shrink_to_fit();
  Font.reset();
  Pixels = nullptr;
  DirectDraw.reset();
  Primary.reset();
  BackBuffer.reset();
}

void TBuffer64::ReportError(const std::string& operation, const std::string& text) {
  Release();
  RaiseEngineError(ReportText("[TBuffer64]", operation, text));
}

HResult TBuffer64::CreateSurfaceOfSize(int32_t width, int32_t height, bool videoMemory) {
  if (!DirectDraw) return DDERR_INVALIDPARAMS;
  SurfaceRequest req;
  req.flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  req.width = width;
  req.height = height;
  req.caps = (videoMemory && Hardware) ? (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY)
                                       : (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
  HResult r = DirectDraw->CreateSurface(req, Surface);
  if (Failed(r)) {
    req.caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    r = DirectDraw->CreateSurface(req, Surface);
    if (Failed(r)) return r;
    VideoMemory = false;
  }
  return DD_OK;
}

int32_t TBuffer64::SetSize(int32_t width, int32_t height, bool videoMemory) {
  if (Surface && width == Width && height == Height && videoMemory == VideoMemory) return 0;
  ReleaseSurface();
  VideoMemory = videoMemory;
  if (Failed(CreateSurfaceOfSize(width, height, videoMemory))) {
    // Without a surface the buffer is empty; nothing may address old pixels.
    Pixels = nullptr;
    Width = Height = MaxX = MaxY = HalfWidth = HalfHeight = Pitch = 0;
    Rows.clear();
    return -1;
  }
  MapSurface();
  Clear(0);
  return 0;
}

void TBuffer64::MapSurface() {
  SurfaceDesc desc{};
  RestoreSurfaces();
  HResult r;
  while ((r = Surface->Lock(desc, DDLOCK_WAIT)) == DDERR_SURFACEBUSY) {
  }
  if (Failed(r)) ReportError("Lock", DirectDrawErrorText(r));
  Pixels = desc.pixels;
  Width = desc.width;
  Height = desc.height;
  MaxX = Width - 1;
  MaxY = Height - 1;
  HalfWidth = Width >> 1;
  HalfHeight = Height >> 1;
  Pitch = desc.pitch;
  BytesPerPixel = uint8_t(Pitch / Width);
  BitsPerPixel = uint8_t(BytesPerPixel * 8);
  Rows.resize(size_t(Height));
  for (int32_t i = 0; i < Height; ++i) Rows[size_t(i)] = Pixels + size_t(i) * size_t(Pitch);
  r = Surface->Unlock();
  if (Failed(r)) ReportError("UnLock", DirectDrawErrorText(r));
}

void TBuffer64::ReleaseSurface() { Surface.reset(); }

void TBuffer64::RestoreSurfaces() {
  if (Surface) Surface->Restore();
  if (Primary) Primary->Restore();
  if (!IsFullScreen && BackBuffer) BackBuffer->Restore();
}

void TBuffer64::Present(bool waitForVerticalBlank) {
  if (!Surface || !Primary) return;
  Display& d = GetDisplay();
  Rect dest = d.GetClientRect(Window);
  const Point origin = d.ClientToScreen(Window, Point{0, 0});
  dest.left += origin.x, dest.right += origin.x, dest.top += origin.y, dest.bottom += origin.y;
  if (IsFullScreen) {
    if (!BackBuffer) return;
    for (;;) {
      const HResult r = BackBuffer->Blt(&dest, Surface.get(), nullptr, DDBLT_WAIT, nullptr);
      if (r == DD_OK) {
        while (Primary->GetBltStatus(DDGBS_ISBLTDONE) == DDERR_WASSTILLDRAWING) {
        }
        Primary->Flip(waitForVerticalBlank ? DDFLIP_WAIT : DDFLIP_NOVSYNC);
        return;
      }
      if (r == DDERR_SURFACELOST) {
        RestoreSurfaces();
        return;
      }
      if (r != DDERR_WASSTILLDRAWING) return;
    }
  }
  for (;;) {
    if (waitForVerticalBlank && DirectDraw) DirectDraw->WaitForVerticalBlank(DDWAITVB_BLOCKEND);
    const HResult r = Primary->Blt(&dest, Surface.get(), nullptr, DDBLT_WAIT, nullptr);
    if (r == DD_OK) {
      while (Primary->GetBltStatus(DDGBS_ISBLTDONE) == DDERR_WASSTILLDRAWING) {
      }
      return;
    }
    if (r == DDERR_SURFACELOST) {
      RestoreSurfaces();
      return;
    }
    if (r != DDERR_WASSTILLDRAWING) return;
  }
}

void TBuffer64::Clear(uint32_t color) {
  if (!Surface) return;
  BltFx fx;
  fx.fillColor = color;
  RunBlit(
      *Surface, [&] { return Surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx); },
      [this] { RestoreSurfaces(); });
}

namespace {

// The clipping of a whole-buffer copy; false when nothing is drawn. An empty
// rectangle that comes out of it is handed on unchanged and the surface
// refuses it.
bool ClipWhole(const TBuffer64& source, const TBuffer64& dest, int32_t& x, int32_t& y, Rect& src) {
  if (x > dest.Width || y > dest.Height || int64_t(x) + source.Width < 0 || int64_t(y) + source.Height < 0)
    return false;
  int32_t w = source.Width;
  if (int64_t(x) + w > dest.Width) w = dest.Width - x;
  int32_t h = source.Height;
  if (int64_t(y) + h > dest.Height) h = dest.Height - y;
  int32_t sx = 0, sy = 0;
  if (x < 0) sx = -x, x = 0;
  if (y < 0) sy = -y, y = 0;
  src = Rect{sx, sy, w, h};
  return true;
}

}  // namespace

void TBuffer64::Draw(TBuffer64& dest, int32_t x, int32_t y) {
  Rect src;
  if (!Surface || !dest.Surface || !ClipWhole(*this, dest, x, y, src)) return;
  RunBlit(
      *dest.Surface, [&] { return dest.Surface->BltFast(x, y, *Surface, src, DDBLTFAST_NOCOLORKEY); },
      [this] { RestoreSurfaces(); });
}

void TBuffer64::DrawKeyed(TBuffer64& dest, int32_t x, int32_t y, uint32_t key) {
  Rect src;
  if (!Surface || !dest.Surface || !ClipWhole(*this, dest, x, y, src)) return;
  Surface->SetColorKey(DDCKEY_SRCBLT, key, key);
  RunBlit(
      *dest.Surface, [&] { return dest.Surface->BltFast(x, y, *Surface, src, DDBLTFAST_SRCCOLORKEY); },
      [this] { RestoreSurfaces(); });
}

namespace {

// The clipping shared by the two rectangle copies; false when nothing is drawn.
bool ClipRect(const TBuffer64& source, const TBuffer64& dest, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2,
              int32_t& destX, int32_t& destY) {
  // The first test uses the whole source buffer's size, not the rectangle's.
  if (destX > dest.Width || destY > dest.Height || int64_t(destX) + source.Width < 0 ||
      int64_t(destY) + source.Height < 0)
    return false;
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  int64_t right = int64_t(x2) + 1, bottom = int64_t(y2) + 1;
  int64_t left = x1, top = y1;
  // A corner cut here does not move the destination point.
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  if (right > source.Width) right = source.Width;
  if (bottom > source.Height) bottom = source.Height;
  const int64_t ex = right - left + destX;
  if (ex > dest.Width) right -= ex - dest.Width;
  const int64_t ey = bottom - top + destY;
  if (ey > dest.Height) bottom -= ey - dest.Height;
  if (destX < 0) left += -int64_t(destX), destX = 0;
  if (destY < 0) top += -int64_t(destY), destY = 0;
  auto clamp32 = [](int64_t v) { return int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); };
  x1 = clamp32(left), y1 = clamp32(top), x2 = clamp32(right), y2 = clamp32(bottom);
  return true;
}

}  // namespace

void TBuffer64::DrawRect(TBuffer64& dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t destX,
                         int32_t destY) {
  if (!Surface || !dest.Surface) return;
  if (!ClipRect(*this, dest, x1, y1, x2, y2, destX, destY)) return;
  const Rect src{x1, y1, x2, y2};
  RunBlit(
      *dest.Surface, [&] { return dest.Surface->BltFast(destX, destY, *Surface, src, DDBLTFAST_NOCOLORKEY); },
      [this] { RestoreSurfaces(); });
}

void TBuffer64::DrawRectKeyed(TBuffer64& dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t destX,
                              int32_t destY, uint32_t key) {
  if (!Surface || !dest.Surface) return;
  if (!ClipRect(*this, dest, x1, y1, x2, y2, destX, destY)) return;
  Surface->SetColorKey(DDCKEY_SRCBLT, key, key);
  const Rect src{x1, y1, x2, y2};
  RunBlit(
      *dest.Surface, [&] { return dest.Surface->BltFast(destX, destY, *Surface, src, DDBLTFAST_SRCCOLORKEY); },
      [this] { RestoreSurfaces(); });
}

void TBuffer64::Mirror() {
  if (!Surface) return;
  BltFx fx;
  fx.effects = DDBLTFX_MIRRORLEFTRIGHT;
  RunBlit(
      *Surface, [&] { return Surface->Blt(nullptr, Surface.get(), nullptr, DDBLT_DDFX, &fx); },
      [this] { RestoreSurfaces(); });
}

void TBuffer64::SetFont(const std::string& name, int32_t height) {
  Font.reset();
  FontRequest req;
  req.height = height;
  req.weight = 700;
  req.antialiased = true;
  req.face = name;
  // A face that cannot be made leaves text in the default face.
  Font = CreateFont(req);
}

void TBuffer64::TextOut(int32_t x, int32_t y, const std::string& text, uint32_t color) {
  if (!Surface) return;
  DeviceContext* dc = nullptr;
  HResult r = Surface->GetDC(dc);
  if (Failed(r)) ReportError("GetDC", DirectDrawErrorText(r));
  uint8_t red = 0, green = 0, blue = 0;
  UnpackColor(color, red, green, blue);
  dc->SelectObject(Font);
  dc->SetTextColor(uint32_t(red) + uint32_t(green) * 256u + uint32_t(blue) * 65536u);
  dc->SetBkMode(TRANSPARENT);
  dc->TextOut(x, y, text.data(), int32_t(text.size()));
  r = Surface->ReleaseDC(dc);
  if (Failed(r)) ReportError("ReleaseDC", DirectDrawErrorText(r));
}

// ---- direct pixel access ----

void TBuffer64::MakeWindowIcon(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t key, uint32_t backgroundRgb,
                               int32_t size) {
  if (size <= 0 || size > 1024 || Rows.empty()) return;
  const int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;
  const int32_t left = (size - w) / 2, top = (size - h) / 2;
  std::vector<uint32_t> argb(size_t(size) * size_t(size), 0xFF000000u | (backgroundRgb & 0xFFFFFF));
  for (int32_t y = std::max(0, top); y < std::min(size, top + h); ++y)
    for (int32_t x = std::max(0, left); x < std::min(size, left + w); ++x) {
      const int32_t sx = x1 + x - left, sy = y1 + y - top;
      if (sx < 0 || sy < 0 || sx >= Width || sy >= Height) continue;
      const uint32_t c = GetPixel(sx, sy);
      if (c == key) continue;
      uint8_t r = 0, g = 0, b = 0;
      UnpackColor(c, r, g, b);
      argb[size_t(y) * size_t(size) + size_t(x)] = 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    }
  GetDisplay().SetWindowIcon(argb, size, size);
}

void TBuffer64::Dim() {
  if (!Surface || Rows.empty()) return;
  Surface->PixelsChanged();
  for (int32_t y = 0; y < Height; ++y) {
    uint8_t* row = Rows[size_t(y)];
    for (int32_t x = 0; x < Width; ++x) {
      uint8_t red = 0, green = 0, blue = 0;
      UnpackColor(GetPixel(x, y), red, green, blue);
      const uint32_t c = MakeColor(red / 2, green / 2, blue / 2);
      switch (BitsPerPixel) {
        case 15:
        case 16: {
          const uint16_t v = uint16_t(c);
          std::memcpy(row + 2 * size_t(x), &v, 2);
          break;
        }
        case 24:
          row[3 * size_t(x)] = uint8_t(c);
          row[3 * size_t(x) + 1] = uint8_t(c >> 8);
          row[3 * size_t(x) + 2] = uint8_t(c >> 16);
          break;
        case 32: std::memcpy(row + 4 * size_t(x), &c, 4); break;
        default: return;
      }
    }
  }
}

uint32_t TBuffer64::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return 0;
  const uint8_t* row = Rows[size_t(y)];
  switch (BitsPerPixel) {
    case 15:
    case 16: {
      uint16_t v;
      std::memcpy(&v, row + 2 * size_t(x), 2);
      return v;
    }
    case 24: {
      const uint8_t* p = row + 3 * size_t(x);
      return MakeColor(p[2], p[1], p[0]);
    }
    case 32: {
      uint32_t v;
      std::memcpy(&v, row + 4 * size_t(x), 4);
      return v;
    }
    default: return 0;
  }
}

namespace {

void Fill16(uint8_t* p, int32_t n, uint16_t pixel) {
  if (HasMMX) {
    const uint64_t quad = uint64_t(pixel) * 0x0001000100010001ull;
    for (int32_t i = 0; i < n / 4; ++i, p += 8) std::memcpy(p, &quad, 8);
    for (int32_t i = 0; i < n % 4; ++i, p += 2) std::memcpy(p, &pixel, 2);
  } else {
    const uint32_t pair = uint32_t(pixel) * 0x00010001u;
    for (int32_t i = 0; i < n / 2; ++i, p += 4) std::memcpy(p, &pair, 4);
    if (n & 1) std::memcpy(p, &pixel, 2);
  }
}

void Fill24(uint8_t* p, int32_t n, uint32_t color) {
  for (int32_t i = 0; i < n; ++i, p += 3) {
    p[0] = uint8_t(color), p[1] = uint8_t(color >> 8), p[2] = uint8_t(color >> 16);
  }
}

void Fill32(uint8_t* p, int32_t n, uint32_t color) {
  if (HasMMX) {
    const uint64_t pair = uint64_t(color) * 0x0000000100000001ull;
    for (int32_t i = 0; i < n / 2; ++i, p += 8) std::memcpy(p, &pair, 8);
    if (n & 1) std::memcpy(p, &color, 4);
  } else {
    for (int32_t i = 0; i < n; ++i, p += 4) std::memcpy(p, &color, 4);
  }
}

}  // namespace

void TBuffer64::HLine(int32_t x1, int32_t x2, int32_t y, uint32_t color) {
  if (y < 0 || y >= Height) return;
  if (x2 < x1) std::swap(x1, x2);
  int64_t right = int64_t(x2) + 1, left = x1;
  if (right < 0 || left > Width) return;
  if (left < 0) left = 0;
  if (right > Width) right = Width;
  if (VideoMemory) {
    BltFx fx;
    fx.fillColor = color;
    const Rect r{int32_t(left), y, int32_t(right), y + 1};
    RunBlit(
        *Surface, [&] { return Surface->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx); },
        [this] { RestoreSurfaces(); });
    return;
  }
  const int32_t n = int32_t(right - left);
  if (n <= 0) return;
  if (Surface) Surface->PixelsChanged();
  uint8_t* row = Rows[size_t(y)];
  // The pixel size comes from the context's depth; it matches the surface's,
  // since every surface is made in the display's format.
  switch (ContextDepth) {
    case 15:
    case 16: Fill16(row + 2 * size_t(left), n, uint16_t(color)); break;
    case 24: Fill24(row + 3 * size_t(left), n, color); break;
    case 32: Fill32(row + 4 * size_t(left), n, color); break;
    default: break;
  }
}

void TBuffer64::VLine(int32_t y1, int32_t y2, int32_t x, uint32_t color) {
  if (x < 0 || x >= Width) return;
  if (y2 < y1) std::swap(y1, y2);
  if (y2 < 0 || y1 >= Height) return;
  if (y1 < 0) y1 = 0;
  if (y2 >= Height) y2 = Height - 1;
  if (Surface) Surface->PixelsChanged();
  for (int32_t y = y1; y <= y2; ++y) {
    uint8_t* row = Rows[size_t(y)];
    switch (BitsPerPixel) {
      case 15:
      case 16: {
        const uint16_t v = uint16_t(color);
        std::memcpy(row + 2 * size_t(x), &v, 2);
        break;
      }
      case 24: Fill24(row + 3 * size_t(x), 1, color); break;
      case 32: std::memcpy(row + 4 * size_t(x), &color, 4); break;
      default: break;
    }
  }
}

void TBuffer64::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  HLine(x1, x2, y1, color);
  HLine(x1, x2, y2, color);
  VLine(y1, y2, x1, color);
  VLine(y1, y2, x2, color);
}

}  // namespace kestrel
