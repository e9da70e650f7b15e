#include "kestrel/platform/surface.h"

#include <algorithm>
#include <cstring>

#include "kestrel/base/faults.h"

namespace kestrel::platform {

constexpr HResult DDERR_NOTFOUND = 0x887600FF;

namespace {
// The calls every blit makes.
FaultSite bltFault("Blt"), bltFastFault("BltFast"), bltStatusFault("GetBltStatus"), colorKeyFault("SetColorKey");
}  // namespace
constexpr HResult DDERR_NOTLOCKED = 0x88760248;

Surface::Surface(Kind kind, int32_t width, int32_t height, int depth, bool videoMemory, Screen* screen)
    : kind_(kind),
      width_(width),
      height_(height),
      depth_(depth),
      bytesPerPixel_(BytesPerPixelOfDepth(depth)),
      videoMemory_(videoMemory),
      screen_(screen) {
  pitch_ = width_ * bytesPerPixel_;
  // The primary surface is the screen itself: copies onto it go to the
  // display, so it holds no pixels of its own.
  if (kind_ != Kind::Primary) pixels_.resize(size_t(pitch_) * size_t(height_));
}

Surface::~Surface() = default;

HResult Surface::Lock(SurfaceDesc& desc, uint32_t) {
  if (HResult r = CheckFault("Lock")) return r;
  if (kind_ == Kind::Primary) return DDERR_UNSUPPORTED;
  if (lost_) return DDERR_SURFACELOST;
  if (locked_) return DDERR_SURFACEBUSY;
  locked_ = true;
  desc.pixels = pixels_.data();
  desc.width = width_;
  desc.height = height_;
  desc.pitch = pitch_;
  return DD_OK;
}

HResult Surface::Unlock() {
  if (HResult r = CheckFault("Unlock")) return r;
  if (!locked_) return DDERR_NOTLOCKED;
  locked_ = false;
  return DD_OK;
}

namespace {

bool InsideSurface(const Rect& r, const Surface& s) {
  return r.left >= 0 && r.top >= 0 && r.right <= s.Width() && r.bottom <= s.Height() && r.left < r.right &&
         r.top < r.bottom;
}

// Nearest-neighbour stretch of `sr` of `src` onto `dr` of `dst` (same depth).
void StretchRows(Surface& dst, const Rect& dr, const Surface& src, const Rect& sr) {
  const int bpp = dst.BytesPerPixel();
  const int32_t dw = dr.Width(), dh = dr.Height(), sw = sr.Width(), sh = sr.Height();
  for (int32_t y = 0; y < dh; ++y) {
    const int32_t sy = sr.top + int32_t(int64_t(y) * sh / dh);
    const uint8_t* srow = src.Pixels() + size_t(sy) * src.Pitch();
    uint8_t* drow = dst.Pixels() + size_t(dr.top + y) * dst.Pitch() + size_t(dr.left) * bpp;
    for (int32_t x = 0; x < dw; ++x) {
      const int32_t sx = sr.left + int32_t(int64_t(x) * sw / dw);
      std::memcpy(drow + size_t(x) * bpp, srow + size_t(sx) * bpp, bpp);
    }
  }
}

// A keyed copy of one row onto an overlapping part of the same row. Walking
// away from the overlap reads every source pixel before the copy overwrites
// it, so the result is what a copy through a spare row would give, as the
// unkeyed copy's memmove does.
void KeyedRowOverlapping(uint8_t* d, const uint8_t* s, int32_t n, int bpp, uint32_t key) {
  uint8_t k[4];
  for (int i = 0; i < 4; ++i) k[i] = uint8_t(key >> (8 * i));
  auto one = [&](int32_t i) {
    const uint8_t* sp = s + size_t(i) * size_t(bpp);
    if (std::memcmp(sp, k, size_t(bpp)) != 0) std::memmove(d + size_t(i) * size_t(bpp), sp, size_t(bpp));
  };
  if (d > s) {
    for (int32_t i = n - 1; i >= 0; --i) one(i);
  } else {
    for (int32_t i = 0; i < n; ++i) one(i);
  }
}

}  // namespace

HResult Surface::Blt(const Rect* dest, Surface* src, const Rect* srcRect, uint32_t flags, const BltFx* fx) {
  if (HResult r = bltFault.Check()) return r;
  if (lost_ || (src && src->lost_)) return DDERR_SURFACELOST;
  const Rect whole{0, 0, width_, height_};

  if (flags & DDBLT_COLORFILL) {
    const uint32_t color = fx ? fx->fillColor : 0;
    if (kind_ == Kind::Primary) return DD_OK;  // the screen is redrawn by every frame
    Rect r = dest ? *dest : whole;
    if (!InsideSurface(r, *this)) return DDERR_INVALIDRECT;
    // A new surface is cleared once, by the memory it was given.
    if (allZero_ && color == 0) return DD_OK;
    PixelsChanged();
    FillRows(pixels_.data() + size_t(r.top) * pitch_ + size_t(r.left) * bytesPerPixel_, pitch_, r.Width(), r.Height(),
             bytesPerPixel_, color);
    return DD_OK;
  }

  if (flags & DDBLT_DDFX) {
    if (!fx || fx->effects != DDBLTFX_MIRRORLEFTRIGHT || src != this || dest || srcRect) return DDERR_UNSUPPORTED;
    if (kind_ == Kind::Primary) return DDERR_UNSUPPORTED;
    PixelsChanged();
    MirrorRows(pixels_.data(), pitch_, width_, height_, bytesPerPixel_);
    return DD_OK;
  }

  if (!src) return DDERR_INVALIDPARAMS;
  const Rect sr = srcRect ? *srcRect : Rect{0, 0, src->width_, src->height_};
  if (!InsideSurface(sr, *src)) return DDERR_INVALIDRECT;
  if (kind_ == Kind::Primary) {
    // A copy onto the screen: the display shows it over the window's client area.
    if (screen_) screen_->PresentSurface(*src, sr);
    return DD_OK;
  }
  if (src->depth_ != depth_) return DDERR_INVALIDPARAMS;
  PixelsChanged();
  Rect dr = dest ? *dest : whole;
  // Destination rectangles reaching outside the surface are clipped to it,
  // keeping the scale the full rectangle asked for.
  if (dr.left >= dr.right || dr.top >= dr.bottom) return DDERR_INVALIDRECT;
  if (dr == whole && sr.Width() == width_ && sr.Height() == height_ && src != this) {
    CopyRows(pixels_.data(), pitch_, src->Pixels() + size_t(sr.top) * src->pitch_ + size_t(sr.left) * bytesPerPixel_,
             src->pitch_, width_, height_, bytesPerPixel_);
    return DD_OK;
  }
  if (!InsideSurface(dr, *this)) {
    Rect clipped{std::max(dr.left, 0), std::max(dr.top, 0), std::min(dr.right, width_), std::min(dr.bottom, height_)};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return DDERR_INVALIDRECT;
    // Map the clipped area back into the source.
    auto mapX = [&](int32_t x) { return sr.left + int32_t(int64_t(x - dr.left) * sr.Width() / dr.Width()); };
    auto mapY = [&](int32_t y) { return sr.top + int32_t(int64_t(y - dr.top) * sr.Height() / dr.Height()); };
    Rect csr{mapX(clipped.left), mapY(clipped.top), std::max(mapX(clipped.right), mapX(clipped.left) + 1),
             std::max(mapY(clipped.bottom), mapY(clipped.top) + 1)};
    csr.right = std::min(csr.right, sr.right);
    csr.bottom = std::min(csr.bottom, sr.bottom);
    StretchRows(*this, clipped, *src, csr);
    return DD_OK;
  }
  if (src == this) {
    // Overlapping stretch within one surface: go through a copy.
    Surface copy(Kind::OffScreen, width_, height_, depth_, false, nullptr);
    copy.pixels_ = pixels_;
    StretchRows(*this, dr, copy, sr);
    return DD_OK;
  }
  StretchRows(*this, dr, *src, sr);
  return DD_OK;
}

HResult Surface::BltFast(int32_t x, int32_t y, Surface& src, const Rect& srcRect, uint32_t flags) {
  if (HResult r = bltFastFault.Check()) return r;
  if (lost_ || src.lost_) return DDERR_SURFACELOST;
  if (kind_ == Kind::Primary || src.depth_ != depth_) return DDERR_INVALIDPARAMS;
  // DirectDraw refuses rectangles that are empty or reach outside either
  // surface; so do we, which keeps every copy inside both pictures.
  if (!InsideSurface(srcRect, src)) return DDERR_INVALIDRECT;
  const int32_t w = srcRect.Width(), h = srcRect.Height();
  if (x < 0 || y < 0 || int64_t(x) + w > width_ || int64_t(y) + h > height_) return DDERR_INVALIDRECT;
  PixelsChanged();

  const uint8_t* s = src.pixels_.data() + size_t(srcRect.top) * src.pitch_ + size_t(srcRect.left) * bytesPerPixel_;
  uint8_t* d = pixels_.data() + size_t(y) * pitch_ + size_t(x) * bytesPerPixel_;
  const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) && src.hasKey_;
  if (&src == this && keyed && y == srcRect.top) {
    // Source and destination share their rows; the row loops may not be
    // handed overlapping pointers.
    for (int32_t row = 0; row < h; ++row)
      KeyedRowOverlapping(d + size_t(row) * pitch_, s + size_t(row) * pitch_, w, bytesPerPixel_, src.keyLow_);
    return DD_OK;
  }
  if (&src == this && y > srcRect.top) {
    // Overlapping copy downwards within one surface: walk the rows from the bottom.
    for (int32_t row = h - 1; row >= 0; --row) {
      if (keyed)
        CopyRowsKeyed(d + size_t(row) * pitch_, pitch_, s + size_t(row) * pitch_, pitch_, w, 1, bytesPerPixel_,
                      src.keyLow_);
      else std::memmove(d + size_t(row) * pitch_, s + size_t(row) * pitch_, size_t(w) * bytesPerPixel_);
    }
    return DD_OK;
  }
  if (keyed && &src != this) {
    if (const SpanIndex* index = src.SpansFor(src.keyLow_)) {
      index->CopyKeyed(d, pitch_, src.pixels_.data(), src.pitch_, srcRect.left, srcRect.top, w, h, bytesPerPixel_);
      return DD_OK;
    }
  }
  if (keyed) CopyRowsKeyed(d, pitch_, s, src.pitch_, w, h, bytesPerPixel_, src.keyLow_);
  else CopyRows(d, pitch_, s, src.pitch_, w, h, bytesPerPixel_);
  return DD_OK;
}

