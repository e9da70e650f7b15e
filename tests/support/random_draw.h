// Steering the game's one random source in a test: the seed that makes the
// next random(n) come out as r.
#pragma once
#include <cstdint>

namespace kestrel::testing {

// The seed to store so that the next random(n) is r (0 <= r < n). The next
// draw steps the seed to s = seed x 134775813 + 1 and returns the high half
// of s x n, so s must be the smallest value with that high half, r x 2^32 / n
// rounded up; the multiplier is odd and has an inverse modulo 2^32 (Newton's
// iteration doubles the correct low bits each round).
inline uint32_t SeedBeforeDraw(int32_t r, int32_t n) {
  const uint64_t after = ((uint64_t(uint32_t(r)) << 32) + uint64_t(n) - 1) / uint64_t(n);
  const uint32_t a = 134775813u;
  uint32_t inverse = a;
  for (int i = 0; i < 5; ++i) inverse *= 2u - a * inverse;
  return (uint32_t(after) - 1u) * inverse;
}

}  // namespace kestrel::testing
