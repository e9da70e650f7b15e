#include "tools/common/kpk_writer.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace tools {
namespace {

void PutInt(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

namespace {

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, int level) {
  uLongf size = compressBound(uLong(data.size()));
  std::vector<uint8_t> out(size);
  int rc = compress2(out.data(), &size, data.data(), uLong(data.size()), level);
  if (rc != Z_OK) throw std::runtime_error(std::string("zlib: ") + zError(rc));
  out.resize(size);
  return out;
}

}  // namespace

std::vector<uint8_t> ZlibCompress(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> best = Compress(data, Z_BEST_COMPRESSION);
  // Content that is compressed already (the PNG and JPEG pictures) shrinks by
  // a few per cent at most; those few per cent are not worth decoding every
  // byte through Huffman tables at each start of the game. Stored, it
  // inflates at the speed of a copy.
  std::vector<uint8_t> stored = Compress(data, Z_NO_COMPRESSION);
  return stored.size() <= best.size() + best.size() / 16 ? stored : best;
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
  try {
    AsideFile out(path);
    out.Commit(BuildKpk(entries));
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

AsideFile::AsideFile(std::string path) : path_(std::move(path)) {
  std::error_code ec;
  if (std::filesystem::is_directory(path_, ec))
    throw std::runtime_error("Cannot create file " + path_ + ": it is a directory");
  temp_ = path_ + ".XXXXXX";
  fd_ = ::mkstemp(temp_.data());
  if (fd_ < 0) throw std::runtime_error("Cannot create file " + path_ + ": " + std::strerror(errno));
  // mkstemp makes the file private; the result gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
}

AsideFile::~AsideFile() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
  }
}

void AsideFile::Commit(const std::vector<uint8_t>& bytes) {
  if (fd_ < 0) throw std::runtime_error("Cannot write file " + path_ + ": already written");
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  int why = 0;
  while (left > 0 && why == 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) why = n < 0 ? errno : EIO;
    else p += n, left -= size_t(n);
  }
  if (::close(fd_) != 0 && why == 0) why = errno;
  fd_ = -1;
  if (why == 0 && std::rename(temp_.c_str(), path_.c_str()) != 0) why = errno;
  if (why != 0) {
    ::unlink(temp_.c_str());
    throw std::runtime_error("Cannot write file " + path_ + ": " + std::strerror(why));
  }
}

}  // namespace tools
