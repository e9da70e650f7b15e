#include "kestrel/platform/scale.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrel::platform {

namespace {

// Arithmetic rather than a table: a 65536-entry table does not stay in the
// cache, and these few shifts vectorise.
inline uint32_t Widen16(uint32_t p) {
  const uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
  return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

inline uint32_t Widen15(uint32_t p) {
  const uint32_t r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
  return ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
}

// Pixel x of a row, as X-R-G-B with the X byte clear. 16-bit pixels are read
// with one 16-bit load each.
template <int Depth>
inline uint32_t PixelAt(const uint8_t* row, int32_t x) {
  if constexpr (Depth == 15 || Depth == 16) {
    uint16_t v;
    std::memcpy(&v, row + 2 * size_t(x), 2);
    return Depth == 16 ? Widen16(v) : Widen15(v);
  } else if constexpr (Depth == 24) {
    const uint8_t* p = row + 3 * size_t(x);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  } else {
    uint32_t v;
    std::memcpy(&v, row + 4 * size_t(x), 4);
    return v & 0x00FFFFFF;
  }
}

template <int Depth>
void WidenRowOf(const uint8_t* __restrict src, uint32_t* __restrict dst, int32_t n) {
  for (int32_t x = 0; x < n; ++x) dst[x] = PixelAt<Depth>(src, x);
}

#if defined(__SSE2__)
// Eight 16-bit pixels widened in 16-bit lanes, then interleaved into X-R-G-B:
// the window's doubling at 15 and 16 bits is most of a present, and the
// compiler's own vectorisation works in 32-bit lanes, half as wide.
template <int Depth>
inline void Widen8(__m128i p, __m128i& lo, __m128i& hi) {
  const __m128i f8 = _mm_set1_epi16(0xF8), fc = _mm_set1_epi16(0xFC);
  const __m128i c7 = _mm_set1_epi16(0x07), c3 = _mm_set1_epi16(0x03);
  __m128i r, g, b;
  if constexpr (Depth == 16) {
    r = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 8), f8), _mm_srli_epi16(p, 13));
    g = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 3), fc), _mm_and_si128(_mm_srli_epi16(p, 9), c3));
  } else {
    r = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 7), f8), _mm_and_si128(_mm_srli_epi16(p, 12), c7));
    g = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 2), f8), _mm_and_si128(_mm_srli_epi16(p, 7), c7));
  }
  b = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(p, 3), f8), _mm_and_si128(_mm_srli_epi16(p, 2), c7));
  const __m128i gb = _mm_or_si128(_mm_slli_epi16(g, 8), b);
  lo = _mm_unpacklo_epi16(gb, r);
  hi = _mm_unpackhi_epi16(gb, r);
}

inline void StoreDoubled(uint32_t* d, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi32(v, v));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4), _mm_unpackhi_epi32(v, v));
}
#endif

// The window's case, kept apart so that the compiler sees a fixed pattern of
// stores. (Writing the block's second row here too is slower than copying
// the finished row with memcpy.)
template <int Depth>
void DoubleRowOf(const uint8_t* __restrict src, uint32_t* __restrict dst, int32_t n) {
  int32_t x = 0;
#if defined(__SSE2__)
  if constexpr (Depth == 15 || Depth == 16) {
    for (; x + 8 <= n; x += 8) {
      __m128i lo, hi;
      Widen8<Depth>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * size_t(x))), lo, hi);
      StoreDoubled(dst + 2 * x, lo);
      StoreDoubled(dst + 2 * x + 8, hi);
    }
  } else if constexpr (Depth == 32) {
    const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
    for (; x + 4 <= n; x += 4)
      StoreDoubled(dst + 2 * x,
                   _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * size_t(x))), mask));
  }
#endif
  for (; x < n; ++x) {
    const uint32_t c = PixelAt<Depth>(src, x);
    dst[2 * x] = c;
    dst[2 * x + 1] = c;
  }
}

