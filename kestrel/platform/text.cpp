// TrueType text for both backends. A face is found by name (font_files.h),
// opened with SDL_ttf (which needs no SDL video), and each of the
// 256 Windows-1252 characters is rendered once into an 8-bit coverage bitmap.
// TextOut then only blends cached coverage into the surface's own pixels.
#include "kestrel/platform/text.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <vector>

#include "kestrel/base/faults.h"
#include "kestrel/platform/font_files.h"
#include "kestrel/platform/surface.h"

namespace kestrel::platform {

// Upper bound on cell heights we render: a glyph atlas of 256 characters at
// this size is still a few megabytes.
constexpr int kMaxCellHeight = 256;
// GDI's choice for a height of 0.
constexpr int kDefaultCellHeight = 16;

class FontFace {
 public:
  struct Glyph {
    int32_t left = 0;  // ink box relative to the pen position and cell top
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t advance = 0;
    uint32_t offset = 0;  // into `coverage`
  };
  std::array<Glyph, 256> glyphs{};
  std::vector<uint8_t> coverage;
  int32_t cellHeight = 0;
  std::string file;
  std::string family;
};

std::string FontFilePath(const FontFace& font) { return font.file; }

// ---- Windows-1252 ----

uint32_t Cp1252ToUnicode(uint8_t byte) {
  // 0x80..0x9F differ from Latin-1; the five holes become a blank.
  static constexpr uint16_t kHigh[32] = {
      0x20AC, 0x0020, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0020, 0x017D, 0x0020,  // 88
      0x0020, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0020, 0x017E, 0x0178,  // 98
  };
  if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
  return byte;
}

// ---- finding a face ----

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Metric-compatible stand-ins for the Windows core fonts.
const char* StandIn(const std::string& name) {
  static const std::pair<const char*, const char*> kStandIns[] = {
      {"times new roman", "Liberation Serif"}, {"times", "Liberation Serif"},      {"arial", "Liberation Sans"},
      {"helvetica", "Liberation Sans"},        {"courier new", "Liberation Mono"}, {"courier", "Liberation Mono"},
  };
  const std::string lower = Lower(name);
  for (const auto& [from, to] : kStandIns) {
    if (lower == from) return to;
  }
  return nullptr;
}

bool IsGenericFamily(const std::string& name) {
  const std::string lower = Lower(name);
  return lower == "serif" || lower == "sans-serif" || lower == "sans" || lower == "monospace" || lower == "mono";
}

std::optional<FaceFile> ResolveFace(const std::string& name, bool bold, bool italic) {
  if (IsGenericFamily(name)) {
    if (auto face = MatchFace(name, bold, italic, false)) return face;
  } else if (!name.empty()) {
    // A stand-in goes first: fontconfig may know the name as an alias of some
    // other family, and only the metric-compatible one keeps the layout.
    if (const char* standIn = StandIn(name)) {
      if (auto face = MatchFace(standIn, bold, italic, true)) return face;
    }
    if (auto face = MatchFace(name, bold, italic, true)) return face;
  }
  std::optional<FaceFile> face = MatchFace("serif", bold, italic, false);
  if (!face) face = AnyFace();
  if (face) {
    std::fprintf(stderr, "kestrel: font \"%s\" not found, using \"%s\" (%s)\n", name.c_str(), face->family.c_str(),
                 face->file.c_str());
  }
  return face;
}

bool EnsureTtf() {
  static const bool ok = TTF_WasInit() > 0 || TTF_Init() == 0;
  return ok;
}

// Chooses the point size (at 72 dpi, so points are pixels) for the request:
// a positive height is the whole cell, a negative one the em size.
int SizeFont(TTF_Font* font, int32_t height) {
  if (height < 0) {
    int em = std::clamp<int64_t>(-int64_t(height), 1, kMaxCellHeight);
    TTF_SetFontSizeDPI(font, em, 72, 72);
    return em;
  }
  const int cell = height == 0 ? kDefaultCellHeight : std::min(height, kMaxCellHeight);
  // The largest size whose cell still fits; cell height grows with the size.
  int best = 1;
  for (int pt = 1; pt <= cell; ++pt) {
    if (TTF_SetFontSizeDPI(font, pt, 72, 72) != 0) break;
    if (TTF_FontHeight(font) > cell) break;
    best = pt;
  }
  TTF_SetFontSizeDPI(font, best, 72, 72);
  return best;
}

void RenderGlyphs(TTF_Font* font, bool antialiased, FontFace& face) {
  face.cellHeight = TTF_FontHeight(font);
  for (int byte = 0; byte < 256; ++byte) {
    FontFace::Glyph& glyph = face.glyphs[byte];
    glyph.offset = static_cast<uint32_t>(face.coverage.size());
    const uint32_t ch = Cp1252ToUnicode(static_cast<uint8_t>(byte));
    // Control characters draw nothing and take no room.
    if (ch < 0x20 || ch == 0x7F) continue;
    int minx = 0, maxx = 0, miny = 0, maxy = 0, advance = 0;
    if (TTF_GlyphMetrics32(font, ch, &minx, &maxx, &miny, &maxy, &advance) != 0) continue;
    glyph.advance = advance;
    SDL_Surface* rendered = TTF_RenderGlyph32_Blended(font, ch, SDL_Color{255, 255, 255, 255});
    if (!rendered) continue;
    // The rendered cell starts at the pen, or left of it for a glyph that
    // hangs back (a serif 'j').
    const int originX = std::min(minx, 0);
    int x0 = rendered->w, x1 = -1, y0 = rendered->h, y1 = -1;
    auto alphaAt = [&](int x, int y) {
      const auto* row = static_cast<const uint8_t*>(rendered->pixels) + y * rendered->pitch;
      uint32_t pixel;
      std::memcpy(&pixel, row + x * 4, 4);
      uint8_t a = static_cast<uint8_t>(pixel >> 24);
      if (!antialiased) a = a >= 128 ? 255 : 0;
      return a;
    };
    if (rendered->format->format == SDL_PIXELFORMAT_ARGB8888 && SDL_LockSurface(rendered) == 0) {
      for (int y = 0; y < rendered->h; ++y) {
        for (int x = 0; x < rendered->w; ++x) {
          if (alphaAt(x, y)) {
            x0 = std::min(x0, x), x1 = std::max(x1, x);
            y0 = std::min(y0, y), y1 = std::max(y1, y);
          }
        }
      }
      if (x1 >= 0) {
        glyph.left = originX + x0;
        glyph.top = y0;
        glyph.width = x1 - x0 + 1;
        glyph.height = y1 - y0 + 1;
        for (int y = y0; y <= y1; ++y) {
          for (int x = x0; x <= x1; ++x) face.coverage.push_back(alphaAt(x, y));
        }
      }
      SDL_UnlockSurface(rendered);
    }
    SDL_FreeSurface(rendered);
  }
}

std::shared_ptr<FontFace> LoadFont(const FontRequest& request) {
  const bool bold = request.weight >= 700;
  std::optional<FaceFile> file = ResolveFace(request.face, bold, request.italic);
  if (!file || !EnsureTtf()) return nullptr;
  TTF_Font* font = TTF_OpenFontIndexDPI(file->file.c_str(), 12, file->index, 72, 72);
  if (!font) {
    std::fprintf(stderr, "kestrel: cannot open font %s: %s\n", file->file.c_str(), TTF_GetError());
    return nullptr;
  }
  int style = TTF_STYLE_NORMAL;
  if (bold && (file->embolden || !file->bold)) style |= TTF_STYLE_BOLD;
  if (request.italic && !file->italic) style |= TTF_STYLE_ITALIC;
  TTF_SetFontStyle(font, style);
  TTF_SetFontKerning(font, 0);
  SizeFont(font, request.height);
  auto face = std::make_shared<FontFace>();
  face->file = file->file;
  face->family = file->family;
  RenderGlyphs(font, request.antialiased, *face);
  TTF_CloseFont(font);
  return face;
}

// Faces are kept once rendered: buffers select the same font again and again.
std::shared_ptr<FontFace> CachedFont(const FontRequest& request) {
  using Key = std::tuple<std::string, int32_t, bool, bool, bool>;
  static std::mutex mutex;
  static std::map<Key, std::shared_ptr<FontFace>> cache;
  const Key key{Lower(request.face), request.height, request.weight >= 700, request.italic, request.antialiased};
  std::lock_guard lock(mutex);
  if (auto found = cache.find(key); found != cache.end()) return found->second;
  std::shared_ptr<FontFace> face = LoadFont(request);
  if (!face) return nullptr;
  if (cache.size() >= 64) cache.clear();
  cache.emplace(key, face);
  return face;
}

const FontFace* DefaultFont() {
  static const std::shared_ptr<FontFace> font = [] {
    FontRequest request;
    request.height = kDefaultCellHeight;
    request.face = "sans-serif";
    return CachedFont(request);
  }();
  return font.get();
}

}  // namespace

