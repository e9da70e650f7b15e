// The automatic player: its route finding and foresight on small stages
// painted here, and whole games of the real program at both difficulties,
// won, and replayed frame for frame from what the player recorded.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/game_fixture.h"
#include "morlo3/player.h"
#include "tools/autoplay/planner.h"
#include "tools/autoplay/play.h"
#include "tools/autoplay/threats.h"

namespace kestrel::testing {
namespace {

using autoplay::Advance;
using autoplay::FindRoute;
using autoplay::Move;
using autoplay::PlayerMotion;
using autoplay::StageBounds;
using autoplay::Threat;

// ---- Routes and foresight on painted stages ----------------------------------------

class Planning : public GameTest {
 protected:
  void SetUp() override { SetUpGame(32); }

  // A 400 x 200 stage with its floor from row 134 down, in the given column
  // ranges; a player standing on it has PlayerY 100 (his foot is at y + 34).
  void Floor(std::initializer_list<std::pair<int32_t, int32_t>> spans) {
    MakeStage(400, 200);
    for (auto [x1, x2] : spans) PaintMask(x1, 134, x2, 199, g.MaskGround);
  }
  static PlayerMotion StandingAt(int32_t x, int32_t y = 100) {
    PlayerMotion m;
    m.X = x, m.Y = m.JumpBaseY = y;
    m.OnGround = 1;
    m.JumpTime = 40;
    return m;
  }
  // Plays the moves through the game's own player update, with the keys held
  // as the input layer would hold them, and returns where the player ends.
  PlayerMotion PlayInGame(const PlayerMotion& from, const std::vector<Move>& moves) {
    morlo3::SetMotion(g, from);
    for (const Move& move : moves) {
      move.left ? Press(morlo3::kKeyLeft) : Release(morlo3::kKeyLeft);
      move.right ? Press(morlo3::kKeyRight) : Release(morlo3::kKeyRight);
      move.jump ? Press(morlo3::kKeyJump) : Release(morlo3::kKeyJump);
      if (g.PlayerX < 2) g.PlayerX = 2;
      morlo3::UpdatePlayer(g);
      EXPECT_LE(g.PlayerY, 250) << "the route falls out of the stage";
    }
    return morlo3::MotionOf(g);
  }
  StageBounds bounds_{};
};

TEST_F(Planning, AGapWithinAJumpIsCrossedAsTheGameWouldPlayIt) {
  // A 60-column gap: a walk off its edge falls in, a jump clears it.
  Floor({{0, 149}, {210, 399}});
  const PlayerMotion start = StandingAt(10);
  const autoplay::Route r = FindRoute(g, start, bounds_, autoplay::ReachColumn(300));
  ASSERT_TRUE(r.found);
  ASSERT_EQ(r.moves.size(), r.motions.size());
  EXPECT_GE(std::count_if(r.moves.begin(), r.moves.end(), [](const Move& m) { return m.jump; }), 1);
  // The fewest frames: 146 columns at 2 a frame, walking all the way.
  EXPECT_EQ(r.moves.size(), 146u);
  const PlayerMotion end = PlayInGame(start, r.moves);
  EXPECT_EQ(end.X, 302);
  EXPECT_EQ(end, r.motions.back());
}

TEST_F(Planning, AGapWiderThanAnyJumpHasNoRoute) {
  // In the air for about 45 frames, the player covers some 90 columns.
  Floor({{0, 149}, {300, 399}});
  const autoplay::Route r = FindRoute(g, StandingAt(10), bounds_, autoplay::ReachColumn(320));
  EXPECT_FALSE(r.found);
  // What it hands back instead never leaves the near side.
  for (const PlayerMotion& m : r.motions) EXPECT_LT(m.X + 15, 300);
}

TEST_F(Planning, AJumpReachesALedgeFortyRowsUpAndNoHigher) {
  // A one-row ledge with its top 40 rows above the floor's top is landed on
  // at the top of the jump; one 41 rows up is out of reach, and too far from
  // the first to be jumped to from it.
  Floor({{0, 399}});
  PaintMask(100, 94, 160, 94, g.MaskGround);
  PaintMask(320, 93, 380, 93, g.MaskGround);
  const autoplay::Route low = FindRoute(g, StandingAt(60), bounds_, autoplay::StandWithin(90, 140, 60));
  ASSERT_TRUE(low.found);
  EXPECT_EQ(low.motions.back().Y, 60);
  EXPECT_EQ(PlayInGame(StandingAt(60), low.moves), low.motions.back());
  const autoplay::Route high = FindRoute(g, StandingAt(250), bounds_, autoplay::StandWithin(310, 360, 60));
  EXPECT_FALSE(high.found);
}

TEST_F(Planning, ACoinIsTakenOnlyWhereEveryFrameOfItsPictureReachesThePlayer) {
  auto at = [](int32_t x, int32_t y) { return StandingAt(x, y); };
  // A coin at (100, 50): PlayerX from 90 to 124, PlayerY from 23 to 73.
  EXPECT_TRUE(autoplay::TakesCoin(100, 50, at(90, 50)));
  EXPECT_FALSE(autoplay::TakesCoin(100, 50, at(89, 50)));
  EXPECT_TRUE(autoplay::TakesCoin(100, 50, at(124, 50)));
  EXPECT_FALSE(autoplay::TakesCoin(100, 50, at(125, 50)));
  EXPECT_TRUE(autoplay::TakesCoin(100, 50, at(100, 23)));
  EXPECT_FALSE(autoplay::TakesCoin(100, 50, at(100, 22)));
  EXPECT_TRUE(autoplay::TakesCoin(100, 50, at(100, 73)));
  EXPECT_FALSE(autoplay::TakesCoin(100, 50, at(100, 74)));
}

TEST_F(Planning, AMissileAtThePlayersHeightIsJumpedAndStandingStillCostsOneHit) {
  Floor({{0, 399}});
  const PlayerMotion me = StandingAt(100);
  // A missile thrown at the player's height from 120 columns to his right.
  Threat missile;
  missile.motion = Threat::Motion::Line;
  missile.x = 232, missile.y = 116, missile.vx = -3;
  missile.dx = 7, missile.dy = 7, missile.rx = 19, missile.ry = 25;
  const std::vector<Threat> threats{missile};
  const std::vector<Move> stand(60);
  const autoplay::Outcome still = autoplay::Foresee(g, me, stand, bounds_, threats, 21, 0);
  // After frame k it lies at 232 - 3(k + 1); it reaches him once that plus
  // 7 is less than 19 from his centre at 112, in frame 36, and passes
  // through in 12 frames: one hit.
  EXPECT_EQ(still.damage, 10);
  EXPECT_EQ(still.firstHit, 36);
  int dodges = 0;
  for (int wait = 0; wait < 36; ++wait) {
    std::vector<Move> jump(60);
    jump[size_t(wait)].jump = true;
    const autoplay::Outcome o = autoplay::Foresee(g, me, jump, bounds_, threats, 21, 0);
    EXPECT_FALSE(o.fell);
    dodges += o.damage == 0;
  }
  // A jump clears it when the missile passes in its high part.
  EXPECT_GT(dodges, 5);
  EXPECT_LT(dodges, 25);
}

TEST_F(Planning, ForesightKeepsTheHurtClockAndSeesFalls) {
  Floor({{0, 199}});
  const PlayerMotion me = StandingAt(100);
  Threat corpse;  // a dying thrower on top of the player
  corpse.x = 112, corpse.y = 95, corpse.dx = 0, corpse.dy = 23, corpse.rx = 27, corpse.ry = 41;
  // With the clock at 20 the first hit comes a frame later, then every 21.
  const autoplay::Outcome o = autoplay::Foresee(g, me, std::vector<Move>(60), bounds_, {corpse}, 20, 0);
  EXPECT_EQ(o.damage, 30);
  EXPECT_EQ(o.firstHit, 0);
  corpse.lifetime = 10;  // gone before the clock passes 20 again
  EXPECT_EQ(autoplay::Foresee(g, me, std::vector<Move>(60), bounds_, {corpse}, 20, 0).damage, 10);
  // Walking right runs off the floor's end at column 199 and down.
  const autoplay::Outcome off =
      autoplay::Foresee(g, me, std::vector<Move>(60, Move{false, true, false}), bounds_, {}, 0, 0);
  EXPECT_TRUE(off.fell);
  // The same walk past an exit ends the stage first.
  StageBounds withExit = bounds_;
  withExit.exitX = 150;
  EXPECT_FALSE(autoplay::Foresee(g, me, std::vector<Move>(60, Move{false, true, false}), withExit, {}, 0, 0).fell);
}

// ---- Whole games ------------------------------------------------------------------

TEST(Recording, EventsAreWrittenInTheScriptFormat) {
  using platform::ScriptEvent;
  std::vector<ScriptEvent> events(4);
  events[0] = {12, ScriptEvent::Type::Key, 205, true, 0, 0};
  events[1] = {12, ScriptEvent::Type::Mouse, 0, false, 530, 274};
  events[2] = {13, ScriptEvent::Type::Button, 0, false, 0, 0};
  events[3] = {90, ScriptEvent::Type::Close, 0, false, 0, 0};
  const std::string text = autoplay::ScriptText(events, "a heading\nof two lines");
  EXPECT_EQ(text, "# a heading\n# of two lines\n12 key 205 down\n12 mouse 530 274\n13 button left up\n90 close\n");
  const std::vector<ScriptEvent> back = platform::ParseInputScript(text);
  ASSERT_EQ(back.size(), events.size());
  for (size_t i = 0; i < back.size(); ++i) EXPECT_EQ(platform::ScriptLine(back[i]), platform::ScriptLine(events[i]));
}

class WholeGame : public HeadlessTest {
 protected:
  void SetUp() override { std::filesystem::create_symlink(kGeneratedData, scratch_.Path() / "data.kpk"); }

