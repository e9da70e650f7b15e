// Whole games of the real program on the headless backend: the stages handing
// over to each other, the pictures between them, lives, game over and the
// way back to the menu, and a closed window in every loop. To get through
// the stages quickly a script puts the player past a stage's exit, or takes
// away his lives, by writing the game state between two frames.
#include <set>

#include "flow_fixture.h"
#include "morlo3/stage_table.h"

namespace kestrel::testing {
namespace {

using morlo3::kKeyEnter;
using morlo3::kKeyEsc;
using morlo3::kKeyRight;

class Game : public ScriptedRun {
 protected:
  // ---- what a frame shows ----
  // The menu's backdrop in the top-right corner, where no element comes.
  bool IsMenuFrame() const {
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 250; x < 320; ++x)
        if (game.Screen->GetPixel(x, y) != game.BackdropSheet->GetPixel(647 + x, 1 + y)) return false;
    return true;
  }
  bool ScreenHasColour(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) const {
    for (int32_t y = y1; y <= y2; ++y)
      for (int32_t x = x1; x <= x2; ++x)
        if (game.Screen->GetPixel(x, y) == colour) return true;
    return false;
  }
  // A full-screen picture of BackdropSheet at (0, 0), every pixel.
  bool IsPicture(int32_t x1, int32_t y1) const {
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x)
        if (game.Screen->GetPixel(x, y) != game.BackdropSheet->GetPixel(x1 + x, y1 + y)) return false;
    return true;
  }
  // ---- the route ----
  void StartAndReach(int32_t stage) {
    SkipStory();
    NewGame();
    for (int32_t k = 1; k < stage; ++k) Leave(k);
    player->WaitUntil([this, stage] { return InStage(stage); });
  }
  int PlayToTheEnd() {
    const int code = Play(game);
    EXPECT_TRUE(player->Finished()) << "the script did not run to its end";
    ExpectCleanEnd(*d, "end of the game");
    return code;
  }
};

TEST_F(Game, EachStageLeadsStraightIntoTheNextAndStageFiveHasItsPicture) {
  // For each stage left by its exit: the frame it was left in, and what the
  // next frame showed.
  struct HandOver {
    uint64_t leftIn = 0;
    int32_t nextStage = 0;
    bool nextIsMenu = true, nextIsPicture = false, nextInStage = false;
  };
  std::map<int32_t, HandOver> handOvers;
  int32_t lastStage = 0;
  uint64_t lastFrame = 0;
  // Watches every frame besides the script: a frame in which StageNumber
  // moved on is the stage's last one.
  auto watch = [&](uint64_t frame) {
    if (game.GameRunning == 1 && lastStage != 0 && game.StageNumber == lastStage + 1 && !handOvers.count(lastStage)) {
      handOvers[lastStage].leftIn = frame;
    }
    for (auto& [k, h] : handOvers)
      if (h.leftIn + 1 == frame) {
        h.nextStage = game.StageNumber;
        h.nextIsMenu = IsMenuFrame();
        h.nextIsPicture = IsPicture(647, 1016);
        h.nextInStage = InStage(k + 1);
      }
    if (game.GameRunning == 1 && game.StageScene) lastStage = game.StageNumber;
    lastFrame = frame;
  };
  StartAndReach(8);
  // Stage 8 has no exit: the player is held at x 990 or less.
  player->Do([&] { game.PlayerX = 1200; }).Key(kKeyRight, true);
  int32_t furthest = 0;
  auto holding = std::make_shared<int>(60);
  player->Then([&, holding](uint64_t) {
    furthest = std::max(furthest, game.PlayerX);
    return --*holding <= 0;
  });
  player->Key(kKeyRight, false).Do([&] {
    EXPECT_EQ(game.StageNumber, 8);
    EXPECT_EQ(game.GameRunning, 1);
  });
  // Esc ends the game at the end of the frame, with no picture. The menu
  // frame the stage ran in then presents what the stage left, under the
  // pointer, and the menu's own picture follows.
  bool menuAfterEsc = false, pictureAfterEsc = true;
  player->Key(kKeyEsc, true).WaitUntil([&] { return game.GameRunning == 0; }).Then([&](uint64_t) {
    pictureAfterEsc = IsPicture(1, 407);
    return true;
  });
  player->Then([&](uint64_t) {
    menuAfterEsc = IsMenuFrame();
    return true;
  });
  player->Key(kKeyEsc, false);
  auto inner = d->onFrame;
  d->onFrame = [&, inner](uint64_t frame) {
    watch(frame);
    inner(frame);
  };
  player->Click(4);
  EXPECT_EQ(PlayToTheEnd(), 0);

  for (int32_t k = 1; k <= 7; ++k) {
    SCOPED_TRACE("leaving stage " + std::to_string(k));
    ASSERT_TRUE(handOvers.count(k));
    const HandOver& h = handOvers[k];
    EXPECT_EQ(h.nextStage, k + 1);
    EXPECT_FALSE(h.nextIsMenu);
    // Stage 5 waits behind its picture; the others start at once.
    EXPECT_EQ(h.nextIsPicture, k == 4);
    EXPECT_EQ(h.nextInStage, k != 4);
  }
  EXPECT_LE(furthest, 990 + 2) << "held at 990 before each step of 2";
  EXPECT_FALSE(pictureAfterEsc);
  EXPECT_TRUE(menuAfterEsc);
  EXPECT_EQ(game.StageNumber, 1);
}

