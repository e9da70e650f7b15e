// The eight stages: one description per stage, from which both the stage
// picture and its collision mask are drawn, so the two cannot disagree.
//
// The descriptions also carry the stage's start values (player start, enemy
// starts and patrols, coins, exit, fall limit) exactly as the game sets them,
// so checks and a playthrough bot can reason about a stage without the game.
#pragma once
#include <string>
#include <vector>

#include "morlo3/stage_table.h"
#include "tools/datagen/datagen.h"

namespace datagen {

// Collision mask colours. Anything else in a mask is empty space; the
// generator uses kMaskEmpty for it.
inline constexpr Rgb kMaskGround{248, 168, 72};
inline constexpr Rgb kMaskPushRight{252, 216, 112};
inline constexpr Rgb kMaskPushLeft{124, 0, 0};
inline constexpr Rgb kMaskStop{44, 68, 132};
inline constexpr Rgb kMaskEmpty{0, 0, 0};

inline constexpr int kStageSheetWidth = 1005;
inline constexpr int kStageSheetHeight = 3644;

// A wall face is this many columns wide: the player walks 2 pixels a frame,
// so a narrower face could be stepped over into the ground behind it.
inline constexpr int kFaceWidth = 4;
// The top rows of a wall stay ground, so a jump that only just reaches the
// top still lands.
inline constexpr int kFaceLip = 3;
// A rise of fewer rows than this is a bump or a stair step, walked over.
inline constexpr int kWallMinRise = 6;
// Faces reach this far below the foot of the wall, so the foot point of a
// figure standing at the foot reads the face, not the wall's ground.
inline constexpr int kFaceSkirt = 3;
// Pits end in this many rows of kMaskStop at the stage's bottom edge.
inline constexpr int kStopRows = 4;

enum class Theme { Fields, Wheat, Forest, DarkForest, Crypt, Cavern, Shaft, Arena };

// A piece of solid ground. A ground piece (thickness 0) is solid from its top
// down to the stage's bottom and gets wall faces where it rises above its
// neighbour; a floating piece (a ledge, a log, a slab) is `thickness` rows
// deep and has no faces, so it is jumped up through and landed on.
struct Solid {
  int x1 = 0, x2 = 0;  // columns, both included
  int top = 0;         // top row at x1
  int topRight = 0;    // top row at x2; the top slopes evenly between
  int thickness = 0;   // 0: down to the bottom
  bool Floating() const { return thickness > 0; }
  int TopAt(int x) const {
    if (x2 == x1) return top;
    return top + ((topRight - top) * (x - x1) + (x2 - x1) / 2) / (x2 - x1);
  }
};

// An enemy that walks a patrol: start X, Y and its PatrolMin..PatrolMax.
struct Patrol {
  int x = 0, y = 0, min = 0, max = 0;
};

struct Point {
  int x = 0, y = 0;
};

// Picture-only scenery standing on the ground (or hanging, for the few that
// hang). y is the row the prop stands on; 0 puts it on the top-most ground
// of its column.
enum class PropKind {
  Bush,
  Fence,
  Rock,
  Sign,
  Mushrooms,
  Fern,
  Stump,
  Tombstone,
  Cross,
  Skulls,
  Torch,
  Candles,
  Stalagmite,
  Crystals,
  Brazier,
  Chain,
  Roots,
  Tree,
  Haystack,
  Wheat,
  Gate
};
struct Prop {
  PropKind kind;
  int x = 0;
  int y = 0;
};

struct Level {
  int number = 0;
  Theme theme = Theme::Fields;
  int width = 1000, height = 200;
  // Where the picture and the mask lie in niveis.png (top-left corners).
  int sceneX = 0, sceneY = 0, maskX = 0, maskY = 0;

  int startX = 10, startY = 100;  // PlayerX, PlayerY at start and respawn
  int exitX = 990;                // the stage ends when PlayerX > exitX
  bool hasExit = true;            // stage 8 ends with the sorcerer instead
  int fallLimit = 250;            // PlayerY beyond this costs a life

  std::vector<Solid> solids;
  std::vector<Patrol> walkers;   // test point (X + 11, Y + 38)
  std::vector<Patrol> throwers;  // test point (X, Y + 44)
  std::vector<Point> undead;     // test point (X + 11, Y + 33), lowest 220
  std::vector<int> batsX;        // bats start at Y 10 + random(30)
  std::vector<Point> coins;
  std::vector<Point> hazards;  // falling hazards: X is random, Y given
  std::vector<Prop> props;
};

// The eight stages, in order (index 0 is stage 1).
const std::vector<Level>& Levels();

// What each mask pixel means, before it becomes a colour.
enum class Cell : uint8_t { Empty, Ground, PushLeft, PushRight, Stop };

struct CellGrid {
  int width = 0, height = 0;
  std::vector<Cell> cells;
  Cell At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return Cell::Empty;
    return cells[size_t(y) * width + x];
  }
  bool Solid(int x, int y) const { return At(x, y) != Cell::Empty && At(x, y) != Cell::Stop; }
};

// The level's collision cells: ground from the solids, wall faces where a
// ground piece rises kWallMinRise rows or more above the column beside it
// (or above a pit), and stop rows at the bottom of pits.
CellGrid BuildStageCells(const Level& level);
// The collision mask of one stage, in the exact mask colours.
Image BuildStageMask(const Level& level);
// The stage picture: the same solids drawn as scenery, props on top, and the
// colour key wherever the far background is to show.
Image BuildStagePicture(const Level& level);

// The top row of the first ground at or below row `from` in column x, or -1.
int GroundBelow(const CellGrid& cells, int x, int from);

}  // namespace datagen
