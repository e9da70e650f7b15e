#include "kestrel/colour.h"

#include <array>

namespace kestrel {

uint8_t ScreenDepth = 0;

namespace {

// The six packing tables hold each component already shifted into place.
struct PackTables {
  std::array<uint8_t, 256> blue15{}, blue16{};
  std::array<uint16_t, 256> green15{}, red15{}, green16{}, red16{};
  constexpr PackTables() {
    for (int v = 0; v < 256; ++v) {
      blue15[v] = uint8_t(v >> 3);
      green15[v] = uint16_t((v >> 3) << 5);
      red15[v] = uint16_t((v >> 3) << 10);
      blue16[v] = uint8_t(v >> 3);
      green16[v] = uint16_t((v >> 2) << 5);
      red16[v] = uint16_t((v >> 3) << 11);
    }
  }
};

constexpr PackTables kPack;

}  // namespace

// floor(i * 255 / 31) and floor(i * 255 / 63), written out.
const uint8_t Expand5[32] = {0,   8,   16,  24,  32,  41,  49,  57,  65,  74,  82,  90,  98,  106, 115, 123,
                             131, 139, 148, 156, 164, 172, 180, 189, 197, 205, 213, 222, 230, 238, 246, 255};
const uint8_t Expand6[64] = {0,   4,   8,   12,  16,  20,  24,  28,  32,  36,  40,  44,  48,  52,  56,  60,
                             64,  68,  72,  76,  80,  85,  89,  93,  97,  101, 105, 109, 113, 117, 121, 125,
                             129, 133, 137, 141, 145, 149, 153, 157, 161, 165, 170, 174, 178, 182, 186, 190,
                             194, 198, 202, 206, 210, 214, 218, 222, 226, 230, 234, 238, 242, 246, 250, 255};

uint32_t MakeColor(uint8_t red, uint8_t green, uint8_t blue) {
  switch (ScreenDepth) {
    case 15: return uint32_t(kPack.blue15[blue]) | kPack.green15[green] | kPack.red15[red];
    case 16: return uint32_t(kPack.blue16[blue]) | kPack.green16[green] | kPack.red16[red];
    case 24:
    case 32: return uint32_t(red) * 65536u + uint32_t(green) * 256u + blue;
    default: return 0;
  }
}

void UnpackColor(uint32_t color, uint8_t& red, uint8_t& green, uint8_t& blue) {
  switch (ScreenDepth) {
    case 15:
      red = Expand5[(color >> 10) & 31];
      green = Expand5[(color >> 5) & 31];
      blue = Expand5[color & 31];
      break;
    case 16:
      red = Expand5[(color >> 11) & 31];
      green = Expand6[(color >> 5) & 63];
      blue = Expand5[color & 31];
      break;
    case 24:
    case 32:
      red = uint8_t(color >> 16);
      green = uint8_t(color >> 8);
      blue = uint8_t(color);
      break;
    default: break;
  }
}

}  // namespace kestrel
