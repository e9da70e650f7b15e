// Pixel loops that put a picture of any of the four depths on a 32-bit
// X-R-G-B screen: widening one row, scaling by a whole factor, and a
// nearest-neighbour stretch for the sizes a whole factor cannot reach.
// 5- and 6-bit fields are widened by bit replication, as a screen shows them.
// Also the geometry around them: where a picture lands in a window or on a
// screen, how a pointer there maps back, and the size a window opens at.
#pragma once
#include <cstdint>
#include <vector>

namespace kestrel::platform {

// Converts `width` pixels of `depth` (15, 16, 24 or 32) into X-R-G-B.
void WidenRow(const uint8_t* src, int depth, uint32_t* dst, int32_t width);

// Writes the `width` x `height` picture at `src` into `dst` as X-R-G-B, each
// pixel becoming a `scale` x `scale` block. `dst` needs width * scale pixels
// in each of height * scale rows.
void ScaleToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, int scale,
                 uint8_t* dst, int32_t dstPitch);
// The same with blocks `scaleX` wide and `scaleY` tall.
void ScaleToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, int scaleX, int scaleY,
                 uint8_t* dst, int32_t dstPitch);

// Resizes an X-R-G-B picture of sw x sh smoothly (bilinear, pixel centres
// aligned) to dw x dh. Two equal neighbours give that very colour, so the
// rows and columns inside a block of equal pixels stay exact.
void SmoothXrgb(const uint8_t* src, int32_t srcPitch, int32_t sw, int32_t sh, uint8_t* dst, int32_t dstPitch,
                int32_t dw, int32_t dh);

// Stretches the picture over `dstWidth` x `dstHeight` X-R-G-B pixels, each
// taking the source pixel under its centre.
void StretchToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, uint8_t* dst,
                   int32_t dstPitch, int32_t dstWidth, int32_t dstHeight);

// Where a picture lands in an output (a window or a screen, in pixels).
struct Placement {
  int32_t x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Placement&) const = default;
};

// The shape a picture's pixels are shown in: square, or each 1.2 times
// taller than wide, as a 320 x 200 picture filled the 4:3 screens it was
// made for.
enum class Aspect { Square, FourThree };

// The size of a pw x ph picture shown in `aspect` at the whole step `scale`:
// pw * scale wide, and ph (square) or ph * 6 / 5, rounded (4:3), times
// `scale` tall. A 320 x 200 picture in 4:3 is 640 x 480 at step 2.
void ShapedSize(int32_t pw, int32_t ph, Aspect aspect, int scale, int32_t& w, int32_t& h);

// A picture of pw x ph in an output of ow x oh, centred, the rest black
// bars: with square pixels the largest whole multiple that fits, and only an
// output smaller than the picture shrinks it, keeping its shape. In 4:3 the
// largest size of its shape (ShapedSize) that fits, whole or not.
Placement Letterbox(int32_t ow, int32_t oh, int32_t pw, int32_t ph, Aspect aspect = Aspect::Square);

// Draws the picture over dw x dh X-R-G-B pixels keeping its pixels crisp:
// by whole factors across and down where they reach the size exactly (5 x 6
// a pixel is 4:3), else by the largest whole factors that fit and then
// smoothly to the size (`scratch` holds that step); a size smaller than the
// picture takes the nearest pixels (StretchToXrgb).
void ScaleShapedToXrgb(const uint8_t* src, int32_t srcPitch, int depth, int32_t width, int32_t height, uint8_t* dst,
                       int32_t dstPitch, int32_t dw, int32_t dh, std::vector<uint8_t>& scratch);

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

// The multiple of a pw x ph picture a window first opens at: the `chosen`
// one, or with none (0) the largest whose height fits in half the usable
// height and whose width fits in the usable width, at least 2. Either is
// lowered to the largest that fits in the usable area whole (at least 1):
// a window never opens larger than the desktop.
int FirstWindowScale(int32_t usableWidth, int32_t usableHeight, int32_t pw, int32_t ph, int chosen = 0);

}  // namespace kestrel::platform
