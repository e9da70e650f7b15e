// datagen OUT.kpk [--review DIR]
//
// Writes the game's whole archive. With --review it also writes every sheet
// as a PNG, the sprite contact sheet, and each stage's picture, mask and a
// view of the picture over its far background, for people to look at.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "morlo3/icon.h"
#include "morlo3/language.h"
#include "tools/common/kpk_writer.h"
#include "tools/datagen/datagen.h"
#include "tools/datagen/encode.h"
#include "tools/datagen/sprites.h"
#include "tools/datagen/stages.h"

namespace {

using datagen::Image;

Image Crop(const Image& src, int x0, int y0, int w, int h) {
  Image out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (src.Inside(x0 + x, y0 + y)) out.Set(x, y, src.Get(x0 + x, y0 + y));
  return out;
}

// The stage picture as the game shows it: the far background behind, fixed
// to the screen, so here repeated every 320 columns and 200 rows.
Image StageView(const Image& picture, const Image& backdrop) {
  Image out(picture.width, picture.height);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      datagen::Rgb c = picture.Get(x, y);
      out.Set(x, y, c == datagen::kKey ? backdrop.Get(x % backdrop.width, y % backdrop.height) : c);
    }
  return out;
}

// Draws the sheet rectangle (x1, y1)-(x2, y2), corners included, keyed at (x, y).
struct Cut {
  int x1, y1, x2, y2;
};
constexpr Cut kHeroStand{473, 145, 498, 178}, kWalker{813, 122, 838, 161}, kThrower{1, 29, 29, 74},
    kUndead{629, 34, 662, 66}, kBat{473, 78, 546, 109}, kCoin{303, 33, 327, 57}, kHazard{767, 5, 810, 33};

void DrawSprite(Image& dst, const Image& sheet, Cut r, int x, int y) {
  for (int sy = r.y1; sy <= r.y2; ++sy)
    for (int sx = r.x1; sx <= r.x2; ++sx) {
      datagen::Rgb c = sheet.Get(sx, sy);
      if (c != datagen::kKey) dst.Set(x + sx - r.x1, y + sy - r.y1, c);
    }
}

// The enemies' ground settling, to place them as the first frame would.
int Settled(const datagen::CellGrid& cells, int x, int y, int h) {
  for (int guard = 0; guard < 2000; ++guard) {
    bool a = cells.At(x, y + h) == datagen::Cell::Ground;
    bool b = cells.At(x, y + h - 1) == datagen::Cell::Ground;
    y += a ? -1 : 1;
    if (a && !b) break;
  }
  return y;
}

// The stage view with its cast at their start places, to judge scale and
// footing: the hero where he lands, the enemies settled, coins and bats.
Image StageCast(const datagen::Level& l, const Image& view, const Image& sprites) {
  Image out = view;
  datagen::CellGrid cells = datagen::BuildStageCells(l);
  for (const datagen::Point& c : l.coins) DrawSprite(out, sprites, kCoin, c.x, c.y);
  for (int x : l.batsX) DrawSprite(out, sprites, kBat, x - 37, 25);
  for (const datagen::Patrol& w : l.walkers)
    DrawSprite(out, sprites, kWalker, w.x - 13, Settled(cells, w.x + 11, w.y, 38));
  for (const datagen::Patrol& t : l.throwers)
    DrawSprite(out, sprites, kThrower, t.x - 15, Settled(cells, t.x, t.y, 44));
  for (const datagen::Point& u : l.undead)
    DrawSprite(out, sprites, kUndead, u.x - 17, Settled(cells, u.x + 11, u.y, 33));
  for (size_t i = 0; i < l.hazards.size(); ++i) DrawSprite(out, sprites, kHazard, 60 + int(i) * 90, l.hazards[i].y);
  int y = l.startY;
  while (y < l.height && cells.At(l.startX + 15, y + 34) != datagen::Cell::Ground) ++y;
  while (cells.At(l.startX + 15, y + 33) == datagen::Cell::Ground) --y;
  DrawSprite(out, sprites, kHeroStand, l.startX, y);
  return out;
}

