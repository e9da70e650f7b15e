// The game's actions, and the keys and pad buttons that do them. One table
// describes each action: its name, the key the game asks for, its default
// keys and buttons, what it does in the menu and its help. The settings'
// rows, the bindings' defaults, the pad's mapping and the menu's keys all
// come from it.
//
// Backends report raw keys and raw pad buttons; the bindings are applied
// here, for the keyboard and the pad alike. The game asks for the keys it
// was made with (left Ctrl fires) and is answered for the keys the player
// bound to that action. A replayed script may carry the keys it was
// recorded with; those then win over the player's.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kestrel/platform/keys.h"

namespace kestrel::platform {

enum class Action : int { Left, Right, Jump, Fire, Pause, Back };
constexpr int kActionCount = 6;

// What a key or button does in the menu: moves the highlight to the box
// before or after, clicks where the pointer is, or clicks the way back.
enum class MenuRole { Nothing, Previous, Next, Choose, Back };

struct ActionInfo {
  Action action;
  // As settings and scripts spell it ("fire").
  const char* name;
  // The key the game asks for when it means the action: the one it was
  // made with.
  uint8_t designedKey;
  // Bound until the player binds others; 0 for none.
  std::array<uint8_t, 2> defaultKeys;
  std::array<uint32_t, 2> defaultPad;
  // Buttons that do it whatever is bound: the d-pad and the stick walk.
  uint32_t padAlways;
  // Whether its buttons, held, hold its first key. Pause goes by the press
  // of its button, so a held Start stands for Enter alone.
  bool padHolds;
  // What its keys do in the menu.
  MenuRole menu;
  // The help of its [keys] setting, and of its [pad] setting; without the
  // latter it has none.
  const char* keysHelp;
  const char* padHelp;
};

// In the order of Action.
// clang-format off
inline constexpr ActionInfo kActions[kActionCount] = {
    {Action::Left, "left", DIK_LEFT, {DIK_LEFT, 0}, {0, 0}, kPadLeft, true, MenuRole::Previous,
     "Walk left; also moves through the menu.", nullptr},
    {Action::Right, "right", DIK_RIGHT, {DIK_RIGHT, 0}, {0, 0}, kPadRight, true, MenuRole::Next,
     "Walk right; also moves through the menu.", nullptr},
    {Action::Jump, "jump", DIK_UP, {DIK_UP, 0}, {kPadA, 0}, 0, true, MenuRole::Previous,
     "Jump; also moves through the menu.", "Jump (the d-pad and the left stick walk)."},
    {Action::Fire, "fire", DIK_LCONTROL, {DIK_LCONTROL, 0}, {kPadX, kPadB}, 0, true, MenuRole::Choose,
     "Fire; also chooses in the menu.", "Fire."},
    {Action::Pause, "pause", DIK_P, {DIK_P, DIK_PAUSE}, {kPadStart, 0}, 0, false, MenuRole::Nothing,
     "Pause the game and resume it.", "Pause the game and resume it."},
    {Action::Back, "back", DIK_ESCAPE, {DIK_ESCAPE, 0}, {kPadBack, 0}, 0, true, MenuRole::Back,
     "Give up the game, skip the story, go back in the menu.", "Give up the game and go back to the menu."},
};
// clang-format on

constexpr const ActionInfo& InfoOf(Action action) { return kActions[size_t(action)]; }
constexpr const char* ActionName(Action action) { return InfoOf(action).name; }
constexpr uint8_t DesignedKey(Action action) { return InfoOf(action).designedKey; }

// What works the menu whatever the player bound: the arrows, Enter and Esc,
// and a pad's d-pad (or stick), A, X or Start, and B or Back, as a pad's
// owner expects of any menu.
struct MenuControl {
  MenuRole role;
  std::array<uint8_t, 2> keys;
  uint32_t pad;
};
inline constexpr MenuControl kMenuControls[] = {
    {MenuRole::Previous, {DIK_LEFT, DIK_UP}, kPadLeft | kPadUp},
    {MenuRole::Next, {DIK_RIGHT, DIK_DOWN}, kPadRight | kPadDown},
    {MenuRole::Choose, {DIK_RETURN, DIK_NUMPADENTER}, kPadA | kPadX | kPadStart},
    {MenuRole::Back, {DIK_ESCAPE, 0}, kPadB | kPadBack},
};
// Start is Enter: held, it holds Enter, so it goes on from a picture that
// waits, and a click by it is one by Enter.
constexpr uint32_t kPadEnter = kPadStart;

// The action named so; false when no action is.
bool ActionOfName(const char* name, Action& out);

// What the menu was asked for in one frame.
struct MenuPresses {
  int step = 0;  // -1 back a box, 1 on a box, 0 neither
  bool choose = false;
  bool back = false;
  bool enter = false;  // Enter, keypad Enter or Start
};

struct Bindings {
  // Scan codes, at least one an action.
  std::array<std::vector<uint8_t>, kActionCount> keys;
  // PadButton bits, in the order the player gave them; none for left and
  // right, which the d-pad and the stick do.
  std::array<std::vector<uint32_t>, kActionCount> pad;

  // As the game was made (kActions).
  static Bindings Defaults();
  bool operator==(const Bindings&) const = default;

  const std::vector<uint8_t>& Keys(Action a) const { return keys[size_t(a)]; }
  // The action's buttons as one set of bits.
  uint32_t Pad(Action a) const;
  // Whether any key of the action is 0x80 in a 256-byte key array.
  bool AnyKey(Action a, const uint8_t* state) const;

  // ---- applying them ----
  // Adds to `keys` what the held buttons `padHeld` stand for: the first key
  // bound to each action whose button is held, and Enter for Start. The
  // game, the menu and a recording then see a pad as they see the keyboard.
  void HoldPadKeys(uint32_t padHeld, uint8_t (&keys)[256]) const;
  // Whether the key the game asks for reads as down in `state` (0x80 each):
  // for the key the game was made with for an action, any key bound to it,
  // and only those; for Enter, keypad Enter too.
  bool Answers(uint8_t asked, const uint8_t* state) const;
  // The action's keys went down (`presses`, 0x80 each) or its buttons
  // (`padPresses`).
  bool Pressed(Action a, const uint8_t* presses, uint32_t padPresses) const;
  // What the menu is asked for by the keys and buttons that went down: its
  // own keys, and those of the actions by their role in it.
  MenuPresses Menu(const uint8_t* presses, uint32_t padPresses) const;
  // After a click, the keys the game asks for that are to read as up until
  // let go, so the click does not also act on what the menu opens: Enter for
  // a click by Enter or Start, Esc by Esc, and the key the game was made
  // with for each action whose keys clicked or whose held buttons hold it.
  // Each as 0x80 in `out`.
  void ClickedKeys(const MenuPresses& menu, const uint8_t* presses, uint32_t padPresses, uint8_t (&out)[256]) const;
};

}  // namespace kestrel::platform
