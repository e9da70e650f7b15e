#include "kestrel/catalogue.h"

#include <array>

#include "kestrel/platform/bounded_file.h"
#include "kestrel/platform/quoted_text.h"

namespace kestrel {

namespace {

// The characters Windows-1252 puts at 0x80 to 0x9F; 0 where it has none.
// clang-format off
constexpr std::array<char32_t, 32> kHighControls{
  0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};
// clang-format on

char ToWindows1252(char32_t c, bool& lossless) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
  for (size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c) return char(0x80 + i);
  lossless = false;
  return '?';
}

constexpr uint32_t kMagic = 0x950412DE;
constexpr uint32_t kMagicSwapped = 0xDE120495;
constexpr const char* kNoMagic = "not a compiled catalogue (no .mo magic number)";

uint32_t LoadWord(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool HasMagic(const uint8_t* head) { return LoadWord(head) == kMagic || LoadWord(head) == kMagicSwapped; }

}  // namespace

std::string Utf8ToWindows1252(std::string_view utf8, bool& lossless) {
  // The least character each length may carry: a longer form would hide one
  // character behind another.
  constexpr std::array<char32_t, 4> kLeast{0, 0x80, 0x800, 0x10000};
  std::string out;
  out.reserve(utf8.size());
  const auto bad = [&] {
    out += '?';
    lossless = false;
  };
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = uint8_t(utf8[i]);
    size_t extra = 0;
    char32_t c = lead;
    if (lead < 0x80) {
      out += char(lead);
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, c = lead & 0x07;
    } else {
      bad();  // a stray continuation byte, or no lead byte at all
      ++i;
      continue;
    }
    size_t k = 1;
    for (; k <= extra && i + k < utf8.size() && (uint8_t(utf8[i + k]) & 0xC0) == 0x80; ++k)
      c = (c << 6) | (uint8_t(utf8[i + k]) & 0x3F);
    if (k <= extra) {
      // Cut short: what follows starts afresh.
      bad();
      i += k;
      continue;
    }
    i += extra + 1;
    if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) bad();
    else out += ToWindows1252(c, lossless);
  }
  return out;
}

bool TCatalogue::Parse(const uint8_t* data, size_t size, std::string& error) {
  texts_.clear();
  lossy_ = 0;
  if (size < 28) {
    error = "too short for a catalogue";
    return false;
  }
  const auto raw = [&](uint64_t at) { return LoadWord(data + at); };
  if (!HasMagic(data)) {
    error = kNoMagic;
    return false;
  }
  const bool swapped = raw(0) == kMagicSwapped;
  // Words are read as 64-bit numbers, so no sum below can wrap.
  const auto word = [&](uint64_t at) -> uint64_t {
    const uint32_t v = raw(at);
    return swapped ? (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24) : v;
  };
  if (word(4) >> 16 > 1) {
    error = "a catalogue revision this reader does not know";
    return false;
  }
  const uint64_t count = word(8), originals = word(12), translations = word(16);
  if (originals + count * 8 > size || translations + count * 8 > size) {
    error = "its tables run past the end of the file";
    return false;
  }
  // A text is its length and offset; the reader keeps only the text before
  // the first NUL (a plural's other forms follow it).
  const auto text = [&](uint64_t entry, std::string_view& out) {
    const uint64_t length = word(entry), offset = word(entry + 4);
    if (offset + length > size) return false;
    std::string_view s(reinterpret_cast<const char*>(data + offset), size_t(length));
    out = s.substr(0, s.find('\0'));
    return true;
  };
  for (uint64_t i = 0; i < count; ++i) {
    std::string_view key, value;
    if (!text(originals + i * 8, key) || !text(translations + i * 8, value)) {
      error = "text " + std::to_string(i) + " lies outside the file";
      texts_.clear();
      return false;
    }
    if (key.empty()) continue;
    bool lossless = true;
    std::string k = Utf8ToWindows1252(key, lossless);
    std::string v = Utf8ToWindows1252(value, lossless);
    if (!lossless) ++lossy_;
    texts_.emplace(std::move(k), std::move(v));
  }
  return true;
}

bool TCatalogue::Load(const std::string& path, std::string& error) {
  platform::FileToRead file;
  std::string bytes;
  // What is no catalogue by its first four bytes is not read further.
  uint8_t head[4];
  const bool refused = file.Open(path, platform::kCatalogueLimit) && file.ReadAt(0, head, 4) && !HasMagic(head);
  if (file.Fault() || (!refused && !file.ReadAll(bytes))) {
    error = file.Fault().Text();
    return false;
  }
  if (refused || !Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), error)) {
    error = platform::QuotedText(path, std::string::npos) + ": " + (refused ? kNoMagic : error);
    return false;
  }
  return true;
}

const std::string* TCatalogue::Find(std::string_view text) const {
  const auto it = texts_.find(text);
  return it == texts_.end() ? nullptr : &it->second;
}

}  // namespace kestrel
