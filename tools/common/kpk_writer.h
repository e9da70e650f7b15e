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

// The whole archive as bytes, entries in the given order, each compressed at
// zlib's best level. Deterministic: the same entries give the same bytes.
std::vector<uint8_t> BuildKpk(const std::vector<KpkEntry>& entries);
// Writes BuildKpk's bytes to `path`; false (with errno set) when it cannot.
bool WriteKpk(const std::string& path, const std::vector<KpkEntry>& entries);
// zlib stream of `data` at the best compression.
std::vector<uint8_t> ZlibCompress(const std::vector<uint8_t>& data);

}  // namespace tools
