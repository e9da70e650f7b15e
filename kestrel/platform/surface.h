// Surfaces: rows of pixels in the display's format, held in memory the engine
// can address. Both backends use this one implementation; only the primary
// surface differs, because copying onto it or flipping it puts a frame on the
// screen through the display that made it.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "kestrel/base/pixel_format.h"
#include "kestrel/base/span_index.h"
#include "kestrel/platform/result.h"

namespace kestrel::platform {

class Screen;
class Surface;
class FontFace;
class DeviceContext;
class Clipper;

// A rectangle with exclusive right and bottom edges.
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// Capability bits, with the values the engine passes.
constexpr uint32_t DDSCAPS_BACKBUFFER = 0x4;
constexpr uint32_t DDSCAPS_COMPLEX = 0x8;
constexpr uint32_t DDSCAPS_FLIP = 0x10;
constexpr uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr uint32_t DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;

constexpr uint32_t DDSD_CAPS = 0x1;
constexpr uint32_t DDSD_HEIGHT = 0x2;
constexpr uint32_t DDSD_WIDTH = 0x4;
constexpr uint32_t DDSD_BACKBUFFERCOUNT = 0x20;

// Blit flags.
constexpr uint32_t DDBLT_COLORFILL = 0x400;
constexpr uint32_t DDBLT_DDFX = 0x800;
constexpr uint32_t DDBLT_WAIT = 0x01000000;
constexpr uint32_t DDBLTFX_MIRRORLEFTRIGHT = 0x2;
constexpr uint32_t DDBLTFAST_NOCOLORKEY = 0x0;
constexpr uint32_t DDBLTFAST_SRCCOLORKEY = 0x1;
constexpr uint32_t DDCKEY_SRCBLT = 0x8;
constexpr uint32_t DDGBS_ISBLTDONE = 0x2;
constexpr uint32_t DDFLIP_WAIT = 0x1;
constexpr uint32_t DDFLIP_NOVSYNC = 0x8;
constexpr uint32_t DDLOCK_WAIT = 0x1;

// What CreateSurface is asked for (the fields of a surface description the
// engine fills in).
struct SurfaceRequest {
  uint32_t flags = 0;  // DDSD_*
  uint32_t caps = 0;   // DDSCAPS_*
  int32_t width = 0;
  int32_t height = 0;
  int32_t backBufferCount = 0;
};

// What a lock hands out.
struct SurfaceDesc {
  uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
};

// The extra arguments of Blt.
struct BltFx {
  uint32_t fillColor = 0;
  uint32_t effects = 0;  // DDBLTFX_*
};

// The largest surface we agree to make; beyond it CreateSurface answers
// DDERR_OUTOFMEMORY instead of trying to allocate.
constexpr int64_t kMaxSurfaceBytes = int64_t(1) << 30;

// Pixel memory that reads as zero without being written: large blocks come
// from the kernel's zeroed pages, so a new surface costs no clearing pass and
// its pages are touched only when drawn on.
template <typename T>
struct ZeroedAllocator {
  using value_type = T;
  ZeroedAllocator() = default;
  template <typename U>
  ZeroedAllocator(const ZeroedAllocator<U>&) {}
  T* allocate(size_t n) {
    if (void* p = std::calloc(n, sizeof(T))) return static_cast<T*>(p);
    throw std::bad_alloc();
  }
  void deallocate(T* p, size_t) { std::free(p); }
  // An element made without a value stays as calloc left it.
  template <typename U>
  void construct(U*) noexcept {}
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  bool operator==(const ZeroedAllocator&) const = default;
};

// Where the pictures of a primary surface go: the display that made it
// (display.h).
class Screen {
 public:
  // `area` of `picture` reached the screen.
  virtual void PresentSurface(const Surface& picture, const Rect& area) = 0;
  // Waits for the next tick of the emulated display's clock.
  virtual void WaitForVerticalBlank() = 0;

 protected:
  ~Screen() = default;
};

class Surface : public std::enable_shared_from_this<Surface> {
 public:
  enum class Kind { OffScreen, Primary, BackBuffer };