const SpanIndex* Surface::SpansFor(uint32_t key) {
  if (spans_ && spans_->Key() == key) {
    ++spanUses_;
    return spans_.get();
  }
  if (spans_) DropSpans();  // made for another key
  if (changesOften_) return nullptr;
  try {
    auto index = std::make_unique<SpanIndex>();
    if (!index->Build(pixels_.data(), pitch_, width_, height_, bytesPerPixel_, key)) {
      changesOften_ = true;  // too wide: never worth another try
      return nullptr;
    }
    spans_ = std::move(index);
  } catch (const std::bad_alloc&) {
    return nullptr;  // the plain copy needs no memory
  }
  spanUses_ = 1;
  return spans_.get();
}

void Surface::DropSpans() {
  // An index that served fewer copies than this did not pay for its making.
  constexpr uint32_t kUsesToKeepIndexing = 4;
  if (spanUses_ < kUsesToKeepIndexing) changesOften_ = true;
  spans_.reset();
  spanUses_ = 0;
}

HResult Surface::GetBltStatus(uint32_t) { return bltStatusFault.Check(); }

HResult Surface::Flip(uint32_t flags) {
  if (HResult r = CheckFault("Flip")) return r;
  if (kind_ != Kind::Primary || !attached_) return DDERR_INVALIDPARAMS;
  if (lost_ || attached_->lost_) return DDERR_SURFACELOST;
  if (screen_) {
    if (flags & DDFLIP_WAIT && !(flags & DDFLIP_NOVSYNC)) screen_->WaitForVerticalBlank();
    screen_->PresentSurface(*attached_, Rect{0, 0, attached_->width_, attached_->height_});
  }
  return DD_OK;
}