std::shared_ptr<FontFace> CreateFont(const FontRequest& request) {
  if (Failed(CheckFault("CreateFont"))) return nullptr;
  return CachedFont(request);
}

// ---- drawing ----

std::shared_ptr<FontFace> DeviceContext::SelectObject(std::shared_ptr<FontFace> font) {
  std::swap(font_, font);
  return font;
}

namespace {

struct Rgb {
  uint32_t r, g, b;
};

inline uint32_t Mix(uint32_t src, uint32_t dst, uint32_t a) { return (src * a + dst * (255 - a) + 127) / 255; }

inline uint32_t Widen5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t Widen6(uint32_t v) { return (v << 2) | (v >> 4); }

// One pixel format: how a colour is blended over a stored pixel.
template <int Depth>
struct Format;

template <>
struct Format<32> {
  static constexpr int kBytes = 4;
  static void Put(uint8_t* p, const Rgb& c, uint32_t a) {
    p[0] = static_cast<uint8_t>(Mix(c.b, p[0], a));
    p[1] = static_cast<uint8_t>(Mix(c.g, p[1], a));
    p[2] = static_cast<uint8_t>(Mix(c.r, p[2], a));
  }
};

template <>
struct Format<24> {
  static constexpr int kBytes = 3;
  static void Put(uint8_t* p, const Rgb& c, uint32_t a) { Format<32>::Put(p, c, a); }
};

template <>
struct Format<16> {
  static constexpr int kBytes = 2;
  static void Put(uint8_t* p, const Rgb& c, uint32_t a) {
    const uint32_t d = p[0] | (p[1] << 8);
    const uint32_t r = Mix(c.r, Widen5(d >> 11), a);
    const uint32_t g = Mix(c.g, Widen6((d >> 5) & 63), a);
    const uint32_t b = Mix(c.b, Widen5(d & 31), a);
    const uint32_t out = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    p[0] = static_cast<uint8_t>(out);
    p[1] = static_cast<uint8_t>(out >> 8);
  }
};

template <>
struct Format<15> {
  static constexpr int kBytes = 2;
  static void Put(uint8_t* p, const Rgb& c, uint32_t a) {
    const uint32_t d = p[0] | (p[1] << 8);
    const uint32_t r = Mix(c.r, Widen5((d >> 10) & 31), a);
    const uint32_t g = Mix(c.g, Widen5((d >> 5) & 31), a);
    const uint32_t b = Mix(c.b, Widen5(d & 31), a);
    const uint32_t out = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    p[0] = static_cast<uint8_t>(out);
    p[1] = static_cast<uint8_t>(out >> 8);
  }
};

struct Target {
  uint8_t* pixels;
  int32_t width, height, pitch;
};

template <int Depth>
void FillBox(const Target& t, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Rgb& c) {
  x0 = std::max<int64_t>(x0, 0), y0 = std::max<int64_t>(y0, 0);
  x1 = std::min<int64_t>(x1, t.width), y1 = std::min<int64_t>(y1, t.height);
  for (int64_t y = y0; y < y1; ++y) {
    uint8_t* row = t.pixels + y * t.pitch;
    for (int64_t x = x0; x < x1; ++x) Format<Depth>::Put(row + x * Format<Depth>::kBytes, c, 255);
  }
}

template <int Depth>
void DrawText(const Target& t, const FontFace& font, int64_t x, int64_t y, const uint8_t* text, int32_t length,
              const Rgb& c, bool opaque) {
  constexpr int kBytes = Format<Depth>::kBytes;
  if (opaque) {
    int64_t width = 0;
    for (int32_t i = 0; i < length; ++i) width += font.glyphs[text[i]].advance;
    // GDI's default background colour is white.
    FillBox<Depth>(t, x, y, x + width, y + font.cellHeight, Rgb{255, 255, 255});
  }
  int64_t pen = x;
  for (int32_t i = 0; i < length && pen < t.width; ++i) {
    const FontFace::Glyph& g = font.glyphs[text[i]];
    const int64_t gx = pen + g.left, gy = y + g.top;
    pen += g.advance;
    // Clip the ink box to the surface.
    const int64_t cx0 = std::max<int64_t>(gx, 0), cy0 = std::max<int64_t>(gy, 0);
    const int64_t cx1 = std::min<int64_t>(gx + g.width, t.width);
    const int64_t cy1 = std::min<int64_t>(gy + g.height, t.height);
    if (cx0 >= cx1 || cy0 >= cy1) continue;
    for (int64_t py = cy0; py < cy1; ++py) {
      const uint8_t* cov = font.coverage.data() + g.offset + (py - gy) * g.width + (cx0 - gx);
      uint8_t* dst = t.pixels + py * t.pitch + cx0 * kBytes;
      for (int64_t px = cx0; px < cx1; ++px, ++cov, dst += kBytes) {
        if (*cov) Format<Depth>::Put(dst, c, *cov);
      }
    }
  }
}

}  // namespace

bool DeviceContext::TextOut(int32_t x, int32_t y, const char* text, int32_t length) {
  if (length < 0 || (length > 0 && !text)) return false;
  if (length == 0) return true;
  const FontFace* font = font_ ? font_.get() : DefaultFont();
  if (!font) return false;
  const Rgb colour{textColor_ & 0xFF, (textColor_ >> 8) & 0xFF, (textColor_ >> 16) & 0xFF};
  const Target target{surface_.Pixels(), surface_.Width(), surface_.Height(), surface_.Pitch()};
  if (!target.pixels || target.width <= 0 || target.height <= 0) return true;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  const bool opaque = bkMode_ == OPAQUE;
  switch (surface_.Depth()) {
    case 15: DrawText<15>(target, *font, x, y, bytes, length, colour, opaque); break;
    case 16: DrawText<16>(target, *font, x, y, bytes, length, colour, opaque); break;
    case 24: DrawText<24>(target, *font, x, y, bytes, length, colour, opaque); break;
    case 32: DrawText<32>(target, *font, x, y, bytes, length, colour, opaque); break;
    default: return false;
  }
  return true;
}

}  // namespace kestrel::platform
