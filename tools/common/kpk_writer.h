// Writes archives in the KPK format: a little-endian 32-bit entry count, then
// per entry its name length, name bytes, unpacked size, packed size and one
// zlib stream.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct KpkEntry {
  std::string name;
  std::vector<uint8_t> content;
};

// The whole archive as bytes, entries in the given order, each compressed by
// ZlibCompress. Deterministic: the same entries give the same bytes.
std::vector<uint8_t> BuildKpk(const std::vector<KpkEntry>& entries);
// Writes BuildKpk's bytes to `path` through an AsideFile; false when it cannot.
bool WriteKpk(const std::string& path, const std::vector<KpkEntry>& entries);

// A file written beside its final path under a name no one else uses, and
// renamed over that path by Commit: a failure never leaves half a file in
// place of a good one, and no other file is ever touched. Made before long
// work, it also shows at once whether the output can be written at all.
class AsideFile {
 public:
  // Throws std::runtime_error "Cannot create file PATH: why".
  explicit AsideFile(std::string path);
  // Removes the temporary file unless Commit put it in place.
  ~AsideFile();
  AsideFile(const AsideFile&) = delete;
  AsideFile& operator=(const AsideFile&) = delete;
  // Throws std::runtime_error "Cannot write file PATH: why".
  void Commit(const std::vector<uint8_t>& bytes);

 private:
  std::string path_, temp_;
  int fd_ = -1;
};
// zlib stream of `data` at the best compression, or stored (level 0) when
// that is at most a sixteenth larger.
std::vector<uint8_t> ZlibCompress(const std::vector<uint8_t>& data);

}  // namespace tools
