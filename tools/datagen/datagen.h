// The generator of data.kpk: every picture, stage and sound of the game is
// made here by our own code. Each builder is deterministic.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace datagen {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The colour key: everything outside a figure is exactly this.
inline constexpr Rgb kKey{232, 252, 252};

// An 8-bit RGB picture, rows top to bottom.
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;

  Image() = default;
  Image(int w, int h, Rgb fill = kKey) : width(w), height(h), rgb(size_t(w) * h * 3) { Fill(fill); }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  Rgb Get(int x, int y) const {
    const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
  // Writes are clipped to the picture.
  void Set(int x, int y, Rgb c) {
    if (!Inside(x, y)) return;
    uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    p[0] = c.r, p[1] = c.g, p[2] = c.b;
  }
  void Fill(Rgb c) {
    for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = c.r, rgb[i + 1] = c.g, rgb[i + 2] = c.b;
  }
  // Inclusive corners, as the game's rectangles are given.
  void FillRect(int x1, int y1, int x2, int y2, Rgb c) {
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) Set(x, y, c);
  }
};

struct SoundFile {
  std::string name;          // "click2.wav", ...
  std::vector<uint8_t> wav;  // a whole RIFF/WAVE file, 16-bit PCM
};

Image BuildSpriteSheet();  // "sprites.png", 1024 x 768
// "320200.jpg", 969 x 1420, with the words of `language` ("pt" or "en").
Image BuildBackdropSheet(std::string_view language = "pt");
Image BuildLoadingPicture();           // "load.jpg", 320 x 200
Image BuildLoadingBar();               // "load2.png", 185 x 58
Image BuildStageSheet();               // "niveis.png", 1005 x 3644
std::vector<SoundFile> BuildSounds();  // the twelve sounds, in slot order

}  // namespace datagen
