// The program's icon: the hero's helmet and shoulders, cut pixel for pixel
// from his standing pose on the sprite sheet, on the night blue of the
// stages' skies. The data generator draws it for the desktop, and the game
// gives its window the same picture from the loaded sheet.
#pragma once
#include <cstdint>

namespace morlo3 {

// The cut is 16 x 16, so that every usual icon size is a whole multiple.
inline constexpr int kIconArt = 16;
// The cut on the sprite sheet, corners included: from the standing pose's
// corner (473, 145), 5 pixels in and 1 down.
inline constexpr int kIconCutX1 = 478, kIconCutY1 = 146;
inline constexpr int kIconCutX2 = kIconCutX1 + kIconArt - 1, kIconCutY2 = kIconCutY1 + kIconArt - 1;
inline constexpr uint8_t kIconSky[3] = {24, 28, 64};

// The id the desktop entry, the AppStream metadata and the window's class
// share (MORLO3_APP_ID of the build), so that a dock knows the window as the
// program's.
inline constexpr const char* kDesktopId = "net.kestrelengine.Morlo3";

}  // namespace morlo3
