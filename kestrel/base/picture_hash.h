// The 64-bit hash of a shown picture that the frame log writes. It is taken
// over the colours as 8-bit red, green and blue, so both backends agree and a
// picture of the same colours hashes the same at every depth.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kestrel {

// `height` rows of `width` pixels at `depth` (15, 16, 24 or 32 bits), each
// row `pitch` bytes after the one before. Reads the pixels where they are:
// a frame costs about as much as one pass over its bytes.
uint64_t HashPicture(const uint8_t* pixels, size_t pitch, int depth, int32_t width, int32_t height);

// The same hash of a picture given as red, green, blue bytes, row by row.
// The plain definition, pixel by pixel; the frame log does not use it.
uint64_t HashRgbPicture(const uint8_t* rgb, int32_t width, int32_t height);

}  // namespace kestrel