  // What a run looks like frame by frame: where the player is, his energy
  // and lives, the stage, and the random source's state, every frame; and
  // the picture's hash every 16th frame (hashing them all would take longer
  // than playing).
  struct Trace {
    std::vector<std::string> frames;
    void Add(uint64_t frame, const platform::HeadlessDisplay& d, const morlo3::GameState& g) {
      std::ostringstream line;
      line << frame << " " << g.PlayerX << "," << g.PlayerY << " e" << g.Energy << " l" << g.Lives << " s"
           << g.StageNumber << " r" << g.RandSeed;
      if (frame % 16 == 0) line << " " << std::hex << d.LastFrameHash();
      frames.push_back(line.str());
    }
  };

  // Watches every presented frame of a replay.
  class ReplayDisplay : public platform::HeadlessDisplay {
   public:
    ReplayDisplay(platform::HeadlessOptions o, const morlo3::GameState& g, Trace& trace)
        : HeadlessDisplay(std::move(o)), g_(g), trace_(trace) {}

   protected:
    void AfterFrame() override {
      trace_.Add(FramesPresented(), *this, g_);
      HeadlessDisplay::AfterFrame();
    }

   private:
    const morlo3::GameState& g_;
    Trace& trace_;
  };

  // Plays the recording back on a plain headless display.
  Trace Replay(const std::vector<platform::ScriptEvent>& recording, int& exitCode) {
    Trace trace;
    morlo3::GameState game;
    platform::HeadlessOptions o;
    o.answer = 0;
    o.maxFrames = 200000;
    auto d = std::make_unique<ReplayDisplay>(o, game, trace);
    d->QueueEvents(recording);
    platform::InstallDisplay(std::move(d));
    ResetEngine();
    exitCode = -1;
    try {
      morlo3::Run(game);
    } catch (const ProgramExit& e) {
      exitCode = e.Code();
    }
    platform::ResetPlatform();
    ResetEngine();
    return trace;
  }

