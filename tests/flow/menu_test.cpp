// The main menu driven with the mouse on the headless backend: the slide of
// its elements, pointing and clicking, its three pages and the pace setting.
#include "morlo3/menu.h"
#include "flow_fixture.h"

namespace kestrel::testing {
namespace {

class Menu : public FlowTest {
 protected:
  // Runs the menu under a script, which must end by leaving it; false when
  // the menu did not return by itself.
  bool RunMenu(ScriptedPlayer& player) {
    player.Click(4);
    const int code = ExitCodeOf([&] { morlo3::MainMenu(g); });
    EXPECT_TRUE(player.Finished());
    return code == -1;
  }
  const morlo3::MenuItem& Item(int i) const { return g.MenuItems[size_t(i)]; }
};

TEST_F(Menu, ElementsSlideTwoPixelsAFrameAndOddTargetsStopOneShort) {
  std::map<uint64_t, std::pair<int32_t, int32_t>> title, quit, plate;
  morlo3::MenuItem seen{};
  Watch().onFrame = [&](uint64_t frame) {
    title[frame] = {Item(0).X, Item(0).Y};
    quit[frame] = {Item(4).X, Item(4).Y};
    plate[frame] = {Item(5).X, Item(5).Y};
    if (frame == 200) {
      seen = Item(4);
      // Left alone, nothing more happens: leave through the close box.
      Watch().RequestClose();
    }
  };
  // Out of the way of every element: the pointer rests at (300, 10).
  Watch().Input().mouse = {600, 20};
  EXPECT_EQ(ExitCodeOf([&] { morlo3::MainMenu(g); }), 0);
  // (-100, -100) to (10, 10): 110 pixels in 55 frames.
  EXPECT_EQ(title[1], std::make_pair(-98, -98));
  EXPECT_EQ(title[54], std::make_pair(8, 8));
  EXPECT_EQ(title[55], std::make_pair(10, 10));
  EXPECT_EQ(title[200], std::make_pair(10, 10));
  // "Sair": y from -83 towards 130 comes to rest at 129 after 106 frames.
  EXPECT_EQ(quit[105], std::make_pair(250, 127));
  EXPECT_EQ(quit[106], std::make_pair(252, 129));
  EXPECT_EQ(quit[108], std::make_pair(256, 129));
  EXPECT_EQ(quit[200], std::make_pair(256, 129));
  // Element 5 comes down from x 350 towards 237 and rests at 236.
  EXPECT_EQ(plate[56], std::make_pair(238, 85));
  EXPECT_EQ(plate[57], std::make_pair(236, 85));
  EXPECT_EQ(plate[200], std::make_pair(236, 85));
  EXPECT_EQ(seen.Right, 256 + 19);
  EXPECT_EQ(seen.Bottom, 129 + 17);
}

TEST_F(Menu, TheMainPageShowsEachPictureInItsPlace) {
  ScriptedPlayer player(Watch(), g);
  int title = -1, icons = -1, backdrop = -1;
  player.PointAt(300, 10).Wait(200).Do([&] {
    // The title, above the plate drawn over its foot.
    title = CountMismatches(*g.SpriteSheet, 239, 78, 469, 152, 10, 10);
    icons = CountMismatches(*g.SpriteSheet, 991, 1, 1015, 13, 64, 130) +
            CountMismatches(*g.SpriteSheet, 973, 22, 985, 36, 128, 130) +
            CountMismatches(*g.SpriteSheet, 973, 1, 987, 18, 192, 130) +
            CountMismatches(*g.SpriteSheet, 409, 34, 427, 49, 256, 129) +
            CountMismatches(*g.SpriteSheet, 239, 61, 316, 68, 236, 85) +
            CountMismatches(*g.SpriteSheet, 712, 100, 918, 118, 110, 175);
    // The backdrop where nothing is drawn over it.
    backdrop = 0;
    for (int32_t y = 100; y < 125; ++y)
      for (int32_t x = 0; x < 60; ++x)
        backdrop += g.Screen->GetPixel(x, y) != g.BackdropSheet->GetPixel(647 + x, 1 + y);
  });
  EXPECT_TRUE(RunMenu(player));
  EXPECT_EQ(title, 0);
  EXPECT_EQ(icons, 0);
  EXPECT_EQ(backdrop, 0);
}

TEST_F(Menu, HoldingTheButtonRepeatsTheActionAndTheSoundEveryFrame) {
  ScriptedPlayer player(Watch(), g);
  std::vector<int> onOptions, holding;
  int32_t difficultyAfter = -1;
  player.Click(2).Do([&] { onOptions = SoundsPlayed(); });
  player.Click(13, 10).Do([&] {
    holding = SoundsPlayed();
    difficultyAfter = g.Difficulty;
  });
  player.Click(11);
  EXPECT_TRUE(RunMenu(player));
  EXPECT_EQ(onOptions, std::vector<int>{morlo3::kSoundClick});
  EXPECT_EQ(holding, std::vector<int>(10, morlo3::kSoundClick));
  EXPECT_EQ(difficultyAfter, 1);
  EXPECT_EQ(g.MenuPage, 1);
  EXPECT_EQ(g.QuitRequested, 1);
}

TEST_F(Menu, SwitchingTheSoundOffSilencesTheClicksThatFollow) {
  ScriptedPlayer player(Watch(), g);
  std::vector<int> off, on;
  player.Click(2).Do([&] { SoundsPlayed(); });
  // The first frame still clicks: the sound is off only after the action.
  player.Click(10, 3).Do([&] { off = SoundsPlayed(); });
  player.Click(14, 2).Do([&] { on = SoundsPlayed(); });
  player.Click(11);
  EXPECT_TRUE(RunMenu(player));
  EXPECT_EQ(off, std::vector<int>{morlo3::kSoundClick});
  EXPECT_EQ(on, std::vector<int>{morlo3::kSoundClick});
  EXPECT_EQ(g.SoundOn, 1);
}

TEST_F(Menu, DisabledElementsShowNoFrameAndNoCaption) {
  ScriptedPlayer player(Watch(), g);
  std::unique_ptr<TBuffer64> away;
  Box title, plate, ornament, newGame;
  auto pointAndCompare = [&](int32_t x, int32_t y, Box& box) {
    player.PointAt(x, y).Wait(1).Do([&] { box = Difference(*g.Screen, *away); });
  };
  player.PointAt(300, 10).Wait(200).Do([&] { away = CopyOfScreen(); });
  pointAndCompare(100, 50, title);
  pointAndCompare(250, 87, plate);
  pointAndCompare(150, 180, ornament);
  pointAndCompare(70, 134, newGame);
  player.PointAt(300, 10);
  EXPECT_TRUE(RunMenu(player));
  // Only the pointer moved: what differs lies between its two places.
  auto onlyPointer = [](const Box& b, int32_t x, int32_t y) {
    return b.left >= std::min(x, 300) && b.right <= std::max(x, 300) + 21 && b.top >= std::min(y, 10) &&
           b.bottom <= std::max(y, 10) + 18;
  };
  EXPECT_TRUE(onlyPointer(title, 100, 50))
      << title.left << "," << title.top << " " << title.right << "," << title.bottom;
  EXPECT_TRUE(onlyPointer(plate, 250, 87));
  EXPECT_TRUE(onlyPointer(ornament, 150, 180));
  // An enabled one is framed and its caption shows at the bottom.
  EXPECT_FALSE(onlyPointer(newGame, 70, 134));
  EXPECT_LE(newGame.left, 10);
  EXPECT_GE(newGame.bottom, 185);
}

TEST_F(Menu, TheHelpPageCoversTheScreenAndAClickAnywhereReturns) {
  ScriptedPlayer player(Watch(), g);
  int picture = -1;
  bool caption = false;
  player.Click(3);
  // Coming from x 321, the page rests one short of 0, at -1.
  player.WaitUntil([&] { return Item(7).X == -1; }).PointAt(300, 150).Wait(1).Do([&] {
    picture = CountMismatches(*g.BackdropSheet, 1, 1, 321, 149, -1, 0);
    caption = ScreenHasColour(10, 180, 120, 196, g.HighlightColour);
  });
  player.Button(true).Wait(1).Button(false).Do([&] { EXPECT_EQ(g.MenuPage, 1); });
  EXPECT_TRUE(RunMenu(player));
  EXPECT_EQ(picture, 0);
  EXPECT_TRUE(caption) << "\"Clique para Sair\"";
}

// The hovered page's caption must read well: the box its letters take, and
// two pixels around it, lie on one flat colour of the picture, and the screen
// there is the caption drawn over that colour. A frame line or a painted
// note under the caption breaks both.
TEST_F(Menu, TheHelpCaptionStandsOnOneColour) {
  ScriptedPlayer player(Watch(), g);
  std::unique_ptr<TBuffer64> shown;
  player.Click(3);
  player.WaitUntil([&] { return Item(7).X == -1; }).PointAt(300, 150).Wait(1).Do([&] { shown = CopyOfScreen(); });
  player.Button(true).Wait(1).Button(false);
  ASSERT_TRUE(RunMenu(player));
  ASSERT_NE(shown, nullptr);

  const char* caption = Item(7).Caption.data();
  ASSERT_STREQ(caption, "Clique para Sair");
  auto ink = [&](uint32_t background) {
    auto b = Blank();
    b->Clear(background);
    b->TextOut(10, 180, caption, g.HighlightColour);
    return b;
  };
  Box box = Difference(*ink(0), *Blank());
  ASSERT_FALSE(box.Empty());
  box.left -= 2, box.top -= 2, box.right += 2, box.bottom += 2;
  ASSERT_GE(box.left, 0);
  ASSERT_LE(box.bottom, 199);

  // The page rests at x -1 and is cut from the sheet at (1, 1).
  const uint32_t background = g.BackdropSheet->GetPixel(box.left + 2, box.top + 1);
  int otherColour = 0;
  for (int32_t y = box.top; y <= box.bottom; ++y)
    for (int32_t x = box.left; x <= box.right; ++x)
      otherColour += g.BackdropSheet->GetPixel(x + 2, y + 1) != background;
  EXPECT_EQ(otherColour, 0) << "picture pixels under the caption's box (" << box.left << "," << box.top << ")-("
                            << box.right << "," << box.bottom << ") that are not its background";

  const auto want = ink(background);
  int wrong = 0;
  for (int32_t y = box.top; y <= box.bottom; ++y)
    for (int32_t x = box.left; x <= box.right; ++x) wrong += shown->GetPixel(x, y) != want->GetPixel(x, y);
  EXPECT_EQ(wrong, 0) << "screen pixels in the caption's box that differ from the caption on one colour";
}

TEST_F(Menu, ThePointerIsHalvedInTheWindowTowardZero) {
  Watch().Input().mouse = {639, 399};
  EXPECT_TRUE(morlo3::MouseIn(g, 319, 199, 319, 199));
  EXPECT_FALSE(morlo3::MouseIn(g, 320, 199, 330, 210));
  Watch().Input().mouse = {-3, -1};
  EXPECT_TRUE(morlo3::MouseIn(g, -1, 0, -1, 0));
  EXPECT_FALSE(morlo3::MouseIn(g, -2, -1, -2, -1));
  // Edges belong to the rectangle.
  Watch().Input().mouse = {20, 40};
  EXPECT_TRUE(morlo3::MouseIn(g, 10, 20, 12, 25));
  EXPECT_TRUE(morlo3::MouseIn(g, 5, 5, 10, 20));
  EXPECT_FALSE(morlo3::MouseIn(g, 11, 20, 12, 25));
  // Full screen shows the picture as it is.
  g.FullScreen = true;
  Watch().Input().mouse = {639, 399};
  EXPECT_FALSE(morlo3::MouseIn(g, 319, 199, 319, 199));
  EXPECT_TRUE(morlo3::MouseIn(g, 639, 399, 639, 399));
}

TEST_F(Menu, SpeedSetsThePaceOfTheDisplayClock) {
  ScriptedPlayer player(Watch(), g);
  std::vector<int32_t> rates;
  auto note = [&] { rates.push_back(Watch().FrameRate()); };
  player.Do(note).Click(2).Click(12).Do(note).Click(8).Do(note).Click(12).Click(11).Do(note);
  g.Display->SetFrameRate(30);
  EXPECT_TRUE(RunMenu(player));
  EXPECT_EQ(rates, (std::vector<int32_t>{60, 85, 60, 85}));
  EXPECT_EQ(g.Speed, 1);
}

TEST_F(Menu, TheOptionsPageKeepsTheTitleAndShowsTheSettings) {
  ScriptedPlayer player(Watch(), g);
  std::array<int, 3> looks{-1, -1, -1};
  std::string captions;
  // The settings come up from y 230 and rest one short of 127, at 126.
  player.Click(2).WaitUntil([&] { return Item(15).Y == 126 && Item(8).Y == 130; }).PointAt(300, 10).Wait(1).Do([&] {
    EXPECT_EQ(Item(0).X, 10);
    EXPECT_EQ(Item(0).Y, 10);
    EXPECT_EQ(Item(1).Shown, 0);
    looks[0] = CountMismatches(*g.SpriteSheet, 383, 1, 405, 33, 45, 126);   // "Lento"
    looks[1] = CountMismatches(*g.SpriteSheet, 303, 1, 324, 28, 135, 126);  // "Fácil"
    looks[2] = CountMismatches(*g.SpriteSheet, 328, 1, 349, 29, 225, 126);  // "Som Ligado"
    for (int i = 15; i <= 17; ++i) captions += std::string(Item(i).Caption.data()) + "|";
  });
  player.Click(13).Click(12).Do([&] {
    captions += std::string(Item(15).Caption.data()) + "|" + Item(16).Caption.data();
    EXPECT_EQ(Item(15).Right, 45 + 20);
    EXPECT_EQ(Item(16).Bottom, 126 + 32);
  });
  player.Click(11);
  EXPECT_TRUE(RunMenu(player));
  EXPECT_EQ(looks, (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(captions,
            "Lento|F\xE1"
            "cil|Som Ligado|R\xE1pido|Dif\xED"
            "cil");
}

}  // namespace
}  // namespace kestrel::testing
