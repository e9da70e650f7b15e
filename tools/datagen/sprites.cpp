// "sprites.png": every figure the game cuts from its sprite sheet, drawn by
// the routines of the sprites_*.cpp files at the places of kSpriteRects.
#include "sprites.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "sprites_paint.h"

namespace datagen {

const SpriteRect& FindSpriteRect(std::string_view name) {
  for (const SpriteRect& r : kSpriteRects)
    if (r.name == name) return r;
  std::fprintf(stderr, "no sprite rectangle named %.*s\n", int(name.size()), name.data());
  std::abort();
}

Image BuildSpriteSheet() {
  Image sheet(kSpriteSheetWidth, kSpriteSheetHeight, kKey);
  sprites::DrawMenu(sheet);
  sprites::DrawHero(sheet);
  sprites::DrawWalkers(sheet);
  sprites::DrawBats(sheet);
  sprites::DrawThrowers(sheet);
  sprites::DrawUndead(sheet);
  sprites::DrawSorcerer(sheet);
  sprites::DrawEffects(sheet);
  sprites::DrawPickUps(sheet);
  sprites::DrawStatus(sheet);
  return sheet;
}

namespace {

constexpr int kZoom = 4;
constexpr int kGap = 12;
constexpr int kLabel = 20;  // room above each figure for its name
constexpr int kContactWidth = 2048;
constexpr Rgb kBackground{92, 96, 104};
constexpr Rgb kFrame{70, 74, 82};
constexpr Rgb kLabelInk{220, 220, 200};

void Label(Image& img, int x, int y, std::string_view text) {
  for (char ch : text) {
    if (const char* const* g = sprites::Glyph(ch))
      for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 5; ++c)
          if (g[r][c] == '#') img.FillRect(x + c * 2, y + r * 2, x + c * 2 + 1, y + r * 2 + 1, kLabelInk);
    x += 12;
  }
}

}  // namespace

Image SpriteContactSheet(const Image& sheet) {
  // Shelf packing, one shelf after another; a new group starts a new shelf.
  struct Place {
    const SpriteRect* r;
    int x, y;
  };
  std::vector<Place> places;
  int x = kGap, y = kGap, shelf = 0;
  const SpriteRect* prev = nullptr;
  for (const SpriteRect& r : kSpriteRects) {
    const int w = std::max(r.Width() * kZoom, int(r.name.size()) * 12), h = r.Height() * kZoom + kLabel;
    if ((prev && prev->group != r.group) || x + w + kGap > kContactWidth) {
      x = kGap;
      y += shelf + kGap;
      shelf = 0;
    }
    places.push_back({&r, x, y});
    x += w + kGap;
    shelf = std::max(shelf, h);
    prev = &r;
  }
  Image out(kContactWidth, y + shelf + kGap, kBackground);
  for (const Place& p : places) {
    const SpriteRect& r = *p.r;
    Label(out, p.x, p.y, r.name);
    const int top = p.y + kLabel;
    out.FillRect(p.x - 1, top - 1, p.x + r.Width() * kZoom, top + r.Height() * kZoom, kFrame);
    out.FillRect(p.x, top, p.x + r.Width() * kZoom - 1, top + r.Height() * kZoom - 1, kBackground);
    for (int sy = r.y1; sy <= r.y2; ++sy)
      for (int sx = r.x1; sx <= r.x2; ++sx) {
        if (!sheet.Inside(sx, sy)) continue;
        const Rgb c = sheet.Get(sx, sy);
        if (c == kKey) continue;
        const int dx = p.x + (sx - r.x1) * kZoom, dy = top + (sy - r.y1) * kZoom;
        out.FillRect(dx, dy, dx + kZoom - 1, dy + kZoom - 1, c);
      }
  }
  return out;
}

}  // namespace datagen
