#include "kestrel/base/picture_hash.h"

#include <array>
#include <bit>
#include <cstring>
#include <memory>

#include "kestrel/base/pixel_format.h"

namespace kestrel {

namespace {

static_assert(std::endian::native == std::endian::little, "the depth-32 path reads two pixels as one word");

constexpr uint64_t kP1 = 0x9e3779b185ebca87ull;
constexpr uint64_t kP2 = 0xc2b2ae3d27d4eb4full;
constexpr uint64_t kP3 = 0x165667b19e3779f9ull;
constexpr uint64_t kP4 = 0x85ebca77c2b2ae63ull;
constexpr uint64_t kP5 = 0x27d4eb2f165667c5ull;

// A pixel is its colour 0xRRGGBB; two pixels of a row make a word, the first
// in the low half, and a row of odd width ends with a word of one pixel. The
// words of a row go to four lanes in turn, so the lanes' multiplies overlap
// where one chain of them would wait on each other. Each lane carries on
// from row to row.
uint64_t Round(uint64_t lane, uint64_t word) { return std::rotl(lane + word * kP2, 31) * kP1; }

struct Lanes {
  uint64_t v[4] = {kP1 + kP2, kP2, 0, 0 - kP1};

  // Feeds one row's words, `word(k)` giving the k-th.
  template <typename Word>
  void Row(size_t words, Word word) {
    uint64_t a = v[0], b = v[1], c = v[2], d = v[3];
    size_t k = 0;
    for (; k + 4 <= words; k += 4) {
      a = Round(a, word(k));
      b = Round(b, word(k + 1));
      c = Round(c, word(k + 2));
      d = Round(d, word(k + 3));
    }
    if (k < words) a = Round(a, word(k++));
    if (k < words) b = Round(b, word(k++));
    if (k < words) c = Round(c, word(k++));
    v[0] = a, v[1] = b, v[2] = c, v[3] = d;
  }

  uint64_t Finish(int32_t width, int32_t height) const {
    uint64_t h = std::rotl(v[0], 1) + std::rotl(v[1], 7) + std::rotl(v[2], 12) + std::rotl(v[3], 18);
    for (uint64_t lane : v) h = (h ^ Round(0, lane)) * kP1 + kP4;
    h ^= (uint64_t(uint32_t(width)) << 32 | uint32_t(height)) * kP5;
    h ^= h >> 33;
    h *= kP2;
    h ^= h >> 29;
    h *= kP3;
    h ^= h >> 32;
    return h;
  }
};

// The colour of every 15- or 16-bit pixel, made once when first asked for.
const uint32_t* ColourTable(int depth) {
  static const auto make = [](int d) {
    auto table = std::make_unique<std::array<uint32_t, 65536>>();
    for (uint32_t p = 0; p < 65536; ++p) {
      uint8_t r, g, b;
      PixelToRgb(p, d, r, g, b);
      (*table)[p] = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    }
    return table;
  };
  static const auto t15 = make(15);
  static const auto t16 = make(16);
  return depth == 15 ? t15->data() : t16->data();
}

uint64_t Pair(uint32_t first, uint32_t second) { return uint64_t(first) | uint64_t(second) << 32; }

}  // namespace

uint64_t HashPicture(const uint8_t* pixels, size_t pitch, int depth, int32_t width, int32_t height) {
  Lanes lanes;
  if (width > 0 && height > 0 && pixels) {
    const size_t w = size_t(width), words = (w + 1) / 2;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = pixels + size_t(y) * pitch;
      switch (depth) {
        case 32:
          lanes.Row(words, [&](size_t k) {
            uint64_t two = 0;
            if (2 * k + 1 < w) std::memcpy(&two, row + 8 * k, 8);
            else std::memcpy(&two, row + 8 * k, 4);
            return two & 0x00ffffff00ffffffull;
          });
          break;
        case 24:
          lanes.Row(words, [&](size_t k) {
            const uint8_t* p = row + 6 * k;
            const uint32_t first = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
            const uint32_t second = 2 * k + 1 < w ? uint32_t(p[3]) | uint32_t(p[4]) << 8 | uint32_t(p[5]) << 16 : 0;
            return Pair(first, second);
          });
          break;
        case 15:
        case 16: {
          const uint32_t* colour = ColourTable(depth);
          lanes.Row(words, [&](size_t k) {
            const uint8_t* p = row + 4 * k;
            const uint32_t first = colour[uint32_t(p[0]) | uint32_t(p[1]) << 8];
            const uint32_t second = 2 * k + 1 < w ? colour[uint32_t(p[2]) | uint32_t(p[3]) << 8] : 0;
            return Pair(first, second);
          });
          break;
        }
        default: break;
      }
    }
  }
  return lanes.Finish(width, height);
}

uint64_t HashRgbPicture(const uint8_t* rgb, int32_t width, int32_t height) {
  Lanes lanes;
  if (width > 0 && height > 0 && rgb) {
    const size_t w = size_t(width);
    auto colour = [&](const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]); };
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = rgb + size_t(y) * w * 3;
      lanes.Row((w + 1) / 2,
                [&](size_t k) { return Pair(colour(row + 6 * k), 2 * k + 1 < w ? colour(row + 6 * k + 3) : 0); });
    }
  }
  return lanes.Finish(width, height);
}

}  // namespace kestrel
