#include "tools/autoplay/planner.h"

#include <algorithm>
#include <cstdlib>
#include <queue>

namespace autoplay {

PlayerMotion Advance(const GameState& g, PlayerMotion m, Move move, const StageBounds& bounds, bool fire,
                     morlo3::ShotLaunch* shot) {
  if (m.X < 2) m.X = 2;
  if (m.X > bounds.maxX) m.X = bounds.maxX;
  morlo3::PlayerKeys keys;
  keys.Fire = fire;
  keys.Left = move.left;
  keys.Right = move.right;
  keys.Jump = move.jump;
  const morlo3::ShotLaunch launch = morlo3::StepPlayer(m, keys, g);
  if (shot) *shot = launch;
  return m;
}

namespace {

// Only what decides the next frames: the pose, the walk step, the facing and
// the fire latch change nothing in how the player moves.
uint64_t KeyOf(const PlayerMotion& m) {
  auto field = [](int32_t v, int32_t offset, int bits) {
    return uint64_t(uint32_t(v + offset)) & ((1ull << bits) - 1);
  };
  return field(m.X, 1024, 12) | field(m.Y, 2048, 13) << 12 | field(m.JumpTime, 64, 11) << 25 |
         field(m.JumpBaseY, 2048, 13) << 36 | uint64_t(m.OnGround & 1) << 49 | uint64_t(m.JumpLatch & 1) << 50;
}

// A guess at the frames left: the player walks 2 columns a frame, and a
// climb of one ledge (some 30 rows) takes a jump of about 30 frames. The
// guess may be too high, so a route found is short, not always shortest.
int32_t Estimate(const Goal& goal, const PlayerMotion& m) {
  int32_t dx = 0;
  if (m.X < goal.minX) dx = goal.minX - m.X;
  if (m.X > goal.maxX) dx = m.X - goal.maxX;
  int32_t dy = goal.topY != INT32_MAX && m.Y > goal.topY ? m.Y - goal.topY : 0;
  return std::max((dx + 1) / 2, dy);
}

// The states already reached, by key: open addressing, grown at half full.
class SeenSet {
 public:
  SeenSet() : slots_(1 << 14, kEmpty) {}
  // True when the key was not there yet.
  bool Insert(uint64_t key) {
    if (2 * (count_ + 1) > slots_.size()) Grow();
    if (Place(slots_, key)) {
      ++count_;
      return true;
    }
    return false;
  }

 private:
  static constexpr uint64_t kEmpty = ~0ull;
  static bool Place(std::vector<uint64_t>& slots, uint64_t key) {
    const size_t mask = slots.size() - 1;
    for (size_t i = size_t((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;; i = (i + 1) & mask) {
      if (slots[i] == key) return false;
      if (slots[i] == kEmpty) {
        slots[i] = key;
        return true;
      }
    }
  }
  void Grow() {
    std::vector<uint64_t> bigger(slots_.size() * 2, kEmpty);
    for (uint64_t key : slots_)
      if (key != kEmpty) Place(bigger, key);
    slots_.swap(bigger);
  }
  std::vector<uint64_t> slots_;
  size_t count_ = 0;
};

struct Node {
  PlayerMotion motion;
  int32_t parent;
  Move move;
  int32_t frames;
};

// The moves worth trying in a frame: stand, walk either way, each with a
// take-off when one is possible.
std::vector<Move> MovesFrom(const PlayerMotion& m) {
  std::vector<Move> moves = {{}, {true, false, false}, {false, true, false}};
  if (m.OnGround == 1 && m.JumpLatch == 0)
    for (int i = 0; i < 3; ++i) moves.push_back({moves[size_t(i)].left, moves[size_t(i)].right, true});
  return moves;
}

}  // namespace

Route FindRoute(const GameState& g, const PlayerMotion& from, const StageBounds& bounds, const Goal& goal,
                size_t budget) {
  Route route;
  std::vector<Node> nodes;
  nodes.reserve(std::min<size_t>(budget, 1 << 16));
  struct Open {
    int32_t f, frames, index;
    bool operator<(const Open& o) const { return f != o.f ? f > o.f : frames < o.frames; }
  };
  std::priority_queue<Open> open;
  SeenSet seen;

  nodes.push_back({from, -1, {}, 0});
  seen.Insert(KeyOf(from));
  open.push({Estimate(goal, from), 0, 0});
  int32_t found = goal.reached(from) ? 0 : -1;
  int32_t closest = 0, closestEstimate = Estimate(goal, from);

  while (found < 0 && !open.empty() && nodes.size() < budget) {
    const Open top = open.top();
    open.pop();
    const PlayerMotion here = nodes[size_t(top.index)].motion;
    for (const Move& move : MovesFrom(here)) {
      const PlayerMotion next = Advance(g, here, move, bounds);
      // A frame below the fall line costs a life.
      if (next.Y > bounds.fallLimit) continue;
      if (!seen.Insert(KeyOf(next))) continue;
      const int32_t frames = top.frames + 1;
      nodes.push_back({next, top.index, move, frames});
      const int32_t index = int32_t(nodes.size() - 1);
      if (goal.reached(next)) {
        found = index;
        break;
      }
      const int32_t estimate = Estimate(goal, next);
      if (estimate < closestEstimate) closest = index, closestEstimate = estimate;
      open.push({frames + estimate, frames, index});
    }
  }

  route.explored = nodes.size();
  route.found = found >= 0;
  for (int32_t i = route.found ? found : closest; i > 0; i = nodes[size_t(i)].parent) {
    route.moves.push_back(nodes[size_t(i)].move);
    route.motions.push_back(nodes[size_t(i)].motion);
  }
  std::reverse(route.moves.begin(), route.moves.end());
  std::reverse(route.motions.begin(), route.motions.end());
  return route;
}

Goal ReachColumn(int32_t x) {
  Goal goal;
  goal.reached = [x](const PlayerMotion& m) { return m.X > x; };
  goal.minX = x + 1;
  return goal;
}

Goal StandWithin(int32_t minX, int32_t maxX, int32_t maxTopY) {
  Goal goal;
  goal.reached = [=](const PlayerMotion& m) { return Standing(m) && m.X >= minX && m.X <= maxX && m.Y <= maxTopY; };
  goal.minX = minX, goal.maxX = maxX;
  goal.topY = maxTopY;
  return goal;
}

bool TakesCoin(int32_t coinX, int32_t coinY, const PlayerMotion& m) {
  // The coin's picture moves with its frame; the player must be on it in
  // every one.
  static constexpr int32_t kOffsets[4][2] = {{0, 0}, {0, 4}, {12, 4}, {0, 3}};
  for (const auto& o : kOffsets)
    if (std::abs(coinX + o[0] + 12 - (m.X + 11)) >= 24 || std::abs(coinY + o[1] + 12 - (m.Y + 16)) >= 28) return false;
  return true;
}

Goal TakeCoin(int32_t coinX, int32_t coinY) {
  Goal goal;
  goal.reached = [=](const PlayerMotion& m) { return TakesCoin(coinX, coinY, m); };
  // Taken in every frame with PlayerX from coin x - 10 to x + 24 and
  // PlayerY from coin y - 27 to y + 23.
  goal.minX = coinX - 10, goal.maxX = coinX + 24;
  goal.topY = coinY + 23;
  return goal;
}

}  // namespace autoplay
