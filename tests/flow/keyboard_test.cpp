// The game with the keyboard alone on the headless backend: the whole run
// from the story to "Sair", the highlight the keys move looking exactly as
// pointing with the mouse does, and the pause of a stage.
#include "../support/bindings.h"
#include "flow_fixture.h"
#include "kestrel/colour.h"
#include "morlo3/menu.h"
#include "morlo3/stages.h"

namespace kestrel::testing {
namespace {

using morlo3::kKeyEnter;
using morlo3::kKeyEsc;
constexpr int kKeyRight = 0xCD, kKeyLeft = 0xCB, kKeypadEnter = 0x9C, kKeyP = 0x19, kKeyPause = 0xC5;

// A quick tap: down and up again before the game's next frame.
ScriptedPlayer& Tap(ScriptedPlayer& player, WatchingDisplay& d, int code) {
  return player.Do([&d, code] {
    const uint64_t f = d.FramesPresented();
    using T = platform::ScriptEvent::Type;
    d.QueueEvents({{f, T::Key, code, true}, {f, T::Key, code, false}});
  });
}

// Whether every element of the menu has come to rest.
bool AtRest(const morlo3::GameState& g) {
  for (const morlo3::MenuItem& m : g.MenuItems) {
    const int32_t tx = m.Shown ? m.ShownX : m.HiddenX, ty = m.Shown ? m.ShownY : m.HiddenY;
    if (std::abs(m.X - tx) > 1 || std::abs(m.Y - ty) > 1) return false;
  }
  return true;
}

TEST_F(Program, TheKeyboardAlonePlaysFromTheStoryToSair) {
  auto& d = InstallWatching();
  morlo3::GameState game;
  ScriptedPlayer player(d, game);
  // The title starts off the screen, so the menu has begun once it moved.
  auto rest = [&] { player.WaitUntil([&] { return game.MenuItems[0].X != 0 && AtRest(game); }); };
  bool played = false, sawOptions = false;
  // Esc ends the story; Esc on the main page then does nothing.
  player.Wait(150);
  Tap(player, d, kKeyEsc);
  rest();
  Tap(player, d, kKeyEsc).Wait(2).Do([&] { EXPECT_EQ(game.MenuPage, 1); });
  // The first arrow shows the highlight on "Novo Jogo", the next moves it
  // to "Opções".
  Tap(player, d, kKeyRight).Wait(2);
  Tap(player, d, kKeyRight).Wait(2);
  Tap(player, d, kKeyEnter).Wait(2).Do([&] { sawOptions = game.MenuPage == 3; });
  rest();
  // The options row from the left: slower, Lento, faster, easier, Fácil,
  // harder. Keypad Enter chooses as Enter does.
  for (int i = 0; i < 5; ++i) Tap(player, d, kKeyRight).Wait(2);
  Tap(player, d, kKeypadEnter).Wait(2);
  Tap(player, d, kKeyEsc).Wait(2).Do([&] { EXPECT_EQ(game.MenuPage, 1) << "Esc goes back"; });
  rest();
  // The highlight went with the options page: it starts again at
  // "Novo Jogo". Enter starts the game; the picture before stage 1 still
  // waits for an Enter of its own.
  Tap(player, d, kKeyEnter).Wait(30).Do([&] {
    EXPECT_EQ(game.GameRunning, 1);
    // Stage 1 has not set its walkers up yet.
    EXPECT_EQ(game.Walkers[1].PatrolMax, 0) << "the Enter that chose the game also ended the picture";
  });
  Tap(player, d, kKeyEnter).Wait(60).Do([&] { played = game.PlayerX > 0 && game.GameRunning == 1; });
  Tap(player, d, kKeyEsc).Wait(5).Do([&] { EXPECT_EQ(game.GameRunning, 0); });
  // From "Novo Jogo" left wraps round to "Sair".
  Tap(player, d, kKeyLeft).Wait(2);
  Tap(player, d, kKeyEnter);
  EXPECT_EQ(Play(game), 0);
  EXPECT_TRUE(player.Finished());
  EXPECT_TRUE(sawOptions);
  EXPECT_TRUE(played);
  EXPECT_EQ(game.Difficulty, 1);
  EXPECT_EQ(game.Speed, 0);
  ExpectCleanEnd(d, "after Sair");
}

class KeyboardMenu : public FlowTest {
 protected:
  // The enabled element whose box holds the pointer, or -1.
  int ElementUnderPointer() {
    int32_t x = 0, y = 0;
    g.Input->GetMousePos(x, y);
    x /= 2, y /= 2;
    for (size_t i = 0; i < g.MenuItems.size(); ++i) {
      const morlo3::MenuItem& m = g.MenuItems[i];
      if (m.Enabled == 1 && m.Shown == 1 && m.X - 1 <= x && x <= m.Right && m.Y - 1 <= y && y <= m.Bottom)
        return int(i);
    }
    return -1;
  }
  // Paints the pointer's place over with black in a copy of a frame.
  static void HidePointer(TBuffer64& frame, int32_t x, int32_t y) {
    for (int32_t row = y; row <= y + 18; ++row) frame.HLine(x, x + 21, row, 0);
  }
};

// Every element the keys can reach shows the same frame and caption as when
// the mouse points at it: each frame is compared, pixel for pixel, with the
// one where the mouse rests on the element's top-left corner, the two
// pointers painted over.
TEST_F(KeyboardMenu, TheHighlightLooksExactlyLikePointing) {
  ScriptedPlayer player(Watch(), g);
  std::vector<int> reached;
  std::unique_ptr<TBuffer64> byKeys;
  int32_t keysX = 0, keysY = 0;
  int element = -1;
  auto compareRow = [&](std::vector<int> keys) {
    player.WaitUntil([&] { return AtRest(g); });
    for (int key : keys) {
      Tap(player, Watch(), key).Wait(1).Do([&] {
        element = ElementUnderPointer();
        reached.push_back(element);
        byKeys = CopyOfScreen();
        g.Input->GetMousePos(keysX, keysY);
      });
      player.Do([&] {
        const morlo3::MenuItem& m = g.MenuItems[size_t(std::max(element, 0))];
        Watch().Input().mouse = {2 * (m.X - 1), 2 * (m.Y - 1)};
      });
      player.Wait(1).Do([&] {
        auto byMouse = CopyOfScreen();
        const morlo3::MenuItem& m = g.MenuItems[size_t(std::max(element, 0))];
        HidePointer(*byMouse, m.X - 1, m.Y - 1);
        HidePointer(*byMouse, keysX / 2, keysY / 2);
        HidePointer(*byKeys, m.X - 1, m.Y - 1);
        HidePointer(*byKeys, keysX / 2, keysY / 2);
        const Box b = Difference(*byKeys, *byMouse);
        EXPECT_TRUE(b.Empty()) << "element " << element << " differs in " << b.left << "," << b.top << " - " << b.right
                               << "," << b.bottom;
      });
    }
  };
  // The pointer starts away from every element. The main page's four, and
  // from "Sair" right round to "Novo Jogo", left round to "Sair" and left
  // to "Ajuda"; the help page; the options page's ten.
  player.Do([&] { Watch().Input().mouse = {600, 20}; }).Wait(1);
  compareRow({kKeyRight, kKeyRight, kKeyRight, kKeyRight, kKeyRight, kKeyLeft, kKeyLeft});
  player.Do([&] { g.MenuPage = 2; });
  compareRow({kKeyRight});
  player.Do([&] { g.MenuPage = 3; });
  compareRow(std::vector<int>(10, kKeyRight));
  player.Do([&] { g.MenuPage = 1; });
  player.Click(4);
  EXPECT_EQ(ExitCodeOf([&] { morlo3::MainMenu(g); }), -1);
  EXPECT_TRUE(player.Finished());
  const std::vector<int> want = {1, 2, 3, 4, 1, 4, 3, 7, 8, 15, 12, 9, 16, 13, 10, 17, 14, 11};
  EXPECT_EQ(reached, want) << "left to right, from the element under the mouse, else from the first";
}

// Esc clicks the way back on the help and the options page, and nothing on
// the main page.
TEST_F(KeyboardMenu, EscGoesBackFromHelpAndOptionsOnly) {
  ScriptedPlayer player(Watch(), g);
  std::vector<int32_t> pages;
  for (int32_t page : {2, 3, 1}) {
    player.Do([&, page] { g.MenuPage = page; }).WaitUntil([&] { return AtRest(g); });
    Tap(player, Watch(), kKeyEsc).Wait(2).Do([&] { pages.push_back(g.MenuPage); });
  }
  player.Click(4);
  EXPECT_EQ(ExitCodeOf([&] { morlo3::MainMenu(g); }), -1);
  EXPECT_EQ(pages, (std::vector<int32_t>{1, 1, 1}));
  EXPECT_EQ(g.QuitRequested, 1);
}

// With keys of the player's own, those of left, right and jump move the
// highlight, fire's choose and back's go back, beside the arrows, Enter and
// Esc; left Ctrl, no longer fire, chooses nothing.
TEST_F(KeyboardMenu, ThePlayersKeysWorkTheMenuBesideTheArrows) {
  constexpr int kA = 0x1E, kD = 0x20, kW = 0x11, kSpace = 0x39, kQ = 0x10, kCtrl = 0x1D;
  BindAction(Action::Left, {kA}, 0);
  BindAction(Action::Right, {kD}, 0);
  BindAction(Action::Jump, {kW}, platform::kPadA);
  BindAction(Action::Fire, {kSpace}, platform::kPadX);
  BindAction(Action::Back, {kQ}, platform::kPadBack);
  ScriptedPlayer player(Watch(), g);
  std::vector<int> reached;
  std::vector<int32_t> pages;
  auto step = [&](int key) { Tap(player, Watch(), key).Wait(1).Do([&] { reached.push_back(ElementUnderPointer()); }); };
  auto page = [&](int key) {
    Tap(player, Watch(), key).Wait(2).WaitUntil([&] { return AtRest(g); }).Do([&] { pages.push_back(g.MenuPage); });
  };
  player.Do([&] { Watch().Input().mouse = {600, 20}; }).Wait(1).WaitUntil([&] { return AtRest(g); });
  for (int key : {kD, kD, kKeyRight, kA, kW, kKeyLeft, kD, kD, kD}) step(key);
  // On "Ajuda": left Ctrl does nothing, Space opens the help page, Q comes
  // back; Esc still does.
  page(kCtrl);
  page(kSpace);
  page(kQ);
  player.Do([&] { g.MenuPage = 2; }).WaitUntil([&] { return AtRest(g); });
  page(kKeyEsc);
  player.Click(4);
  EXPECT_EQ(ExitCodeOf([&] { morlo3::MainMenu(g); }), -1);
  EXPECT_TRUE(player.Finished());
  EXPECT_EQ(reached, (std::vector<int>{1, 2, 3, 2, 1, 4, 1, 2, 3}));
  EXPECT_EQ(pages, (std::vector<int32_t>{1, 2, 1, 1}));
}

class Pause : public FlowTest {};

// P stops a stage between two frames: the last frame stays up dimmed with
// "Pausa" in the middle, nothing of the game moves and no random number is
// drawn until P again; losing the focus pauses too, and so does the Pause
// key. A focus lost in the frame of a pause key, or again while paused, is
// the same pause: one press of either key ends it.
TEST_F(Pause, NothingMovesWhileAStageIsPaused) {
  ScriptedPlayer player(Watch(), g);
  g.SoundOn = 1;
  // The calls on the wind's stream since the last look, by name.
  auto WindCalls = [&] {
    std::vector<std::string> calls;
    platform::HeadlessSoundLog* log = platform::HeadlessSound();
    if (!log || !g.Sounds[morlo3::kSoundWind]) return calls;
    const std::string wind = " " + std::to_string(g.Sounds[morlo3::kSoundWind]->Stream());
    for (std::string c : log->calls) {
      if (const size_t level = c.find(" level "); level != std::string::npos) c.erase(level);
      if (c.size() > wind.size() && c.ends_with(wind)) calls.push_back(c.substr(0, c.size() - wind.size()));
    }
    log->calls.clear();
    return calls;
  };
  struct Snapshot {
    uint32_t seed;
    int32_t ambient, playerX, playerY, bat1X, bat1Y, walker1X, camera, hurt;
    bool operator==(const Snapshot&) const = default;
  };
  auto snap = [&] {
    return Snapshot{g.RandSeed,  g.AmbientTicks, g.PlayerX, g.PlayerY,  g.Bats[1].X,
                    g.Bats[1].Y, g.Walkers[1].X, g.CameraX, g.HurtTimer};
  };
  Snapshot before{};
  std::unique_ptr<TBuffer64> last;
  int pausedFrames = 0, stillFrames = 0;
  using T = platform::ScriptEvent::Type;
  for (int how = 0; how < 3; ++how) {
    player.Wait(60).Do([&, how] {
      WindCalls();
      last = CopyOfScreen();
      before = snap();
      const uint64_t f = Watch().FramesPresented();
      if (how == 0) Watch().QueueEvents({{f, T::Key, kKeyP, true}, {f, T::Key, kKeyP, false}});
      else if (how == 1) Watch().QueueEvents({{f, T::FocusLost}});
      else Watch().QueueEvents({{f, T::Key, kKeyPause, true}, {f, T::Key, kKeyPause, false}, {f, T::FocusLost}});
    });
    player.Wait(1).Do([&] {
      // The wind falls silent with the pause.
      EXPECT_EQ(WindCalls(), std::vector<std::string>{"StopStream"});
      // The last frame, dimmed, and the word in the text colour.
      EXPECT_TRUE(ScreenHasColour(130, 88, 190, 110, g.TextColour));
      uint8_t r = 0, gr = 0, b = 0;
      UnpackColor(last->GetPixel(5, 5), r, gr, b);
      EXPECT_EQ(g.Screen->GetPixel(5, 5), MakeColor(r / 2, gr / 2, b / 2));
    });
    for (int i = 0; i < 50; ++i)
      player.Wait(1).Do([&, i, how] {
        ++pausedFrames;
        if (snap() == before) ++stillFrames;
        EXPECT_TRUE(WindCalls().empty()) << "the wind is touched while paused";
        if (how == 2 && i == 20) Watch().QueueEvents({{Watch().FramesPresented(), T::FocusLost}});
      });
    Tap(player, Watch(), how == 2 ? kKeyPause : kKeyP).Wait(3).Do([&] {
      EXPECT_FALSE(snap() == before) << "the stage goes on";
      // ...and the wind with it.
      EXPECT_EQ(WindCalls(), std::vector<std::string>{"PlayStream"});
    });
  }
  player.Key(kKeyEsc, true);
  morlo3::RunStage3(g);
  EXPECT_TRUE(player.Finished());
  EXPECT_EQ(pausedFrames, 150);
  EXPECT_EQ(stillFrames, 150) << "the state and the random seed stand still";
}

}  // namespace
}  // namespace kestrel::testing
