// Pixel loops that put a picture of any of the four depths on a 32-bit
// X-R-G-B screen: widening one row, scaling by a whole factor, and a
// nearest-neighbour stretch for the sizes a whole factor cannot reach.
// 5- and 6-bit fields are widened by bit replication, as a screen shows them.
#pragma once
#include <cstdint>

namespace kestrel::platform {

// Converts `width` pixels of `depth` (15, 16, 24 or 32) into X-R-G-B.
void WidenRow(const uint8_t* src, int depth, uint32_t* dst, int32_t width);

// Writes the `width` x `height` picture at `src` into `dst` as X-R-G-B, each
// pixel becoming a `scale` x `scale` block. `dst` needs width * scale pixels
// in each of height * scale rows.
void ScaleToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height,
                 int scale, uint8_t* dst, int32_t dstPitch);

// Stretches the picture over `dstWidth` x `dstHeight` X-R-G-B pixels, each
// taking the source pixel under its centre.
void StretchToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height,
                   uint8_t* dst, int32_t dstPitch, int32_t dstWidth, int32_t dstHeight);

}  // namespace kestrel::platform