  // Use Display::CreateSurface; this is public for the backends. A primary
  // surface shows its pictures on `screen`.
  Surface(Kind kind, int32_t width, int32_t height, int depth, bool videoMemory, Screen* screen);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  Kind GetKind() const { return kind_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Pitch() const { return pitch_; }
  int Depth() const { return depth_; }  // 15, 16, 24 or 32
  int BytesPerPixel() const { return bytesPerPixel_; }
  bool IsVideoMemory() const { return videoMemory_; }
  uint8_t* Pixels() { return pixels_.data(); }
  const uint8_t* Pixels() const { return pixels_.data(); }

  HResult Lock(SurfaceDesc& desc, uint32_t flags);
  HResult Unlock();

  // dest/srcRect null means the whole surface. With DDBLT_COLORFILL `src` is
  // unused; with DDBLT_DDFX and mirroring `src` may be this surface. Copies
  // between different sizes stretch by nearest neighbour.
  HResult Blt(const Rect* dest, Surface* src, const Rect* srcRect, uint32_t flags, const BltFx* fx);
  // One-to-one copy of srcRect of `src` to (x, y); an empty rectangle or one
  // reaching outside either surface is refused with DDERR_INVALIDRECT.
  HResult BltFast(int32_t x, int32_t y, Surface& src, const Rect& srcRect, uint32_t flags);
  HResult GetBltStatus(uint32_t flags);
  HResult Flip(uint32_t flags);
  HResult GetAttachedSurface(uint32_t caps, std::shared_ptr<Surface>& out);
  HResult SetColorKey(uint32_t flags, uint32_t low, uint32_t high);
  bool HasColorKey() const { return hasKey_; }
  uint32_t ColorKey() const { return keyLow_; }
  HResult SetClipper(std::shared_ptr<Clipper> clipper);
  HResult Restore();
  HResult GetDC(DeviceContext*& dc);
  HResult ReleaseDC(DeviceContext* dc);

  // Makes the surface lost, as a display change would; blits on it then answer
  // DDERR_SURFACELOST until Restore. Video memory comes back undefined.
  void Lose() { lost_ = true; }
  bool IsLost() const { return lost_; }

  // Must follow every write through the address a lock handed out (the
  // engine's row table); the surface's own blits and device context see
  // their writes themselves. An index of the old pixels is dropped.
  void PixelsChanged() {
    allZero_ = false;
    if (spans_) DropSpans();
  }
  // True while keyed copies from this surface go by its span index.
  bool HasSpanIndex() const { return spans_ != nullptr; }

 private:
  Kind kind_;
  int32_t width_, height_, pitch_;
  int depth_, bytesPerPixel_;
  bool videoMemory_;
  bool lost_ = false;
  bool locked_ = false;
  bool hasKey_ = false;
  uint32_t keyLow_ = 0, keyHigh_ = 0;
  Screen* screen_;
  std::vector<uint8_t, ZeroedAllocator<uint8_t>> pixels_;
  // Nothing has been written since the surface was made: a fill with 0 has
  // nothing to do.
  bool allZero_ = true;
  // Keyed copies from a picture that stays as it is go run by run. The index
  // is made at the first keyed copy for the key in use. A surface whose index
  // is dropped by a write (or another key) before it has served a few copies
  // changes about as often as it is drawn, and keeps the plain copy.
  std::unique_ptr<SpanIndex> spans_;
  uint32_t spanUses_ = 0;
  bool changesOften_ = false;
  const SpanIndex* SpansFor(uint32_t key);
  void DropSpans();
  std::shared_ptr<Surface> attached_;  // the back buffer of a flip chain
  std::shared_ptr<Clipper> clipper_;
  std::unique_ptr<DeviceContext> dc_;
  bool dcTaken_ = false;
  friend class Display;
};

// The drawing state a surface hands out through GetDC; text.cpp draws its
// text.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

class DeviceContext {
 public:
  explicit DeviceContext(Surface& surface) : surface_(surface) {}
  // Back to a fresh context's state: no font, black text, opaque background.
  void Reset() {
    font_.reset();
    textColor_ = 0;
    bkMode_ = OPAQUE;
  }
  // Returns the font selected before.
  std::shared_ptr<FontFace> SelectObject(std::shared_ptr<FontFace> font);
  // `colorRef` is red + green * 256 + blue * 65536.
  void SetTextColor(uint32_t colorRef) { textColor_ = colorRef; }
  void SetBkMode(int mode) { bkMode_ = mode; }
  // Draws `length` Windows-1252 bytes with the top-left corner of the text
  // cell at (x, y). Only the glyphs are drawn; the picture is clipped at the
  // surface's edges. Without a selected font a default face is used.
  bool TextOut(int32_t x, int32_t y, const char* text, int32_t length);

 private:
  Surface& surface_;
  std::shared_ptr<FontFace> font_;
  uint32_t textColor_ = 0;
  int bkMode_ = OPAQUE;
};

// Pixel loops shared by the surface operations and the engine's benchmarks.
// `bpp` is bytes per pixel; rows are `pitch` bytes apart.
void CopyRows(uint8_t* dst, int32_t dstPitch, const uint8_t* src, int32_t srcPitch, int32_t width, int32_t height,
              int bpp);
void CopyRowsKeyed(uint8_t* dst, int32_t dstPitch, const uint8_t* src, int32_t srcPitch, int32_t width, int32_t height,
                   int bpp, uint32_t key);
void FillRows(uint8_t* dst, int32_t pitch, int32_t width, int32_t height, int bpp, uint32_t color);
void MirrorRows(uint8_t* pixels, int32_t pitch, int32_t width, int32_t height, int bpp);

// Reads the pixel at (x, y) as stored, zero-extended.
uint32_t ReadPixel(const Surface& s, int32_t x, int32_t y);
// Unpacks a rectangle of a surface into 8-bit RGB triples, row after row.
std::vector<uint8_t> SurfaceToRgb(const Surface& s, const Rect& r);

}  // namespace kestrel::platform