template <int Depth>
void ScaleRowOf(const uint8_t* __restrict src, uint32_t* __restrict dst, int32_t n, int scale) {
  for (int32_t x = 0; x < n; ++x) {
    const uint32_t c = PixelAt<Depth>(src, x);
    for (int k = 0; k < scale; ++k) *dst++ = c;
  }
}

template <int Depth>
void ScaleOf(const uint8_t* src, int32_t srcPitch, int32_t width, int32_t height, int scaleX, int scaleY, uint8_t* dst,
             int32_t dstPitch) {
  const size_t rowBytes = size_t(width) * size_t(scaleX) * 4;
  for (int32_t y = 0; y < height; ++y, src += srcPitch) {
    uint8_t* first = dst;
    auto* out = reinterpret_cast<uint32_t*>(first);
    if (scaleX == 1) WidenRowOf<Depth>(src, out, width);
    else if (scaleX == 2) DoubleRowOf<Depth>(src, out, width);
    else ScaleRowOf<Depth>(src, out, width, scaleX);
    dst += dstPitch;
    // The other rows of the block are copies of the first.
    for (int k = 1; k < scaleY; ++k, dst += dstPitch) std::memcpy(dst, first, rowBytes);
  }
}

// a + (b - a) * w / 256 in each of the three 8-bit fields, w from 0 to 256.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t rb = ((a & 0xFF00FF) * (256 - w) + (b & 0xFF00FF) * w) >> 8;
  const uint32_t g = ((a & 0x00FF00) * (256 - w) + (b & 0x00FF00) * w) >> 8;
  return (rb & 0xFF00FF) | (g & 0x00FF00);
}

// Where output sample i of n falls among m source samples, with centres
// aligned: the source sample before it and the weight (0 to 256) of the one
// after. The ends take their edge sample.
struct Tap {
  int32_t at;
  uint32_t weight;
};
Tap TapOf(int32_t i, int32_t n, int32_t m) {
  // In 256ths of a source sample: (i + 1/2) * m / n - 1/2.
  const int64_t pos = ((2 * int64_t(i) + 1) * m * 256) / (2 * int64_t(n)) - 128;
  if (pos <= 0) return {0, 0};
  if (pos >= int64_t(m - 1) * 256) return {m - 1, 0};
  return {int32_t(pos >> 8), uint32_t(pos & 255)};
}

}  // namespace

void WidenRow(const uint8_t* src, int depth, uint32_t* dst, int32_t width) {
  switch (depth) {
    case 15: WidenRowOf<15>(src, dst, width); break;
    case 16: WidenRowOf<16>(src, dst, width); break;
    case 24: WidenRowOf<24>(src, dst, width); break;
    case 32: WidenRowOf<32>(src, dst, width); break;
    default: break;
  }
}

void ScaleToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, int scale,
                 uint8_t* dst, int32_t dstPitch) {
  ScaleToXrgb(src, srcPitch, depth, width, height, scale, scale, dst, dstPitch);
}

void ScaleToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, int scaleX, int scaleY,
                 uint8_t* dst, int32_t dstPitch) {
  if (width <= 0 || height <= 0 || scaleX <= 0 || scaleY <= 0) return;
  switch (depth) {
    case 15: ScaleOf<15>(src, srcPitch, width, height, scaleX, scaleY, dst, dstPitch); break;
    case 16: ScaleOf<16>(src, srcPitch, width, height, scaleX, scaleY, dst, dstPitch); break;
    case 24: ScaleOf<24>(src, srcPitch, width, height, scaleX, scaleY, dst, dstPitch); break;
    case 32: ScaleOf<32>(src, srcPitch, width, height, scaleX, scaleY, dst, dstPitch); break;
    default: break;
  }
}

