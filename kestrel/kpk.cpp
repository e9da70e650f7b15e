#include "kestrel/kpk.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "kestrel/error.h"
#include "kestrel/platform/bounded_file.h"
#include "kestrel/platform/display.h"

namespace kestrel {
namespace {

int32_t LoadInt32(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

uint8_t AsciiUpper(uint8_t c) { return (c >= 'a' && c <= 'z') ? uint8_t(c - 'a' + 'A') : c; }

// Lets window messages through between records, so a long scan does not
// freeze the window. A close request stays queued for the game's own
// PumpMessage instead of being swallowed here.
void PumpBetweenRecords() {
  if (platform::HasDisplay()) platform::GetDisplay().DispatchPending();
}

// Ends the inflate stream and throws with zlib's message for the code.
[[noreturn]] void DecompressionError(int code, z_stream& z) {
  std::string text = std::string("Decompression error: ") + zError(code);
  if (z.msg) text += std::string(" (") + z.msg + ")";
  inflateEnd(&z);
  throw FatalError(text);
}

// One decompressor for the thread, made on first use (it holds tables of a
// few tens of kilobytes, worth keeping between entries).
libdeflate_decompressor* Decompressor() {
  struct Free {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
  };
  thread_local std::unique_ptr<libdeflate_decompressor, Free> d(libdeflate_alloc_decompressor());
  return d.get();
}

}  // namespace

TKPK::TKPK(const std::string& path) : path_(path), file_(std::make_unique<platform::FileToRead>()) {
  // A directory, a FIFO or a device is no archive, and a FIFO or a terminal
  // would be read for ever: only a regular file is opened.
  if (!file_->Open(path, platform::kArchiveLimit)) throw FatalError("Cannot open file " + file_->Fault().Text());
}

TKPK::~TKPK() = default;

int64_t TKPK::FileSize() const { return int64_t(file_->Size()); }

bool TKPK::ReadAt(int64_t offset, void* dest, size_t count) const {
  return file_->ReadAt(uint64_t(offset), dest, count);
}

bool TKPK::NameMatches(const std::string& stored, const std::string& requested) {
  if (requested.size() < stored.size()) return false;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (AsciiUpper(uint8_t(stored[i])) != AsciiUpper(uint8_t(requested[i]))) return false;
  }
  return true;
}

std::vector<uint8_t> TKPK::Inflate(const uint8_t* packed, size_t packedSize, int32_t unpackedHint,
                                   TInflatePath* taken) {
  // The unpacked size is only a hint. Deflate cannot expand more than about
  // 1032:1, so a larger hint is a lie and must not become a huge allocation.
  const size_t plausible = std::min<size_t>(packedSize * 1032 + 1024, kMaxInflatedSize);
  if (unpackedHint > 0 && size_t(unpackedHint) <= plausible) {
    if (libdeflate_decompressor* d = Decompressor()) {
      std::vector<uint8_t> out(size_t(unpackedHint), 0);
      size_t produced = 0;
      if (libdeflate_zlib_decompress(d, packed, packedSize, out.data(), out.size(), &produced) == LIBDEFLATE_SUCCESS) {
        out.resize(produced);
        if (taken) *taken = TInflatePath::OneShot;
        return out;
      }
      // Larger than the record says, or faulty: zlib starts over, and it is
      // zlib that names a fault.
    }
  }
  if (taken) *taken = TInflatePath::Streaming;

  // Growth step: the packed size rounded up to 256, never 0 so an empty
  // entry cannot spin.
  size_t step = std::max<size_t>((packedSize + 255) & ~size_t(255), 256);
  size_t first = unpackedHint > 0 ? size_t(unpackedHint) : step;
  first = std::min(first, plausible);

  std::vector<uint8_t> out(first);
  z_stream z{};
  int rc = inflateInit(&z);
  if (rc != Z_OK) DecompressionError(rc, z);
  z.next_in = const_cast<Bytef*>(packed);
  z.avail_in = uInt(packedSize);
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  for (;;) {
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) break;
    // Z_NEED_DICT is no success either: we never hold a dictionary.
    if (rc != Z_OK) DecompressionError(rc, z);
    size_t produced = out.size() - z.avail_out;
    if (produced + step > kMaxInflatedSize) {
      inflateEnd(&z);
      throw FatalError("Decompression error: content larger than 256 MiB");
    }
    out.resize(produced + step);
    z.next_out = out.data() + produced;
    z.avail_out = uInt(step);
  }
  size_t produced = out.size() - z.avail_out;
  inflateEnd(&z);
  out.resize(produced);
  return out;
}

