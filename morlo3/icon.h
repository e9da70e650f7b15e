// The program's icon: the hero as he stands, on the night blue of the
// stages' skies. The data generator draws it for the desktop entry and the
// game gives it to its window, both from the sprite sheet.
#pragma once
#include <cstdint>

namespace morlo3 {

inline constexpr int kIconSize = 48;
// The standing hero on the sprite sheet, corners included.
inline constexpr int kIconFigureX1 = 473, kIconFigureY1 = 145, kIconFigureX2 = 498, kIconFigureY2 = 178;
inline constexpr uint8_t kIconSky[3] = {24, 28, 64};

// The id the desktop entry, the AppStream metadata and the window's class
// share, so that a dock knows the window as the program's.
inline constexpr const char* kDesktopId = "net.kestrelengine.Morlo3";

}  // namespace morlo3