TEST_F(Game, StageSevenStartsAndRespawnsAtTheFootOfTheShaft) {
  StartAndReach(6);
  Leave(6);
  int32_t startX = -1, startY = -1, livesBefore = -1;
  uint64_t fellAt = 0, respawnedAt = 0;
  std::set<uint64_t> messageHashes;
  // Its first frame.
  player->Then([&](uint64_t) {
    if (!InStage(7)) return false;
    startX = game.PlayerX;
    startY = game.PlayerY;
    livesBefore = game.Lives;
    return true;
  });
  // Below 850 is out of the stage.
  player->Then([&](uint64_t frame) {
    // The jump arc places the player from JumpBaseY each frame.
    game.PlayerY = game.JumpBaseY = 851;
    fellAt = frame;
    return true;
  });
  player->Then([&](uint64_t frame) {
    if (game.Lives == livesBefore) return false;
    if (frame <= fellAt + 100) {
      messageHashes.insert(d->LastFrameHash());
      return false;
    }
    respawnedAt = frame;
    EXPECT_EQ(game.PlayerX, 10);
    EXPECT_EQ(game.PlayerY, 700);
    return true;
  });
  player->Key(kKeyEsc, true).WaitUntil([&] { return game.GameRunning == 0; }).Key(kKeyEsc, false);
  player->Click(4);
  EXPECT_EQ(PlayToTheEnd(), 0);
  EXPECT_EQ(startX, 10);
  EXPECT_GE(startY, 700);
  EXPECT_LE(startY, 704) << "the player starts at y 700 and has dropped at most one frame's fall";
  EXPECT_EQ(respawnedAt, fellAt + 101) << "100 message frames, then the stage frame";
  EXPECT_EQ(messageHashes.size(), 1u) << "the message stays, unchanged, for its 100 frames";
}

TEST_F(Game, TheLastLifeGoesToTheGameOverPictureThenTheMenuAndANewGameStartsAfresh) {
  SkipStory();
  // Hard, fast and silent: the settings outlive the game.
  player->Click(2).Click(13).Click(12).Click(10).Click(11);
  NewGame();
  int32_t livesAtMessage = -1;
  bool pictureShown = false, menuAfterEnter = false;
  player->Do([&] {
    game.Lives = 0;
    game.Energy = -1;
  });
  player->Then([&](uint64_t) {
    livesAtMessage = game.Lives;  // the message frames, once the life is gone
    return true;
  });
  player->Wait(100).Then([&](uint64_t) {
    pictureShown = IsPicture(1, 407);
    return true;
  });
  // After the picture the stage frame and the menu frame it ran in present
  // once more; the menu's own picture follows.
  player->Wait(20).Key(kKeyEnter, true).WaitUntil([&] { return game.GameRunning == 0; }).Wait(1).Then([&](uint64_t) {
    menuAfterEnter = IsMenuFrame();
    return true;
  });
  player->Key(kKeyEnter, false);
  // The menu is back on the page it was left on; a new game starts at stage
  // 1 with 3 lives.
  NewGame();
  player->Do([&] {
    EXPECT_EQ(game.StageNumber, 1);
    EXPECT_EQ(game.Lives, 2);
    EXPECT_EQ(game.Energy, 100);
    EXPECT_EQ(game.Coins, 0);
    EXPECT_EQ(game.BossStage, 0);
    EXPECT_EQ(game.Difficulty, 1);
    EXPECT_EQ(game.Speed, 1);
    EXPECT_EQ(game.SoundOn, 0);
    EXPECT_EQ(d->FrameRate(), 85);
  });
  player->Key(kKeyEsc, true).WaitUntil([&] { return game.GameRunning == 0; }).Key(kKeyEsc, false);
  player->Click(4);
  EXPECT_EQ(PlayToTheEnd(), 0);
  EXPECT_EQ(livesAtMessage, -1);
  EXPECT_TRUE(pictureShown);
  EXPECT_TRUE(menuAfterEnter);
}

