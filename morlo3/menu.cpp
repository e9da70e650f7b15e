#include "morlo3/menu.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>

#include "morlo3/language.h"
#include "morlo3/shutdown.h"
#include "morlo3/sprite_rects.h"
#include "morlo3/stages.h"

namespace morlo3 {

namespace {

struct Picture {
  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

constexpr Picture FromSprite(std::string_view name) {
  const SpriteRect& r = Sprite(name);
  return {r.x1, r.y1, r.x2, r.y2};
}

// One element as it is set up on entry. The size is what is added to X and
// Y to give the hit box's lower-right corner; elements without one are never
// pointed at.
struct ElementSetUp {
  Picture Pic;
  bool FromBackdrops = false;  // the help page is a picture of BackdropSheet
  int32_t Width = 0, Height = 0;
  int32_t HiddenX = 0, HiddenY = 0, ShownX = 0, ShownY = 0;
  int32_t Enabled = 0;
  const char* Caption = "";
};

// Captions are Windows-1252; an escape is closed where a hex digit follows.
// Elements 15 to 17 take picture, size and caption from their setting.
// clang-format off
const std::array<ElementSetUp, 18> kElements = {{
  {FromSprite("menu.title"),          false,   0,   0, -100, -100,  10,  10, 0, ""},
  {FromSprite("menu.new_game"),       false,  25,  14,  -30,   40,  64, 130, 1, N_("Novo Jogo")},
  {FromSprite("menu.options"),        false,  13,  15,  -20,  -18, 128, 130, 1, N_("Op\xE7\xF5" "es")},
  {FromSprite("menu.help"),           false,  15,  16,  -30,  -92, 192, 130, 1, N_("Ajuda")},
  {FromSprite("menu.quit"),           false,  19,  17,   40,  -83, 256, 130, 1, N_("Sair")},
  {FromSprite("menu.ornament_small"), false,   0,   0,  350,  -25, 237,  85, 0, ""},
  {FromSprite("menu.ornament_wide"),  false,   0,   0,  350,  -25, 110, 175, 0, ""},
  {{1, 1, 321, 200},                  true,  320, 200,  321,    0,   0,   0, 1, N_("Clique para Sair")},
  {FromSprite("menu.decrease"),       false,  17,  20,   15,  -30,  15, 130, 1, N_("Diminuir Velocidade")},
  {FromSprite("menu.decrease"),       false,  17,  20,  105,  -30, 105, 130, 1, N_("Diminuir Dificuldade")},
  {FromSprite("menu.decrease"),       false,  17,  20,  195,  -30, 195, 130, 1, N_("Desligar Som")},
  {FromSprite("menu.quit"),           false,  19,  16,  285,  -30, 285, 130, 1, NC_("options page", "Sair")},
  {FromSprite("menu.increase"),       false,  17,  20,   75,  -30,  75, 130, 1, N_("Aumentar Velocidade")},
  {FromSprite("menu.increase"),       false,  17,  20,  165,  -30, 165, 130, 1, N_("Aumentar Dificuldade")},
  {FromSprite("menu.increase"),       false,  17,  20,  255,  -30, 255, 130, 1, N_("Ligar Som")},
  {{},                                false,   0,   0,   45,  230,  45, 127, 1, ""},
  {{},                                false,   0,   0,  135,  230, 135, 127, 1, ""},
  {{},                                false,   0,   0,  225,  230, 225, 127, 1, ""},
}};
// clang-format on

// What elements 15 to 17 show for a setting's value.
struct SettingLook {
  Picture Pic;
  int32_t Width, Height;
  const char* Caption;
};

// clang-format off
constexpr std::array<SettingLook, 2> kSpeedLooks{{
  {FromSprite("menu.speed_slow"), 23, 33, N_("Lento")},
  {FromSprite("menu.speed_fast"), 20, 30, N_("R\xE1pido")},
}};
constexpr std::array<SettingLook, 2> kDifficultyLooks{{
  {FromSprite("menu.easy"), 22, 28, N_("F\xE1" "cil")},
  {FromSprite("menu.hard"), 22, 32, N_("Dif\xED" "cil")},
}};
constexpr std::array<SettingLook, 2> kSoundLooks{{
  {FromSprite("menu.sound_off"), 27, 29, N_("Som Desligado")},
  {FromSprite("menu.sound_on"),  22, 29, N_("Som Ligado")},
}};
// clang-format on

constexpr Picture kMenuBackdrop{647, 1, 967, 200};
// Where the hovered element's caption is written, in every language.
constexpr int32_t kCaptionX = 10, kCaptionY = 180;
constexpr Picture kPointer = FromSprite("menu.pointer");

// The order the element pictures are drawn in; 15 to 17 and 11 follow.
constexpr std::array<int32_t, 14> kDrawOrder{0, 1, 2, 4, 3, 6, 5, 7, 8, 9, 10, 12, 13, 14};

// The pace of each Speed: "Lento" at the period's usual 60 Hz, "Rápido" at
// the 85 Hz of a faster monitor.
constexpr std::array<int32_t, 2> kFramesPerSecond{60, 85};

void SetCaption(MenuItem& item, const char* designed) {
  const char* text = Shown(designed);
  const size_t n = std::min(std::strlen(text), item.Caption.size() - 1);
  std::memcpy(item.Caption.data(), text, n);
  item.Caption[n] = '\0';
}

void SetUpMenuItems(GameState& g) {
  g.MenuItems.fill(MenuItem{});
  for (size_t i = 0; i < kElements.size(); ++i) {
    const ElementSetUp& e = kElements[i];
    MenuItem& m = g.MenuItems[i];
    m.X = e.HiddenX;
    m.Y = e.HiddenY;
    m.HiddenX = e.HiddenX;
    m.HiddenY = e.HiddenY;
    m.ShownX = e.ShownX;
    m.ShownY = e.ShownY;
    m.Enabled = e.Enabled;
    m.Shown = i <= 6 ? 1 : 0;
    SetCaption(m, e.Caption);
  }
}

void SetShownFromPage(GameState& g) {
  auto& items = g.MenuItems;
  switch (g.MenuPage) {
    case 1:
      for (int32_t i = 0; i <= 17; ++i) items[size_t(i)].Shown = i <= 6 ? 1 : 0;
      break;
    case 2:
      for (int32_t i = 0; i <= 17; ++i) items[size_t(i)].Shown = i == 7 ? 1 : 0;
      break;
    case 3:
      // The title and element 5 keep their state, so they stay when the
      // options page is opened from the main page.
      for (int32_t i : {1, 2, 3, 4, 6, 7}) items[size_t(i)].Shown = 0;
      for (int32_t i = 8; i <= 17; ++i) items[size_t(i)].Shown = 1;
      break;
    default: break;
  }
}

// A coordinate that is odd steps past its target and stops one short.
int32_t Slide(int32_t at, int32_t target) {
  if (at < target) at += 2;
  if (at > target) at -= 2;
  return at;
}

void DrawElement(GameState& g, size_t i, const Picture& pic) {
  kestrel::TBuffer64& sheet = kElements[i].FromBackdrops ? *g.BackdropSheet : *g.SpriteSheet;
  const MenuItem& m = g.MenuItems[i];
  sheet.DrawRectKeyed(*g.Screen, pic.X1, pic.Y1, pic.X2, pic.Y2, m.X, m.Y, g.ColourKey);
}

void DrawSetting(GameState& g, size_t i, const SettingLook& look) {
  MenuItem& m = g.MenuItems[i];
  SetCaption(m, look.Caption);
  m.Right = m.X + look.Width;
  m.Bottom = m.Y + look.Height;
  DrawElement(g, i, look.Pic);
}

const SettingLook& LookOf(const std::array<SettingLook, 2>& looks, int32_t value) { return looks[value == 1 ? 1 : 0]; }

// The pointer in the 320 x 200 picture: the window shows it doubled.
void PointerPosition(GameState& g, int32_t& x, int32_t& y) {
  g.Input->GetMousePos(x, y);
  if (!g.FullScreen) {
    x /= 2;
    y /= 2;
  }
}

// Hands the engine the boxes that can be pointed at now, in the window's
// client coordinates, so that the keys and a pad can move the pointer among
// them. Esc clicks the page's way back: the help page itself, or "Sair" on
// the options page; the main page has none, so a stray Esc cannot quit.
void OfferPointerTargets(GameState& g) {
  std::array<kestrel::TPointerTarget, std::tuple_size_v<decltype(g.MenuItems)>> targets{};
  int32_t count = 0;
  const int32_t scale = g.FullScreen ? 1 : 2;
  for (size_t i = 0; i < g.MenuItems.size(); ++i) {
    const MenuItem& m = g.MenuItems[i];
    if (m.Shown != 1 || m.Enabled != 1) continue;
    targets[size_t(count++)] = {int32_t(i), scale * (m.X - 1), scale * (m.Y - 1), scale * m.Right + scale - 1,
                                scale * m.Bottom + scale - 1};
  }
  const int32_t back = g.MenuPage == 2 ? 7 : g.MenuPage == 3 ? 11 : -1;
  g.Input->OfferPointerTargets(targets.data(), count, back);
}

void SetPace(GameState& g) { g.Display->SetFrameRate(kFramesPerSecond[g.Speed == 1 ? 1 : 0]); }

}  // namespace

bool MouseIn(GameState& g, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  int32_t px = 0, py = 0;
  PointerPosition(g, px, py);
  return x1 <= px && px <= x2 && y1 <= py && py <= y2;
}

void MenuTexts(std::vector<PlacedText>& out) {
  for (const ElementSetUp& e : kElements)
    if (*e.Caption) out.push_back({kCaptionX, e.Caption});
  for (const auto* looks : {&kSpeedLooks, &kDifficultyLooks, &kSoundLooks})
    for (const SettingLook& look : *looks) out.push_back({kCaptionX, look.Caption});
}

void MainMenu(GameState& g) {
  SetUpMenuItems(g);
  g.QuitRequested = 0;
  g.MenuPage = 1;
  g.GameRunning = 0;
  g.StageNumber = 1;
  SetPace(g);
  auto& items = g.MenuItems;

  do {
    if (!g.Display->PumpMessage()) ShutdownAndExit(g);

    SetShownFromPage(g);

    for (size_t i : {1u, 2u, 3u, 4u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 14u}) {
      items[i].Right = items[i].X + kElements[i].Width;
      items[i].Bottom = items[i].Y + kElements[i].Height;
    }

    for (MenuItem& m : items) {
      m.Clicked = 0;
      m.X = Slide(m.X, m.Shown ? m.ShownX : m.HiddenX);
      m.Y = Slide(m.Y, m.Shown ? m.ShownY : m.HiddenY);
    }

    g.BackdropSheet->DrawRect(*g.Screen, kMenuBackdrop.X1, kMenuBackdrop.Y1, kMenuBackdrop.X2, kMenuBackdrop.Y2, 0, 0);
    for (int32_t i : kDrawOrder) DrawElement(g, size_t(i), kElements[size_t(i)].Pic);
    DrawSetting(g, 15, LookOf(kSpeedLooks, g.Speed));
    DrawSetting(g, 16, LookOf(kDifficultyLooks, g.Difficulty));
    DrawSetting(g, 17, LookOf(kSoundLooks, g.SoundOn));
    DrawElement(g, 11, kElements[11].Pic);

    OfferPointerTargets(g);
    for (size_t i = 0; i < items.size(); ++i) {
      MenuItem& m = items[i];
      if (!MouseIn(g, m.X - 1, m.Y - 1, m.Right, m.Bottom) || m.Enabled != 1) continue;
      if (i != 7) {
        g.Screen->Rectangle(m.X - 1, m.Y - 1, m.Right, m.Bottom, g.HighlightColour);
        g.Screen->TextOut(kCaptionX, kCaptionY, m.Caption.data(), g.HighlightColour);
      } else if (m.Shown == 1) {
        g.Screen->TextOut(kCaptionX, kCaptionY, m.Caption.data(), g.HighlightColour);
      }
      // A click is the button held: the action and its sound repeat every
      // frame while it stays down.
      bool left = false, middle = false, right = false;
      g.Input->MouseButtons(left, middle, right);
      if (left) {
        m.Clicked = 1;
        PlaySound(g, kSoundClick);
      }
    }

    // Later actions win over earlier ones in the same frame.
    if (items[4].Clicked) g.QuitRequested = 1;
    if (items[3].Clicked) g.MenuPage = 2;
    if (items[7].Clicked) g.MenuPage = 1;
    if (items[2].Clicked) g.MenuPage = 3;
    if (items[11].Clicked) g.MenuPage = 1;
    if (items[8].Clicked) g.Speed = 0;
    if (items[9].Clicked) g.Difficulty = 0;
    if (items[10].Clicked) g.SoundOn = 0;
    if (items[12].Clicked) g.Speed = 1;
    if (items[13].Clicked) g.Difficulty = 1;
    if (items[14].Clicked) g.SoundOn = 1;
    if (items[1].Clicked) {
      g.Lives = 2;
      g.Energy = 100;
      g.Coins = 0;
      g.BossStage = 0;
      g.ShotPower = 0;
      g.EnemyShotCursor = 1;
      g.AmbientTicks = 0;
      g.GameRunning = 1;
    }
    SetPace(g);

    // A stage left by its exit has moved StageNumber on, so the next test
    // runs the next stage at once, inside this one menu frame.
    if (g.GameRunning == 1)
      for (int32_t k = 1; k <= kStageCount; ++k)
        if (g.StageNumber == k) StageEntry(g, k);

    int32_t px = 0, py = 0;
    PointerPosition(g, px, py);
    g.SpriteSheet->DrawRectKeyed(*g.Screen, kPointer.X1, kPointer.Y1, kPointer.X2, kPointer.Y2, px, py, g.ColourKey);
    g.Screen->Present(true);
  } while (g.QuitRequested == 0);
}

}  // namespace morlo3
