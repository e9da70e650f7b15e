// The eight stage descriptions, their collision cells and masks, and the
// stage sheet "niveis.png" that holds every mask and picture.
#include "tools/datagen/stages.h"

#include <algorithm>
#include <climits>

namespace datagen {
namespace {

// The stage's size, sheet places, start and exit, and its cast, as the game
// sets them up.
Level FromTable(int number, Theme theme) {
  const morlo3::StageFacts& f = morlo3::kStages[size_t(number - 1)];
  Level l;
  l.number = number, l.theme = theme;
  l.width = f.Width, l.height = f.Height;
  l.sceneX = f.SceneX, l.sceneY = f.SceneY, l.maskX = f.MaskX, l.maskY = f.MaskY;
  l.startX = f.StartX, l.startY = f.StartY, l.exitX = f.ExitX, l.hasExit = f.HasExit;
  l.fallLimit = f.FallLimit;
  for (int i = 0; i < f.WalkerCount; ++i) {
    const morlo3::StagePatrol& w = f.Walkers[size_t(i)];
    l.walkers.push_back({w.X, w.Y, w.PatrolMin, w.PatrolMax});
  }
  for (int i = 0; i < f.BatCount; ++i) l.batsX.push_back(f.BatX[size_t(i)]);
  for (int i = 0; i < f.ThrowerCount; ++i) {
    const morlo3::StagePatrol& t = f.Throwers[size_t(i)];
    l.throwers.push_back({t.X, t.Y, t.PatrolMin, t.PatrolMax});
  }
  for (int i = 0; i < f.UndeadCount; ++i) l.undead.push_back({f.UndeadX[size_t(i)], f.kUndeadY});
  for (int i = 0; i < f.HazardCount; ++i) l.hazards.push_back({0, f.HazardY[size_t(i)]});
  for (int i = 0; i < f.CoinCount; ++i) l.coins.push_back({f.Coins[size_t(i)].X, f.Coins[size_t(i)].Y});
  return l;
}

// A ground piece, flat or sloping, solid down to the stage's bottom.
Solid Ground(int x1, int x2, int top, int topRight = INT_MIN) {
  return Solid{x1, x2, top, topRight == INT_MIN ? top : topRight, 0};
}

// A floating ledge, log or slab.
Solid Ledge(int x1, int x2, int top, int thickness) { return Solid{x1, x2, top, top, thickness}; }

// Crypt stairs: steps of 4 rows and 8 columns, low enough to be walked up.
void Stairs(std::vector<Solid>& solids, int x1, int fromTop, int toTop) {
  int step = toTop < fromTop ? -4 : 4;
  int x = x1;
  for (int top = fromTop + step; step < 0 ? top >= toTop : top <= toTop; top += step, x += 8)
    solids.push_back(Ground(x, x + 7, top));
}

// Each stage's ground runs left to right, a stretch of the stage a line.
// clang-format off
Level Stage1() {
  Level l = FromTable(1, Theme::Fields);
  l.solids = {
      Ground(0, 118, 150),   Ground(119, 170, 150, 140), Ground(171, 230, 140),
      Ground(231, 290, 140, 150), Ground(291, 329, 150),
      Ground(330, 440, 126),  // the rat's hillock, a jump up
      // pit 441..476
      Ground(477, 689, 150), Ledge(548, 608, 118, 8),
      // pit 690..737
      Ground(738, 999, 150),
  };
  l.props = {{PropKind::Bush, 52},   {PropKind::Fence, 176}, {PropKind::Rock, 300},
             {PropKind::Bush, 404},  {PropKind::Fence, 500}, {PropKind::Rock, 652},
             {PropKind::Bush, 795},  {PropKind::Fence, 880}, {PropKind::Sign, 968}};
  return l;
}

Level Stage2() {
  Level l = FromTable(2, Theme::Wheat);
  l.solids = {
      Ground(0, 165, 100),  // the start is up on a hill
      Ground(166, 225, 100, 150), Ground(226, 300, 150),
      // pit 301..333
      Ground(334, 430, 140), Ground(431, 600, 150), Ledge(470, 530, 116, 8),
      // pit 601..636
      Ground(637, 820, 150), Ground(821, 850, 132), Ground(851, 999, 150),
  };
  l.props = {{PropKind::Haystack, 120}, {PropKind::Wheat, 60},  {PropKind::Wheat, 250},
             {PropKind::Fence, 360},    {PropKind::Wheat, 455}, {PropKind::Haystack, 560},
             {PropKind::Rock, 590},     {PropKind::Fence, 690}, {PropKind::Wheat, 760},
             {PropKind::Stump, 836},    {PropKind::Wheat, 905}, {PropKind::Sign, 968}};
  return l;
}

Level Stage3() {
  Level l = FromTable(3, Theme::Forest);
  l.solids = {
      Ground(0, 299, 150), Ledge(170, 280, 118, 9),
      // pit 300..340
      Ground(341, 600, 150), Ledge(360, 410, 118, 9),
      // pit 601..640
      Ground(641, 780, 150), Ledge(700, 770, 116, 9),
      // pit 781..805
      Ground(806, 869, 150), Ground(870, 900, 150, 142), Ground(901, 930, 142),
      Ground(931, 960, 142, 150), Ground(961, 999, 150),
  };
  l.props = {{PropKind::Tree, 128},     {PropKind::Tree, 500},   {PropKind::Tree, 690},
             {PropKind::Tree, 940},
             {PropKind::Fern, 40},      {PropKind::Stump, 110},  {PropKind::Mushrooms, 150},
             {PropKind::Fern, 290},     {PropKind::Mushrooms, 440}, {PropKind::Stump, 520},
             {PropKind::Fern, 585},     {PropKind::Mushrooms, 660}, {PropKind::Fern, 840},
             {PropKind::Mushrooms, 915}, {PropKind::Sign, 968}};
  return l;
}

Level Stage4() {
  Level l = FromTable(4, Theme::DarkForest);
  l.solids = {
      Ground(0, 120, 150), Ground(121, 160, 150, 138), Ground(161, 200, 138),
      Ground(201, 240, 138, 150), Ground(241, 272, 150),
      // pit 273..312
      Ground(313, 420, 140), Ledge(330, 390, 106, 9), Ground(421, 615, 150),
      // pit 616..655
      Ground(656, 870, 150), Ground(871, 930, 126), Ground(931, 999, 150),
  };
  l.props = {{PropKind::Tree, 80},   {PropKind::Tree, 450},      {PropKind::Tree, 760},
             {PropKind::Stump, 30},  {PropKind::Mushrooms, 95}, {PropKind::Fern, 250},
             {PropKind::Roots, 345}, {PropKind::Fern, 470},     {PropKind::Stump, 560},
             {PropKind::Mushrooms, 680}, {PropKind::Fern, 800}, {PropKind::Mushrooms, 900},
             {PropKind::Sign, 968}};
  return l;
}

Level Stage5() {
  Level l = FromTable(5, Theme::Crypt);
  l.solids = {
      Ground(0, 300, 150),
      // pit 301..340
      Ground(341, 419, 150),
  };
  Stairs(l.solids, 420, 150, 130);  // 420..459
  l.solids.push_back(Ground(460, 540, 130));
  Stairs(l.solids, 541, 130, 150);  // 541..580
  l.solids.push_back(Ground(573, 585, 150));
  // pit 586..612
  l.solids.push_back(Ground(613, 849, 150));
  l.solids.push_back(Ledge(770, 840, 120, 9));
  // pit 850..878
  l.solids.push_back(Ground(879, 999, 150));
  l.props = {{PropKind::Tombstone, 40}, {PropKind::Torch, 95},      {PropKind::Cross, 230},
             {PropKind::Skulls, 280},   {PropKind::Candles, 360},   {PropKind::Torch, 468},
             {PropKind::Tombstone, 520}, {PropKind::Skulls, 640},   {PropKind::Torch, 750},
             {PropKind::Cross, 905},    {PropKind::Candles, 945},   {PropKind::Gate, 988},
             {PropKind::Chain, 150},    {PropKind::Chain, 420},     {PropKind::Chain, 700},
             {PropKind::Chain, 930}};
  return l;
}

Level Stage6() {
  Level l = FromTable(6, Theme::Cavern);
  l.solids = {
      Ground(0, 292, 150),
      // pit 293..322
      Ground(323, 430, 128), Ground(431, 539, 150),
      Ground(540, 590, 128),  // a step up to the high ledge
      Ground(591, 760, 150), Ledge(596, 700, 104, 12),
      // pit 761..800
      Ground(801, 880, 150),
      // pit 881..910
      Ground(911, 999, 150),
  };
  l.props = {{PropKind::Stalagmite, 30}, {PropKind::Crystals, 110}, {PropKind::Stalagmite, 240},
             {PropKind::Crystals, 410},  {PropKind::Stalagmite, 470}, {PropKind::Torch, 520},
             {PropKind::Crystals, 730},  {PropKind::Stalagmite, 860}, {PropKind::Crystals, 930},
             {PropKind::Gate, 988}};
  return l;
}

// The shaft is climbed up ledges 29 to 32 rows apart, set left and right in
// turn so no ledge hangs in front of the player standing on the one below.
Level Stage7() {
  Level l = FromTable(7, Theme::Shaft);
  l.solids = {Ground(0, 319, 783)};
  const int kLedges[][3] = {
      {751, 100, 180}, {719, 196, 280}, {687, 116, 180}, {655, 30, 100},  {623, 120, 190},
      {591, 206, 290}, {559, 126, 190}, {527, 40, 110},  {495, 130, 200}, {463, 216, 290},
      {431, 16, 200},  // the first thrower's ledge
      {402, 204, 250}, {373, 256, 312}, {344, 150, 240}, {315, 256, 312},
      {285, 104, 244},  // the third thrower's ledge
      {254, 20, 92},   {223, 108, 180}, {192, 196, 270}, {162, 100, 180},
      {131, 20, 84},   {131, 196, 319},  // the last coin, and the way out
  };
  for (const auto& e : kLedges) l.solids.push_back(Ledge(e[1], e[2], e[0], 12));
  l.props = {{PropKind::Torch, 40, 783},  {PropKind::Skulls, 250, 783}, {PropKind::Crystals, 60, 655},
             {PropKind::Torch, 170, 559}, {PropKind::Stalagmite, 60, 527},
             {PropKind::Crystals, 30, 431}, {PropKind::Torch, 286, 373},
             {PropKind::Skulls, 220, 285}, {PropKind::Crystals, 40, 254},
             {PropKind::Torch, 230, 192}, {PropKind::Sign, 300, 131}};
  return l;
}

Level Stage8() {
  Level l = FromTable(8, Theme::Arena);
  l.solids = {
      Ground(0, 959, 165),
      // The far wall keeps the player off the arena's last columns, where
      // the foot point would leave the mask.
      Ground(960, 999, 0),
      Ledge(110, 190, 130, 10), Ledge(340, 440, 124, 10), Ledge(580, 680, 130, 10),
      Ledge(840, 920, 128, 10),
  };
  l.props = {{PropKind::Brazier, 80}, {PropKind::Brazier, 290},
             {PropKind::Brazier, 530}, {PropKind::Brazier, 770}, {PropKind::Skulls, 660},
             {PropKind::Brazier, 940}};
  return l;
}
// clang-format on

Rgb CellColour(Cell c) {
  switch (c) {
    case Cell::Ground: return kMaskGround;
    case Cell::PushLeft: return kMaskPushLeft;
    case Cell::PushRight: return kMaskPushRight;
    case Cell::Stop: return kMaskStop;
    case Cell::Empty: break;
  }
  return kMaskEmpty;
}

void Blit(Image& dst, const Image& src, int atX, int atY) {
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) dst.Set(atX + x, atY + y, src.Get(x, y));
}

}  // namespace