// ---- a closed window ----

class Closing : public Game {
 protected:
  // Closes the window `frames` frames on from where the script has got to.
  void CloseAfter(int frames) {
    if (frames > 0) player->Wait(frames);
    player->Do([this] {
      closedAfter = d->frames;
      d->RequestClose();
    });
  }
  void ExpectClosedCleanly(const std::string& where) {
    EXPECT_EQ(Play(game), 0) << where;
    EXPECT_TRUE(player->Finished()) << where;
    EXPECT_EQ(d->frames, closedAfter + 1) << where << ": the next frame's pump ends it";
    ExpectCleanEnd(*d, where);
  }
  uint64_t closedAfter = 0;
};

TEST_F(Closing, InEveryStage) {
  for (int32_t k = 1; k <= 8; ++k) {
    Fresh();
    StartAndReach(k);
    CloseAfter(k * 7);
    ExpectClosedCleanly("stage " + std::to_string(k));
  }
}

TEST_F(Closing, OnThePicturesAndTheMessages) {
  struct Case {
    std::string where;
    std::function<void()> route;
  };
  const Case cases[] = {
      {"picture before stage 1",
       [this] {
         SkipStory();
         player->Click(1);
         CloseAfter(5);
       }},
      {"picture before stage 5",
       [this] {
         StartAndReach(4);
         player->Do([this] { game.PlayerX = 991; });
         CloseAfter(5);
       }},
      {"life-lost message",
       [this] {
         StartAndReach(2);
         player->Do([this] { game.Energy = -1; });
         CloseAfter(40);
       }},
      {"game-over picture",
       [this] {
         StartAndReach(3);
         player->Do([this] {
           game.Lives = 0;
           game.Energy = -1;
         });
         CloseAfter(130);
       }},
  };
  for (const Case& c : cases) {
    Fresh();
    c.route();
    ExpectClosedCleanly(c.where);
  }
}

TEST_F(Closing, OnTheFinalMessageAndTheCredits) {
  // RirEza's death in stage 8: the final line twice (100 frames each), then
  // 440 frames of credits.
  for (int after : {30, 150, 260, 600}) {
    Fresh();
    StartAndReach(8);
    player->Do([this] { game.SorcererHealth = -1; });
    CloseAfter(after);
    ExpectClosedCleanly("frame " + std::to_string(after) + " after RirEza's death");
  }
}

TEST_F(Game, WinningRollsTheCreditsAndReturnsToTheMenu) {
  StartAndReach(8);
  uint64_t diedAt = 0, overAt = 0;
  bool finalLine = false, menuAfter = false;
  player->Then([&](uint64_t frame) {
    game.SorcererHealth = -1;
    diedAt = frame;
    return true;
  });
  player->Then([&](uint64_t frame) {
    // "Parabéns, mataste RirEza!!!" at (30, 90).
    if (frame == diedAt + 150) finalLine = ScreenHasColour(30, 90, 200, 106, game.TextColour);
    if (game.GameRunning == 1) return false;
    overAt = frame;
    return true;
  });
  player->Wait(1).Then([&](uint64_t) {
    menuAfter = IsMenuFrame();
    return true;
  });
  player->Click(4);
  EXPECT_EQ(PlayToTheEnd(), 0);
  // 200 message frames and 440 credits frames, then the stage frame's own
  // present; the menu frame the stage ran in shows that picture once more,
  // and then the menu's own picture follows.
  EXPECT_EQ(overAt, diedAt + 200 + 440 + 1);
  EXPECT_TRUE(finalLine);
  EXPECT_TRUE(menuAfter);
  EXPECT_EQ(game.StageNumber, 1);
}

}  // namespace
}  // namespace kestrel::testing