  void ExpectWonAndReplayed(autoplay::BotSettings settings) {
    Trace played;
    autoplay::RunOptions options;
    options.bot = settings;
    options.watch = [&](uint64_t frame, const platform::HeadlessDisplay& d, const morlo3::GameState& g) {
      played.Add(frame, d, g);
    };
    const autoplay::RunResult r = autoplay::PlayWholeGame(options);
    SCOPED_TRACE(autoplay::Summary(r));
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.Won());
    const autoplay::BotReport& b = r.report;
    EXPECT_TRUE(b.storySkipped);
    EXPECT_TRUE(b.difficultySet);
    EXPECT_EQ(b.difficultyPlayed, settings.difficulty);
    for (const autoplay::StageReport& s : b.stages) EXPECT_GT(s.frames, 0u);
    // The victory lines and the credits, 200 and 440 frames.
    EXPECT_GE(b.creditsFrames, 640u);
    EXPECT_LE(b.livesLost, 2);
    EXPECT_TRUE(scratch_.NothingLeft());

    // The recording, played back, makes the very same game.
    int exitCode = -1;
    const Trace replayed = Replay(r.recording, exitCode);
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(played.frames.size(), r.frames);
    ASSERT_EQ(replayed.frames.size(), played.frames.size());
    for (size_t i = 0; i < played.frames.size(); ++i) ASSERT_EQ(replayed.frames[i], played.frames[i]);
  }
};

TEST_F(WholeGame, WonAtNormalDifficultyAndReplayedFrameForFrame) { ExpectWonAndReplayed({.difficulty = 0}); }

TEST_F(WholeGame, WonAtHardDifficultyAndReplayedFrameForFrame) { ExpectWonAndReplayed({.difficulty = 1}); }

// Other waits and no sound draw other random numbers all game long: other
// bats, throws, skulls, bonus items and RirEza's moves.
TEST_F(WholeGame, WonWhateverTheRandomDraws) {
  for (autoplay::BotSettings s : {autoplay::BotSettings{.difficulty = 0, .startDelay = 37, .soundOff = true},
                                  autoplay::BotSettings{.difficulty = 1, .startDelay = 71},
                                  autoplay::BotSettings{.difficulty = 1, .startDelay = 13, .soundOff = true}}) {
    autoplay::RunOptions options;
    options.bot = s;
    const autoplay::RunResult r = autoplay::PlayWholeGame(options);
    EXPECT_TRUE(r.Won()) << autoplay::Summary(r);
    EXPECT_LE(r.report.livesLost, 2) << autoplay::Summary(r);
  }
}

}  // namespace
}  // namespace kestrel::testing
