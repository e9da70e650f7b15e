#include "font.h"

#include <array>
#include <cstring>
#include <string>

namespace datagen::font {
namespace {

// One glyph: up to nine rows separated by spaces, '#' set and '.' clear. The
// first seven rows run from capital height to the baseline; the last two are
// the descender and may be left out. All rows of a glyph have one width.
struct Glyph {
  char32_t code;
  const char* rows;
};

constexpr Glyph kGlyphs[] = {
    {' ', "... ... ... ... ... ... ..."},
    {'A', ".###. #...# #...# ##### #...# #...# #...#"},
    {'B', "####. #...# #...# ####. #...# #...# ####."},
    {'C', ".###. #...# #.... #.... #.... #...# .###."},
    {'D', "####. #...# #...# #...# #...# #...# ####."},
    {'E', "##### #.... #.... ####. #.... #.... #####"},
    {'F', "##### #.... #.... ####. #.... #.... #...."},
    {'G', ".###. #...# #.... #.### #...# #...# .####"},
    {'H', "#...# #...# #...# ##### #...# #...# #...#"},
    {'I', "### .#. .#. .#. .#. .#. ###"},
    {'J', "..### ...#. ...#. ...#. ...#. #..#. .##.."},
    {'K', "#...# #..#. #.#.. ##... #.#.. #..#. #...#"},
    {'L', "#.... #.... #.... #.... #.... #.... #####"},
    {'M', "#...# ##.## #.#.# #.#.# #...# #...# #...#"},
    {'N', "#...# ##..# #.#.# #..## #...# #...# #...#"},
    {'O', ".###. #...# #...# #...# #...# #...# .###."},
    {'P', "####. #...# #...# ####. #.... #.... #...."},
    {'Q', ".###. #...# #...# #...# #.#.# #..#. .##.# ....."},
    {'R', "####. #...# #...# ####. #.#.. #..#. #...#"},
    {'S', ".#### #.... #.... .###. ....# ....# ####."},
    {'T', "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'U', "#...# #...# #...# #...# #...# #...# .###."},
    {'V', "#...# #...# #...# #...# #...# .#.#. ..#.."},
    {'W', "#...# #...# #...# #.#.# #.#.# ##.## #...#"},
    {'X', "#...# #...# .#.#. ..#.. .#.#. #...# #...#"},
    {'Y', "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.."},
    {'Z', "##### ....# ...#. ..#.. .#... #.... #####"},
    {'a', "..... ..... .###. ....# .#### #...# .####"},
    {'b', "#.... #.... ####. #...# #...# #...# ####."},
    {'c', "..... ..... .###. #.... #.... #.... .###."},
    {'d', "....# ....# .#### #...# #...# #...# .####"},
    {'e', "..... ..... .###. #...# ##### #.... .###."},
    {'f', "..## .#.. ###. .#.. .#.. .#.. .#.."},
    {'g', "..... ..... .#### #...# #...# .#### ....# ....# .###."},
    {'h', "#.... #.... ####. #...# #...# #...# #...#"},
    {'i', ".#. ... ##. .#. .#. .#. ###"},
    {'j', "..# ... .## ..# ..# ..# ..# ..# ##."},
    {'k', "#... #... #..# #.#. ##.. #.#. #..#"},
    {'l', "##. .#. .#. .#. .#. .#. ###"},
    {'m', "..... ..... ##.#. #.#.# #.#.# #.#.# #.#.#"},
    {'n', "..... ..... ####. #...# #...# #...# #...#"},
    {'o', "..... ..... .###. #...# #...# #...# .###."},
    {'p', "..... ..... ####. #...# #...# ####. #.... #.... #...."},
    {'q', "..... ..... .#### #...# #...# .#### ....# ....# ....#"},
    {'r', "..... ..... #.##. ##..# #.... #.... #...."},
    {'s', "..... ..... .#### #.... .###. ....# ####."},
    {'t', ".#.. .#.. ###. .#.. .#.. .#.. ..##"},
    {'u', "..... ..... #...# #...# #...# #...# .####"},
    {'v', "..... ..... #...# #...# #...# .#.#. ..#.."},
    {'w', "..... ..... #...# #...# #.#.# #.#.# .#.#."},
    {'x', "..... ..... #...# .#.#. ..#.. .#.#. #...#"},
    {'y', "..... ..... #...# #...# #...# .#### ....# ....# .###."},
    {'z', "..... ..... ##### ...#. ..#.. .#... #####"},
    {'0', ".###. #...# #..## #.#.# ##..# #...# .###."},
    {'1', "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'2', ".###. #...# ....# ...#. ..#.. .#... #####"},
    {'3', "####. ....# ....# .###. ....# ....# ####."},
    {'4', "...#. ..##. .#.#. #..#. ##### ...#. ...#."},
    {'5', "##### #.... ####. ....# ....# #...# .###."},
    {'6', ".###. #.... #.... ####. #...# #...# .###."},
    {'7', "##### ....# ...#. ..#.. .#... .#... .#..."},
    {'8', ".###. #...# #...# .###. #...# #...# .###."},
    {'9', ".###. #...# #...# .#### ....# ....# .###."},
    {'.', ". . . . . . #"},
    {',', ".. .. .. .. .. .. .# #."},
    {':', ". . # . . # ."},
    {';', ".. .. .# .. .. .# #."},
    {'!', "# # # # # . #"},
    {'?', ".###. #...# ....# ...#. ..#.. ..... ..#.."},
    {'-', "... ... ... ### ... ... ..."},
    {'+', "..... ..#.. ..#.. ##### ..#.. ..#.. ....."},
    {'=', "... ... ### ... ### ... ..."},
    {'\'', "# # . . . . ."},
    {'"', "#.# #.# ... ... ... ... ..."},
    {'(', ".# #. #. #. #. #. .#"},
    {')', "#. .# .# .# .# .# #."},
    {'/', "....# ...#. ...#. ..#.. .#... .#... #...."},
    {'<', "...# ..#. .#.. #... .#.. ..#. ...#"},
    {'>', "#... .#.. ..#. ...# ..#. .#.. #..."},
    {'*', "..... #.#.# .###. ##### .###. #.#.# ....."},
};

// Accented letters: a base glyph and a mark drawn above it.
enum class Mark { kAcute, kGrave, kCircumflex, kTilde, kCedilla };

struct Accented {
  char32_t code;
  char base;
  Mark mark;
};

constexpr Accented kAccented[] = {
    {U'á', 'a', Mark::kAcute}, {U'à', 'a', Mark::kGrave}, {U'â', 'a', Mark::kCircumflex},
    {U'ã', 'a', Mark::kTilde}, {U'é', 'e', Mark::kAcute}, {U'ê', 'e', Mark::kCircumflex},
    {U'í', 'i', Mark::kAcute}, {U'ó', 'o', Mark::kAcute}, {U'ô', 'o', Mark::kCircumflex},
    {U'õ', 'o', Mark::kTilde}, {U'ú', 'u', Mark::kAcute}, {U'ç', 'c', Mark::kCedilla},
    {U'Á', 'A', Mark::kAcute}, {U'À', 'A', Mark::kGrave}, {U'Â', 'A', Mark::kCircumflex},
    {U'Ã', 'A', Mark::kTilde}, {U'É', 'E', Mark::kAcute}, {U'Ê', 'E', Mark::kCircumflex},
    {U'Í', 'I', Mark::kAcute}, {U'Ó', 'O', Mark::kAcute}, {U'Ô', 'O', Mark::kCircumflex},
    {U'Õ', 'O', Mark::kTilde}, {U'Ú', 'U', Mark::kAcute}, {U'Ç', 'C', Mark::kCedilla},
};

// Marks are three columns wide and two rows high.
constexpr const char* kMarkRows[] = {
    "..# .#.",  // acute
    "#.. .#.",  // grave
    ".#. #.#",  // circumflex
    ".## ##.",  // tilde (drawn two columns wide at its ends)
    ".#. #..",  // cedilla, below the baseline
};

struct Bitmap {
  int width = 0;
  std::array<std::string, 9> rows;   // rows 0..8 from the capital top
  std::array<std::string, 3> above;  // accent rows, bottom one last
};

const Glyph* FindGlyph(char32_t c) {
  for (const Glyph& g : kGlyphs)
    if (g.code == c) return &g;
  return nullptr;
}

Bitmap Parse(const char* text) {
  Bitmap b;
  int row = 0;
  std::string cur;
  for (const char* p = text;; ++p) {
    if (*p == ' ' || *p == 0) {
      if (row < 9) b.rows[row++] = cur;
      cur.clear();
      if (*p == 0) break;
    } else {
      cur += *p;
    }
  }
  b.width = int(b.rows[0].size());
  for (auto& r : b.rows) r.resize(b.width, '.');
  for (auto& r : b.above) r.assign(b.width, '.');
  return b;
}

Bitmap GlyphFor(char32_t c) {
  if (const Glyph* g = FindGlyph(c)) return Parse(g->rows);
  for (const Accented& a : kAccented) {
    if (a.code != c) continue;
    Bitmap b = Parse(FindGlyph(char32_t(a.base))->rows);
    const char* m = kMarkRows[int(a.mark)];
    std::string top(m, 3), bottom(m + 4, 3);
    // Centre the mark over the letter.
    int left = (b.width - 3) / 2;
    if (left < 0) left = 0;
    auto place = [&](std::string& row, const std::string& mark) {
      for (int i = 0; i < 3 && left + i < b.width; ++i)
        if (mark[i] == '#') row[left + i] = '#';
    };
    if (a.mark == Mark::kCedilla) {
      place(b.rows[7], top);
      place(b.rows[8], bottom);
      return b;
    }
    bool lower = a.base >= 'a' && a.base <= 'z';
    if (lower) {
      // Lower-case letters have two free rows above their x-height.
      if (a.base == 'i') {
        // The dot gives way to the accent.
        b.rows[0] = std::string(b.width, '.');
        b.rows[1] = std::string(b.width, '.');
      }
      place(b.rows[0], top);
      place(b.rows[1], bottom);
      if (a.mark == Mark::kTilde && b.width >= 5) b.rows[0][b.width - 1] = '#', b.rows[1][0] = '#';
    } else {
      place(b.above[1], top);
      place(b.above[2], bottom);
      if (a.mark == Mark::kTilde && b.width >= 5) b.above[1][b.width - 1] = '#', b.above[2][0] = '#';
    }
    return b;
  }
  return Parse(FindGlyph('?')->rows);
}

// Decodes one UTF-8 character; malformed bytes are taken as Latin-1.
char32_t NextChar(std::string_view s, size_t& i) {
  unsigned char c = s[i++];
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (extra == 0 || i + extra > s.size()) return c;
  char32_t v = c & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) v = (v << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  return v;
}

}  // namespace

TextMask RenderText(std::string_view utf8, int scale) {
  std::vector<Bitmap> glyphs;
  int width = 0;
  for (size_t i = 0; i < utf8.size();) {
    glyphs.push_back(GlyphFor(NextChar(utf8, i)));
    width += glyphs.back().width + 1;
  }
  if (width > 0) width -= 1;
  TextMask m;
  m.width = width * scale;
  m.height = kLineHeight * scale;
  m.on.assign(size_t(m.width) * m.height, 0);
  int x0 = 0;
  auto plot = [&](int gx, int gy) {
    for (int dy = 0; dy < scale; ++dy)
      for (int dx = 0; dx < scale; ++dx) m.on[size_t(gy * scale + dy) * m.width + (gx * scale + dx)] = 1;
  };
  for (const Bitmap& b : glyphs) {
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < b.width; ++x)
        if (b.above[y][x] == '#') plot(x0 + x, y);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < b.width; ++x)
        if (b.rows[y][x] == '#') plot(x0 + x, kAccentRows + y);
    x0 += b.width + 1;
  }
  return m;
}

int TextWidth(std::string_view utf8, int scale) { return RenderText(utf8, scale).width; }

}  // namespace datagen::font
