// A compiled message catalogue (GNU gettext's .mo format) read into memory:
// the texts of one language, looked up by the designed text. The catalogue
// is kept in UTF-8, as translators write it; the engine draws Windows-1252,
// so every text is converted once, here, at load.
//
// The reader takes any bytes: a file that is cut short, lies about its
// counts or points outside itself is refused with a reason, never read past
// its end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace kestrel {

// UTF-8 to Windows-1252. A character the code page lacks, and a malformed
// sequence, become '?' and clear `lossless`.
std::string Utf8ToWindows1252(std::string_view utf8, bool& lossless);

class TCatalogue {
 public:
  // Reads a whole .mo file from memory; false, with why in `error`, when it
  // is no catalogue. The header entry (the empty text) is not kept.
  bool Parse(const uint8_t* data, size_t size, std::string& error);
  // Reads the file at `path`, a regular file of at most kCatalogueLimit;
  // false, with "<path>: <why>" in `error`. A file that does not start as a
  // catalogue is not read past its first four bytes.
  bool Load(const std::string& path, std::string& error);

  // The translation of `text` (Windows-1252), or null when there is none.
  const std::string* Find(std::string_view text) const;
  size_t Size() const { return texts_.size(); }
  // Entries with a character Windows-1252 cannot show, drawn as '?'.
  size_t LossyEntries() const { return lossy_; }

 private:
  std::map<std::string, std::string, std::less<>> texts_;
  size_t lossy_ = 0;
};

}  // namespace kestrel