HResult Surface::GetAttachedSurface(uint32_t caps, std::shared_ptr<Surface>& out) {
  if (HResult r = CheckFault("GetAttachedSurface")) return r;
  if (!(caps & DDSCAPS_BACKBUFFER) || !attached_) return DDERR_NOTFOUND;
  out = attached_;
  return DD_OK;
}

HResult Surface::SetColorKey(uint32_t flags, uint32_t low, uint32_t high) {
  if (HResult r = colorKeyFault.Check()) return r;
  if (flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
  // Pixels hold only as many bits as the format has; so does the key.
  const uint32_t mask = bytesPerPixel_ == 1   ? 0xFFu
                        : bytesPerPixel_ == 2 ? 0xFFFFu
                        : bytesPerPixel_ == 3 ? 0xFFFFFFu
                                              : 0xFFFFFFFFu;
  hasKey_ = true;
  keyLow_ = low & mask;
  keyHigh_ = high & mask;
  return DD_OK;
}

HResult Surface::SetClipper(std::shared_ptr<Clipper> clipper) {
  if (HResult r = CheckFault("SetClipper")) return r;
  clipper_ = std::move(clipper);
  return DD_OK;
}

HResult Surface::Restore() {
  if (HResult r = CheckFault("Restore")) return r;
  lost_ = false;
  if (attached_) attached_->lost_ = false;
  return DD_OK;
}

HResult Surface::GetDC(DeviceContext*& dc) {
  dc = nullptr;
  if (HResult r = CheckFault("GetDC")) return r;
  if (kind_ == Kind::Primary) return DDERR_CANTCREATEDC;
  if (lost_) return DDERR_SURFACELOST;
  if (dcTaken_) return DDERR_DCALREADYCREATED;
  // Whatever is drawn through the context lands in the pixels.
  PixelsChanged();
  // One context per surface, made once and handed out fresh each time, so
  // text drawing allocates nothing per call.
  if (!dc_) dc_ = std::make_unique<DeviceContext>(*this);
  dc_->Reset();
  dcTaken_ = true;
  dc = dc_.get();
  return DD_OK;
}

HResult Surface::ReleaseDC(DeviceContext* dc) {
  if (HResult r = CheckFault("ReleaseDC")) return r;
  if (!dcTaken_ || dc != dc_.get()) return DDERR_INVALIDPARAMS;
  dcTaken_ = false;
  PixelsChanged();
  return DD_OK;
}

// ---- pixel loops ----

namespace {

template <typename T>
void KeyedRow(T* __restrict d, const T* __restrict s, int32_t n, T key) {
  for (int32_t i = 0; i < n; ++i) {
    const T v = s[i];
    d[i] = v == key ? d[i] : v;
  }
}

template <typename T>
void FillRow(T* d, int32_t n, T v) {
  for (int32_t i = 0; i < n; ++i) d[i] = v;
}

}  // namespace

void CopyRows(uint8_t* dst, int32_t dstPitch, const uint8_t* src, int32_t srcPitch, int32_t width, int32_t height,
              int bpp) {
  const size_t bytes = size_t(width) * bpp;
  if (dstPitch == srcPitch && size_t(dstPitch) == bytes) {
    std::memmove(dst, src, bytes * size_t(height));
    return;
  }
  for (int32_t y = 0; y < height; ++y) std::memmove(dst + size_t(y) * dstPitch, src + size_t(y) * srcPitch, bytes);
}

void CopyRowsKeyed(uint8_t* dst, int32_t dstPitch, const uint8_t* src, int32_t srcPitch, int32_t width, int32_t height,
                   int bpp, uint32_t key) {
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* d = dst + size_t(y) * dstPitch;
    const uint8_t* s = src + size_t(y) * srcPitch;
    switch (bpp) {
      case 1: KeyedRow(d, s, width, uint8_t(key)); break;
      case 2:
        KeyedRow(reinterpret_cast<uint16_t*>(d), reinterpret_cast<const uint16_t*>(s), width, uint16_t(key));
        break;
      case 4: KeyedRow(reinterpret_cast<uint32_t*>(d), reinterpret_cast<const uint32_t*>(s), width, key); break;
      case 3: {
        const uint8_t k0 = uint8_t(key), k1 = uint8_t(key >> 8), k2 = uint8_t(key >> 16);
        for (int32_t x = 0; x < width; ++x, s += 3, d += 3) {
          if (s[0] == k0 && s[1] == k1 && s[2] == k2) continue;
          d[0] = s[0], d[1] = s[1], d[2] = s[2];
        }
        break;
      }
      default: break;
    }
  }
}

