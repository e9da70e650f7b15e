// datagen OUT.kpk [--review DIR]
//
// Writes the game's whole archive. With --review it also writes every sheet
// as a PNG, the sprite contact sheet, and each stage's picture, mask and a
// view of the picture over its far background, for people to look at.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

bool WritePng(const std::string& path, const Image& image) {
  if (datagen::WriteFile(path, datagen::EncodePng(image))) return true;
  std::fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
  return false;
}

// Far background of each stage, top-left corner in the backdrop sheet.
struct BackdropAt {
  int x, y;
};
constexpr BackdropAt kBackdrops[8] = {{1, 204},   {1, 204},   {1, 204},   {1, 204},
                                      {647, 204}, {647, 204}, {647, 204}, {324, 204}};

}  // namespace

int main(int argc, char** argv) {
  std::string out, review;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--review") == 0 && i + 1 < argc) {
      review = argv[++i];
    } else if (out.empty() && argv[i][0] != '-') {
      out = argv[i];
    } else {
      out.clear();
      break;
    }
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: datagen OUT.kpk [--review DIR]\n");
    return 2;
  }

  try {
    Image loading = datagen::BuildLoadingPicture();
    Image bar = datagen::BuildLoadingBar();
    Image sprites = datagen::BuildSpriteSheet();
    Image backdrops = datagen::BuildBackdropSheet();
    Image stages = datagen::BuildStageSheet();

    std::vector<tools::KpkEntry> entries = {
        {"load.jpg", datagen::EncodeJpeg(loading)},
        {"load2.png", datagen::EncodePng(bar)},
        {"sprites.png", datagen::EncodePng(sprites)},
        {"320200.jpg", datagen::EncodeJpeg(backdrops)},
        {"niveis.png", datagen::EncodePng(stages)},
    };
    for (datagen::SoundFile& s : datagen::BuildSounds()) entries.push_back({s.name, std::move(s.wav)});

    if (!tools::WriteKpk(out, entries)) {
      std::fprintf(stderr, "datagen: cannot write %s\n", out.c_str());
      return 1;
    }

    if (!review.empty()) {
      bool ok = WritePng(review + "/load.png", loading) && WritePng(review + "/load2.png", bar) &&
                WritePng(review + "/sprites.png", sprites) &&
                WritePng(review + "/sprites_contact.png", datagen::SpriteContactSheet(sprites)) &&
                WritePng(review + "/320200.png", backdrops) &&
                WritePng(review + "/niveis.png", stages);
      for (const datagen::Level& l : datagen::Levels()) {
        if (!ok) break;
        std::string stem = review + "/stage" + std::to_string(l.number);
        Image picture = Crop(stages, l.sceneX, l.sceneY, l.width, l.height);
        const BackdropAt& b = kBackdrops[l.number - 1];
        Image backdrop = Crop(backdrops, b.x, b.y, 320, 200);
        ok = WritePng(stem + "_picture.png", picture) &&
             WritePng(stem + "_mask.png", Crop(stages, l.maskX, l.maskY, l.width, l.height)) &&
             WritePng(stem + "_view.png", StageView(picture, backdrop));
      }
      if (!ok) return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "datagen: %s\n", e.what());
    return 1;
  }
  return 0;
}
