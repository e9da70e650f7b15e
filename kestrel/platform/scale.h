// Pixel loops that put a picture of any of the four depths on a 32-bit
// X-R-G-B screen: widening one row, scaling by a whole factor, and a
// nearest-neighbour stretch for the sizes a whole factor cannot reach.
// 5- and 6-bit fields are widened by bit replication, as a screen shows them.
// Also the geometry around them: where a picture lands in a window or on a
// screen, how a pointer there maps back, and the size a window opens at.
#pragma once
#include <cstdint>

namespace kestrel::platform {

// Converts `width` pixels of `depth` (15, 16, 24 or 32) into X-R-G-B.
void WidenRow(const uint8_t* src, int depth, uint32_t* dst, int32_t width);

// Writes the `width` x `height` picture at `src` into `dst` as X-R-G-B, each
// pixel becoming a `scale` x `scale` block. `dst` needs width * scale pixels
// in each of height * scale rows.
void ScaleToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, int scale,
                 uint8_t* dst, int32_t dstPitch);

// Stretches the picture over `dstWidth` x `dstHeight` X-R-G-B pixels, each
// taking the source pixel under its centre.
void StretchToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, uint8_t* dst,
                   int32_t dstPitch, int32_t dstWidth, int32_t dstHeight);

// Where a picture lands in an output (a window or a screen, in pixels).
struct Placement {
  int32_t x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Placement&) const = default;
};

// A picture of pw x ph in an output of ow x oh: the largest whole multiple
// that fits, centred, the rest black bars. Only an output smaller than the
// picture shrinks it, keeping its shape.
Placement Letterbox(int32_t ow, int32_t oh, int32_t pw, int32_t ph);

// The whole factor a placement shows a picture of pw x ph at, or 0 when it
// is not a whole multiple (a shrunk picture).
int WholeScale(const Placement& at, int32_t pw, int32_t ph);

// A pointer at (ox, oy) of the output, over a placed picture that stands for
// an area of tw x th (the client area, or the picture itself): that area's
// point under the centre of the output pixel, as the picture is sampled
// there. Points over the bars count as on the nearest edge, unless
// `clampToArea` is false: then the area's coordinates simply go on past it.
void OutputToArea(int64_t ox, int64_t oy, const Placement& at, int32_t tw, int32_t th, int32_t& x, int32_t& y,
                  bool clampToArea = true);

// The multiple of a pw x ph picture a window first opens at: the largest
// whose height fits in half the usable height and whose width fits in the
// usable width, and never below 2.
int FirstWindowScale(int32_t usableWidth, int32_t usableHeight, int32_t pw, int32_t ph);

}  // namespace kestrel::platform
