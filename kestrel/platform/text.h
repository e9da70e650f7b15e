// Text drawing into surfaces: TrueType faces chosen by name through
// fontconfig, glyphs rendered by SDL_ttf and cached per font, drawn
// transparently into any of the four pixel formats. Both backends use it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "kestrel/platform/result.h"

namespace kestrel::platform {

class Surface;
class FontFace;  // a loaded face at one size with its glyph cache

struct FontRequest {
  int32_t height = 0;  // > 0: cell height in pixels; < 0: character height
  int32_t width = 0;
  int32_t weight = 400;  // 700 is bold
  bool italic = false;
  bool antialiased = true;
  std::string face;
};

// Null when no usable face could be found at all (fault name "CreateFont").
std::shared_ptr<FontFace> CreateFont(const FontRequest& request);
// The file fontconfig picked for the face name (for messages and tests).
std::string FontFilePath(const FontFace& font);

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// The drawing state a surface hands out through GetDC.
class DeviceContext {
 public:
  explicit DeviceContext(Surface& surface) : surface_(surface) {}
  // Back to a fresh context's state: no font, black text, opaque background.
  void Reset() {
    font_.reset();
    textColor_ = 0;
    bkMode_ = OPAQUE;
  }
  // Returns the font selected before.
  std::shared_ptr<FontFace> SelectObject(std::shared_ptr<FontFace> font);
  // `colorRef` is red + green * 256 + blue * 65536.
  void SetTextColor(uint32_t colorRef) { textColor_ = colorRef; }
  void SetBkMode(int mode) { bkMode_ = mode; }
  // Draws `length` Windows-1252 bytes with the top-left corner of the text
  // cell at (x, y). Only the glyphs are drawn; the picture is clipped at the
  // surface's edges. Without a selected font a default face is used.
  bool TextOut(int32_t x, int32_t y, const char* text, int32_t length);

 private:
  Surface& surface_;
  std::shared_ptr<FontFace> font_;
  uint32_t textColor_ = 0;
  int bkMode_ = OPAQUE;
};

// The Unicode character of a Windows-1252 byte (undefined bytes map to
// U+FFFD's stand-in, a blank).
uint32_t Cp1252ToUnicode(uint8_t byte);

}  // namespace kestrel::platform
