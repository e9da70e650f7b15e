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

// The Unicode character of a Windows-1252 byte (undefined bytes map to
// U+FFFD's stand-in, a blank).
uint32_t Cp1252ToUnicode(uint8_t byte);

}  // namespace kestrel::platform