const std::vector<Level>& Levels() {
  static const std::vector<Level> levels = {Stage1(), Stage2(), Stage3(), Stage4(),
                                            Stage5(), Stage6(), Stage7(), Stage8()};
  return levels;
}

CellGrid BuildStageCells(const Level& level) {
  const int w = level.width, h = level.height;
  CellGrid grid{w, h, std::vector<Cell>(size_t(w) * h, Cell::Empty)};
  auto set = [&](int x, int y, Cell c) {
    if (x >= 0 && y >= 0 && x < w && y < h) grid.cells[size_t(y) * w + x] = c;
  };

  // The top of the ground pieces per column; INT_MAX over a pit.
  std::vector<int> top(size_t(w), INT_MAX);
  for (const Solid& s : level.solids) {
    if (s.Floating()) continue;
    for (int x = std::max(0, s.x1); x <= std::min(w - 1, s.x2); ++x)
      top[size_t(x)] = std::min(top[size_t(x)], std::max(0, s.TopAt(x)));
  }
  for (int x = 0; x < w; ++x)
    for (int y = top[size_t(x)]; y < h; ++y) set(x, y, Cell::Ground);
  for (const Solid& s : level.solids) {
    if (!s.Floating()) continue;
    for (int x = std::max(0, s.x1); x <= std::min(w - 1, s.x2); ++x)
      for (int y = s.TopAt(x); y < s.TopAt(x) + s.thickness; ++y) set(x, y, Cell::Ground);
  }

  // Wall faces. `dir` is the side the open space lies on; the face runs
  // inwards from the edge column.
  for (int x = 0; x < w; ++x) {
    if (top[size_t(x)] == INT_MAX) continue;
    for (int dir : {-1, 1}) {
      int n = x + dir;
      if (n < 0 || n >= w) continue;  // no faces at the stage's own edges
      int nTop = top[size_t(n)];
      if (nTop != INT_MAX && nTop - top[size_t(x)] < kWallMinRise) continue;
      int last = nTop == INT_MAX ? h - 1 : std::min(h - 1, nTop + kFaceSkirt);
      Cell face = dir < 0 ? Cell::PushLeft : Cell::PushRight;
      for (int i = 0; i < kFaceWidth; ++i) {
        int fx = x - dir * i;
        if (fx < 0 || fx >= w || top[size_t(fx)] == INT_MAX) break;
        int first = std::max(top[size_t(x)], top[size_t(fx)]) + kFaceLip;
        for (int y = first; y <= last; ++y)
          if (grid.At(fx, y) == Cell::Ground) set(fx, y, face);
      }
    }
  }

  // The bottom of every pit.
  for (int x = 0; x < w; ++x) {
    if (top[size_t(x)] != INT_MAX) continue;
    for (int y = h - kStopRows; y < h; ++y)
      if (grid.At(x, y) == Cell::Empty) set(x, y, Cell::Stop);
  }
  return grid;
}

Image BuildStageMask(const Level& level) {
  CellGrid cells = BuildStageCells(level);
  Image mask(level.width, level.height, kMaskEmpty);
  for (int y = 0; y < level.height; ++y)
    for (int x = 0; x < level.width; ++x) mask.Set(x, y, CellColour(cells.At(x, y)));
  return mask;
}

int GroundBelow(const CellGrid& cells, int x, int from) {
  for (int y = std::max(0, from); y < cells.height; ++y)
    if (cells.At(x, y) == Cell::Ground && cells.At(x, y - 1) != Cell::Ground) return y;
  return -1;
}

Image BuildStageSheet() {
  Image sheet(kStageSheetWidth, kStageSheetHeight, kKey);
  for (const Level& level : Levels()) {
    Blit(sheet, BuildStageMask(level), level.maskX, level.maskY);
    Blit(sheet, BuildStagePicture(level), level.sceneX, level.sceneY);
  }
  return sheet;
}

}  // namespace datagen
