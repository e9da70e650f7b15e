// A small bitmap font for the titles and notes painted into our pictures.
// The game draws its own story and menu texts at run time; this font is only
// for words that are part of a picture ("AJUDA", "FIM DO JOGO", ...).
//
// Glyphs are 7 rows from the top of a capital to the baseline, two rows of
// descender below and three rows above for the accents of capitals, so a line
// is 12 rows at scale 1. Text is UTF-8; Portuguese accented letters are built
// from their base letter and an accent mark.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace datagen::font {

inline constexpr int kAccentRows = 3;  // rows above a capital's top
inline constexpr int kCapHeight = 7;
inline constexpr int kLineHeight = 12;  // accent rows + capital + descender

// A rendered line of text as a coverage grid. Row kAccentRows * scale is the
// top of the capitals.
struct TextMask {
  int width = 0, height = 0;
  std::vector<uint8_t> on;
  bool At(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height && on[size_t(y) * width + x]; }
};

TextMask RenderText(std::string_view utf8, int scale = 1);
int TextWidth(std::string_view utf8, int scale = 1);

}  // namespace datagen::font
