// The pixel depths a surface may have: 15 and 16 bits (5-5-5 and 5-6-5), 24
// and 32 (8 bits a colour); and 8, a palette desktop the engine refuses.
#pragma once
#include <cstdint>

namespace kestrel {

// 1 to 4, or 0 for a depth no surface has.
int BytesPerPixelOfDepth(int depth);

// Converts one pixel of a surface at `depth` to 8-bit red, green and blue, the
// way a screen shows it (5- and 6-bit fields widened by bit replication).
void PixelToRgb(uint32_t pixel, int depth, uint8_t& r, uint8_t& g, uint8_t& b);

}  // namespace kestrel
