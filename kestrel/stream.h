// A growable byte stream in memory with a position, the hand-over point
// between the archive and the picture decoders.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace kestrel {

class TMemoryStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  size_t Size() const { return bytes_.size(); }
  size_t Position() const { return position_; }
  // The position may lie past the end; reads there give nothing and a write
  // there fills the gap with zeros first.
  void SetPosition(size_t position) { position_ = position; }

  // Copies up to `count` bytes from the position on and moves past them.
  size_t Read(void* dest, size_t count) {
    if (position_ >= bytes_.size()) return 0;
    size_t n = std::min(count, bytes_.size() - position_);
    if (n > 0) std::memcpy(dest, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }

  // Writes at the position, growing the stream as needed, and moves past them.
  void Write(const void* src, size_t count) {
    if (count == 0) return;
    if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
    std::memcpy(bytes_.data() + position_, src, count);
    position_ += count;
  }

  // Takes `bytes` as the whole content, with the position at its end.
  void Adopt(std::vector<uint8_t>&& bytes) {
    bytes_ = std::move(bytes);
    position_ = bytes_.size();
  }

  void Clear() {
    bytes_.clear();
    position_ = 0;
  }

  const uint8_t* Memory() const { return bytes_.data(); }
  uint8_t* Memory() { return bytes_.data(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
};

}  // namespace kestrel
