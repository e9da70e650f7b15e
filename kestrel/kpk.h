// The KPK archive: a count, then records of name, unpacked size, packed size
// and one zlib stream each, laid back to back. Entries are found by name and
// handed out into a memory stream or a new file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/stream.h"

namespace kestrel {

namespace platform {
class FileToRead;
}

// Inflated content larger than this is refused as corrupt: no picture or
// sound the game carries comes anywhere near it.
inline constexpr size_t kMaxInflatedSize = size_t(256) << 20;

// How an entry was inflated: in one call into a buffer of the size the
// record gives (libdeflate), or by zlib's streaming inflate, which grows its
// buffer as it goes and is the one that names any fault in the data.
enum class TInflatePath { OneShot, Streaming };

// One record as `TKPK::ListEntries` sees it.
struct TKPKEntryInfo {
  std::string Name;
  int32_t UnpackedSize = 0;
  int32_t PackedSize = 0;
  int64_t Offset = 0;  // where the record starts in the file
};

class TKPK {
 public:
  // Opens the archive read-only; throws FatalError "Cannot open file <path>:
  // <reason>" for a path that is no regular file, or one past kArchiveLimit.
  explicit TKPK(const std::string& path);
  virtual ~TKPK();
  TKPK(const TKPK&) = delete;
  TKPK& operator=(const TKPK&) = delete;

  // Writes the inflated entry at the stream's position and leaves the
  // position after it. False, touching nothing, for a null stream or when no
  // entry matches.
  bool LoadToStream(const std::string& name, TMemoryStream* stream);
  // Creates `path` (replacing any file there) holding the inflated entry.
  // False, creating nothing, when no entry matches. A destination that cannot
  // be created throws FatalError "Cannot create file <path>".
  bool ExtractFile(const std::string& name, const std::string& path);

  // Every well-formed record in file order. False when the records stop
  // before the count says (a record cut short or with negative sizes).
  bool ListEntries(std::vector<TKPKEntryInfo>& out);

  const std::string& Path() const { return path_; }

  // The name rule: ASCII-only upper-casing, the stored name must be a prefix
  // of the request, and an empty stored name matches anything.
  static bool NameMatches(const std::string& stored, const std::string& requested);
  // Inflates one zlib stream; `unpackedHint` is only the first buffer size.
  // A plausible hint is tried first in one call; when the content turns out
  // larger or the data faulty, zlib's streaming inflate starts over. Throws
  // FatalError "Decompression error: ..." with zlib's message on any fault.
  // `taken`, when given, says which path produced the result.
  static std::vector<uint8_t> Inflate(const uint8_t* packed, size_t packedSize, int32_t unpackedHint,
                                      TInflatePath* taken = nullptr);

 private:
  // Scans from the start for the first matching record and inflates it.
  bool Find(const std::string& name, std::vector<uint8_t>& content);
  struct RecordHeader {
    int32_t nameLength = 0;
    int32_t unpacked = 0;
    int32_t packed = 0;
    int64_t contentOffset = 0;
  };
  bool ReadRecordHeader(int64_t offset, int64_t fileSize, RecordHeader& h) const;
  bool ReadAt(int64_t offset, void* dest, size_t count) const;
  int64_t FileSize() const;

  std::string path_;
  std::unique_ptr<platform::FileToRead> file_;
};

}  // namespace kestrel
