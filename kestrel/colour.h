// Colour packing for the display's pixel format. `ScreenDepth` is set by the
// display context when it makes its surfaces; packing depends on nothing else.
#pragma once
#include <cstdint>

namespace kestrel {

// 15, 16, 24 or 32 once a display context exists; 0 before.
extern uint8_t ScreenDepth;

// Packs red, green and blue for the current depth. The low bits are dropped at
// 15 and 16 bits, with no rounding. Before a display exists the result is 0.
uint32_t MakeColor(uint8_t red, uint8_t green, uint8_t blue);
// Takes a packed colour apart again, widening 5- and 6-bit fields through the
// expansion tables. At an unknown depth the outputs are left as they were.
void UnpackColor(uint32_t color, uint8_t& red, uint8_t& green, uint8_t& blue);

// The widening tables: floor(i * 255 / 31) and floor(i * 255 / 63).
extern const uint8_t Expand5[32];
extern const uint8_t Expand6[64];

}  // namespace kestrel
