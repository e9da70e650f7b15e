// The story, the credits, the message line, the pictures that wait for Enter
// and the loss of a life, frame by frame on the headless backend.
#include <array>

#include "flow_fixture.h"
#include "morlo3/screens.h"

namespace kestrel::testing {
namespace {

using morlo3::kKeyEnter;
using morlo3::kKeyEsc;
using platform::ScriptEvent;

ScriptEvent KeyAt(uint64_t frame, int code, bool down) {
  ScriptEvent e;
  e.frame = frame;
  e.type = ScriptEvent::Type::Key;
  e.code = code;
  e.down = down;
  return e;
}

ScriptEvent CloseAt(uint64_t frame) {
  ScriptEvent e;
  e.frame = frame;
  e.type = ScriptEvent::Type::Close;
  return e;
}

// ---- the story ----

struct Line {
  int32_t x, y;
  const char* text;
};
struct Page {
  int32_t x1, y1, x2, y2;
  std::vector<Line> lines;
  // The frame (counted from the start of the intro) the page's picture first
  // shows, and the counter value that frame runs with: 2 after a hand-over
  // in the same frame, 1 for page 10, which starts a frame late.
  uint64_t firstFrame;
  int32_t firstCounter;
};

// Worked out by hand: page 1 runs with counters 0 to 201 (frames 1 to 202)
// and hands over in frame 202, where page 2 already counts once. A page of
// length L then shows from its first frame with counter 2 for L frames.
// Page 9 (270) hands over in frame 3502 and page 10 first counts in 3503.
const std::vector<Page>& Pages() {
  static const std::vector<Page> pages = {
      {324, 1, 645, 201, {}, 1, 0},
      {324,
       407,
       645,
       607,
       {{10, 10, "\xC0 muito tempo atr\xE1s, um terr\xEDvel"},
        {10, 30, "Feiticeiro chamado RirEza, lan\xE7ou"},
        {10, 50, "um feiti\xE7o sobre a Terra..."}},
       203,
       2},
      {324,
       610,
       645,
       810,
       {{10, 130, "...Para acabar com o feiti\xE7o, um"},
        {10, 150, "valente guerreiro sacrificou-se"},
        {10, 170, "ao acabar com a vida de RirEza..."}},
       653,
       2},
      {647,
       407,
       967,
       607,
       {{10, 10,
         "...Mais tarde sem explica\xE7"
         "ao"},
        {10, 30, "l\xF3gica, RirEza renasce das"},
        {10, 50, "profundezas da Terra, e mais uma"},
        {10, 70,
         "vez lan\xE7"
         "a um feiti\xE7o sobre a terra..."}},
       1103,
       2},
      {647,
       610,
       967,
       810,
       {{10, 110, "...Rapidamente ratos destruiram"},
        {10, 130, "terras, espalhando o caos por"},
        {10, 150, "onde passavam..."}},
       1583,
       2},
      {647,
       813,
       967,
       1013,
       {{10, 10, "...Mortos levantaram-se da terra"}, {10, 30, "matando tudo e todos..."}},
       2033,
       2},
      {324, 813, 644, 1018, {{10, 10, "...Ex\xE9rcitos de esqueletos"}, {10, 30, "formaram-se..."}}, 2433, 2},
      {1, 813, 320, 1018, {{10, 110, "...Resmas de ratos por"}, {180, 130, "todo o lado..."}}, 2833, 2},
      {1, 1016, 320, 1216, {{10, 30, "...Morcegos famintos de sangue..."}}, 3233, 2},
      {1,
       610,
       320,
       810,
       {{10, 10,
         "...Farto de tanta destrui\xE7"
         "ao"},
        {10, 30, "um Mago fez surgir do mundo"},
        {10, 50, "dos mortos aquele que em tempos"},
        {10, 70, "Matou RirEza......"}},
       3503,
       1},
      {324, 1016, 644, 1216, {}, 3984, 2},
  };
  return pages;
}
// Page 11 shows counters 2 to 301; the intro ends after the frame with 301.
constexpr uint64_t kStoryFrames = 3984 + 299;

class Story : public FlowTest {
 protected:
  // Page `page` (from 1) with its first `lines` lines.
  std::unique_ptr<TBuffer64> PageWith(size_t page, size_t lines) {
    const Page& p = Pages()[page - 1];
    auto b = Blank();
    g.BackdropSheet->DrawRect(*b, p.x1, p.y1, p.x2, p.y2, 0, 0);
    const uint32_t colours[] = {g.TextColour, g.StoryColour2, g.StoryColour3, g.StoryColour4};
    for (size_t n = 0; n < lines; ++n) b->TextOut(p.lines[n].x, p.lines[n].y, p.lines[n].text, colours[n]);
    return b;
  }
};

TEST_F(Story, LinesAppearAtTheirCountersAndPagesHandOverOnTime) {
  // The frames to look at: each page's first and last frame, and the frames
  // on both sides of every line's first showing.
  std::map<uint64_t, std::pair<size_t, size_t>> want;  // frame -> page, lines
  for (size_t k = 1; k <= 11; ++k) {
    const Page& p = Pages()[k - 1];
    const uint64_t last = k == 11 ? kStoryFrames : Pages()[k].firstFrame - 1;
    want[p.firstFrame] = {k, 0};
    // The hand-over frame: the counter is back at 0, so no line shows.
    want[last] = {k, 0};
    if (k < 11) want[last - 1] = {k, p.lines.size()};
    const int32_t thresholds[] = {100, 160, 220, 280};
    for (size_t n = 0; n < p.lines.size(); ++n) {
      // The first frame whose counter exceeds the threshold.
      const uint64_t shows = p.firstFrame + uint64_t(thresholds[n] + 1 - p.firstCounter);
      want[shows - 1] = {k, n};
      want[shows] = {k, n + 1};
    }
  }
  // Page 10's first line comes a frame later than a same-frame hand-over
  // would bring it.
  ASSERT_EQ(want.at(3603), std::make_pair(size_t(10), size_t(1)));
  ASSERT_EQ(want.at(3602), std::make_pair(size_t(10), size_t(0)));

  std::vector<std::string> wrong;
  Watch().onFrame = [&](uint64_t frame) {
    const auto it = want.find(frame);
    if (it == want.end()) return;
    if (!ScreenIs(*PageWith(it->second.first, it->second.second)))
      wrong.push_back("frame " + std::to_string(frame) + ": not page " + std::to_string(it->second.first) + " with " +
                      std::to_string(it->second.second) + " lines");
  };
  EXPECT_EQ(ExitCodeOf([&] { morlo3::StoryIntro(g); }), -1);
  EXPECT_EQ(Watch().frames, kStoryFrames);
  EXPECT_EQ(Watch().VerticalBlankWaits(), kStoryFrames) << "every frame is paced";
  EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
}

TEST_F(Story, EscReturnsWithoutAPresentAndEnterEndsAfterOne) {
  Watch().QueueEvents({KeyAt(0, kKeyEsc, true)});
  morlo3::StoryIntro(g);
  EXPECT_EQ(Watch().frames, 0u);

  Watch().QueueEvents({KeyAt(0, kKeyEsc, false), KeyAt(500, kKeyEsc, true)});
  morlo3::StoryIntro(g);
  EXPECT_EQ(Watch().frames, 500u) << "Esc in the middle: that frame is not shown";
  Release(kKeyEsc);

  // Enter ends after the frame it was seen in is shown.
  const uint64_t before = Watch().frames;
  Press(kKeyEnter);
  morlo3::StoryIntro(g);
  EXPECT_EQ(Watch().frames, before + 1);
  EXPECT_TRUE(ScreenIs(*PageWith(1, 0)));
  Release(kKeyEnter);

  // Enter arrives after the intro's frame 250 and is seen in frame 251,
  // which page 2 shows with its counter at 50.
  Watch().QueueEvents({KeyAt(before + 1 + 250, kKeyEnter, true)});
  morlo3::StoryIntro(g);
  EXPECT_EQ(Watch().frames, before + 1 + 251);
  EXPECT_TRUE(ScreenIs(*PageWith(2, 0)));
}

TEST_F(Story, AClosedWindowEndsTheProgram) {
  Watch().QueueEvents({CloseAt(40)});
  EXPECT_EQ(ExitCodeOf([&] { morlo3::StoryIntro(g); }), 0);
  // The close arrives after frame 40; frame 41's pump takes the close and
  // frame 42's the quit.
  EXPECT_EQ(Watch().frames, 41u);
  EXPECT_EQ(g.Screen, nullptr) << "shut down";
}

// ---- the credits ----

class CreditsTest : public FlowTest {
 protected:
  std::unique_ptr<TBuffer64> CreditsAt(int32_t scrollY) {
    struct L {
      int32_t x, dy;
      bool heading;
      const char* text;
    };
    // Our own name lines; the title's third byte is an e with an acute
    // accent in Windows-1252.
    const L lines[] = {
        {10, 0, false,
         "Cr\xE9"
         "ditos"},
        {20, 40, true, "Programador:"},
        {30, 60, false, "Equipa Kestrel"},
        {20, 80, true, "Agradecimentos"},
        {30, 100, false, "A todos os que jogaram"},
        {30, 120, false, "Aos amigos que ajudaram"},
        {30, 140, false, "E a ti, por jogares!"},
        {30, 160, true, "Beta Testers:"},
        {40, 180, false, "Os primeiros jogadores"},
        {40, 200, false, "A turma de testes"},
        {40, 220, false, "Os amigos do clube"},
        {40, 240, false, "Toda a fam\xEDlia"},
    };
    auto b = Blank();
    b->Clear(1);
    for (const L& l : lines)
      b->TextOut(l.x, scrollY + l.dy, l.text, l.heading ? g.CreditsHeadingColour : g.CreditsNameColour);
    return b;
  }
};

TEST_F(CreditsTest, ScrollForFourHundredFortyFramesAndEndTheGame) {
  g.StageOver = 0;
  g.StageNumber = 8;
  g.GameRunning = 1;
  // Keys do not skip them.
  Press(kKeyEsc);
  Press(kKeyEnter);
  std::vector<uint64_t> wrong;
  const std::map<uint64_t, int32_t> want = {{1, 200}, {2, 199}, {201, 0}, {439, -238}, {440, -239}};
  Watch().onFrame = [&](uint64_t frame) {
    const auto it = want.find(frame);
    if (it != want.end() && !ScreenIs(*CreditsAt(it->second))) wrong.push_back(frame);
  };
  morlo3::Credits(g);
  EXPECT_EQ(Watch().frames, 440u);
  EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
  // The title starts on the bottom edge, out of sight, and the last frame
  // has the last name line at y 1.
  EXPECT_TRUE(ScreenHasColour(40, 1, 140, 16, g.CreditsNameColour));
  EXPECT_EQ(g.StageOver, 1);
  EXPECT_EQ(g.StageNumber, 1);
  EXPECT_EQ(g.GameRunning, 0);
}

// The heading reads "Créditos": drawn with 0xE9, pixel for pixel, and not
// with the low quotation mark 0x82 nor without its accent.
TEST_F(CreditsTest, TheHeadingReadsCreditosWithAnAcute) {
  std::unique_ptr<TBuffer64> shown;
  // Frame 201 has the list scrolled to the top, the heading at (10, 0).
  Watch().onFrame = [&](uint64_t frame) {
    if (frame == 201) shown = CopyOfScreen();
  };
  morlo3::Credits(g);
  ASSERT_NE(shown, nullptr);
  auto heading = [&](const char* text) {
    auto b = Blank();
    b->Clear(1);
    b->TextOut(10, 0, text, g.CreditsNameColour);
    return b;
  };
  auto differences = [&](const TBuffer64& want) {
    int wrong = 0;
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 120; ++x) wrong += shown->GetPixel(x, y) != want.GetPixel(x, y);
    return wrong;
  };
  EXPECT_EQ(differences(*heading("Cr\xE9"
                                 "ditos")),
            0);
  EXPECT_GT(differences(*heading("Cr\x82"
                                 "ditos")),
            0);
  EXPECT_GT(differences(*heading("Creditos")), 0);
}

TEST_F(CreditsTest, AClosedWindowEndsThemAtOnce) {
  Watch().QueueEvents({CloseAt(100)});
  EXPECT_EQ(ExitCodeOf([&] { morlo3::Credits(g); }), 0);
  EXPECT_EQ(Watch().frames, 101u);
}

// ---- the message line ----

class Message : public FlowTest {};

TEST_F(Message, StaysOnScreenForAHundredPacedFrames) {
  g.Screen->Clear(g.MaskGround);
  auto want = Blank();
  want->Clear(g.MaskGround);
  want->TextOut(90, 50, "Perdeste uma vida", g.TextColour);
  int shown = 0;
  Watch().onFrame = [&](uint64_t) { shown += ScreenIs(*want); };
  morlo3::ShowMessage(g, "Perdeste uma vida", 90, 50);
  EXPECT_EQ(Watch().frames, 100u);
  EXPECT_EQ(shown, 100);
  EXPECT_EQ(Watch().VerticalBlankWaits(), 100u);
}

TEST_F(Message, AClosedWindowEndsTheProgramAtOnce) {
  Watch().QueueEvents({CloseAt(10)});
  EXPECT_EQ(ExitCodeOf([&] { morlo3::ShowMessage(g, "Perdeste uma vida", 90, 50); }), 0);
  EXPECT_EQ(Watch().frames, 11u);
}

// ---- pictures that wait for Enter ----

class Pictures : public FlowTest {
 protected:
  std::unique_ptr<TBuffer64> Picture(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool cleared) {
    auto b = Blank();
    if (!cleared) b->Clear(g.MaskGround);
    g.BackdropSheet->DrawRect(*b, x1, y1, x2, y2, 0, 0);
    return b;
  }
  static int stageRuns;
  static uint64_t stageStartedAfter;
  static WatchingDisplay* display;
  static void Stage(morlo3::GameState&) {
    ++stageRuns;
    stageStartedAfter = display->frames;
  }
};
int Pictures::stageRuns = 0;
uint64_t Pictures::stageStartedAfter = 0;
WatchingDisplay* Pictures::display = nullptr;

TEST_F(Pictures, GameOverClearsAndWaitsForEnter) {
  g.Screen->Clear(g.MaskGround);
  Watch().QueueEvents({KeyAt(30, kKeyEnter, true)});
  morlo3::GameOverScreen(g);
  EXPECT_EQ(Watch().frames, 31u);
  EXPECT_TRUE(ScreenIs(*Picture(1, 407, 320, 607, true)));
  // Enter already held: one frame.
  morlo3::GameOverScreen(g);
  EXPECT_EQ(Watch().frames, 32u);
}

TEST_F(Pictures, TheStagePictureRunsItsStageAfterEnter) {
  stageRuns = 0;
  display = &Watch();
  // Drawn over what the screen holds: the picture's 321 x 201 corners cover it all.
  g.Screen->Clear(g.MaskGround);
  Watch().QueueEvents({KeyAt(12, kKeyEnter, true)});
  morlo3::StagePicture(g, 1, 1219, 321, 1419, &Stage);
  EXPECT_EQ(stageRuns, 1);
  EXPECT_EQ(stageStartedAfter, 13u);
  EXPECT_TRUE(ScreenIs(*Picture(1, 1219, 321, 1419, false)));

  Watch().QueueEvents({KeyAt(13, kKeyEnter, false), CloseAt(13)});
  EXPECT_EQ(ExitCodeOf([&] { morlo3::StagePicture(g, 647, 1016, 967, 1216, &Stage); }), 0);
  EXPECT_EQ(stageRuns, 1) << "a closed window never reaches the stage";
}

// ---- losing a life ----

class Lives : public FlowTest {
 protected:
  void InStage() {
    g.StageOver = 0;
    g.StageNumber = 3;
    g.GameRunning = 1;
    g.Lives = 2;
    g.Energy = 40;
    g.PlayerX = 500;
    g.PlayerY = 120;
    g.JumpBaseY = 80;
    g.OnGround = 1;
    g.JumpRise = 1;
    g.JumpTime = 7;
    g.PlayerFacing = 1;
    for (int32_t i = 1; i <= 15; ++i) g.PlayerShots[i] = {i * 20, 60 + i, 8};
    g.Walkers[1].X = 321;
  }
  void ExpectRespawned(int32_t x, int32_t y) {
    EXPECT_EQ(g.Energy, 100);
    EXPECT_EQ(g.PlayerX, x);
    EXPECT_EQ(g.PlayerY, y);
    EXPECT_EQ(g.JumpBaseY, y);
    EXPECT_EQ(g.OnGround, 0);
    EXPECT_EQ(g.JumpRise, 0);
    EXPECT_EQ(g.JumpTime, 40);
    EXPECT_EQ(g.PlayerFacing, 0);
    for (int32_t i = 1; i <= 15; ++i) EXPECT_EQ(g.PlayerShots[i].Y, morlo3::kFreeShot) << "shot " << i;
    // Only the player goes back.
    EXPECT_EQ(g.Walkers[1].X, 321);
  }
};

TEST_F(Lives, RunningOutOfEnergyOrFallingCostsALife) {
  InStage();
  g.Energy = 0;
  morlo3::CheckLifeLost(g, 10, 100, 250);
  EXPECT_EQ(g.Lives, 2) << "energy 0 is still alive";
  EXPECT_EQ(Watch().frames, 0u);

  g.Energy = -1;
  morlo3::CheckLifeLost(g, 10, 100, 250);
  EXPECT_EQ(g.Lives, 1);
  EXPECT_EQ(Watch().frames, 100u) << "the message";
  ExpectRespawned(10, 100);
  EXPECT_EQ(g.StageOver, 0);
  EXPECT_EQ(g.GameRunning, 1);

  // The fall limit, with full energy: 850 is still in, 851 is out.
  InStage();
  g.Energy = 100;
  g.PlayerY = 850;
  morlo3::CheckLifeLost(g, 10, 700, 850);
  EXPECT_EQ(g.Lives, 2);
  g.PlayerY = 851;
  morlo3::CheckLifeLost(g, 10, 700, 850);
  EXPECT_EQ(g.Lives, 1);
  EXPECT_EQ(Watch().frames, 200u);
  ExpectRespawned(10, 700);
  EXPECT_EQ(g.StageOver, 0);
}

TEST_F(Lives, TheLastLifeShowsTheMessageThenTheGameOverPicture) {
  InStage();
  g.Lives = 0;
  g.Energy = -3;
  bool messageSeen = false, pictureSeen = false;
  auto picture = Blank();
  g.BackdropSheet->DrawRect(*picture, 1, 407, 320, 607, 0, 0);
  Watch().onFrame = [&](uint64_t frame) {
    if (frame == 100) messageSeen = ScreenHasColour(90, 50, 200, 66, g.TextColour);
    if (frame == 101) pictureSeen = ScreenIs(*picture);
  };
  Watch().QueueEvents({KeyAt(150, kKeyEnter, true)});
  morlo3::CheckLifeLost(g, 10, 100, 250);
  EXPECT_TRUE(messageSeen);
  EXPECT_TRUE(pictureSeen);
  EXPECT_EQ(Watch().frames, 151u);
  EXPECT_EQ(g.Lives, -1);
  EXPECT_EQ(g.StageOver, 1);
  EXPECT_EQ(g.StageNumber, 1);
  EXPECT_EQ(g.GameRunning, 0);
}

TEST_F(Lives, EscEndsTheGameWithNoPicture) {
  InStage();
  Press(kKeyEsc);
  morlo3::CheckLifeLost(g, 10, 100, 250);
  EXPECT_EQ(Watch().frames, 0u);
  EXPECT_EQ(g.StageOver, 1);
  EXPECT_EQ(g.StageNumber, 1);
  EXPECT_EQ(g.GameRunning, 0);
  EXPECT_EQ(g.Lives, 2);
  EXPECT_EQ(g.PlayerX, 500);
}

}  // namespace
}  // namespace kestrel::testing
