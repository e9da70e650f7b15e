// The eight stages: sheet layout, mask colours, and that every stage can be
// played under the game's rules: enemies stand on ground along their whole
// patrols, every coin can be taken and the exit can be reached.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "tools/datagen/datagen.h"
#include "tools/datagen/stages.h"

namespace datagen {
namespace {

const Image& Sheet() {
  static const Image sheet = BuildStageSheet();
  return sheet;
}

std::string Name(const Level& l) { return "stage " + std::to_string(l.number); }

// ---- Layout -----------------------------------------------------------------

TEST(StageSheet, EveryStageLiesWhereTheGameCutsIt) {
  struct Cut {
    int w, h, sceneX, sceneY, maskX, maskY;
  };
  const Cut cuts[8] = {{1000, 200, 1, 2225, 1, 1},     {1000, 200, 1, 2428, 1, 204}, {1000, 200, 1, 2631, 1, 407},
                       {1000, 200, 1, 2834, 1, 610},   {1000, 200, 1, 3037, 1, 813}, {1000, 200, 1, 3240, 1, 1016},
                       {320, 800, 324, 1219, 1, 1219}, {1000, 200, 1, 3443, 1, 2022}};
  ASSERT_EQ(Levels().size(), 8u);
  ASSERT_EQ(Sheet().width, kStageSheetWidth);
  ASSERT_EQ(Sheet().height, kStageSheetHeight);
  for (const Level& l : Levels()) {
    SCOPED_TRACE(Name(l));
    const Cut& c = cuts[l.number - 1];
    Image mask = BuildStageMask(l), picture = BuildStagePicture(l);
    ASSERT_EQ(mask.width, c.w);
    ASSERT_EQ(mask.height, c.h);
    ASSERT_EQ(picture.width, c.w);
    ASSERT_EQ(picture.height, c.h);
    int wrong = 0;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        wrong += Sheet().Get(c.maskX + x, c.maskY + y) != mask.Get(x, y);
        wrong += Sheet().Get(c.sceneX + x, c.sceneY + y) != picture.Get(x, y);
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(StageSheet, MasksHoldOnlyTheMaskColours) {
  const std::set<std::vector<int>> allowed = {{248, 168, 72}, {252, 216, 112}, {124, 0, 0}, {44, 68, 132}, {0, 0, 0}};
  for (const Level& l : Levels()) {
    SCOPED_TRACE(Name(l));
    std::set<std::vector<int>> seen;
    for (int y = 0; y < l.height; ++y)
      for (int x = 0; x < l.width; ++x) {
        Rgb c = Sheet().Get(l.maskX + x, l.maskY + y);
        seen.insert({c.r, c.g, c.b});
      }
    for (const auto& c : seen) EXPECT_TRUE(allowed.count(c)) << c[0] << "," << c[1] << "," << c[2];
    EXPECT_TRUE(seen.count({248, 168, 72}));
  }
  // The empty colour is none of the four that mean something.
  for (Rgb c : {kMaskGround, kMaskPushRight, kMaskPushLeft, kMaskStop}) EXPECT_NE(c, kMaskEmpty);
}

uint32_t Pack16(Rgb c) { return (c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3; }
uint32_t Pack15(Rgb c) { return (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3; }

TEST(StagePictures, GroundIsDrawnAndOpenSpaceShowsTheBackground) {
  for (const Level& l : Levels()) {
    SCOPED_TRACE(Name(l));
    CellGrid cells = BuildStageCells(l);
    Image picture = BuildStagePicture(l);
    int holes = 0, nearKey = 0, key = 0;
    for (int y = 0; y < l.height; ++y)
      for (int x = 0; x < l.width; ++x) {
        Rgb c = picture.Get(x, y);
        if (c == kKey) {
          ++key;
          holes += cells.Solid(x, y);
        } else {
          nearKey += Pack16(c) == Pack16(kKey) || Pack15(c) == Pack15(kKey);
        }
      }
    EXPECT_EQ(holes, 0) << "ground the far background would show through";
    EXPECT_EQ(nearKey, 0) << "scenery that turns transparent at 15 or 16 bits";
    EXPECT_GT(key, l.width * l.height / 3) << "too little open space";
  }
}

// ---- The game's rules, as far as the stages need them ------------------------

bool IsGround(const CellGrid& g, int x, int y) { return g.At(x, y) == Cell::Ground; }

// The enemies' ground settling. Returns false when it finds no ground: past
// `lowest` for the undead, or after running off the mask for the others.
bool Settle(const CellGrid& g, int x, int& y, int h, int lowest = -1) {
  for (int guard = 0; guard < 4 * g.height; ++guard) {
    bool a = IsGround(g, x, y + h), b = IsGround(g, x, y + h - 1);
    y += a ? -1 : 1;
    if (lowest >= 0 && y > lowest) return false;
    if (a && !b) return true;
  }
  return false;
}

// One patrol step of a walker or thrower, both turns tested in one frame.
void PatrolStep(Patrol& p, int& dir) {
  if (dir == 0) {
    if (p.x < p.max) ++p.x;
    if (p.x >= p.max) dir = 1;
  }
  if (dir == 1) {
    if (p.x > p.min) --p.x;
    if (p.x <= p.min) dir = 0;
  }
}

// Walks a patrol through two full rounds; the figure must find ground under
// its test point every frame and never drop more than a step.
void CheckPatrol(const CellGrid& g, Patrol p, int dx, int h, bool rises, const std::string& who) {
  SCOPED_TRACE(who);
  int dir = 0;
  int y = p.y;
  ASSERT_TRUE(Settle(g, p.x + dx, y, h)) << "no ground below the start";
  ASSERT_LT(y + h, g.height);
  for (int frame = 0; frame < 4 * (p.max - p.min) + 8; ++frame) {
    PatrolStep(p, dir);
    int before = y;
    if (rises) --y;
    ASSERT_TRUE(Settle(g, p.x + dx, y, h)) << "no ground at x " << p.x;
    EXPECT_LE(std::abs(y - before), 6) << "drops or climbs a wall at x " << p.x;
    EXPECT_GE(p.x, p.min);
    EXPECT_LE(p.x, p.max);
  }
}

TEST(StageRules, WalkersAndThrowersHaveGroundAlongTheirPatrols) {
  for (const Level& l : Levels()) {
    CellGrid g = BuildStageCells(l);
    for (size_t i = 0; i < l.walkers.size(); ++i)
      CheckPatrol(g, l.walkers[i], 11, 38, true, Name(l) + " walker " + std::to_string(i + 1));
    for (size_t i = 0; i < l.throwers.size(); ++i)
      CheckPatrol(g, l.throwers[i], 0, 44, false, Name(l) + " thrower " + std::to_string(i + 1));
  }
}

TEST(StageRules, ShaftThrowersStandOnTheLedgesTheirStartsImply) {
  const Level& l = Levels()[6];
  CellGrid g = BuildStageCells(l);
  for (const Patrol& t : l.throwers) {
    int y = t.y;
    ASSERT_TRUE(Settle(g, t.x, y, 44));
    EXPECT_EQ(y, t.y) << "thrower at x " << t.x << " starts off its ledge";
  }
}

TEST(StageRules, UndeadLandOnGroundAndTheArenaHasGroundEverywhere) {
  for (const Level& l : Levels()) {
    CellGrid g = BuildStageCells(l);
    for (const Point& u : l.undead) {
      int y = u.y;
      EXPECT_TRUE(Settle(g, u.x + 11, y, 33, 220)) << Name(l) << " undead at x " << u.x;
    }
  }
  // In the arena the undead follow the player anywhere the player can stand.
  const Level& arena = Levels()[7];
  CellGrid g = BuildStageCells(arena);
  int y = 20;
  for (int x = 2; x <= 990; ++x) {
    if (g.At(x + 15, 164) == Cell::PushLeft || g.Solid(x + 15, 120)) break;  // the far wall
    int before = y;
    ASSERT_TRUE(Settle(g, x + 11, y, 33, 220)) << "no floor at x " << x;
    if (x > 2) {
      EXPECT_LE(std::abs(y - before), 4) << "x " << x;
    }
  }
}

TEST(StageRules, FallLimitsLieBelowEveryStandingPlace) {
  for (const Level& l : Levels()) {
    SCOPED_TRACE(Name(l));
    EXPECT_GE(l.fallLimit, l.height) << "a player inside the stage would lose a life";
    CellGrid g = BuildStageCells(l);
    for (int x = 0; x < l.width; ++x)
      for (int y = 0; y < l.height; ++y)
        if (IsGround(g, x, y) && !IsGround(g, x, y - 1)) {
          ASSERT_LT(y - 34, l.fallLimit);
        }
    if (l.hasExit) {
      EXPECT_GE(l.exitX + 15, l.width) << "the exit lies inside the stage";
    }
  }
}

// ---- The player --------------------------------------------------------------

// The player's movement, step by step as the game runs it each frame.
struct Player {
  int x = 10, y = 100, jumpTime = 40, baseY = 100;
  bool onGround = false;
};

Player StepPlayer(const CellGrid& g, Player p, bool left, bool right, bool jump) {
  const int fx = 15, fy = 34;
  if (p.x < 2) p.x = 2;
  if (!IsGround(g, p.x + fx, p.y + fy)) {
    p.onGround = false;
  } else if (p.jumpTime > 0) {
    p.jumpTime = 40;
    p.onGround = true;
    p.baseY = p.y;
  }
  int rise = 40 - (p.jumpTime * p.jumpTime) / 40;
  p.y = p.baseY;
  if (!p.onGround) p.jumpTime += 2;
  p.y -= rise;
  if (right) p.x += 2;
  if (left) p.x -= 2;
  if (jump && p.onGround) {
    p.jumpTime = -40;
    p.onGround = false;
  }
  if (p.jumpTime > 0)
    while (IsGround(g, p.x + fx, p.y + fy) && IsGround(g, p.x + fx, p.y + fy - 1)) --p.y;
  while (g.At(p.x + fx, p.y + fy) == Cell::PushRight) ++p.x;
  while (g.At(p.x + fx, p.y + fy) == Cell::PushLeft) --p.x;
  return p;
}

// Every place the player can reach from the start, by a search over all key
// combinations frame by frame. A state is the position, the jump clock, the
// jump's base row and whether the player stands; the row follows from them.
// A player whose foot is on ground with the clock past the apex lands next
// frame whatever the clock says, so such states are folded into standing.
struct Reach {
  bool exitReached = false;
  std::vector<bool> coins;
  long states = 0;
};

bool CoinTaken(const Point& c, const Player& p) {
  const int offsets[4][2] = {{0, 0}, {0, 4}, {12, 4}, {0, 3}};
  for (const auto& o : offsets)
    if (std::abs(c.x + o[0] + 12 - (p.x + 11)) < 24 && std::abs(c.y + o[1] + 12 - (p.y + 16)) < 28) return true;
  return false;
}

Reach Explore(const Level& l) {
  const CellGrid g = BuildStageCells(l);
  Reach r;
  r.coins.assign(l.coins.size(), false);
  const int yOffset = 128, yRange = 1024, tRange = 128;
  std::vector<uint64_t> seen(size_t(1024) * yRange * tRange * 2 / 64 + 1);
  auto visit = [&](const Player& p) {
    int ti = (p.jumpTime + 40) / 2;
    if (p.x < 0 || p.x >= 1024 || p.baseY + yOffset < 0 || p.baseY + yOffset >= yRange || ti >= tRange) return false;
    size_t i = ((size_t(p.x) * yRange + size_t(p.baseY + yOffset)) * tRange + size_t(ti)) * 2 + p.onGround;
    if (seen[i / 64] >> (i % 64) & 1) return false;
    seen[i / 64] |= uint64_t(1) << (i % 64);
    return true;
  };
  std::deque<Player> queue;
  Player start;
  start.x = l.startX, start.y = start.baseY = l.startY;
  visit(start);
  queue.push_back(start);
  while (!queue.empty()) {
    Player p = queue.front();
    queue.pop_front();
    ++r.states;
    for (int keys = 0; keys < 6; ++keys) {
      bool left = keys % 3 == 1, right = keys % 3 == 2, jump = keys >= 3;
      if (jump && !p.onGround) continue;
      Player n = StepPlayer(g, p, left, right, jump);
      if (n.y > l.fallLimit) continue;  // a life lost
      for (size_t c = 0; c < l.coins.size(); ++c)
        if (!r.coins[c] && CoinTaken(l.coins[c], n)) r.coins[c] = true;
      if (l.hasExit && n.x > l.exitX) {
        r.exitReached = true;
        continue;
      }
      if (!l.hasExit && n.x > 990) n.x = 990;
      if (n.jumpTime > 0 && IsGround(g, n.x + 15, n.y + 34)) {
        n.baseY = n.y;
        n.jumpTime = 40;
        n.onGround = true;
      }
      if (visit(n)) queue.push_back(n);
    }
  }
  return r;
}

TEST(StagePlay, PlayerLandsAtTheStart) {
  for (const Level& l : Levels()) {
    CellGrid g = BuildStageCells(l);
    Player p;
    p.x = l.startX, p.y = p.baseY = l.startY;
    for (int frame = 0; frame < 60 && !p.onGround; ++frame) p = StepPlayer(g, p, false, false, false);
    EXPECT_TRUE(p.onGround) << Name(l);
  }
}

TEST(StagePlay, EveryCoinAndTheExitCanBeReached) {
  for (const Level& l : Levels()) {
    SCOPED_TRACE(Name(l));
    Reach r = Explore(l);
    EXPECT_GT(r.states, 1000);
    if (l.hasExit) {
      EXPECT_TRUE(r.exitReached);
    }
    for (size_t c = 0; c < l.coins.size(); ++c)
      EXPECT_TRUE(r.coins[c]) << "coin " << c + 1 << " at (" << l.coins[c].x << ", " << l.coins[c].y << ")";
  }
}

// Walls and pits do what they look like: a wall taller than a jump cannot be
// climbed by walking, and a pit is left only by falling out of the stage.
TEST(StagePlay, WallsStopAWalkingPlayer) {
  const Level& arena = Levels()[7];
  CellGrid g = BuildStageCells(arena);
  Player p;
  p.x = 900, p.y = p.baseY = 100;
  for (int frame = 0; frame < 200; ++frame) p = StepPlayer(g, p, false, true, frame % 45 == 30);
  EXPECT_LT(p.x + 15, 960) << "walked or jumped into the arena's far wall";
  EXPECT_LT(p.y, 165);
}

TEST(StagePlay, APitIsDeadly) {
  // Stage 1's second pit: walk into it and try to climb out the far side.
  const Level& l = Levels()[0];
  CellGrid g = BuildStageCells(l);
  Player p;
  p.x = 660, p.y = p.baseY = 116;
  bool lost = false;
  for (int frame = 0; frame < 200 && !lost; ++frame) {
    p = StepPlayer(g, p, false, true, false);
    lost = p.y > l.fallLimit;
  }
  EXPECT_TRUE(lost);
}

}  // namespace
}  // namespace datagen