void SmoothXrgb(const uint8_t* src, int32_t srcPitch, int32_t sw, int32_t sh, uint8_t* dst, int32_t dstPitch,
                int32_t dw, int32_t dh) {
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  std::vector<Tap> columns(static_cast<size_t>(dw));
  for (int32_t x = 0; x < dw; ++x) columns[size_t(x)] = TapOf(x, dw, sw);
  // The two source rows an output row blends, each first resized across.
  std::vector<uint32_t> upper(static_cast<size_t>(dw)), lower(static_cast<size_t>(dw));
  int32_t upperAt = -1, lowerAt = -1;
  auto across = [&](int32_t sy, std::vector<uint32_t>& row) {
    const auto* in = reinterpret_cast<const uint32_t*>(src + size_t(sy) * size_t(srcPitch));
    for (int32_t x = 0; x < dw; ++x) {
      const Tap t = columns[size_t(x)];
      row[size_t(x)] = t.weight ? Blend(in[t.at], in[t.at + 1], t.weight) : in[t.at] & 0x00FFFFFF;
    }
  };
  for (int32_t y = 0; y < dh; ++y) {
    const Tap t = TapOf(y, dh, sh);
    const int32_t next = std::min(t.at + 1, sh - 1);
    if (upperAt != t.at) {
      if (lowerAt == t.at) std::swap(upper, lower), std::swap(upperAt, lowerAt);
      else across(t.at, upper), upperAt = t.at;
    }
    auto* out = reinterpret_cast<uint32_t*>(dst + size_t(y) * size_t(dstPitch));
    if (t.weight == 0) {
      std::memcpy(out, upper.data(), size_t(dw) * 4);
      continue;
    }
    if (lowerAt != next) across(next, lower), lowerAt = next;
    for (int32_t x = 0; x < dw; ++x) out[x] = Blend(upper[size_t(x)], lower[size_t(x)], t.weight);
  }
}

void ScaleShapedToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, uint8_t* dst,
                       int32_t dstPitch, int32_t dw, int32_t dh, std::vector<uint8_t>& scratch) {
  if (width <= 0 || height <= 0 || dw <= 0 || dh <= 0) return;
  const int32_t fx = dw / width, fy = dh / height;
  if (fx < 1 || fy < 1) {
    StretchToXrgb(src, srcPitch, depth, width, height, dst, dstPitch, dw, dh);
    return;
  }
  if (dw == width * fx && dh == height * fy) {
    ScaleToXrgb(src, srcPitch, depth, width, height, fx, fy, dst, dstPitch);
    return;
  }
  const int32_t sw = width * fx, sh = height * fy;
  scratch.resize(size_t(sw) * size_t(sh) * 4);
  ScaleToXrgb(src, srcPitch, depth, width, height, fx, fy, scratch.data(), sw * 4);
  SmoothXrgb(scratch.data(), sw * 4, sw, sh, dst, dstPitch, dw, dh);
}

void StretchToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, uint8_t* dst,
                   int32_t dstPitch, int32_t dstWidth, int32_t dstHeight) {
  if (width <= 0 || height <= 0 || dstWidth <= 0 || dstHeight <= 0) return;
  // Rare (a screen smaller than the picture, a window of an odd size), so
  // plain: one widened source row, then a column map.
  std::vector<uint32_t> row(size_t(width), 0);
  std::vector<int32_t> column(size_t(dstWidth), 0);
  for (int32_t x = 0; x < dstWidth; ++x)
    column[size_t(x)] = int32_t((2 * int64_t(x) + 1) * width / (2 * int64_t(dstWidth)));
  int32_t widened = -1;
  for (int32_t y = 0; y < dstHeight; ++y) {
    const int32_t sy = int32_t((2 * int64_t(y) + 1) * height / (2 * int64_t(dstHeight)));
    if (sy != widened) {
      WidenRow(src + size_t(sy) * size_t(srcPitch), depth, row.data(), width);
      widened = sy;
    }
    auto* out = reinterpret_cast<uint32_t*>(dst + size_t(y) * size_t(dstPitch));
    for (int32_t x = 0; x < dstWidth; ++x) out[x] = row[size_t(column[size_t(x)])];
  }
}

