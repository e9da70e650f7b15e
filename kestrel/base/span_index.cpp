#include "kestrel/base/span_index.h"

#include <algorithm>
#include <cstring>

namespace kestrel {

namespace {

// Copies the n bytes of one run. Runs are short (a sprite's row, a tile's
// width), where a call of memcpy costs more than the copy. Each size class
// is a fixed pair of overlapping moves, so a picture whose runs are about
// the same length takes the same branches row after row.
template <size_t N>
inline void Move(uint8_t* d, const uint8_t* s) {
  std::memcpy(d, s, N);
}

inline void CopyRun(uint8_t* d, const uint8_t* s, size_t n) {
  if (n > 32) {
    if (n <= 64) {
      Move<32>(d, s);
      Move<32>(d + n - 32, s + n - 32);
    } else if (n <= 128) {
      Move<64>(d, s);
      Move<64>(d + n - 64, s + n - 64);
    } else {
      std::memcpy(d, s, n);
    }
  } else if (n > 16) {
    Move<16>(d, s);
    Move<16>(d + n - 16, s + n - 16);
  } else if (n >= 8) {
    Move<8>(d, s);
    Move<8>(d + n - 8, s + n - 8);
  } else if (n >= 4) {
    Move<4>(d, s);
    Move<4>(d + n - 4, s + n - 4);
  } else if (n >= 2) {
    Move<2>(d, s);
    Move<2>(d + n - 2, s + n - 2);
  } else if (n == 1) {
    *d = *s;
  }
}

template <int Bpp>
inline bool IsKey(const uint8_t* p, uint32_t key) {
  if constexpr (Bpp == 1) {
    return p[0] == uint8_t(key);
  } else if constexpr (Bpp == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v == uint16_t(key);
  } else if constexpr (Bpp == 3) {
    return p[0] == uint8_t(key) && p[1] == uint8_t(key >> 8) && p[2] == uint8_t(key >> 16);
  } else {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v == key;
  }
}

template <int Bpp, typename Run>
void IndexRows(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height, uint32_t key,
               std::vector<uint32_t>& rowStart, std::vector<Run>& runs) {
  for (int32_t y = 0; y < height; ++y) {
    rowStart[size_t(y)] = uint32_t(runs.size());
    const uint8_t* row = pixels + size_t(y) * size_t(pitch);
    int32_t x = 0;
    while (x < width) {
      while (x < width && IsKey<Bpp>(row + size_t(x) * Bpp, key)) ++x;
      if (x == width) break;
      const int32_t begin = x;
      while (x < width && !IsKey<Bpp>(row + size_t(x) * Bpp, key)) ++x;
      runs.push_back(Run{uint16_t(begin), uint16_t(x)});
    }
    runs.push_back(Run{0xFFFF, 0xFFFF});
  }
}

}  // namespace

bool SpanIndex::Build(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height, int bpp, uint32_t key) {
  runs_.clear();
  blockRun_.clear();
  blocksPerRow_ = 0;
  width_ = height_ = 0;
  key_ = key;
  if (width <= 0 || height <= 0 || width > kMaxWidth || bpp < 1 || bpp > 4) return false;
  std::vector<uint32_t> rowStart(size_t(height), 0);
  switch (bpp) {
    case 1: IndexRows<1>(pixels, pitch, width, height, key, rowStart, runs_); break;
    case 2: IndexRows<2>(pixels, pitch, width, height, key, rowStart, runs_); break;
    case 3: IndexRows<3>(pixels, pitch, width, height, key, rowStart, runs_); break;
    default: IndexRows<4>(pixels, pitch, width, height, key, rowStart, runs_); break;
  }
  runs_.shrink_to_fit();
  blocksPerRow_ = (width + (1 << kBlockShift) - 1) >> kBlockShift;
  blockRun_.resize(size_t(blocksPerRow_) * size_t(height));
  for (int32_t y = 0; y < height; ++y) {
    uint32_t r = rowStart[size_t(y)];
    uint32_t* blocks = blockRun_.data() + size_t(y) * size_t(blocksPerRow_);
    for (int32_t b = 0; b < blocksPerRow_; ++b) {
      while (runs_[r].end <= (b << kBlockShift)) ++r;  // the end mark stops it
      blocks[b] = r;
    }
  }
  width_ = width;
  height_ = height;
  return true;
}

void SpanIndex::CopyKeyed(uint8_t* dst, int32_t dstPitch, const uint8_t* src, int32_t srcPitch, int32_t left,
                          int32_t top, int32_t w, int32_t h, int bpp) const {
  const int32_t right = left + w;
  const size_t pixel = size_t(bpp);
  for (int32_t y = 0; y < h; ++y, dst += dstPitch) {
    const size_t row = size_t(top + y);
    // The first run that reaches into the rectangle: the first of the left
    // edge's block, or one of the few after it.
    const Run* run = runs_.data() + blockRun_[row * size_t(blocksPerRow_) + size_t(left >> kBlockShift)];
    while (run->end <= left) ++run;
    const uint8_t* srow = src + row * size_t(srcPitch);
    for (; run->begin < right; ++run) {
      const int32_t b = std::max<int32_t>(run->begin, left);
      const int32_t e = std::min<int32_t>(run->end, right);
      CopyRun(dst + size_t(b - left) * pixel, srow + size_t(b) * pixel, size_t(e - b) * pixel);
    }
  }
}

}  // namespace kestrel