void FillRows(uint8_t* dst, int32_t pitch, int32_t width, int32_t height, int bpp, uint32_t color) {
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* d = dst + size_t(y) * pitch;
    switch (bpp) {
      case 1: FillRow(d, width, uint8_t(color)); break;
      case 2: FillRow(reinterpret_cast<uint16_t*>(d), width, uint16_t(color)); break;
      case 4: FillRow(reinterpret_cast<uint32_t*>(d), width, color); break;
      case 3:
        for (int32_t x = 0; x < width; ++x, d += 3)
          d[0] = uint8_t(color), d[1] = uint8_t(color >> 8), d[2] = uint8_t(color >> 16);
        break;
      default: break;
    }
  }
}

void MirrorRows(uint8_t* pixels, int32_t pitch, int32_t width, int32_t height, int bpp) {
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = pixels + size_t(y) * pitch;
    switch (bpp) {
      case 1: std::reverse(row, row + width); break;
      case 2: std::reverse(reinterpret_cast<uint16_t*>(row), reinterpret_cast<uint16_t*>(row) + width); break;
      case 4: std::reverse(reinterpret_cast<uint32_t*>(row), reinterpret_cast<uint32_t*>(row) + width); break;
      case 3:
        for (int32_t a = 0, b = width - 1; a < b; ++a, --b)
          for (int i = 0; i < 3; ++i) std::swap(row[a * 3 + i], row[b * 3 + i]);
        break;
      default: break;
    }
  }
}

uint32_t ReadPixel(const Surface& s, int32_t x, int32_t y) {
  const uint8_t* p = s.Pixels() + size_t(y) * s.Pitch() + size_t(x) * s.BytesPerPixel();
  switch (s.BytesPerPixel()) {
    case 1: return p[0];
    case 2: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    case 4: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    default: return 0;
  }
}

std::vector<uint8_t> SurfaceToRgb(const Surface& s, const Rect& r) {
  std::vector<uint8_t> out;
  if (!InsideSurface(r, s) || s.Pixels() == nullptr) return out;
  out.resize(size_t(r.Width()) * r.Height() * 3);
  uint8_t* o = out.data();
  for (int32_t y = r.top; y < r.bottom; ++y)
    for (int32_t x = r.left; x < r.right; ++x, o += 3) PixelToRgb(ReadPixel(s, x, y), s.Depth(), o[0], o[1], o[2]);
  return out;
}

}  // namespace kestrel::platform