void ShapedSize(int32_t pw, int32_t ph, Aspect aspect, int scale, int32_t& w, int32_t& h) {
  // One step of 4:3 is the picture's height times 6 / 5, rounded; the
  // steps are its multiples.
  const int64_t stepHeight = aspect == Aspect::FourThree ? (int64_t(ph) * 6 + 2) / 5 : ph;
  w = int32_t(int64_t(pw) * scale);
  h = int32_t(stepHeight * scale);
}

Placement Letterbox(int32_t ow, int32_t oh, int32_t pw, int32_t ph, Aspect aspect) {
  // A 4:3 picture has the shape of 320 x 240 for 320 x 200.
  if (aspect == Aspect::FourThree) ShapedSize(pw, ph, aspect, 1, pw, ph);
  if (pw <= 0 || ph <= 0 || ow <= 0 || oh <= 0) return Placement{0, 0, std::max(ow, 0), std::max(oh, 0)};
  int32_t w, h;
  // Square pixels stay at whole multiples. A 4:3 picture is drawn by whole
  // factors and then smoothly, so it takes the largest size of its shape
  // that fits: 1440 x 1080 on a 1920 x 1080 screen, where whole steps would
  // stop at 1280 x 960.
  if (aspect == Aspect::Square && ow >= pw && oh >= ph) {
    const int32_t scale = std::min(ow / pw, oh / ph);
    w = pw * scale;
    h = ph * scale;
  } else if (int64_t(ow) * ph <= int64_t(oh) * pw) {
    w = ow;
    h = std::max<int32_t>(int32_t(int64_t(ph) * ow / pw), 1);
  } else {
    h = oh;
    w = std::max<int32_t>(int32_t(int64_t(pw) * oh / ph), 1);
  }
  return Placement{(ow - w) / 2, (oh - h) / 2, w, h};
}

int WholeScale(const Placement& at, int32_t pw, int32_t ph) {
  if (pw <= 0 || ph <= 0) return 0;
  const int32_t scale = at.w / pw;
  return scale >= 1 && at.w == pw * scale && at.h == ph * scale ? int(scale) : 0;
}

void OutputToArea(int64_t ox, int64_t oy, const Placement& at, int32_t tw, int32_t th, int32_t& x, int32_t& y,
                  bool clampToArea) {
  if (at.w <= 0 || at.h <= 0 || tw <= 0 || th <= 0) {
    x = y = 0;
    return;
  }
  // The point under the pixel's centre, as StretchToXrgb samples it, so that
  // a shrunk picture is pointed at where it is seen. At a whole scale this
  // is plain division. Floor division: left of the picture is left of it.
  auto floorDiv = [](int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  const int64_t ax = floorDiv((2 * (ox - at.x) + 1) * tw, 2 * int64_t(at.w));
  const int64_t ay = floorDiv((2 * (oy - at.y) + 1) * th, 2 * int64_t(at.h));
  if (!clampToArea) {
    x = int32_t(std::clamp<int64_t>(ax, INT32_MIN, INT32_MAX));
    y = int32_t(std::clamp<int64_t>(ay, INT32_MIN, INT32_MAX));
    return;
  }
  x = int32_t(std::clamp<int64_t>(ax, 0, tw - 1));
  y = int32_t(std::clamp<int64_t>(ay, 0, th - 1));
}

int FirstWindowScale(int32_t usableWidth, int32_t usableHeight, int32_t pw, int32_t ph, int chosen) {
  if (pw <= 0 || ph <= 0) return std::max(chosen, 1);
  const int fits = std::max(1, int(std::min(usableWidth / pw, usableHeight / ph)));
  const int suits = std::max(2, int(std::min(usableHeight / 2 / ph, usableWidth / pw)));
  return std::min(chosen > 0 ? chosen : suits, fits);
}

}  // namespace kestrel::platform
