#include "kestrel/base/pixel_format.h"

namespace kestrel {

int BytesPerPixelOfDepth(int depth) {
  switch (depth) {
    case 8: return 1;  // a palette desktop; the engine refuses it, but it exists
    case 15:
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 0;
  }
}

void PixelToRgb(uint32_t p, int depth, uint8_t& r, uint8_t& g, uint8_t& b) {
  auto widen5 = [](uint32_t v) { return uint8_t((v << 3) | (v >> 2)); };
  auto widen6 = [](uint32_t v) { return uint8_t((v << 2) | (v >> 4)); };
  switch (depth) {
    case 15: r = widen5((p >> 10) & 31), g = widen5((p >> 5) & 31), b = widen5(p & 31); break;
    case 16: r = widen5((p >> 11) & 31), g = widen6((p >> 5) & 63), b = widen5(p & 31); break;
    default: r = uint8_t(p >> 16), g = uint8_t(p >> 8), b = uint8_t(p); break;
  }
}

}  // namespace kestrel
