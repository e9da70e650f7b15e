// The layout of the backdrop sheet "320200.jpg": 320 x 200 pictures on a grid
// of three columns and seven rows with a 3-pixel gutter, and what each cell
// holds. The game cuts these rectangles by their top-left corners.
#pragma once
#include <array>
#include <string_view>
#include <vector>

#include "datagen.h"

namespace datagen {

inline constexpr int kBackdropSheetWidth = 969;
inline constexpr int kBackdropSheetHeight = 1420;
inline constexpr int kPictureWidth = 320;
inline constexpr int kPictureHeight = 200;
inline constexpr std::array<int, 3> kBackdropColumns{1, 324, 647};
inline constexpr std::array<int, 7> kBackdropRows{1, 204, 407, 610, 813, 1016, 1219};

// Gutters and the unused cells are black: a rectangle that reaches one pixel
// past its picture (the game cuts corner to corner) shows a dark edge, never
// a bright one.
inline constexpr Rgb kGutter{0, 0, 0};

// A line of text the game draws over a picture at run time, so the picture
// keeps that band dark and quiet.
struct TextBand {
  int x, y, width;
};

struct BackdropCell {
  int x, y;  // top-left corner on the sheet
  std::string_view name;
  std::vector<TextBand> text;  // where the game writes over it
};

// Every picture on the sheet, in no particular order.
const std::vector<BackdropCell>& BackdropLayout();

// Paints one cell's picture into a 320 x 200 image (for previews and tests),
// with the words of `language` ("pt" or "en").
Image PaintBackdrop(std::string_view name, std::string_view language = "pt");

}  // namespace datagen