// False when the record is cut short by the end of the file or holds a
// negative size; the scan then ends as "not found" and never seeks backwards.
bool TKPK::ReadRecordHeader(int64_t offset, int64_t fileSize, RecordHeader& h) const {
  uint8_t four[4];
  if (offset + 4 > fileSize || !ReadAt(offset, four, 4)) return false;
  h.nameLength = LoadInt32(four);
  if (h.nameLength < 0 || offset + 4 + int64_t(h.nameLength) + 8 > fileSize) return false;
  uint8_t sizes[8];
  if (!ReadAt(offset + 4 + h.nameLength, sizes, 8)) return false;
  h.unpacked = LoadInt32(sizes);
  h.packed = LoadInt32(sizes + 4);
  h.contentOffset = offset + 12 + h.nameLength;
  return h.packed >= 0 && h.contentOffset + h.packed <= fileSize;
}

bool TKPK::Find(const std::string& name, std::vector<uint8_t>& content) {
  int64_t fileSize = FileSize();
  uint8_t four[4];
  if (fileSize < 4 || !ReadAt(0, four, 4)) return false;
  int32_t count = LoadInt32(four);
  int64_t offset = 4;
  std::string stored;
  for (int32_t i = 0; i < count; ++i) {
    RecordHeader h;
    if (!ReadRecordHeader(offset, fileSize, h)) return false;
    // A stored name longer than the request can never match; its bytes need
    // not be read at all.
    if (size_t(h.nameLength) <= name.size()) {
      stored.resize(size_t(h.nameLength));
      if (h.nameLength > 0 && !ReadAt(offset + 4, stored.data(), stored.size())) return false;
      if (NameMatches(stored, name)) {
        std::vector<uint8_t> packed(size_t(h.packed));
        if (h.packed > 0 && !ReadAt(h.contentOffset, packed.data(), packed.size())) return false;
        try {
          content = Inflate(packed.data(), packed.size(), h.unpacked);
        } catch (const FatalError& e) {
          // Say which entry of which archive is damaged.
          throw FatalError(std::string(e.what()) + ", in entry " + name + " of " + path_);
        }
        return true;
      }
    }
    offset = h.contentOffset + h.packed;
    PumpBetweenRecords();
  }
  return false;
}

bool TKPK::LoadToStream(const std::string& name, TMemoryStream* stream) {
  if (!stream) return false;
  std::vector<uint8_t> content;
  if (!Find(name, content)) return false;
  // The usual case, a fresh stream, takes the bytes without a copy.
  if (stream->Size() == 0 && stream->Position() == 0) stream->Adopt(std::move(content));
  else stream->Write(content.data(), content.size());
  return true;
}

bool TKPK::ExtractFile(const std::string& name, const std::string& path) {
  // Inflate before the destination is created, so a corrupt entry neither
  // leaves an empty file behind nor wipes one that was there.
  std::vector<uint8_t> content;
  if (!Find(name, content)) return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw FatalError("Cannot create file " + path + ": " + std::strerror(errno));
  bool ok = content.empty() || std::fwrite(content.data(), 1, content.size(), f) == content.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) {
    std::remove(path.c_str());
    throw FatalError("Cannot write file " + path);
  }
  return true;
}

bool TKPK::ListEntries(std::vector<TKPKEntryInfo>& out) {
  out.clear();
  int64_t fileSize = FileSize();
  uint8_t four[4];
  if (fileSize < 4 || !ReadAt(0, four, 4)) return false;
  int32_t count = LoadInt32(four);
  int64_t offset = 4;
  for (int32_t i = 0; i < count; ++i) {
    RecordHeader h;
    if (!ReadRecordHeader(offset, fileSize, h)) return false;
    TKPKEntryInfo e;
    e.Name.resize(size_t(h.nameLength));
    if (h.nameLength > 0 && !ReadAt(offset + 4, e.Name.data(), e.Name.size())) return false;
    e.UnpackedSize = h.unpacked;
    e.PackedSize = h.packed;
    e.Offset = offset;
    out.push_back(std::move(e));
    offset = h.contentOffset + h.packed;
  }
  return true;
}

}  // namespace kestrel
