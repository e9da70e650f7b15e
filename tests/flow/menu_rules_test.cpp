// The menu's hit boxes at their edges and the captions they show, byte for
// byte at their place, on the main and the options page and for both values
// of every setting.
#include <string>
#include <vector>

#include "flow_fixture.h"
#include "morlo3/menu.h"

namespace kestrel::testing {
namespace {

// An element at rest: where it came to rest, the size its hit box adds to
// that corner, and its caption in Windows-1252.
struct Element {
  int index;
  int32_t x, y, width, height;
  const char* caption;
};

// Each element slides from its hidden place towards its shown place two
// pixels a frame and rests there, or one below it when the distance is odd.
const Element kMainPage[] = {
    {1, 64, 130, 25, 14, "Novo Jogo"},
    {2, 128, 130, 13, 15,
     "Op\xE7\xF5"
     "es"},
    {3, 192, 130, 15, 16, "Ajuda"},
    {4, 256, 129, 19, 17, "Sair"},
};
const Element kOptionsPage[] = {
    {8, 15, 130, 17, 20, "Diminuir Velocidade"},  {9, 105, 130, 17, 20, "Diminuir Dificuldade"},
    {10, 195, 130, 17, 20, "Desligar Som"},       {11, 285, 130, 19, 16, "Sair"},
    {12, 75, 130, 17, 20, "Aumentar Velocidade"}, {13, 165, 130, 17, 20, "Aumentar Dificuldade"},
    {14, 255, 130, 17, 20, "Ligar Som"},
};
// The three settings' elements, by value 0 and 1.
const Element kSettingsOff[] = {
    {15, 45, 126, 23, 33, "Lento"},
    {16, 135, 126, 22, 28,
     "F\xE1"
     "cil"},
    {17, 225, 126, 27, 29, "Som Desligado"},
};
const Element kSettingsOn[] = {
    {15, 45, 126, 20, 30, "R\xE1pido"},
    {16, 135, 126, 22, 32,
     "Dif\xED"
     "cil"},
    {17, 225, 126, 22, 29, "Som Ligado"},
};

class MenuRules : public FlowTest {
 protected:
  // What the caption line at (10, 180) showed with the pointer at (x, y).
  struct Probe {
    const Element* element;
    int32_t x, y;
    bool inside;
    bool pointed = false;  // the caption line had any text
    bool exact = false;    // it was exactly the element's caption
    bool bytes = false;    // the element holds its caption byte for byte
  };

  // Queues a look at every edge of each element's hit box, which runs from
  // one left of and above its corner to the corner plus its size: on the
  // box's four extreme corners it is pointed at, one pixel beyond them not.
  void ProbeEdges(ScriptedPlayer& player, const Element* begin, const Element* end) {
    for (const Element* e = begin; e != end; ++e) {
      const int32_t left = e->x - 1, top = e->y - 1, right = e->x + e->width, bottom = e->y + e->height;
      const std::pair<int32_t, int32_t> inside[] = {{left, top}, {right, bottom}, {left, bottom}, {right, top}};
      const std::pair<int32_t, int32_t> outside[] = {
          {left - 1, top}, {left, top - 1}, {right + 1, bottom}, {right, bottom + 1}};
      for (auto [x, y] : inside) probes_.push_back({e, x, y, true});
      for (auto [x, y] : outside) probes_.push_back({e, x, y, false});
    }
    for (size_t i = probes_.size() - size_t(end - begin) * 8; i < probes_.size(); ++i) {
      player.PointAt(probes_[i].x, probes_[i].y).Wait(1).Do([this, i] { Look(probes_[i]); });
    }
  }