bool WritePng(const std::string& path, const Image& image) {
  if (datagen::WriteFile(path, datagen::EncodePng(image))) return true;
  std::fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

// The program's icon (morlo3/icon.h): the hero's helmet and shoulders, cut
// pixel for pixel from his standing pose, on the night blue of the stages'
// skies. The cut is 16 x 16 so that every usual icon size (16, 32, 48, 64,
// 128, 256) is a whole-number enlargement of it: each pixel becomes a
// square, never a blur. The game gives its window the same picture.
Image BuildIcon(const Image& sprites, int size) {
  using namespace morlo3;
  constexpr Cut cut{kIconCutX1, kIconCutY1, kIconCutX2, kIconCutY2};
  Image art(kIconArt, kIconArt, datagen::Rgb{kIconSky[0], kIconSky[1], kIconSky[2]});
  DrawSprite(art, sprites, cut, 0, 0);
  const int k = size / kIconArt;
  Image icon(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) icon.Set(x, y, art.Get(x / k, y / k));
  return icon;
}

constexpr const char* kUsage =
    "usage: datagen OUT.kpk [--review DIR]\n"
    "       datagen --icon SIZE OUT.png\n"
    "Draws every picture and makes every sound of the game and writes them\n"
    "to OUT.kpk. With --review it also writes the sheets, a contact sheet of\n"
    "the figures and each stage's picture, mask and cast as PNG into DIR,\n"
    "which it creates. --icon writes only the program's icon, SIZE pixels\n"
    "square, a multiple of 16.\n";

int main(int argc, char** argv) {
  std::string out, review;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  if (argc >= 2 && std::strcmp(argv[1], "--icon") == 0) {
    const int size = argc == 4 ? std::atoi(argv[2]) : 0;
    if (size < morlo3::kIconArt || size > 1024 || size % morlo3::kIconArt != 0) {
      std::fprintf(stderr, "datagen: --icon needs a size that is a multiple of 16, up to 1024, and a file\n%s", kUsage);
      return 2;
    }
    try {
      tools::AsideFile icon(argv[3]);
      icon.Commit(datagen::EncodePng(BuildIcon(datagen::BuildSpriteSheet(), size)));
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "datagen: %s\n", e.what());
      return 1;
    }
  }
  std::string error;
  for (int i = 1; i < argc && error.empty(); ++i) {
    const std::string arg = argv[i];
    if (arg == "--review") {
      if (i + 1 >= argc) error = "--review needs a folder";
      else if (!review.empty()) error = "--review is given twice";
      else review = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      error = "unknown option " + arg;
    } else if (!out.empty()) {
      error = "only one output archive, please";
    } else {
      out = arg;
    }
  }
  if (error.empty() && out.empty()) error = "no output archive given";
  if (!error.empty()) {
    std::fprintf(stderr, "datagen: %s\n%s", error.c_str(), kUsage);
    return 2;
  }

  try {
    // Both places are checked before the seconds of drawing begin.
    tools::AsideFile archive(out);
    if (!review.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(review, ec);
      if (!std::filesystem::is_directory(review))
        throw std::runtime_error("cannot make the review folder " + review +
                                 (ec ? " (" + ec.message() + ")" : std::string(": a file is in the way")));
    }

    Image loading = datagen::BuildLoadingPicture();
    Image bar = datagen::BuildLoadingBar();
    Image sprites = datagen::BuildSpriteSheet();
    Image backdrops = datagen::BuildBackdropSheet();
    Image stages = datagen::BuildStageSheet();

    std::vector<tools::KpkEntry> entries = {
        {"load.jpg", datagen::EncodeJpeg(loading)},   {"load2.png", datagen::EncodePng(bar)},
        {"sprites.png", datagen::EncodePng(sprites)}, {"320200.jpg", datagen::EncodeJpeg(backdrops)},
        {"niveis.png", datagen::EncodePng(stages)},
    };
    for (datagen::SoundFile& s : datagen::BuildSounds()) entries.push_back({s.name, std::move(s.wav)});
    // The other languages' sheets come last, so the designed entries and
    // their places stay exactly as they were.
    std::vector<std::pair<std::string, Image>> translated;
    for (size_t i = 1; i < morlo3::kLanguages.size(); ++i) {
      const std::string language = morlo3::kLanguages[i];
      translated.emplace_back(language, datagen::BuildBackdropSheet(language));
      entries.push_back({morlo3::BackdropSheetEntry(language), datagen::EncodeJpeg(translated.back().second)});
    }

    archive.Commit(tools::BuildKpk(entries));

    if (!review.empty()) {
      bool ok = WritePng(review + "/load.png", loading) && WritePng(review + "/load2.png", bar) &&
                WritePng(review + "/sprites.png", sprites) &&
                WritePng(review + "/sprites_contact.png", datagen::SpriteContactSheet(sprites)) &&
                WritePng(review + "/320200.png", backdrops) && WritePng(review + "/niveis.png", stages);
      for (const auto& [language, sheet] : translated)
        ok = ok && WritePng(review + "/320200" + language + ".png", sheet);
      for (const datagen::Level& l : datagen::Levels()) {
        if (!ok) break;
        std::string stem = review + "/stage" + std::to_string(l.number);
        Image picture = Crop(stages, l.sceneX, l.sceneY, l.width, l.height);
        const morlo3::StageFacts& f = morlo3::kStages[size_t(l.number - 1)];
        Image backdrop = Crop(backdrops, f.BackdropX, f.BackdropY, 320, 200);
        ok = WritePng(stem + "_picture.png", picture) &&
             WritePng(stem + "_mask.png", Crop(stages, l.maskX, l.maskY, l.width, l.height)) &&
             WritePng(stem + "_view.png", StageView(picture, backdrop)) &&
             WritePng(stem + "_cast.png", StageCast(l, StageView(picture, backdrop), sprites));
      }
      if (!ok) return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "datagen: %s\n", e.what());
    return 1;
  }
  return 0;
}
