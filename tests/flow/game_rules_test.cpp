// Rules of whole games that a player notices: the settings the program
// starts with, the wind that starts and stops with each stage and is the one
// sound that loops, the texts of the messages at their places, and that a new
// game after a won game starts afresh at stage 1.
#include <algorithm>
#include <string>
#include <vector>

#include "flow_fixture.h"
#include "morlo3/stage_table.h"

namespace kestrel::testing {
namespace {

using morlo3::kKeyEsc;

class GameRules : public ScriptedRun {
 protected:
  void Quit() {
    player->Key(kKeyEsc, true).WaitUntil([this] { return game.GameRunning == 0; }).Key(kKeyEsc, false);
    player->Click(4);
    EXPECT_EQ(Play(game), 0);
    EXPECT_TRUE(player->Finished()) << "the script did not run to its end";
  }

  // The sound calls since the last look.
  std::vector<std::string> SoundCalls() {
    std::vector<std::string> calls;
    if (platform::HeadlessSoundLog* log = platform::HeadlessSound()) {
      calls = log->calls;
      log->calls.clear();
    }
    return calls;
  }
  static bool Has(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }
  // A call on the wind's stream; its number is taken while the sounds exist.
  std::string WindCall(const char* what) const { return std::string(what) + " " + std::to_string(wind); }

  // Whether Screen shows exactly `text` in TextColour at (x, y): every pixel
  // of the text is there, and around it hardly anything else in that colour
  // (the stage's picture may hold a stray pixel of it).
  ::testing::AssertionResult TextShown(const std::string& text, int32_t x, int32_t y) const {
    TBuffer64 want(*game.Display, 320, 200, false);
    want.SetFont("Times New Roman", 15);
    want.Clear(0);
    want.TextOut(x, y, text, game.TextColour);
    int missing = 0, extra = 0, pixels = 0;
    for (int32_t row = std::max(0, y - 4); row < std::min(200, y + 24); ++row)
      for (int32_t col = std::max(0, x - 4); col < 320; ++col) {
        const bool expected = want.GetPixel(col, row) == game.TextColour;
        const bool shown = game.Screen->GetPixel(col, row) == game.TextColour;
        pixels += expected;
        missing += expected && !shown;
        extra += shown && !expected;
      }
    if (pixels > 0 && missing == 0 && extra <= 4) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" at (" << x << ", " << y << "): " << missing << " of "
                                         << pixels << " pixels missing, " << extra << " others";
  }

  uint32_t wind = 0;
};

TEST_F(GameRules, TheProgramStartsSlowAtNormalWithSoundOnAndOnlyTheWindLoops) {
  std::vector<std::string> opened;
  int32_t speed = -1, difficulty = -1, soundOn = -1, rate = -1;
  std::vector<std::string> inStage, afterStage;
  SkipStory();
  player->Do([&] {
    opened = SoundCalls();
    speed = game.Speed, difficulty = game.Difficulty, soundOn = game.SoundOn;
    rate = int32_t(d->FrameRate());
  });
  NewGame();
  player->Do([&] {
    inStage = SoundCalls();
    wind = game.Sounds[morlo3::kSoundWind]->Stream();
  });
  player->Key(kKeyEsc, true).WaitUntil([this] { return game.GameRunning == 0; }).Key(kKeyEsc, false);
  player->Do([&] { afterStage = SoundCalls(); });
  player->Click(4);
  EXPECT_EQ(Play(game), 0);
  EXPECT_TRUE(player->Finished());

  EXPECT_EQ(speed, 0);
  EXPECT_EQ(difficulty, 0);
  EXPECT_EQ(soundOn, 1);
  EXPECT_EQ(rate, 60) << "the slow pace";
  std::vector<std::string> looping;
  int streams = 0;
  for (const std::string& call : opened) {
    if (call.rfind("OpenStream ", 0) != 0) continue;
    ++streams;
    if (call.size() > 5 && call.compare(call.size() - 5, 5, " loop") == 0) looping.push_back(call);
  }
  EXPECT_EQ(streams, 12);
  ASSERT_EQ(looping.size(), 1u);
  EXPECT_NE(looping[0].find("/vento.wav loop"), std::string::npos) << looping[0];
  // The stage starts the wind and stops it when it ends.
  EXPECT_TRUE(std::count(inStage.begin(), inStage.end(), WindCall("PlayStream") + " level 100") == 1);
  EXPECT_FALSE(Has(inStage, WindCall("StopStream")));
  EXPECT_TRUE(Has(afterStage, WindCall("StopStream")));
}

TEST_F(GameRules, TheMessagesAreWrittenAtTheirPlacesAndANewGameAfterAWinStartsAfresh) {
  ::testing::AssertionResult lifeLost = ::testing::AssertionFailure() << "not seen", victory = lifeLost;
  SkipStory();
  NewGame();
  Leave(1);
  player->WaitUntil([this] { return InStage(2); }).Do([this] { game.Energy = -1; });
  player->Then([&](uint64_t) {
    lifeLost = TextShown("Perdeste uma vida", 90, 50);
    return true;
  });
  // The rest of the message's frames; then the player is back at the start.
  player->Wait(100);
  for (int32_t k = 2; k <= 7; ++k) Leave(k);
  // RirEza dies with the player well into a game.
  player->WaitUntil([this] { return InStage(8); }).Do([this] {
    game.Coins = 7, game.ShotPower = 4, game.Lives = 0, game.Energy = 5, game.AmbientTicks = 90;
    game.SorcererHealth = -1;
  });
  player->Then([&](uint64_t) {
    victory = TextShown("Parab\xE9ns, mataste RirEza!!!", 30, 90);
    return true;
  });
  player->WaitUntil([this] { return game.GameRunning == 0; }).Wait(1);
  NewGame();
  player->Do([this] {
    EXPECT_EQ(game.StageNumber, 1);
    EXPECT_EQ(game.BossStage, 0) << "no boss bar";
    EXPECT_EQ(game.Lives, 2);
    EXPECT_EQ(game.Energy, 100);
    EXPECT_EQ(game.Coins, 0);
    EXPECT_EQ(game.ShotPower, 0);
    EXPECT_LE(game.AmbientTicks, 5) << "the cries' clock starts again";
  });
  Quit();
  EXPECT_TRUE(lifeLost);
  EXPECT_TRUE(victory);
}

}  // namespace
}  // namespace kestrel::testing
