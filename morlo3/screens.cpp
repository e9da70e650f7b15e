#include "morlo3/screens.h"

#include <array>

#include "morlo3/language.h"
#include "morlo3/shutdown.h"

namespace morlo3 {

namespace {

// Texts are Windows-1252 bytes. An escape is closed where a hex digit
// follows it ("explica\xE7" "ao"), or the compiler would read it on.

struct StoryLine {
  int32_t X = 0, Y = 0;
  const char* Text = nullptr;
};

// A picture of BackdropSheet, corner to corner, and the lines written over it.
struct StoryPage {
  int32_t X1, Y1, X2, Y2;
  int32_t Length;  // the page ends once its counter exceeds this
  std::array<StoryLine, 4> Lines;
};

// clang-format off
const std::array<StoryPage, 11> kStoryPages = {{
  {324, 1, 645, 201, 200, {}},
  {324, 407, 645, 607, 450,
   {{{10, 10, N_("\xC0 muito tempo atr\xE1s, um terr\xEDvel")},
     {10, 30, N_("Feiticeiro chamado RirEza, lan\xE7ou")},
     {10, 50, N_("um feiti\xE7o sobre a Terra...")}}}},
  {324, 610, 645, 810, 450,
   {{{10, 130, N_("...Para acabar com o feiti\xE7o, um")},
     {10, 150, N_("valente guerreiro sacrificou-se")},
     {10, 170, N_("ao acabar com a vida de RirEza...")}}}},
  {647, 407, 967, 607, 480,
   {{{10, 10, N_("...Mais tarde sem explica\xE7" "ao")},
     {10, 30, N_("l\xF3gica, RirEza renasce das")},
     {10, 50, N_("profundezas da Terra, e mais uma")},
     {10, 70, N_("vez lan\xE7" "a um feiti\xE7o sobre a terra...")}}}},
  {647, 610, 967, 810, 450,
   {{{10, 110, N_("...Rapidamente ratos destruiram")},
     {10, 130, N_("terras, espalhando o caos por")},
     {10, 150, N_("onde passavam...")}}}},
  {647, 813, 967, 1013, 400,
   {{{10, 10, N_("...Mortos levantaram-se da terra")},
     {10, 30, N_("matando tudo e todos...")}}}},
  {324, 813, 644, 1018, 400,
   {{{10, 10, N_("...Ex\xE9rcitos de esqueletos")},
     {10, 30, N_("formaram-se...")}}}},
  {1, 813, 320, 1018, 400,
   {{{10, 110, N_("...Resmas de ratos por")},
     {180, 130, N_("todo o lado...")}}}},
  {1, 1016, 320, 1216, 270,
   {{{10, 30, N_("...Morcegos famintos de sangue...")}}}},
  {1, 610, 320, 810, 480,
   {{{10, 10, N_("...Farto de tanta destrui\xE7" "ao")},
     {10, 30, N_("um Mago fez surgir do mundo")},
     {10, 50, N_("dos mortos aquele que em tempos")},
     {10, 70, N_("Matou RirEza......")}}}},
  {324, 1016, 644, 1216, 300, {}},
}};
// clang-format on

// Line n of a page shows once the page's counter exceeds its threshold.
constexpr std::array<int32_t, 4> kLineThresholds{100, 160, 220, 280};

struct CreditsLine {
  int32_t X, Offset;  // Offset: below ScrollY
  bool Heading;
  const char* Text;
};

// Windows-1252, as every text the game draws.
// clang-format off
const std::array<CreditsLine, 12> kCreditsLines = {{
  {10, 0, false, N_("Cr\xE9" "ditos")},
  {20, 40, true, N_("Programador:")},
  {30, 60, false, N_("Equipa Kestrel")},
  {20, 80, true, N_("Agradecimentos")},
  {30, 100, false, N_("A todos os que jogaram")},
  {30, 120, false, N_("Aos amigos que ajudaram")},
  {30, 140, false, N_("E a ti, por jogares!")},
  {30, 160, true, N_("Beta Testers:")},
  {40, 180, false, N_("Os primeiros jogadores")},
  {40, 200, false, N_("A turma de testes")},
  {40, 220, false, N_("Os amigos do clube")},
  {40, 240, false, N_("Toda a fam\xEDlia")},
}};
// clang-format on

constexpr int32_t kCreditsStartY = 200;
constexpr int32_t kCreditsEndY = -240;

// Made before the game starts, so losing a life allocates nothing.
const std::string kLifeLost = N_("Perdeste uma vida");
constexpr int32_t kLifeLostX = 90, kLifeLostY = 50;

// How long a message line stays on screen, in presented frames.
constexpr int32_t kMessageFrames = 100;

// Full-screen pictures of BackdropSheet that wait for Enter.
constexpr int32_t kGameOverX1 = 1, kGameOverY1 = 407, kGameOverX2 = 320, kGameOverY2 = 607;

void PumpOrExit(GameState& g) {
  if (!g.Display->PumpMessage()) ShutdownAndExit(g);
}

// Shows BackdropSheet's (x1, y1)-(x2, y2) at (0, 0) each frame until Enter is
// down; Enter held as the picture opens ends it after one frame.
void PictureUntilEnter(GameState& g, int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool clearFirst) {
  bool done = false;
  while (!done) {
    PumpOrExit(g);
    if (g.Input->KeyDown(kKeyEnter)) done = true;
    if (clearFirst) g.Screen->Clear(0);
    g.BackdropSheet->DrawRect(*g.Screen, x1, y1, x2, y2, 0, 0);
    g.Screen->Present(true);
  }
}

}  // namespace

void ScreenTexts(std::vector<PlacedText>& out) {
  for (const StoryPage& page : kStoryPages)
    for (const StoryLine& line : page.Lines)
      if (line.Text) out.push_back({line.X, line.Text});
  for (const CreditsLine& line : kCreditsLines) out.push_back({line.X, line.Text});
  out.push_back({kLifeLostX, kLifeLost.c_str()});
}

void StoryIntro(GameState& g) {
  const std::array<uint32_t, 4> colours{g.TextColour, g.StoryColour2, g.StoryColour3, g.StoryColour4};
  int32_t page = 1;
  int32_t counter = 0;
  bool done = false;
  while (!done) {
    PumpOrExit(g);
    if (g.Input->KeyDown(kKeyEsc)) return;
    if (g.Input->KeyDown(kKeyEnter)) done = true;

    // The picture is drawn before the page logic, so a new page's picture
    // shows from the frame after the one its logic began in.
    const StoryPage& shown = kStoryPages[size_t(page - 1)];
    g.Screen->Clear(0);
    g.BackdropSheet->DrawRect(*g.Screen, shown.X1, shown.Y1, shown.X2, shown.Y2, 0, 0);

    // The pages are visited in order, so one that ends hands over to the
    // next in the same frame; page 9 alone hands over in the next frame.
    for (int32_t p = 1; p <= 11; ++p) {
      if (page != p) continue;
      const StoryPage& s = kStoryPages[size_t(p - 1)];
      if (p == 11) {
        if (counter > s.Length) done = true;
        ++counter;
        break;
      }
      if (counter > s.Length) {
        counter = 0;
        page = p + 1;
      }
      // Right after a change the counter is 0 and no line shows.
      for (size_t n = 0; n < s.Lines.size(); ++n)
        if (s.Lines[n].Text && counter > kLineThresholds[n])
          g.Screen->TextOut(s.Lines[n].X, s.Lines[n].Y, Shown(s.Lines[n].Text), colours[n]);
      ++counter;
      if (p == 9 && page == 10) break;
    }

    g.Screen->Present(true);
  }
}

void Credits(GameState& g) {
  int32_t scrollY = kCreditsStartY;
  do {
    // Keys cannot skip the credits, but a closed window ends the program.
    PumpOrExit(g);
    g.Screen->Clear(1);
    for (const CreditsLine& line : kCreditsLines)
      g.Screen->TextOut(line.X, scrollY + line.Offset, Shown(line.Text),
                        line.Heading ? g.CreditsHeadingColour : g.CreditsNameColour);
    --scrollY;
    g.Screen->Present(true);
  } while (scrollY != kCreditsEndY);
  g.StageOver = 1;
  g.StageNumber = 1;
  g.GameRunning = 0;
}

void ShowMessage(GameState& g, const std::string& text, int32_t x, int32_t y) {
  g.Screen->TextOut(x, y, text, g.TextColour);
  // The line stays up long enough to be read, one paced frame at a time,
  // and a closed window is still noticed at once.
  for (int32_t frame = 0; frame < kMessageFrames; ++frame) {
    PumpOrExit(g);
    g.Screen->Present(true);
  }
}

void GameOverScreen(GameState& g) { PictureUntilEnter(g, kGameOverX1, kGameOverY1, kGameOverX2, kGameOverY2, true); }

void StagePicture(GameState& g, int32_t x1, int32_t y1, int32_t x2, int32_t y2, StageRoutineFn stage) {
  PictureUntilEnter(g, x1, y1, x2, y2, false);
  stage(g);
}

void CheckLifeLost(GameState& g, int32_t respawnX, int32_t respawnY, int32_t fallLimit) {
  if (g.Energy < 0 || g.PlayerY > fallLimit) {
    g.Energy = 100;
    g.Lives -= 1;
    ShowMessage(g, Shown(kLifeLost), kLifeLostX, kLifeLostY);
    g.PlayerX = respawnX;
    g.PlayerY = respawnY;
    g.JumpBaseY = g.PlayerY;
    g.OnGround = 0;
    g.JumpRise = 0;
    g.JumpTime = 40;
    g.PlayerFacing = 0;
    for (ShotRecord& shot : g.PlayerShots) shot.Y = kFreeShot;
  }
  if (g.Lives < 0) {
    g.StageOver = 1;
    GameOverScreen(g);
    g.StageNumber = 1;
    g.GameRunning = 0;
  }
  if (g.Input->KeyDown(kKeyEsc)) {
    g.StageOver = 1;
    g.StageNumber = 1;
    g.GameRunning = 0;
  }
}

}  // namespace morlo3
