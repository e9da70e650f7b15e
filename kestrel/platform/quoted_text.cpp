#include "kestrel/platform/quoted_text.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace kestrel::platform {

namespace {

struct Range {
  char32_t first, last;
};

// Characters that show nothing, or nothing like themselves, in a line of a
// terminal: controls, spaces other than U+0020, joiners, direction marks and
// isolates, fillers, variation selectors, the byte-order mark, tags.
// clang-format off
constexpr std::array<Range, 19> kUnseen{{
  {0x0080, 0x00A0}, {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C},
  {0x115F, 0x1160}, {0x17B4, 0x17B5}, {0x180B, 0x180F}, {0x2000, 0x200F},
  {0x2028, 0x202F}, {0x205F, 0x206F}, {0x3000, 0x3000}, {0x3164, 0x3164},
  {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFFB},
  {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
}};
// clang-format on

bool Unseen(char32_t c) {
  for (const Range& r : kUnseen)
    if (c >= r.first && c <= r.last) return true;
  return false;
}

// The length of the well-formed UTF-8 sequence at the start of `s`, with its
// character in `c`; 0 when it is not one (cut short, overlong, a surrogate,
// past U+10FFFF, or no lead byte).
size_t DecodeOne(std::string_view s, char32_t& c) {
  const auto lead = uint8_t(s[0]);
  size_t extra;
  char32_t least;
  if (lead >= 0xC2 && lead <= 0xDF) extra = 1, least = 0x80, c = lead & 0x1F;
  else if ((lead & 0xF0) == 0xE0) extra = 2, least = 0x800, c = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) extra = 3, least = 0x10000, c = lead & 0x07;
  else return 0;
  if (s.size() <= extra) return 0;
  for (size_t k = 1; k <= extra; ++k) {
    const auto b = uint8_t(s[k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return extra + 1;
}

}  // namespace

std::string QuotedText(std::string_view text, size_t most) {
  static constexpr std::string_view kEllipsis = "\xE2\x80\xA6";
  std::string out;
  // The characters shown so far, and where the text is cut if it goes on
  // past `most`: after the last piece that leaves room for the "…".
  size_t shown = 0, cut = 0;
  size_t i = 0;
  while (i < text.size()) {
    char piece[16];
    size_t pieceLength = 0, consumed = 1;
    bool escaped = true;
    char32_t c = 0;
    const auto byte = uint8_t(text[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      piece[0] = char(byte), pieceLength = 1, escaped = false;
    } else if (const size_t n = byte < 0x80 ? 0 : DecodeOne(text.substr(i), c); n == 0) {
      pieceLength = size_t(std::snprintf(piece, sizeof piece, "\\x%02X", unsigned(byte)));
    } else if (Unseen(c)) {
      pieceLength = size_t(std::snprintf(piece, sizeof piece, "\\u{%X}", unsigned(c)));
      consumed = n;
    } else {
      for (size_t k = 0; k < n; ++k) piece[k] = text[i + k];
      pieceLength = n, consumed = n, escaped = false;
    }
    // A character counts one, an escape its length.
    const size_t width = escaped ? pieceLength : 1;
    if (shown + width > most) {
      out.resize(cut);
      return out.append(kEllipsis);
    }
    out.append(piece, pieceLength);
    shown += width;
    if (shown + 1 <= most) cut = out.size();
    i += consumed;
  }
  return out;
}

}  // namespace kestrel::platform
