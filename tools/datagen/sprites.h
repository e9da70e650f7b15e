// The sprite sheet's builders. Its rectangles are shared with the game.
#pragma once
#include <string_view>

#include "datagen.h"
#include "morlo3/sprite_rects.h"

namespace datagen {

using morlo3::kSpriteRects;
using morlo3::kSpriteSheetHeight;
using morlo3::kSpriteSheetWidth;
using morlo3::SpriteGroup;
using morlo3::SpriteRect;

// The one rectangle with this name; the program stops on an unknown name.
const SpriteRect& FindSpriteRect(std::string_view name);

// Every figure of a sheet at four times its size on a neutral background,
// labelled by group, for looking the art over.
Image SpriteContactSheet(const Image& sheet);

// True when a colour would turn into the colour key once packed to 15 or
// 16 bits per pixel, and so vanish from a keyed copy.
constexpr bool PacksToKey(Rgb c) {
  const bool depth15 = (c.r >> 3) == (kKey.r >> 3) && (c.g >> 3) == (kKey.g >> 3) && (c.b >> 3) == (kKey.b >> 3);
  const bool depth16 = (c.r >> 3) == (kKey.r >> 3) && (c.g >> 2) == (kKey.g >> 2) && (c.b >> 3) == (kKey.b >> 3);
  return depth15 || depth16;
}

}  // namespace datagen
