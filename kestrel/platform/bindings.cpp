#include "kestrel/platform/bindings.h"

#include <cstring>

namespace kestrel::platform {

namespace {

// The action the game means when it asks for `key`: the one it was made
// with that key for (P and Pause both pause); false for a key that means no
// action, such as Enter.
bool DesignedAction(uint8_t key, Action& out) {
  for (const ActionInfo& a : kActions)
    for (uint8_t k : a.defaultKeys)
      if (k != 0 && k == key) {
        out = a.action;
        return true;
      }
  return false;
}

}  // namespace

bool ActionOfName(const char* name, Action& out) {
  for (const ActionInfo& a : kActions)
    if (std::strcmp(a.name, name) == 0) {
      out = a.action;
      return true;
    }
  return false;
}

Bindings Bindings::Defaults() {
  Bindings b;
  for (const ActionInfo& a : kActions) {
    for (uint8_t k : a.defaultKeys)
      if (k) b.keys[size_t(a.action)].push_back(k);
    for (uint32_t bit : a.defaultPad)
      if (bit) b.pad[size_t(a.action)].push_back(bit);
  }
  return b;
}

uint32_t Bindings::Pad(Action a) const {
  uint32_t bits = 0;
  for (uint32_t bit : pad[size_t(a)]) bits |= bit;
  return bits;
}

bool Bindings::AnyKey(Action a, const uint8_t* state) const {
  for (uint8_t k : keys[size_t(a)])
    if (state[k] == 0x80) return true;
  return false;
}

void Bindings::HoldPadKeys(uint32_t padHeld, uint8_t (&out)[256]) const {
  for (const ActionInfo& a : kActions) {
    const std::vector<uint8_t>& bound = Keys(a.action);
    if (a.padHolds && (padHeld & (a.padAlways | Pad(a.action))) && !bound.empty()) out[bound.front()] = 0x80;
  }
  if (padHeld & kPadEnter) out[DIK_RETURN] = 0x80;
}

bool Bindings::Answers(uint8_t asked, const uint8_t* state) const {
  if (Action action; DesignedAction(asked, action)) return AnyKey(action, state);
  // Keypad Enter does what Enter does.
  if (asked == DIK_RETURN) return state[DIK_RETURN] == 0x80 || state[DIK_NUMPADENTER] == 0x80;
  return state[asked] == 0x80;
}

bool Bindings::Pressed(Action a, const uint8_t* presses, uint32_t padPresses) const {
  return AnyKey(a, presses) || (padPresses & Pad(a)) != 0;
}

MenuPresses Bindings::Menu(const uint8_t* presses, uint32_t padPresses) const {
  bool asked[5] = {};
  for (const MenuControl& c : kMenuControls) {
    for (uint8_t k : c.keys)
      if (k != 0 && presses[k] == 0x80) asked[int(c.role)] = true;
    if (padPresses & c.pad) asked[int(c.role)] = true;
  }
  for (const ActionInfo& a : kActions)
    if (AnyKey(a.action, presses)) asked[int(a.menu)] = true;
  MenuPresses m;
  m.step = asked[int(MenuRole::Next)] ? 1 : asked[int(MenuRole::Previous)] ? -1 : 0;
  m.choose = asked[int(MenuRole::Choose)];
  m.back = asked[int(MenuRole::Back)];
  m.enter = presses[DIK_RETURN] == 0x80 || presses[DIK_NUMPADENTER] == 0x80 || (padPresses & kPadEnter) != 0;
  return m;
}

void Bindings::ClickedKeys(const MenuPresses& menu, const uint8_t* presses, uint32_t padPresses,
                           uint8_t (&out)[256]) const {
  if (menu.enter) out[DIK_RETURN] = 0x80;
  if (presses[DIK_ESCAPE] == 0x80) out[DIK_ESCAPE] = 0x80;
  for (const ActionInfo& a : kActions) {
    const bool clicks = a.menu == MenuRole::Choose || a.menu == MenuRole::Back;
    if ((clicks && AnyKey(a.action, presses)) || (a.padHolds && (padPresses & Pad(a.action))))
      out[a.designedKey] = 0x80;
  }
}

}  // namespace kestrel::platform
