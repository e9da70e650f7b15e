// Where a picture's pixels that are not the colour key lie, row by row, as
// runs. A keyed copy from an indexed picture copies those runs and skips the
// rest, instead of comparing every pixel with the key; any sub-rectangle
// costs, per row, one look-up of the first run in its 32-column block and a
// step or two from there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel {

class SpanIndex {
 public:
  // Rows wider than this cannot be indexed (run ends are 16-bit).
  static constexpr int32_t kMaxWidth = 65535;

  // Indexes the picture for `key` (the pixel value as stored, `bpp` bytes).
  // False, leaving the index empty, when the picture is too wide or `bpp` is
  // not 1 to 4.
  bool Build(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height, int bpp, uint32_t key);

  uint32_t Key() const { return key_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  size_t RunCount() const { return runs_.size() - size_t(height_); }

  // Copies the non-key pixels of the `w` x `h` rectangle at (left, top) of
  // the indexed picture `src` to `dst`; key pixels leave `dst` as it was.
  // The rectangle must lie inside the picture, and `dst` must not overlap it.
  void CopyKeyed(uint8_t* dst, int32_t dstPitch, const uint8_t* src, int32_t srcPitch, int32_t left, int32_t top,
                 int32_t w, int32_t h, int bpp) const;

 private:
  struct Run {
    uint16_t begin, end;  // columns, end exclusive
  };
  static constexpr int kBlockShift = 5;  // 32 columns
  // Each row's runs, left to right, then an end mark that begins and ends
  // past every column, so the loops need no separate end test.
  std::vector<Run> runs_;
  // For each row and block of 32 columns, the index in runs_ of the row's
  // first run that ends after the block's first column.
  std::vector<uint32_t> blockRun_;
  int32_t blocksPerRow_ = 0;
  uint32_t key_ = 0;
  int32_t width_ = 0, height_ = 0;
};

}  // namespace kestrel
