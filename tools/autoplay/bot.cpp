#include "tools/autoplay/bot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "morlo3/stage_map.h"
#include "morlo3/stage_table.h"
#include "tools/autoplay/threats.h"

namespace autoplay {

using morlo3::kKeyEnter;
using morlo3::kKeyFire;
using morlo3::kKeyJump;
using morlo3::kKeyLeft;
using morlo3::kKeyRight;

namespace {

// Menu elements the bot clicks.
constexpr int kNewGame = 1, kOptions = 2, kQuit = 4, kEasier = 9, kSoundOff = 10, kOptionsBack = 11, kHarder = 13;

const morlo3::StageFacts& Facts(int32_t stage) { return morlo3::kStages[size_t(stage - 1)]; }

// Foes that come after the player, or keep to a patrol the player fights
// them on, are fought rather than dodged.
bool Chaser(const Threat& t) {
  return t.motion == Threat::Motion::Flyer || t.motion == Threat::Motion::Chase || t.motion == Threat::Motion::Patrol;
}

bool SameMotion(const PlayerMotion& a, const PlayerMotion& b) {
  return a.X == b.X && a.Y == b.Y && a.OnGround == b.OnGround && a.JumpTime == b.JumpTime && a.JumpBaseY == b.JumpBaseY;
}

}  // namespace

Bot::Bot(const morlo3::GameState& g, BotSettings settings) : g_(g), settings_(settings) {}

// ---- input ----------------------------------------------------------------------

void Bot::Key(int code, bool down) {
  if (keys_[size_t(code)] == down) return;
  keys_[size_t(code)] = down;
  ScriptEvent e;
  e.frame = frame_;
  e.type = ScriptEvent::Type::Key;
  e.code = code;
  e.down = down;
  out_.push_back(e);
}

void Bot::Pointer(int32_t x, int32_t y) {
  if (x == pointerX_ && y == pointerY_) return;
  pointerX_ = x, pointerY_ = y;
  ScriptEvent e;
  e.frame = frame_;
  e.type = ScriptEvent::Type::Mouse;
  e.x = x, e.y = y;
  out_.push_back(e);
}

void Bot::Button(bool down) {
  if (button_ == down) return;
  button_ = down;
  ScriptEvent e;
  e.frame = frame_;
  e.type = ScriptEvent::Type::Button;
  e.code = 0;
  e.down = down;
  out_.push_back(e);
}

void Bot::ReleaseKeys() {
  for (int code = 0; code < 256; ++code) Key(code, false);
}

void Bot::Log(const std::string& text) const {
  if (settings_.verbose) std::fprintf(stderr, "[%llu] %s\n", static_cast<unsigned long long>(frame_), text.c_str());
}

// ---- phases -----------------------------------------------------------------------

Bot::Phase Bot::PhaseNow() const {
  // The walking pose tables are filled once loading is over.
  if (g_.WalkPoses[0] == 0) return Phase::Loading;
  if (g_.MenuItems[kNewGame].Enabled == 0) return Phase::Story;
  if (g_.GameRunning == 0) return Phase::Menu;
  if (!g_.StageScene || g_.Lives < 0) return Phase::Picture;
  if (g_.BossStage == 1 && g_.SorcererHealth < 0) return Phase::Credits;
  return Phase::Stage;
}

std::vector<ScriptEvent> Bot::Act(uint64_t frame) {
  frame_ = frame;
  out_.clear();
  const Phase phase = PhaseNow();
  if (phase != Phase::Menu) {
    // "Novo Jogo" starts the game inside the menu frame that saw the click,
    // so the next frame shown is already the game's.
    if (clickStep_ == 1 && !clicks_.empty() && clicks_.front() == kNewGame) {
      report_.gameStarted = true;
      clicks_.clear();
      clickStep_ = 0;
    }
    Button(false);
  }
  switch (phase) {
    case Phase::Loading: break;
    case Phase::Story: StoryFrame(); break;
    case Phase::Menu: MenuFrame(); break;
    case Phase::Picture: PictureFrame(); break;
    case Phase::Stage: StageFrame(); break;
    case Phase::Credits:
      ReleaseKeys();
      if (!report_.creditsSeen) Log("RirEza is beaten");
      report_.creditsSeen = true;
      report_.creditsFrames += 1;
      break;
  }
  return out_;
}

void Bot::StoryFrame() {
  // Enter ends the story once the frame it is seen in has been shown.
  Key(kKeyEnter, true);
  report_.storySkipped = true;
}

void Bot::PictureFrame() {
  // A picture waits for Enter; a key held as it opens ends it at once, so
  // press it afresh each time.
  const bool held = keys_[kKeyEnter];
  ReleaseKeys();
  Key(kKeyEnter, !held);
}

void Bot::MenuFrame() {
  ReleaseKeys();
  if (stage_ != 0) {
    // A game has ended: won, or lost.
    stage_ = 0;
    Log(report_.creditsSeen ? "back in the menu after the credits" : "the game was lost");
    clicks_ = {kQuit};
    clickStep_ = 0;
  }
  if (!report_.gameStarted && clicks_.empty() && clickStep_ == 0) {
    if (!report_.difficultySet) {
      clicks_ = {kOptions, settings_.difficulty == 1 ? kHarder : kEasier};
      if (settings_.soundOff) clicks_.push_back(kSoundOff);
      clicks_.push_back(kOptionsBack);
    }
  }
  if (!clicks_.empty()) {
    if (Click(clicks_.front())) {
      const int done = clicks_.front();
      clicks_.pop_front();
      if (done == kHarder || done == kEasier) report_.difficultySet = g_.Difficulty == settings_.difficulty;
    }
    return;
  }
  if (!report_.gameStarted) clicks_ = {kNewGame};
}

bool Bot::Click(int element) {
  const morlo3::MenuItem& m = g_.MenuItems[size_t(element)];
  const int32_t scale = g_.FullScreen ? 1 : 2;
  switch (clickStep_) {
    case 0:
      // Wait for the element to come to rest on its page.
      if (m.Shown != 1 || std::abs(m.X - m.ShownX) > 1 || std::abs(m.Y - m.ShownY) > 1) return false;
      Pointer((m.X + m.Right) / 2 * scale, (m.Y + m.Bottom) / 2 * scale);
      Button(true);
      // "Sair" ends the program within the frame that sees it.
      if (element == kQuit) report_.quitClicked = true;
      clickStep_ = 1;
      return false;
    case 1:
      // One frame with the button held is one click.
      Button(false);
      clickStep_ = m.Clicked == 1 ? 2 : 0;
      if (clickStep_ == 0) Log("click on element " + std::to_string(element) + " missed, again");
      return false;
    default: clickStep_ = 0; return true;
  }
}

// ---- stages -----------------------------------------------------------------------

void Bot::StartStage(int32_t number) {
  stage_ = number;
  bounds_ = StageBounds::Of(Facts(number));
  route_ = Route{};
  routeStep_ = 0;
  goal_ = kToExit;
  cached_ = Route{};
  coinSkipped_.assign(size_t(Facts(number).CoinCount), false);
  lastKnown_.fill(false);
  StageReport& r = report_.stages[size_t(number - 1)];
  r.firstFrame = frame_;
  r.shotPowerAtStart = g_.ShotPower, r.energyAtStart = g_.Energy, r.livesAtStart = g_.Lives;
  report_.difficultyPlayed = g_.Difficulty;
  Log("stage " + std::to_string(number));
}

void Bot::Observe() {
  StageReport& r = report_.stages[size_t(stage_ - 1)];
  r.frames += 1;
  if (g_.Lives < lastLives_) {
    r.livesLost += lastLives_ - g_.Lives;
    report_.livesLost += lastLives_ - g_.Lives;
    Log(std::string("a life is lost ") + (g_.PlayerY > bounds_.fallLimit ? "by a fall" : "by its energy") + " at " +
        std::to_string(g_.PlayerX) + "," + std::to_string(g_.PlayerY));
    // The respawn comes after the message: plan afresh from there.
    route_ = Route{};
  } else if (g_.Energy < lastEnergy_) {
    r.energyLost += lastEnergy_ - g_.Energy;
    Log("hit by " + std::to_string(lastEnergy_ - g_.Energy) + ": energy " + std::to_string(g_.Energy) + " at " +
        std::to_string(g_.PlayerX) + "," + std::to_string(g_.PlayerY) + " " + Culprits());
  }
  lastLives_ = g_.Lives;
  lastEnergy_ = g_.Energy;
}

std::string Bot::Culprits() const {
  std::string text;
  const int32_t cx = g_.PlayerX + 12, cy = g_.PlayerY + 18;
  for (const Foe& f : foes_)
    if (std::abs(f.x + f.touchDx - cx) < f.touchRx + 4 && std::abs(f.y + f.touchDy - cy) < f.touchRy + 4)
      text += "foe" + std::to_string(int(f.kind)) + "." + std::to_string(f.slot) + " ";
  for (int i = 1; i <= g_.EnemyShots.Capacity; ++i) {
    const morlo3::ShotRecord& s = g_.EnemyShots[i];
    if (s.Y != morlo3::kFreeShot && std::abs(s.X + 7 - cx) < 23 && std::abs(s.Y + 7 - cy) < 29) text += "missile ";
  }
  for (int i = 1; i <= 3; ++i) {
    const morlo3::EnemyRecord& e = g_.FallingHazards[i];
    if (stage_ == 7 && std::abs(e.X + 22 - cx) < 38 && std::abs(e.Y + 14 - cy) < 36) text += "hazard ";
  }
  if (g_.BoltActive && std::abs(g_.BoltX + 14 - cx) < 30 && std::abs(g_.BoltY + 14 - cy) < 36) text += "bolt ";
  return text;
}

void Bot::StageFrame() {
  // The frame just shown may be a stage's last: the next one is the stage
  // StageNumber names.
  if (g_.StageOver == 1) {
    ReleaseKeys();
    return;
  }
  const int32_t running = g_.StageNumber;
  if (running != stage_ || stage_ == 0) {
    if (stage_ == 0) lastLives_ = g_.Lives, lastEnergy_ = g_.Energy;
    StartStage(g_.StageNumber);
  }
  Observe();
  GatherFoes();

  const PlayerMotion m = morlo3::MotionOf(g_);
  if (stage_ == 1 && waited_ < settings_.startDelay) {
    // The wait, once the player has landed.
    if (Standing(m)) ++waited_;
    ReleaseKeys();
    return;
  }
  const Move move = ChooseMove(m);

  // Fire whenever a shot leaving now would strike a foe. The key must come
  // up between shots.
  bool fire = false;
  if (m.FireLatch == 0) {
    morlo3::ShotLaunch shot;
    Advance(g_, m, move, bounds_, true, &shot);
    fire = shot.Fired && ShotWouldHit(shot);
  }
  Key(kKeyEnter, false);
  Key(kKeyLeft, move.left);
  Key(kKeyRight, move.right);
  Key(kKeyJump, move.jump);
  Key(kKeyFire, fire);
}

void Bot::GatherFoes() {
  foes_.clear();
  int memory = 0;
  auto add = [&](Foe f) {
    auto& last = lastPos_[size_t(memory)];
    if (lastKnown_[size_t(memory)]) f.vx = f.x - last[0], f.vy = f.y - last[1];
    if (std::abs(f.vx) > 3 || std::abs(f.vy) > 3) f.vx = f.vy = 0;
    last = {f.x, f.y};
    lastKnown_[size_t(memory)] = true;
    ++memory;
    foes_.push_back(f);
  };
  const morlo3::StageFacts& s = Facts(stage_);
  for (int i = 1; i <= s.WalkerCount; ++i) {
    const morlo3::EnemyRecord& e = g_.Walkers[i];
    if (e.State != 1) {
      ++memory;
      continue;
    }
    add({Foe::Kind::Walker, i, e.X, e.Y, 0, 0, e.Health >= 0, 0, 19, 13, 19, 0, 19, 26, 37});
  }
  for (int i = 1; i <= s.BatCount; ++i) {
    const morlo3::EnemyRecord& e = g_.Bats[i];
    if (e.Health < 0) {
      ++memory;
      continue;
    }
    const int32_t hw = e.HalfWidth > 0 ? e.HalfWidth : 37;
    add({Foe::Kind::Bat, i, e.X, e.Y, 0, 0, true, 0, 19, hw, 19, 0, 16, hw + 12, 34});
  }
  for (int i = 1; i <= s.ThrowerCount; ++i) {
    const morlo3::EnemyRecord& e = g_.Throwers[i];
    if (e.State == 0) {
      ++memory;
      continue;
    }
    add({Foe::Kind::Thrower, i, e.X, e.Y, 0, 0, e.State != 3 && e.Health >= 0, 0, 23, 15, 23, 0, 23, 27, 41});
  }
  for (int i = 1; i <= s.UndeadCount; ++i) {
    const morlo3::EnemyRecord& e = g_.Undead[i];
    if (e.State == 0) {
      ++memory;
      continue;
    }
    // Only a walking one hurts; every one but the gone stops shots.
    const bool walking = e.State == 1;
    add({Foe::Kind::Undead, i, e.X, e.Y, 0, 0, e.State == 1 || e.State == 2, 0, 33, 17, 33, 0, 16, walking ? 30 : 0,
         walking ? 34 : 0});
  }
  if (!s.HasExit && g_.SorcererHealth >= 0)
    add({Foe::Kind::Sorcerer, 1, g_.SorcererX, g_.SorcererY, 0, 0, true, 20, 49, 22, 50, 20, 49, 32, 67});
}

bool Bot::ShotWouldHit(const morlo3::ShotLaunch& shot) const {
  // The shot moves before the figures do, and each figure moves before its
  // hit test; the first figure struck takes the shot. Fifteen slots at one
  // shot every other frame: after thirty frames the slot is used again.
  int32_t sx = shot.X;
  for (int32_t k = 1; k <= 30; ++k) {
    sx += shot.DX;
    if (sx - g_.CameraX < -10 || sx - g_.CameraX > 330) return false;
    for (const Foe& f : foes_) {
      if (std::abs(f.x - g_.PlayerX) >= 320) continue;
      const int32_t fx = f.x + f.vx * k, fy = f.y + f.vy * k;
      if (std::abs(fx + f.shotDx - sx) < f.shotRx && std::abs(fy + f.shotDy - shot.Y) < f.shotRy) return f.alive;
    }
  }
  return false;
}

Move Bot::ChooseMove(const PlayerMotion& m) {
  constexpr size_t kAhead = 40;
  // What the player would rather do: fight the foe in front, or go on along
  // the route. A jump on a route runs to its end: stopping in the air over a
  // pit drops the player into it.
  std::vector<Move> wish;
  const bool routed =
      routeStep_ > 0 && routeStep_ < route_.moves.size() && SameMotion(route_.motions[routeStep_ - 1], m);
  // While a dodge is under way, the way back to the route is looked at
  // only now and then.
  if (!evasion_.empty() && ++evasionFrames_ % 8 != 0) {
    std::vector<Move> rest(evasion_.begin() + 1, evasion_.end());
    rest.resize(kAhead);
    std::vector<Threat> threats = GatherThreats(g_, Facts(stage_));
    std::erase_if(threats, [](const Threat& t) { return Chaser(t); });
    const Outcome o = Foresee(g_, m, rest, bounds_, threats, g_.HurtTimer);
    if (!o.fell && o.damage == 0) {
      evasion_ = rest;
      return evasion_[0];
    }
  }
  Move first;
  bool engaged = !(routed && !Standing(m)) && Engage(m, first);
  if (engaged) {
    wish.push_back(first);
  } else if (FollowRoute(m, first)) {
    wish.push_back(first);
    // Past the look-ahead, on to where the route next stands.
    for (size_t i = routeStep_; i < route_.moves.size(); ++i) {
      if (wish.size() >= kAhead && Standing(route_.motions[i - 1])) break;
      wish.push_back(route_.moves[i]);
    }
  }
  if (wish.size() < kAhead) wish.resize(kAhead);

  // Then everything else a person might do instead, should that hurt less.
  std::vector<std::vector<Move>> options = {wish};
  const Move left{true, false, false}, right{false, true, false};
  options.push_back(std::vector<Move>(kAhead));
  options.push_back(std::vector<Move>(kAhead, left));
  options.push_back(std::vector<Move>(kAhead, right));
  for (int wait = 0; wait <= 16; wait += 2)
    for (const Move& way : {Move{}, left, right}) {
      std::vector<Move> jump(kAhead, way);
      for (int i = 0; i < wait; ++i) jump[size_t(i)] = Move{};
      jump[size_t(wait)].jump = true;
      options.push_back(jump);
    }
  for (int steps : {6, 12, 20})
    for (const Move& way : {left, right}) {
      std::vector<Move> walk(kAhead);
      for (int i = 0; i < steps; ++i) walk[size_t(i)] = way;
      options.push_back(walk);
    }

  // Foes that come after the player are fought, not fled: only what keeps to
  // its own way is dodged.
  std::vector<Threat> threats = GatherThreats(g_, Facts(stage_));
  std::erase_if(threats, [](const Threat& t) { return Chaser(t); });
  size_t best = 0;
  int64_t bestCost = INT64_MAX;
  auto harmless = [&](const std::vector<Move>& moves) {
    const Outcome o = Foresee(g_, m, moves, bounds_, threats, g_.HurtTimer);
    return !o.fell && o.damage == 0;
  };
  const Outcome wished = Foresee(g_, m, options[0], bounds_, threats, g_.HurtTimer);
  if (wished.firstThreat >= 0)
    Log("the wish is hurt at frame " + std::to_string(wished.firstHit) + " by a threat moving " +
        std::to_string(int(threats[size_t(wished.firstThreat)].motion)) + " at " +
        std::to_string(threats[size_t(wished.firstThreat)].x) + "," +
        std::to_string(threats[size_t(wished.firstThreat)].y));
  if (harmless(options[0])) {
    evasion_.clear();
    options.resize(1);
  } else if (!evasion_.empty()) {
    // Keep to a dodge already begun while it still keeps the player whole.
    std::vector<Move> rest(evasion_.begin() + 1, evasion_.end());
    rest.resize(kAhead);
    if (harmless(rest)) {
      evasion_ = rest;
      route_ = Route{};
      return evasion_[0];
    }
  }
  for (size_t i = 0; i < options.size(); ++i) {
    const Outcome o = Foresee(g_, m, options[i], bounds_, threats, g_.HurtTimer);
    // A fall costs a life; energy comes next, and the player's wish breaks ties.
    const int64_t cost = (o.fell ? 1000000 : 0) + int64_t(o.damage) * 100 + (i == 0 ? 0 : 1);
    if (cost < bestCost) bestCost = cost, best = i;
  }
  if (best != 0) {
    Log("evades with option " + std::to_string(best) + ", cost " + std::to_string(bestCost));
    route_ = Route{};
    if (evasion_.empty()) evasionFrames_ = 0;
    evasion_ = options[best];
  } else if (engaged) {
    route_ = Route{};
  }
  return options[best][0];
}

bool Bot::AtFightingSpot(const PlayerMotion& m) const {
  return stage_ == 8 && Standing(m) && m.Y <= kSpotTop && m.X >= kSpotMinX && m.X <= kSpotMaxX;
}

bool Bot::Engage(const PlayerMotion& m, Move& move) {
  const int32_t centreX = m.X + 12, centreY = m.Y + 18;
  const int32_t shotY = m.Y + 16;
  // A foe is fought where a standing shot strikes it or where it can reach
  // the player; one on another level is left alone.
  auto levelled = [&](const Foe& f) {
    return std::abs(f.y + f.shotDy - shotY) < f.shotRy || std::abs(f.y + f.touchDy - centreY) < f.touchRy + 4;
  };
  // How near a foe may come before the player stops for it, by kind; a foe
  // already fought is kept a while longer, so the player does not dither.
  auto stopAt = [&](const Foe& f) {
    switch (f.kind) {
      case Foe::Kind::Bat: return 70;
      case Foe::Kind::Sorcerer: return 0;
      default: return levelled(f) ? f.touchRx + 40 : 0;
    }
  };
  const Foe* target = nullptr;
  int32_t best = INT32_MAX;
  for (const Foe& f : foes_) {
    if (!f.alive) continue;
    const int32_t dx = std::abs(f.x + f.touchDx - centreX);
    const bool fought = engaged_ == int(f.kind) * 10 + f.slot;
    if (dx < stopAt(f) + (fought ? 40 : 0) && dx < best) best = dx, target = &f;
  }
  // In the arena, RirEza is fought from the high ledge, and wherever he
  // swoops: a hit ends a swoop.
  if (!target && (AtFightingSpot(m) || g_.SorcererMode == 2))
    for (const Foe& f : foes_)
      if (f.kind == Foe::Kind::Sorcerer) target = &f;
  engaged_ = target ? int(target->kind) * 10 + target->slot : -1;
  if (!target) return false;
  Log("engage kind " + std::to_string(int(target->kind)) + " slot " + std::to_string(target->slot) + " at " +
      std::to_string(target->x) + "," + std::to_string(target->y) + " me " + std::to_string(m.X) + "," +
      std::to_string(m.Y) + (Standing(m) ? " standing" : " in the air"));

  const int32_t dx = target->x + target->touchDx - centreX;
  const int32_t wantFacing = dx >= 0 ? 0 : 1;
  // One getting up walks soon: keep as far from it as from a walking one.
  const int32_t keepAway = (target->kind == Foe::Kind::Undead ? 30 : target->touchRx) + 14;
  Move away = wantFacing == 0 ? Move{true, false, false} : Move{false, true, false};
  Move toward = wantFacing == 0 ? Move{false, true, false} : Move{true, false, false};
  auto safe = [&](Move step) {
    PlayerMotion n = Advance(g_, m, step, bounds_);
    for (int i = 0; i < 20; ++i) n = Advance(g_, n, {}, bounds_);
    return Standing(n) && std::abs(n.Y - m.Y) <= 8;
  };
  if (!Standing(m)) return true;  // let the jump run its course, keys off
  const bool ground = target->kind != Foe::Kind::Bat && target->kind != Foe::Kind::Sorcerer;
  if (ground && std::abs(dx) < keepAway && safe(away)) {
    move = away;
    return true;
  }
  if (m.Facing != wantFacing && std::abs(dx) > 6 && safe(toward)) {
    move = toward;
    return true;
  }
  // A foe above the line of a standing shot is fought jumping.
  if (std::abs(target->y + target->shotDy - shotY) >= target->shotRy && target->y + target->shotDy < shotY &&
      target->kind != Foe::Kind::Bat) {
    move.jump = m.JumpLatch == 0;
    return true;
  }
  return true;
}

bool Bot::WantsBonus() const {
  if (g_.BonusActive != 1 || stage_ == 8) return false;
  if (bonusSkipped_ && g_.BonusX == skippedBonusX_ && g_.BonusY == skippedBonusY_) return false;
  // An item of kind 0 is not to be seen.
  switch (g_.BonusKind) {
    case 1: return g_.Energy < 140;
    case 2: return g_.ShotPower < 9;
    case 3: return true;
    default: return false;
  }
}

bool Bot::FollowRoute(const PlayerMotion& m, Move& move) {
  const morlo3::StageFacts& s = Facts(stage_);
  const bool onTrack =
      routeStep_ < route_.moves.size() && (routeStep_ == 0 || SameMotion(route_.motions[routeStep_ - 1], m));
  if (!onTrack && AtFightingSpot(m)) return false;
  if (!onTrack) {
    // The next errand: an item left by a foe, the nearest coin ahead, then
    // the exit.
    int choice = kToExit;
    if (WantsBonus() && std::abs(g_.BonusX - m.X) < 250) {
      choice = kToBonus;
    } else {
      int32_t bestDistance = INT32_MAX;
      for (int i = 0; i < s.CoinCount; ++i) {
        const morlo3::CoinRecord& c = g_.CoinTable[i + 2];
        if (c.Y == morlo3::kFreeShot || coinSkipped_[size_t(i)] || !s.HasExit) continue;
        const int32_t d = s.Number == 7 ? (m.Y - c.Y) : (c.X - m.X);
        if (d < -40) continue;
        const int32_t distance = std::abs(c.X - m.X) + std::abs(c.Y - m.Y);
        if (distance < bestDistance) bestDistance = distance, choice = i;
      }
    }
    for (;;) {
      // Standing still while a threat passed leaves the last route good.
      if (cached_.found && cachedGoal_ == choice && SameMotion(cachedFrom_, m)) {
        route_ = cached_;
        routeStep_ = 0;
        break;
      }
      Goal goal;
      size_t budget = 400000;
      if (choice == kToBonus) {
        const int32_t bx = g_.BonusX + 7, by = g_.BonusY + 7;
        goal.reached = [bx, by](const PlayerMotion& p) {
          return std::abs(bx - (p.X + 12)) < 19 && std::abs(by - (p.Y + 18)) < 25;
        };
        goal.minX = bx - 30, goal.maxX = bx - 12 + 18, goal.topY = by - 18 + 24;
        budget = 60000;
      } else if (choice >= 0) {
        goal = TakeCoin(g_.CoinTable[choice + 2].X, g_.CoinTable[choice + 2].Y);
      } else {
        goal = s.HasExit ? ReachColumn(s.ExitX) : StandWithin(kSpotMinX + 15, kSpotMaxX - 15, kSpotTop);
      }
      route_ = FindRoute(g_, m, bounds_, goal, budget);
      routeStep_ = 0;
      Log("route to " +
          (choice == kToBonus ? std::string("bonus")
           : choice >= 0      ? "coin " + std::to_string(choice + 1)
                              : "exit") +
          ": " + (route_.found ? "" : "not ") + "found, " + std::to_string(route_.moves.size()) + " frames, " +
          std::to_string(route_.explored) + " states");
      if (choice == kToBonus && (!route_.found || route_.moves.size() > 200)) {
        bonusSkipped_ = true, skippedBonusX_ = g_.BonusX, skippedBonusY_ = g_.BonusY;
        choice = kToExit;
        continue;
      }
      cached_ = route_, cachedFrom_ = m, cachedGoal_ = choice;
      if (route_.found || choice < 0) break;
      coinSkipped_[size_t(choice)] = true;
      choice = kToExit;
    }
    goal_ = choice;
    if (route_.moves.empty()) return false;
  }
  move = route_.moves[routeStep_++];
  return true;
}

}  // namespace autoplay