  // The caption line is drawn in the highlight colour at (10, 180), below
  // every element and the pointer.
  void Look(Probe& p) {
    auto want = Blank();
    want->TextOut(10, 180, p.element->caption, g.HighlightColour);
    bool any = false, same = true;
    for (int32_t y = 172; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x) {
        const bool shown = g.Screen->GetPixel(x, y) == g.HighlightColour;
        any = any || shown;
        same = same && shown == (want->GetPixel(x, y) == g.HighlightColour);
      }
    p.pointed = any;
    p.exact = same;
    // The font draws some accented letters alike, so the bytes are read too.
    p.bytes = std::string(g.MenuItems[size_t(p.element->index)].Caption.data()) == p.element->caption;
  }

  void Check() {
    ASSERT_FALSE(probes_.empty());
    for (const Probe& p : probes_) {
      SCOPED_TRACE("element " + std::to_string(p.element->index) + " \"" + p.element->caption + "\" at (" +
                   std::to_string(p.x) + ", " + std::to_string(p.y) + ")");
      EXPECT_EQ(p.pointed, p.inside);
      if (p.inside) {
        EXPECT_TRUE(p.exact) << "the caption, byte for byte at (10, 180)";
        EXPECT_TRUE(p.bytes) << "the caption's bytes";
      }
    }
  }

  // Until every element of the page has stopped sliding.
  void AtRest(ScriptedPlayer& player) { player.Wait(130); }

  std::vector<Probe> probes_;
};

TEST_F(MenuRules, TheMainPagesHitBoxesReachTheirEdgesAndShowTheirCaptions) {
  ScriptedPlayer player(Watch(), g);
  player.PointAt(300, 10);
  AtRest(player);
  ProbeEdges(player, std::begin(kMainPage), std::end(kMainPage));
  player.Close();
  EXPECT_EQ(ExitCodeOf([&] { morlo3::MainMenu(g); }), 0);
  EXPECT_TRUE(player.Finished());
  Check();
}

TEST_F(MenuRules, TheOptionsPagesHitBoxesAndTheSettingsCaptionsFollowTheirValues) {
  ScriptedPlayer player(Watch(), g);
  player.Click(2).PointAt(300, 10);
  AtRest(player);
  ProbeEdges(player, std::begin(kOptionsPage), std::end(kOptionsPage));
  ProbeEdges(player, std::begin(kSettingsOff), std::end(kSettingsOff));
  // Every setting at its other value: picture, size and caption follow it.
  player.Do([this] {
    g.Speed = 1;
    g.Difficulty = 1;
    g.SoundOn = 1;
  });
  ProbeEdges(player, std::begin(kSettingsOn), std::end(kSettingsOn));
  player.Close();
  g.SoundOn = 0;
  EXPECT_EQ(ExitCodeOf([&] { morlo3::MainMenu(g); }), 0);
  EXPECT_TRUE(player.Finished());
  Check();
}

TEST_F(MenuRules, TheOptionsPageKeepsTheTitleAndTheSmallOrnamentInPlace) {
  // The title rests at (10, 10) and the small ornament, which came down from
  // x 350 towards 237, one short at 236; both stay for the options page.
  ScriptedPlayer player(Watch(), g);
  int title = -1, ornament = -1;
  std::pair<int32_t, int32_t> at;
  player.PointAt(300, 10);
  AtRest(player);
  player.Click(2).PointAt(300, 10);
  AtRest(player);
  player.Do([&] {
    at = {g.MenuItems[5].X, g.MenuItems[5].Y};
    title = CountMismatches(*g.SpriteSheet, 239, 78, 469, 125, 10, 10);
    ornament = CountMismatches(*g.SpriteSheet, 239, 61, 316, 68, 236, 85);
  });
  player.Close();
  EXPECT_EQ(ExitCodeOf([&] { morlo3::MainMenu(g); }), 0);
  EXPECT_TRUE(player.Finished());
  EXPECT_EQ(at, std::make_pair(236, 85));
  EXPECT_EQ(title, 0);
  EXPECT_EQ(ornament, 0);
}

}  // namespace
}  // namespace kestrel::testing
