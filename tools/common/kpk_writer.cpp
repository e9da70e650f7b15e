#include "tools/common/kpk_writer.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

namespace tools {
namespace {

void PutInt(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> ZlibCompress(const std::vector<uint8_t>& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::vector<uint8_t> out(size);
  int rc = compress2(out.data(), &size, data.data(), uLong(data.size()), Z_BEST_COMPRESSION);
  if (rc != Z_OK) throw std::runtime_error(std::string("zlib: ") + zError(rc));
  out.resize(size);
  return out;
}

std::vector<uint8_t> BuildKpk(const std::vector<KpkEntry>& entries) {
  std::vector<uint8_t> out;
  PutInt(out, uint32_t(entries.size()));
  for (const KpkEntry& e : entries) {
    std::vector<uint8_t> packed = ZlibCompress(e.content);
    PutInt(out, uint32_t(e.name.size()));
    out.insert(out.end(), e.name.begin(), e.name.end());
    PutInt(out, uint32_t(e.content.size()));
    PutInt(out, uint32_t(packed.size()));
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

bool WriteKpk(const std::string& path, const std::vector<KpkEntry>& entries) {
  std::vector<uint8_t> bytes = BuildKpk(entries);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

}  // namespace tools
